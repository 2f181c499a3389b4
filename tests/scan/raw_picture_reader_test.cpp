#include "scan/raw_picture_reader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "scan/test_pictures.h"
#include "scan/thumbnail_renderer.h"
#include "support/dng_writer.h"
#include "support/fake_file_access.h"

namespace quorvel {
namespace {

using testkit::AreaAverage;
using testkit::DngFile;
using testkit::DngOptions;
using testkit::Psnr;
using testkit::SmallPreview;

constexpr int kSide = 100;

// A photo-like picture with a red block in its top left corner, to see where that corner goes.
testkit::RgbPicture Marked(int width, int height) {
  const testkit::PhotoLikePicture photo(width, height);
  testkit::RgbPicture picture{
      width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.pixels.data() + static_cast<std::size_t>(y) * width * 3;
    photo.PaintRow(y, row);
    for (int x = 0; y < height / 4 && x < width / 4; ++x) {
      row[x * 3] = 255;
      row[x * 3 + 1] = row[x * 3 + 2] = 0;
    }
  }
  return picture;
}

QImage AsImage(const testkit::RgbPicture& picture) {
  return QImage(picture.pixels.data(), picture.width, picture.height, picture.width * 3,
                QImage::Format_RGB888)
      .copy();
}

bool Red(QRgb pixel) { return qRed(pixel) > 180 && qGreen(pixel) < 80 && qBlue(pixel) < 80; }

// The file's one opened handle, given to the reader as a disc's reader lends it.
class LentSource : public ByteSource {
 public:
  explicit LentSource(std::unique_ptr<OpenedFile> file) : file_(std::move(file)) {}
  std::span<const std::uint8_t> Next(std::stop_token) override { return {}; }
  QString ReadError() const override { return {}; }
  std::unique_ptr<OpenedFile> OpenForSeeking(std::stop_token, QString*) override {
    return std::move(file_);
  }

 private:
  std::unique_ptr<OpenedFile> file_;
};

class RawPictureReaderTest : public ::testing::Test {
 protected:
  // `options`' DNG of a 320 x 240 marked picture, written into the temporary folder.
  QString Write(const QString& name, const DngOptions& options) {
    const std::vector<std::uint8_t> dng = DngFile(Marked(320, 240), options);
    const QString path = dir_.filePath(name);
    EXPECT_TRUE(testkit::WriteBytes(path, QByteArray(reinterpret_cast<const char*>(dng.data()),
                                                     static_cast<qsizetype>(dng.size()))));
    return path;
  }
  // LibRaw's own tool run in the temporary folder; the file it writes there, as an image.
  QImage Peer(const QString& tool, const QStringList& arguments, const QString& output) {
    QProcess process;
    process.setWorkingDirectory(dir_.path());
    process.start(tool, arguments);
    EXPECT_TRUE(process.waitForFinished(20000)) << tool.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << tool.toStdString();
    return QImage(dir_.filePath(output));
  }

