// The facts the pipeline hands over with each thumbnail, read from the bytes its render read:
// a JPEG's EXIF block and frame (also on the embedded-preview path, from the head read), the
// size of a picture Qt reads, a video's container, HEIF and RAW through their libraries, and
// every file's size and modification time, also when it does not decode. The files are tagged
// by exiftool and made by ffmpeg and heif-enc.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "scan/embedded_preview.h"
#include "scan/test_pictures.h"
#include "scan/thumbnail_pipeline.h"
#include "support/camera_jpeg.h"
#include "support/dng_writer.h"
#include "support/fact_fixtures.h"
#include "support/fake_file_access.h"
#include "support/video_fixtures.h"

namespace quorvel {
namespace {

using testkit::ExpectFacts;
using Status = ThumbnailResult::Status;

QImage Gradient(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, 90));
  }
  return image;
}

class ThumbnailFactsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    EXPECT_TRUE(testkit::WriteBytes(path, bytes));
    return path;
  }

  // The result of `path` from a pipeline reading it through `medium`.
  static ThumbnailResult Rendered(const QString& path, std::shared_ptr<FileAccess> medium = {}) {
    ThumbnailPipeline pipeline;
    if (medium) pipeline.SetFileAccess(std::move(medium));
    pipeline.ReadAhead({path});
    EXPECT_TRUE(pipeline.ShowFile(path));
    EXPECT_TRUE(pipeline.WaitForResult(ThumbnailPipeline::Clock::now() + std::chrono::seconds(30)));
    return pipeline.Result();
  }

  // `facts` with the size and time of the file at `path`.
  static PictureFacts OfFile(PictureFacts facts, const QString& path) {
    const QFileInfo info(path);
    facts.file_size = info.size();
    facts.modified = info.lastModified().toSecsSinceEpoch();
    return facts;
  }

  QTemporaryDir dir_;
};

TEST_F(ThumbnailFactsTest, JpegAndOtherStillPictures) {
  // A JPEG decoded whole: its EXIF block, and its frame's size turned by the orientation.
  const QString field = Write("field.jpg", testkit::EncodeJpeg(Gradient(160, 120)));
  ASSERT_TRUE(testkit::WriteExifTags(field, testkit::FieldCameraTags()));
  ExpectFacts(Rendered(field).facts, OfFile(testkit::FieldCameraFacts(160, 120), field), field);

  // Without DateTimeOriginal, the date it was digitized (exiftool's CreateDate).
  const QString scanned = Write("scanned.jpg", testkit::EncodeJpeg(Gradient(90, 60)));
  ASSERT_TRUE(testkit::WriteExifTags(scanned, {"-ExifIFD:CreateDate=2003:02:01 00:00:59"}));
  PictureFacts digitized;
  digitized.taken = testkit::ClockSeconds(2003, 2, 1, 0, 0, 59);
  digitized.width = 90;
  digitized.height = 60;
  ExpectFacts(Rendered(scanned).facts, OfFile(digitized, scanned), scanned);

  // A camera's JPEG rendered from its EXIF thumbnail: the facts come from the head read for it.
  testkit::CameraJpegOptions options;
  options.thumbnail = testkit::EncodeJpeg(Gradient(160, 120));
  const QString camera = Write("camera.jpg", testkit::CameraJpeg(Gradient(2400, 1800), options));
  ASSERT_TRUE(testkit::WriteExifTags(camera, testkit::FieldCameraTags()));
  auto medium = std::make_shared<testkit::FakeFileAccess>();
  ExpectFacts(Rendered(camera, medium).facts, OfFile(testkit::FieldCameraFacts(2400, 1800), camera),
              camera);
  EXPECT_EQ(medium->BytesRead(camera), static_cast<std::int64_t>(kPreviewHeadBytes));
  EXPECT_GT(QFileInfo(camera).size(), static_cast<qint64>(kPreviewHeadBytes));

  // Qt's formats give their size.
  const QString png = Write("plain.png", testkit::EncodeWithQt(Gradient(70, 50), "png"));
  PictureFacts sized;
  sized.width = 70;
  sized.height = 50;
  ExpectFacts(Rendered(png).facts, OfFile(sized, png), png);

  // A file that does not decode still has its size and time.
  const QString broken = Write("broken.jpg", QByteArray("\xFF\xD8\xFF\xE0 no picture here", 21));
  const ThumbnailResult failed = Rendered(broken);
  EXPECT_EQ(failed.status, Status::kFailed);
  ExpectFacts(failed.facts, OfFile({}, broken), broken);
}

TEST_F(ThumbnailFactsTest, VideoHeifAndRaw) {
  // The video's UTC creation time is shown on this machine's clock: nine hours ahead here.
  ASSERT_EQ(setenv("TZ", "JST-9", 1), 0);
  tzset();
  const QString made = dir_.filePath("made.mp4");
  const QString video = dir_.filePath("video.mp4");
  ASSERT_TRUE(testkit::RunAll({testkit::TestPatternVideo(
      made, QSize(160, 120), 2, 10,
      {"-c:v", "mpeg4", "-metadata", "creation_time=2022-03-04T05:06:07Z", "-metadata",
       "location=+48.8583+002.2945/", "-metadata", "make=Quorvel", "-metadata",
       "model=Field Camera", "-movflags", "use_metadata_tags"})}));
  // Turned a quarter for display, which only a copy of the stream writes in this ffmpeg.
  ASSERT_TRUE(testkit::RunAll(
      {{"ffmpeg", "-loglevel", "error", "-i", made, "-c", "copy", "-map_metadata", "0",
        "-metadata:s:v:0", "rotate=90", "-movflags", "use_metadata_tags", video}}));
  PictureFacts recorded = testkit::FieldCameraFacts(160, 120);
  recorded.taken = testkit::ClockSeconds(2022, 3, 4, 14, 6, 7);
  recorded.duration_ms = 2000;
  ExpectFacts(Rendered(video).facts, OfFile(recorded, video), video);

  // HEIF keeps the EXIF block of the JPEG it was made from; its own size is not turned.
  const QString source = Write("source.jpg", testkit::EncodeJpeg(Gradient(160, 120)));
  ASSERT_TRUE(testkit::WriteExifTags(source, testkit::FieldCameraTags()));
  const QString heif = dir_.filePath("field.heic");
  ASSERT_TRUE(testkit::RunAll({{"heif-enc", "-q", "30", source, "-o", heif}}));
  PictureFacts still = testkit::FieldCameraFacts(120, 160);
  ExpectFacts(Rendered(heif).facts, OfFile(still, heif), heif);

  // A camera RAW through LibRaw, turned as the DNG says.
  testkit::RgbPicture picture{64, 48, std::vector<std::uint8_t>(64 * 48 * 3, 128)};
  const std::vector<std::uint8_t> dng = testkit::DngFile(picture, {.model = "Field Camera"});
  const QString raw = Write("field.dng", QByteArray(reinterpret_cast<const char*>(dng.data()),
                                                    static_cast<qsizetype>(dng.size())));
  ASSERT_TRUE(testkit::WriteExifTags(raw, testkit::FieldCameraTags()));
  ExpectFacts(Rendered(raw).facts, OfFile(testkit::FieldCameraFacts(64, 48), raw), raw);
}

}  // namespace
}  // namespace quorvel
