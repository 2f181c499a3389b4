#include "catalog/catalog_edits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "catalog/catalog_check.h"
#include "catalog/catalog_document.h"
#include "catalog/catalog_error.h"
#include "catalog/disk_record_writer.h"
#include "catalog/field_codec.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

using testkit::BuildCatalog;
using testkit::DiskSpec;
using testkit::ToBytes;

Bytes Jpeg(std::uint8_t fill, std::size_t size = 8) {
  Bytes jpeg(size, fill);
  jpeg[0] = 0xFF, jpeg[1] = 0xD8, jpeg[size - 2] = 0xFF, jpeg[size - 1] = 0xD9;
  return jpeg;
}

// What a catalogue holds, read back through the index.
std::vector<DiskSpec> Contents(const Bytes& stream) {
  const CheckResult check = CheckCatalog(stream);
  EXPECT_TRUE(check.ok()) << check.violation->offset << ": " << check.violation->reason;
  const CatalogIndex index = BuildIndex(stream);
  std::vector<DiskSpec> disks;
  for (const CatInfo& disk : index.Disks) {
    DiskSpec disk_copy{disk.Name, {}};
    for (const Disc& thumb : disk.Thumbs) {
      disk_copy.thumbs.push_back(
          {std::string(thumb.Name(stream)),
           Bytes(stream.begin() + thumb.JpegPos, stream.begin() + thumb.JpegPos + thumb.JpegSize)});
    }
    disks.push_back(std::move(disk_copy));
  }
  return disks;
}

bool Same(const std::vector<DiskSpec>& a, const std::vector<DiskSpec>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].thumbs.size() != b[i].thumbs.size()) return false;
    for (std::size_t j = 0; j < a[i].thumbs.size(); ++j) {
      if (a[i].thumbs[j].name != b[i].thumbs[j].name) return false;
      if (a[i].thumbs[j].jpeg != b[i].thumbs[j].jpeg) return false;
    }
  }
  return true;
}

std::vector<DiskSpec> BAC() {
  return {{"b", {{"b1", Jpeg(1)}}}, {"a", {{"a1", Jpeg(2)}, {"a2", Jpeg(3)}}}, {"c", {}}};
}

TEST(CopyDisksTest, KeepsWholeRecordsInTheOrderGiven) {
  const Bytes stream = BuildCatalog(BAC());
  const CatalogIndex index = BuildIndex(stream);
  // Removing c, the rest stored in name order: a before b.
  const std::vector<int> kept = {1, 0};
  const Bytes out = CopyDisks(stream, index, kept);
  EXPECT_EQ(ReadField(out, 4, 2), 2u);
  EXPECT_TRUE(Same(Contents(out), {BAC()[1], BAC()[0]}));

  const Bytes none = CopyDisks(stream, index, {});
  EXPECT_EQ(none, ToBytes(std::string("Ctlg\0\0", 6))) << "removing every disk leaves the header";
  EXPECT_THROW(CopyDisks(stream, index, std::vector<int>{3}), CatalogError);
}

TEST(RenameDiskTest, ChangesOnlyTheNameAndTheLength) {
  const Bytes stream = BuildCatalog({{"CD1", {{"C:\\a.jpg", Jpeg(7, 3000)}}}, {"next", {}}});
  const CatalogIndex index = BuildIndex(stream);
  const Bytes out = RenameDisk(stream, index, 0, "Disk5");
  ASSERT_EQ(out.size(), stream.size() + 2);
  EXPECT_EQ(ReadField(out, 6 + 4 + 5, 4), ReadField(stream, 6 + 4 + 3, 4) + 2);
  // Everything from the first thumbnail on is the same bytes, two places later.
  EXPECT_TRUE(std::equal(stream.begin() + 17, stream.end(), out.begin() + 19));
  std::vector<DiskSpec> expected = {{"Disk5", {{"C:\\a.jpg", Jpeg(7, 3000)}}}, {"next", {}}};
  EXPECT_TRUE(Same(Contents(out), expected));

  EXPECT_EQ(RenameDisk(stream, index, 1, "next"), stream)
      << "the same name rewrites the same bytes";
  EXPECT_TRUE(Same(Contents(RenameDisk(stream, index, 1, "")), {Contents(stream)[0], {"", {}}}));
  EXPECT_THROW(RenameDisk(stream, index, 0, std::string(256, 'x')), CatalogError);
  EXPECT_EQ(RenameDisk(stream, index, 0, std::string(255, 'x')).size(), stream.size() + 252);
}

