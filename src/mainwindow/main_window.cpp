#include "mainwindow/main_window.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <cstddef>
#include <iostream>
#include <set>
#include <utility>

#include "catalog/catalog_error.h"
#include "catalog/catalog_index.h"
#include "catalog/cp1251.h"
#include "mainwindow/add_disk_actions.h"
#include "mainwindow/catalog_file_actions.h"
#include "mainwindow/command_context.h"
#include "mainwindow/disk_actions.h"
#include "mainwindow/disk_list_model.h"
#include "mainwindow/disk_recognition.h"
#include "mainwindow/disk_row_delegate.h"
#include "mainwindow/facts_actions.h"
#include "mainwindow/lookalike_actions.h"
#include "mainwindow/recent_catalogs_menu.h"
#include "mainwindow/search_actions.h"
#include "mainwindow/thumbnail_actions.h"
#include "mainwindow/thumbnail_delegate.h"
#include "mainwindow/thumbnail_grid_view.h"
#include "mainwindow/thumbnail_model.h"
#include "platform/path_text.h"
#include "settings/window_layout_file.h"

namespace quorvel {
namespace {

const QString kProgramName = QStringLiteral("Quorvel");

// The window's initial outer size, frame included.
constexpr QSize kOuterSize(528, 268);
constexpr int kDiskListWidth = 281;
constexpr int kSplitterHandleWidth = 3;
constexpr int kNameColumnWidth = 150;
constexpr int kThumbCountColumnWidth = 70;
constexpr int kDiskNumberColumnWidth = 50;
constexpr int kFontPointSize = 8;

QTreeView* MakeDiskList(QAbstractItemModel* rows, QWidget* parent) {
  auto* list = new QTreeView(parent);
  list->setObjectName(QStringLiteral("disk_list"));
  list->setAccessibleName(QStringLiteral("Диски"));
  list->setModel(rows);
  list->header()->setStretchLastSection(false);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setSortingEnabled(false);  // header clicks sort through SortByColumn
  list->header()->setSectionsClickable(true);
  list->setItemDelegate(new DiskRowDelegate(list));
  // The list sits on the menu-bar colour; the button face is that colour's Qt counterpart, and
  // a role (not a fixed colour) follows the desktop's theme when it changes.
  list->viewport()->setBackgroundRole(QPalette::Button);
  return list;
}

// Gives the disk list's columns their widths, each wider only where the desktop's font would
// cut its header; returns by how much they grew together.
int SizeColumns(QTreeView* list) {
  int growth = 0;
  for (const auto& [column, width] :
       {std::pair{DiskListModel::kNameColumn, kNameColumnWidth},
        std::pair{DiskListModel::kThumbCountColumn, kThumbCountColumnWidth},
        std::pair{DiskListModel::kDiskNumberColumn, kDiskNumberColumnWidth}}) {
    const int needed = std::max(width, list->header()->sectionSizeHint(column));
    list->setColumnWidth(column, needed);
    growth += needed - width;
  }
  return growth;
}

// A grid of same-sized items flowing left to right and wrapping, as a large-icon view lays
// them out. The grid view places items by arithmetic and keeps no record per item, which
// matters for disks of tens of thousands of thumbnails; QListView's own layouts keep some.
ThumbnailGridView* MakeThumbnailView(QWidget* parent) {
  auto* view = new ThumbnailGridView(parent);
  view->setObjectName(QStringLiteral("thumbnail_view"));
  view->setAccessibleName(QStringLiteral("Эскизы"));
  view->setViewMode(QListView::ListMode);
  view->setFlow(QListView::LeftToRight);
  view->setWrapping(true);
  view->setResizeMode(QListView::Adjust);
  view->setMovement(QListView::Static);
  view->setUniformItemSizes(true);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setSelectionRectVisible(true);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  view->viewport()->setBackgroundRole(QPalette::Button);
  return view;
}

}  // namespace

MainWindow::MainWindow(CatalogDocument& document, UserPrompts& prompts,
                       std::filesystem::path settings_file, const CatalogOpening& opening,
                       QWidget* parent)
    : QMainWindow(parent),
      document_(document),
      prompts_(prompts),
      placement_(kOuterSize),
      settings_file_(settings_file) {
  setObjectName(QStringLiteral("main_window"));
  setWindowTitle(kProgramName);
  // The window and its fixed column widths are laid out for 8-point text; the desktop keeps the
  // choice of family.
  QFont text_font = font();
  text_font.setPointSize(kFontPointSize);
  setFont(text_font);

  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName(QStringLiteral("lists_splitter"));
  splitter_->setHandleWidth(kSplitterHandleWidth);
  splitter_->setChildrenCollapsible(false);
  disk_model_ = new DiskListModel(document_, this);
  disk_proxy_ = new DiskListProxy(*disk_model_, this);
  disk_list_ = MakeDiskList(disk_proxy_, splitter_);
  // The list keeps the room it had beside its columns.
  disk_list_width_ = kDiskListWidth + SizeColumns(disk_list_);
  ThumbnailGridView* thumbnail_grid = MakeThumbnailView(splitter_);
  thumbnail_view_ = thumbnail_grid;
  thumbnail_model_ = new ThumbnailModel(document_, this);
  thumbnail_view_->setModel(thumbnail_model_);
  thumbnail_view_->setItemDelegate(new ThumbnailDelegate(
      *thumbnail_model_, [this](const QString& unread) { ReportUnshownThumbnail(unread); }, this));
  splitter_->addWidget(disk_list_);
  splitter_->addWidget(thumbnail_view_);
  // Growing the window widens the thumbnails, never the disk list; only the splitter resizes it.
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);

