#include "catalog/lookalike_index.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace quorvel {
namespace {

using Refs = std::vector<ThumbRef>;

Fingerprint RandomPrint(std::mt19937_64& random) { return {random(), random()}; }

// `print` with `count` shape bits flipped from the `first`-th on, taken a quarter at a time
// (bit k lies in quarter k % 4), so that a few flips touch every quarter of the shape.
Fingerprint FlipShape(Fingerprint print, int count, int first = 0) {
  for (int k = first; k < first + count; ++k)
    print.shape ^= std::uint64_t{1} << ((k % 4) * 16 + k / 4);
  return print;
}

Fingerprint FlipDetail(Fingerprint print, int count) {
  for (int k = 0; k < count; ++k) print.detail ^= std::uint64_t{1} << k;
  return print;
}

TEST(LookalikeIndexTest, GroupsCopiesDirectlyOrThroughOthersAndNothingBeyondTheThresholds) {
  std::mt19937_64 random(7);
  // Enough unrelated pictures around the copies that the grouping runs on two threads.
  std::vector<ThumbPrint> prints;
  for (std::int32_t j = 0; j < 60'000; ++j) prints.push_back({{0, j}, RandomPrint(random)});
  const auto put = [&](std::int32_t j, Fingerprint print) { prints[j].print = print; };

  // A chain: each link a copy, its ends too far apart to be copies of each other.
  const int half_step = (kCopyShapeDistance + 2) / 2;
  const Fingerprint a = RandomPrint(random);
  const Fingerprint b = FlipShape(a, half_step);
  const Fingerprint c = FlipShape(b, half_step, half_step);
  ASSERT_FALSE(SamePicture(a, c));
  put(10, c);
  put(20, a);
  put(30, b);
  // As far apart as copies may be, the shape differing in two bits in three quarters and one
  // in the fourth: only the fourth quarter's one-bit neighbour finds it.
  const Fingerprint d = RandomPrint(random);
  put(40, d);
  put(50, FlipDetail(FlipShape(d, kCopyShapeDistance), kCopyDistance - kCopyShapeDistance));
  // One bit beyond each threshold.
  const Fingerprint e = RandomPrint(random);
  put(60, e);
  put(70, FlipShape(e, kCopyShapeDistance + 1));
  const Fingerprint f = RandomPrint(random);
  put(80, f);
  put(90, FlipDetail(f, kCopyDistance + 1));

  const LookalikeIndex index(prints, 1);
  EXPECT_EQ(index.CopyGroups(),
            (std::vector<Refs>{{{0, 10}, {0, 20}, {0, 30}}, {{0, 40}, {0, 50}}}));
}

TEST(LookalikeIndexTest, SimilarListsTheMostAlikeFirstThenInCatalogueOrderUpToMax) {
  std::mt19937_64 random(11);
  const Fingerprint asked = RandomPrint(random);
  // Given out of catalogue order, which the index puts right.
  const std::vector<ThumbPrint> prints = {
      {{1, 0}, FlipDetail(asked, 3)},
      {{0, 5}, FlipShape(asked, kLookAlikeDistance)},
      {{0, 1}, FlipDetail(asked, kLookAlikeDistance + 1)},
      {{0, 3}, FlipShape(asked, 3)},
      {{2, 0}, asked},
      {{0, 2}, RandomPrint(random)},
  };
  const LookalikeIndex index(prints, 3);
  const std::vector<Alike> all = index.Similar(asked);
  std::vector<std::pair<ThumbRef, int>> listed;
  for (const Alike& alike : all) listed.emplace_back(alike.ref, alike.distance);
  EXPECT_EQ(listed, (std::vector<std::pair<ThumbRef, int>>{
                        {{2, 0}, 0}, {{0, 3}, 3}, {{1, 0}, 3}, {{0, 5}, kLookAlikeDistance}}));
  const std::vector<Alike> two = index.Similar(asked, 2);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[1].ref, (ThumbRef{0, 3}));
}

TEST(LookalikeIndexTest, UniqueToDiskCountsPicturesWithNoCopyOnAnotherDisk) {
  std::mt19937_64 random(13);
  const Fingerprint copied_on_one_disk = RandomPrint(random);
  const Fingerprint copied_across = RandomPrint(random);
  const LookalikeIndex index(
      {
          {{0, 0}, copied_on_one_disk},
          {{0, 1}, copied_across},
          {{0, 2}, FlipShape(copied_on_one_disk, 2)},
          {{1, 0}, RandomPrint(random)},
          {{1, 1}, FlipDetail(copied_across, 2)},
          // Thumbnail 2 of disk 1 has no fingerprint.
          {{1, 3}, RandomPrint(random)},
      },
      3);
  EXPECT_EQ(index.UniqueToDisk(), (std::vector<std::vector<std::int32_t>>{{0, 2}, {0, 3}, {}}));
}

}  // namespace
}  // namespace quorvel
