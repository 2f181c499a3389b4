#include "catalog/disk_record_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "catalog/catalog_check.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_index.h"
#include "catalog/field_codec.h"
#include "catalog/thumbnail_jpeg.h"
#include "support/catalog_builder.h"

namespace quorvel {
using namespace std::string_literals;
namespace {

using testkit::ToBytes;

const Bytes kTinyJpeg = {0xFF, 0xD8, 0x01, 0x02, 0xFF, 0xD9};

TEST(DiskRecordWriterTest, FirstDiskCreatesTheHeaderAndPlaceholdersStandUntilPatched) {
  Bytes stream;
  DiskRecordHead head = BeginDiskRecord(stream, "CD");
  EXPECT_EQ(stream, ToBytes("Ctlg\0\0D\x02\x22\x22"
                            "CD****"s));
  AppendThumbnailRecord(stream, head, "p", ByteView(kTinyJpeg));
  EXPECT_EQ(ReadField(stream, 16 + 3, 2), kTinyJpeg.size()) << "JPEG length patched at once";
  EXPECT_EQ(stream[8], 0x22) << "the thumbnail count waits for the end of the disk";
  FinishDiskRecord(stream, head);
  EXPECT_TRUE(CheckCatalog(stream).ok());
  EXPECT_EQ(ReadField(stream, 4, 2), 1u);
  EXPECT_EQ(ReadField(stream, 8, 2), 1u);
  EXPECT_EQ(ReadField(stream, 12, 4), stream.size() - 6);
}

TEST(DiskRecordWriterTest, HeaderCutShortIsCompletedBeforeTheRecord) {
  Bytes stream = ToBytes("Ctlg");
  DiskRecordHead head = BeginDiskRecord(stream, "A");
  FinishDiskRecord(stream, head);
  const CheckResult result = CheckCatalog(stream);
  EXPECT_TRUE(result.ok()) << result.violation->reason;
  EXPECT_EQ(result.disk_count, 1);
}

TEST(DiskRecordWriterTest, RefusesWhatTheFieldsCannotHoldAndLeavesTheStream) {
  Bytes stream = testkit::BuildCatalog({{"one", {}}});
  const Bytes before = stream;
  EXPECT_THROW(BeginDiskRecord(stream, std::string(256, 'n')), CatalogError);
  EXPECT_EQ(stream, before);

  DiskRecordHead head = BeginDiskRecord(stream, std::string(255, 'n'));  // the longest name
  const Bytes with_head = stream;
  EXPECT_THROW(AppendThumbnailRecord(stream, head, std::string(256, 'p'), ByteView(kTinyJpeg)),
               CatalogError);
  EXPECT_EQ(stream, with_head);
  const Bytes too_big(65536, 0xAB);
  EXPECT_THROW(AppendThumbnailRecord(stream, head, "big", ByteView(too_big)), CatalogError);
  EXPECT_EQ(stream, with_head) << "an oversized JPEG leaves no record behind";
  const Bytes largest(65535, 0xAB);
  AppendThumbnailRecord(stream, head, std::string(255, 'p'), ByteView(largest));
  EXPECT_EQ(head.thumb_count, 1);
  head.thumb_count = 65535;
  EXPECT_THROW(AppendThumbnailRecord(stream, head, "one more", ByteView(kTinyJpeg)), CatalogError);
  head.thumb_count = 1;
  FinishDiskRecord(stream, head);
  const CatalogIndex index = BuildIndex(stream);
  ASSERT_FALSE(index.Damage);
  EXPECT_EQ(index.Disks[1].Name.size(), 255u);
  EXPECT_EQ(index.Disks[1].Thumbs[0].JpegSize, 65535);
}

TEST(DiskRecordWriterTest, RefusesTheDiskAfterThe65535th) {
  Bytes stream = testkit::BuildCatalog({});
  WriteField(stream, 4, 65535, 2);
  const Bytes before = stream;
  EXPECT_THROW(BeginDiskRecord(stream, "too many"), CatalogError);
  EXPECT_THROW(AppendDiskRecord(stream, DiskRecordBuilder("too many").Finish()), CatalogError);
  EXPECT_EQ(stream, before);
}

TEST(DiskRecordWriterTest, EncodesPicturesStraightIntoTheStream) {
  Bytes stream;
  DiskRecordHead head = BeginDiskRecord(stream, "pics");
  Bytes pixels(100 * 100 * 3, 0x80);
  AppendThumbnailRecord(stream, head, "C:\\x.png", RgbView{pixels.data(), 100, 100, 300});
  FinishDiskRecord(stream, head);
  const CatalogIndex index = BuildIndex(stream);
  ASSERT_FALSE(index.Damage);
  const Disc& thumb = index.Disks[0].Thumbs[0];
  RgbImage decoded;
  ASSERT_TRUE(
      DecodeJpeg(ByteView(stream).subspan(index.Disks[0].JpegPos(thumb), thumb.JpegSize), decoded));
  EXPECT_EQ(decoded.width, 100);
  EXPECT_TRUE(CheckCatalog(stream).ok());
}

TEST(DiskRecordBuilderTest, BuildsWhatTheInPlaceWriterWritesWithinTheSameLimits) {
  Bytes pixels(100 * 100 * 3, 0x80);
  const RgbView picture{pixels.data(), 100, 100, 300};
  Bytes in_place = testkit::BuildCatalog({{"one", {}}});
  DiskRecordHead head = BeginDiskRecord(in_place, "CD");
  AppendThumbnailRecord(in_place, head, "p", ByteView(kTinyJpeg));
  AppendThumbnailRecord(in_place, head, "C:\\x.png", picture);
  FinishDiskRecord(in_place, head);

  EXPECT_THROW(DiskRecordBuilder(std::string(256, 'n')), CatalogError);
  DiskRecordBuilder builder("CD");
  builder.AddThumbnail("p", ByteView(kTinyJpeg));
  JpegEncoder encoder;
  builder.AddThumbnail("C:\\x.png", picture, &encoder);
  // Refused thumbnails leave no trace in the record.
  EXPECT_THROW(builder.AddThumbnail(std::string(256, 'p'), ByteView(kTinyJpeg)), CatalogError);
  EXPECT_THROW(builder.AddThumbnail("big", ByteView(Bytes(65536, 0xAB))), CatalogError);
  EXPECT_EQ(builder.ThumbCount(), 2);
  Bytes built = testkit::BuildCatalog({{"one", {}}});
  AppendDiskRecord(built, std::move(builder).Finish());
  EXPECT_EQ(built, in_place);

  DiskRecordBuilder full("full");
  for (int i = 0; i < 65535; ++i) full.AddThumbnail("p", ByteView(kTinyJpeg));
  EXPECT_THROW(full.AddThumbnail("one more", ByteView(kTinyJpeg)), CatalogError);
  Bytes stream;
  AppendDiskRecord(stream, std::move(full).Finish());
  const CatalogIndex index = BuildIndex(stream);
  ASSERT_FALSE(index.Damage);
  EXPECT_EQ(index.Disks[0].ThumbCount, 65535);
}

TEST(StorableImagePathTest, PathThatFitsIsKept) {
  const std::string path = "E:\\" + std::string(246, 'p') + "\\a.jpg";
  ASSERT_EQ(path.size(), 255u);
  EXPECT_EQ(StorableImagePath(path), path);
}

TEST(StorableImagePathTest, LongerPathLosesItsStartToAnEllipsis) {
  for (const std::size_t length : {256u, 400u}) {
    const std::string tail = "\\\xF4\xEE\xF2\xEE.jpg";  // "\\фото.jpg" in 1251
    const std::string path = "E:\\" + std::string(length - 3 - tail.size(), 'p') + tail;
    ASSERT_EQ(path.size(), length);
    const std::string stored = StorableImagePath(path);
    ASSERT_EQ(stored.size(), 255u) << length;
    EXPECT_EQ(stored[0], '\x85') << length;
    EXPECT_EQ(stored.substr(1), path.substr(length - 254)) << length;
    EXPECT_TRUE(stored.ends_with(tail)) << length;
  }
}

}  // namespace
}  // namespace quorvel