TEST(RemoveThumbsTest, DropsTheChosenRecordsAndPatchesCountAndLength) {
  std::vector<DiskSpec> disks = {{"first", {{"1", Jpeg(1)}, {"2", Jpeg(2, 20)}, {"3", Jpeg(3)}}},
                                 {"last", {{"4", Jpeg(4)}, {"5", Jpeg(5)}}}};
  const Bytes stream = BuildCatalog(disks);
  const CatalogIndex index = BuildIndex(stream);

  const std::vector<ThumbRef> middle = {{0, 1}};
  std::vector<DiskSpec> expected = disks;
  expected[0].thumbs.erase(expected[0].thumbs.begin() + 1);
  EXPECT_TRUE(Same(Contents(RemoveThumbs(stream, index, middle)), expected));

  // Of the last disk in the stream: nothing follows it.
  const std::vector<ThumbRef> both = {{1, 1}, {1, 0}, {1, 1}};
  const Bytes emptied = RemoveThumbs(stream, index, both);
  expected = disks;
  expected[1].thumbs.clear();
  EXPECT_TRUE(Same(Contents(emptied), expected));
  const CatalogIndex after = BuildIndex(emptied);
  EXPECT_EQ(after.Disks[1].RecordEnd - after.Disks[1].RecordStart(), 8 + 4);

  EXPECT_EQ(RemoveThumbs(stream, index, {}), stream);
  EXPECT_THROW(RemoveThumbs(stream, index, std::vector<ThumbRef>{{0, 3}}), CatalogError);
  EXPECT_THROW(RemoveThumbs(stream, index, std::vector<ThumbRef>{{2, 0}}), CatalogError);
}

TEST(RemoveThumbsTest, RemovesFromSeveralDisksInOneChange) {
  std::vector<DiskSpec> disks = {{"a", {{"1", Jpeg(1)}, {"2", Jpeg(2)}}},
                                 {"b", {{"3", Jpeg(3)}}},
                                 {"c", {{"4", Jpeg(4)}, {"5", Jpeg(5)}, {"6", Jpeg(6)}}}};
  const Bytes stream = BuildCatalog(disks);
  const CatalogIndex index = BuildIndex(stream);
  // Out of order, with a duplicate: the first disk loses its first, the last its outer two, and
  // the one between keeps all its bytes.
  const std::vector<ThumbRef> removed = {{2, 2}, {0, 0}, {2, 0}, {0, 0}};
  std::vector<DiskSpec> expected = disks;
  expected[0].thumbs.erase(expected[0].thumbs.begin());
  expected[2].thumbs = {disks[2].thumbs[1]};
  const Bytes out = RemoveThumbs(stream, index, removed);
  EXPECT_TRUE(Same(Contents(out), expected));
  const CatInfo& b = index.Disks[1];
  const std::int64_t shift = BuildIndex(out).Disks[1].RecordStart() - b.RecordStart();
  EXPECT_TRUE(std::equal(stream.begin() + b.RecordStart(), stream.begin() + b.RecordEnd,
                         out.begin() + b.RecordStart() + shift));
}

TEST(ImportCatalogTest, AppendsTheOtherCataloguesDisks) {
  const Bytes three = BuildCatalog(BAC());
  const std::vector<DiskSpec> two = {{"x", {{"x1", Jpeg(9)}}}, {"y", {}}};
  const Bytes out = ImportCatalog(three, BuildCatalog(two));
  std::vector<DiskSpec> expected = BAC();
  expected.insert(expected.end(), two.begin(), two.end());
  EXPECT_TRUE(Same(Contents(out), expected));
  EXPECT_EQ(ReadField(out, 4, 2), 5u);

  EXPECT_EQ(ImportCatalog(three, BuildCatalog({})), three) << "a header alone adds nothing";
  EXPECT_EQ(ImportCatalog(three, Bytes{}), three) << "an empty file adds nothing";
  // Into an empty catalogue, which has no header yet.
  EXPECT_TRUE(Same(Contents(ImportCatalog(Bytes{}, BuildCatalog(two))), two));
}

TEST(ImportCatalogTest, RefusesDamagedFilesAndTooManyDisks) {
  const Bytes three = BuildCatalog(BAC());
  Bytes cut = BuildCatalog(BAC());
  cut.pop_back();
  EXPECT_THROW(ImportCatalog(three, cut), CatalogError);
  EXPECT_THROW(ImportCatalog(three, ToBytes("PK\3\4")), CatalogError);
  Bytes full = BuildCatalog({});
  WriteField(full, 4, 65534, 2);  // pretend: only the count matters for the sum
  EXPECT_THROW(ImportCatalog(full, three), CatalogError);
  WriteField(full, 4, 65532, 2);
  EXPECT_EQ(ReadField(ImportCatalog(full, three), 4, 2), 65535u);
}

