// quorvel: the desktop program. The first argument, when given, names the catalogue to open.
#include <QApplication>
#include <QStringList>

#include "catalog/catalog_document.h"
#include "mainwindow/main_window.h"
#include "platform/user_prompts.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvel"));

  quorvel::CatalogDocument document;
  quorvel::MessageBoxPrompts prompts;
  quorvel::MainWindow window(document, prompts);
  window.FormCreate(QApplication::arguments().value(1));
  window.show();
  return app.exec();
}