  statusBar()->setObjectName(QStringLiteral("status_bar"));
  statusBar()->setSizeGripEnabled(false);
  status_panel_ = new QLabel(statusBar());
  status_panel_->setObjectName(QStringLiteral("status_panel"));
  statusBar()->addWidget(status_panel_, 1);

  // The views refresh before the handlers' enabling does, as they were told first.
  document_listener_ =
      document_.AddListener([this](DocumentChange change) { DocumentChanged(change); });
  state_changed_ = new CommandStateSignal(this);
  const CommandContext context = MakeCommandContext();
  add_disk_ = new AddDiskActions(context, this);
  connect(add_disk_, &AddDiskActions::ScanRunningChanged, state_changed_,
          &CommandStateSignal::Changed);
  catalog_file_ = new CatalogFileActions(context, std::move(settings_file), opening, this);
  disks_ = new DiskActions(context, *add_disk_, this);
  thumbnails_ = new ThumbnailActions(context, this);
  thumbnail_grid->SetDragData(
      [this](const QList<int>& rows) { return thumbnails_->DragData(rows); });
  recent_ = new RecentCatalogsMenu(
      context, settings_file_, [this](const QString& path) { catalog_file_->OpenNamed(path); },
      this);
  search_ = new SearchActions(
      context,
      SearchViews{disk_list_, disk_proxy_, thumbnail_view_, thumbnail_model_,
                  [this](const QString& text) { ShowStatus(text); }, [this] { ShowNoDisk(); }},
      this);
  facts_ = new FactsActions(context, *thumbnail_model_, settings_file_, this);
  lookalikes_ = new LookalikeActions(context, *search_, this, this);
  recognition_ = new DiskRecognition(context, *disk_model_, this);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(search_->Field());
  layout->addWidget(splitter_, 1);
  setCentralWidget(central);
  setTabOrder(search_->Field(), disk_list_);
  setTabOrder(disk_list_, thumbnail_view_);

  CreateMenus();
  ConnectLists();
  setAcceptDrops(true);
  search_->Field()->installEventFilter(this);
  resize(kOuterSize);
  RestoreLayout();
  disk_list_->setFocus();
}

MainWindow::~MainWindow() {
  document_.RemoveListener(document_listener_);
  catalog_file_->RememberForNextStart();
  recent_->Store();
}

CommandContext MainWindow::MakeCommandContext() {
  return CommandContext{
      .document = document_,
      .prompts = prompts_,
      .window = this,
      .thumbnail_model = *thumbnail_model_,
      .state_changed = state_changed_,
      // The handler of the scan is made first; nothing asks before.
      .scan_running = [this] { return add_disk_ != nullptr && add_disk_->ScanRunning(); },
      .selected_disks = [this] { return SelectedDisksInOrder(); },
      .selected_disk = [this] { return selected_disk_; },
      .disk_name = [this](int disk) { return DiskName(disk); },
      // Made last: nothing is recognised before.
      .disk_location =
          [this](int disk) {
            return recognition_ != nullptr ? recognition_->Location(disk) : std::nullopt;
          },
      .disk_rows = [this] { return disk_proxy_->rowCount(); },
      .select_row = [this](int row) { SelectRow(row); },
      .select_disk = [this](int disk) { SelectDiskRow(disk); },
      .all_disks_by_name = [this] { return AllDisksByName(); },
      .searching = [this] { return search_ != nullptr && search_->Searching(); },
      .selected_thumbnail_rows = [this] { return SelectedThumbnailRows(); },
      .current_thumbnail_row = [this] { return thumbnail_view_->currentIndex().row(); },
      .note = [this](const QString& text) { status_panel_->setText(text); },
      .when_shown = [this](std::function<void()> show) { WhenShown(std::move(show)); },
  };
}

