// Videos through FFmpeg's libraries: the frame at a tenth of the duration, at its display aspect
// and rotation, as ffmpegthumbnailer shows it; a black opening passed over; damaged files and
// frames too large to decode refused.
#include "scan/video_frame_reader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QImage>
#include <QTemporaryDir>
#include <random>
#include <utility>

#include "scan/test_pictures.h"
#include "scan/thumbnail_renderer.h"
#include "support/video_fixtures.h"

namespace quorvel {
namespace {

class VideoFrameReaderTest : public ::testing::Test {
 protected:
  // The containers and codecs compared with ffmpegthumbnailer, 320 x 240 (H.263: 352 x 288).
  static QStringList Containers() {
    return {"h264.mp4",  "rotated.mp4", "anamorphic.mp4", "vp9.mkv",  "vp8.webm", "mpeg4.avi",
            "mjpeg.mov", "mpeg2.mpg",   "wmv2.wmv",       "flv1.flv", "h263.3gp", "h264.m2ts"};
  }

  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir();
    ASSERT_TRUE(dir_->isValid());
  }

  // Makes those of the named files not made yet, all at once: each test makes only what it
  // needs, since CTest runs each in a process of its own. NAME.png is ffmpegthumbnailer's
  // thumbnail of NAME, which must be made first.
  static bool Make(const QStringList& names) {
    // A keyframe every second: the frame at a tenth of ten seconds is one, so the frame
    // ffmpegthumbnailer takes (the keyframe at or after the point it seeks to) is ours too.
    const auto coded = [](const char* codec) {
      return QStringList{"-c:v", codec, "-g", "5", "-q:v", "3"};
    };
    const QStringList h264 = {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "5"};
    const QStringList quick = {"-deadline", "realtime", "-cpu-used", "8"};
    const QHash<QString, QStringList> encodings = {
        {"h264.mp4", h264},
        {"anamorphic.mp4", h264 + QStringList{"-vf", "setsar=4/3"}},
        {"vp9.mkv", coded("libvpx-vp9") + quick},
        {"vp8.webm", coded("libvpx") + quick},
        {"mpeg4.avi", coded("mpeg4")},
        {"mjpeg.mov", coded("mjpeg")},
        {"mpeg2.mpg", coded("mpeg2video")},
        {"wmv2.wmv", coded("wmv2")},
        {"flv1.flv", coded("flv")},
        {"h263.3gp", coded("h263")},
        {"h264.m2ts", h264 + QStringList{"-muxdelay", "0", "-muxpreload", "0", "-f", "mpegts",
                                         "-mpegts_m2ts_mode", "1"}},
        // Black for its first second, and one keyframe only, at the start.
        {"black_opening.mp4",
         {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "200", "-sc_threshold", "0", "-vf",
          "drawbox=w=iw:h=ih:color=black:t=fill:enable='lt(t,1)'"}},
        // Frames stored as they are, which the damaged tests give an impossible size.
        {"raw.avi", {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}},
    };
    // The rotated video is h264.mp4 with a display rotation added: that is made before.
    if (names.contains("rotated.mp4") && !QFile::exists(Path("rotated.mp4")) &&
        !Make({"h264.mp4"})) {
      return false;
    }
    QList<QStringList> commands;
    for (const QString& name : names) {
      if (QFile::exists(Path(name))) continue;
      if (name.endsWith(".png")) {
        commands.append(
            {"ffmpegthumbnailer", "-s", "100", "-i", Path(name.chopped(4)), "-o", Path(name)});
      } else if (name == "rotated.mp4") {
        // A phone held upright: the frames are stored across, with a display rotation.
        commands.append({"ffmpeg", "-y", "-loglevel", "error", "-i", Path("h264.mp4"), "-c", "copy",
                         "-metadata:s:v:0", "rotate=90", Path(name)});
      } else if (encodings.contains(name)) {
        const QSize size = name == "h263.3gp"  ? QSize(352, 288)
                           : name == "raw.avi" ? QSize(64, 48)
                                               : QSize(320, 240);
        const int seconds = name == "black_opening.mp4" ? 20 : name == "raw.avi" ? 1 : 10;
        commands << testkit::TestPatternVideo(Path(name), size, seconds, 5, encodings[name]);
      } else {
        return false;
      }
    }
    return testkit::RunAll(commands);
  }

  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  static QString Path(const QString& name) { return dir_->filePath(name); }

