// The "Добавить диск" page of the dialog TForm3: the folder and the name of the disk to add,
// the thumbnail renderer's place, the progress of a scan, its time-out and the buttons that
// start, skip and stop it.
#ifndef QUORVEL_ADDDISK_ADD_DISK_PAGE_H_
#define QUORVEL_ADDDISK_ADD_DISK_PAGE_H_

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/user_prompts.h"
#include "scan/add_disk.h"
#include "scan/scan_state.h"
#include "scan/scan_view.h"
#include "settings/settings_state.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace quorvel {

class CatalogDocument;
class ThumbControl;

// What the page needs of the rest of the program, connected by start-up. Any may be left empty.
struct AddDiskLinks {
  // The catalogue disks are added to; without one "OK" does nothing.
  CatalogDocument* document = nullptr;
  // After an addition: the main window's refresh, with its last row selected.
  std::function<void()> disk_added;
  // An addition starts (true) or has ended (false): the main window locks its commands, and
  // calls `stop` when it is closed meanwhile.
  std::function<void(bool running, std::function<void()> stop)> scan_running;
  // The shell's "open" of a folder; empty: the desktop's file manager.
  std::function<void(const QString& folder)> open_folder;
};

class AddDiskPage : public QWidget, public ScanView {
  Q_OBJECT

 public:
  // The folder, the sub-folders box, the time-out box and the time-out field keep `state`
  // current with every change. `state` and `prompts` must outlive the page.
  AddDiskPage(SettingsState& state, UserPrompts& prompts, QWidget* parent = nullptr);

  // `excluded_endings` gives the exclusion list as the settings page shows it now.
  void SetLinks(AddDiskLinks links, std::function<std::vector<std::string>()> excluded_endings);

  // The dialog's creation, this page's part: each stored value goes through its control, so
  // that the control's handlers run as they would for the user.
  void ApplyStoredSettings(const DialogSettings& stored);

  // Makes the thumbnail renderer a child of the page, in its place, hidden until a capture.
  void PlaceThumbControl(ThumbControl* thumb_control);

  // The page's part of each showing of the dialog: the renderer hidden and the next disk name
  // proposed. While a disk is being added, the page keeps showing that addition instead.
  void FormShow();

  // "OK": checks the folder and the name, then adds the disk.
  void Button3Click();
  // "Отмена": closes the dialog when idle; stops a running addition.
  void Button2Click();
  // "Пропустить": ends the current wait.
  void SpeedButton5Click();
  // "Открыть в проводнике": opens the folder of the image captured last.
  void SpeedButton6Click();
  // The folder picker beside the folder field.
  void SpeedButton1Click();
  // Asks a running addition to stop, keeping what it has captured (the main window closing).
  void StopScan();

  const ScanState& Scan() const { return scan_; }

  // The time-out field's text now.
  // ScanView: what the walk and the capture show and read.
  void SetStatusLine(const QString& text) override;
  void SetCounterLine(const QString& text) override;
  void SetProgress(int position) override;
  void SetWaiting(bool waiting) override;
  bool TimeoutActive() override;
  QString TimeoutText() override;
  std::vector<std::string> ExcludedEndings() override;
  void ProcessMessages(bool wait_for_more = false) override;

  // Handlers of the time-out controls, named after their control and event.
  void CheckBox2Click();
  // Whether a key press that types `typed` reaches the time-out field.
  bool Edit4KeyPress(const QString& typed) const;
  void Edit4Change();

 protected:
  // Puts the time-out field's key presses through Edit4KeyPress.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetTimeoutFieldEnabled(bool enabled);
  // Validates the page's input; false (after saying why) when the addition must not start.
  bool InputIsValid();
  void AddDisk();
  void TellSummary(const AddDiskSummary& summary);
  // Puts the status and counter texts set since the last time into their controls.
  void ShowTexts();

  SettingsState& state_;
  UserPrompts& prompts_;
  AddDiskLinks links_;
  std::function<std::vector<std::string>()> excluded_endings_;
  ThumbControl* thumb_control_ = nullptr;
  ScanState scan_;
  // The texts the scan set, shown at a painter's pace: painting both lines for every file of a
  // disk with many small files would take longer than walking it.
  QString status_text_;
  QString counter_text_;
  bool texts_pending_ = false;
  QElapsedTimer texts_shown_;

  QLabel* folder_label_;             // Label1
  QLineEdit* folder_edit_;           // Edit1
  QToolButton* folder_button_;       // SpeedButton1
  QCheckBox* subfolders_box_;        // CheckBox1
  QLabel* disk_name_label_;          // Label5
  QLineEdit* disk_name_edit_;        // Edit2
  QProgressBar* progress_bar_;       // ProgressBar1
  QCheckBox* timeout_box_;           // CheckBox2
  QLineEdit* timeout_edit_;          // Edit4
  QLabel* timeout_unit_label_;       // Label3
  QLineEdit* status_line_;           // Edit5
  QLabel* counter_line_;             // Label2
  QToolButton* skip_button_;         // SpeedButton5
  QToolButton* show_folder_button_;  // SpeedButton6
  QPushButton* start_button_;        // Button3
  QPushButton* cancel_button_;       // Button2
};

}  // namespace quorvel

#endif  // QUORVEL_ADDDISK_ADD_DISK_PAGE_H_
