// The "Добавить диск" page of the dialog TForm3: the folder and the name of the disk to add,
// the thumbnail renderer's place, the progress of a scan, its time-out and the buttons that
// start, skip and stop it.
#ifndef QUORVEL_ADDDISK_ADD_DISK_PAGE_H_
#define QUORVEL_ADDDISK_ADD_DISK_PAGE_H_

#include <QWidget>

#include "settings/settings_state.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace quorvel {

class AddDiskPage : public QWidget {
  Q_OBJECT

 public:
  // The folder, the sub-folders box, the time-out box and the time-out field keep `state`
  // current with every change. `state` must outlive the page.
  explicit AddDiskPage(SettingsState& state, QWidget* parent = nullptr);

  // The dialog's creation, this page's part: each stored value goes through its control, so
  // that the control's handlers run as they would for the user.
  void ApplyStoredSettings(const DialogSettings& stored);

  // Makes the thumbnail renderer a child of the page, in its place, hidden until a capture.
  void PlaceThumbControl(QWidget* thumb_control);

  // The time-out field's text now.
  QString TimeoutText() const;

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

  SettingsState& state_;

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
