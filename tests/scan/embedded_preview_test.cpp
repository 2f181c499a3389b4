#include "scan/embedded_preview.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "scan/byte_source.h"
#include "scan/test_pictures.h"
#include "scan/thumbnail_renderer.h"
#include "support/camera_jpeg.h"

namespace quorvel {
namespace {

using testkit::CameraJpeg;
using testkit::CameraJpegOptions;
using testkit::EncodeJpeg;
using testkit::LetterboxedThumbnail;
using testkit::PhotoLikePicture;
using testkit::Psnr;

constexpr int kSide = 100;

QImage PhotoLike(int width, int height) {
  const PhotoLikePicture photo(width, height);
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y) photo.PaintRow(y, image.scanLine(y));
  return image;
}

QImage Filled(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// Red top left, green top right, blue bottom left, yellow bottom right.
QImage Quadrants(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.fillRect(0, 0, width / 2, height / 2, QColor(Qt::red));
  painter.fillRect(width / 2, 0, width - width / 2, height / 2, QColor(Qt::green));
  painter.fillRect(0, height / 2, width / 2, height - height / 2, QColor(Qt::blue));
  painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2,
                   QColor(Qt::yellow));
  return image;
}

std::vector<std::uint8_t> Bytes(const QByteArray& bytes) { return {bytes.begin(), bytes.end()}; }

// What the reader gives FindUsablePreview: the file's head, as long as PreviewHeadLength says
// from its first kPreviewHeadBytes, and not a byte more.
std::vector<std::uint8_t> Head(const QByteArray& file) {
  const std::vector<std::uint8_t> bytes = Bytes(file);
  const std::span<const std::uint8_t> first(bytes.data(),
                                            std::min(bytes.size(), kPreviewHeadBytes));
  const std::size_t length = std::min(bytes.size(), PreviewHeadLength(first));
  return {bytes.begin(), bytes.begin() + static_cast<long>(length)};
}

std::optional<EmbeddedPreview> Preview(const QByteArray& file) {
  return FindUsablePreview(Head(file));
}

// The whole picture decoded, as without previews.
QImage FullDecode(const QByteArray& file) {
  MemoryByteSource source(Bytes(file));
  QString error;
  const QImage picture = DecodeFittedPicture(source, QStringLiteral("photo.jpg"), kSide, &error);
  EXPECT_FALSE(picture.isNull()) << error.toStdString();
  return picture;
}

TEST(EmbeddedPreview, AThumbnailOfThePicturesShapeStandsForIt) {
  // Green where the picture is grey: what is shown tells which was decoded.
  const QByteArray file = CameraJpeg(Filled(800, 600, 0xFF808080),
                                     {.thumbnail = EncodeJpeg(Filled(160, 120, 0xFF00C000))});
  ASSERT_EQ(PreviewHeadLength(Bytes(file)), kPreviewHeadBytes);
  const std::optional<EmbeddedPreview> preview = Preview(file);
  ASSERT_TRUE(preview.has_value());
  EXPECT_EQ(preview->picture.size(), QSize(160, 120));
  EXPECT_EQ(preview->orientation, 1);
  const QImage fitted = FitPreview(*preview, kSide);
  ASSERT_EQ(fitted.size(), QSize(100, 75));
  const QColor seen = fitted.pixelColor(50, 37);
  EXPECT_LT(seen.red(), 30);
  EXPECT_GT(seen.green(), 160);
}

TEST(EmbeddedPreview, DoubtfulThumbnailsAreNotUsed) {
  const QImage picture = PhotoLike(900, 600);  // 3:2
  const QImage photo_4_3 = PhotoLike(800, 600);
  QImage asymmetric(160, 120, QImage::Format_RGB32);  // bars of 3 and 10 rows
  asymmetric.fill(Qt::black);
  QPainter(&asymmetric).drawImage(0, 3, picture.scaled(160, 107));
  const QImage other_shape = LetterboxedThumbnail(PhotoLike(1000, 500));  // 2:1
  QImage grey_bars = LetterboxedThumbnail(picture);
  QPainter(&grey_bars).fillRect(0, 0, 160, 6, QColor(90, 90, 90));
  QPainter(&grey_bars).fillRect(0, 114, 160, 6, QColor(90, 90, 90));
  const struct {
    const char* what;
    QByteArray file;
  } cases[] = {
      {"too small", CameraJpeg(photo_4_3, {.thumbnail = EncodeJpeg(photo_4_3.scaled(96, 72))})},
      {"stretched to the wrong shape",
       CameraJpeg(picture, {.thumbnail = EncodeJpeg(picture.scaled(160, 120))})},
      {"bars that differ", CameraJpeg(picture, {.thumbnail = EncodeJpeg(asymmetric)})},
      {"bars for another shape", CameraJpeg(picture, {.thumbnail = EncodeJpeg(other_shape)})},
      {"bars that are not black", CameraJpeg(picture, {.thumbnail = EncodeJpeg(grey_bars)})},
      {"does not decode",
       CameraJpeg(photo_4_3, {.thumbnail = EncodeJpeg(photo_4_3.scaled(160, 120)).left(600)})},
      {"not a JPEG", CameraJpeg(photo_4_3, {.thumbnail = QByteArray(4000, '\x5A')})},
      {"no thumbnail", CameraJpeg(photo_4_3)},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Preview(c.file).has_value()) << c.what;
  }
}

