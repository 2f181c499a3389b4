#include "catalog/lookalike_index.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <utility>

// The comparisons below are popcounts of XORs. x86-64's baseline has no popcount instruction,
// so the loops that make them are also built for processors that have one, and the loader picks
// the build that fits the processor the program runs on.
#if defined(__x86_64__) && defined(__has_attribute)
#if __has_attribute(target_clones)
#define QUORVEL_POPCNT_CLONES __attribute__((target_clones("popcnt", "default")))
#endif
#endif
#ifndef QUORVEL_POPCNT_CLONES
#define QUORVEL_POPCNT_CLONES
#endif

namespace quorvel {
namespace {

// The copy groups look shapes up by their four 16-bit quarters. Two shapes that differ in at
// most 7 bits differ in at most one bit in some quarter (otherwise in at least 8), so looking up
// each quarter's value and its 16 one-bit neighbours meets every pair of copies at least once.
constexpr int kQuarters = 4;
constexpr int kQuarterBits = 16;
constexpr std::size_t kQuarterValues = std::size_t{1} << kQuarterBits;
static_assert(kCopyShapeDistance < 2 * kQuarters,
              "the quarter lookup with one-bit neighbours finds shapes at most 7 bits apart");

// Fewer fingerprints than this are grouped on the calling thread alone: a second thread costs
// more than it saves.
constexpr std::size_t kTwoThreadsFrom = 50'000;

// Union-find over fingerprint numbers. A root is always the lowest number of its group, so the
// groups come out in catalogue order without sorting.
class Components {
 public:
  explicit Components(std::size_t count) : parent_(count) {
    std::iota(parent_.begin(), parent_.end(), std::uint32_t{0});
  }
  std::uint32_t Find(std::uint32_t i) {
    while (parent_[i] != i) {
      parent_[i] = parent_[parent_[i]];  // path halving
      i = parent_[i];
    }
    return i;
  }
  void Join(std::uint32_t a, std::uint32_t b) {
    a = Find(a);
    b = Find(b);
    if (a != b) parent_[std::max(a, b)] = std::min(a, b);
  }

