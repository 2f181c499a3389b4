#include "mainwindow/thumbnail_grid_view.h"

#include <QAbstractItemDelegate>
#include <QAccessible>
#include <QCursor>
#include <QDrag>
#include <QFocusEvent>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScrollBar>
#include <QStyleOptionRubberBand>
#include <QStyleOptionViewItem>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "mainwindow/thumbnail_model.h"

namespace quorvel {
namespace {

constexpr int kScrollStep = 20;

}  // namespace

ThumbnailGridView::ThumbnailGridView(QWidget* parent) : QListView(parent) {}

void ThumbnailGridView::SetDragData(std::function<QMimeData*(const QList<int>& rows)> make) {
  drag_data_ = std::move(make);
  // Out only: nothing is dropped on the view, and its items keep their places. Here rather than
  // at construction, since QListView's setMovement turns dragging off again.
  setDragDropMode(QAbstractItemView::DragOnly);
  setDefaultDropAction(Qt::CopyAction);
}

void ThumbnailGridView::startDrag(Qt::DropActions) {
  if (!drag_data_ || selectionModel() == nullptr) return;
  QList<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedIndexes()) rows.append(index.row());
  if (rows.isEmpty()) return;
  std::sort(rows.begin(), rows.end());
  QMimeData* data = drag_data_(rows);
  if (data == nullptr) return;
  // Qt deletes it once the drop is done with it, which on X11 may be after exec has returned.
  auto* drag = new QDrag(this);
  drag->setMimeData(data);
  const QModelIndex pressed =
      currentIndex().isValid() && selectionModel()->isSelected(currentIndex())
          ? currentIndex()
          : IndexOfRow(rows.first());
  const QImage picture = pressed.data(ThumbnailModel::kPictureRole).value<QImage>();
  if (!picture.isNull()) {
    drag->setPixmap(QPixmap::fromImage(picture));
    drag->setHotSpot(QPoint(picture.width() / 2, picture.height() / 2));
  }
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

QSize ThumbnailGridView::ItemSize() const {
  if (item_size_.isEmpty() && ItemCount() > 0 && itemDelegate() != nullptr) {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    item_size_ = itemDelegate()->sizeHint(option, IndexOfRow(0));
  }
  return item_size_;
}

int ThumbnailGridView::ItemCount() const {
  return model() != nullptr ? model()->rowCount(rootIndex()) : 0;
}

int ThumbnailGridView::Columns() const {
  const int width = ItemSize().width();
  return width > 0 ? std::max(1, viewport()->width() / width) : 1;
}

QRect ThumbnailGridView::ContentsRect(int row) const {
  const QSize size = ItemSize();
  const int columns = Columns();
  return QRect(QPoint(row % columns * size.width(), row / columns * size.height()), size);
}

QModelIndex ThumbnailGridView::IndexOfRow(int row) const {
  return model()->index(row, modelColumn(), rootIndex());
}

QRect ThumbnailGridView::visualRect(const QModelIndex& index) const {
  if (!index.isValid() || index.parent() != rootIndex() || index.column() != modelColumn() ||
      ItemSize().isEmpty()) {
    return QRect();
  }
  return ContentsRect(index.row()).translated(-horizontalOffset(), -verticalOffset());
}

QModelIndex ThumbnailGridView::indexAt(const QPoint& point) const {
  const QSize size = ItemSize();
  if (size.isEmpty()) return QModelIndex();
  const QPoint at = point + QPoint(horizontalOffset(), verticalOffset());
  if (at.x() < 0 || at.y() < 0) return QModelIndex();
  const int columns = Columns();
  const int column = at.x() / size.width();
  if (column >= columns) return QModelIndex();
  const qint64 row = qint64(at.y() / size.height()) * columns + column;
  return row < ItemCount() ? IndexOfRow(int(row)) : QModelIndex();
}

void ThumbnailGridView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  // Only the delayed scroll to a pressed item comes from a timer; the user has scrolled since.
  if (in_timer_ && scrolled_since_press_) return;
  const QRect item = visualRect(index);
  if (item.isEmpty()) return;
  // A pending layout may not have sized the scroll bars for the current rows yet.
  updateGeometries();
  const QRect area = viewport()->rect();
  QScrollBar* vertical = verticalScrollBar();
  const int top = item.top() + vertical->value();
  switch (hint) {
    case PositionAtTop:
      vertical->setValue(top);
      break;
    case PositionAtBottom:
      vertical->setValue(top + item.height() - area.height());
      break;
    case PositionAtCenter:
      vertical->setValue(top + item.height() / 2 - area.height() / 2);
      break;
    case EnsureVisible:
      if (item.top() < area.top()) {
        vertical->setValue(top);
      } else if (item.bottom() > area.bottom()) {
        vertical->setValue(top + item.height() - area.height());
      }
      break;
  }
  QScrollBar* horizontal = horizontalScrollBar();
  if (item.left() < area.left() || item.width() > area.width()) {
    horizontal->setValue(item.left() + horizontal->value());
  } else if (item.right() > area.right()) {
    horizontal->setValue(item.right() + horizontal->value() - area.width() + 1);
  }
}

