#include "catalog/catalog_repair.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "catalog/catalog_check.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_index.h"
#include "catalog/field_codec.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

using testkit::BuildCatalog;
using testkit::DiskSpec;

DiskSpec Disk(const std::string& name, int thumbs) {
  DiskSpec disk{name, {}};
  for (int k = 0; k < thumbs; ++k) {
    Bytes jpeg(20 + k, static_cast<std::uint8_t>(name.size() + k));
    jpeg[0] = 0xFF, jpeg[1] = 0xD8, jpeg[jpeg.size() - 2] = 0xFF, jpeg.back() = 0xD9;
    disk.thumbs.push_back({"E:\\" + name + std::to_string(k) + ".jpg", jpeg});
  }
  return disk;
}

DiskSpec FirstThumbs(DiskSpec disk, std::size_t count) {
  disk.thumbs.resize(count);
  return disk;
}

struct Damage {
  const char* what;
  std::function<void(Bytes&, const CatalogIndex&)> spoil;
  std::vector<DiskSpec> readable;
  std::int64_t dropped_bytes;
};

TEST(RepairCatalogTest, KeepsExactlyTheReadableRecordsAsAWellFormedCatalogue) {
  const DiskSpec a = Disk("\xC4\xE8\xF1\xEA A", 6);  // "Диск A"
  const DiskSpec b = Disk("B", 6);
  const Bytes good = BuildCatalog({a, b});
  const CatalogIndex index = BuildIndex(good);
  const std::int64_t b_start = index.Disks[1].RecordStart();
  const Disc& b3 = index.Disks[1].Thumbs[2];
  const std::int64_t a2_start = index.Disks[0].ThumbRecordStart(index.Disks[0].Thumbs[1]);
  const std::int64_t b3_jpeg = index.Disks[1].JpegPos(b3);
  const std::vector<Damage> damages = {
      {"marker of the first disk's second thumbnail",
       [&](Bytes& v, const CatalogIndex&) { v[a2_start] = 'X'; },
       {FirstThumbs(a, 1), b},
       b_start - a2_start},
      {"cut inside the second disk's third JPEG",
       [&](Bytes& v, const CatalogIndex&) { v.resize(b3_jpeg + 5); },
       {a, FirstThumbs(b, 2)},
       4 + b3.NameLength + 5},
      {"both: reading goes on past the first damage",
       [&](Bytes& v, const CatalogIndex&) {
         v[a2_start] = 'X';
         v.resize(b3_jpeg + 5);
       },
       {FirstThumbs(a, 1), FirstThumbs(b, 2)},
       b_start - a2_start + 4 + b3.NameLength + 5},
      {"disk and thumbnail counts too low",
       [&](Bytes& v, const CatalogIndex& i) {
         WriteField(v, 4, 1, 2);
         WriteField(v, i.Disks[0].RecordStart() + 2, 2, 2);
       },
       {a, b},
       0},
      {"thumbnail count too high, record length past the record",
       [&](Bytes& v, const CatalogIndex& i) {
         const std::int64_t s = i.Disks[0].RecordStart();
         WriteField(v, s + 2, 9, 2);
         WriteField(v, s + 4 + i.Disks[0].NameLength, b_start - s + 3, 4);
       },
       {a, b},
       0},
  };
  for (const Damage& damage : damages) {
    Bytes bytes = good;
    damage.spoil(bytes, index);
    ASSERT_TRUE(BuildIndex(bytes).Damage) << damage.what;
    const CatalogRepair repair = RepairCatalog(bytes);
    EXPECT_TRUE(repair.damaged) << damage.what;
    EXPECT_TRUE(CheckCatalog(repair.catalog).ok()) << damage.what;
    EXPECT_EQ(repair.catalog, BuildCatalog(damage.readable)) << damage.what;
    ASSERT_EQ(repair.disks.size(), damage.readable.size()) << damage.what;
    for (std::size_t d = 0; d < repair.disks.size(); ++d) {
      EXPECT_EQ(repair.disks[d].name, damage.readable[d].name) << damage.what;
      EXPECT_EQ(repair.disks[d].thumbs_kept, std::ssize(damage.readable[d].thumbs)) << damage.what;
    }
    std::int64_t dropped = 0;
    for (const DroppedBytes& range : repair.dropped) dropped += range.length;
    EXPECT_EQ(dropped, damage.dropped_bytes) << damage.what;
  }
}

Bytes RecordOf(const Bytes& catalog, const CatInfo& disk) {
  return Bytes(catalog.begin() + disk.RecordStart(), catalog.begin() + disk.RecordEnd);
}

TEST(RepairCatalogTest, GoesOnAtTheNextWholeDiskRecordPastABadLengthOrMarker) {
  DiskSpec second = Disk("B", 4);
  // Inside the second disk's last JPEG: a disk head ("D", name "Z", 20 bytes long) with a whole
  // first thumbnail, but whose thumbnails do not end where its length says.
  const Bytes decoy = {'D', 1, 0, 1, 'Z', 0, 0, 0, 20, 'F', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Bytes& last_jpeg = second.thumbs.back().jpeg;
  last_jpeg.insert(last_jpeg.begin() + 2, decoy.begin(), decoy.end());
  const Bytes good =
      BuildCatalog({Disk("A", 3), second, Disk("Mate \xF4\xEE\xED\xFB", 30), Disk("D", 2)});
  const CatalogIndex index = BuildIndex(good);
  const CatInfo& b = index.Disks[1];
  const std::vector<std::pair<const char*, std::function<void(Bytes&)>>> damages = {
      {"the second disk's record length one byte short",
       [&](Bytes& v) {
         WriteField(v, b.RecordStart() + 4 + b.NameLength, b.RecordEnd - b.RecordStart() - 1, 4);
       }},
      {"the second disk's marker flipped", [&](Bytes& v) { v[b.RecordStart()] ^= 1; }},
  };
  for (const auto& [what, spoil] : damages) {
    Bytes bytes = good;
    spoil(bytes);
    ASSERT_TRUE(BuildIndex(bytes).Damage) << what;
    const CatalogRepair repair = RepairCatalog(bytes);
    const CatalogIndex repaired = BuildIndex(repair.catalog);
    ASSERT_FALSE(repaired.Damage) << what;
    ASSERT_EQ(repaired.Disks.size(), 4u) << what;
    for (std::size_t d = 2; d < 4; ++d) {
      EXPECT_EQ(RecordOf(repair.catalog, repaired.Disks[d]), RecordOf(good, index.Disks[d]))
          << what << ", disk " << d + 1;
    }
    // Every thumbnail of the damaged disk is whole: the record comes back as it was written.
    EXPECT_EQ(repaired.Disks[1].ThumbCount, 4) << what;
    EXPECT_EQ(repair.catalog, good) << what;
    EXPECT_TRUE(repair.dropped.empty()) << what;
  }
}

TEST(RepairCatalogTest, IntactBytesComeBackUnchangedAndOtherFilesAreRefused) {
  const Bytes good = BuildCatalog({Disk("a", 2), Disk("b", 0)});
  const CatalogRepair repair = RepairCatalog(good);
  EXPECT_FALSE(repair.damaged);
  EXPECT_EQ(repair.catalog, good);
  EXPECT_TRUE(repair.dropped.empty());
  EXPECT_THROW(RepairCatalog(testkit::ToBytes("PK\3\4")), CatalogError);
}

}  // namespace
}  // namespace quorvel
