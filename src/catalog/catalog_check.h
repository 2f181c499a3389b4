// Full verification of a catalogue's invariants, for the command line and for tests.
#ifndef QUORVEL_CATALOG_CATALOG_CHECK_H_
#define QUORVEL_CATALOG_CATALOG_CHECK_H_

#include <cstdint>
#include <optional>

#include "catalog/catalog_index.h"
#include "catalog/stream.h"

namespace quorvel {

struct CheckResult {
  std::int64_t disk_count = 0;           // disks indexed
  std::int64_t thumb_count = 0;          // thumbnails indexed
  std::optional<IndexDamage> violation;  // the first invariant broken, if any

  bool ok() const { return !violation; }
};

// Verifies everything a well-formed catalogue promises: the magic, the disk count against the
// records, each record's length against its name and thumbnails, the markers, the last record
// ending at the end of the stream, and each JPEG beginning with FF D8 and ending with FF D9.
// An empty stream and a header alone are well-formed.
CheckResult CheckCatalog(ByteView stream);

// The same for a catalogue already indexed (the index notes each JPEG's first and last bytes).
CheckResult CheckCatalog(const CatalogIndex& index);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_CHECK_H_
