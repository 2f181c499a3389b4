// TForm1, the program's main window: the disk list on the left, the thumbnail view on the
// right, a one-panel status bar below.
#ifndef QUORVEL_MAINWINDOW_MAIN_WINDOW_H_
#define QUORVEL_MAINWINDOW_MAIN_WINDOW_H_

#include <QMainWindow>
#include <QSize>
#include <QString>
#include <QStringList>

#include "catalog/catalog_document.h"
#include "platform/user_prompts.h"

class QLabel;
class QListView;
class QEvent;
class QShowEvent;
class QSplitter;
class QTreeWidget;

namespace quorvel {

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The window shows `document` and puts its questions through `prompts`; both must outlive it.
  MainWindow(CatalogDocument& document, UserPrompts& prompts, QWidget* parent = nullptr);

  // The start-up sequence: `catalogue_argument` (the first command-line argument, or empty)
  // names the catalogue; a name of a missing file opens nothing and says nothing. Loads it,
  // then selects the first row, the disk whose name sorts first.
  void FormCreate(const QString& catalogue_argument);

  // The refresh every change of the catalogue ends with: rebuilds the index (reading the file
  // first when `load_from_file` is set), the disk list and the caption, sorts the list by name
  // and gives it the focus. Selects nothing. Damage found in the catalogue, or a file that
  // cannot be opened as one, is reported through the prompts once (while the window is still
  // hidden, as soon as it is shown).
  void ReloadCatalog(bool load_from_file);

  // The sort entry point: sorts the disk list by `column` in the direction SortAscending
  // gives, then reverses that direction for the next call.
  void ListView1ColumnClick(int column);

  // Selects the row at display position `row` alone, as a click on it would.
  void SelectRow(int row);

  int SortColumn() const { return sort_column_; }
  bool SortAscending() const { return sort_ascending_; }

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildDiskRows();
  void ReportReload(const ReloadOutcome& outcome, const QString& file_name, bool was_damaged);
  void Warn(const QString& text);
  void ShowPendingWarnings();
  // The frame's share of the outer size as far as the platform knows it yet; (0, 0) when not.
  QSize KnownFrame() const;
  // Gives the window its outer size and centres it on its screen.
  void PlaceOnScreen();

  CatalogDocument& document_;
  UserPrompts& prompts_;

  QTreeWidget* disk_list_;     // ListView1
  QSplitter* splitter_;        // Splitter1
  QListView* thumbnail_view_;  // ListView2
  QLabel* status_panel_;       // the one panel of StatusBar1

  QStringList pending_warnings_;  // given before the window was first shown

  int sort_column_ = 0;          // SortColumn: the column the list was last sorted by
  bool sort_ascending_ = false;  // SortAscending: the direction of the next sort
  bool placed_ = false;          // the first show has sized and centred the window
  bool frame_counted_ = false;   // that sizing knew the frame's size
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_MAIN_WINDOW_H_
