// The program's main window: the disk list on the left, the thumbnail view on the right, a
// one-panel status bar below, the main menu and the two context menus. It shows the document
// and refreshes from the document's notice of each change; the commands are the feature
// handlers' (catalogue file, disks, thumbnails, search, look-alikes, adding a disk), whose actions
// it lays into its menus. A folder dropped on it is offered for adding as a disk, a catalogue
// dropped on it is opened (with Ctrl, imported).
#ifndef QUORVEL_MAINWINDOW_MAIN_WINDOW_H_
#define QUORVEL_MAINWINDOW_MAIN_WINDOW_H_

#include <QList>
#include <QMainWindow>
#include <QString>
#include <filesystem>
#include <functional>
#include <vector>

#include "catalog/catalog_document.h"
#include "mainwindow/dropped_item.h"
#include "platform/user_prompts.h"
#include "platform/window_placement.h"
#include "settings/catalog_opening.h"

class QAbstractItemView;
class QCloseEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QEvent;
class QFileDialog;
class QItemSelection;
class QLabel;
class QListView;
class QMenu;
class QModelIndex;
class QPoint;
class QShowEvent;
class QSplitter;
class QTreeView;

namespace quorvel {

class AddDiskActions;
class CatalogFileActions;
class CommandStateSignal;
class DiskActions;
class FactsActions;
class LookalikeActions;
class RecentCatalogsMenu;
class DiskListModel;
class DiskListProxy;
class DiskRecognition;
class SearchActions;
class ThumbnailActions;
class ThumbnailModel;
struct CommandContext;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The window shows `document`, puts its questions through `prompts`, keeps the stored
  // catalogue name in `settings_file` and reads `opening` when it writes that name at exit.
  // All but the file name must outlive the window.
  MainWindow(CatalogDocument& document, UserPrompts& prompts, std::filesystem::path settings_file,
             const CatalogOpening& opening, QWidget* parent = nullptr);
  // Writes the catalogue name the next start opens, and the catalogues opened last, into the
  // settings file.
  ~MainWindow() override;

  // The start-up sequence: the stored catalogue name, replaced by `catalogue_argument` (the
  // first command-line argument) when that is not empty; a name of a missing file opens
  // nothing and says nothing. Loads it, then selects the first row.
  void OpenStartupCatalog(const QString& catalogue_argument);

  // The links start-up connects: "Добавить диск" and "Параметры" show the options dialog on a
  // page through `show_page` (a folder dropped on the window: the add-disk page with it); while a
  // disk is being added in place the catalogue's commands are unavailable and closing first calls
  // `stop_scan`; after a disk was added (the document has refreshed the lists already) its row, the
  // last, is selected.
  void SetShowOptions(std::function<void(int page, const QString& folder)> show_page);
  void SetScanRunning(bool running, std::function<void()> stop_scan = {});
  void ShowAddedDisk();
  // "Обновить диск" shows the options dialog's add-disk page for disk `disk` through
  // `show_update`, with `folder` (when not empty) as the folder to read; after the update (the
  // lists refreshed already) the disk's row is selected by ShowUpdatedDisk.
  void SetShowUpdate(std::function<void(int disk, const QString& folder)> show_update);
  void ShowUpdatedDisk(int disk);
  // The dialog that picks a catalogue to open, shared with the settings page.
  QFileDialog* OpenCatalogDialog() const;