 private:
  std::vector<std::uint32_t> parent_;
};

// Joins in `components` the copies that quarter `quarter` of the shape finds. The fingerprints
// are bucketed by the quarter's value with a counting sort (4 bytes per fingerprint for their
// numbers, 8 for their shapes copied in bucket order, so that the comparisons read memory in
// sequence); each bucket is compared with itself and with its one-bit neighbours, each pair of
// buckets once, unless the neighbourhood is crowded (see CopyGroups in the header).
QUORVEL_POPCNT_CLONES
void JoinCopiesByQuarter(int quarter, const std::vector<std::uint64_t>& shapes,
                         const std::vector<std::uint64_t>& details, Components& components) {
  const int shift = quarter * kQuarterBits;
  const auto value = [shift](std::uint64_t shape) {
    return static_cast<std::uint32_t>((shape >> shift) & (kQuarterValues - 1));
  };
  std::vector<std::uint32_t> start(kQuarterValues + 1, 0);
  for (const std::uint64_t shape : shapes) ++start[value(shape) + 1];
  std::partial_sum(start.begin(), start.end(), start.begin());

  std::vector<std::uint32_t> order(shapes.size());
  std::vector<std::uint64_t> sorted(shapes.size());
  {
    std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
    for (std::uint32_t i = 0; i < shapes.size(); ++i) {
      const std::uint32_t at = next[value(shapes[i])]++;
      order[at] = i;
      sorted[at] = shapes[i];
    }
  }
  const auto size = [&](std::size_t v) { return start[v + 1] - start[v]; };
  std::vector<std::size_t> hood(kQuarterValues);  // how many the bucket would be compared with
  for (std::size_t v = 0; v < kQuarterValues; ++v) {
    hood[v] = size(v);
    for (int bit = 0; bit < kQuarterBits; ++bit) hood[v] += size(v ^ (std::size_t{1} << bit));
  }

  const auto compare = [&](std::uint32_t a, std::uint32_t b) {
    const int shape_distance = std::popcount(sorted[a] ^ sorted[b]);
    if (shape_distance > kCopyShapeDistance) return;
    const std::uint32_t i = order[a];
    const std::uint32_t j = order[b];
    if (SamePicture({sorted[a], details[i]}, {sorted[b], details[j]})) components.Join(i, j);
  };

  std::vector<std::pair<std::uint64_t, std::uint32_t>> crowd;
  for (std::size_t v = 0; v < kQuarterValues; ++v) {
    const std::uint32_t begin = start[v];
    const std::uint32_t end = start[v + 1];
    if (begin == end) continue;
    if (hood[v] <= LookalikeIndex::kCrowdLimit) {
      for (std::uint32_t a = begin; a < end; ++a) {
        for (std::uint32_t b = a + 1; b < end; ++b) compare(a, b);
      }
      for (int bit = 0; bit < kQuarterBits; ++bit) {
        const std::size_t w = v ^ (std::size_t{1} << bit);
        // A neighbour below that is not crowded has compared itself with this bucket.
        if (w < v && hood[w] <= LookalikeIndex::kCrowdLimit) continue;
        for (std::uint32_t a = begin; a < end; ++a) {
          for (std::uint32_t b = start[w]; b < start[w + 1]; ++b) compare(a, b);
        }
      }
    } else {
      // Crowded: sorted by their shapes' values, shapes that agree in their high bits lie
      // close, so each is compared with the few after it. Its uncrowded neighbours still
      // compare themselves with all of it.
      crowd.clear();
      for (std::uint32_t a = begin; a < end; ++a) crowd.emplace_back(sorted[a], order[a]);
      std::sort(crowd.begin(), crowd.end());
      for (std::uint32_t a = begin; a < end; ++a) {
        sorted[a] = crowd[a - begin].first;
        order[a] = crowd[a - begin].second;
      }
      for (std::uint32_t a = begin; a < end; ++a) {
        const std::uint32_t last = static_cast<std::uint32_t>(
            std::min<std::size_t>(end, a + 1 + LookalikeIndex::kCrowdWindow));
        for (std::uint32_t b = a + 1; b < last; ++b) compare(a, b);
      }
    }
  }
}

// Appends to `found` (fingerprint number, distance) for each fingerprint within
// kLookAlikeDistance of `print`, in catalogue order.
QUORVEL_POPCNT_CLONES
void CollectAlike(const std::vector<std::uint64_t>& shapes,
                  const std::vector<std::uint64_t>& details, const Fingerprint& print,
                  std::vector<std::pair<std::uint32_t, int>>& found) {
  for (std::uint32_t i = 0; i < shapes.size(); ++i) {
    const int distance =
        std::popcount(shapes[i] ^ print.shape) + std::popcount(details[i] ^ print.detail);
    if (distance <= kLookAlikeDistance) found.emplace_back(i, distance);
  }
}

}  // namespace

LookalikeIndex::LookalikeIndex(std::vector<ThumbPrint> prints, int disk_count)
    : disk_count_(disk_count) {
  if (prints.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("too many fingerprints for one look-alike index");
  }
  const auto by_ref = [](const ThumbPrint& a, const ThumbPrint& b) { return a.ref < b.ref; };
  if (!std::is_sorted(prints.begin(), prints.end(), by_ref)) {
    std::stable_sort(prints.begin(), prints.end(), by_ref);
  }
  refs_.reserve(prints.size());
  shapes_.reserve(prints.size());
  details_.reserve(prints.size());
  for (const ThumbPrint& print : prints) {
    refs_.push_back(print.ref);
    shapes_.push_back(print.print.shape);
    details_.push_back(print.print.detail);
  }
}

std::vector<Alike> LookalikeIndex::Similar(const Fingerprint& print, std::size_t max) const {
  std::vector<std::pair<std::uint32_t, int>> found;
  CollectAlike(shapes_, details_, print, found);
  // A counting sort by distance keeps catalogue order among equal distances.
  std::array<std::size_t, kLookAlikeDistance + 2> start{};
  for (const auto& [i, distance] : found) ++start[distance + 1];
  std::partial_sum(start.begin(), start.end(), start.begin());
  std::vector<Alike> alike(found.size());
  for (const auto& [i, distance] : found) alike[start[distance]++] = {refs_[i], distance};
  if (max != 0 && alike.size() > max) alike.resize(max);
  return alike;
}

const std::vector<std::vector<ThumbRef>>& LookalikeIndex::CopyGroups() const {
  if (grouped_) return groups_;
  const std::size_t count = refs_.size();
  Components joined(count);
  if (count < kTwoThreadsFrom) {
    for (int quarter = 0; quarter < kQuarters; ++quarter) {
      JoinCopiesByQuarter(quarter, shapes_, details_, joined);
    }
  } else {
    // Each thread joins through two quarters in its own union-find; the two are merged after.
    Components other(count);
    {
      std::jthread helper([&] {
        for (int quarter = 0; quarter < kQuarters / 2; ++quarter) {
          JoinCopiesByQuarter(quarter, shapes_, details_, other);
        }
      });
      for (int quarter = kQuarters / 2; quarter < kQuarters; ++quarter) {
        JoinCopiesByQuarter(quarter, shapes_, details_, joined);
      }
    }
    for (std::uint32_t i = 0; i < count; ++i) joined.Join(i, other.Find(i));
  }

  std::vector<std::uint32_t> members(count, 0);
  for (std::uint32_t i = 0; i < count; ++i) ++members[joined.Find(i)];
  constexpr std::uint32_t kNoGroup = std::numeric_limits<std::uint32_t>::max();
  std::vector<std::uint32_t> group_of_root(count, kNoGroup);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t root = joined.Find(i);
    if (members[root] < 2) continue;
    if (group_of_root[root] == kNoGroup) {
      group_of_root[root] = static_cast<std::uint32_t>(groups_.size());
      groups_.emplace_back().reserve(members[root]);
    }
    groups_[group_of_root[root]].push_back(refs_[i]);
  }
  grouped_ = true;
  return groups_;
}

std::vector<std::vector<std::int32_t>> LookalikeIndex::UniqueToDisk() const {
  std::vector<ThumbRef> copied_elsewhere;
  for (const std::vector<ThumbRef>& group : CopyGroups()) {
    const bool one_disk = std::all_of(group.begin(), group.end(), [&](const ThumbRef& ref) {
      return ref.disk == group.front().disk;
    });
    if (!one_disk) copied_elsewhere.insert(copied_elsewhere.end(), group.begin(), group.end());
  }
  std::sort(copied_elsewhere.begin(), copied_elsewhere.end());
  std::vector<std::vector<std::int32_t>> unique(static_cast<std::size_t>(disk_count_));
  auto copied = copied_elsewhere.begin();
  for (const ThumbRef& ref : refs_) {
    while (copied != copied_elsewhere.end() && *copied < ref) ++copied;
    if (copied != copied_elsewhere.end() && *copied == ref) continue;
    if (ref.disk >= 0 && ref.disk < disk_count_) unique[ref.disk].push_back(ref.thumb);
  }
  return unique;
}

}  // namespace quorvel
