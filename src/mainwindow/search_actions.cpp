#include "mainwindow/search_actions.h"

#include <QAction>
#include <QEvent>
#include <QItemSelection>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeView>
#include <QWidget>
#include <algorithm>
#include <iterator>
#include <utility>

#include "catalog/catalog_error.h"
#include "mainwindow/disk_list_model.h"
#include "mainwindow/thumbnail_model.h"

namespace quorvel {
namespace {

const QString kPlaceholder = QStringLiteral("Поиск по всем дискам");

// While it lives, the selection changes the search makes are not taken as the user's.
class Updating {
 public:
  explicit Updating(bool& flag) : flag_(flag), was_(std::exchange(flag, true)) {}
  ~Updating() { flag_ = was_; }
  Updating(const Updating&) = delete;
  Updating& operator=(const Updating&) = delete;

 private:
  bool& flag_;
  bool was_;
};

}  // namespace

SearchActions::SearchActions(const CommandContext& context, const SearchViews& views,
                             QObject* parent)
    : QObject(parent), context_(context), views_(views) {
  setObjectName(QStringLiteral("search_actions"));
  field_ = new QLineEdit;
  field_->setObjectName(QStringLiteral("SearchField"));
  field_->setAccessibleName(QStringLiteral("Поиск"));
  field_->setPlaceholderText(kPlaceholder);
  field_->setClearButtonEnabled(true);
  // The field's own button shows only a glyph; a screen reader needs its words.
  if (auto* clear = field_->findChild<QToolButton*>()) {
    clear->setAccessibleName(QStringLiteral("Очистить поиск"));
  }
  field_->installEventFilter(this);
  views_.thumbnail_view->installEventFilter(this);
  connect(field_, &QLineEdit::textChanged, this, &SearchActions::TextChanged);

  auto* find = new QAction(this);
  find->setObjectName(QStringLiteral("Find"));
  find->setShortcuts(QKeySequence::keyBindings(QKeySequence::Find));
  context_.window->addAction(find);
  connect(find, &QAction::triggered, this, [this] {
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
  });

  // Joins the thumbnail menu only over search results, so that a screen reader does not meet
  // it anywhere else either.
  show_on_disk_ = new QAction(QStringLiteral("Показать на &диске"), this);
  show_on_disk_->setObjectName(QStringLiteral("ShowOnDisk"));
  connect(show_on_disk_, &QAction::triggered, this, [this] {
    // The item the menu was opened over (or Enter pressed on), or else the first selected.
    const QModelIndex current = views_.thumbnail_view->currentIndex();
    const QList<int> rows = context_.selected_thumbnail_rows();
    if (rows.isEmpty()) return;
    GoToResult(views_.thumbnail_view->selectionModel()->isSelected(current) ? current.row()
                                                                            : rows.first());
  });
  FollowState(context_, this, [this] {
    show_on_disk_->setEnabled(views_.thumbnail_model->ShowsResults() &&
                              !context_.selected_thumbnail_rows().isEmpty());
  });
}

bool SearchActions::eventFilter(QObject* watched, QEvent* event) {
  if (watched == views_.thumbnail_view) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() != QEvent::KeyPress || key->modifiers() != Qt::NoModifier || !Searching()) {
      return false;
    }
    if (key->key() == Qt::Key_Escape) {
      // Among the results as in the field, Escape ends the search.
      Stop();
      return true;
    }
    // Up from the first result goes back to the query, the way Down came from it.
    if (key->key() != Qt::Key_Up || views_.thumbnail_view->currentIndex().row() != 0) return false;
    field_->setFocus(Qt::OtherFocusReason);
    return true;
  }
  if (watched != field_) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::FocusIn) Prepare();
  if (event->type() != QEvent::KeyPress) return false;
  switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Escape:
      // Escape empties the field, and so ends the search.
      if (!Searching()) return false;
      Stop();
      return true;
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return GoToFirstResult();
    default:
      return false;
  }
}

bool SearchActions::GoToFirstResult() {
  QListView* view = views_.thumbnail_view;
  if (!Searching() || view->model()->rowCount() == 0) return false;
  const QModelIndex first = view->model()->index(0, 0);
  view->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
  view->scrollTo(first);
  view->setFocus(Qt::OtherFocusReason);
  return true;
}

void SearchActions::TextChanged(const QString& text) {
  if (clearing_field_) return;
  const bool was_searching = Searching();
  query_ = SearchQuery::Parse(text.toStdString());
  // A query typed takes the place of a found list.
  if (!query_.Empty()) found_.reset();
  if (!Searching()) {
    if (was_searching) End();
    return;
  }
  if (!was_searching) Begin();
  Run(was_searching ? context_.selected_disks() : std::vector<int>());
}

