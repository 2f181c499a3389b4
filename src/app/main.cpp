// quorvel: the desktop program. The first argument, when given, names the catalogue to open.
#include <QApplication>
#include <QImageReader>
#include <QStringList>
#include <iostream>
#include <string>

#include "app/startup.h"
#include "platform/path_text.h"
#include "platform/qt_translation.h"
#include "platform/user_prompts.h"
#include "settings/default_scan_folder.h"
#include "settings/settings_paths.h"

namespace {

// $XDG_DATA_HOME, or ~/.local/share when that is unset or not absolute.
std::filesystem::path DataHome() {
  const std::string xdg = quorvel::ProcessEnvironment("XDG_DATA_HOME");
  if (!xdg.empty() && std::filesystem::path(xdg).is_absolute()) return xdg;
  const std::string home = quorvel::ProcessEnvironment("HOME");
  if (home.empty()) return {};
  return std::filesystem::path(home) / ".local" / "share";
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvel"));
  quorvel::UseRussianQtTexts(app);

  std::string settings_error;
  quorvel::StartupOptions options;
  // From argv rather than arguments(), which would lose the bytes of a name that is not UTF-8;
  // QApplication has taken its own options out of both.
  if (argc > 1) options.catalogue_argument = quorvel::PathToQString(argv[1]);
  options.settings =
      quorvel::LocateSettings(quorvel::QStringToPath(QCoreApplication::applicationFilePath()),
                              quorvel::ProcessEnvironment, &settings_error);
  if (!settings_error.empty()) std::cerr << "quorvel: " << settings_error << '\n';
  options.first_folder = quorvel::DefaultScanFolder(quorvel::ProcessEnvironment);
  options.association = {QCoreApplication::applicationFilePath(), DataHome(), true};
  options.image_formats = [] { return QImageReader::supportedImageFormats(); };

  quorvel::MessageBoxPrompts prompts;
  return quorvel::RunQuorvel(options, prompts);
}
