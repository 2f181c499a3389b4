// Paints one item of the thumbnail view: its stored JPEG, decoded for this paint only, with the
// image name beneath in a small font.
#ifndef QUORVEL_MAINWINDOW_THUMBNAIL_DELEGATE_H_
#define QUORVEL_MAINWINDOW_THUMBNAIL_DELEGATE_H_

#include <QFontMetrics>
#include <QStringList>
#include <QStyledItemDelegate>
#include <functional>

#include "catalog/thumbnail_jpeg.h"

namespace quorvel {

class ThumbnailModel;

class ThumbnailDelegate : public QStyledItemDelegate {
 public:
  // Geometry of an item: the picture's area is kThumbSide square, drawn kPictureInset from the
  // left of an icon area as wide as the item; the label sits below it.
  static constexpr int kItemWidth = 120;
  static constexpr int kPictureInset = 10;
  static constexpr int kLabelPointSize = 6;

  // `on_unshown` is called from a paint whose JPEG data does not decode (with an empty text),
  // or could not be read from the catalogue's file (with the error's text).
  ThumbnailDelegate(const ThumbnailModel& model, std::function<void(const QString&)> on_unshown,
                    QObject* parent = nullptr);

  // Where the picture of an item in `item_rect` goes (its top-left corner, picture size).
  static QRect PictureRect(const QRect& item_rect);

  // The label of an image path in at most two lines of `width`: the whole path when it fits,
  // else the folder (shortened from the left) above the file name.
  static QStringList LabelLines(const QString& path, const QFontMetrics& metrics, int width);
  // The label of a search result, each line fitted to `width`: its disk's name, the image's
  // folder (shortened in the middle; no line when the path has none) and its file name.
  static QStringList ResultLines(const QString& disk, const QString& path,
                                 const QFontMetrics& metrics, int width);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  void PaintPlaceholder(QPainter* painter, const QRect& area, const QPalette& palette) const;

  const ThumbnailModel& model_;
  std::function<void(const QString&)> on_unshown_;
  mutable RgbImage decoded_;  // reused between paints; holds one picture only while it is drawn
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_THUMBNAIL_DELEGATE_H_