  static QByteArray Read(const QString& name) {
    QFile file(Path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  static QTemporaryDir* dir_;
};

QTemporaryDir* VideoFrameReaderTest::dir_ = nullptr;

TEST_F(VideoFrameReaderTest, ShowsTheFrameAtATenthAsFfmpegthumbnailerDoes) {
  QStringList peers;
  for (const QString& name : Containers()) peers << name + ".png";
  ASSERT_TRUE(Make(Containers()) && Make(peers));
  for (const QString& name : Containers()) {
    QString error;
    const QImage ours = LoadFittedPicture(Path(name), 100, &error);
    ASSERT_FALSE(ours.isNull()) << qPrintable(name) << ": " << qPrintable(error);
    const QImage peer(Path(name) + ".png");
    ASSERT_FALSE(peer.isNull()) << qPrintable(name);
    // Display aspect and rotation applied, fitted as every picture is.
    const QSize expected = name == "rotated.mp4"      ? QSize(75, 100)
                           : name == "anamorphic.mp4" ? QSize(100, 56)
                           : name == "h263.3gp"       ? QSize(100, 82)
                                                      : QSize(100, 75);
    EXPECT_EQ(ours.size(), expected) << qPrintable(name);
    ASSERT_EQ(peer.size(), ours.size()) << qPrintable(name);
    // A frame off by one differs by far more: the pattern moves and its counter changes.
    EXPECT_GE(testkit::Psnr(ours.convertToFormat(QImage::Format_RGB32),
                            peer.convertToFormat(QImage::Format_RGB32)),
              35.0)
        << qPrintable(name);
  }
}

TEST_F(VideoFrameReaderTest, PassesOverABlackOpening) {
  ASSERT_TRUE(Make({"black_opening.mp4"}));
  QString error;
  const QImage frame = LoadFittedPicture(Path("black_opening.mp4"), 100, &error);
  ASSERT_FALSE(frame.isNull()) << qPrintable(error);
  double sum = 0;
  for (int y = 0; y < frame.height(); ++y) {
    for (int x = 0; x < frame.width(); ++x) sum += qGray(frame.pixel(x, y));
  }
  EXPECT_GT(sum / (frame.width() * frame.height()), 80.0);
}

TEST_F(VideoFrameReaderTest, DamagedFilesAndHugeFramesFail) {
  ASSERT_TRUE(Make({"h264.mp4", "raw.avi"}));
  const QByteArray mp4 = Read("h264.mp4");  // its index comes last
  std::mt19937 random(11);
  QByteArray noise(200000, Qt::Uninitialized);
  for (char& byte : noise) byte = static_cast<char>(random());
  // The frame size the container declares, in the bitmap header of the stream's format.
  QByteArray huge = Read("raw.avi");
  const qsizetype format = huge.indexOf("strf");
  ASSERT_GT(format, 0);
  // 10000 x 8000: FFmpeg's own checks pass it, but it needs 320 MB.
  huge.replace(format + 12, 8, QByteArray::fromHex("10270000401f0000"));
  const QList<std::pair<QString, QByteArray>> damaged = {
      {"first_half.mp4", mp4.left(mp4.size() / 2)},
      {"second_half.mp4", mp4.mid(mp4.size() / 2)},
      {"noise.mp4", noise},
      {"empty.mkv", QByteArray()},
      {"text.avi", QByteArray("not a video\n")},
      {"huge.avi", huge},
  };
  for (const auto& [name, bytes] : damaged) {
    ASSERT_TRUE(testkit::WriteBytes(Path(name), bytes));
    QString error;
    EXPECT_TRUE(RenderThumbnail(Path(name), &error).isNull()) << qPrintable(name);
    EXPECT_FALSE(error.isEmpty()) << qPrintable(name);
    if (name == "huge.avi") {
      EXPECT_TRUE(error.contains("too large")) << qPrintable(error);
    }
  }
  // The same file with its declared size intact decodes.
  EXPECT_FALSE(RenderThumbnail(Path("raw.avi")).isNull());
}

}  // namespace
}  // namespace quorvel
