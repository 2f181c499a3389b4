// Pictures made on the fly for the renderer's tests and benchmark: JPEG written a row at a time
// (so that huge ones cost no memory), EXIF orientation tags, GIF (which Qt cannot write), a
// photo-like texture, and the measures that compare thumbnails with a reference.
#ifndef QUORVEL_TESTS_PLATFORM_TEST_PICTURES_H_
#define QUORVEL_TESTS_PLATFORM_TEST_PICTURES_H_

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace quorvel::testkit {

// Fills one row of `width` RGB pixels (3 bytes each) for row `y`.
using RowPainter = std::function<void(int y, std::uint8_t* rgb)>;

// Writes a baseline JPEG (4:2:0, libjpeg's defaults) of width x height, asking `paint` for each
// row in turn; only one row is ever held. Returns false when the file cannot be written.
bool WriteJpegByRows(const QString& path, int width, int height, int quality,
                     const RowPainter& paint);

// A solid four-component JPEG holding `stored` (C, M, Y, K samples as written to the file) in
// every pixel. libjpeg adds the Adobe marker, under which readers take the samples as inverted
// (255 is no ink), as Photoshop writes them.
bool WriteCmykJpeg(const QString& path, int width, int height, const std::uint8_t stored[4]);

// `jpeg` with an APP1 EXIF segment holding only the orientation tag, placed right after SOI.
QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation, bool little_endian);

// `image` (at most 256 colours are kept: it is quantised to its first distinct colours) as a
// GIF89a file. Qt reads GIF but does not write it.
QByteArray EncodeGif(const QImage& image);

// `image` in `format` by Qt's writers ("jpg", "png", "webp", "tif", ...).
QByteArray EncodeWithQt(const QImage& image, const char* format, int quality = -1);

// `png` with one more chunk, of `type` (four letters) and `data`, right after its header chunk,
// with its CRC right: the readers take it for one the encoder wrote.
QByteArray WithPngChunk(const QByteArray& png, const char* type, const QByteArray& data);

bool WriteBytes(const QString& path, const QByteArray& bytes);

// A deterministic photo-like picture: smooth gradients, soft shapes, fine texture and noise, so
// that it compresses and scales like a photograph rather than like flat colour.
class PhotoLikePicture {
 public:
  PhotoLikePicture(int width, int height);
  void PaintRow(int y, std::uint8_t* rgb) const;
  RowPainter Painter() const;

 private:
  int width_;
  std::vector<float> column_waves_;  // 4 per column
  std::vector<float> row_waves_;     // 4 per row
};

// The mean of each `factor` x `factor` block: the reference downscale by an integer factor.
QImage BlockAverage(const QImage& image, int factor);

// The exact area average down to `size` (no larger than the image): each output pixel is the
// mean of the area it covers, edge pixels counted by their fraction, computed in double.
QImage AreaAverage(const QImage& image, QSize size);

// Peak signal-to-noise ratio in dB over the RGB channels of two images of one size.
double Psnr(const QImage& a, const QImage& b);

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_PLATFORM_TEST_PICTURES_H_
