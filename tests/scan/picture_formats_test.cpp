#include "scan/picture_formats.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <algorithm>
#include <string>
#include <vector>

#include "catalog/search_fields.h"
#include "scan/heif_picture_reader.h"
#include "scan/raw_picture_reader.h"
#include "scan/video_frame_reader.h"

namespace quorvel {
namespace {

// The search tells videos, RAW and HEIF files apart by copies of the readers' suffix lists: both
// must say the same of every suffix a reader takes, whichever decoders are installed.
TEST(PictureFormatsTest, TheSearchKnowsTheKindsByTheReadersSuffixes) {
  const auto agree = [](const std::vector<QByteArray>& read, FileKind kind, bool every_one) {
    for (const QByteArray& suffix : read) {
      EXPECT_EQ(KindOfPath("/a/b." + suffix.toUpper().toStdString()), kind) << suffix.data();
    }
    const std::span<const std::string_view> copied = SuffixesOf(kind);
    if (every_one) {
      EXPECT_EQ(copied.size(), read.size());
    }
  };
  agree(VideoSuffixes(), FileKind::kVideo, true);
  agree(CameraRawSuffixes(), FileKind::kRaw, true);
  std::vector<QByteArray> heic, avif;
  for (const QByteArray& suffix : HeifSuffixes())
    (suffix == "avif" ? avif : heic).push_back(suffix);
  agree(heic, FileKind::kHeic, false);
  agree(avif, FileKind::kAvif, false);
  EXPECT_EQ(KindOfPath("/a/b.jpg"), FileKind::kOther);
  EXPECT_EQ(KindOfPath("/a.mp4/b"), FileKind::kOther);
}

}  // namespace
}  // namespace quorvel
