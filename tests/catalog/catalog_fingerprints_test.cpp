#include "catalog/catalog_fingerprints.h"

#include <gtest/gtest.h>

#include "catalog/catalog_check.h"
#include "catalog/catalog_edits.h"
#include "catalog/catalog_merge.h"
#include "catalog/picture_facts.h"
#include "catalog/thumbnail_jpeg.h"
#include "support/catalog_builder.h"
#include "support/catalog_versions.h"

namespace quorvel {
namespace {

using testkit::GradientJpeg;

PictureFacts WithPrint(std::uint64_t shape) {
  PictureFacts facts;
  facts.fingerprint = Fingerprint{shape, ~shape};
  return facts;
}

// "stored": three thumbnails whose facts carry a fingerprint and a placeholder; an empty disk;
// "plain": real pictures without one, the first with other facts, the second with none.
CatalogVersion SmallCatalogue() {
  PictureFacts placeholder;
  placeholder.no_picture = true;
  return VersionOfBytes(testkit::BuildCatalog(
      {{"stored",
        {{"1", GradientJpeg(1, WithPrint(1))},
         {"2", GradientJpeg(2, WithPrint(2))},
         {"3", GradientJpeg(3, WithPrint(3))},
         {"x", GradientJpeg(4, placeholder)}}},
       {"empty", {}},
       {"plain", {{"a", GradientJpeg(5, testkit::ExampleFacts())}, {"b", GradientJpeg(6)}}}}));
}

// How many thumbnails an Update reads or computes, as its progress tells.
std::int64_t ThumbsRead(CatalogFingerprints& prints, const CatalogVersion& version) {
  std::int64_t to_do = -1;
  EXPECT_TRUE(prints.Update(
      version, [&](std::int64_t, std::int64_t total) { to_do = total; }, {}, 2));
  return to_do;
}

TEST(CatalogFingerprintsTest, ReadsStoredPrintsAndReadsAgainOnlyTheDisksAnEditChanged) {
  const CatalogVersion version = SmallCatalogue();
  CatalogFingerprints prints;
  EXPECT_FALSE(prints.Knows(version.index));
  EXPECT_EQ(ThumbsRead(prints, version), 6);
  ASSERT_TRUE(prints.Knows(version.index));
  const DiskFingerprints& stored = prints.Disk(version.index, 0);
  ASSERT_EQ(stored.prints.size(), 4u);
  EXPECT_EQ(stored.prints[1], WithPrint(2).fingerprint);
  EXPECT_FALSE(stored.prints[3]) << "a placeholder has none";
  EXPECT_EQ(stored.computed, std::vector<bool>(4, false));

  // A rename keeps the disk's thumbnails; a removal makes the disk anew.
  const CatalogVersion renamed = RenameDisk(version, 0, "renamed");
  EXPECT_EQ(ThumbsRead(prints, renamed), 0);
  const ThumbRef first{0, 0};
  const CatalogVersion removed = RemoveThumbs(renamed, {&first, 1});
  EXPECT_EQ(ThumbsRead(prints, removed), 3);
  EXPECT_EQ(prints.Disk(removed.index, 0).prints[0], WithPrint(2).fingerprint);
  EXPECT_TRUE(prints.Knows(version.index)) << "the undo's version is still known";

  // A stop keeps what was known before, and nothing of the version it stopped on.
  const CatalogVersion again = RemoveThumbs(version, {&first, 1});
  EXPECT_FALSE(prints.Update(
      again, {}, [] { return true; }, 2));
  EXPECT_FALSE(prints.Knows(again.index));
  EXPECT_TRUE(prints.Knows(removed.index));
}

// Needs a real fingerprint: while FingerprintOfPixels computes none, nothing is computed here.
TEST(CatalogFingerprintsTest, StoresComputedPrintsWithoutTouchingThePictures) {
  const CatalogVersion version = SmallCatalogue();
  const Bytes before = version.bytes.Flatten();
  CatalogFingerprints prints;
  ASSERT_TRUE(prints.Update(version));
  ASSERT_EQ(prints.ComputedCount(version.index), 2);
  const DiskFingerprints computed = prints.Disk(version.index, 2);

  const CatalogVersion stored = StoreFingerprints(version, prints);
  EXPECT_EQ(version.bytes.Flatten(), before) << "the undo's version is untouched";
  EXPECT_TRUE(CheckCatalog(stored.bytes.Flatten()).ok());
  EXPECT_EQ(testkit::IndexMismatch(stored), "");
  EXPECT_EQ(stored.index.Disks[0].Storage, version.index.Disks[0].Storage);
  for (std::size_t j = 0; j < 2; ++j) {
    const Bytes old_jpeg = version.Jpeg(version.index.Disks[2], version.index.Disks[2].Thumbs[j]);
    const Bytes new_jpeg = stored.Jpeg(stored.index.Disks[2], stored.index.Disks[2].Thumbs[j]);
    RgbImage old_pixels, new_pixels;
    ASSERT_TRUE(DecodeJpeg(old_jpeg, old_pixels));
    ASSERT_TRUE(DecodeJpeg(new_jpeg, new_pixels));
    EXPECT_EQ(new_pixels.pixels, old_pixels.pixels);
    PictureFacts facts = ReadPictureFacts(new_jpeg);
    EXPECT_EQ(facts.fingerprint, computed.prints[j]);
    facts.fingerprint.reset();
    EXPECT_EQ(facts, ReadPictureFacts(old_jpeg)) << "the other facts stay";
  }
  CatalogFingerprints after;
  ASSERT_TRUE(after.Update(stored));
  EXPECT_EQ(after.ComputedCount(stored.index), 0);
  EXPECT_EQ(after.Disk(stored.index, 2).prints, computed.prints);

  // Made again on another version of the file, the change stores the same.
  std::vector<LeftOut> left_out;
  EXPECT_EQ(Replay(version, StoreFingerprintsEdit(), left_out).bytes.Flatten(),
            stored.bytes.Flatten());
  EXPECT_TRUE(left_out.empty());
}

}  // namespace
}  // namespace quorvel
