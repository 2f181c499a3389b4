#include "catalog/catalog_edits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "catalog/catalog_check.h"
#include "catalog/catalog_document.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_merge.h"
#include "catalog/disk_record_writer.h"
#include "catalog/field_codec.h"
#include "support/catalog_builder.h"
#include "support/catalog_versions.h"

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

// What a catalogue version holds, read back through the index built beside its bytes, which
// must be the index of those bytes.
std::vector<DiskSpec> Contents(const CatalogVersion& version) {
  const CheckResult check = CheckCatalog(version.bytes.Flatten());
  EXPECT_TRUE(check.ok()) << check.violation->offset << ": " << check.violation->reason;
  EXPECT_EQ(testkit::IndexMismatch(version), "");
  std::vector<DiskSpec> disks;
  for (const CatInfo& disk : version.index.Disks) {
    DiskSpec disk_copy{disk.Name, {}};
    for (const Disc& thumb : disk.Thumbs) {
      disk_copy.thumbs.push_back({std::string(thumb.Name()), version.Jpeg(disk, thumb)});
    }
    disks.push_back(std::move(disk_copy));
  }
  return disks;
}

Bytes RecordOf(const DiskSpec& disk) {
  DiskRecordBuilder builder(disk.name);
  for (const testkit::ThumbSpec& thumb : disk.thumbs) {
    builder.AddThumbnail(thumb.name, ByteView(thumb.jpeg));
  }
  return std::move(builder).Finish();
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
  const CatalogVersion version = VersionOfBytes(BuildCatalog(BAC()));
  // Removing c, the rest stored in name order: a before b.
  const std::vector<int> kept = {1, 0};
  const CatalogVersion out = CopyDisks(version, kept);
  EXPECT_EQ(ReadField(out.bytes.Flatten(), 4, 2), 2u);
  EXPECT_TRUE(Same(Contents(out), {BAC()[1], BAC()[0]}));

  const CatalogVersion none = CopyDisks(version, {});
  EXPECT_EQ(none.bytes.Flatten(), ToBytes(std::string("Ctlg\0\0", 6)))
      << "removing every disk leaves the header";
  EXPECT_THROW(CopyDisks(version, std::vector<int>{3}), CatalogError);
}

TEST(RenameDiskTest, ChangesOnlyTheNameAndTheLength) {
  const Bytes stream = BuildCatalog({{"CD1", {{"C:\\a.jpg", Jpeg(7, 3000)}}}, {"next", {}}});
  const CatalogVersion version = VersionOfBytes(stream);
  const CatalogVersion renamed = RenameDisk(version, 0, "Disk5");
  const Bytes out = renamed.bytes.Flatten();
  ASSERT_EQ(out.size(), stream.size() + 2);
  EXPECT_EQ(ReadField(out, 6 + 4 + 5, 4), ReadField(stream, 6 + 4 + 3, 4) + 2);
  // Everything from the first thumbnail on is the same bytes, two places later.
  EXPECT_TRUE(std::equal(stream.begin() + 17, stream.end(), out.begin() + 19));
  std::vector<DiskSpec> expected = {{"Disk5", {{"C:\\a.jpg", Jpeg(7, 3000)}}}, {"next", {}}};
  EXPECT_TRUE(Same(Contents(renamed), expected));

  EXPECT_EQ(RenameDisk(version, 1, "next").bytes.Flatten(), stream)
      << "the same name rewrites the same bytes";
  EXPECT_TRUE(Same(Contents(RenameDisk(version, 1, "")), {Contents(version)[0], {"", {}}}));
  EXPECT_THROW(RenameDisk(version, 0, std::string(256, 'x')), CatalogError);
  EXPECT_EQ(RenameDisk(version, 0, std::string(255, 'x')).bytes.Size(),
            static_cast<std::int64_t>(stream.size()) + 252);
}

