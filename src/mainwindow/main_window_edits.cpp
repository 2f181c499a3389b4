// The edits of the open catalogue: removing and renaming disks, removing thumbnails, and the
// context menus that lead to them.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTreeView>
#include <algorithm>
#include <set>
#include <vector>

#include "catalog/catalog_edits.h"
#include "catalog/cp1251.h"
#include "mainwindow/disk_list_model.h"
#include "mainwindow/main_window.h"
#include "mainwindow/thumbnail_model.h"
#include "platform/disk_name_text.h"

namespace quorvel {
namespace {

const QString kTitle = QStringLiteral("Quorvel");

// The hourglass for as long as it lives.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// Where a menu opened from the keyboard appears: over the current item, or the list's corner
// when that item is out of sight.
QPoint KeyboardMenuPoint(const QAbstractItemView& list) {
  const QRect shown = list.viewport()->rect();
  const QRect item = list.visualRect(list.currentIndex()).intersected(shown);
  return item.isEmpty() ? shown.topLeft() : item.center();
}

}  // namespace

QList<int> MainWindow::SelectedThumbnailRows() const {
  QList<int> rows;
  for (const QModelIndex& index : thumbnail_view_->selectionModel()->selectedIndexes()) {
    rows.append(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == search_field_) {
    if (event->type() == QEvent::FocusIn) PrepareSearch();
    // Escape empties the field, and so ends the search.
    if (event->type() != QEvent::KeyPress ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape ||
        search_field_->text().isEmpty()) {
      return false;
    }
    search_field_->clear();
    return true;
  }
  QAbstractItemView* list = nullptr;
  for (QAbstractItemView* candidate : {static_cast<QAbstractItemView*>(disk_list_),
                                       static_cast<QAbstractItemView*>(thumbnail_view_)}) {
    if (watched == candidate || watched == candidate->viewport()) list = candidate;
  }
  if (list == nullptr) return QMainWindow::eventFilter(watched, event);

  if (event->type() == QEvent::ContextMenu) {
    const auto* request = static_cast<QContextMenuEvent*>(event);
    const QPoint at = request->reason() == QContextMenuEvent::Keyboard
                          ? KeyboardMenuPoint(*list)
                          : list->viewport()->mapFromGlobal(request->globalPos());
    if (list == disk_list_) {
      ListView1ContextPopup(at);
    } else {
      ListView2ContextPopup(at);
    }
    return true;
  }
  if (event->type() != QEvent::KeyPress || watched != list) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
    // The desktop's other key for the context menu; X11 turns only the menu key into a request.
    QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(), list->mapToGlobal(QPoint()));
    QCoreApplication::sendEvent(list, &request);
    return true;
  }
  if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier) return false;
  // The keys trigger the commands' actions, which do nothing while disabled.
  QAction* command = nullptr;
  if (key->key() == Qt::Key_Delete) {
    command = list == disk_list_ ? menus_.RemoveDisk : menus_.RemoveThumb;
  } else if (key->key() == Qt::Key_F2 && list == disk_list_) {
    command = menus_.RenameDisk;
  } else if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
             list == thumbnail_view_ && thumbnail_model_->ShowsResults()) {
    command = menus_.ShowOnDisk;
  }
  if (command == nullptr) return false;
  command->trigger();
  return true;
}

// Each menu opens only while its first command has something to act on.
void MainWindow::ListView1ContextPopup(const QPoint& pos) {
  if (!menus_.RemoveDisk->isEnabled()) return;
  menus_.PopupMenu1->popup(disk_list_->viewport()->mapToGlobal(pos));
}

void MainWindow::ListView2ContextPopup(const QPoint& pos) {
  if (!menus_.RemoveThumb->isEnabled()) return;
  // Over search results the menu leads to a result's disk first.
  if (thumbnail_model_->ShowsResults()) {
    menus_.PopupMenu2->insertAction(menus_.RemoveThumb, menus_.ShowOnDisk);
  } else {
    menus_.PopupMenu2->removeAction(menus_.ShowOnDisk);
  }
  menus_.PopupMenu2->popup(thumbnail_view_->viewport()->mapToGlobal(pos));
}

