// Camera-like JPEGs for the tests: the picture after an EXIF block with the maker's tags, an
// orientation and the small thumbnail cameras keep there.
#ifndef QUORVEL_TESTS_SUPPORT_CAMERA_JPEG_H_
#define QUORVEL_TESTS_SUPPORT_CAMERA_JPEG_H_

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace quorvel::testkit {

struct CameraJpegOptions {
  int quality = 90;
  int orientation = 0;          // 0: no Orientation tag
  QByteArray thumbnail;         // IFD1's JPEG, or any bytes; empty: no thumbnail
  bool little_endian = true;    // the TIFF block's byte order
  int padding_before_exif = 0;  // bytes of comment segments between SOI and the EXIF block
};

// `picture` as a baseline JPEG (4:2:0, no JFIF header, as cameras write it) with an APP1 EXIF
// block right after SOI (after the padding, when asked): Make, Model, DateTime, the orientation
// and the thumbnail. Empty when the thumbnail is too large for one segment.
QByteArray CameraJpeg(const QImage& picture, const CameraJpegOptions& options = {});

// `image` as a baseline JPEG by libjpeg (4:2:0, no JFIF header).
QByteArray EncodeJpeg(const QImage& image, int quality = 90);

// What cameras store for a picture whose shape differs from the thumbnail's: the picture fitted
// into `box` (aspect kept, smooth scaling) and centred between black bars.
QImage LetterboxedThumbnail(const QImage& picture, QSize box = QSize(160, 120));

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_CAMERA_JPEG_H_
