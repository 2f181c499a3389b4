#include "scan/thumbnail_renderer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QColor>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "scan/jpeg_picture_decoder.h"
#include "scan/picture_formats.h"
#include "scan/test_pictures.h"
#include "support/peak_memory.h"

namespace quorvel {
namespace {

using testkit::BlockAverage;
using testkit::EncodeGif;
using testkit::EncodeWithQt;
using testkit::PhotoLikePicture;
using testkit::Psnr;
using testkit::WithExifOrientation;
using testkit::WriteBytes;
using testkit::WriteJpegByRows;

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kYellow = 0xFFFFFF00;
constexpr QRgb kWhite = 0xFFFFFFFF;

// Lossy formats blur the edges and shift colours a little; the colours tested are far apart.
::testing::AssertionResult Near(QRgb actual, QRgb expected, int tolerance = 40) {
  const int dr = std::abs(qRed(actual) - qRed(expected));
  const int dg = std::abs(qGreen(actual) - qGreen(expected));
  const int db = std::abs(qBlue(actual) - qBlue(expected));
  if (dr <= tolerance && dg <= tolerance && db <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << QColor(actual).name().toStdString() << " is not near "
                                       << QColor(expected).name().toStdString();
}

// A picture in equal vertical bands of the given colours, left to right.
QImage Bands(int width, int height, const std::vector<QRgb>& colours) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  const int band = width / static_cast<int>(colours.size());
  for (std::size_t i = 0; i < colours.size(); ++i) {
    painter.fillRect(static_cast<int>(i) * band, 0, band, height, QColor(colours[i]));
  }
  return image;
}

// Red top left, green top right, blue bottom left, yellow bottom right.
QImage Quadrants(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.fillRect(0, 0, width / 2, height / 2, QColor(kRed));
  painter.fillRect(width / 2, 0, width - width / 2, height / 2, QColor(kGreen));
  painter.fillRect(0, height / 2, width / 2, height - height / 2, QColor(kBlue));
  painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, QColor(kYellow));
  return image;
}

class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  QString Path(const QString& name) const { return dir_.filePath(name); }

  QString Write(const QString& name, const QByteArray& bytes) const {
    const QString path = Path(name);
    EXPECT_TRUE(WriteBytes(path, bytes)) << path.toStdString();
    return path;
  }

  QTemporaryDir dir_;
};

// --- Names ----------------------------------------------------------------------------------

TEST(ReadableNames, SuffixesOfQtReadersAreAcceptedInAnyCase) {
  const QSet<QByteArray> suffixes = ReadableImageSuffixes();
  for (const char* path : {"/disk/a.jpg", "/disk/b.JPG", "/disk/c.Jpeg", "/disk/d.png",
                           "/disk/e.gif", "/disk/f.webp", "/disk/g.tif", "/disk/h.TIFF",
                           "/disk/dotted.folder/i.bmp", "C:\\Photos\\j.jpg", "k.tar.png"}) {
    EXPECT_TRUE(HasReadableSuffix(QString::fromLatin1(path), suffixes)) << path;
  }
}

TEST(ReadableNames, OtherNamesAreRejected) {
  const QSet<QByteArray> suffixes = ReadableImageSuffixes();
  for (const char* path :
       {"/disk/notes.txt", "/disk/photo.jpg.lnk", "/disk/README", "/disk/folder.jpg/README",
        "C:\\folder.png\\file", "/disk/trailing.", "/disk/jpg", "/disk/archive.jpgx", ""}) {
    EXPECT_FALSE(HasReadableSuffix(QString::fromLatin1(path), suffixes)) << path;
  }
}

TEST(ReadableNames, OnlyTheGivenSuffixesCount) {
  EXPECT_FALSE(HasReadableSuffix(QStringLiteral("/disk/a.png"), {"jpg"}));
  EXPECT_TRUE(HasReadableSuffix(QStringLiteral("/disk/a.JPG"), {"jpg"}));
  EXPECT_FALSE(HasReadableSuffix(QStringLiteral("/disk/a.jpg"), {}));
}

