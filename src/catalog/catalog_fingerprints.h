// Every thumbnail's fingerprint in an open catalogue: the ones stored in the thumbnails read
// from their JPEG heads, the others computed from their pixels on every core, with progress and
// a way to stop. Kept per disk, so that after an edit only the disks it changed are computed
// again.
#ifndef QUORVEL_CATALOG_CATALOG_FINGERPRINTS_H_
#define QUORVEL_CATALOG_CATALOG_FINGERPRINTS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "catalog/catalog_index.h"
#include "catalog/catalog_version.h"
#include "catalog/picture_fingerprint.h"

namespace quorvel {

// What is known of one disk's thumbnails, in their order.
struct DiskFingerprints {
  std::vector<std::optional<Fingerprint>> prints;  // nullopt: the thumbnail has none
  // Thumbnails whose fingerprint was computed here rather than read from the thumbnail: what
  // storing them into the catalogue would write.
  std::vector<bool> computed;
};

class CatalogFingerprints {
 public:
  // Makes the fingerprints of `version` known: each disk already known (the same thumbnails,
  // shared by an earlier version) is kept, the others are read or computed on `threads`
  // threads (0: one per core). `progress` hears (thumbnails done, thumbnails to do) from the
  // calling thread. Returns false, keeping what was known before, once `stop` returns true; it
  // is asked often enough to stop within a fraction of a second. Throws as CatalogVersion::Jpeg
  // does when the file can no longer be read.
  bool Update(const CatalogVersion& version, const ProgressCallback& progress = {},
              const std::function<bool()>& stop = {}, int threads = 0);

  // True when every disk of `index` is known.
  bool Knows(const CatalogIndex& index) const;
  // True when `disk` (of any index) is known.
  bool Knows(const CatInfo& disk) const;
  // The fingerprints of disk `disk` of `index`, which Update made known.
  const DiskFingerprints& Disk(const CatalogIndex& index, int disk) const;
  // How many thumbnails of `index` have a fingerprint computed here, not stored.
  std::int64_t ComputedCount(const CatalogIndex& index) const;

 private:
  // Keyed by the disk's shared thumbnail storage, which an edit keeps for a disk it leaves
  // alone; the weak pointer tells a storage freed and its address reused.
  struct Entry {
    std::weak_ptr<const DiskThumbs> storage;
    DiskFingerprints prints;
  };
  std::unordered_map<const DiskThumbs*, Entry> disks_;
};

// The catalogue with the fingerprints computed for `prints` stored into their thumbnails (the
// JPEG gains or completes its facts segment; its pixels are kept byte for byte). A change like
// the others of catalog_edits.h: one undo, costing the thumbnails it rewrites.
CatalogVersion StoreFingerprints(const CatalogVersion& from, const CatalogFingerprints& prints);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_FINGERPRINTS_H_
