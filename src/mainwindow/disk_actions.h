// The disks' commands of the disk list's context menu: "Удалить диск" (Delete),
// "Переименовать диск" (F2) and "Обновить диск" (read again from its folder what changed).
#ifndef QUORVEL_MAINWINDOW_DISK_ACTIONS_H_
#define QUORVEL_MAINWINDOW_DISK_ACTIONS_H_

#include <QList>
#include <QObject>

#include "mainwindow/command_context.h"

class QAction;

namespace quorvel {

class AddDiskActions;

class DiskActions : public QObject {
  Q_OBJECT

 public:
  // `additions` shows the add-disk page for an update; it must outlive this.
  DiskActions(const CommandContext& context, AddDiskActions& additions, QObject* parent = nullptr);

  // The actions of the disk list's context menu, in menu order; the menu opens only while the
  // first is enabled, and each key shown beside one triggers it in the list.
  QList<QAction*> MenuActions() const { return {remove_, rename_, update_}; }

 private:
  void UpdateActions();
  void RemoveDisks();
  void RenameDisk();
  void UpdateDisk();

  CommandContext context_;
  AddDiskActions& additions_;
  QAction* remove_;
  QAction* rename_;
  QAction* update_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_DISK_ACTIONS_H_
