// Saving what can be read of a damaged catalogue as a well-formed one.
#ifndef QUORVEL_CATALOG_CATALOG_REPAIR_H_
#define QUORVEL_CATALOG_CATALOG_REPAIR_H_

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/stream.h"

namespace quorvel {

// A disk of the repaired catalogue.
struct RepairedDisk {
  std::string name;                  // Windows-1251, as the disk list shows it
  std::int64_t thumbs_kept = 0;      // thumbnail records in the repaired catalogue
  std::int64_t thumbs_declared = 0;  // the thumbnail count its damaged record held
};

// A range of the damaged bytes that the repaired catalogue leaves out.
struct DroppedBytes {
  std::int64_t offset = 0;
  std::int64_t length = 0;
  std::string reason;  // what is wrong with the damaged record it begins in (English)
};

struct CatalogRepair {
  Bytes catalog;                      // the repaired catalogue, well-formed
  bool damaged = false;               // false: `catalog` is the input unchanged
  std::int64_t declared_disks = 0;    // the disk count the damaged header held
  std::vector<RepairedDisk> disks;    // in the repaired catalogue's order, which is the file's
  std::vector<DroppedBytes> dropped;  // in file order
};

// Every record of `bytes` that can be read, as a well-formed catalogue. Every whole disk record is
// copied byte for byte, whatever the counts claim. Past a damaged record, reading goes on where
// its length says the next disk record starts or right after its last whole thumbnail, when a
// disk record stands there, else at the first place further on where a disk record reads whole
// (its marker, its head, and thumbnails that end exactly where its length says); only when there
// is none is the rest dropped. Of the damaged record, its head and the whole thumbnail records up
// to the next record are kept, with its marker, count and length made true; a head whose marker
// is wrong is kept only when the rest of its record is whole. Bytes that are not damaged come back
// unchanged. Throws CatalogError when `bytes` are not a catalogue at all (no magic).
CatalogRepair RepairCatalog(ByteView bytes);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_REPAIR_H_
