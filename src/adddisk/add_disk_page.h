// The "Добавить диск" page of the options dialog: the folder and the name of the disk to add,
// the place where each thumbnail appears, the progress of a scan, its time-out and the buttons
// that start, skip and stop it. The scan runs on a thread of its own; the page stays responsive
// and shows what the scan tells it. The same page updates a catalogued disk from a folder: its
// name is then shown and kept.
#ifndef QUORVEL_ADDDISK_ADD_DISK_PAGE_H_
#define QUORVEL_ADDDISK_ADD_DISK_PAGE_H_

#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/user_prompts.h"
#include "scan/add_disk.h"
#include "scan/scan_state.h"
#include "scan/scan_view.h"
#include "scan/update_disk.h"
#include "settings/settings_state.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace quorvel {

class CatalogDocument;
class ThumbnailPipeline;
class ThumbnailPreview;

// What the page needs of the rest of the program, connected by start-up. Any may be left empty.
struct AddDiskLinks {
  // The catalogue disks are added to; without one "OK" does nothing.
  CatalogDocument* document = nullptr;
  // After an addition: the main window's refresh, with its last row selected.
  std::function<void()> disk_added;
  // After an update of disk `disk`: the main window's refresh, with that disk's row selected.
  std::function<void(int disk)> disk_updated;
  // An addition starts (true) or has ended (false): the main window locks its commands, and
  // calls `stop` when it is closed meanwhile.
  std::function<void(bool running, std::function<void()> stop)> scan_running;
  // The shell's "open" of a folder; empty: the desktop's file manager.
  std::function<void(const QString& folder)> open_folder;
};

// The ScanView calls come from the scan's thread: they are handed to the window's thread, the
// texts at a painter's pace. What the scan reads (the time-out box and field, the exclusion
// list) it reads from copies the window's thread keeps current.
class AddDiskPage : public QWidget, public ScanView {
  Q_OBJECT

 public:
  // The folder, the sub-folders box, the time-out box and the time-out field keep `state`
  // current with every change. `state` and `prompts` must outlive the page.
  AddDiskPage(SettingsState& state, UserPrompts& prompts, QWidget* parent = nullptr);
  // Stops a running addition and waits for its thread, which a stuck read does not hold up (the
  // pipeline leaves such reads behind). Nothing is added then.
  ~AddDiskPage() override;

  // `excluded_endings` gives the exclusion list as the settings page shows it now; it is asked
  // on the window's thread only, the scan reading a copy made at each beat of its texts.
  void SetLinks(AddDiskLinks links, std::function<std::vector<std::string>()> excluded_endings);

  // The dialog's creation, this page's part: each stored value goes through its control, so
  // that the control's handlers run as they would for the user.
  void ApplyStoredSettings(const DialogSettings& stored);

  // The pipeline additions render with; without one "OK" does nothing.
  void SetPipeline(std::unique_ptr<ThumbnailPipeline> pipeline);

  // The page's part of each showing of the dialog: the thumbnail hidden and the next disk name
  // proposed. While a disk is being added, the page keeps showing that addition instead.
  void PrepareForShowing();

  // What "OK" does next: add a new disk (nullopt), or update disk `disk` of the catalogue (an
  // index into Disks), whose name the name field then shows and keeps. Not while a scan runs.
  void SetUpdatedDisk(std::optional<int> disk);
  bool Updating() const { return update_disk_.has_value(); }

  // "OK": checks the folder and the name, then starts adding (or updating) the disk; returns at
  // once.
  void StartAddition();
  // "Отмена": closes the dialog when idle; stops a running addition.
  void CancelOrClose();
  // "Пропустить": ends the current wait.
  void Skip();
  // "Открыть в проводнике": opens the folder of the image captured last.
  void OpenCapturedFolder();
  // The folder picker beside the folder field.
  void ChooseFolder();
  // Puts `folder` into the folder field, as the picker does; not while an addition runs.
  void SetFolder(const QString& folder);
  // Asks a running addition to stop, keeping what it has captured (the main window closing).
  void StopScan();

  // From "OK" until the addition (or the update) has ended and its disk is in the catalogue (or
  // it failed).
  bool AdditionRunning() const { return worker_.joinable(); }
  const ScanState& Scan() const { return scan_; }

