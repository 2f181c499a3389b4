// The options dialog "Параметры": the add-disk page and the settings page. It is created
// hidden at start-up, reads the settings then, is shown without being modal as often as the
// user asks, and writes the settings when it is destroyed at exit.
#ifndef QUORVEL_ADDDISK_OPTIONS_DIALOG_H_
#define QUORVEL_ADDDISK_OPTIONS_DIALOG_H_

#include <QWidget>
#include <functional>

#include "adddisk/add_disk_page.h"
#include "platform/user_prompts.h"
#include "platform/window_placement.h"
#include "settings/settings_state.h"

class QEvent;
class QKeyEvent;
class QFileDialog;
class QShowEvent;
class QTabWidget;

namespace quorvel {

class SettingsPage;

// What the dialog needs of the main window, connected by the program's start-up.
struct OptionsDialogLinks {
  // Whether a catalogue is open (CatalogOpen); without one there is nothing to add a disk to.
  std::function<bool()> catalog_open;
  // The main window's catalogue-opening dialog, which picks the catalogue that is always opened;
  // null: the dialog uses one of its own of the same kind.
  QFileDialog* open_dialog = nullptr;
  // What the add-disk page needs to add disks.
  AddDiskLinks add_disk;
};

class OptionsDialog : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kAddDiskPage = 0;   // the tab "Добавить диск"
  static constexpr int kSettingsPage = 1;  // the tab "Настройки"

  // Reads the settings into `state` and the controls. Problems reading the files
  // are told through `prompts`. `parent` should be the main window, so that the dialog stays
  // with it and closing the main window ends the program. `state` and `prompts` must outlive
  // the dialog.
  OptionsDialog(SettingsState& state, UserPrompts& prompts, OptionsDialogLinks links,
                QWidget* parent = nullptr);
  // Writes the settings file and Cat.dat.
  ~OptionsDialog() override;

  // Shows the dialog, as the main window's "Добавить диск" (page 0) and "Параметры" (page 1)
  // do, and selects `page`; a `folder` given becomes the add-disk page's folder to add.
  void ShowPage(int page, const QString& folder = {});
  // Shows the add-disk page for updating disk `disk` of the catalogue (an index into Disks), as
  // "Обновить диск" does; a `folder` given becomes the folder to read. The next ShowPage adds
  // disks again.
  void ShowUpdate(int disk, const QString& folder);

  AddDiskPage* add_disk_page() const { return add_disk_page_; }
  SettingsPage* settings_page() const { return settings_page_; }

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  // Escape closes the dialog as its title bar's button does, keeping every change.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // At creation: the settings files into the state and through the controls of both pages.
  void LoadSettings();
  // At destruction: the list's items and the state into the settings files.
  void SaveSettings();
  // Each time the dialog becomes visible: the page shown for the state of the catalogue, and
  // the snapshot that "Отмена" restores.
  void PrepareShowing();
  void UpdateAddDiskTab();
  // Shows the dialog on `page`, the add-disk page in the mode set.
  void Show(int page, const QString& folder);

  SettingsState& state_;
  UserPrompts& prompts_;
  OptionsDialogLinks links_;

  QTabWidget* pages_;
  AddDiskPage* add_disk_page_;
  SettingsPage* settings_page_;

  WindowPlacement placement_;
};

}  // namespace quorvel

#endif  // QUORVEL_ADDDISK_OPTIONS_DIALOG_H_