void MainWindow::ConnectLists() {
  connect(disk_list_->header(), &QHeaderView::sectionClicked, this, &MainWindow::SortByColumn);
  connect(disk_list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &MainWindow::DiskSelectionChanged);
  connect(thumbnail_view_->selectionModel(), &QItemSelectionModel::selectionChanged, state_changed_,
          &CommandStateSignal::Changed);
  connect(thumbnail_view_->selectionModel(), &QItemSelectionModel::currentChanged, state_changed_,
          &CommandStateSignal::Changed);
  connect(thumbnail_view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &MainWindow::ShowCurrentThumbnail);
  // A double click on a thumbnail opens its original; on a search result, goes to it.
  connect(thumbnail_view_, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& item) {
            if (!item.isValid()) return;
            if (thumbnail_model_->ShowsResults()) {
              search_->GoToResult(item.row());
            } else {
              thumbnails_->OpenItem(item.row());
            }
          });
  // The lists' context-menu requests, from the mouse (on the viewport) and from the keyboard
  // (on the list), and their keys, reach the window's event filter.
  for (QAbstractItemView* list : {static_cast<QAbstractItemView*>(disk_list_),
                                  static_cast<QAbstractItemView*>(thumbnail_view_)}) {
    list->setContextMenuPolicy(Qt::DefaultContextMenu);
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
  }
}

void MainWindow::OpenStartupCatalog(const QString& catalogue_argument) {
  catalog_file_->OpenStartupCatalog(catalogue_argument);
}

void MainWindow::SetShowOptions(std::function<void(int page, const QString& folder)> show_page) {
  add_disk_->SetShowOptions(std::move(show_page));
}

void MainWindow::SetScanRunning(bool running, std::function<void()> stop_scan) {
  add_disk_->SetScanRunning(running, std::move(stop_scan));
}

void MainWindow::SetShowUpdate(std::function<void(int disk, const QString& folder)> show_update) {
  add_disk_->SetShowUpdate(std::move(show_update));
}

void MainWindow::ShowUpdatedDisk(int disk) { SelectDiskRow(disk); }

void MainWindow::ShowAddedDisk() {
  // Of every disk, also while a search shows only some.
  const int rows = disk_model_->rowCount();
  if (rows > 0) SelectRow(rows - 1);
}

QFileDialog* MainWindow::OpenCatalogDialog() const { return catalog_file_->OpenDialog(); }

void MainWindow::DocumentChanged(DocumentChange change) {
  if (change == DocumentChange::kSaved || change == DocumentChange::kCreated) {
    ShowCaption();
    return;
  }
  // The rows still show the disks as they were, so the search's selection is read first.
  const std::vector<int> result_disks =
      search_->Searching() ? SelectedDisksInOrder() : std::vector<int>();
  // The shown disk's entries were rebuilt; nothing may paint from the old ones.
  ShowNoDisk();
  disk_model_->Reload();
  ShowCaption();
  sort_ascending_ = true;
  SortByColumn(DiskListModel::kNameColumn);
  // A query shown stays, over the catalogue as it is now; look-alikes shown are found again
  // from the fingerprints, which follow the change first.
  lookalikes_->CatalogueChanged(change);
  search_->CatalogueChanged(result_disks);
  disk_list_->setFocus();
}

void MainWindow::ShowCaption() {
  // An empty catalogue is named too, with no disks, so that the caption never names one that
  // is no longer open and the next disk's proposed number starts again from 1.
  if (document_.CatalogOpen()) {
    setWindowTitle(QStringLiteral("Каталог \"%1\",  дисков: %2")
                       .arg(PathToQString(document_.CatalogFileName()))
                       .arg(document_.Index().Disks.size()));
  } else {
    setWindowTitle(kProgramName);
  }
}

void MainWindow::WhenShown(std::function<void()> show) {
  if (isVisible()) {
    show();
    return;
  }
  // Start-up loads before it shows the window; a box on its own, far from the window it is
  // about, would be easy to misread.
  pending_prompts_.push_back(std::move(show));
}

void MainWindow::ShowPendingPrompts() {
  const std::vector<std::function<void()>> prompts = std::exchange(pending_prompts_, {});
  for (const std::function<void()>& show : prompts) show();
}