TEST(RemoveThumbsTest, DropsTheChosenRecordsAndPatchesCountAndLength) {
  std::vector<DiskSpec> disks = {{"first", {{"1", Jpeg(1)}, {"2", Jpeg(2, 20)}, {"3", Jpeg(3)}}},
                                 {"last", {{"4", Jpeg(4)}, {"5", Jpeg(5)}}}};
  const Bytes stream = BuildCatalog(disks);
  const CatalogVersion version = VersionOfBytes(stream);

  const std::vector<ThumbRef> middle = {{0, 1}};
  std::vector<DiskSpec> expected = disks;
  expected[0].thumbs.erase(expected[0].thumbs.begin() + 1);
  EXPECT_TRUE(Same(Contents(RemoveThumbs(version, middle)), expected));

  // Of the last disk in the stream: nothing follows it.
  const std::vector<ThumbRef> both = {{1, 1}, {1, 0}, {1, 1}};
  const CatalogVersion emptied = RemoveThumbs(version, both);
  expected = disks;
  expected[1].thumbs.clear();
  EXPECT_TRUE(Same(Contents(emptied), expected));
  const CatalogIndex after = BuildIndex(emptied.bytes.Flatten());
  EXPECT_EQ(after.Disks[1].RecordEnd - after.Disks[1].RecordStart(), 8 + 4);

  EXPECT_EQ(RemoveThumbs(version, {}).bytes.Flatten(), stream);
  EXPECT_THROW(RemoveThumbs(version, std::vector<ThumbRef>{{0, 3}}), CatalogError);
  EXPECT_THROW(RemoveThumbs(version, std::vector<ThumbRef>{{2, 0}}), CatalogError);
}

TEST(RemoveThumbsTest, KeepsTheFactsOfTheThumbnailsLeft) {
  const CatalogVersion version = VersionOfBytes(BuildCatalog(testkit::DisksWithFacts()));
  // Contents checks the facts the edit indexed against those of its bytes.
  const CatalogVersion without_nikon = RemoveThumbs(version, std::vector<ThumbRef>{{1, 0}, {1, 2}});
  Contents(without_nikon);
  const CatInfo& disk = without_nikon.index.Disks[1];
  ASSERT_EQ(disk.Storage->facts.size(), 3u);
  EXPECT_EQ(disk.Camera(*disk.Facts(1)), "Canon EOS 70D");
  EXPECT_EQ(disk.Storage->cameras, "Canon EOS 70D");
  // None left with facts: none kept.
  const CatalogVersion plain = RemoveThumbs(without_nikon, std::vector<ThumbRef>{{1, 1}});
  Contents(plain);
  EXPECT_TRUE(plain.index.Disks[1].Storage->facts.empty());
}

TEST(RemoveThumbsTest, RemovesFromSeveralDisksInOneChange) {
  std::vector<DiskSpec> disks = {{"a", {{"1", Jpeg(1)}, {"2", Jpeg(2)}}},
                                 {"b", {{"3", Jpeg(3)}}},
                                 {"c", {{"4", Jpeg(4)}, {"5", Jpeg(5)}, {"6", Jpeg(6)}}}};
  const Bytes stream = BuildCatalog(disks);
  const CatalogVersion version = VersionOfBytes(stream);
  // Out of order, with a duplicate: the first disk loses its first, the last its outer two, and
  // the one between keeps all its bytes.
  const std::vector<ThumbRef> removed = {{2, 2}, {0, 0}, {2, 0}, {0, 0}};
  std::vector<DiskSpec> expected = disks;
  expected[0].thumbs.erase(expected[0].thumbs.begin());
  expected[2].thumbs = {disks[2].thumbs[1]};
  const CatalogVersion changed = RemoveThumbs(version, removed);
  EXPECT_TRUE(Same(Contents(changed), expected));
  const Bytes out = changed.bytes.Flatten();
  const CatInfo& b = version.index.Disks[1];
  const std::int64_t shift = BuildIndex(out).Disks[1].RecordStart() - b.RecordStart();
  EXPECT_TRUE(std::equal(stream.begin() + b.RecordStart(), stream.begin() + b.RecordEnd,
                         out.begin() + b.RecordStart() + shift));
}

TEST(ImportCatalogTest, AppendsTheOtherCataloguesDisks) {
  const Bytes three_bytes = BuildCatalog(BAC());
  const CatalogVersion three = VersionOfBytes(three_bytes);
  const std::vector<DiskSpec> two = {{"x", {{"x1", Jpeg(9)}}}, {"y", {}}};
  const CatalogVersion out = ImportCatalog(three, VersionOfBytes(BuildCatalog(two)));
  std::vector<DiskSpec> expected = BAC();
  expected.insert(expected.end(), two.begin(), two.end());
  EXPECT_TRUE(Same(Contents(out), expected));
  EXPECT_EQ(ReadField(out.bytes.Flatten(), 4, 2), 5u);

  EXPECT_EQ(ImportCatalog(three, VersionOfBytes(BuildCatalog({}))).bytes.Flatten(), three_bytes)
      << "a header alone adds nothing";
  EXPECT_EQ(ImportCatalog(three, VersionOfBytes(Bytes{})).bytes.Flatten(), three_bytes)
      << "an empty file adds nothing";
  // Into an empty catalogue, which has no header yet.
  EXPECT_TRUE(Same(
      Contents(ImportCatalog(VersionOfBytes(Bytes{}), VersionOfBytes(BuildCatalog(two)))), two));
}