void ThumbnailGridView::doItemsLayout() {
  // QListView's own layout is what records every item's position; skipping it is the point.
  item_size_ = QSize();
  QAbstractItemView::doItemsLayout();
}

void ThumbnailGridView::reset() {
  QListView::reset();
  // A search's results are taller than a disk's thumbnails: the new items are measured again.
  item_size_ = QSize();
  // The selection model empties itself on the same notice, after this view may have run.
  QTimer::singleShot(0, this, [this] {
    if (hasFocus()) PlaceCurrentAtFirst();
  });
}

void ThumbnailGridView::focusInEvent(QFocusEvent* event) {
  // A click makes its own item current; any other way in shows where the keys start.
  if (event->reason() != Qt::MouseFocusReason) PlaceCurrentAtFirst();
  QListView::focusInEvent(event);
}

void ThumbnailGridView::PlaceCurrentAtFirst() {
  if (selectionModel() == nullptr || currentIndex().isValid() || ItemCount() == 0) return;
  placing_ = true;
  selectionModel()->setCurrentIndex(IndexOfRow(0), QItemSelectionModel::NoUpdate);
  placing_ = false;
  current_placed_ = true;
}

void ThumbnailGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  if (!placing_) current_placed_ = false;
  // QListView names the new item to a screen reader by its place in the layout this view never
  // builds; here an item's place is its row.
  if (QAccessible::isActive() && current.isValid() && hasFocus()) {
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(current.row());
    QAccessible::updateAccessibility(&focus);
  }
  QAbstractItemView::currentChanged(current, previous);
}

void ThumbnailGridView::keyPressEvent(QKeyEvent* event) {
  // The first arrow after the view placed its current item chooses that item rather than
  // stepping past it, so that Right on entering the view selects the first thumbnail.
  const QModelIndex current = currentIndex();
  if (current_placed_ && current.isValid() && event->modifiers() == Qt::NoModifier &&
      !selectionModel()->isSelected(current)) {
    switch (event->key()) {
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Up:
      case Qt::Key_Down:
        current_placed_ = false;
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
        event->accept();
        return;
      default:
        break;
    }
  }
  QListView::keyPressEvent(event);
}

int ThumbnailGridView::horizontalOffset() const { return horizontalScrollBar()->value(); }

int ThumbnailGridView::verticalOffset() const { return verticalScrollBar()->value(); }

QModelIndex ThumbnailGridView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
  const int count = ItemCount();
  if (count == 0 || ItemSize().isEmpty()) return QModelIndex();
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return IndexOfRow(0);
  const int row = current.row();
  const int columns = Columns();
  const int column = row % columns;
  const int last_line = (count - 1) / columns;
  const int page = columns * std::max(1, viewport()->height() / ItemSize().height());
  int target = row;
  switch (action) {
    case MoveLeft:
      if (column > 0) target = row - 1;
      break;
    case MoveRight:
      if (column + 1 < columns && row + 1 < count) target = row + 1;
      break;
    case MovePrevious:
      target = std::max(0, row - 1);
      break;
    case MoveNext:
      target = std::min(count - 1, row + 1);
      break;
    case MoveUp:
      if (row >= columns) target = row - columns;
      break;
    case MoveDown:
      // From a full line above a short last one, as in Explorer, to the last item.
      if (row + columns < count) {
        target = row + columns;
      } else if (row / columns < last_line) {
        target = count - 1;
      }
      break;
    case MoveHome:
      target = 0;
      break;
    case MoveEnd:
      target = count - 1;
      break;
    case MovePageUp:
      target = row - page >= 0 ? row - page : column;
      break;
    case MovePageDown:
      if (row + page < count) {
        target = row + page;
      } else if (row / columns < last_line) {
        target = std::min(count - 1, last_line * columns + column);
      }
      break;
  }
  return IndexOfRow(target);
}

