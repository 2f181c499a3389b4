// The search over every disk: the field above the lists, the disk list narrowed to the disks
// with matches, their matches in the thumbnail view, and the way back to a result's disk.
#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "catalog/catalog_error.h"
#include "catalog/catalog_search.h"
#include "mainwindow/disk_list_model.h"
#include "mainwindow/main_window.h"
#include "mainwindow/thumbnail_model.h"

namespace quorvel {
namespace {

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

void MainWindow::CreateSearchField(QWidget* central) {
  search_field_ = new QLineEdit(central);
  search_field_->setObjectName(QStringLiteral("SearchField"));
  search_field_->setAccessibleName(QStringLiteral("Поиск"));
  search_field_->setPlaceholderText(QStringLiteral("Поиск по всем дискам"));
  search_field_->setClearButtonEnabled(true);
  search_field_->installEventFilter(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(search_field_);
  layout->addWidget(splitter_, 1);
  setTabOrder(search_field_, disk_list_);
  setTabOrder(disk_list_, thumbnail_view_);

  auto* find = new QAction(this);
  find->setObjectName(QStringLiteral("Find"));
  find->setShortcuts(QKeySequence::keyBindings(QKeySequence::Find));
  addAction(find);
  connect(find, &QAction::triggered, this, [this] {
    search_field_->setFocus(Qt::ShortcutFocusReason);
    search_field_->selectAll();
  });
  connect(search_field_, &QLineEdit::textChanged, this, &MainWindow::SearchTextChanged);
}

void MainWindow::SearchTextChanged(const QString& text) {
  const bool was_searching = Searching();
  query_ = SearchQuery::Parse(text.toStdString());
  if (!Searching()) {
    if (was_searching) EndSearch();
    return;
  }
  if (!was_searching) {
    // The disk selection narrows the results; the one made for the disk view is kept for later.
    disks_before_search_ = SelectedDisksInOrder();
    row_after_search_ = -1;
    const bool shown = std::find(disks_before_search_.begin(), disks_before_search_.end(),
                                 selected_disk_) != disks_before_search_.end();
    disk_before_search_ = shown                          ? selected_disk_
                          : disks_before_search_.empty() ? -1
                                                         : disks_before_search_.back();
  }
  RunSearch(was_searching ? SelectedDisksInOrder() : std::vector<int>());
}

void MainWindow::PrepareSearch() {
  if (!catalog_search_) {
    catalog_search_ = std::make_unique<CatalogSearch>(document_.CatalogStream(), document_.Index());
  }
}

void MainWindow::RunSearch(const std::vector<int>& selected) {
  PrepareSearch();
  try {
    matches_ = catalog_search_->Find(query_, document_.Index());
  } catch (const CatalogError&) {
    // Every change reaches the window through ReloadCatalog, which drops the old search; should
    // the index ever change another way, the search is built again rather than give up.
    catalog_search_.reset();
    PrepareSearch();
    matches_ = catalog_search_->Find(query_, document_.Index());
  }
  const Updating updating(updating_results_);
  std::vector<bool> has_matches(document_.Index().Disks.size());
  for (const ThumbRef& match : matches_) has_matches[static_cast<std::size_t>(match.disk)] = true;
  disk_list_->clearSelection();
  disk_proxy_->ShowOnlyDisks(std::move(has_matches));
  SelectDisks(selected, -1);
  ShowSearchResults();
}

void MainWindow::ShowSearchResults() {
  std::vector<int> disks = SelectedDisksInOrder();
  if (disks.empty()) disks = disk_proxy_->DisksInOrder();
  std::vector<ThumbRef> shown;
  shown.reserve(matches_.size());
  for (const int disk : disks) {
    // The matches come disk by disk in file order.
    const auto [first, last] =
        std::equal_range(matches_.begin(), matches_.end(), ThumbRef{disk, 0},
                         [](const ThumbRef& a, const ThumbRef& b) { return a.disk < b.disk; });
    shown.insert(shown.end(), first, last);
  }
  const std::size_t count = shown.size();
  thumbnail_model_->ShowResults(std::move(shown));
  thumbnail_view_->scrollToTop();
  status_text_ = QStringLiteral("Найдено эскизов: %1, на дисках: %2.")
                     .arg(count)
                     .arg(count == 0 ? 0 : disks.size());
  status_panel_->setText(status_text_);
  undecodable_shown_ = false;
  UpdateCommands();
}

void MainWindow::EndSearch() {
  matches_.clear();
  matches_.shrink_to_fit();
  ShowNoDisk();
  // Disks selected among the results are not the disk view's selection.
  disk_list_->clearSelection();
  disk_proxy_->ShowAllDisks();
  if (row_after_search_ >= 0) {
    SelectRow(std::min(row_after_search_, DiskRowCount() - 1));
    return;
  }
  const int disk_count = static_cast<int>(document_.Index().Disks.size());
  std::vector<int> disks;
  for (const int disk : disks_before_search_) {
    if (disk < disk_count) disks.push_back(disk);
  }
  if (disks.empty() && !disks_before_search_.empty() && disk_count > 0) {
    // The disks that were selected are gone; as after removing them, the first one is.
    SelectRow(0);
    return;
  }
  SelectDisks(disks, disk_before_search_ < disk_count ? disk_before_search_ : -1);
}

void MainWindow::ShowOnDiskClick(int row) {
  if (!thumbnail_model_->ShowsResults() || row < 0 ||
      static_cast<std::size_t>(row) >= thumbnail_model_->Items().size()) {
    return;
  }
  const ThumbRef result = thumbnail_model_->Items()[static_cast<std::size_t>(row)];
  search_field_->clear();
  SelectDiskRow(result.disk);
  const QModelIndex item = thumbnail_model_->index(thumbnail_model_->RowOf(result));
  thumbnail_view_->setCurrentIndex(item);
  thumbnail_view_->scrollTo(item);
  thumbnail_view_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::SelectDisks(const std::vector<int>& disks, int current) {
  QItemSelection rows;
  for (const int disk : disks) {
    const int row = disk_proxy_->RowOfDisk(disk);
    if (disk != current && row >= 0) {
      rows.select(disk_proxy_->index(row, 0), disk_proxy_->index(row, 0));
    }
  }
  QItemSelectionModel* selection = disk_list_->selectionModel();
  selection->select(rows, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  if (const int row = disk_proxy_->RowOfDisk(current); row >= 0) {
    selection->setCurrentIndex(disk_proxy_->index(row, 0),
                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
}

}  // namespace quorvel