TEST(EmbeddedPreview, ExifBlockPastTheHeadIsNotLookedFor) {
  const QImage photo = PhotoLike(800, 600);
  const QByteArray file = CameraJpeg(
      photo, {.thumbnail = EncodeJpeg(photo.scaled(160, 120)), .padding_before_exif = 70000});
  const std::vector<std::uint8_t> bytes = Bytes(file);
  EXPECT_EQ(PreviewHeadLength(std::span(bytes).first(kPreviewHeadBytes)), kPreviewHeadBytes);
  EXPECT_FALSE(FindUsablePreview(bytes).has_value()) << "even with the whole file";
}

TEST(EmbeddedPreview, ExifBlockNearTheHeadsEndIsReadWithTheFrameHeaderAfterIt) {
  const QImage photo = PhotoLike(800, 600);
  const CameraJpegOptions options = {.thumbnail = EncodeJpeg(photo.scaled(160, 120))};
  const qsizetype exif_size = CameraJpeg(photo, options).size() - EncodeJpeg(photo).size();
  // The block ending past the first kPreviewHeadBytes, and ending just before, with the tables
  // and the frame header after it.
  for (const int exif_end : {70000, static_cast<int>(kPreviewHeadBytes) - 10}) {
    CameraJpegOptions padded = options;
    padded.padding_before_exif = exif_end - 2 - static_cast<int>(exif_size);
    const QByteArray file = CameraJpeg(photo, padded);
    EXPECT_GT(Head(file).size(), kPreviewHeadBytes) << exif_end;
    EXPECT_TRUE(Preview(file).has_value()) << exif_end;
  }
}

// The picture seen at night: its edges nearly as dark as the bars.
QImage Dark(QImage picture) {
  QPainter(&picture).fillRect(picture.rect(), QColor(0, 0, 0, 225));
  return picture;
}

TEST(EmbeddedPreview, LetterboxedThumbnailIsCroppedAndLooksLikeTheWholePicture) {
  for (const QSize size : {QSize(1200, 800), QSize(1280, 720), QSize(600, 600), QSize()}) {
    const QImage picture =
        size.isValid() ? PhotoLike(size.width(), size.height()) : Dark(PhotoLike(1200, 800));
    const QByteArray file =
        CameraJpeg(picture, {.thumbnail = EncodeJpeg(LetterboxedThumbnail(picture))});
    const std::optional<EmbeddedPreview> preview = Preview(file);
    ASSERT_TRUE(preview.has_value()) << picture.width() << "x" << picture.height();
    const QImage fitted = FitPreview(*preview, kSide);
    const QImage full = FullDecode(file);
    ASSERT_EQ(fitted.size(), full.size());
    const double psnr = Psnr(CentreOnWhite(fitted, kSide), CentreOnWhite(full, kSide));
    std::printf("%dx%d: preview %dx%d, PSNR %.1f dB\n", picture.width(), picture.height(),
                preview->picture.width(), preview->picture.height(), psnr);
    EXPECT_GE(psnr, 26.0);
  }
}

TEST(EmbeddedPreview, IsTurnedUprightAsThePictureIs) {
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const QByteArray file =
        CameraJpeg(Quadrants(640, 480), {.orientation = orientation,
                                         .thumbnail = EncodeJpeg(Quadrants(160, 120)),
                                         .little_endian = orientation % 2 == 0});
    const std::optional<EmbeddedPreview> preview = Preview(file);
    ASSERT_TRUE(preview.has_value()) << orientation;
    const QImage fitted = FitPreview(*preview, kSide);
    const QImage full = FullDecode(file);
    ASSERT_EQ(fitted.size(), full.size()) << orientation;
    EXPECT_GE(Psnr(fitted, full), 26.0) << orientation;
  }
}

}  // namespace
}  // namespace quorvel
