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
  // Over `prints`, one per thumbnail that has a fingerprint (put in catalogue order, disk then
  // thumbnail, when they are not); `disk_count` disks in all.
  LookalikeIndex(std::vector<ThumbPrint> prints, int disk_count);

  // Every thumbnail within kLookAlikeDistance of `print`, the most alike first (equal
  // distances in catalogue order; the thumbnail `print` was taken from is among them, at 0); at
  // most `max` of them when `max` is not 0.
  std::vector<Alike> Similar(const Fingerprint& print, std::size_t max = 0) const;

  // The groups of copies: the thumbnails joined by SamePicture, directly or through others,
  // each group of two or more in catalogue order, the groups in the order of their first
  // thumbnails. Computed once, on first need, on two threads; not to be asked from two
  // threads at once.
  //
  // Exact but for crowded shapes. The shapes are looked up by their four 16-bit quarters, each
  // thumbnail compared with those whose quarter is equal or one bit off. Where those number
  // more than kCrowdLimit (many smooth pictures share a quarter), a thumbnail is compared,
  // through that quarter, only with the kCrowdWindow after it in the order of the shapes'
  // values; the other quarters still find its copies wherever they are not crowded too. So the
  // work is at most 4 x kCrowdLimit comparisons per thumbnail, whatever the pictures.
  const std::vector<std::vector<ThumbRef>>& CopyGroups() const;

  // For each of the `disk_count` disks, its thumbnails with a fingerprint that have no copy on
  // any other disk, in their order; a copy on the same disk does not count.
  std::vector<std::vector<std::int32_t>> UniqueToDisk() const;

  static constexpr std::size_t kCrowdLimit = 1024;
  static constexpr std::size_t kCrowdWindow = 32;

 private:
  // Kept as parallel arrays, in catalogue order, so that a pass over the fingerprints reads
  // nothing else.
  std::vector<ThumbRef> refs_;
  std::vector<std::uint64_t> shapes_;
  std::vector<std::uint64_t> details_;
  int disk_count_;
  mutable bool grouped_ = false;
  mutable std::vector<std::vector<ThumbRef>> groups_;
};

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_LOOKALIKE_INDEX_H_