void SearchActions::ShowFound(FoundThumbs found) {
  if (!Searching()) Begin();
  found_ = std::move(found);
  query_ = SearchQuery();
  {
    const Updating clearing(clearing_field_);
    field_->clear();
  }
  field_->setPlaceholderText(found_->label);
  // As after typing a query: the field has the focus, so that the status keeps the count (a
  // current thumbnail would put its own text there), and Down goes to the first result.
  field_->setFocus(Qt::OtherFocusReason);
  Run({});
}

void SearchActions::Begin() {
  // The disk selection narrows the results; the one made for the disk view is kept for later.
  disks_before_search_ = context_.selected_disks();
  row_after_search_ = -1;
  const int selected_disk = context_.selected_disk();
  const bool shown = std::find(disks_before_search_.begin(), disks_before_search_.end(),
                               selected_disk) != disks_before_search_.end();
  disk_before_search_ = shown                          ? selected_disk
                        : disks_before_search_.empty() ? -1
                                                       : disks_before_search_.back();
  RememberDiskView();
}

void SearchActions::Stop() {
  if (!field_->text().isEmpty()) {
    // Emptying the field ends the query.
    field_->clear();
  } else if (found_) {
    found_.reset();
    End();
  }
}

void SearchActions::Prepare() {
  if (!catalog_search_) {
    catalog_search_ = std::make_unique<CatalogSearch>(context_.document.Index());
  }
}

void SearchActions::CatalogueChanged(const std::vector<int>& selected) {
  // The rows and places remembered may no longer be those of the same thumbnails.
  shown_disk_before_search_ = -1;
  matches_.clear();
  // Whatever it was built from is gone now.
  catalog_search_.reset();
  if (Searching()) Run(selected);
}

void SearchActions::Run(const std::vector<int>& selected) {
  const CatalogIndex& index = context_.document.Index();
  if (found_) {
    matches_ = found_->find();
  } else {
    Prepare();
    try {
      matches_ = catalog_search_->Find(query_, index);
    } catch (const CatalogError&) {
      // Every change reaches the search through CatalogueChanged, which drops the old search;
      // should the index ever change another way, the search is built again rather than give up.
      catalog_search_.reset();
      Prepare();
      matches_ = catalog_search_->Find(query_, index);
    }
  }
  const Updating updating(updating_results_);
  std::vector<bool> has_matches(index.Disks.size());
  for (const ThumbRef& match : matches_) has_matches[static_cast<std::size_t>(match.disk)] = true;
  views_.disk_list->clearSelection();
  views_.disk_proxy->ShowOnlyDisks(std::move(has_matches));
  SelectDisks(selected, -1);
  ShowResults();
}

void SearchActions::DiskSelectionChanged() {
  if (!updating_results_) ShowResults();
}

void SearchActions::ShowResults() {
  std::vector<int> disks = context_.selected_disks();
  if (disks.empty()) disks = views_.disk_proxy->DisksInOrder();
  std::vector<ThumbRef> shown;
  shown.reserve(matches_.size());
  if (found_) {
    // In the order found, whatever the disks' order.
    std::vector<bool> chosen(context_.document.Index().Disks.size());
    for (const int disk : disks) chosen[static_cast<std::size_t>(disk)] = true;
    std::copy_if(
        matches_.begin(), matches_.end(), std::back_inserter(shown),
        [&chosen](const ThumbRef& item) { return chosen[static_cast<std::size_t>(item.disk)]; });
  } else {
    for (const int disk : disks) {
      // The matches come disk by disk in file order.
      const auto [first, last] =
          std::equal_range(matches_.begin(), matches_.end(), ThumbRef{disk, 0},
                           [](const ThumbRef& a, const ThumbRef& b) { return a.disk < b.disk; });
      shown.insert(shown.end(), first, last);
    }
  }
  const std::size_t count = shown.size();
  views_.thumbnail_model->ShowResults(std::move(shown), found_.has_value());
  views_.thumbnail_view->scrollToTop();
  const QString counted =
      found_ ? found_->counted : QStringLiteral("Найдено эскизов: %1, на дисках: %2.");
  views_.show_status(counted.arg(count).arg(count == 0 ? 0 : disks.size()));
  emit context_.state_changed->Changed();
}