  // SelectedDisk: the index in Disks of the last selected row's disk, kept while rows are
  // unselected.
  int SelectedDisk() const { return selected_disk_; }

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  CommandContext MakeCommandContext();
  void CreateMenus();
  void ConnectLists();
  // The document's notice: after a change of the content (or a reload, an undo, a close) the
  // index, the disk list (sorted by name, given the focus, nothing selected) and a search shown
  // are rebuilt; after a save or a new file only the caption names the file.
  void DocumentChanged(DocumentChange change);
  void ShowCaption();
  // The sort of a header click: sorts the disk list by `column` in the direction kept for the
  // next sort, then reverses that direction.
  void SortByColumn(int column);
  // Selects the row at display position `row` alone, as a click on it would; during a search
  // the choice is kept for its end instead. SelectDiskRow: the row of disk `disk`.
  void SelectRow(int row);
  void SelectDiskRow(int disk);
  // The disks (indexes into Disks) of the selected rows, top to bottom.
  std::vector<int> SelectedDisksInOrder() const;
  // Every disk, the search's filter lifted, sorted by name ascending; in that order.
  std::vector<int> AllDisksByName();
  // The name of disk `disk` (an index into Disks), as the list shows it.
  QString DiskName(int disk) const;
  QList<int> SelectedThumbnailRows() const;
  // Shows or empties the thumbnails of disk `disk` for a row whose selection changed.
  void ShowDiskOfRow(int disk, bool selected);
  // Empties the thumbnail view and the status text that names its disk.
  void ShowNoDisk();
  // The status bar's text about what the thumbnail view shows.
  void ShowStatus(const QString& text);
  // The status bar names the view's current thumbnail, with its facts, while there is one.
  void ShowCurrentThumbnail(const QModelIndex& current);
  void DiskSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  void ReportUnshownThumbnail(const QString& unread);
  void ShowContextMenu(QAbstractItemView* list, const QPoint& pos);
  void WhenShown(std::function<void()> show);
  void ShowPendingPrompts();
  // The disk list at its width, the thumbnails the rest, once the window has its size.
  void SplitAtDiskListWidth();
  // The size, place, split and disk list's columns the window had when it was last closed, kept
  // in the settings file; a first start keeps the window's first placement.
  void RestoreLayout();
  void SaveLayout() const;
  // Accepts `event` as a copy when it brings what a drop may bring now; what it brings, or
  // nothing after ignoring it.
  DroppedItem AcceptDrop(QDropEvent* event);
  // The search field's part of its events: a drag of files or folders is the window's, as
  // anywhere else on it, and text is the field's own. True when the window took `event`.
  bool TakeFieldDrop(QEvent* event);

  CatalogDocument& document_;
  UserPrompts& prompts_;
  int document_listener_;

  QTreeView* disk_list_;
  DiskListModel* disk_model_;  // its rows in file order
  DiskListProxy* disk_proxy_;  // what it shows: those rows sorted (and filtered)
  QSplitter* splitter_;
  QListView* thumbnail_view_;
  ThumbnailModel* thumbnail_model_;  // its items: a disk's thumbnails or the search results
  QLabel* status_panel_;             // the status bar's one panel
  int disk_list_width_;              // the disk list's width: 281, or more for a wide font
  QMenu* disk_menu_;                 // the disk list's context menu
  QMenu* thumbnail_menu_;            // the thumbnail view's context menu

  // The feature handlers, made one after another; the context's functions ask for the scan's
  // and the search's state before those exist.
  CommandStateSignal* state_changed_ = nullptr;
  AddDiskActions* add_disk_ = nullptr;
  CatalogFileActions* catalog_file_ = nullptr;
  DiskActions* disks_ = nullptr;
  ThumbnailActions* thumbnails_ = nullptr;
  SearchActions* search_ = nullptr;
  FactsActions* facts_ = nullptr;
  LookalikeActions* lookalikes_ = nullptr;
  RecentCatalogsMenu* recent_ = nullptr;
  DiskRecognition* recognition_ = nullptr;

  QString status_text_;             // the panel's text for what is shown, when no item is current
  bool undecodable_shown_ = false;  // the status already says some thumbnails do not read
  std::vector<std::function<void()>> pending_prompts_;  // given before the window was shown

  int selected_disk_ = 0;        // SelectedDisk
  bool sort_ascending_ = false;  // the direction of the next sort
  WindowPlacement placement_;
  const std::filesystem::path settings_file_;
  bool geometry_restored_ = false;  // the first placement is not wanted
  bool splitter_restored_ = false;  // nor the first split
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_MAIN_WINDOW_H_
