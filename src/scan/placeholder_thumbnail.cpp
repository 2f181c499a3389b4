#include "scan/placeholder_thumbnail.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace quorvel {
namespace {

// Sizes for a 100 x 100 thumbnail; a larger or smaller area scales them.
constexpr int kBaseSide = 100;
constexpr int kFrameInset = 4;
constexpr int kFrameWidth = 2;
constexpr int kExtensionPixels = 24;
constexpr int kNotePixels = 13;
constexpr QColor kFrameColour(150, 150, 150);
constexpr QColor kTextColour(90, 90, 90);

// The extension of the file name in `path`, as written, without the dot; empty when it has none.
QString ExtensionOf(const QString& path) {
  const qsizetype name_start = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1;
  const qsizetype dot = path.lastIndexOf(u'.');
  if (dot < name_start) return {};
  return path.mid(dot + 1);
}

}  // namespace

void PaintPlaceholder(QPainter& painter, const QRect& area, const QString& path) {
  const double scale = static_cast<double>(std::min(area.width(), area.height())) / kBaseSide;
  const auto scaled = [scale](int pixels) { return std::max(1, qRound(pixels * scale)); };
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.fillRect(area, Qt::white);
  const int inset = scaled(kFrameInset);
  painter.setPen(QPen(kFrameColour, scaled(kFrameWidth)));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(area).adjusted(inset, inset, -inset, -inset));

  const QRect inside = area.adjusted(2 * inset, 2 * inset, -2 * inset, -2 * inset);
  QFont note_font = painter.font();
  note_font.setPixelSize(scaled(kNotePixels));
  QFont extension_font = note_font;
  extension_font.setPixelSize(scaled(kExtensionPixels));
  extension_font.setBold(true);
  const QString note = QStringLiteral("нет эскиза");
  const QString extension = ExtensionOf(path).toUpper();
  painter.setPen(kTextColour);
  if (extension.isEmpty()) {
    painter.setFont(note_font);
    painter.drawText(inside, Qt::AlignCenter, note);
  } else {
    const QFontMetrics extension_metrics(extension_font);
    const QFontMetrics note_metrics(note_font);
    const int height = extension_metrics.height() + note_metrics.height();
    const int top = inside.top() + (inside.height() - height) / 2;
    painter.setFont(extension_font);
    painter.drawText(QRect(inside.left(), top, inside.width(), extension_metrics.height()),
                     Qt::AlignCenter,
                     extension_metrics.elidedText(extension, Qt::ElideRight, inside.width()));
    painter.setFont(note_font);
    painter.drawText(QRect(inside.left(), top + extension_metrics.height(), inside.width(),
                           note_metrics.height()),
                     Qt::AlignCenter, note);
  }
  painter.restore();
}

}  // namespace quorvel