TEST(ImportCatalogTest, RefusesDamagedFilesAndTooManyDisks) {
  const CatalogVersion three = VersionOfBytes(BuildCatalog(BAC()));
  Bytes cut = BuildCatalog(BAC());
  cut.pop_back();
  EXPECT_THROW(ImportCatalog(three, VersionOfBytes(cut)), CatalogError);
  EXPECT_THROW(ImportCatalog(three, VersionOfBytes(ToBytes("PK\3\4"))), CatalogError);
  Bytes full = BuildCatalog({});
  WriteField(full, 4, 65534, 2);  // pretend: only the count matters for the sum
  EXPECT_THROW(ImportCatalog(VersionOfBytes(full), three), CatalogError);
  WriteField(full, 4, 65532, 2);
  EXPECT_EQ(ReadField(ImportCatalog(VersionOfBytes(full), three).bytes.Flatten(), 4, 2), 65535u);
}

// Random sequences of every change on generated catalogues, undone and redone at random, checked
// after each step against a plain model of the disks and thumbnails, and against every rule of
// the format.
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
  // The model of every state of the document's history, and the one shown.
  std::vector<std::vector<DiskSpec>> models(1);
  std::size_t shown = 0;
  // A change drops the states the redo held.
  const auto changed = [&](std::vector<DiskSpec> next) {
    models.resize(shown + 1);
    models.push_back(std::move(next));
    ++shown;
  };
  const auto apply = [&](CatalogVersion version, CatalogEdit edit, std::vector<DiskSpec> next) {
    document.ApplyChange(std::move(version), std::move(edit));
    changed(std::move(next));
  };
  for (int step = 0; step < 60; ++step) {
    const CatalogVersion& current = document.Current();
    const CatalogIndex& index = document.Index();
    const std::vector<DiskSpec>& model = models[shown];
    const int disks = static_cast<int>(model.size());
    switch (pick(8)) {
      case 0: {  // add a disk built by the writer, as a scan does
        const DiskSpec disk = make_disk();
        std::vector<DiskSpec> next = model;
        next.push_back(disk);
        document.AppendDisk(RecordOf(disk));
        changed(std::move(next));
        break;
      }
      case 1: {  // remove some disks; the rest in name order
        if (disks == 0) break;
        std::vector<int> order(static_cast<std::size_t>(disks));
        for (int i = 0; i < disks; ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return model[a].name < model[b].name; });
        std::vector<int> kept;
        std::vector<int> removed;
        std::vector<DiskSpec> next;
        for (const int d : order) {
          if (pick(3) == 0) {
            removed.push_back(d);
            continue;
          }
          kept.push_back(d);
          next.push_back(model[d]);
        }
        apply(CopyDisks(current, kept), RemoveDisksEdit(index, removed), std::move(next));
        break;
      }
      case 2: {  // rename
        if (disks == 0) break;
        const int d = pick(disks);
        const std::string name = "renamed" + std::string(pick(10), 'z');
        std::vector<DiskSpec> next = model;
        next[d].name = name;
        apply(RenameDisk(current, d, name), RenameDiskEdit(index, d, name), std::move(next));
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
        apply(RemoveThumbs(current, removed), RemoveThumbsEdit(index, removed), std::move(next));
        break;
      }
      case 4: {  // import a generated catalogue
        std::vector<DiskSpec> other;
        for (int k = pick(3); k > 0; --k) other.push_back(make_disk());
        std::vector<DiskSpec> next = model;
        next.insert(next.end(), other.begin(), other.end());
        const auto added =
            std::make_shared<const CatalogVersion>(VersionOfBytes(BuildCatalog(other)));
        apply(ImportCatalog(current, *added), AddDisksEdit(added), std::move(next));
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
        ASSERT_TRUE(Same(Contents(CopyDisks(current, chosen)), expected)) << "step " << step;
        break;
      }
      case 6:  // undo, as far back as the history goes
        ASSERT_EQ(document.CanUndo(), shown > 0) << "step " << step;
        document.Undo();
        if (shown > 0) --shown;
        break;
      case 7:  // redo, as far forward as it was undone
        ASSERT_EQ(document.CanRedo(), shown + 1 < models.size()) << "step " << step;
        document.Redo();
        if (shown + 1 < models.size()) ++shown;
        break;
    }
    ASSERT_TRUE(Same(Contents(document.Current()), models[shown])) << "step " << step;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, EditSequenceTest, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