// --- Geometry -------------------------------------------------------------------------------

TEST(FittedSize, KeepsTheAspectRatioWithinTheSquare) {
  EXPECT_EQ(FittedSize({4000, 3000}, 100), QSize(100, 75));
  EXPECT_EQ(FittedSize({3000, 4000}, 100), QSize(75, 100));
  EXPECT_EQ(FittedSize({200, 100}, 100), QSize(100, 50));
  EXPECT_EQ(FittedSize({16000, 16000}, 100), QSize(100, 100));
  EXPECT_EQ(FittedSize({1001, 333}, 100), QSize(100, 33));
  EXPECT_EQ(FittedSize({1001, 335}, 100), QSize(100, 33));  // 33.47 rounds down
  EXPECT_EQ(FittedSize({1000, 335}, 100), QSize(100, 34));  // 33.5 rounds up
}

TEST(FittedSize, NeverEnlargesNorVanishes) {
  EXPECT_EQ(FittedSize({50, 30}, 100), QSize(50, 30));
  EXPECT_EQ(FittedSize({100, 100}, 100), QSize(100, 100));
  EXPECT_EQ(FittedSize({100000, 10}, 100), QSize(100, 1));
  EXPECT_EQ(FittedSize({10, 100000}, 100), QSize(1, 100));
  EXPECT_TRUE(FittedSize({0, 10}, 100).isEmpty());
  EXPECT_TRUE(FittedSize({10, 10}, 0).isEmpty());
}

TEST(DctScale, IsTheSmallestThatStillCoversTheTarget) {
  EXPECT_EQ(DctScaleEighths({16000, 16000}, {100, 100}), 1);
  EXPECT_EQ(DctScaleEighths({4000, 3000}, {100, 75}), 1);
  EXPECT_EQ(DctScaleEighths({793, 793}, {100, 100}), 1);  // 99.1 rounds up to 100
  EXPECT_EQ(DctScaleEighths({792, 792}, {100, 100}), 2);  // 99 does not cover 100
  EXPECT_EQ(DctScaleEighths({700, 350}, {100, 50}), 2);
  EXPECT_EQ(DctScaleEighths({150, 150}, {100, 100}), 6);  // 112.5 -> 113; 5/8 gives 94
  EXPECT_EQ(DctScaleEighths({100, 100}, {100, 100}), 8);
  EXPECT_EQ(DctScaleEighths({40, 20}, {40, 20}), 8);
}

// --- Formats --------------------------------------------------------------------------------

struct FormatCase {
  const char* suffix;
  QByteArray (*encode)(const QImage&);
};

QByteArray AsJpeg(const QImage& image) { return EncodeWithQt(image, "jpg", 95); }
QByteArray AsPng(const QImage& image) { return EncodeWithQt(image, "png"); }
QByteArray AsWebp(const QImage& image) { return EncodeWithQt(image, "webp", 95); }
QByteArray AsTiff(const QImage& image) { return EncodeWithQt(image, "tif"); }
QByteArray AsBmp(const QImage& image) { return EncodeWithQt(image, "bmp"); }
QByteArray AsGif(const QImage& image) { return EncodeGif(image); }

class FormatTest : public RendererTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FormatTest, RendersFittedAndCentredOnWhite) {
  const FormatCase& format = GetParam();
  const QByteArray bytes = format.encode(Bands(300, 150, {kRed, kBlue}));
  ASSERT_FALSE(bytes.isEmpty()) << format.suffix;
  const QString path = Write(QStringLiteral("bands.") + format.suffix, bytes);

  QString error;
  const QImage picture = LoadFittedPicture(path, 100, &error);
  ASSERT_FALSE(picture.isNull()) << error.toStdString();
  EXPECT_EQ(picture.size(), QSize(100, 50));

