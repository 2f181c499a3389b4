#include "catalog/catalog_repair.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

#include "catalog/catalog_edits.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_index.h"
#include "catalog/field_codec.h"
#include "catalog/format.h"

namespace quorvel {
namespace {

// A place where a further walk may start is taken only when a disk record stands there: a head
// whose length fits, or at least one whole thumbnail after it. A walk that fails on its very
// first record found nothing but bytes that happened to be there.
bool FoundDisk(const CatalogIndex& walk, std::int64_t start) {
  if (walk.Disks.empty()) return false;
  return !(walk.Damage && walk.Damage->offset == start) || walk.Disks.front().ThumbCount > 0;
}

}  // namespace

CatalogRepair RepairCatalog(ByteView bytes) {
  CatalogRepair repair;
  const CatalogIndex index = BuildIndex(bytes);
  if (index.Damage && index.Damage->offset == 0) {
    throw CatalogError("The file is not a catalogue: " + index.Damage->reason);
  }
  repair.declared_disks = index.DiskCount;
  repair.damaged = index.Damage.has_value();
  if (!repair.damaged) {
    repair.catalog.assign(bytes.begin(), bytes.end());
    for (const CatInfo& disk : index.Disks) {
      repair.disks.push_back({disk.Name, disk.ThumbCount, disk.ThumbCount});
    }
    return repair;
  }

  const auto size = static_cast<std::int64_t>(bytes.size());
  // Looking for a disk record past the damage walks no more thumbnail records, in all, than
  // twice the stream could hold, so that bytes made to look like many disk heads cannot make a
  // repair quadratic; a real catalogue never comes near.
  std::int64_t scan_budget = 2 * (size / kThumbFixedSize) + kMaxThumbsPerDisk;
  // The records are gathered first, as the header needs their number: runs of whole records
  // and, between them, what could be read of each damaged one.
  std::vector<CatalogIndex> parts;
  std::int64_t disk_count = 0;
  std::int32_t records = 0;  // met so far, kept or not: how the reasons number them
  CatalogIndex walk = IndexRecordsFrom(bytes, std::min(kHeaderSize, size), 0);
  for (;;) {
    records += static_cast<std::int32_t>(walk.Disks.size());
    if (!walk.Damage) {
      disk_count += std::ssize(walk.Disks);
      parts.push_back(std::move(walk));
      break;
    }
    const IndexDamage damage = *walk.Damage;
    const std::int64_t damaged = damage.record;
    // The walk indexed the damaged record's head when its marker is right; it is read again
    // below, up to where the next record starts.
    const bool head_read = !walk.Disks.empty() && walk.Disks.back().RecordStart() == damaged;
    const std::int64_t kept_end = head_read ? walk.Disks.back().RecordEnd : damaged;
    if (head_read) {
      walk.Disks.pop_back();
    } else {
      ++records;
    }
    const std::int32_t damaged_number = records - 1;
    disk_count += std::ssize(walk.Disks);
    parts.push_back(std::move(walk));

    // Where the next disk record starts, and what is kept of the damaged one.
    std::int64_t resume = -1;
    CatalogIndex next;  // the walk from `resume`, when it was taken already
    CatalogIndex salvaged;
    if (head_read) {
      // Where the damaged record's length says, or, when it is the length that lies, right after
      // its last whole thumbnail: a record found there is taken even when it is damaged itself.
      for (const std::int64_t place : {damage.next_record, kept_end}) {
        if (place <= damaged || place >= size) continue;
        CatalogIndex from_place = IndexRecordsFrom(bytes, place, records);
        if (FoundDisk(from_place, place)) {
          resume = place;
          next = std::move(from_place);
          break;
        }
      }
    } else if (damage.next_record > damaged) {
      // A wrong marker alone: the record's length frames whole thumbnail records.
      salvaged = IndexDamagedDisk(bytes, damaged, damage.next_record, damaged_number);
      if (!salvaged.Damage && !salvaged.Disks.empty()) resume = damage.next_record;
    }
    if (resume < 0) {
      // Else the first disk record further on that reads whole, as bytes inside a JPEG rarely
      // do; looked for past the damaged record's head and whole thumbnails, which hold none.
      resume = FindDiskRecord(bytes, std::max(kept_end, damaged + 1), scan_budget);
      if (resume < 0) resume = size;
    }
    // Of a damaged record whose head was read, the thumbnails are taken up to the next record,
    // whatever its length says; a head with a wrong marker is taken only when nothing else is
    // wrong with its record.
    if (head_read) salvaged = IndexDamagedDisk(bytes, damaged, resume, damaged_number);
    const bool keep = !salvaged.Disks.empty() && (head_read || !salvaged.Damage);
    const std::int64_t salvaged_end = keep ? salvaged.Disks.front().RecordEnd : damaged;
    if (resume > salvaged_end) {
      repair.dropped.push_back({salvaged_end, resume - salvaged_end, damage.reason});
    }
    if (keep) {
      ++disk_count;
      parts.push_back(std::move(salvaged));
    }
    if (resume == size) break;
    walk = next.Disks.empty() ? IndexRecordsFrom(bytes, resume, records) : std::move(next);
  }
  if (disk_count > kMaxDisks) {
    throw CatalogError("The damaged catalogue holds more than 65535 readable disk records",
                       ErrorKind::kFull);
  }

  const auto header_count = EncodeField(disk_count, kCountWidth);
  repair.catalog.insert(repair.catalog.end(), kMagic, kMagic + kMagicSize);
  repair.catalog.insert(repair.catalog.end(), header_count.begin(),
                        header_count.begin() + kCountWidth);
  for (const CatalogIndex& part : parts) {
    for (const CatInfo& disk : part.Disks) {
      const std::uint8_t* count = bytes.data() + disk.RecordStart() + 2;
      repair.disks.push_back({disk.Name, disk.ThumbCount, DecodeField(count, kCountWidth)});
      AppendIndexedDisk(repair.catalog, bytes, disk);
    }
  }
  return repair;
}

}  // namespace quorvel
