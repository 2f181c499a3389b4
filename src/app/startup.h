// The program's start-up sequence: the renderer first, then the splash window, the main window
// and the hidden dialog, the event loop, and the windows destroyed in the reverse order.
#ifndef QUORVEL_APP_STARTUP_H_
#define QUORVEL_APP_STARTUP_H_

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "app/splash_window.h"
#include "platform/user_prompts.h"
#include "settings/settings_paths.h"

namespace quorvel {

class CatalogDocument;
class MainWindow;
class ThumbnailPipeline;
class OptionsDialog;
struct OptionsDialogLinks;

struct StartupOptions {
  QString catalogue_argument;  // the first command-line argument, or empty
  SettingsPaths settings;      // quorvel.ini and Cat.dat
  std::string first_folder;    // the folder to catalogue until one is stored
  AssociationTarget association;
  // The image formats the installed readers handle (QImageReader::supportedImageFormats).
  std::function<QList<QByteArray>()> image_formats;
  // Called with the name of each step as it happens, for tests; may be empty.
  std::function<void(const QString& step)> trace;
  // Called once the event loop runs, with the main window; tests close it from here.
  std::function<void(QWidget* main_window)> running;
};

// The thumbnail pipeline, when the image readers it needs (JPEG and PNG) are installed;
// otherwise says which are missing through `prompts` and gives nothing.
std::unique_ptr<ThumbnailPipeline> CreateThumbnailPipeline(
    const std::function<QList<QByteArray>()>& image_formats, UserPrompts& prompts);

// How the dialog meets the main window over `document`: the catalogue to add disks to, the
// caption that proposes the disk name, the refresh after an addition and the commands locked
// while one runs. Both must outlive the dialog.
OptionsDialogLinks DialogLinks(CatalogDocument& document, MainWindow& window);

// The main window's commands that show `dialog`: "Добавить диск", "Параметры" and "Обновить
// диск". The dialog must outlive the window's use of them.
void ConnectDialog(MainWindow& window, OptionsDialog& dialog);

// Runs the program to its end; returns the exit status. Without a renderer no window is created,
// no setting is read and no association is written.
int RunQuorvel(const StartupOptions& options, UserPrompts& prompts);

}  // namespace quorvel

#endif  // QUORVEL_APP_STARTUP_H_