void ThumbnailGridView::setSelection(const QRect& rect,
                                     QItemSelectionModel::SelectionFlags command) {
  if (selectionModel() == nullptr) return;
  // The rectangle comes from the press point to the mouse, so it may be upside down.
  const QPoint offset(horizontalOffset(), verticalOffset());
  const QRect area =
      QRect(QPoint(std::min(rect.left(), rect.right()), std::min(rect.top(), rect.bottom())),
            QPoint(std::max(rect.left(), rect.right()), std::max(rect.top(), rect.bottom())))
          .translated(offset);
  if (state() == DragSelectingState && isSelectionRectVisible()) SetBand(area);

  QItemSelection selection;
  const QSize size = ItemSize();
  const int count = ItemCount();
  if (!size.isEmpty() && count > 0 && area.right() >= 0 && area.bottom() >= 0) {
    const int columns = Columns();
    const int first_column = std::max(0, area.left()) / size.width();
    const int last_column = std::min(columns - 1, area.right() / size.width());
    const int first_line = std::max(0, area.top()) / size.height();
    const int last_line = std::min((count - 1) / columns, area.bottom() / size.height());
    if (first_column <= last_column) {
      if (first_column == 0 && last_column == columns - 1) {
        // Whole lines are one run of rows; a band over many lines stays one range.
        if (first_line <= last_line) {
          selection.select(IndexOfRow(first_line * columns),
                           IndexOfRow(std::min(count - 1, last_line * columns + last_column)));
        }
      } else {
        for (int line = first_line; line <= last_line; ++line) {
          const int first = line * columns + first_column;
          if (first >= count) break;
          selection.select(IndexOfRow(first),
                           IndexOfRow(std::min(count - 1, line * columns + last_column)));
        }
      }
    }
  }
  selectionModel()->select(selection, command);
}

QRegion ThumbnailGridView::visualRegionForSelection(const QItemSelection& selection) const {
  const QSize size = ItemSize();
  const int count = ItemCount();
  if (size.isEmpty() || count == 0) return QRegion();
  // Only the rows on screen can need repainting, however many are selected.
  const int columns = Columns();
  const int top = verticalOffset();
  const int first_visible = top / size.height() * columns;
  const int last_visible =
      std::min(count - 1, (top + viewport()->height() - 1) / size.height() * columns + columns - 1);
  QRegion region;
  for (const QItemSelectionRange& range : selection) {
    if (!range.isValid() || range.parent() != rootIndex() || range.left() > modelColumn() ||
        range.right() < modelColumn()) {
      continue;
    }
    const int last = std::min(range.bottom(), last_visible);
    for (int row = std::max(range.top(), first_visible); row <= last; ++row) {
      region += ContentsRect(row).translated(-horizontalOffset(), -top);
    }
  }
  return region;
}

void ThumbnailGridView::updateGeometries() {
  const QSize size = ItemSize();
  const int count = ItemCount();
  QScrollBar* vertical = verticalScrollBar();
  QScrollBar* horizontal = horizontalScrollBar();
  if (size.isEmpty() || count == 0) {
    vertical->setRange(0, 0);
    horizontal->setRange(0, 0);
  } else {
    const int columns = Columns();
    const qint64 height = qint64((count + columns - 1) / columns) * size.height();
    vertical->setRange(0, int(std::max<qint64>(0, height - viewport()->height())));
    horizontal->setRange(0, std::max(0, size.width() - viewport()->width()));
  }
  vertical->setSingleStep(kScrollStep);
  vertical->setPageStep(viewport()->height());
  horizontal->setSingleStep(kScrollStep);
  horizontal->setPageStep(viewport()->width());
  QAbstractItemView::updateGeometries();
}