void MainWindow::DiskSelectionChanged(const QItemSelection& selected,
                                      const QItemSelection& deselected) {
  // One call per row whose selection changed, the rows that lost it first, as a move of a single
  // selection empties the view and then fills it again.
  const auto disks = [this](const QItemSelection& selection) {
    std::set<int> rows;
    for (const QModelIndex& index : selection.indexes()) rows.insert(index.row());
    std::vector<int> result;
    for (const int row : rows) {
      if (const int disk = disk_proxy_->DiskOfRow(row); disk >= 0) result.push_back(disk);
    }
    return result;
  };
  if (search_->Searching()) {
    search_->DiskSelectionChanged();
  } else {
    for (const int disk : disks(deselected)) ShowDiskOfRow(disk, false);
    for (const int disk : disks(selected)) ShowDiskOfRow(disk, true);
  }
  emit state_changed_->Changed();
}

void MainWindow::ShowDiskOfRow(int disk_index, bool selected) {
  if (!selected) {
    ShowNoDisk();
    return;
  }
  selected_disk_ = disk_index;
  const CatInfo& disk = document_.Index().Disks[static_cast<std::size_t>(selected_disk_)];
  ShowStatus(QStringLiteral("Колличество изображений на диске \"") + DiskName(selected_disk_) +
             QStringLiteral("\" - ") + QString::number(disk.ThumbCount) + QStringLiteral("."));
  thumbnail_model_->ShowDisk(selected_disk_);
  thumbnail_view_->scrollToTop();
}

void MainWindow::ShowStatus(const QString& text) {
  status_text_ = text;
  status_panel_->setText(status_text_);
  undecodable_shown_ = false;
}

void MainWindow::ShowCurrentThumbnail(const QModelIndex& current) {
  // A new list resets the view without telling; its text is set after that.
  if (!current.isValid()) {
    status_panel_->setText(status_text_);
    return;
  }
  const QString path = thumbnail_model_->Name(current.row());
  const QString facts = thumbnail_model_->FactsText(current.row());
  status_panel_->setText(facts.isEmpty() ? path : path + QStringLiteral(" — ") + facts);
}

void MainWindow::ShowNoDisk() {
  thumbnail_model_->ShowNothing();
  // The status names the disk shown; with none shown it would name one that is not.
  status_text_.clear();
  status_panel_->clear();
}

void MainWindow::ReportUnshownThumbnail(const QString& unread) {
  // Said once per shown disk, however often its bad thumbnails are painted again.
  if (undecodable_shown_) return;
  undecodable_shown_ = true;
  if (!unread.isEmpty()) {
    // The file was cut or rewritten under the window: what was read is kept on show.
    status_panel_->setText(unread);
    return;
  }
  status_panel_->setText(status_text_ +
                         (thumbnail_model_->ShowsResults()
                              ? QStringLiteral("  Некоторые эскизы не читаются: ")
                              : QStringLiteral("  Некоторые эскизы этого диска не читаются: ")) +
                         QStringLiteral("вместо них показаны пустые рамки."));
}

void MainWindow::SortByColumn(int column) {
  const Qt::SortOrder order = sort_ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder;
  disk_list_->header()->setSortIndicator(column, order);
  disk_proxy_->sort(column, order);
  sort_ascending_ = !sort_ascending_;
  // The results follow the disks' order.
  if (search_->Searching()) search_->ShowResults();
}

std::vector<int> MainWindow::AllDisksByName() {
  disk_proxy_->ShowAllDisks();
  sort_ascending_ = true;
  SortByColumn(DiskListModel::kNameColumn);
  return disk_proxy_->DisksInOrder();
}

void MainWindow::SelectRow(int row) {
  if (search_->Searching()) {
    search_->KeepRowForEnd(row);
    return;
  }
  const QModelIndex index = disk_proxy_->index(row, 0);
  if (index.isValid()) disk_list_->setCurrentIndex(index);
}

void MainWindow::SelectDiskRow(int disk) {
  if (search_->Searching()) {
    search_->KeepDiskForEnd(disk);
    return;
  }
  const int row = disk_proxy_->RowOfDisk(disk);
  if (row >= 0) SelectRow(row);
}

