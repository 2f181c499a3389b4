// The HEIF reader against libheif's own tools: files made by heif-enc from pictures drawn here,
// thumbnails compared with heif-thumbnailer's, files that are turned or transparent, and
// damaged files.
#include "scan/heif_picture_reader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdint>
#include <vector>

#include "scan/test_pictures.h"
#include "scan/thumbnail_renderer.h"

namespace quorvel {
namespace {

using testkit::Psnr;

// Runs a tool of libheif's; an empty string when it exits with 0, else what it said.
QString RunTool(const QString& program, const QStringList& args) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, args);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    return program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll()) +
           process.errorString();
  }
  return {};
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage Read(const QByteArray& bytes, int side, QString* message) {
  MemoryByteSource source(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  return ReadHeifPicture(source, side, {}, message);
}

// Red top left, green top right, blue bottom left, yellow bottom right.
QImage Quadrants(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
  painter.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
  painter.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
  painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::yellow);
  return image;
}

bool Near(QRgb actual, QRgb expected) {
  return std::abs(qRed(actual) - qRed(expected)) < 40 &&
         std::abs(qGreen(actual) - qGreen(expected)) < 40 &&
         std::abs(qBlue(actual) - qBlue(expected)) < 40;
}

// The files, made once for all the tests by heif-enc at its fastest settings (it takes RGB
// PNGs; palette ones it encodes wrongly).
class HeifReaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir;
    QImage photo(640, 480, QImage::Format_RGB888);
    const testkit::PhotoLikePicture painter(photo.width(), photo.height());
    for (int y = 0; y < photo.height(); ++y) painter.PaintRow(y, photo.scanLine(y));
    QImage see_through(320, 240, QImage::Format_ARGB32);
    see_through.fill(Qt::transparent);
    QPainter(&see_through).fillRect(160, 0, 160, 240, Qt::blue);
    const struct {
      const char* name;
      QImage picture;
      QStringList options;
    } files[] = {
        {"photo_with_thumbnail.heic", photo, {"-t", "160", "-p", "preset=ultrafast"}},
        {"photo.heic", photo, {"-p", "preset=ultrafast"}},
        {"photo.avif", photo, {"-p", "speed=9"}},
        {"quadrants.heic", Quadrants(320, 240), {"-p", "preset=ultrafast"}},
        {"see_through.avif", see_through, {"-p", "speed=9"}},
    };
    for (const auto& file : files) {
      const QString png = Path(file.name) + QStringLiteral(".png");
      if (!file.picture.save(png)) {
        setup_error_ = "cannot write " + png;
        return;
      }
      const QString failure =
          RunTool(QStringLiteral("heif-enc"),
                  QStringList(file.options) << png << QStringLiteral("-o") << Path(file.name));
      if (!failure.isEmpty()) {
        setup_error_ = failure;
        return;
      }
    }
  }
  static void TearDownTestSuite() { delete dir_; }
  void SetUp() override { ASSERT_TRUE(setup_error_.isEmpty()) << setup_error_.toStdString(); }

  static QString Path(const QString& name) { return dir_->filePath(name); }

  // heif-thumbnailer's picture of the file, for comparison: fitted into 100 x 100 as ours is.
  static QImage PeerThumbnail(const QString& name) {
    const QString png = Path(name) + QStringLiteral(".peer.png");
    const QString failure =
        RunTool(QStringLiteral("heif-thumbnailer"), {"-s", "100", Path(name), png});
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    return QImage(png);
  }

  static QTemporaryDir* dir_;
  static QString setup_error_;
};

QTemporaryDir* HeifReaderTest::dir_ = nullptr;
QString HeifReaderTest::setup_error_;

