// Look-alikes and copy groups over 1,000,000 fingerprints (1,000 disks x 1,000 thumbnails) in a
// mix like a real catalogue's: most pictures unrelated, 3 % copies of another picture (a few
// bits of shape and detail changed, as resizing and recompressing change them), and 10 % similar
// pictures whose shapes come from 300 centres with 3 to 8 bits changed (smooth skies, bursts,
// scans of one kind), which crowd the copy index's buckets. The figures to hold: one look-alike
// query in at most 50 ms, the copy groups in at most 3 s, with at most 200 MB of heap beyond the
// index's own arrays (heap/peak_MB). planted/found says how many planted copies ended in the
// group of their original.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "catalog/lookalike_index.h"
#include "heap_counter.h"

namespace {

using quorvel::Fingerprint;
using quorvel::ThumbPrint;
using quorvel::ThumbRef;

constexpr int kDisks = 1000;
constexpr int kThumbsPerDisk = 1000;
constexpr int kCount = kDisks * kThumbsPerDisk;
constexpr int kCopies = kCount * 3 / 100;
constexpr int kSimilar = kCount / 10;
constexpr int kCentres = 300;

std::uint64_t FlipRandomBits(std::uint64_t bits, int count, std::mt19937_64& random) {
  for (int k = 0; k < count; ++k) bits ^= std::uint64_t{1} << (random() % 64);
  return bits;
}

struct Mix {
  std::vector<ThumbPrint> prints;
  // (original, copy) positions in `prints` of each planted copy.
  std::vector<std::pair<std::int32_t, std::int32_t>> planted;
  std::int32_t similar;  // the position of one similar picture
};

const Mix& Million() {
  static const Mix mix = [] {
    std::mt19937_64 random(2024);
    std::vector<Fingerprint> prints(kCount);
    for (Fingerprint& print : prints) print = {random(), random()};
    std::vector<Fingerprint> centres(kCentres);
    for (Fingerprint& centre : centres) centre = {random(), random()};
    // Which positions get what: a shuffle, so that copies and similar pictures lie on any disk.
    std::vector<std::int32_t> at(kCount);
    for (std::int32_t i = 0; i < kCount; ++i) at[i] = i;
    std::shuffle(at.begin(), at.end(), random);
    for (int k = 0; k < kSimilar; ++k) {
      const Fingerprint& centre = centres[random() % kCentres];
      prints[at[k]] = {FlipRandomBits(centre.shape, 3 + static_cast<int>(random() % 6), random),
                       FlipRandomBits(centre.detail, 16, random)};
    }
    Mix result;
    result.similar = at[0];
    for (int k = 0; k < kCopies; ++k) {
      // The original is any picture outside the planted copies, similar ones included.
      const std::int32_t original = at[random() % (kCount - kCopies)];
      const std::int32_t copy = at[kCount - 1 - k];
      const Fingerprint& from = prints[original];
      prints[copy] = {FlipRandomBits(from.shape, static_cast<int>(random() % 4), random),
                      FlipRandomBits(from.detail, static_cast<int>(random() % 7), random)};
      result.planted.emplace_back(original, copy);
    }
    result.prints.reserve(kCount);
    for (std::int32_t i = 0; i < kCount; ++i) {
      result.prints.push_back({ThumbRef{i / kThumbsPerDisk, i % kThumbsPerDisk}, prints[i]});
    }
    return result;
  }();
  return mix;
}

void BM_Similar(benchmark::State& state) {
  const Mix& mix = Million();
  const quorvel::LookalikeIndex index(mix.prints, kDisks);
  // A similar picture's own fingerprint: it has look-alikes among its centre's.
  const Fingerprint asked = mix.prints[mix.similar].print;
  std::size_t found = 0;
  for (auto _ : state) {
    const std::vector<quorvel::Alike> alike = index.Similar(asked);
    found = alike.size();
    benchmark::DoNotOptimize(alike.data());
  }
  state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_Similar)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CopyGroups(benchmark::State& state) {
  const Mix& mix = Million();
  std::int64_t heap_peak = 0;
  std::size_t groups = 0;
  std::size_t found = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const auto index = std::make_unique<quorvel::LookalikeIndex>(mix.prints, kDisks);
    const std::int64_t before = quorvel::bench::HeapBytes();
    quorvel::bench::ResetHeapPeak();
    state.ResumeTiming();
    const auto& copy_groups = index->CopyGroups();
    state.PauseTiming();
    heap_peak = quorvel::bench::HeapPeak() - before;
    groups = copy_groups.size();
    std::vector<std::int32_t> group_of(kCount, -1);
    for (std::size_t g = 0; g < copy_groups.size(); ++g) {
      for (const ThumbRef& ref : copy_groups[g]) {
        group_of[ref.disk * kThumbsPerDisk + ref.thumb] = static_cast<std::int32_t>(g);
      }
    }
    found = static_cast<std::size_t>(
        std::count_if(mix.planted.begin(), mix.planted.end(), [&](const auto& pair) {
          return group_of[pair.first] >= 0 && group_of[pair.first] == group_of[pair.second];
        }));
    state.ResumeTiming();
  }
  state.counters["groups"] = static_cast<double>(groups);
  state.counters["planted"] = static_cast<double>(mix.planted.size());
  state.counters["found"] = static_cast<double>(found);
  state.counters["heap/peak_MB"] = static_cast<double>(heap_peak) / 1e6;
}
BENCHMARK(BM_CopyGroups)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The worst a catalogue could hold: every picture's shape the same (flat, smooth pictures), the
// pictures told apart by their detail alone. Every bucket is crowded, so the time is the bound the
// crowd limit sets.
void BM_CopyGroupsOneShape(benchmark::State& state) {
  std::mt19937_64 random(99);
  std::vector<ThumbPrint> prints;
  prints.reserve(kCount);
  for (std::int32_t i = 0; i < kCount; ++i) {
    prints.push_back(
        {ThumbRef{i / kThumbsPerDisk, i % kThumbsPerDisk}, {0x00FF00FF00FF00FF, random()}});
  }
  std::size_t groups = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const auto index = std::make_unique<quorvel::LookalikeIndex>(prints, kDisks);
    state.ResumeTiming();
    groups = index->CopyGroups().size();
  }
  state.counters["groups"] = static_cast<double>(groups);
}
BENCHMARK(BM_CopyGroupsOneShape)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