std::vector<int> MainWindow::SelectedDisksInOrder() const {
  std::vector<int> rows;
  for (const QModelIndex& index : disk_list_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  std::vector<int> disks;
  disks.reserve(rows.size());
  for (const int row : rows) disks.push_back(disk_proxy_->DiskOfRow(row));
  return disks;
}

QList<int> MainWindow::SelectedThumbnailRows() const {
  QList<int> rows;
  for (const QModelIndex& index : thumbnail_view_->selectionModel()->selectedIndexes()) {
    rows.append(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

QString MainWindow::DiskName(int disk) const {
  return QString::fromStdString(Cp1251ToUtf8(disk_model_->Cp1251Name(disk)));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (add_disk_->HoldClose() || !catalog_file_->SaveChangesQuestion()) {
    event->ignore();
  } else {
    SaveLayout();
    event->accept();
  }
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!geometry_restored_ && placement_.Shown(*this) && !splitter_restored_) {
    SplitAtDiskListWidth();
  }
  // After the show has been handled, so that the box opens over the visible window.
  if (!pending_prompts_.empty()) QTimer::singleShot(0, this, &MainWindow::ShowPendingPrompts);
}

DroppedItem MainWindow::AcceptDrop(QDropEvent* event) {
  DroppedItem item;
  // A drag of this window's own thumbnails is refused before its files are asked for, which
  // would write them. A source offering only a move would delete what it let go of.
  if (event->source() == nullptr && !add_disk_->ScanRunning() &&
      event->possibleActions().testFlag(Qt::CopyAction)) {
    item = DroppedItemOf(event->mimeData()->urls());
  }
  if (item.kind == DroppedItem::Kind::kFolder && !add_disk_->CanAddDisk()) item = {};
  if (item.kind == DroppedItem::Kind::kNone) {
    event->ignore();
  } else {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  }
  return item;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) { AcceptDrop(event); }

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  // The source proposes its action anew at each move (Shift makes it a move).
  AcceptDrop(event);
}

void MainWindow::dropEvent(QDropEvent* event) {
  const DroppedItem item = AcceptDrop(event);
  if (item.kind == DroppedItem::Kind::kNone) return;
  // The modifiers the drop carries are those a source of this program saw; another program's
  // drop comes with the keyboard as it is.
  // With no catalogue open there is nothing to import into: the catalogue is opened instead.
  const bool import = (event->modifiers() | QGuiApplication::queryKeyboardModifiers())
                          .testFlag(Qt::ControlModifier) &&
                      document_.CatalogOpen();
  // Once the drop has been answered: the source waits for that answer, and a question about
  // unsaved changes would keep both programs waiting.
  QTimer::singleShot(0, this, [this, item, import] {
    if (item.kind == DroppedItem::Kind::kFolder) {
      add_disk_->AddDiskFrom(item.path);
    } else if (import) {
      catalog_file_->ImportNamed(item.path);
    } else {
      catalog_file_->OpenNamed(item.path);
    }
  });
}

bool MainWindow::TakeFieldDrop(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  if (!drop->mimeData()->hasUrls()) return false;
  if (type == QEvent::Drop) {
    dropEvent(drop);
  } else {
    AcceptDrop(drop);
  }
  return true;
}

bool MainWindow::event(QEvent* event) {
  const bool handled = QMainWindow::event(event);
  if (placement_.Event(*this, *event) && !splitter_restored_) SplitAtDiskListWidth();
  return handled;
}

void MainWindow::SplitAtDiskListWidth() {
  splitter_->setSizes({disk_list_width_, width() - disk_list_width_ - kSplitterHandleWidth});
}

void MainWindow::RestoreLayout() {
  const WindowLayout layout = ReadWindowLayout(settings_file_);
  const auto state = [](const std::string& hex) {
    return QByteArray::fromHex(QByteArray::fromStdString(hex));
  };
  // Qt brings a window that would be off every screen back onto one, and a maximised one back
  // maximised. A state Qt does not take leaves the first start's layout.
  geometry_restored_ = !layout.geometry.empty() && restoreGeometry(state(layout.geometry));
  splitter_restored_ = !layout.splitter.empty() && splitter_->restoreState(state(layout.splitter));
  if (!layout.disk_columns.empty()) {
    // Only the widths: the sort shown is the one the list is in.
    QHeaderView* header = disk_list_->header();
    const int sorted = header->sortIndicatorSection();
    const Qt::SortOrder order = header->sortIndicatorOrder();
    if (header->restoreState(state(layout.disk_columns))) header->setSortIndicator(sorted, order);
  }
}

void MainWindow::SaveLayout() const {
  const auto hex = [](const QByteArray& state) { return state.toHex().toStdString(); };
  try {
    WriteWindowLayout(settings_file_, {hex(saveGeometry()), hex(splitter_->saveState()),
                                       hex(disk_list_->header()->saveState())});
  } catch (const CatalogError& error) {
    // The window is going away; the next start opens at the first start's layout.
    std::cerr << "quorvel: " << error.what() << '\n';
  }
}

}  // namespace quorvel
