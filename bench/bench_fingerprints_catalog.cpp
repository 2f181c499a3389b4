// Knowing every fingerprint of a large catalogue (100 disks x 1,000 thumbnails, each a real
// 100 x 100 JPEG whose facts carry its fingerprint), opened from a file as the program opens it:
// each thumbnail's stored fingerprint read from the head of its JPEG, on 1 and 2 threads. The
// file lives in a fresh folder under the system's temporary folder and is read through the page
// cache after the first pass.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>

#include "catalog/catalog_fingerprints.h"
#include "catalog/catalog_version.h"
#include "catalog/picture_facts.h"
#include "support/catalog_builder.h"
#include "support/realistic_catalog.h"

namespace quorvel {
namespace {

constexpr int kDisks = 100;
constexpr int kThumbsPerDisk = 1000;

const CatalogVersion& Catalogue() {
  static testkit::TempDir dir;
  static const CatalogVersion version = [] {
    PictureFacts facts = testkit::ExampleFacts();
    facts.fingerprint = Fingerprint{0x0123456789ABCDEF, 0xFEDCBA9876543210};
    const Bytes jpeg = testkit::GradientJpeg(7, facts);
    return VersionOfFile(
        dir.File("fingerprints.qrv", testkit::RealisticCatalog(kDisks, kThumbsPerDisk, 7, jpeg)));
  }();
  return version;
}

void BM_UpdateStoredFingerprints(benchmark::State& state) {
  const CatalogVersion& version = Catalogue();
  for (auto _ : state) {
    CatalogFingerprints prints;
    if (!prints.Update(version, {}, {}, static_cast<int>(state.range(0))) ||
        prints.ComputedCount(version.index) != 0) {
      state.SkipWithError("the stored fingerprints were not all read");
      break;
    }
    benchmark::DoNotOptimize(prints);
  }
  state.counters["thumbnails"] = static_cast<double>(version.index.TotalThumbs());
  state.counters["thumbnails_per_s"] =
      benchmark::Counter(static_cast<double>(version.index.TotalThumbs()),
                         benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_UpdateStoredFingerprints)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace quorvel

BENCHMARK_MAIN();