void ThumbnailGridView::scrollContentsBy(int dx, int dy) {
  // QListView's scrolling goes through the per-item layout this view never builds, and so
  // neither moves nor repaints the pictures. Unlike QListView's, this view's horizontal offset
  // is the scroll bar's value in either direction, so dx needs no turning right to left.
  scrolled_since_press_ = true;
  QAbstractItemView::scrollContentsBy(dx, dy);
}

void ThumbnailGridView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QSize size = ItemSize();
  const int count = ItemCount();
  if (!size.isEmpty() && count > 0) {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State base_state = option.state;
    const bool enabled = (base_state & QStyle::State_Enabled) != 0;
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QModelIndex hover = viewport()->underMouse()
                                  ? indexAt(viewport()->mapFromGlobal(QCursor::pos()))
                                  : QModelIndex();
    const QItemSelectionModel* selections = selectionModel();

    const QRect area = event->rect().translated(horizontalOffset(), verticalOffset());
    const int columns = Columns();
    const int first_column = std::max(0, area.left()) / size.width();
    const int last_column = std::min(columns - 1, std::max(0, area.right()) / size.width());
    const int first_line = std::max(0, area.top()) / size.height();
    const int last_line =
        std::min((count - 1) / columns, std::max(0, area.bottom()) / size.height());
    for (int line = first_line; line <= last_line; ++line) {
      for (int column = first_column; column <= last_column; ++column) {
        const int row = line * columns + column;
        if (row >= count) break;
        const QModelIndex index = IndexOfRow(row);
        option.rect = visualRect(index);
        option.state = base_state;
        if (selections != nullptr && selections->isSelected(index)) {
          option.state |= QStyle::State_Selected;
        }
        if (enabled) {
          const bool item_enabled = (model()->flags(index) & Qt::ItemIsEnabled) != 0;
          if (!item_enabled) option.state &= ~QStyle::State_Enabled;
          option.palette.setCurrentColorGroup(item_enabled ? QPalette::Normal : QPalette::Disabled);
        }
        if (focus && current == index) {
          option.state |= QStyle::State_HasFocus;
          if (state() == EditingState) option.state |= QStyle::State_Editing;
        }
        option.state.setFlag(QStyle::State_MouseOver, index == hover);
        itemDelegateForIndex(index)->paint(&painter, option, index);
      }
    }
  }

  if (!band_.isEmpty()) {
    QStyleOptionRubberBand band;
    band.initFrom(this);
    band.shape = QRubberBand::Rectangle;
    band.opaque = false;
    band.rect = band_.translated(-horizontalOffset(), -verticalOffset())
                    .intersected(viewport()->rect().adjusted(-16, -16, 16, 16));
    painter.save();
    style()->drawControl(QStyle::CE_RubberBand, &band, &painter);
    painter.restore();
  }
}

void ThumbnailGridView::resizeEvent(QResizeEvent* event) {
  // The column count follows the width at once; there is no per-item layout to postpone.
  QAbstractItemView::resizeEvent(event);
  viewport()->update();
}

void ThumbnailGridView::mousePressEvent(QMouseEvent* event) {
  scrolled_since_press_ = false;
  QListView::mousePressEvent(event);
}

void ThumbnailGridView::mouseReleaseEvent(QMouseEvent* event) {
  QListView::mouseReleaseEvent(event);
  SetBand(QRect());
}

void ThumbnailGridView::timerEvent(QTimerEvent* event) {
  in_timer_ = true;
  QListView::timerEvent(event);
  in_timer_ = false;
}

void ThumbnailGridView::SetBand(const QRect& band) {
  if (band == band_) return;
  const int margin = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
  const QRect changed = band.united(band_).adjusted(-margin, -margin, margin, margin);
  band_ = band;
  viewport()->update(changed.translated(-horizontalOffset(), -verticalOffset()));
}

}  // namespace quorvel