  const QImage thumb = RenderThumbnail(path, &error);
  ASSERT_EQ(thumb.size(), QSize(100, 100)) << error.toStdString();
  EXPECT_EQ(thumb.format(), QImage::Format_RGB32);
  // 100 x 50 centred: rows 25 to 74 hold the picture, the rest is white.
  for (QPoint white : {QPoint(0, 0), QPoint(99, 0), QPoint(50, 24), QPoint(0, 99), QPoint(99, 99),
                       QPoint(50, 75)}) {
    EXPECT_EQ(thumb.pixel(white), kWhite) << white.x() << "," << white.y();
  }
  EXPECT_TRUE(Near(thumb.pixel(25, 50), kRed));
  EXPECT_TRUE(Near(thumb.pixel(2, 27), kRed));
  EXPECT_TRUE(Near(thumb.pixel(75, 50), kBlue));
  EXPECT_TRUE(Near(thumb.pixel(97, 72), kBlue));
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatTest,
                         ::testing::Values(FormatCase{"jpg", AsJpeg}, FormatCase{"png", AsPng},
                                           FormatCase{"gif", AsGif}, FormatCase{"webp", AsWebp},
                                           FormatCase{"tif", AsTiff}, FormatCase{"bmp", AsBmp}),
                         [](const auto& info) { return std::string(info.param.suffix); });

TEST_F(RendererTest, ContentDecidesTheDecoderNotTheName) {
  const QString png_named_jpg = Write("really_png.jpg", AsPng(Bands(200, 200, {kGreen})));
  const QString jpeg_named_png = Write("really_jpeg.png", AsJpeg(Bands(200, 200, {kBlue})));
  QString error;
  const QImage from_png = RenderThumbnail(png_named_jpg, &error);
  ASSERT_FALSE(from_png.isNull()) << error.toStdString();
  EXPECT_TRUE(Near(from_png.pixel(50, 50), kGreen));
  const QImage from_jpeg = RenderThumbnail(jpeg_named_png, &error);
  ASSERT_FALSE(from_jpeg.isNull()) << error.toStdString();
  EXPECT_TRUE(Near(from_jpeg.pixel(50, 50), kBlue));
}

TEST_F(RendererTest, CmykJpegComesOutInItsColours) {
  // Inverted samples, as under the Adobe marker: no cyan, full magenta and yellow, no black.
  const std::uint8_t red_ink[4] = {255, 0, 0, 255};
  const QString path = Path("cmyk.jpg");
  ASSERT_TRUE(testkit::WriteCmykJpeg(path, 64, 64, red_ink));
  QString error;
  const QImage thumb = RenderThumbnail(path, &error);
  ASSERT_FALSE(thumb.isNull()) << error.toStdString();
  EXPECT_TRUE(Near(thumb.pixel(50, 50), kRed));
  // Qt's own reader takes the same samples the same way.
  const QImage by_qt = QImage(path);
  ASSERT_FALSE(by_qt.isNull());
  EXPECT_TRUE(Near(thumb.pixel(50, 50), by_qt.pixel(32, 32), 8));
}

// --- Placement ------------------------------------------------------------------------------

TEST_F(RendererTest, WidePictureIsABandAcrossTheMiddle) {
  const QString path = Write("wide.png", AsPng(Bands(400, 100, {kGreen})));
  const QImage thumb = RenderThumbnail(path);
  ASSERT_FALSE(thumb.isNull());
  // 100 x 25 at (0, 37).
  EXPECT_EQ(thumb.pixel(50, 36), kWhite);
  EXPECT_EQ(thumb.pixel(0, 37), kGreen);
  EXPECT_EQ(thumb.pixel(99, 61), kGreen);
  EXPECT_EQ(thumb.pixel(50, 62), kWhite);
}