// Random sequences of every change on generated catalogues, checked after each step against a
// plain model of the disks and thumbnails, and against every rule of the format.
class EditSequenceTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(EditSequenceTest, KeepsTheCatalogueWellFormedAndEqualToTheModel) {
  std::mt19937 rng(GetParam());
  const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  int serial = 0;
  const auto make_disk = [&] {
    DiskSpec disk{"d" + std::to_string(serial++) + std::string(pick(3), '\xC0'), {}};
    const int thumbs = pick(5);
    for (int t = 0; t < thumbs; ++t) {
      disk.thumbs.push_back({"E:\\" + std::to_string(serial) + "\\" + std::to_string(t),
                             Jpeg(static_cast<std::uint8_t>(serial + t), 4 + pick(40))});
    }
    return disk;
  };

  CatalogDocument document;
  std::vector<DiskSpec> model;
  std::vector<DiskSpec> before_last_change = model;
  const auto apply = [&](Bytes bytes, std::vector<DiskSpec> next) {
    document.ApplyChange(std::move(bytes));
    before_last_change = model;
    model = std::move(next);
  };
  for (int step = 0; step < 60; ++step) {
    const Bytes& stream = document.CatalogStream();
    const CatalogIndex& index = document.Index();
    const int disks = static_cast<int>(model.size());
    switch (pick(7)) {
      case 0: {  // add a disk through the writer, as a scan does
        const DiskSpec disk = make_disk();
        Bytes bytes = stream;
        DiskRecordHead head = BeginDiskRecord(bytes, disk.name);
        for (const auto& t : disk.thumbs)
          AppendThumbnailRecord(bytes, head, t.name, ByteView(t.jpeg));
        FinishDiskRecord(bytes, head);
        std::vector<DiskSpec> next = model;
        next.push_back(disk);
        apply(std::move(bytes), std::move(next));
        break;
      }
      case 1: {  // remove some disks; the rest in name order
        if (disks == 0) break;
        std::vector<int> order(static_cast<std::size_t>(disks));
        for (int i = 0; i < disks; ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return model[a].name < model[b].name; });
        std::vector<int> kept;
        std::vector<DiskSpec> next;
        for (const int d : order) {
          if (pick(3) == 0) continue;
          kept.push_back(d);
          next.push_back(model[d]);
        }
        apply(CopyDisks(stream, index, kept), std::move(next));
        break;
      }
      case 2: {  // rename
        if (disks == 0) break;
        const int d = pick(disks);
        const std::string name = "renamed" + std::string(pick(10), 'z');
        std::vector<DiskSpec> next = model;
        next[d].name = name;
        apply(RenameDisk(stream, index, d, name), std::move(next));
        break;
      }
      case 3: {  // remove thumbnails
        if (disks == 0) break;
        const int d = pick(disks);
        std::vector<ThumbRef> removed;
        std::vector<DiskSpec> next = model;
        next[d].thumbs.clear();
        for (int t = 0; t < static_cast<int>(model[d].thumbs.size()); ++t) {
          if (pick(2) == 0) {
            removed.push_back({d, t});
          } else {
            next[d].thumbs.push_back(model[d].thumbs[t]);
          }
        }
        apply(RemoveThumbs(stream, index, removed), std::move(next));
        break;
      }
      case 4: {  // import a generated catalogue
        std::vector<DiskSpec> other;
        for (int k = pick(3); k > 0; --k) other.push_back(make_disk());
        std::vector<DiskSpec> next = model;
        next.insert(next.end(), other.begin(), other.end());
        apply(ImportCatalog(stream, BuildCatalog(other)), std::move(next));
        break;
      }
      case 5: {  // export a few disks in a chosen order: the document is unchanged
        if (disks == 0) break;
        std::vector<int> chosen;
        std::vector<DiskSpec> expected;
        for (int k = pick(disks) + 1; k > 0; --k) {
          const int d = pick(disks);
          chosen.push_back(d);
          expected.push_back(model[d]);
        }
        ASSERT_TRUE(Same(Contents(CopyDisks(stream, index, chosen)), expected)) << "step " << step;
        break;
      }
      case 6:  // undo
        document.Undo();
        model = before_last_change;
        break;
    }
    ASSERT_TRUE(Same(Contents(document.CatalogStream()), model)) << "step " << step;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, EditSequenceTest, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

}  // namespace
}  // namespace quorvel
