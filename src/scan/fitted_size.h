// The size every decoder of the scan fits its picture into. Inline, so that the video module,
// which links nothing of the scan, fits its frames by the very same rule.
#ifndef QUORVEL_SCAN_FITTED_SIZE_H_
#define QUORVEL_SCAN_FITTED_SIZE_H_

#include <QSize>
#include <QtGlobal>
#include <algorithm>

namespace quorvel {

// The largest size of the aspect ratio of `source` that fits into `side` x `side`, never larger
// than `source` itself (small pictures are not blown up), and at least 1 x 1.
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

}  // namespace quorvel

#endif  // QUORVEL_SCAN_FITTED_SIZE_H_
