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
  std::string reason;  // why reading stopped there, as the index says it (English)
};

struct CatalogRepair {
  Bytes catalog;                      // the repaired catalogue, well-formed
  bool damaged = false;               // false: `catalog` is the input unchanged
  std::int64_t declared_disks = 0;    // the disk count the damaged header held
  std::vector<RepairedDisk> disks;    // in the repaired catalogue's order, which is the file's
  std::vector<DroppedBytes> dropped;  // in file order
};

// Every record of `bytes` that can be read, as a well-formed catalogue: every whole disk record,
// and of a damaged one its fixed part with the whole thumbnail records before the damage, its
// count and length made true; past a damaged record, reading goes on where its declared length
// or its last whole thumbnail says the next disk record starts. Records are copied byte for
// byte. Bytes that are not damaged come back unchanged. Throws CatalogError when `bytes` are not
// a catalogue at all (no magic).
CatalogRepair RepairCatalog(ByteView bytes);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_REPAIR_H_