  // ScanView: what the walk and the capture show and read; any thread.
  void SetStatusLine(const QString& text) override;
  void SetCounterLine(const QString& text) override;
  void SetProgress(int position) override;
  void SetWaiting(bool waiting) override;
  void ShowThumbnail(const QImage& thumbnail, const QString& path) override;
  bool TimeoutActive() override;
  QString TimeoutText() override;
  std::vector<std::string> ExcludedEndings() override;

  // Handlers of the time-out controls.
  void TimeoutBoxToggled();
  // Whether a key press that types `typed` reaches the time-out field.
  bool TimeoutKeyAccepted(const QString& typed) const;
  void TimeoutTextChanged();

 signals:
  // An addition has ended, its disk appended or not, and the user told.
  void AdditionEnded();

 protected:
  // Puts the time-out field's key presses through TimeoutKeyAccepted.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetTimeoutFieldEnabled(bool enabled);
  // Validates the page's input; false (after saying why) when the addition must not start.
  bool InputIsValid();
  // The disk to update, found again by its name when the catalogue has changed since the page
  // was shown for it; false, after saying so, when it is gone.
  bool UpdatedDiskFound();
  // The name field for the mode: the updated disk's name, read-only, or the next name proposed.
  void ShowDiskName();
  // What an addition and an update set before their thread starts.
  void BeginScan();
  void StartUpdate();
  // On the window's thread, once the scan's thread has ended: appends `disk` (null when the
  // scan failed) and tells the user.
  void FinishAddition(std::shared_ptr<ScannedDisk> disk);
  // The same for an update of disk `disk`: replaces it unless the update was cancelled.
  void FinishUpdate(int disk, std::shared_ptr<UpdatedDisk> updated);
  // The end of either, once the catalogue has what it will get.
  void ScanEnded();
  // A notice over the main window, as a warning when `warning`; nothing for no lines.
  void TellSummary(const QStringList& lines, bool warning);
  // On the window's thread: the texts set since the last time, when a painter's beat has
  // passed since then; otherwise they wait for the beat.
  void TextsArrived();
  // Puts the status and counter texts set since the last time into their controls.
  void ShowTexts();
  // The copy of the exclusion list that the scan reads.
  void CopyExcludedEndings();
  // The copies of the time-out box and field that the scan reads; wakes a wait running.
  void CopyTimeout();

  SettingsState& state_;
  UserPrompts& prompts_;
  AddDiskLinks links_;
  std::function<std::vector<std::string>()> excluded_endings_;
  std::unique_ptr<ThumbnailPipeline> pipeline_;
  ScanState scan_;
  std::optional<int> update_disk_;  // SetUpdatedDisk
  std::string update_name_;         // and that disk's name (1251), to find it again

  // What the scan reads, kept by the window's thread.
  std::mutex read_mutex_;
  bool timeout_active_ = false;
  QString timeout_text_;
  std::vector<std::string> excluded_copy_;

  // The texts the scan set, shown at a painter's pace: painting both lines for every file of a
  // disk with many small files would take longer than walking it.
  std::mutex texts_mutex_;
  QString status_text_;
  QString counter_text_;
  bool texts_pending_ = false;
  std::atomic<bool> texts_posted_ = false;  // a TextsArrived is on its way
  QElapsedTimer texts_shown_;
  QTimer texts_timer_;

  QLabel* folder_label_;
  QLineEdit* folder_edit_;
  QToolButton* folder_button_;
  QCheckBox* subfolders_box_;
  QLabel* disk_name_label_;
  QLineEdit* disk_name_edit_;
  ThumbnailPreview* thumbnail_preview_;
  QProgressBar* progress_bar_;
  QCheckBox* timeout_box_;
  QLineEdit* timeout_edit_;
  QLabel* timeout_unit_label_;
  QLineEdit* status_line_;
  QLabel* counter_line_;
  QToolButton* skip_button_;
  QToolButton* show_folder_button_;
  QPushButton* start_button_;
  QPushButton* cancel_button_;

  // The scan's thread, from "OK" until FinishAddition; last, so that it is gone before the rest.
  std::thread worker_;
};

}  // namespace quorvel

#endif  // QUORVEL_ADDDISK_ADD_DISK_PAGE_H_
