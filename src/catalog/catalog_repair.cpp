#include "catalog/catalog_repair.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

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
  // The records are gathered first, as the header needs their number.
  std::vector<CatalogIndex> walks;
  std::int64_t start = std::min(kHeaderSize, size);
  std::int64_t disk_count = 0;
  CatalogIndex walk = IndexRecordsFrom(bytes, start, 0);
  for (;;) {
    disk_count += walk.DiskCount;
    const std::int64_t kept_end = walk.Disks.empty() ? start : walk.Disks.back().RecordEnd;
    if (!walk.Damage) {
      walks.push_back(std::move(walk));
      break;
    }
    // Past the damage, the next disk record starts where the damaged record's declared length
    // says, or, when it is the length that lies, right after the record's last whole thumbnail.
    std::int64_t resume = size;
    CatalogIndex next;
    for (const std::int64_t place : {walk.Damage->next_record, kept_end}) {
      if (place <= start || place >= size) continue;
      next = IndexRecordsFrom(bytes, place, static_cast<std::int32_t>(disk_count));
      if (FoundDisk(next, place)) {
        resume = place;
        break;
      }
    }
    if (resume > kept_end) {
      repair.dropped.push_back({kept_end, resume - kept_end, walk.Damage->reason});
    }
    walks.push_back(std::move(walk));
    if (resume == size) break;
    walk = std::move(next);
    start = resume;
  }
  if (disk_count > kMaxDisks) {
    throw CatalogError("The damaged catalogue holds more than 65535 readable disk records");
  }

  const auto header_count = EncodeField(disk_count, kCountWidth);
  repair.catalog.insert(repair.catalog.end(), kMagic, kMagic + kMagicSize);
  repair.catalog.insert(repair.catalog.end(), header_count.begin(),
                        header_count.begin() + kCountWidth);
  for (const CatalogIndex& kept : walks) {
    for (const CatInfo& disk : kept.Disks) {
      const std::uint8_t* count = bytes.data() + disk.RecordStart() + 2;
      repair.disks.push_back({disk.Name, disk.ThumbCount, DecodeField(count, kCountWidth)});
      AppendIndexedDisk(repair.catalog, bytes, disk);
    }
  }
  return repair;
}

}  // namespace quorvel