TEST_F(HeifReaderTest, LooksLikeLibheifsThumbnailerAndTakesTheStoredThumbnail) {
  for (const char* name : {"photo_with_thumbnail.heic", "photo.heic", "photo.avif"}) {
    QString error;
    const QImage ours = LoadFittedPicture(Path(name), 100, &error);
    ASSERT_FALSE(ours.isNull()) << name << ": " << error.toStdString();
    const QImage peer = PeerThumbnail(name);
    ASSERT_EQ(ours.size(), peer.size()) << name;
    // Ours averages areas, heif-thumbnailer samples: about 31 dB apart on a photograph.
    EXPECT_GE(Psnr(ours, peer), 28.0) << name;
  }

  // With the primary image's coded data wiped out, the stored 160 x 120 thumbnail still gives
  // the picture for 100 x 100; a larger picture needs the primary image, which no longer decodes.
  QByteArray wiped = ReadAll(Path("photo_with_thumbnail.heic"));
  const qsizetype data = wiped.indexOf("mdat") + 4;
  ASSERT_GT(data, 4);
  wiped.replace(data, 256, QByteArray(256, '\0'));
  QString error;
  const QImage from_thumbnail = Read(wiped, 100, &error);
  ASSERT_FALSE(from_thumbnail.isNull()) << error.toStdString();
  EXPECT_GE(Psnr(from_thumbnail, PeerThumbnail("photo_with_thumbnail.heic")), 28.0);
  EXPECT_TRUE(Read(wiped, 200, &error).isNull());
}

TEST_F(HeifReaderTest, ShowsThePictureTurnedAsTheFileSaysAndTransparencyOverWhite) {
  // heif-enc cannot turn a picture, so the file's pixel-format property (of no use to a
  // decoder) becomes a rotation by 90 degrees anticlockwise of the same length.
  QByteArray turned = ReadAll(Path("quadrants.heic"));
  const qsizetype property = turned.indexOf("pixi");
  ASSERT_GT(property, 0);
  turned.replace(property, 5, QByteArray("irot\x01", 5));
  QString error;
  const QImage picture = Read(turned, 100, &error);
  ASSERT_EQ(picture.size(), QSize(75, 100)) << error.toStdString();
  EXPECT_TRUE(Near(picture.pixel(10, 10), qRgb(0, 255, 0)));
  EXPECT_TRUE(Near(picture.pixel(65, 10), qRgb(255, 255, 0)));
  EXPECT_TRUE(Near(picture.pixel(10, 90), qRgb(255, 0, 0)));
  EXPECT_TRUE(Near(picture.pixel(65, 90), qRgb(0, 0, 255)));

  const QImage half = LoadFittedPicture(Path("see_through.avif"), 100, &error);
  ASSERT_EQ(half.size(), QSize(100, 75)) << error.toStdString();
  EXPECT_TRUE(Near(half.pixel(20, 40), qRgb(255, 255, 255)));
  EXPECT_TRUE(Near(half.pixel(80, 40), qRgb(0, 0, 255)));
}

TEST_F(HeifReaderTest, DamagedFilesGiveNoPictureButAReason) {
  const QByteArray good = ReadAll(Path("photo.heic"));
  ASSERT_FALSE(good.isEmpty());
  // A picture declared 20000 x 20000 would need 1.6 GB: refused before it is decoded.
  QByteArray huge = good;
  const qsizetype size = huge.indexOf("ispe") + 8;
  ASSERT_GT(size, 8);
  huge.replace(size, 8, QByteArray::fromHex("00004e2000004e20"));
  QByteArray noise(4000, '\0');
  for (qsizetype i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919) >> 3);
  const struct {
    const char* what;
    QByteArray bytes;
    const char* reason;
  } damaged[] = {
      {"cut in half", good.left(good.size() / 2), ""},
      {"noise", noise, ""},
      {"empty", {}, ""},
      {"too large", huge, "needs more than 256 MB"},
      // An overlay of a 32 x 24 picture whose canvas is 28777 x 30825: libheif drew it in 5 GB.
      {"overlay canvas", ReadAll(QStringLiteral(QUORVEL_TEST_DATA_DIR) +
                                 QStringLiteral("/overlay_canvas_too_large.avif")),
       "exceeds the maximum image size"},
  };
  for (const auto& file : damaged) {
    QString error;
    EXPECT_TRUE(Read(file.bytes, 100, &error).isNull()) << file.what;
    EXPECT_FALSE(error.isEmpty()) << file.what;
    EXPECT_TRUE(error.contains(QLatin1String(file.reason))) << error.toStdString();
  }
}

}  // namespace
}  // namespace quorvel
