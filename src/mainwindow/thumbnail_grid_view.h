// The thumbnail view: a list view whose items, all of one size, stand in a grid that is worked
// out by arithmetic from the item size and the viewport width. QListView's own layout keeps
// several ints per item for as long as the view lives, which a disk of 65535 thumbnails cannot
// afford; this view keeps one item size and nothing per item. Its items can be dragged out as
// copies, never moved.
#ifndef QUORVEL_MAINWINDOW_THUMBNAIL_GRID_VIEW_H_
#define QUORVEL_MAINWINDOW_THUMBNAIL_GRID_VIEW_H_

#include <QList>
#include <QListView>
#include <QRect>
#include <QSize>
#include <functional>

class QMimeData;

namespace quorvel {

class ThumbnailGridView : public QListView {
  Q_OBJECT

 public:
  explicit ThumbnailGridView(QWidget* parent = nullptr);

  QRect visualRect(const QModelIndex& index) const override;
  QModelIndex indexAt(const QPoint& point) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  void doItemsLayout() override;
  void reset() override;

  // Makes what a drag of the selected rows (top to bottom) carries; a null result starts no
  // drag. Until it is set, nothing is dragged.
  void SetDragData(std::function<QMimeData*(const QList<int>& rows)> make);

 protected:
  int horizontalOffset() const override;
  int verticalOffset() const override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
  QRegion visualRegionForSelection(const QItemSelection& selection) const override;
  void updateGeometries() override;
  void scrollContentsBy(int dx, int dy) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  // A copy out of the program, shown by the picture of the item it started on.
  void startDrag(Qt::DropActions supported_actions) override;

 private:
  // The uniform item size, taken from the delegate on first need after each layout.
  QSize ItemSize() const;
  int ItemCount() const;
  int Columns() const;
  // The item's rectangle in contents coordinates (those of a viewport scrolled to 0, 0).
  QRect ContentsRect(int row) const;
  QModelIndex IndexOfRow(int row) const;
  // The rubber band as the view paints it: contents coordinates, empty when none is shown.
  void SetBand(const QRect& band);
  // Gives the focused view a current item, the first, without selecting it, so that the focus
  // frame shows where the keys start; the first arrow key then selects that item.
  void PlaceCurrentAtFirst();

  mutable QSize item_size_;
  QRect band_;
  // A press starts a delayed scroll to the pressed item, which QListView cancels when the view
  // scrolls meanwhile. Its timer is private, so this view drops that scroll when it comes.
  bool scrolled_since_press_ = false;
  bool in_timer_ = false;
  // The current item was placed by PlaceCurrentAtFirst and not yet chosen by the user.
  bool current_placed_ = false;
  bool placing_ = false;
  std::function<QMimeData*(const QList<int>& rows)> drag_data_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_THUMBNAIL_GRID_VIEW_H_
