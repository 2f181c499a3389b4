#include "scan/exif_reader.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <vector>

#include "scan/test_pictures.h"
#include "support/camera_jpeg.h"

namespace quorvel {
namespace {

using testkit::CameraJpeg;
using testkit::WithExifOrientation;

// A copy of exactly the bytes given, so that a read past them is caught by the sanitizers.
std::vector<std::uint8_t> Bytes(const QByteArray& bytes) { return {bytes.begin(), bytes.end()}; }

// The payload of the APP1 segment that WithExifOrientation puts after SOI.
QByteArray ExifPayload(int orientation, bool little_endian) {
  const QByteArray jpeg =
      WithExifOrientation(QByteArray("\xFF\xD8\xFF\xD9", 4), orientation, little_endian);
  const int length =
      (static_cast<unsigned char>(jpeg[4]) << 8) | static_cast<unsigned char>(jpeg[5]);
  return jpeg.mid(6, length - 2);
}

int Orientation(const QByteArray& payload) { return ReadExif(Bytes(payload)).orientation; }

TEST(ExifOrientation, ReadsTheTagInBothByteOrders) {
  for (bool little_endian : {true, false}) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
      EXPECT_EQ(Orientation(ExifPayload(orientation, little_endian)), orientation)
          << "little endian " << little_endian;
    }
  }
}

TEST(ExifOrientation, MalformedPayloadsMeanUpright) {
  const QByteArray good = ExifPayload(6, false);
  for (qsizetype cut = 0; cut < good.size(); ++cut) {
    const int orientation = Orientation(good.left(cut));
    // A cut after the value itself may still hold it; never anything else.
    EXPECT_TRUE(orientation == 1 || orientation == 6) << "cut at " << cut;
    if (cut < good.size() - 4) {
      EXPECT_EQ(orientation, 1) << "cut at " << cut;
    }
  }
  QByteArray not_exif = good;
  not_exif[0] = 'X';
  EXPECT_EQ(Orientation(not_exif), 1);
  QByteArray bad_order = good;
  bad_order[6] = 'X';
  EXPECT_EQ(Orientation(bad_order), 1);
  EXPECT_EQ(Orientation(ExifPayload(9, false)), 1);
  EXPECT_EQ(Orientation(ExifPayload(0, true)), 1);
  QByteArray wrong_type = good;
  wrong_type[6 + 8 + 2 + 3] = 4;  // LONG instead of SHORT
  EXPECT_EQ(Orientation(wrong_type), 1);
  QByteArray far_ifd = good;
  far_ifd[6 + 4] = '\x7F';  // IFD offset far past the end
  EXPECT_EQ(Orientation(far_ifd), 1);
  QByteArray many_entries = good;
  many_entries[6 + 8] = '\xFF';  // entry count past the end
  many_entries[6 + 9] = '\xFF';
  EXPECT_EQ(Orientation(many_entries), 6);  // the first entry is still whole and found
  EXPECT_EQ(ReadExif({}).orientation, 1);
}

TEST(JpegLayout, FindsTheExifBlockTheFrameSizeAndTheThumbnailInBothByteOrders) {
  const QByteArray thumbnail("not even a JPEG, but bytes the camera stored");
  for (bool little_endian : {true, false}) {
    QImage picture(96, 64, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    const std::vector<std::uint8_t> file = Bytes(CameraJpeg(
        picture, {.orientation = 8, .thumbnail = thumbnail, .little_endian = little_endian}));
    const JpegLayout layout = ReadJpegLayout(file);
    EXPECT_TRUE(layout.is_jpeg);
    ASSERT_EQ(layout.exif_begin, 2u);
    ASSERT_GT(layout.exif_end, layout.exif_begin + 4);
    EXPECT_EQ(layout.width, 96);
    EXPECT_EQ(layout.height, 64);
    const std::span<const std::uint8_t> payload(file.data() + layout.exif_begin + 4,
                                                file.data() + layout.exif_end);
    const ExifFacts exif = ReadExif(payload);
    EXPECT_EQ(exif.orientation, 8);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(exif.thumbnail.data()),
                         static_cast<qsizetype>(exif.thumbnail.size())),
              thumbnail);
    // Cut inside the EXIF block: its end is still known, the frame header is not, and the
    // thumbnail that no longer lies wholly inside is not given.
    const std::size_t cut = layout.exif_end - 10;
    const JpegLayout head = ReadJpegLayout(std::span(file).first(cut));
    EXPECT_EQ(head.exif_end, layout.exif_end);
    EXPECT_EQ(head.width, 0);
    EXPECT_TRUE(ReadExif(payload.first(cut - layout.exif_begin - 4)).thumbnail.empty());
  }
  EXPECT_FALSE(ReadJpegLayout(Bytes(QByteArray("GIF89a"))).is_jpeg);
}

}  // namespace
}  // namespace quorvel
