// The thumbnail view: a list view whose items, all of one size, stand in a grid that is worked
// out by arithmetic from the item size and the viewport width. QListView's own layout keeps
// several ints per item for as long as the view lives, which a disk of 65535 thumbnails cannot
// afford; this view keeps one item size and nothing per item.
#ifndef QUORVEL_MAINWINDOW_THUMBNAIL_GRID_VIEW_H_
#define QUORVEL_MAINWINDOW_THUMBNAIL_GRID_VIEW_H_

#include <QListView>
#include <QRect>
#include <QSize>

namespace quorvel {

class ThumbnailGridView : public QListView {
  Q_OBJECT

 public:
  explicit ThumbnailGridView(QWidget* parent = nullptr);

  QRect visualRect(const QModelIndex& index) const override;
  QModelIndex indexAt(const QPoint& point) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  void doItemsLayout() override;

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
  void mouseReleaseEvent(QMouseEvent* event) override;

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

  mutable QSize item_size_;
  QRect band_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_THUMBNAIL_GRID_VIEW_H_
