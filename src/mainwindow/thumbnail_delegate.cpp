#include "mainwindow/thumbnail_delegate.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>
#include <utility>

#include "catalog/catalog_error.h"
#include "catalog/format.h"
#include "mainwindow/thumbnail_model.h"
#include "platform/error_text.h"

namespace quorvel {
namespace {

constexpr int kTopMargin = 4;
constexpr int kLabelGap = 2;
constexpr int kLabelLines = 2;

QFont LabelFont(const QFont& base) {
  QFont font = base;
  font.setPointSize(ThumbnailDelegate::kLabelPointSize);
  return font;
}

// The box of one label line. At small sizes the font's rounded ascent can end below the dots of
// "Ё" and the accents of other capitals, and its descent above the tails of "у" and "g": the
// line is as tall as the ink of those too, so that no label is cut.
struct LineBox {
  int ascent;
  int height;
};

LineBox LabelLineBox(const QFontMetrics& metrics) {
  const QRect ink = metrics.tightBoundingRect(QStringLiteral("ЁЙÅÉÖ|_gjyуд"));
  const int ascent = std::max(metrics.ascent(), -ink.top());
  const int descent = std::max(metrics.descent(), ink.bottom() + 1);
  return {ascent, std::max(metrics.height(), ascent + descent)};
}

// Where the file name of a stored image path begins: after its last separator or drive colon.
qsizetype FileNameStart(const QString& path) {
  return std::max({path.lastIndexOf('\\'), path.lastIndexOf('/'), path.lastIndexOf(':')}) + 1;
}

}  // namespace

QStringList ThumbnailDelegate::LabelLines(const QString& path, const QFontMetrics& metrics,
                                          int width) {
  if (metrics.horizontalAdvance(path) <= width) return {path};
  // Two lines: the folder, shortened from the left, above the file name, which matters most.
  const qsizetype cut = FileNameStart(path) - 1;
  const QString folder = cut < 0 ? QString() : path.left(cut + 1);
  const QString file = path.mid(cut + 1);
  QStringList lines;
  if (!folder.isEmpty()) lines.append(metrics.elidedText(folder, Qt::ElideLeft, width));
  lines.append(metrics.elidedText(file, Qt::ElideLeft, width));
  return lines;
}

QStringList ThumbnailDelegate::ResultLines(const QString& disk, const QString& path,
                                           const QFontMetrics& metrics, int width) {
  const qsizetype file_start = FileNameStart(path);
  QStringList lines = {metrics.elidedText(disk, Qt::ElideRight, width)};
  // Both ends of a folder tell where it is: the drive and the last folders.
  if (file_start > 0) {
    lines.append(metrics.elidedText(path.left(file_start), Qt::ElideMiddle, width));
  }
  lines.append(metrics.elidedText(path.mid(file_start), Qt::ElideLeft, width));
  return lines;
}

ThumbnailDelegate::ThumbnailDelegate(const ThumbnailModel& model,
                                     std::function<void(const QString&)> on_unshown,
                                     QObject* parent)
    : QStyledItemDelegate(parent), model_(model), on_unshown_(std::move(on_unshown)) {}

QRect ThumbnailDelegate::PictureRect(const QRect& item_rect) {
  return QRect(item_rect.left() + kPictureInset, item_rect.top() + kTopMargin, kThumbSide,
               kThumbSide);
}

QSize ThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  const LineBox line = LabelLineBox(QFontMetrics(LabelFont(option.font)));
  // A result's label has its disk's name above the two lines of a disk's own thumbnail.
  const int lines = kLabelLines + (index.data(ThumbnailModel::kDiskNameRole).isValid() ? 1 : 0);
  return QSize(kItemWidth, kTopMargin + kThumbSide + kLabelGap + lines * line.height + kTopMargin);
}

void ThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  painter->save();
  // The selection highlight and focus frame come from the style, under the picture and text.
  opt.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

  const QRect picture_area = PictureRect(option.rect);
  Bytes jpeg;
  QString unread;
  try {
    jpeg = model_.Jpeg(index.row());
  } catch (const CatalogError& error) {
    unread = ErrorText(error);
  }
  if (DecodeJpeg(jpeg, decoded_)) {
    // The picture keeps its own size: a thumbnail that is not 100 x 100 is not stretched.
    const QImage picture(decoded_.pixels.data(), decoded_.width, decoded_.height,
                         decoded_.width * 3, QImage::Format_RGB888);
    painter->drawImage(picture_area.topLeft(), picture);
  } else {
    PaintPlaceholder(painter, picture_area, option.palette);
    if (on_unshown_) on_unshown_(unread);
  }
  decoded_.pixels.clear();

  const QFont font = LabelFont(option.font);
  painter->setFont(font);
  const bool selected = option.state.testFlag(QStyle::State_Selected);
  painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  const QRect label(option.rect.left() + 4, picture_area.bottom() + 1 + kLabelGap,
                    option.rect.width() - 8, option.rect.bottom() - picture_area.bottom());
  const QFontMetrics metrics(font);
  const QString path = index.data(Qt::DisplayRole).toString();
  const QVariant disk = index.data(ThumbnailModel::kDiskNameRole);
  const QStringList lines = disk.isValid()
                                ? ResultLines(disk.toString(), path, metrics, label.width())
                                : LabelLines(path, metrics, label.width());
  const LineBox line = LabelLineBox(metrics);
  for (int k = 0; k < lines.size(); ++k) {
    // Drawn at its baseline, which clips nothing; the lines were fitted to the width.
    const int x = label.left() + (label.width() - metrics.horizontalAdvance(lines[k])) / 2;
    painter->drawText(QPoint(x, label.top() + k * line.height + line.ascent), lines[k]);
  }
  if (option.state.testFlag(QStyle::State_HasFocus)) {
    // Drawn whatever moved the focus: the frame is how the keyboard user finds the item.
    QStyleOptionFocusRect frame;
    frame.QStyleOption::operator=(option);
    frame.rect = option.rect.adjusted(1, 1, -1, -1);
    frame.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
    frame.backgroundColor = option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, painter, widget);
  }
  painter->restore();
}

void ThumbnailDelegate::PaintPlaceholder(QPainter* painter, const QRect& area,
                                         const QPalette& palette) const {
  painter->fillRect(area, palette.color(QPalette::Base));
  QPen pen(palette.color(QPalette::Mid));
  pen.setWidth(1);
  painter->setPen(pen);
  painter->drawRect(area.adjusted(0, 0, -1, -1));
  painter->drawLine(area.topLeft(), area.bottomRight());
  painter->drawLine(area.topRight(), area.bottomLeft());
}

}  // namespace quorvel
