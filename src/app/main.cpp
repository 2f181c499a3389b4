// quorvel: the desktop program. The first argument, when given, names the catalogue to open.
#include <QApplication>
#include <QStringList>
#include <iostream>
#include <string>

#include "catalog/catalog_document.h"
#include "mainwindow/main_window.h"
#include "platform/path_text.h"
#include "platform/user_prompts.h"
#include "settings/catalog_opening.h"
#include "settings/settings_paths.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvel"));

  std::string settings_error;
  const quorvel::SettingsPaths settings =
      quorvel::LocateSettings(quorvel::QStringToPath(QCoreApplication::applicationFilePath()),
                              quorvel::ProcessEnvironment, &settings_error);
  if (!settings_error.empty()) std::cerr << "quorvel: " << settings_error << '\n';

  quorvel::CatalogOpening opening;
  quorvel::CatalogDocument document;
  quorvel::MessageBoxPrompts prompts;
  quorvel::MainWindow window(document, prompts, settings.ini_file, opening);
  window.FormCreate(QApplication::arguments().value(1));
  window.show();
  return app.exec();
}
