// The disks' commands of the disk list's context menu: "Удалить диск" (Delete) and
// "Переименовать диск" (F2).
#ifndef QUORVEL_MAINWINDOW_DISK_ACTIONS_H_
#define QUORVEL_MAINWINDOW_DISK_ACTIONS_H_

#include <QList>
#include <QObject>

#include "mainwindow/command_context.h"

class QAction;

namespace quorvel {

class DiskActions : public QObject {
  Q_OBJECT

 public:
  explicit DiskActions(const CommandContext& context, QObject* parent = nullptr);

  // The actions of the disk list's context menu, in menu order; the menu opens only while the
  // first is enabled, and each key shown beside one triggers it in the list.
  QList<QAction*> MenuActions() const { return {remove_, rename_}; }

 private:
  void UpdateActions();
  void RemoveDisks();
  void RenameDisk();

  CommandContext context_;
  QAction* remove_;
  QAction* rename_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_DISK_ACTIONS_H_
