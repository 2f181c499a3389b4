// TForm1, the program's main window: the disk list on the left, the thumbnail view on the
// right, a one-panel status bar below, the main menu and the two context menus.
#ifndef QUORVEL_MAINWINDOW_MAIN_WINDOW_H_
#define QUORVEL_MAINWINDOW_MAIN_WINDOW_H_

#include <QMainWindow>
#include <QSize>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "catalog/catalog_document.h"
#include "catalog/catalog_index.h"
#include "catalog/catalog_search.h"
#include "platform/user_prompts.h"
#include "platform/window_placement.h"
#include "settings/catalog_opening.h"

class QAction;
class QCloseEvent;
class QPoint;
class QEvent;
class QFileDialog;
class QItemSelection;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QModelIndex;
class QShowEvent;
class QSplitter;
class QTreeView;

namespace quorvel {

class DiskListModel;
class DiskListProxy;
class ThumbnailModel;

// The menu items, under the names the commands are known by.
struct MainMenuItems {
  QMenu* Fileeee = nullptr;  // "Файл"
  QAction* New = nullptr;
  QAction* Open = nullptr;
  QAction* Save = nullptr;
  QAction* SaveAs = nullptr;
  QAction* Import = nullptr;
  QAction* Export1 = nullptr;
  QMenu* N1 = nullptr;  // "Правка"
  QAction* Undo = nullptr;
  QMenu* N3 = nullptr;  // "Действия"
  QAction* Add = nullptr;
  QAction* Settings = nullptr;
  QMenu* PopupMenu1 = nullptr;  // the disk list's context menu
  QAction* RemoveDisk = nullptr;
  QAction* RenameDisk = nullptr;
  QMenu* PopupMenu2 = nullptr;    // the thumbnail view's context menu
  QAction* ShowOnDisk = nullptr;  // only over search results
  QAction* RemoveThumb = nullptr;
  QAction* S2P = nullptr;
  QAction* OpenOriginal = nullptr;  // "Открыть файл"
  QAction* ShowInFolder = nullptr;  // "Показать в папке"
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The window shows `document`, puts its questions through `prompts`, keeps the stored
  // catalogue name in `settings_file` and reads `opening` when it writes that name at exit.
  // All but the file name must outlive the window.
  MainWindow(CatalogDocument& document, UserPrompts& prompts, std::filesystem::path settings_file,
             const CatalogOpening& opening, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The start-up sequence: the stored catalogue name, replaced by `catalogue_argument` (the
  // first command-line argument) when that is not empty; a name of a missing file opens
  // nothing and says nothing. Loads it, then selects the first row.
  void FormCreate(const QString& catalogue_argument);

  // Writes the catalogue name the next start opens into the settings file. Runs when the
  // window is destroyed.
  void FormDestroy();

  // The refresh every change of the catalogue ends with: rebuilds the index (reading the file
  // first when `load_from_file` is set), the disk list and the caption, sorts the list by name
  // and gives it the focus. Selects nothing. Damage found in the catalogue, or a file that
  // cannot be opened as one, is reported through the prompts once (while the window is still
  // hidden, as soon as it is shown).
  void ReloadCatalog(bool load_from_file);

  // The sort entry point: sorts the disk list by `column` in the direction SortAscending
  // gives, then reverses that direction for the next call.
  void ListView1ColumnClick(int column);

  // Selects the row at display position `row` alone, as a click on it would. While a search is
  // shown, the commands' choice is kept instead: that row of the whole list is selected when the
  // search ends.
  void SelectRow(int row);

  // The document commands of the "Файл" and "Правка" menus.
  void NewClick();
  void OpenClick();
  // Writes the catalogue to its file; false (after showing why) when that failed.
  bool SaveClick();
  void SaveAsClick();
  void UndoClick();
  void ImportClick();
  void Export1Click();
  // Enables the commands for the state now (UpdateCommands).
  void FileeeeClick();

  // Show the dialog "Параметры" on its add-disk page (0) or its settings page (1), through
  // what start-up connected with SetShowOptions.
  void AddClick();
  void SettingsClick();
  void SetShowOptions(std::function<void(int page)> show_page);
  QFileDialog* OpenDialog1() const { return open_dialog_; }

  // While a disk is being added in place, every command that reads or changes the catalogue
  // is unavailable, and closing the window first calls `stop_scan`, then closes once the
  // addition has ended (SetScanRunning(false)).
  void SetScanRunning(bool running, std::function<void()> stop_scan = {});
  bool ScanRunning() const { return scan_running_; }
  // After a disk was added: the refresh, with the last row selected.
  void ShowAddedDisk();

  // The edits, from the context menus and the Delete key.
  void RemoveDiskClick();
  void RenameDiskClick();
  void RemoveThumbClick();
  // Writes the selected thumbnails' JPEG data to a folder the user picks.
  void S2PClick();
  // Open the selected thumbnail's original picture, or its folder, with the desktop's program
  // for it; when the picture is not here, the status bar asks for its disk instead.
  void OpenOriginalClick();
  void ShowInFolderClick();
  // The lists' context menus, for a request at `pos` in the list's viewport.
  void ListView1ContextPopup(const QPoint& pos);
  void ListView2ContextPopup(const QPoint& pos);

  // The search over every disk, as typed into the search field. While a query is shown, the
  // disk list shows only the disks with matches and the thumbnail view their matches.
  bool Searching() const { return !query_.Empty(); }
  // Leaves the search for the result at `row` of the thumbnail view: its disk's row selected,
  // the thumbnail selected, scrolled into view and given the focus.
  void ShowOnDiskClick(int row);

  int SelectedDisk() const { return selected_disk_; }
  // The image names of the thumbnail view's items, in order.
  QStringList SelectedDiskImages() const;
  int SortColumn() const { return sort_column_; }
  bool SortAscending() const { return sort_ascending_; }
  const MainMenuItems& Menus() const { return menus_; }

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreateMenus();
  void ConnectCommands();
  // Each command's action is enabled, with its text, for the state now: the catalogue open and
  // modified, a scan running, what each list has selected, the dialog connected. Runs whenever
  // any of these changes, so that menus and keys agree; a disabled action does nothing.
  void UpdateCommands();
  // A double click on a thumbnail: opens its original; on a search result, goes to it.
  void ListView2DblClick(const QModelIndex& index);
  // The thumbnail shown at `row` of the thumbnail view.
  ThumbRef ItemOfRow(int row) const;
  // Hands the original of `thumb`, or with `folder` its folder, to the desktop.
  void OpenOriginal(ThumbRef thumb, bool folder);
  // Asks whether to save unsaved changes; false when the command must stop.
  bool SaveChangesQuestion();
  // Runs `command`, showing a refusal or a file error in an error box instead of ending it.
  void Guarded(const std::function<void()>& command);
  // False, after saying why, when the open catalogue must not be changed.
  bool ChangeAllowed();
  // Asks the question offering to save what could be read of the damaged catalogue, and does.
  void OfferRepair(const QString& question);
  // Writes what could be read of the damaged catalogue to a new file the user picks, leaving the
  // damaged file as it is, and opens the new one.
  void SaveReadable();
  void ShowError(const QString& text);
  // Selects the row that shows disk `disk` (an index into Disks), when there is one.
  void SelectDiskRow(int disk);
  // The disks (indexes into Disks) of the selected rows, top to bottom.
  std::vector<int> SelectedDisksInOrder() const;
  // The rows the disk list shows.
  int DiskRowCount() const;
  // The name of disk `disk` (an index into Disks), as the list shows it.
  QString DiskName(int disk) const;
  QList<int> SelectedThumbnailRows() const;
  void CreateFileDialogs();
  // The folder of the open catalogue's file; empty when none is open or the folder is gone.
  QString CatalogFolder() const;
  // Runs `dialog` in the open catalogue's folder (where it was left when none is open); the
  // chosen file, or empty if cancelled.
  QString ChooseCatalogFile(QFileDialog* dialog);
  void BuildDiskRows();
  // Empties the thumbnail view and the status text that names its disk.
  void ShowNoDisk();
  // Shows or empties the thumbnails of disk `disk` (an index into Disks) for a row whose
  // selection changed.
  void ListView1SelectItem(int disk, bool selected);
  void DiskSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  void ReportUndecodableThumbnail();
  void ReportReload(const ReloadOutcome& outcome, const QString& file_name, bool was_damaged);
  void Warn(const QString& text);
  void ShowPendingWarnings();
  // The search (main_window_search.cpp).
  void CreateSearchField(QWidget* central);
  void SearchTextChanged(const QString& text);
  // Builds the search over the catalogue as it is now, unless that is built already. Done when
  // the field takes the focus, so that the first letter typed does not wait for it.
  void PrepareSearch();
  // Runs the query over the current catalogue and shows what it finds, keeping the disks
  // `selected` selected where they still have matches.
  void RunSearch(const std::vector<int>& selected);
  // The matches of the selected disks (none selected: of every shown disk) in the view.
  void ShowSearchResults();
  // Back to the disks as they were before the search, the selection too.
  void EndSearch();
  // Selects the rows of `disks` that are shown, `current` last (as the user's last click).
  void SelectDisks(const std::vector<int>& disks, int current);
  // The disk list at its width, the thumbnails the rest, once the window has its size.
  void SplitAtDiskListWidth();

  CatalogDocument& document_;
  UserPrompts& prompts_;
  const std::filesystem::path settings_file_;
  const CatalogOpening& opening_;

  QTreeView* disk_list_;             // ListView1
  DiskListModel* disk_model_;        // its rows in file order
  DiskListProxy* disk_proxy_;        // what it shows: those rows sorted (and filtered)
  QSplitter* splitter_;              // Splitter1
  QListView* thumbnail_view_;        // ListView2
  ThumbnailModel* thumbnail_model_;  // its items: a disk's thumbnails or the search results
  QLineEdit* search_field_;          // the search over every disk
  QLabel* status_panel_;             // the one panel of StatusBar1
  int disk_list_width_;              // ListView1's width: 281, or more for a wide font
  QFileDialog* open_dialog_;         // OpenDialog1
  QFileDialog* save_dialog_;         // SaveDialog1
  MainMenuItems menus_;
  std::function<void(int page)> show_options_;  // shows TForm3 on a page
  bool scan_running_ = false;                   // a disk is being added
  std::function<void()> stop_scan_;             // asks that addition to stop
  bool close_after_scan_ = false;               // the window was closed during it

  QString status_text_;              // the panel's text for the shown disk
  bool undecodable_shown_ = false;   // the status already says the disk has bad thumbnails
  QStringList pending_warnings_;     // given before the window was first shown
  QString pending_repair_question_;  // the damage warning, asked once the window is shown

  SearchQuery query_;                              // the query shown; empty: no search
  std::unique_ptr<CatalogSearch> catalog_search_;  // built on first need after each change
  std::vector<ThumbRef> matches_;                  // every match of query_, in file order
  bool updating_results_ = false;                  // selection changes the search makes itself
  // The disk selection to put back when the search ends, and the disk shown then (-1: none);
  // or, when a command selected a row of the list meanwhile, that row (-1: none).
  std::vector<int> disks_before_search_;
  int disk_before_search_ = -1;
  int row_after_search_ = -1;

  int selected_disk_ = 0;        // SelectedDisk: index in Disks of the last selected row's disk
  int sort_column_ = 0;          // SortColumn: the column the list was last sorted by
  bool sort_ascending_ = false;  // SortAscending: the direction of the next sort
  WindowPlacement placement_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_MAIN_WINDOW_H_