TEST_F(RendererTest, TallPictureIsABandDownTheMiddle) {
  const QString path = Write("tall.png", AsPng(Bands(100, 400, {kBlue})));
  const QImage thumb = RenderThumbnail(path);
  ASSERT_FALSE(thumb.isNull());
  EXPECT_EQ(thumb.pixel(36, 50), kWhite);
  EXPECT_EQ(thumb.pixel(37, 0), kBlue);
  EXPECT_EQ(thumb.pixel(61, 99), kBlue);
  EXPECT_EQ(thumb.pixel(62, 50), kWhite);
}

TEST_F(RendererTest, SmallPictureKeepsItsSizeInTheCentre) {
  const QString path = Write("small.png", AsPng(Bands(40, 20, {kRed})));
  const QImage picture = LoadFittedPicture(path, 100);
  EXPECT_EQ(picture.size(), QSize(40, 20));
  const QImage thumb = RenderThumbnail(path);
  ASSERT_FALSE(thumb.isNull());
  EXPECT_EQ(thumb.pixel(29, 50), kWhite);
  EXPECT_EQ(thumb.pixel(30, 40), kRed);
  EXPECT_EQ(thumb.pixel(69, 59), kRed);
  EXPECT_EQ(thumb.pixel(70, 50), kWhite);
  EXPECT_EQ(thumb.pixel(50, 39), kWhite);
  EXPECT_EQ(thumb.pixel(50, 60), kWhite);
}