void SearchActions::End() {
  field_->setPlaceholderText(kPlaceholder);
  matches_.clear();
  matches_.shrink_to_fit();
  views_.show_no_disk();
  // Disks selected among the results are not the disk view's selection.
  views_.disk_list->clearSelection();
  views_.disk_proxy->ShowAllDisks();
  if (row_after_search_ >= 0) {
    context_.select_row(std::min(row_after_search_, context_.disk_rows() - 1));
    return;
  }
  const int disk_count = static_cast<int>(context_.document.Index().Disks.size());
  std::vector<int> disks;
  for (const int disk : disks_before_search_) {
    if (disk < disk_count) disks.push_back(disk);
  }
  if (disks.empty() && !disks_before_search_.empty() && disk_count > 0) {
    // The disks that were selected are gone; as after removing them, the first one is.
    context_.select_row(0);
    return;
  }
  SelectDisks(disks, disk_before_search_ < disk_count ? disk_before_search_ : -1);
  RestoreDiskView();
}

void SearchActions::RememberDiskView() {
  const ThumbnailModel& model = *views_.thumbnail_model;
  const QListView* view = views_.thumbnail_view;
  shown_disk_before_search_ =
      model.ShowsResults() || model.Items().empty() ? -1 : model.Items().front().disk;
  scroll_before_search_ = view->verticalScrollBar()->value();
  const QModelIndex current = view->currentIndex();
  // By the thumbnail, not the row: the order may change while the results are shown.
  current_before_search_ =
      current.isValid() ? model.Items()[static_cast<std::size_t>(current.row())].thumb : -1;
  current_was_selected_ = current.isValid() && view->selectionModel()->isSelected(current);
}

bool SearchActions::ShowsDisk(int disk) const {
  const ThumbnailModel& model = *views_.thumbnail_model;
  return disk >= 0 && !model.ShowsResults() && !model.Items().empty() &&
         model.Items().front().disk == disk;
}

void SearchActions::RestoreDiskView() {
  if (!ShowsDisk(shown_disk_before_search_)) return;
  QListView* view = views_.thumbnail_view;
  // The view was just refilled and lays its items out later; until then its scroll bar still
  // has the results' range, and a position set now would be cut to it.
  view->doItemsLayout();
  const ThumbnailModel& model = *views_.thumbnail_model;
  if (const int row = model.RowOf({shown_disk_before_search_, current_before_search_}); row >= 0) {
    // Set before the scroll position: making an item current scrolls to it.
    view->selectionModel()->setCurrentIndex(
        model.index(row), current_was_selected_ ? QItemSelectionModel::ClearAndSelect
                                                : QItemSelectionModel::NoUpdate);
  }
  view->verticalScrollBar()->setValue(scroll_before_search_);
  // The scroll bar the disk needs and the results did not (or the other way round) is shown
  // a moment later, which narrows the view; where that changes the number of columns, the
  // position set now may have been cut to the range of the wider view. Set once more then.
  QMetaObject::invokeMethod(
      view,
      [this, disk = shown_disk_before_search_, scroll = scroll_before_search_] {
        if (ShowsDisk(disk)) views_.thumbnail_view->verticalScrollBar()->setValue(scroll);
      },
      Qt::QueuedConnection);
}

void SearchActions::KeepRowForEnd(int row) { row_after_search_ = row; }

void SearchActions::KeepDiskForEnd(int disk) {
  row_after_search_ = -1;
  disk_before_search_ = disk;
  disks_before_search_ = {disk};
}

void SearchActions::GoToResult(int row) {
  const ThumbnailModel& model = *views_.thumbnail_model;
  if (!model.ShowsResults() || row < 0 || static_cast<std::size_t>(row) >= model.Items().size()) {
    return;
  }
  const ThumbRef result = model.Items()[static_cast<std::size_t>(row)];
  Stop();
  context_.select_disk(result.disk);
  const QModelIndex item = model.index(model.RowOf(result));
  views_.thumbnail_view->setCurrentIndex(item);
  views_.thumbnail_view->scrollTo(item);
  views_.thumbnail_view->setFocus(Qt::OtherFocusReason);
}

void SearchActions::SelectDisks(const std::vector<int>& disks, int current) {
  const DiskListProxy& proxy = *views_.disk_proxy;
  QItemSelection rows;
  for (const int disk : disks) {
    const int row = proxy.RowOfDisk(disk);
    if (disk != current && row >= 0) rows.select(proxy.index(row, 0), proxy.index(row, 0));
  }
  QItemSelectionModel* selection = views_.disk_list->selectionModel();
  selection->select(rows, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  if (const int row = proxy.RowOfDisk(current); row >= 0) {
    selection->setCurrentIndex(proxy.index(row, 0),
                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
}

}  // namespace quorvel
