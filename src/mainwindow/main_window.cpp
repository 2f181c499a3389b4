#include "mainwindow/main_window.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QLabel>
#include <QListView>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstddef>
#include <iostream>
#include <set>
#include <utility>

#include "catalog/catalog_error.h"
#include "catalog/catalog_index.h"
#include "catalog/cp1251.h"
#include "mainwindow/disk_list_model.h"
#include "mainwindow/disk_row_delegate.h"
#include "mainwindow/thumbnail_delegate.h"
#include "mainwindow/thumbnail_grid_view.h"
#include "mainwindow/thumbnail_model.h"
#include "platform/path_text.h"
#include "settings/ini_file.h"

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
const char kFormSection[] = "Form";
const char kCatalognameKey[] = "Catalogname";

QTreeView* MakeDiskList(QAbstractItemModel* rows, QWidget* parent) {
  auto* list = new QTreeView(parent);
  list->setObjectName(QStringLiteral("ListView1"));
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
  list->setSortingEnabled(false);  // header clicks sort through ListView1ColumnClick
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
QListView* MakeThumbnailView(QWidget* parent) {
  auto* view = new ThumbnailGridView(parent);
  view->setObjectName(QStringLiteral("ListView2"));
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
      settings_file_(std::move(settings_file)),
      opening_(opening),
      placement_(kOuterSize) {
  setObjectName(QStringLiteral("TForm1"));
  setWindowTitle(kProgramName);
  // The window and its fixed column widths are laid out for 8-point text; the desktop keeps the
  // choice of family.
  QFont text_font = font();
  text_font.setPointSize(kFontPointSize);
  setFont(text_font);

  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName(QStringLiteral("Splitter1"));
  splitter_->setHandleWidth(kSplitterHandleWidth);
  splitter_->setChildrenCollapsible(false);
  disk_model_ = new DiskListModel(document_, this);
  disk_proxy_ = new DiskListProxy(*disk_model_, this);
  disk_list_ = MakeDiskList(disk_proxy_, splitter_);
  // The list keeps the room it had beside its columns.
  disk_list_width_ = kDiskListWidth + SizeColumns(disk_list_);
  thumbnail_view_ = MakeThumbnailView(splitter_);
  thumbnail_model_ = new ThumbnailModel(document_, this);
  thumbnail_view_->setModel(thumbnail_model_);
  thumbnail_view_->setItemDelegate(new ThumbnailDelegate(
      *thumbnail_model_, [this] { ReportUndecodableThumbnail(); }, this));
  splitter_->addWidget(disk_list_);
  splitter_->addWidget(thumbnail_view_);
  // Growing the window widens the thumbnails, never the disk list; only the splitter resizes it.
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  auto* central = new QWidget(this);
  CreateSearchField(central);
  setCentralWidget(central);

  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  statusBar()->setSizeGripEnabled(false);
  status_panel_ = new QLabel(statusBar());
  status_panel_->setObjectName(QStringLiteral("StatusBar1Panel"));
  statusBar()->addWidget(status_panel_, 1);

  CreateMenus();
  CreateFileDialogs();
  ConnectCommands();
  connect(disk_list_->header(), &QHeaderView::sectionClicked, this,
          &MainWindow::ListView1ColumnClick);
  connect(disk_list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &MainWindow::DiskSelectionChanged);

  resize(kOuterSize);
  disk_list_->setFocus();
}

MainWindow::~MainWindow() { FormDestroy(); }

void MainWindow::FormCreate(const QString& catalogue_argument) {
  QString name = catalogue_argument;
  if (name.isEmpty()) {
    try {
      const IniFile settings = IniFile::Load(settings_file_);
      name = QString::fromStdString(settings.ReadString(kFormSection, kCatalognameKey, ""));
    } catch (const CatalogError& error) {
      // The options dialog tells the user of an unreadable settings file; start with nothing.
      std::cerr << "quorvel: " << error.what() << '\n';
    }
  }
  document_.UseStartupFile(QStringToPath(name));
  ReloadCatalog(true);
  if (DiskRowCount() > 0) SelectRow(0);
}

void MainWindow::FormDestroy() {
  std::string name;
  if (!opening_.StartupCatalog.empty()) {
    name = opening_.StartupCatalog;
  } else if (opening_.AutoLoadLast) {
    // With nothing open the stored name stays as it is.
    if (document_.CatalogFileName().empty()) return;
    name = PathToQString(document_.CatalogFileName()).toStdString();
  }
  try {
    IniFile settings = IniFile::Load(settings_file_);
    settings.WriteString(kFormSection, kCatalognameKey, name);
    settings.Save(settings_file_);
  } catch (const CatalogError& error) {
    // The window is going away with the program; there is no one left to ask.
    std::cerr << "quorvel: " << error.what() << '\n';
  }
}

QStringList MainWindow::SelectedDiskImages() const { return thumbnail_model_->Names(); }

void MainWindow::ReloadCatalog(bool load_from_file) {
  const QString file_name = PathToQString(document_.CatalogFileName());
  const bool was_damaged = document_.Index().Damage.has_value();
  const std::vector<int> result_disks = Searching() ? SelectedDisksInOrder() : std::vector<int>();
  matches_.clear();
  // Whatever it was built from is gone now.
  catalog_search_.reset();
  // The shown disk's entries are about to be rebuilt; nothing may paint from them meanwhile.
  ShowNoDisk();
  disk_model_->Clear();
  const ReloadOutcome outcome = document_.Reload(load_from_file);
  BuildDiskRows();
  sort_ascending_ = true;
  ListView1ColumnClick(DiskListModel::kNameColumn);
  // A query shown stays, over the catalogue as it is now.
  if (Searching()) RunSearch(result_disks);
  disk_list_->setFocus();
  UpdateCommands();
  ReportReload(outcome, file_name, was_damaged);
}

void MainWindow::BuildDiskRows() {
  const CatalogIndex& index = document_.Index();
  disk_model_->Reload();

  // An empty catalogue is named too, with no disks, so that the caption never names one that
  // is no longer open and the next disk's proposed number starts again from 1.
  if (document_.CatalogOpen()) {
    setWindowTitle(QStringLiteral("Каталог \"%1\",  дисков: %2")
                       .arg(PathToQString(document_.CatalogFileName()))
                       .arg(index.DiskCount));
  } else {
    setWindowTitle(kProgramName);
  }
}

void MainWindow::ReportReload(const ReloadOutcome& outcome, const QString& file_name,
                              bool was_damaged) {
  if (!outcome.load_error.empty()) {
    Warn(QStringLiteral("Не удалось открыть каталог \"%1\".\n%2")
             .arg(file_name, QString::fromStdString(outcome.load_error)));
    return;
  }
  if (outcome.not_a_catalogue) {
    Warn(QStringLiteral("Файл \"%1\" не является каталогом Quorvel. Каталог не открыт.")
             .arg(file_name));
    return;
  }
  const CatalogIndex& index = document_.Index();
  // Damage that was already reported stays quiet while edits rebuild the index from memory.
  if (!index.Damage || (was_damaged && !outcome.read_file)) return;
  const QString question = QStringLiteral(
                               "Каталог \"%1\" повреждён: данные начиная с байта %2 не "
                               "читаются. Показано то, что удалось прочитать (дисков: %3 из %4).")
                               .arg(file_name)
                               .arg(index.Damage->offset)
                               .arg(index.Disks.size())
                               .arg(index.DiskCount) +
                           QStringLiteral("\rСохранить прочитанное в новый каталог?");
  if (isVisible()) {
    OfferRepair(question);
  } else {
    pending_repair_question_ = question;  // as the warnings above, asked over the window
  }
}

void MainWindow::Warn(const QString& text) {
  if (isVisible()) {
    prompts_.Warn(this, kProgramName, text);
    return;
  }
  // Start-up loads before it shows the window; a box on its own, far from the window it is
  // about, would be easy to misread.
  pending_warnings_.append(text);
}

void MainWindow::ShowPendingWarnings() {
  const QStringList texts = std::exchange(pending_warnings_, {});
  for (const QString& text : texts) prompts_.Warn(this, kProgramName, text);
  const QString question = std::exchange(pending_repair_question_, {});
  if (!question.isEmpty()) OfferRepair(question);
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
  if (Searching()) {
    if (!updating_results_) ShowSearchResults();
  } else {
    for (const int disk : disks(deselected)) ListView1SelectItem(disk, false);
    for (const int disk : disks(selected)) ListView1SelectItem(disk, true);
  }
  UpdateCommands();
}

void MainWindow::ListView1SelectItem(int disk_index, bool selected) {
  if (!selected) {
    ShowNoDisk();
    return;
  }
  selected_disk_ = disk_index;
  const CatInfo& disk = document_.Index().Disks[static_cast<std::size_t>(selected_disk_)];
  const QString name = DiskName(selected_disk_);
  status_text_ = QStringLiteral("Колличество изображений на диске \"") + name +
                 QStringLiteral("\" - ") + QString::number(disk.ThumbCount) + QStringLiteral(".");
  status_panel_->setText(status_text_);
  undecodable_shown_ = false;
  thumbnail_model_->ShowDisk(selected_disk_);
  thumbnail_view_->scrollToTop();
}

void MainWindow::ShowNoDisk() {
  thumbnail_model_->ShowNothing();
  // The status names the disk shown; with none shown it would name one that is not.
  status_text_.clear();
  status_panel_->clear();
}

void MainWindow::ReportUndecodableThumbnail() {
  // Said once per shown disk, however often its bad thumbnails are painted again.
  if (undecodable_shown_) return;
  undecodable_shown_ = true;
  status_panel_->setText(status_text_ +
                         (thumbnail_model_->ShowsResults()
                              ? QStringLiteral("  Некоторые эскизы не читаются: ")
                              : QStringLiteral("  Некоторые эскизы этого диска не читаются: ")) +
                         QStringLiteral("вместо них показаны пустые рамки."));
}

void MainWindow::ListView1ColumnClick(int column) {
  sort_column_ = column;
  const Qt::SortOrder order = sort_ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder;
  disk_list_->header()->setSortIndicator(column, order);
  disk_proxy_->sort(column, order);
  sort_ascending_ = !sort_ascending_;
  // The results follow the disks' order.
  if (Searching()) ShowSearchResults();
}

void MainWindow::SelectRow(int row) {
  if (Searching()) {
    // The commands select a row after their change; the results stay, and that row of the whole
    // list is the one selected when the search ends.
    row_after_search_ = row;
    return;
  }
  const QModelIndex index = disk_proxy_->index(row, 0);
  if (index.isValid()) disk_list_->setCurrentIndex(index);
}

int MainWindow::DiskRowCount() const { return disk_proxy_->rowCount(); }

QString MainWindow::DiskName(int disk) const {
  return QString::fromStdString(Cp1251ToUtf8(disk_model_->Cp1251Name(disk)));
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (placement_.Shown(*this)) SplitAtDiskListWidth();
  // After the show has been handled, so that the box opens over the visible window.
  if (!pending_warnings_.isEmpty() || !pending_repair_question_.isEmpty()) {
    QTimer::singleShot(0, this, &MainWindow::ShowPendingWarnings);
  }
}

bool MainWindow::event(QEvent* event) {
  const bool handled = QMainWindow::event(event);
  if (placement_.Event(*this, *event)) SplitAtDiskListWidth();
  return handled;
}

void MainWindow::SplitAtDiskListWidth() {
  splitter_->setSizes({disk_list_width_, width() - disk_list_width_ - kSplitterHandleWidth});
}

}  // namespace quorvel
