#include "scan/picture_geometry.h"

#include <QTransform>

namespace quorvel {

int DctScaleEighths(QSize source, QSize target) {
  auto covers = [&](int eighths) {
    auto scaled = [eighths](qint64 side) { return (side * eighths + 7) / 8; };
    return scaled(source.width()) >= target.width() && scaled(source.height()) >= target.height();
  };
  int eighths = 1;
  while (eighths < 8 && !covers(eighths)) ++eighths;
  return eighths;
}

QImage TurnUpright(const QImage& image, int orientation) {
  switch (orientation) {
    case 2:
      return image.mirrored(true, false);
    case 3:
      return image.mirrored(true, true);
    case 4:
      return image.mirrored(false, true);
    case 5:
      return image.mirrored(false, true).transformed(QTransform().rotate(90));
    case 6:
      return image.transformed(QTransform().rotate(90));
    case 7:
      return image.mirrored(true, false).transformed(QTransform().rotate(90));
    case 8:
      return image.transformed(QTransform().rotate(270));
    default:
      return image;
  }
}

}  // namespace quorvel
