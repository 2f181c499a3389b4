// The "Действия" menu: "Добавить диск" and "Параметры" show the options dialog on its add-disk
// page or its settings page, through what start-up connects, and an update of a disk shows that
// page for the disk; and the state of an addition in place, which locks the catalogue's commands
// and holds the window's closing until it ends.
#ifndef QUORVEL_MAINWINDOW_ADD_DISK_ACTIONS_H_
#define QUORVEL_MAINWINDOW_ADD_DISK_ACTIONS_H_

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

#include "mainwindow/command_context.h"

class QAction;

namespace quorvel {

class AddDiskActions : public QObject {
  Q_OBJECT

 public:
  explicit AddDiskActions(const CommandContext& context, QObject* parent = nullptr);

  // The actions of the "Действия" menu, in menu order.
  QList<QAction*> MenuActions() const { return {add_, settings_}; }

  // Shows the options dialog on page 0 (add a disk) or 1 (settings), with a folder to add when
  // one is given; until it is set, both commands are unavailable.
  void SetShowOptions(std::function<void(int page, const QString& folder)> show_page);

  // "Добавить диск" with `folder` as the folder to add (a folder dropped on the window); nothing
  // while the command is unavailable, which CanAddDisk tells.
  bool CanAddDisk() const;
  void AddDiskFrom(const QString& folder);

  // Shows the add-disk page in its update mode for disk `disk`, its folder field set to
  // `folder` unless that is empty; until it is set, no disk can be updated.
  void SetShowUpdate(std::function<void(int disk, const QString& folder)> show_update);
  bool CanUpdateDisk() const { return show_update_ != nullptr && !scan_running_; }
  // Shows the page for updating disk `disk`, the folder proposed: where the disk was recognised,
  // else the folder its stored paths share when that is on this machine, else the field as it
  // is.
  void UpdateDisk(int disk);

  // While a disk is being added in place, every command that reads or changes the catalogue is
  // unavailable, and closing the window first calls `stop_scan`, then closes once the addition
  // has ended (SetScanRunning(false)).
  void SetScanRunning(bool running, std::function<void()> stop_scan = {});
  bool ScanRunning() const { return scan_running_; }

  // Asked when the window is to close: true, after asking the addition to stop, when the
  // window must stay until that addition has ended.
  bool HoldClose();

 signals:
  void ScanRunningChanged();

 private:
  void UpdateActions();

  CommandContext context_;
  QAction* add_;
  QAction* settings_;
  // Shows the options dialog on a page.
  std::function<void(int page, const QString& folder)> show_options_;
  std::function<void(int disk, const QString& folder)> show_update_;
  bool scan_running_ = false;        // a disk is being added
  std::function<void()> stop_scan_;  // asks that addition to stop
  bool close_after_scan_ = false;    // the window was closed during it
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_ADD_DISK_ACTIONS_H_
