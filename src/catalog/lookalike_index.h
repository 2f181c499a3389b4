// Look-alikes and copies over every fingerprint of a catalogue, without comparing all pairs:
// the copy groups come from a multi-index hash of the fingerprints' shapes, the look-alikes of
// one thumbnail from one pass over the packed fingerprints.
#ifndef QUORVEL_CATALOG_LOOKALIKE_INDEX_H_
#define QUORVEL_CATALOG_LOOKALIKE_INDEX_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "catalog/catalog_index.h"
#include "catalog/picture_fingerprint.h"

namespace quorvel {

struct ThumbPrint {
  ThumbRef ref;
  Fingerprint print;
};

struct Alike {
  ThumbRef ref;
  int distance;  // Distance to the fingerprint asked about
};

class LookalikeIndex {
 public:
  // Over `prints`, in catalogue order (disk, then thumbnail); `disk_count` disks in all.
  LookalikeIndex(std::vector<ThumbPrint> prints, int disk_count);

  // Every thumbnail within kLookAlikeDistance of `print`, the most alike first (equal
  // distances in catalogue order); at most `max` of them when `max` is not 0.
  std::vector<Alike> Similar(const Fingerprint& print, std::size_t max = 0) const;

  // The groups of copies: the thumbnails joined by SamePicture, directly or through others,
  // each group of two or more in catalogue order, the groups in the order of their first
  // thumbnails. Computed once, on first need.
  const std::vector<std::vector<ThumbRef>>& CopyGroups() const;

  // For each disk, its thumbnails with a fingerprint that have no copy on any other disk, in
  // their order; a thumbnail with no fingerprint is not counted.
  std::vector<std::vector<std::int32_t>> UniqueToDisk() const;

 private:
  std::vector<ThumbPrint> prints_;
  int disk_count_;
  mutable bool grouped_ = false;
  mutable std::vector<std::vector<ThumbRef>> groups_;
};

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_LOOKALIKE_INDEX_H_
