// The fingerprint of thumbnails made as the scan makes them: pictures drawn here, altered as
// copies are, written to files and rendered by the scan's renderer, then stored as JPEG.
#include "catalog/picture_fingerprint.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <random>

#include "catalog/format.h"
#include "catalog/picture_area.h"
#include "catalog/picture_facts.h"
#include "catalog/thumbnail_jpeg.h"
#include "scan/picture_geometry.h"
#include "scan/thumbnail_renderer.h"

namespace quorvel {
namespace {

// A picture of soft shapes over a gradient, different for each seed.
QImage DrawnPicture(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  auto colour = [&] { return QColor::fromRgb(random() % 256, random() % 256, random() % 256); };
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient gradient(0, 0, width, height);
  gradient.setColorAt(0, colour());
  gradient.setColorAt(1, colour());
  painter.fillRect(image.rect(), gradient);
  painter.setPen(Qt::NoPen);
  for (int i = 0; i < 40; ++i) {
    painter.setBrush(colour());
    const int w = width / 8 + static_cast<int>(random() % (width / 3));
    const int h = height / 8 + static_cast<int>(random() % (height / 3));
    painter.drawEllipse(static_cast<int>(random() % width) - w / 2,
                        static_cast<int>(random() % height) - h / 2, w, h);
  }
  return image;
}

QImage Brighter(QImage image, double factor) {
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      auto scale = [&](int value) { return std::min(255, static_cast<int>(value * factor)); };
      row[x] = qRgb(scale(qRed(row[x])), scale(qGreen(row[x])), scale(qBlue(row[x])));
    }
  }
  return image;
}

class PictureFingerprintTest : public ::testing::Test {
 protected:
  // The stored thumbnail of `picture` saved as a file of `format`, with the picture's size among
  // its facts when `with_size`, as the scan would store it.
  Bytes StoredThumbnail(const QImage& picture, bool with_size, const char* format = "png",
                        int quality = -1) {
    const QString path = folder_.filePath(QString("picture%1.%2").arg(++files_).arg(format));
    EXPECT_TRUE(picture.save(path, format, quality));
    const QImage thumbnail = RenderThumbnail(path).convertToFormat(QImage::Format_RGB888);
    PictureFacts facts;
    if (with_size) {
      facts.width = picture.width();
      facts.height = picture.height();
    }
    Bytes jpeg;
    AppendJpeg(jpeg,
               {thumbnail.constBits(), thumbnail.width(), thumbnail.height(),
                static_cast<int>(thumbnail.bytesPerLine())},
               EncodeFactsSegments(facts));
    return jpeg;
  }

  std::optional<Fingerprint> PrintOf(const QImage& picture, bool with_size,
                                     const char* format = "png", int quality = -1) {
    return FingerprintOfThumbnail(StoredThumbnail(picture, with_size, format, quality));
  }

  QTemporaryDir folder_;
  int files_ = 0;
};

