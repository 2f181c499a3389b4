// The search over every disk: the field above the lists (Ctrl+F), the disk list narrowed to the
// disks with matches, their matches in the thumbnail view, and "Показать на диске", the way
// back to a result's disk. Thumbnails another command found (look-alikes, copies) are shown
// the same way, in their own order.
#ifndef QUORVEL_MAINWINDOW_SEARCH_ACTIONS_H_
#define QUORVEL_MAINWINDOW_SEARCH_ACTIONS_H_

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "catalog/catalog_index.h"
#include "catalog/catalog_search.h"
#include "mainwindow/command_context.h"

class QAction;
class QLineEdit;
class QListView;
class QTreeView;

namespace quorvel {

class DiskListProxy;
class ThumbnailModel;

// Thumbnails found by another command, shown as results in the order found.
struct FoundThumbs {
  // What the empty field says while they are shown, so that the user knows what the results are.
  QString label;
  // The status bar's text, with %1 the thumbnails shown and %2 their disks.
  QString counted;
  // Finds them over the catalogue as it is now: when shown, and again after each change.
  std::function<std::vector<ThumbRef>()> find;
};

// The window's lists the search shows its results in.
struct SearchViews {
  QTreeView* disk_list;
  DiskListProxy* disk_proxy;
  QListView* thumbnail_view;
  ThumbnailModel* thumbnail_model;
  // Sets the status bar's text about what the thumbnail view shows.
  std::function<void(const QString& text)> show_status;
  // Empties the thumbnail view and that text.
  std::function<void()> show_no_disk;
};

class SearchActions : public QObject {
  Q_OBJECT

 public:
  SearchActions(const CommandContext& context, const SearchViews& views, QObject* parent = nullptr);

  // The field, for the window to place; the action that goes to a result, which joins the
  // thumbnail menu only over results.
  QLineEdit* Field() const { return field_; }
  QAction* ShowOnDiskAction() const { return show_on_disk_; }

  // A query (or a found list) is shown: the disk list shows only the disks with matches and the
  // thumbnail view their matches.
  bool Searching() const { return !query_.Empty() || found_.has_value(); }

  // Shows `found` instead of a query's matches (the field is emptied and says its label); typing
  // a query, Escape or the way back to a disk end it as they end a search.
  void ShowFound(FoundThumbs found);

  // A command's choice of a row (or of disk `disk`) made while a search is shown: the results
  // stay, and that row of the whole list is the one selected when the search ends.
  void KeepRowForEnd(int row);
  void KeepDiskForEnd(int disk);

  // The disk selection changed while searching: shows the matches of the selected disks.
  void DiskSelectionChanged();
  // Shows the matches of the selected disks (none selected: of every shown disk), in the
  // disks' order.
  void ShowResults();
  // After the catalogue changed and the disk list was rebuilt: the query shown stays, over the
  // catalogue as it is now, keeping the disks `selected` selected where they still have matches.
  void CatalogueChanged(const std::vector<int>& selected);

  // Leaves the search for the result at `row` of the thumbnail view: its disk's row selected,
  // the thumbnail selected, scrolled into view and given the focus.
  void GoToResult(int row);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TextChanged(const QString& text);
  // Remembers the disk view as a search begins, to put it back when it ends.
  void Begin();
  // Ends whatever is shown, a query or a found list.
  void Stop();
  // Down or Enter in the field: the first result current, selected and focused; false when there
  // is none.
  bool GoToFirstResult();
  // Builds the search over the catalogue as it is now, unless that is built already. Done when
  // the field takes the focus, so that the first letter typed does not wait for it.
  void Prepare();
  // Runs the query over the current catalogue and shows what it finds, keeping the disks
  // `selected` selected where they still have matches.
  void Run(const std::vector<int>& selected);
  // Back to the disks as they were before the search, the selection too, and the thumbnail
  // view as it was scrolled.
  void End();
  // What the thumbnail view showed of a disk as the search began, and putting that back once
  // the disk is shown again.
  void RememberDiskView();
  void RestoreDiskView();
  // The thumbnail view shows disk `disk`'s own thumbnails.
  bool ShowsDisk(int disk) const;
  // Selects the rows of `disks` that are shown, `current` last (as the user's last click).
  void SelectDisks(const std::vector<int>& disks, int current);

  CommandContext context_;
  SearchViews views_;
  QLineEdit* field_;
  QAction* show_on_disk_;

  SearchQuery query_;                              // the query shown; empty: no search
  std::optional<FoundThumbs> found_;               // the found list shown instead of a query
  bool clearing_field_ = false;                    // the field emptied for a found list
  std::unique_ptr<CatalogSearch> catalog_search_;  // built on first need after each change
  // Every match of query_, in file order; or the found list, in its order.
  std::vector<ThumbRef> matches_;
  bool updating_results_ = false;  // selection changes the search makes itself
  // The disk selection to put back when the search ends, and the disk shown then (-1: none);
  // or, when a command selected a row of the list meanwhile, that row (-1: none).
  std::vector<int> disks_before_search_;
  int disk_before_search_ = -1;
  int row_after_search_ = -1;
  // The disk the thumbnail view showed as the search began (-1: none, or the catalogue has
  // changed since), how far it was scrolled, its current thumbnail (its place on that disk,
  // -1: none) and whether that one was selected.
  int shown_disk_before_search_ = -1;
  int scroll_before_search_ = 0;
  int current_before_search_ = -1;
  bool current_was_selected_ = false;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_SEARCH_ACTIONS_H_
