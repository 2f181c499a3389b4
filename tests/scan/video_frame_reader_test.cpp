// Videos through FFmpeg's libraries: the frame at a tenth of the duration, at its display aspect
// and rotation, as ffmpegthumbnailer shows it; a black opening passed over; damaged files and
// frames too large to decode refused.
#include "scan/video_frame_reader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <memory>
#include <random>

#include "scan/test_pictures.h"
#include "scan/thumbnail_renderer.h"
#include "support/video_fixtures.h"

namespace quorvel {
namespace {

// A keyframe every second: the frame at a tenth of these ten seconds is one, so the frame
// ffmpegthumbnailer takes (the keyframe at or after the point it seeks to) is the one we want.
QStringList EveryFifthKey(const char* codec) {
  return {QStringLiteral("-c:v"), QString::fromLatin1(codec), QStringLiteral("-g"),
          QStringLiteral("5")};
}

// One frame in a thousand is a keyframe.
const QStringList kH264 = {QStringLiteral("-c:v"), QStringLiteral("libx264"),
                           QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")};

class VideoFrameReaderTest : public ::testing::Test {
 protected:
  // The containers and codecs, 320 x 240 (H.263: 352 x 288), made once for the whole binary,
  // with ffmpegthumbnailer's thumbnail of each beside it as NAME.png.
  static QStringList Containers() {
    return {"h264.mp4",  "rotated.mp4", "anamorphic.mp4", "vp9.mkv",  "vp8.webm", "mpeg4.avi",
            "mjpeg.mov", "mpeg2.mpg",   "wmv2.wmv",       "flv1.flv", "h263.3gp", "h264.m2ts"};
  }

  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir();
    ASSERT_TRUE(dir_->isValid());
    const auto video = [&](const char* name, const QStringList& encoding, int seconds = 10,
                           QSize frame = QSize(320, 240)) {
      return testkit::TestPatternVideo(Path(name), frame, seconds, 5, encoding);
    };
    const QStringList quick_vp = {QStringLiteral("-deadline"), QStringLiteral("realtime"),
                                  QStringLiteral("-cpu-used"), QStringLiteral("8")};
    const QStringList quality = {QStringLiteral("-q:v"), QStringLiteral("3")};
    ASSERT_TRUE(testkit::RunAll({
        video("h264.mp4", kH264 + EveryFifthKey("libx264")),
        video("anamorphic.mp4",
              kH264 + EveryFifthKey("libx264") +
                  QStringList{QStringLiteral("-vf"), QStringLiteral("setsar=4/3")}),
        video("vp9.mkv", EveryFifthKey("libvpx-vp9") + quick_vp),
        video("vp8.webm", EveryFifthKey("libvpx") + quick_vp),
        video("mpeg4.avi", EveryFifthKey("mpeg4") + quality),
        video("mjpeg.mov", EveryFifthKey("mjpeg") + quality),
        video("mpeg2.mpg", EveryFifthKey("mpeg2video") + quality),
        video("wmv2.wmv", EveryFifthKey("wmv2") + quality),
        video("flv1.flv", EveryFifthKey("flv") + quality),
        video("h263.3gp", EveryFifthKey("h263") + quality, 10, QSize(352, 288)),
        video("h264.m2ts", kH264 + EveryFifthKey("libx264") +
                               QStringList{"-muxdelay", "0", "-muxpreload", "0", "-f", "mpegts",
                                           "-mpegts_m2ts_mode", "1"}),
        // Black for its first second, and one keyframe only, at the start.
        video("black_opening.mp4",
              kH264 + QStringList{"-g", "200", "-sc_threshold", "0", "-vf",
                                  "drawbox=w=iw:h=ih:color=black:t=fill:enable='lt(t,1)'"},
              20),
        // Frames stored as they are, which the damaged tests give an impossible size.
        video("raw.avi", {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}, 1, QSize(64, 48)),
    }));
    // A phone held upright: the frames are stored across, with a display rotation.
    ASSERT_TRUE(
        testkit::RunAll({{"ffmpeg", "-y", "-loglevel", "error", "-i", Path("h264.mp4"), "-c",
                          "copy", "-metadata:s:v:0", "rotate=90", Path("rotated.mp4")}}));
    QList<QStringList> peers;
    for (const QString& name : Containers()) {
      peers.append({"ffmpegthumbnailer", "-s", "100", "-i", Path(name), "-o", Path(name) + ".png"});
    }
    ASSERT_TRUE(testkit::RunAll(peers));
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
