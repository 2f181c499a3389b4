#include "catalog/catalog_index.h"

#include <gtest/gtest.h>

#include <string>

#include "catalog/disk_record_writer.h"
#include "catalog/field_codec.h"
#include "catalog/piece_list.h"
#include "support/catalog_builder.h"
#include "support/catalog_versions.h"

namespace quorvel {
namespace {

using testkit::BuildCatalog;
using testkit::DiskSpec;
using testkit::ThumbSpec;
using testkit::ToBytes;

// The one-disk catalogue "CD1" with one thumbnail "C:\a.jpg" of 3000 JPEG bytes, written out
// byte by byte as the format lays it down.
Bytes Example3029() {
  Bytes b = {0x43, 0x74, 0x6C, 0x67, 0x00, 0x01,                                // header
             0x44, 0x03, 0x00, 0x01, 0x43, 0x44, 0x31, 0x00, 0x00, 0x0B, 0xCF,  // disk CD1
             0x46, 0x08};                                                       // thumbnail head
  const Bytes path = ToBytes("C:\\a.jpg");
  b.insert(b.end(), path.begin(), path.end());
  b.push_back(0x0B);
  b.push_back(0xB8);
  for (int i = 0; i < 3000; ++i) b.push_back(static_cast<std::uint8_t>(i % 251));
  return b;
}

Bytes ExampleJpeg() {
  const Bytes b = Example3029();
  return Bytes(b.begin() + 29, b.end());
}

TEST(WriterTest, WritesTheOneDiskExampleByteForByte) {
  const Bytes built = BuildCatalog({{"CD1", {{"C:\\a.jpg", ExampleJpeg()}}}});
  ASSERT_EQ(built.size(), 3029u);
  EXPECT_EQ(built, Example3029());
}

TEST(BuildIndexTest, IndexesTheOneDiskExample) {
  const Bytes stream = Example3029();
  const CatalogIndex index = BuildIndex(stream);
  EXPECT_FALSE(index.Damage);
  EXPECT_EQ(index.DiskCount, 1);
  ASSERT_EQ(index.Disks.size(), 1u);
  const CatInfo& disk = index.Disks[0];
  EXPECT_EQ(disk.Name, "CD1");
  EXPECT_EQ(disk.FirstThumbPos, 18);
  EXPECT_EQ(disk.RecordEnd, 3029);
  EXPECT_EQ(disk.RecordStart(), 6);
  EXPECT_EQ(disk.ThumbCount, 1);
  ASSERT_EQ(disk.Thumbs.size(), 1u);
  EXPECT_EQ(disk.ThumbsStart(), 17);
  EXPECT_EQ(disk.Thumbs[0].Name(), "C:\\a.jpg");
  EXPECT_EQ(disk.Thumbs[0].JpegSize, 3000);
  EXPECT_EQ(disk.Thumbs[0].JpegOffset, 29 - 17) << "counted from the disk's first thumbnail";
  EXPECT_EQ(disk.JpegPos(disk.Thumbs[0]), 29);
  EXPECT_EQ(disk.ThumbRecordStart(disk.Thumbs[0]), 17);
  EXPECT_FALSE(disk.Thumbs[0].WholeJpeg) << "the example's JPEG bytes are no JPEG";
}

TEST(BuildIndexTest, EmptyAndHeaderOnlyCataloguesHaveNoDisks) {
  for (const Bytes& stream : {Bytes{}, ToBytes(std::string("Ctlg\0\0", 6)), ToBytes("Ctlg")}) {
    const CatalogIndex index = BuildIndex(stream);
    EXPECT_FALSE(index.Damage) << stream.size() << " bytes";
    EXPECT_EQ(index.DiskCount, 0);
    EXPECT_TRUE(index.Disks.empty());
  }
}

TEST(BuildIndexTest, BytesWithoutTheMagicAreReportedAtOffsetZero) {
  for (const Bytes& stream : {ToBytes("Ct"), ToBytes("Ctlx\0\1"), ToBytes("PK\3\4 zip file")}) {
    const CatalogIndex index = BuildIndex(stream);
    ASSERT_TRUE(index.Damage);
    EXPECT_EQ(index.Damage->offset, 0);
    EXPECT_TRUE(index.Disks.empty());
  }
}

TEST(BuildIndexTest, DiskWithoutThumbnailsPointsPastTheNextMarker) {
  const Bytes stream = BuildCatalog({{"empty", {}}, {"X", {{"p", testkit::GradientJpeg(1)}}}});
  const CatalogIndex index = BuildIndex(stream);
  ASSERT_FALSE(index.Damage);
  ASSERT_EQ(index.Disks.size(), 2u);
  const CatInfo& empty = index.Disks[0];
  EXPECT_EQ(empty.ThumbCount, 0);
  EXPECT_TRUE(empty.Thumbs.empty());
  EXPECT_EQ(empty.RecordEnd, 6 + 8 + 5);
  EXPECT_EQ(empty.FirstThumbPos, empty.RecordEnd + 1);
  EXPECT_EQ(empty.RecordStart(), 6);
  EXPECT_EQ(index.Disks[1].RecordStart(), empty.RecordEnd);
  EXPECT_EQ(index.Disks[1].Thumbs[0].Name(), "p");
  EXPECT_TRUE(index.Disks[1].Thumbs[0].WholeJpeg);
}

TEST(BuildIndexTest, KeepsFileOrderAndEveryPosition) {
  std::vector<DiskSpec> disks = {{"B", {}}, {"A", {}}, {"C", {}}};
  for (int d = 0; d < 3; ++d) {
    for (int t = 0; t <= d; ++t) {
      disks[d].thumbs.push_back({"E:\\d" + std::to_string(d) + "\\" + std::to_string(t) + ".jpg",
                                 testkit::GradientJpeg(static_cast<std::uint32_t>(d * 10 + t))});
    }
  }
  const Bytes stream = BuildCatalog(disks);
  const CatalogIndex index = BuildIndex(stream);
  ASSERT_FALSE(index.Damage);
  EXPECT_EQ(index.DiskCount, 3);
  ASSERT_EQ(index.Disks.size(), 3u);
  std::int64_t expected_start = 6;
  for (int d = 0; d < 3; ++d) {
    const CatInfo& disk = index.Disks[d];
    EXPECT_EQ(disk.Name, disks[d].name);
    EXPECT_EQ(disk.RecordStart(), expected_start);
    ASSERT_EQ(disk.ThumbCount, d + 1);
    std::int64_t p = disk.FirstThumbPos - 1;
    for (int t = 0; t <= d; ++t) {
      const Disc& thumb = disk.Thumbs[t];
      EXPECT_EQ(thumb.Name(), disks[d].thumbs[t].name);
      EXPECT_EQ(disk.ThumbRecordStart(thumb), p);
      const std::int64_t jpeg = disk.JpegPos(thumb);
      EXPECT_EQ(Bytes(stream.begin() + jpeg, stream.begin() + jpeg + thumb.JpegSize),
                disks[d].thumbs[t].jpeg);
      p = jpeg + thumb.JpegSize;
    }
    EXPECT_EQ(disk.RecordEnd, p);
    expected_start = disk.RecordEnd;
  }
  EXPECT_EQ(expected_start, static_cast<std::int64_t>(stream.size()));
}

TEST(BuildIndexTest, NameStopsAtAZeroByteButPositionsUseTheStoredLength) {
  const std::string disk_name("ab\0cd", 5);
  const std::string image_name("x\0yz", 4);
  const Bytes stream =
      BuildCatalog({{disk_name, {{image_name, {0xFF, 0xD8, 0xFF, 0xD9}}}}, {"next", {}}});
  const CatalogIndex index = BuildIndex(stream);
  ASSERT_FALSE(index.Damage) << index.Damage->reason;
  ASSERT_EQ(index.Disks.size(), 2u);
  const CatInfo& disk = index.Disks[0];
  EXPECT_EQ(disk.Name, "ab");
  EXPECT_EQ(disk.RecordStart(), 6) << "the record start must not depend on the shortened name";
  EXPECT_EQ(disk.Thumbs[0].Name(), "x");
  EXPECT_EQ(disk.ThumbRecordStart(disk.Thumbs[0]), 6 + 8 + 5);
  EXPECT_EQ(disk.Thumbs[0].JpegSize, 4);
  EXPECT_EQ(index.Disks[1].Name, "next");
}

TEST(BuildIndexTest, KeepsItsNamesWhateverBecomesOfTheStreamAndCopiesShareThem) {
  CatalogIndex copy;
  {
    Bytes stream = BuildCatalog({{"Disk", {{"C:\\long\\path\\to\\image.jpg", {0xFF, 0xD8}}}}});
    const CatalogIndex index = BuildIndex(stream);
    copy = index;
    // A scan appends to the stream (and may move it) while the old index is still shown.
    stream.assign(stream.size() + 100000, 0x44);
    EXPECT_EQ(index.Disks[0].Thumbs[0].Name(), "C:\\long\\path\\to\\image.jpg");
  }
  ASSERT_EQ(copy.Disks.size(), 1u);
  EXPECT_EQ(copy.Disks[0].Name, "Disk");
  EXPECT_EQ(copy.Disks[0].Thumbs[0].Name(), "C:\\long\\path\\to\\image.jpg")
      << "the copy holds the thumbnails the index it was copied from held";
}

// The walk over a catalogue held as pieces reads through a window; wherever the pieces and the
// window cut the records, it must index what the walk over the same bytes in memory does.
TEST(BuildIndexTest, TheWalkOverPiecesGivesTheIndexOfTheWalkOverTheBytes) {
  std::vector<DiskSpec> disks;
  for (int d = 0; d < 80; ++d) {
    DiskSpec disk{"disk " + std::to_string(d), {}};
    for (int t = 0; t < 6; ++t) {
      disk.thumbs.push_back({std::string(static_cast<std::size_t>(d + t), 'p'),
                             testkit::GradientJpeg(static_cast<std::uint32_t>(d * 7 + t))});
    }
    disks.push_back(std::move(disk));
  }
  const Bytes big = BuildCatalog(disks);  // several windows long
  ASSERT_GT(big.size(), 3u * (256u << 10));
  Bytes huge_count = big;
  WriteField(huge_count, 6 + 2, 65535, 2);
  Bytes cut = big;
  cut.resize(big.size() * 2 / 3);
  // Also the damaged and the short: a count past the records, a cut, no magic, a cut header.
  std::vector<Bytes> streams = {big, huge_count, cut, ToBytes("Ct"), ToBytes("Ctlg"), Bytes{}};
  streams.push_back(BuildCatalog({}));
  streams.push_back(BuildCatalog({{"c", {{"4", {0xFF, 0xD9}}}}}));
  for (const Bytes& stream : streams) {
    const CatalogIndex expected = BuildIndex(stream);
    const PieceList whole{Bytes(stream)};
    EXPECT_EQ(testkit::IndexDifference(BuildIndex(whole), expected), "") << stream.size();
    // The same bytes in many pieces: each cut out and put back.
    PieceList pieces = whole;
    for (std::int64_t at = 1; at + 1000 < pieces.Size(); at += 9973) {
      pieces = pieces.Replaced(at, 1000, pieces.Read(at, 1000));
    }
    ASSERT_EQ(pieces.Flatten(), stream);
    std::int64_t heard = 0;
    const CatalogIndex walked = BuildIndex(pieces, [&](std::int64_t done, std::int64_t total) {
      EXPECT_GE(done, heard);
      EXPECT_LE(done, total);
      heard = done;
    });
    EXPECT_EQ(testkit::IndexDifference(walked, expected), "") << stream.size();
    if (expected.Damage) {
      EXPECT_EQ(walked.Damage->reason, expected.Damage->reason);
    }
  }
}

TEST(IndexTest, KeepsTheFactsOfThumbnailsThatHaveThemAndEachCameraOnce) {
  const Bytes stream = BuildCatalog(testkit::DisksWithFacts());
  const CatalogIndex index = BuildIndex(stream);
  EXPECT_EQ(testkit::IndexDifference(BuildIndex(PieceList{Bytes(stream)}), index), "");
  const CatInfo& old_disk = index.Disks.at(0);
  EXPECT_TRUE(old_disk.Storage->facts.empty()) << "a disk without facts costs nothing";
  EXPECT_EQ(old_disk.Facts(0), nullptr);

  const CatInfo& disk = index.Disks.at(1);
  ASSERT_EQ(disk.Storage->facts.size(), 5u);
  const PictureFacts example = testkit::ExampleFacts();
  const ThumbFacts& a = *disk.Facts(0);
  EXPECT_EQ(a.taken, *example.taken);
  EXPECT_EQ(a.file_size, *example.file_size);
  EXPECT_EQ(a.width, example.width);
  EXPECT_EQ(a.height, example.height);
  EXPECT_TRUE(a.has_position);
  EXPECT_EQ(disk.Camera(a), "Canon EOS 70D");
  for (const int none : {1, 4}) {
    const ThumbFacts& f = *disk.Facts(none);
    EXPECT_EQ(f.taken, ThumbFacts::kNoDate);
    EXPECT_EQ(f.file_size, -1);
    EXPECT_EQ(disk.Camera(f), "");
  }
  const ThumbFacts& c = *disk.Facts(2);
  EXPECT_EQ(disk.Camera(c), "NIKON CORPORATION NIKON D750");
  EXPECT_EQ(c.taken, ThumbFacts::kNoDate);
  EXPECT_FALSE(c.has_position);
  EXPECT_EQ(disk.Storage->cameras, "Canon EOS 70DNIKON CORPORATION NIKON D750");
  EXPECT_EQ(disk.Camera(*disk.Facts(3)), "Canon EOS 70D");
}

// A three-disk catalogue to damage.
Bytes ThreeDisks() {
  return BuildCatalog({{"one", {{"a", testkit::GradientJpeg(1)}, {"b", testkit::GradientJpeg(2)}}},
                       {"two", {{"c", testkit::GradientJpeg(3)}, {"d", testkit::GradientJpeg(4)}}},
                       {"three", {}}});
}

TEST(BuildIndexDamageTest, EveryTruncationIsReportedAndKeepsWhatCameBefore) {
  const Bytes whole = ThreeDisks();
  const CatalogIndex full = BuildIndex(whole);
  ASSERT_FALSE(full.Damage);
  const std::int64_t second_start = full.Disks[1].RecordStart();
  const std::int64_t third_start = full.Disks[2].RecordStart();
  for (std::size_t cut = 6; cut < whole.size(); ++cut) {
    const Bytes stream(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    const CatalogIndex index = BuildIndex(stream);
    ASSERT_TRUE(index.Damage) << "cut at " << cut;
    EXPECT_LE(index.Damage->offset, static_cast<std::int64_t>(cut));
    EXPECT_EQ(index.DiskCount, 3);
    for (const CatInfo& disk : index.Disks) {
      EXPECT_LE(disk.RecordEnd, static_cast<std::int64_t>(cut));
      for (const Disc& t : disk.Thumbs)
        EXPECT_LE(disk.JpegPos(t) + t.JpegSize, static_cast<std::int64_t>(cut));
    }
    if (static_cast<std::int64_t>(cut) >= third_start) {
      // Both earlier disks are whole; the third is missing or cut.
      ASSERT_GE(index.Disks.size(), 2u);
      EXPECT_EQ(index.Disks[1].ThumbCount, 2);
      EXPECT_EQ(index.Damage->offset, third_start);
    } else if (static_cast<std::int64_t>(cut) >= second_start) {
      ASSERT_GE(index.Disks.size(), 1u);
      EXPECT_EQ(index.Disks[0].ThumbCount, 2);
      EXPECT_EQ(index.Damage->offset, second_start) << "cut at " << cut;
    }
  }
}

TEST(BuildIndexDamageTest, TruncatedDiskKeepsItsWholeThumbnails) {
  const Bytes whole = ThreeDisks();
  const CatalogIndex full = BuildIndex(whole);
  const Disc& d = full.Disks[1].Thumbs[1];
  const Bytes stream(whole.begin(),
                     whole.begin() + full.Disks[1].JpegPos(d) + 10);  // cut inside thumbnail d
  const CatalogIndex index = BuildIndex(stream);
  ASSERT_TRUE(index.Damage);
  EXPECT_EQ(index.Damage->offset, full.Disks[1].RecordStart()) << "its length no longer fits";
  ASSERT_EQ(index.Disks.size(), 2u);
  EXPECT_EQ(index.Disks[1].ThumbCount, 1) << "thumbnail c is whole and stays visible";
  EXPECT_EQ(index.Disks[1].Thumbs[0].Name(), "c");
  EXPECT_EQ(index.Disks[1].RecordEnd,
            full.Disks[1].JpegPos(full.Disks[1].Thumbs[0]) + full.Disks[1].Thumbs[0].JpegSize);
}

TEST(BuildIndexDamageTest, LyingCountsAndLengthsAreCaughtWhereTheyStopFitting) {
  const Bytes whole = ThreeDisks();
  const CatalogIndex full = BuildIndex(whole);
  const std::int64_t second = full.Disks[1].RecordStart();

  Bytes more_disks = whole;  // the header promises five disks
  WriteField(more_disks, 4, 5, 2);
  CatalogIndex index = BuildIndex(more_disks);
  ASSERT_TRUE(index.Damage);
  EXPECT_EQ(index.Damage->offset, static_cast<std::int64_t>(whole.size()));
  EXPECT_EQ(index.Disks.size(), 3u);

  Bytes fewer_disks = whole;  // the header promises one disk: the rest is unexplained
  WriteField(fewer_disks, 4, 1, 2);
  index = BuildIndex(fewer_disks);
  ASSERT_TRUE(index.Damage);
  EXPECT_EQ(index.Damage->offset, second);
  EXPECT_EQ(index.Disks.size(), 1u);

  Bytes huge_count = whole;  // disk two claims 65535 thumbnails
  WriteField(huge_count, second + 2, 65535, 2);
  index = BuildIndex(huge_count);
  ASSERT_TRUE(index.Damage);
  EXPECT_EQ(index.Disks[1].ThumbCount, 2) << "the two real thumbnails still index";
  EXPECT_LE(index.ThumbStorage(), whole.size() / 4)
      << "no more entries than 4-byte records could fit, not 65535";

  Bytes huge_length = whole;  // disk two claims 2 GB
  WriteField(huge_length, second + 4 + 3, 0x7FFFFFFF, 4);
  index = BuildIndex(huge_length);
  ASSERT_TRUE(index.Damage);
  EXPECT_EQ(index.Damage->offset, second);
  EXPECT_EQ(index.Disks.size(), 2u);

  Bytes short_length = whole;  // disk one claims less than its own fixed part
  WriteField(short_length, 6 + 4 + 3, 3, 4);
  index = BuildIndex(short_length);
  ASSERT_TRUE(index.Damage);
  EXPECT_EQ(index.Damage->offset, 6);

  Bytes bad_marker = whole;
  const std::int64_t fourth = full.Disks[1].ThumbRecordStart(full.Disks[1].Thumbs[1]);
  bad_marker[static_cast<std::size_t>(fourth)] = 'X';
  index = BuildIndex(bad_marker);
  ASSERT_TRUE(index.Damage);
  EXPECT_EQ(index.Damage->offset, fourth);
  EXPECT_EQ(index.Disks[1].ThumbCount, 1);

  Bytes bad_disk_marker = whole;
  bad_disk_marker[static_cast<std::size_t>(second)] = 'd';
  index = BuildIndex(bad_disk_marker);
  ASSERT_TRUE(index.Damage);
  EXPECT_EQ(index.Damage->offset, second);
  EXPECT_EQ(index.Disks.size(), 1u);
}

TEST(BuildIndexDamageTest, HugeDiskCountOnATinyStreamAllocatesNothingForIt) {
  Bytes stream = ToBytes(std::string("Ctlg\xFF\xFF", 6));
  const CatalogIndex index = BuildIndex(stream);
  ASSERT_TRUE(index.Damage);
  EXPECT_EQ(index.DiskCount, 65535);
  EXPECT_TRUE(index.Disks.empty());
  EXPECT_EQ(index.Disks.capacity(), 0u);
  EXPECT_EQ(index.Damage->offset, 6);
}

}  // namespace
}  // namespace quorvel