// A catalogue opened from its file holds its bytes as ranges of that file. Every change must make
// of it, byte for byte, what it makes of the same bytes in memory: the catalogue the writer makes
// of the changed disks. Saving the change writes exactly those bytes.
TEST(EditsOfAnOpenedFileTest, GiveTheBytesOfTheSameChangeInMemoryAndSaveThem) {
  const testkit::TempDir dir;
  const std::vector<DiskSpec> disks = {
      {"b", {{"b1", Jpeg(1, 3000)}}},
      {"a", {{"a1", Jpeg(2)}, {"a2", Jpeg(3, 700)}}},
      {"c", {}},
      {"d", {{"d1", Jpeg(4)}, {"d2", Jpeg(5, 40)}, {"d3", Jpeg(6)}}}};
  const Bytes bytes = BuildCatalog(disks);
  const CatalogVersion file = VersionOfFile(dir.File("c.qrv", bytes));
  const CatalogVersion memory = VersionOfBytes(bytes);
  const std::vector<DiskSpec> two = {{"x", {{"x1", Jpeg(9, 500)}}}, {"y", {}}};
  const CatalogVersion other_file = VersionOfFile(dir.File("other.qrv", BuildCatalog(two)));
  const DiskSpec added{"new", {{"n1", Jpeg(7)}, {"n2", Jpeg(8)}}};

  struct Case {
    const char* what;
    std::function<CatalogVersion(const CatalogVersion&)> change;
    std::vector<DiskSpec> expected;
  };
  std::vector<Case> cases;
  std::vector<DiskSpec> renamed = disks;
  renamed[1].name = "longer name";
  cases.push_back(
      {"rename", [](const CatalogVersion& v) { return RenameDisk(v, 1, "longer name"); }, renamed});
  std::vector<DiskSpec> fewer = disks;
  fewer[1].thumbs.erase(fewer[1].thumbs.begin());
  fewer[3].thumbs.erase(fewer[3].thumbs.begin() + 1);
  cases.push_back({"remove thumbnails",
                   [](const CatalogVersion& v) {
                     return RemoveThumbs(v, std::vector<ThumbRef>{{3, 1}, {1, 0}});
                   },
                   fewer});
  std::vector<DiskSpec> more = disks;
  more.insert(more.end(), two.begin(), two.end());
  cases.push_back(
      {"import", [&](const CatalogVersion& v) { return ImportCatalog(v, other_file); }, more});
  std::vector<DiskSpec> appended = disks;
  appended.push_back(added);
  cases.push_back({"append a disk",
                   [&](const CatalogVersion& v) { return AppendDisk(v, RecordOf(added)); },
                   appended});
  // Removing c, the rest stored in name order; last, so that every change before it finds the
  // disks it names in the versions that the changes before it made.
  cases.push_back({"remove disks",
                   [](const CatalogVersion& v) {
                     return CopyDisks(v, std::vector<int>{1, 0, 3});
                   },
                   {disks[1], disks[0], disks[3]}});

  const std::filesystem::path saved = dir.path() / "saved.qrv";
  CatalogVersion chained_file = file;
  CatalogVersion chained_memory = memory;
  for (const Case& c : cases) {
    const CatalogVersion out = c.change(file);
    const Bytes expected = BuildCatalog(c.expected);
    EXPECT_EQ(out.bytes.Flatten(), c.change(memory).bytes.Flatten()) << c.what;
    EXPECT_EQ(out.bytes.Flatten(), expected) << c.what;
    EXPECT_EQ(testkit::IndexMismatch(out), "") << c.what;
    SaveVersion(saved, out);
    EXPECT_EQ(testkit::ReadBytes(saved), std::string(expected.begin(), expected.end())) << c.what;

    // The same change on a version that earlier changes already made of the file.
    chained_file = c.change(chained_file);
    chained_memory = c.change(chained_memory);
    EXPECT_EQ(chained_file.bytes.Flatten(), chained_memory.bytes.Flatten()) << c.what;
    EXPECT_EQ(testkit::IndexMismatch(chained_file), "") << c.what;
  }
  SaveVersion(saved, chained_file);
  const Bytes chained = chained_memory.bytes.Flatten();
  EXPECT_EQ(testkit::ReadBytes(saved), std::string(chained.begin(), chained.end()));
  EXPECT_TRUE(CheckCatalog(chained).ok());
  // The versions the changes were made from still read as they did: what the undo goes back to.
  EXPECT_EQ(file.bytes.Flatten(), bytes);
}

}  // namespace
}  // namespace quorvel
