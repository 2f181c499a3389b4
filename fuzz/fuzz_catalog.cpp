// Arbitrary bytes as a catalogue stream. Whatever they hold, the index must describe only bytes
// inside them, the full check must call well-formed exactly what the index walked whole, and a
// repair must give a catalogue whose structure is whole and name the ranges it left out in file
// order. A search over what was indexed, with a
// query made of the input's first bytes, names only thumbnails that exist, each once, in order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "catalog/catalog_check.h"
#include "catalog/catalog_index.h"
#include "catalog/catalog_repair.h"
#include "catalog/catalog_search.h"
#include "catalog/format.h"

namespace {

// Aborts (a crash for libFuzzer, which then keeps the input) naming the guarantee that broke.
#define REQUIRE(condition)                                        \
  do {                                                            \
    if (!(condition)) {                                           \
      std::fprintf(stderr, "guarantee broken: %s\n", #condition); \
      std::abort();                                               \
    }                                                             \
  } while (0)

using quorvel::CatInfo;
using quorvel::Disc;

// A name is the stored bytes up to the first zero byte, at most its length field's count.
bool NameMatches(std::string_view name, std::uint8_t length, const std::uint8_t* stored) {
  if (name.size() > length || name.size() > quorvel::kMaxNameBytes) return false;
  // An empty view may carry no pointer at all, which memcmp must not be given.
  if (!name.empty() && std::memcmp(name.data(), stored, name.size()) != 0) return false;
  if (std::memchr(stored, 0, name.size()) != nullptr) return false;
  return name.size() == length || stored[name.size()] == 0;
}

std::int64_t BigEndian(const std::uint8_t* bytes, int width) {
  std::int64_t value = 0;
  for (int k = 0; k < width; ++k) value = value << 8 | bytes[k];
  return value;
}

bool BeginsAndEndsAsJpeg(const std::uint8_t* data, const CatInfo& disk, const Disc& thumb) {
  const std::uint8_t* j = data + disk.JpegPos(thumb);
  const std::int64_t n = thumb.JpegSize;
  return n >= 2 && j[0] == 0xFF && j[1] == 0xD8 && j[n - 2] == 0xFF && j[n - 1] == 0xD9;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const quorvel::ByteView stream(data, size);
  const std::int64_t end = static_cast<std::int64_t>(size);
  const quorvel::CatalogIndex index = quorvel::BuildIndex(stream);

  // No more entries than the stream could hold: 8 bytes per disk record, 4 per thumbnail record.
  REQUIRE(static_cast<std::int64_t>(index.Disks.capacity()) * quorvel::kDiskFixedSize <= end);
  REQUIRE(static_cast<std::int64_t>(index.ThumbStorage()) * quorvel::kThumbFixedSize <= end);
  bool jpegs_whole = true;
  std::int64_t total_thumbs = 0;
  for (std::size_t i = 0; i < index.Disks.size(); ++i) {
    const CatInfo& disk = index.Disks[i];
    const std::int64_t start = disk.RecordStart();
    // Records follow one another from the end of the header, each inside the stream.
    REQUIRE(start == (i == 0 ? quorvel::kHeaderSize : index.Disks[i - 1].RecordEnd));
    REQUIRE(start >= 0 && start < disk.RecordEnd && disk.RecordEnd <= end);
    REQUIRE(start + quorvel::kDiskFixedSize + disk.NameLength <= disk.RecordEnd);
    REQUIRE(NameMatches(disk.Name, disk.NameLength, data + start + 4));
    REQUIRE(disk.ThumbCount == static_cast<std::int64_t>(disk.Thumbs.size()));
    // Thumbnails are kept only while they lie within the record's declared length (or, when that
    // length does not fit, within the stream), and never more than its declared count.
    const std::int64_t declared = BigEndian(data + start + 4 + disk.NameLength, 4);
    const bool declared_fits =
        declared >= quorvel::kDiskFixedSize + disk.NameLength && declared <= end - start;
    const std::int64_t limit = declared_fits ? start + declared : end;
    REQUIRE(disk.ThumbCount <= BigEndian(data + start + 2, 2));
    std::int64_t next = start + quorvel::kDiskFixedSize + disk.NameLength;
    for (const Disc& thumb : disk.Thumbs) {
      // Positions count from the disk's first thumbnail record, wherever the record lies.
      const std::int64_t record = disk.ThumbRecordStart(thumb);
      const std::int64_t jpeg = disk.JpegPos(thumb);
      REQUIRE(record == next);
      REQUIRE(thumb.JpegOffset >= 0 && jpeg >= 0 && thumb.JpegSize >= 0);
      REQUIRE(jpeg + thumb.JpegSize <= disk.RecordEnd);
      REQUIRE(jpeg + thumb.JpegSize <= limit);
      REQUIRE(NameMatches(thumb.Name(), thumb.NameLength, data + record + 2));
      // The index notes what the full check asks of each JPEG as it passes it.
      const bool whole = BeginsAndEndsAsJpeg(data, disk, thumb);
      REQUIRE(thumb.WholeJpeg == whole);
      jpegs_whole = jpegs_whole && whole;
      next = jpeg + thumb.JpegSize;
    }
    if (!index.Damage) {
      REQUIRE(disk.RecordEnd == start + declared);
      REQUIRE(disk.ThumbCount == BigEndian(data + start + 2, 2));
    }
    total_thumbs += disk.ThumbCount;
  }
  REQUIRE(index.TotalThumbs() == total_thumbs);
  if (index.Damage) {
    REQUIRE(index.Damage->offset >= 0 && index.Damage->offset <= end);
    REQUIRE(!index.Damage->reason.empty());
  } else {
    // Undamaged means every declared disk was indexed and the last one ends the stream.
    REQUIRE(static_cast<std::int64_t>(index.Disks.size()) == index.DiskCount);
    REQUIRE(index.Disks.empty() ? end <= quorvel::kHeaderSize
                                : index.Disks.back().RecordEnd == end);
  }

  const quorvel::CheckResult check = quorvel::CheckCatalog(stream);
  REQUIRE(check.ok() == (!index.Damage && jpegs_whole));
  REQUIRE(check.disk_count == static_cast<std::int64_t>(index.Disks.size()));
  REQUIRE(check.thumb_count == total_thumbs);
  if (check.violation) {
    REQUIRE(check.violation->offset >= 0 && check.violation->offset <= end);
  }

  const quorvel::CatalogSearch search(index);
  for (const std::string_view text :
       {std::string_view(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 12)),
        std::string_view("*"), std::string_view("дата:..2030 камера:?* -место:есть")}) {
    const std::vector<quorvel::ThumbRef> found =
        search.Find(quorvel::SearchQuery::Parse(text), index);
    for (std::size_t k = 0; k < found.size(); ++k) {
      REQUIRE(found[k].disk >= 0 && static_cast<std::size_t>(found[k].disk) < index.Disks.size());
      REQUIRE(found[k].thumb >= 0 &&
              found[k].thumb < index.Disks[static_cast<std::size_t>(found[k].disk)].ThumbCount);
      REQUIRE(k == 0 || found[k - 1] < found[k]);
    }
    // Every name holds an empty run of characters.
    if (text == "*") REQUIRE(static_cast<std::int64_t>(found.size()) == index.TotalThumbs());
  }

  // What a repair saves is a catalogue whose structure is whole, describing the disks it says it
  // kept, and built only from bytes of the input: never larger than it, bar a header.
  if (index.Damage && index.Damage->offset == 0) return 0;  // not a catalogue: refused
  const quorvel::CatalogRepair repair = quorvel::RepairCatalog(stream);
  const quorvel::CatalogIndex repaired = quorvel::BuildIndex(repair.catalog);
  REQUIRE(!repaired.Damage);
  REQUIRE(repaired.Disks.size() == repair.disks.size());
  REQUIRE(repair.damaged == index.Damage.has_value());
  REQUIRE(static_cast<std::int64_t>(repair.catalog.size()) <= std::max(end, quorvel::kHeaderSize));
  for (std::size_t d = 0; d < repair.disks.size(); ++d) {
    REQUIRE(repair.disks[d].thumbs_kept == repaired.Disks[d].ThumbCount);
  }
  std::int64_t after = 0;
  for (const quorvel::DroppedBytes& range : repair.dropped) {
    REQUIRE(range.offset >= after && range.length > 0 && range.length <= end - range.offset);
    REQUIRE(!range.reason.empty());
    after = range.offset + range.length;
  }
  return 0;
}