  QTemporaryDir dir_;
};

QImage Read(const QString& path, QString* message, testkit::FakeFileAccess* access = nullptr) {
  QString error;
  LentSource source(access ? access->Open(path, &error) : LocalFileAccess()->Open(path, &error));
  return ReadRawPicture(source, kSide, {}, message);
}

// With a small preview in IFD0 and the picture's own size in a SubIFD, the larger is taken, and
// only the headers and that preview are read, not the raw data after them.
TEST_F(RawPictureReaderTest, TakesTheLargestPreviewAndReadsOnlyIt) {
  const QString path = Write("two.dng", {.small_preview = SmallPreview::kJpeg});
  auto access = std::make_shared<testkit::FakeFileAccess>();
  QString message;
  const QImage thumbnail = Read(path, &message, access.get());
  ASSERT_FALSE(thumbnail.isNull()) << message.toStdString();
  EXPECT_EQ(thumbnail.size(), QSize(100, 75));  // the 80 x 60 preview would not be enlarged

  const QImage peer = Peer("simple_dcraw", {"-e", "two.dng"}, "two.dng.thumb.jpg");
  ASSERT_EQ(peer.size(), QSize(320, 240));
  const double psnr = Psnr(thumbnail, AreaAverage(peer, QSize(100, 75)));
  EXPECT_GE(psnr, 38.0);
  RecordProperty("psnr_preview", std::to_string(psnr));

  const std::int64_t size = QFileInfo(path).size();
  EXPECT_LT(access->BytesRead(path), size / 5) << "of " << size;
}

// A preview stored as uncompressed RGB serves as a JPEG one does: the 80 x 60 picture is not
// developed to 100 x 75.
TEST_F(RawPictureReaderTest, TakesAnUncompressedPreviewToo) {
  QString message;
  const QImage thumbnail =
      Read(Write("rgb.dng", {.preview = false, .small_preview = SmallPreview::kRgb}), &message);
  ASSERT_EQ(thumbnail.size(), QSize(80, 60)) << message.toStdString();
  const double psnr = Psnr(thumbnail, AreaAverage(AsImage(Marked(320, 240)), QSize(80, 60)));
  EXPECT_GE(psnr, 40.0);
  RecordProperty("psnr_rgb_preview", std::to_string(psnr));
}

// The RAW's orientation turns the picture, whether from the preview or developed, and only once.
TEST_F(RawPictureReaderTest, TurnsThePictureAsTheRawSays) {
  for (const bool preview : {true, false}) {
    SCOPED_TRACE(preview ? "preview" : "developed");
    QString message;
    const QImage thumbnail =
        Read(Write("turned.dng", {.preview = preview, .orientation = 6}), &message);
    ASSERT_EQ(thumbnail.size(), QSize(75, 100)) << message.toStdString();
    // Turned a quarter clockwise, the top left corner is at the top right.
    EXPECT_TRUE(Red(thumbnail.pixel(70, 5)));
    EXPECT_FALSE(Red(thumbnail.pixel(5, 5)));
  }
}

// Without a preview the raw data is developed at half size, as LibRaw's own tool does.
TEST_F(RawPictureReaderTest, DevelopsTheRawWithoutAPreview) {
  const QString path = Write("bare.dng", {.preview = false});
  QString message;
  const QImage thumbnail = Read(path, &message);
  ASSERT_EQ(thumbnail.size(), QSize(100, 75)) << message.toStdString();
  const QImage peer = Peer("dcraw_emu", {"-h", "-w", "bare.dng"}, "bare.dng.ppm");
  ASSERT_EQ(peer.size(), QSize(160, 120));
  const double psnr = Psnr(thumbnail, AreaAverage(peer, QSize(100, 75)));
  EXPECT_GE(psnr, 45.0);
  RecordProperty("psnr_developed", std::to_string(psnr));
  // And it resembles the picture the mosaic was made of.
  EXPECT_GE(Psnr(thumbnail, AreaAverage(AsImage(Marked(320, 240)), QSize(100, 75))), 22.0);
}

// LibRaw 0.20 appends to a Hasselblad's model within its 64 bytes without a bound: a model of 63
// characters ended the process.
TEST_F(RawPictureReaderTest, ALongCameraModelIsReadSafely) {
  MemoryByteSource source(
      DngFile(Marked(320, 240), {.make = "Hasselblad", .model = std::string(63, 'H')}));
  QString message;
  EXPECT_FALSE(DecodeFittedPicture(source, "long-model.dng", kSide, &message).isNull())
      << qPrintable(message);
}

// A preview stored as colour planes whose declared length passes its width and height (a
// fuzzer's find) would overrun LibRaw's buffer: it is left alone and the raw developed instead,
// which this damaged file's raw data does not allow.
TEST_F(RawPictureReaderTest, APlanarPreviewLongerThanItsSizeIsNotUnpacked) {
  QFile file(QStringLiteral(QUORVEL_TEST_DATA_DIR "/planar_preview_overrun.dng"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  MemoryByteSource source(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  QString message;
  EXPECT_TRUE(DecodeFittedPicture(source, "planar.dng", kSide, &message).isNull());
  EXPECT_FALSE(message.isEmpty());
}

// Damaged, foreign or empty files, a failing medium and a stop give no picture and a reason.
TEST_F(RawPictureReaderTest, RefusesWhatItCannotRead) {
  const std::vector<std::uint8_t> dng = DngFile(Marked(320, 240), {});
  std::vector<std::uint8_t> noise(50000);
  std::mt19937 random(7);
  for (std::uint8_t& byte : noise) byte = static_cast<std::uint8_t>(random());
  const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> files = {
      {"cut.dng", std::vector<std::uint8_t>(dng.begin(), dng.begin() + 300)},
      {"noise.cr2", noise},
      {"noise.nef", noise},
      {"empty.dng", {}}};
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    MemoryByteSource source(bytes);
    QString message;
    EXPECT_TRUE(DecodeFittedPicture(source, name, kSide, &message).isNull());
    EXPECT_FALSE(message.isEmpty());
  }

  const QString path = Write("failing.dng", {});
  auto access = std::make_shared<testkit::FakeFileAccess>();
  access->FailAfter(path, 1000);
  QString message;
  EXPECT_TRUE(Read(path, &message, access.get()).isNull());
  EXPECT_FALSE(message.isEmpty());

  std::stop_source stop;
  stop.request_stop();
  MemoryByteSource source(dng);
  EXPECT_TRUE(ReadRawPicture(source, kSide, stop.get_token(), &message).isNull());
  EXPECT_EQ(message, "Rendering was stopped");
}

}  // namespace
}  // namespace quorvel
