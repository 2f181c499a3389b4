// The geometry every reader of the scan shares: the size a picture is fitted to, the DCT scale
// libjpeg decodes at for it, and the turn that puts a picture upright. Readers include this and
// nothing above them.
#ifndef QUORVEL_SCAN_PICTURE_GEOMETRY_H_
#define QUORVEL_SCAN_PICTURE_GEOMETRY_H_

#include <QImage>
#include <QSize>
#include <QtGlobal>
#include <algorithm>

namespace quorvel {

// The largest size of the aspect ratio of `source` that fits into `side` x `side`, never larger
// than `source` itself (small pictures are not blown up), and at least 1 x 1. Inline, so that
// the video module, which links nothing of the scan, fits its frames by the very same rule.
inline QSize FittedSize(QSize source, int side) {
  if (source.width() < 1 || source.height() < 1 || side < 1) return {};
  if (source.width() <= side && source.height() <= side) return source;
  const qint64 width = source.width();
  const qint64 height = source.height();
  if (width >= height) {
    return {side, static_cast<int>(std::max<qint64>(1, (height * side + width / 2) / width))};
  }
  return {static_cast<int>(std::max<qint64>(1, (width * side + height / 2) / height)), side};
}

// The DCT scale M/8 (M from 1 to 8) at which libjpeg decodes a JPEG of `source` for a picture
// of `target`: the smallest whose output, each side rounded up, still covers `target`.
int DctScaleEighths(QSize source, QSize target);

// `image` turned upright as the EXIF orientation `orientation` (1 to 8) says it is stored.
QImage TurnUpright(const QImage& image, int orientation);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_PICTURE_GEOMETRY_H_