void MainWindow::RemoveDiskClick() {
  const std::vector<int> selected = SelectedDisksInOrder();
  if (selected.empty() || !ChangeAllowed()) return;
  // The question names the selected row's disk: the last row selected may have been
  // unselected since, and must not be named for a disk that is not going.
  const QString text = selected.size() == 1
                           ? QStringLiteral("Вы действительно хотите удалить диск \r\"") +
                                 DiskName(selected.front()) + QStringLiteral("\" ?")
                           : QStringLiteral("Вы действительно хотите удалить эти диски (") +
                                 QString::number(selected.size()) + QStringLiteral(" шт.) ?");
  if (prompts_.ConfirmYesNo(this, kTitle, text) != Answer::kYes) return;
  const WaitCursor wait;
  // The disks that stay are stored in ascending name order, the order the list shows after
  // this sort; the disks a filter hides stay as well.
  disk_proxy_->ShowAllDisks();
  sort_ascending_ = true;
  ListView1ColumnClick(DiskListModel::kNameColumn);
  const std::set<int> going(selected.begin(), selected.end());
  std::vector<int> kept;
  for (const int disk : disk_proxy_->DisksInOrder()) {
    if (!going.contains(disk)) kept.push_back(disk);
  }
  Guarded([&] {
    document_.ApplyChange(CopyDisks(document_.CatalogStream(), document_.Index(), kept));
    ReloadCatalog(false);
    if (DiskRowCount() > 0) SelectRow(0);
  });
}

void MainWindow::RenameDiskClick() {
  const std::vector<int> selected = SelectedDisksInOrder();
  if (selected.size() != 1 || !ChangeAllowed()) return;
  // The selected row's disk, which is not always the last one selected (see RemoveDiskClick).
  const int disk = selected.front();
  const QString preset = DiskName(disk);
  std::string name;
  for (;;) {
    // Cancel keeps the name, and the rename still goes ahead with it.
    const QString typed =
        prompts_.InputText(this, QStringLiteral("Введите новое имя диска"), QString(), preset)
            .value_or(preset);
    if (const QString refusal = DiskNameRefusal(typed); !refusal.isEmpty()) {
      prompts_.Error(this, kTitle, refusal);
      continue;
    }
    name = Utf8ToCp1251(typed.toStdString());
    break;
  }
  Guarded([&] {
    document_.ApplyChange(RenameDisk(document_.CatalogStream(), document_.Index(), disk, name));
    ReloadCatalog(false);
    SelectDiskRow(disk);
  });
}

void MainWindow::RemoveThumbClick() {
  const QList<int> rows = SelectedThumbnailRows();
  if (rows.isEmpty() || !ChangeAllowed()) return;
  const QString text = rows.size() == 1
                           ? QStringLiteral("Вы действительно хотите удалить эскиз \r\"") +
                                 thumbnail_model_->Name(rows.first()) + QStringLiteral("\" ?")
                           : QStringLiteral("Вы действительно хотите удалить эти эскизы (") +
                                 QString::number(rows.size()) + QStringLiteral(" шт.) ?");
  if (prompts_.ConfirmYesNo(this, kTitle, text) != Answer::kYes) return;
  const WaitCursor wait;
  std::vector<ThumbRef> removed;
  removed.reserve(static_cast<std::size_t>(rows.size()));
  // The view's items name their own disks: one disk's thumbnails, or results of several.
  for (const int row : rows) {
    removed.push_back(ItemOfRow(row));
  }
  const int disk = removed.front().disk;
  Guarded([&] {
    document_.ApplyChange(RemoveThumbs(document_.CatalogStream(), document_.Index(), removed));
    // Search results are shown again as they are now, by the reload; a disk's thumbnails, by
    // selecting it again.
    ReloadCatalog(false);
    if (!Searching()) SelectDiskRow(disk);
  });
}

}  // namespace quorvel
