// What the main window's feature handlers need of the window they serve: the document, the
// prompts, the lists' selections and a few of the window's own moves, handed over once as
// references and functions, so that a handler never reaches into the window.
#ifndef QUORVEL_MAINWINDOW_COMMAND_CONTEXT_H_
#define QUORVEL_MAINWINDOW_COMMAND_CONTEXT_H_

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "catalog/catalog_document.h"
#include "catalog/catalog_index.h"
#include "platform/disk_location.h"
#include "platform/user_prompts.h"

class QAction;
class QWidget;

namespace quorvel {

class ThumbnailModel;

// Tells the handlers that what their actions' enabling reads has changed beyond the document
// (which tells them itself): a list's selection or what it shows, a scan starting or ending, the
// options dialog being connected.
class CommandStateSignal : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 signals:
  void Changed();
};

struct CommandContext {
  CatalogDocument& document;
  UserPrompts& prompts;
  QWidget* window;                        // the parent of every prompt and dialog
  const ThumbnailModel& thumbnail_model;  // the thumbnail view's items
  CommandStateSignal* state_changed;

  // A disk is being added: nothing reads or changes the catalogue meanwhile.
  std::function<bool()> scan_running;
  // The disks (indexes into Disks) of the selected rows, top to bottom.
  std::function<std::vector<int>()> selected_disks;
  // SelectedDisk: the disk of the row selected last, kept while rows are unselected.
  std::function<int()> selected_disk;
  // The name of disk `disk`, as the list shows it.
  std::function<QString(int disk)> disk_name;
  // Where disk `disk` is mounted now, when it was recognised there; nullopt otherwise.
  std::function<std::optional<DiskLocation>(int disk)> disk_location;
  // The rows the disk list shows.
  std::function<int()> disk_rows;
  // Selects the row at display position `row` alone / the row of disk `disk`, as a click would;
  // during a search the choice is kept for its end instead.
  std::function<void(int row)> select_row;
  std::function<void(int disk)> select_disk;
  // Lifts the search's filter from the disk list and sorts it by name, ascending; returns the
  // disks in that order.
  std::function<std::vector<int>()> all_disks_by_name;
  // A search's results are shown instead of a disk's thumbnails.
  std::function<bool()> searching;
  // The thumbnail view's selected rows, top to bottom.
  std::function<QList<int>()> selected_thumbnail_rows;
  // The thumbnail view's current row (the item the keys move), or -1; its moves are told by
  // `state_changed`.
  std::function<int()> current_thumbnail_row;
  // A one-off message in the status bar; the text about what is shown comes back with the next
  // disk or search shown.
  std::function<void(const QString& text)> note;
  // Runs `show` at once while the window is visible, else once it has been shown, so that no
  // box opens alone on the screen, far from the window it is about.
  std::function<void(std::function<void()> show)> when_shown;
};

// Runs `command`, showing a refusal or a file error in an error box instead of ending it.
void RunGuarded(const CommandContext& context, const std::function<void()>& command);
void ShowError(const CommandContext& context, const QString& text);
// False, after saying why, when the open catalogue must not be changed.
bool ChangeAllowed(const CommandContext& context);

// A disabled menu item named `name` (the name tests and screen readers know it by), owned by
// `owner`.
QAction* MakeCommand(QObject* owner, const char* name, const QString& text);

// Calls `update` whenever the document or the command state changes, for as long as `owner`
// lives.
void FollowState(const CommandContext& context, QObject* owner, std::function<void()> update);

// The hourglass for as long as it lives.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_COMMAND_CONTEXT_H_