TEST_F(PictureFingerprintTest, CopiesOfAPictureAreTheSamePicture) {
  for (const QSize size : {QSize(640, 480), QSize(480, 640), QSize(900, 400)}) {
    const QImage picture = DrawnPicture(size.width(), size.height(), 11 + size.height());
    const int w = picture.width();
    const int h = picture.height();
    for (const bool with_size : {true, false}) {
      SCOPED_TRACE(testing::Message() << w << " x " << h << (with_size ? " sized" : " unsized"));
      const auto original = PrintOf(picture, with_size, "jpg", 92);
      ASSERT_TRUE(original);
      const std::optional<Fingerprint> copies[] = {
          PrintOf(picture.scaled(w / 2, h / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                  with_size),
          PrintOf(picture, with_size, "jpg", 50),
          PrintOf(picture.copy(0, 0, w * 97 / 100, h), with_size),
          PrintOf(picture.copy(0, h * 3 / 100, w, h - h * 3 / 100), with_size),
          PrintOf(Brighter(picture, 1.15), with_size)};
      for (const auto& copy : copies) {
        ASSERT_TRUE(copy);
        EXPECT_TRUE(SamePicture(*original, *copy)) << Distance(*original, *copy);
      }
    }
  }
}

TEST_F(PictureFingerprintTest, DifferentPicturesAreNotTheSamePicture) {
  // Two frames of a burst: the camera turned by 15 % of the picture between them.
  const QImage scene = DrawnPicture(800, 480, 7);
  const auto first = PrintOf(scene.copy(0, 0, 680, 480), true);
  const auto second = PrintOf(scene.copy(120, 0, 680, 480), true);
  ASSERT_TRUE(first && second);
  EXPECT_FALSE(SamePicture(*first, *second)) << Distance(*first, *second);

  std::vector<Fingerprint> prints;
  for (unsigned seed = 1; seed <= 6; ++seed) {
    const auto print = PrintOf(DrawnPicture(640, 480, seed), true);
    ASSERT_TRUE(print);
    prints.push_back(*print);
  }
  for (std::size_t i = 0; i < prints.size(); ++i) {
    for (std::size_t j = i + 1; j < prints.size(); ++j) {
      EXPECT_FALSE(SamePicture(prints[i], prints[j])) << i << " " << j;
    }
  }
}

TEST(PlacedArea, IsWhereTheScanPlacesThePicture) {
  for (const QSize size :
       {QSize(4000, 3000), QSize(3000, 4000), QSize(1001, 1000), QSize(999, 1000), QSize(5000, 37),
        QSize(37, 5000), QSize(101, 3), QSize(99, 98), QSize(57, 80), QSize(1, 1)}) {
    SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
    QImage fitted(FittedSize(size, kThumbSide), QImage::Format_RGB32);
    fitted.fill(Qt::black);
    const QImage thumbnail = CentreOnWhite(fitted, kThumbSide);
    int left = kThumbSide, top = kThumbSide, right = -1, bottom = -1;
    for (int y = 0; y < kThumbSide; ++y) {
      for (int x = 0; x < kThumbSide; ++x) {
        if (thumbnail.pixel(x, y) != qRgb(255, 255, 255)) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
      }
    }
    const PictureArea placed{{left, right - left + 1}, {top, bottom - top + 1}};
    EXPECT_EQ(PlacedArea(size.width(), size.height(), kThumbSide), placed);
  }
}

TEST_F(PictureFingerprintTest, MarginsFoundFromThePixelsAreThePlacedOnes) {
  QImage white_topped = DrawnPicture(800, 500, 3);
  QPainter(&white_topped).fillRect(0, 0, 800, 100, Qt::white);  // a white sky of its own
  for (const QImage& picture :
       {DrawnPicture(640, 480, 1), DrawnPicture(480, 640, 2), DrawnPicture(1000, 370, 4),
        DrawnPicture(333, 1000, 5), DrawnPicture(1000, 999, 6), white_topped}) {
    SCOPED_TRACE(testing::Message() << picture.width() << " x " << picture.height());
    GreyImage thumbnail;
    ASSERT_TRUE(DecodeJpegLuminance(StoredThumbnail(picture, false), thumbnail));
    const auto found = AreaFromMargins(
        {thumbnail.pixels.data(), thumbnail.width, thumbnail.height, thumbnail.width});
    ASSERT_TRUE(found);
    const PictureArea placed = PlacedArea(picture.width(), picture.height(), kThumbSide);
    for (const auto& [got, want] : {std::pair{found->x, placed.x}, std::pair{found->y, placed.y}}) {
      EXPECT_NEAR(got.start, want.start, 1);
      EXPECT_NEAR(got.start + got.length, want.start + want.length, 1);
    }
  }
}

TEST_F(PictureFingerprintTest, BlankPicturesHaveNoFingerprint) {
  QImage grey(640, 480, QImage::Format_RGB32);
  grey.fill(qRgb(90, 110, 100));
  QImage white(640, 480, QImage::Format_RGB32);
  white.fill(Qt::white);
  for (const bool with_size : {true, false}) {
    EXPECT_FALSE(PrintOf(grey, with_size));
    EXPECT_FALSE(PrintOf(white, with_size));
  }
}

}  // namespace
}  // namespace quorvel