TEST_F(RendererTest, TransparentPartsAreWhite) {
  QImage image(200, 200, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter(&image).fillRect(0, 0, 100, 200, QColor(kBlue));
  const QString path = Write("alpha.png", AsPng(image));
  const QImage thumb = RenderThumbnail(path);
  ASSERT_FALSE(thumb.isNull());
  EXPECT_EQ(thumb.pixel(25, 50), kBlue);
  EXPECT_EQ(thumb.pixel(75, 50), kWhite);
}

// --- Orientation ----------------------------------------------------------------------------

// Where a point (u, v) of the stored picture, in [0, 1], is seen once the picture is upright,
// straight from the TIFF definition of the tag (which side row 0 and column 0 end up on).
QPointF Upright(int orientation, double u, double v) {
  switch (orientation) {
    case 2:  // row 0 top, column 0 right
      return {1 - u, v};
    case 3:  // row 0 bottom, column 0 right
      return {1 - u, 1 - v};
    case 4:  // row 0 bottom, column 0 left
      return {u, 1 - v};
    case 5:  // row 0 left, column 0 top
      return {v, u};
    case 6:  // row 0 right, column 0 top
      return {1 - v, u};
    case 7:  // row 0 right, column 0 bottom
      return {1 - v, 1 - u};
    case 8:  // row 0 left, column 0 bottom
      return {v, 1 - u};
    default:
      return {u, v};
  }
}

class OrientationTest : public RendererTest,
                        public ::testing::WithParamInterface<std::tuple<int, bool>> {};

TEST_P(OrientationTest, JpegIsTurnedUpright) {
  const auto [orientation, little_endian] = GetParam();
  const QByteArray jpeg =
      WithExifOrientation(AsJpeg(Quadrants(200, 100)), orientation, little_endian);
  const QString path = Write("turned.jpg", jpeg);
  QString error;
  const QImage picture = LoadFittedPicture(path, 100, &error);
  ASSERT_FALSE(picture.isNull()) << error.toStdString();
  EXPECT_EQ(picture.size(), orientation >= 5 ? QSize(50, 100) : QSize(100, 50));
  const struct {
    double u, v;
    QRgb colour;
  } centres[] = {
      {0.25, 0.25, kRed}, {0.75, 0.25, kGreen}, {0.25, 0.75, kBlue}, {0.75, 0.75, kYellow}};
  for (const auto& centre : centres) {
    const QPointF seen = Upright(orientation, centre.u, centre.v);
    const int x = static_cast<int>(seen.x() * picture.width());
    const int y = static_cast<int>(seen.y() * picture.height());
    EXPECT_TRUE(Near(picture.pixel(x, y), centre.colour))
        << "orientation " << orientation << " at " << x << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(AllOrientations, OrientationTest,
                         ::testing::Combine(::testing::Range(1, 9), ::testing::Bool()));

TEST_F(RendererTest, RightTurnedPhotoStandsTallWithItsLeftOnTop) {
  const QByteArray jpeg = WithExifOrientation(AsJpeg(Bands(200, 100, {kRed, kBlue})), 6, false);
  const QImage thumb = RenderThumbnail(Write("portrait.jpg", jpeg));
  ASSERT_FALSE(thumb.isNull());
  // 50 x 100 at (25, 0): red above blue.
  EXPECT_EQ(thumb.pixel(24, 50), kWhite);
  EXPECT_EQ(thumb.pixel(75, 50), kWhite);
  EXPECT_TRUE(Near(thumb.pixel(50, 25), kRed));
  EXPECT_TRUE(Near(thumb.pixel(50, 75), kBlue));
}

// A preview inside another file is turned as that file says, whatever its own EXIF block says.
TEST_F(RendererTest, GivenOrientationReplacesTheJpegsOwn) {
  const QByteArray jpeg = WithExifOrientation(AsJpeg(Bands(200, 100, {kRed, kBlue})), 3, true);
  MemoryByteSource source(std::vector<std::uint8_t>(jpeg.begin(), jpeg.end()));
  QString error;
  const QImage picture = DecodeJpegPicture(source, 100, {}, &error, 6);
  ASSERT_EQ(picture.size(), QSize(50, 100)) << error.toStdString();
  EXPECT_TRUE(Near(picture.pixel(25, 25), kRed));
  EXPECT_TRUE(Near(picture.pixel(25, 75), kBlue));
}

TEST_F(RendererTest, OtherFormatsFollowTheirOrientationToo) {
  // TIFF carries the same tag in its own IFD; Qt's reader applies it when asked to.
  QImage image = Bands(200, 100, {kRed, kBlue});
  const QString path = Path("turned.tif");
  {
    QImageWriter writer(path, "tif");
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    if (!writer.supportsOption(QImageIOHandler::ImageTransformation)) {
      GTEST_SKIP() << "this Qt's TIFF writer cannot store an orientation";
    }
    ASSERT_TRUE(writer.write(image));
  }
  const QImage picture = LoadFittedPicture(path, 100);
  ASSERT_EQ(picture.size(), QSize(50, 100));
  EXPECT_TRUE(Near(picture.pixel(25, 25), kRed));
  EXPECT_TRUE(Near(picture.pixel(25, 75), kBlue));
}

// --- Quality --------------------------------------------------------------------------------

// Full decode by Qt, then an exact block average: what a careful, slow downscale gives.
QImage Reference(const QString& path, int factor) {
  QImageReader reader(path);
  return BlockAverage(reader.read(), factor);
}

TEST_F(RendererTest, JpegDownscaleMatchesAFullSizeReference) {
  const PhotoLikePicture photo(1600, 1200);
  const QString path = Path("photo.jpg");
  ASSERT_TRUE(WriteJpegByRows(path, 1600, 1200, 90, photo.Painter()));
  const QImage picture = LoadFittedPicture(path, 100);
  ASSERT_EQ(picture.size(), QSize(100, 75));
  // Sampling without averaging scores about 32 dB here.
  EXPECT_GE(Psnr(picture, Reference(path, 16)), 40.0);
}

TEST_F(RendererTest, QtDecodedDownscaleMatchesAFullSizeReference) {
  const PhotoLikePicture photo(800, 600);
  QImage image(800, 600, QImage::Format_RGB888);
  for (int y = 0; y < 600; ++y) photo.PaintRow(y, image.scanLine(y));
  const QString path = Write("photo.png", AsPng(image));
  const QImage picture = LoadFittedPicture(path, 100);
  ASSERT_EQ(picture.size(), QSize(100, 75));
  EXPECT_GE(Psnr(picture, BlockAverage(image, 8)), 40.0);
}

TEST_F(RendererTest, UnevenJpegScaleStillAveragesWell) {
  // 1234 x 777: the DCT scale 1/8 gives 155 x 98, reduced by a non-integer factor to 100 x 63.
  const PhotoLikePicture photo(1234, 777);
  const QString path = Path("uneven.jpg");
  ASSERT_TRUE(WriteJpegByRows(path, 1234, 777, 90, photo.Painter()));
  const QImage picture = LoadFittedPicture(path, 100);
  ASSERT_EQ(picture.size(), QSize(100, 63));
  EXPECT_GE(Psnr(picture, testkit::AreaAverage(QImage(path), {100, 63})), 36.0);
}

// --- Failures -------------------------------------------------------------------------------

class FailureTest : public RendererTest {
 protected:
  void ExpectFailure(const QString& path) {
    QString error;
    EXPECT_TRUE(LoadFittedPicture(path, 100, &error).isNull()) << path.toStdString();
    EXPECT_FALSE(error.isEmpty()) << path.toStdString();
    QString thumb_error;
    EXPECT_TRUE(RenderThumbnail(path, &thumb_error).isNull()) << path.toStdString();
    EXPECT_FALSE(thumb_error.isEmpty());
  }

  QByteArray PhotoJpeg() {
    const PhotoLikePicture photo(640, 480);
    const QString path = Path("source.jpg");
    EXPECT_TRUE(WriteJpegByRows(path, 640, 480, 90, photo.Painter()));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }
};

TEST_F(FailureTest, CutJpegGivesThePartThatDecodes) {
  const QByteArray whole = PhotoJpeg();
  const QImage full = LoadFittedPicture(Write("whole.jpg", whole), 100);
  ASSERT_EQ(full.size(), QSize(100, 75));
  const QImage half = LoadFittedPicture(Write("half.jpg", whole.left(whole.size() / 2)), 100);
  ASSERT_EQ(half.size(), full.size());
  // The top is the picture's own; the bottom, whose data is missing, is flat grey.
  EXPECT_GE(Psnr(half.copy(0, 0, 100, 20), full.copy(0, 0, 100, 20)), 40.0);
  for (const int x : {0, 50, 99}) {
    const QRgb bottom = half.pixel(x, 74);
    EXPECT_LE(std::abs(qRed(bottom) - 128) + std::abs(qGreen(bottom) - 128) +
                  std::abs(qBlue(bottom) - 128),
              6)
        << x;
  }
  EXPECT_FALSE(RenderThumbnail(Write("nearly.jpg", whole.left(whole.size() - 64))).isNull());
  // Cut before one row of blocks is whole: nothing of the picture is there.
  ExpectFailure(Write("header_only.jpg", whole.left(700)));
  ExpectFailure(Write("soi_only.jpg", whole.left(3)));
}

TEST_F(FailureTest, CutPicturesOfQtFormatsFail) {
  const PhotoLikePicture photo(320, 240);
  QImage image(320, 240, QImage::Format_RGB888);
  for (int y = 0; y < 240; ++y) photo.PaintRow(y, image.scanLine(y));
  for (const char* format : {"png", "webp", "tif"}) {
    const QByteArray whole = EncodeWithQt(image, format, 90);
    const QString suffix = QString::fromLatin1(format);
    ASSERT_FALSE(RenderThumbnail(Write("whole." + suffix, whole)).isNull()) << format;
    ExpectFailure(Write("cut." + suffix, whole.left(whole.size() * 9 / 10)));
  }
}

TEST_F(FailureTest, JpegWithEntropyDataBrokenByAMarkerFails) {
  QByteArray broken = PhotoJpeg();
  broken.replace(broken.size() / 2, 2, QByteArray("\xFF\xD9", 2));
  ExpectFailure(Write("broken.jpg", broken));
}

TEST_F(FailureTest, NonPicturesUnderPictureNamesFail) {
  ExpectFailure(Write("letter.jpg", "Dear reader, this is not a picture at all.\n"));
  ExpectFailure(Write("empty.jpg", QByteArray()));
  ExpectFailure(Write("letter.png", "\x89PNG but then nothing sensible"));
  ExpectFailure(Path("missing.jpg"));
  ExpectFailure(dir_.path());  // a folder
}

TEST_F(FailureTest, FifoIsRefusedWithoutWaitingForAWriter) {
  const QString fifo = Path("pipe.jpg");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
  ExpectFailure(fifo);
}

TEST_F(FailureTest, RequestedStopEndsTheRender) {
  const QString path = Write("whole.jpg", PhotoJpeg());
  std::stop_source stop;
  stop.request_stop();
  QString error;
  EXPECT_TRUE(RenderThumbnail(path, &error, stop.get_token()).isNull());
  EXPECT_FALSE(error.isEmpty());
}

// --- Memory ---------------------------------------------------------------------------------

using testkit::PeakMemory;

TEST_F(RendererTest, HugeJpegRendersInLittleMemory) {
  if (!PeakMemory::Available()) GTEST_SKIP() << "no /proc/self/clear_refs to measure the peak";
  constexpr int kSide = 16000;
  const QString path = Path("huge.jpg");
  // Orange left half, teal right half, written a row at a time.
  ASSERT_TRUE(WriteJpegByRows(path, kSide, kSide, 75, [](int, std::uint8_t* rgb) {
    for (int x = 0; x < kSide; ++x, rgb += 3) {
      const bool left = x < kSide / 2;
      rgb[0] = left ? 255 : 0;
      rgb[1] = left ? 140 : 128;
      rgb[2] = left ? 0 : 128;
    }
  }));

  // The measure must be able to see a full-size decode: a quarter of one already shows.
  PeakMemory peak;
  peak.Start();
  {
    std::vector<std::uint8_t> quarter(std::size_t{kSide} * kSide * 3 / 4);
    for (std::size_t i = 0; i < quarter.size(); i += 4096) quarter[i] = 1;
    ASSERT_GE(peak.GrowthKb(), static_cast<long>(quarter.size() / 1024) - 1024);
  }

  peak.Start();
  QString error;
  const QImage thumb = RenderThumbnail(path, &error);
  const long growth_kb = peak.GrowthKb();
  ASSERT_FALSE(thumb.isNull()) << error.toStdString();
  EXPECT_LT(growth_kb, 64 * 1024) << "a full-size picture would take 768 MB";
  EXPECT_TRUE(Near(thumb.pixel(25, 50), qRgb(255, 140, 0), 8));
  EXPECT_TRUE(Near(thumb.pixel(75, 50), qRgb(0, 128, 128), 8));
  RecordProperty("peak_growth_kb", static_cast<int>(growth_kb));
  std::printf("peak memory growth of the 16000 x 16000 render: %ld KB\n", growth_kb);
}

TEST_F(RendererTest, LargeFilesOfWholeFileFormatsAreRefusedInBoundedMemory) {
  if (!PeakMemory::Available()) GTEST_SKIP() << "no /proc/self/clear_refs to measure the peak";
  // A gigabyte of nothing (sparse: no disk space) under names of the formats whose libraries
  // want the whole file, and under a JPEG name without the JPEG signature.
  for (const char* name : {"big.png", "big.tif", "big.heic", "big.jpg"}) {
    const QString path = Path(name);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(std::int64_t{1} << 30));
    file.close();
    PeakMemory peak;
    peak.Start();
    QString error;
    EXPECT_TRUE(RenderThumbnail(path, &error).isNull()) << name;
    const long growth_kb = peak.GrowthKb();
    EXPECT_FALSE(error.isEmpty()) << name;
    EXPECT_LT(growth_kb, 200 * 1024) << name << ": the whole file would take 1 GB";
    QFile::remove(path);
  }
}

}  // namespace
}  // namespace quorvel
