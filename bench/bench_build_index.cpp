// The index build over a catalogue of 1000 disks x 1000 thumbnails (81 MB; 350 MB when every
// thumbnail carries facts, which the index then reads), in memory and read
// from its file through the window the program opens it with, beside the least any index build
// must do (read the same length fields) and a load of the whole file. Opening a catalogue is this
// build, so it is the cost the user waits for.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "catalog/catalog_index.h"
#include "catalog/disk_record_writer.h"
#include "catalog/picture_facts.h"
#include "catalog/piece_list.h"
#include "catalog/stream.h"
#include "heap_counter.h"
#include "ratio_reporter.h"

namespace {

using quorvel::Bytes;

constexpr int kDisks = 1000;
constexpr int kThumbsPerDisk = 1000;
constexpr std::int64_t kThumbs = std::int64_t{kDisks} * kThumbsPerDisk;

// The head of thumbnail `j` as the program writes it with facts: SOI, the JFIF header, the facts
// of a photograph (ten cameras taking turns), then EOI in place of the picture: about 330 bytes.
Bytes JpegWithFacts(int j) {
  quorvel::PictureFacts facts;
  facts.taken = 1'500'000'000 + std::int64_t{j} * 60;
  facts.make = "Canon";
  facts.model = "Canon EOS " + std::to_string(j % 10) + "0D";
  facts.width = 6000;
  facts.height = 4000;
  facts.position = quorvel::GeoPosition{55.75 + j * 1e-5, 37.62};
  facts.file_size = 5'000'000 + j;
  facts.modified = 1'500'000'000 + j;
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  const Bytes segments = quorvel::EncodeFactsSegments(facts);
  jpeg.insert(jpeg.end(), segments.begin(), segments.end());
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});
  return jpeg;
}

// Built once through the program's own writer; names like "D:\p\0001.jpg" (13 bytes) and
// 64-byte JPEG stand-ins (FF D8 ... FF D9) that the index only glances at, or, `with_facts`,
// JpegWithFacts, whose facts it reads.
Bytes MakeCatalog(bool with_facts) {
  Bytes plain(64, 0x55);
  plain[0] = 0xFF, plain[1] = 0xD8, plain[62] = 0xFF, plain[63] = 0xD9;
  Bytes stream;
  stream.reserve(6 + kDisks * (17 + kThumbsPerDisk * (4 + 13 + (with_facts ? 340 : 64))));
  char name[32];
  for (int i = 0; i < kDisks; ++i) {
    std::snprintf(name, sizeof name, "Disk %04d", i + 1);
    quorvel::DiskRecordHead head = quorvel::BeginDiskRecord(stream, name);
    for (int j = 0; j < kThumbsPerDisk; ++j) {
      std::snprintf(name, sizeof name, "D:\\p\\%04d.jpg", j + 1);
      const Bytes jpeg = with_facts ? JpegWithFacts(j) : plain;
      quorvel::AppendThumbnailRecord(stream, head, name, quorvel::ByteView(jpeg));
    }
    quorvel::FinishDiskRecord(stream, head);
  }
  return stream;
}

const Bytes& LargeCatalog() {
  static const Bytes catalog = MakeCatalog(false);
  return catalog;
}

const Bytes& CatalogWithFacts() {
  static const Bytes catalog = MakeCatalog(true);
  return catalog;
}

long MinorPageFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// Shown as the time of one iteration divided by the number of thumbnails.
benchmark::Counter TimePerThumb() {
  return benchmark::Counter(
      static_cast<double>(kThumbs),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

bool IndexedWhole(const quorvel::CatalogIndex& index) {
  return !index.Damage && index.Disks.size() == kDisks && index.TotalThumbs() == kThumbs;
}

void BuildIndexOf(benchmark::State& state, const Bytes& stream) {
  if (!IndexedWhole(quorvel::BuildIndex(stream))) {
    state.SkipWithError("the synthetic catalogue does not index whole");
    return;
  }
  // The index's pages come fresh from the kernel whenever the allocator has returned the last
  // one's: that cost belongs to the rebuild, so it stays in the timing and is shown apart.
  const long faults_before = MinorPageFaults();
  for (auto _ : state) {
    quorvel::CatalogIndex index = quorvel::BuildIndex(stream);
    benchmark::DoNotOptimize(index.Disks.data());
  }
  state.counters["page_faults"] = benchmark::Counter(
      static_cast<double>(MinorPageFaults() - faults_before), benchmark::Counter::kAvgIterations);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
  state.counters["ns_per_thumb"] = TimePerThumb();
}

void BM_BuildIndex(benchmark::State& state) { BuildIndexOf(state, LargeCatalog()); }
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every thumbnail with its facts: what the index pays for reading them.
void BM_BuildIndexWithFacts(benchmark::State& state) { BuildIndexOf(state, CatalogWithFacts()); }
BENCHMARK(BM_BuildIndexWithFacts)->Unit(benchmark::kMillisecond)->UseRealTime();

// The catalogue written to a temporary file for the life of the process. The file is fresh in
// the page cache, so this is the load from memory, not from the disk.
class TempCatalogFile {
 public:
  TempCatalogFile()
      : path_(std::filesystem::temp_directory_path() /
              ("quorvel_bench_" + std::to_string(getpid()) + ".qrv")) {
    const Bytes& stream = LargeCatalog();
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(stream.data()),
              static_cast<std::streamsize>(stream.size()));
    ok_ = static_cast<bool>(out);
  }
  ~TempCatalogFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }
  bool ok() const { return ok_; }

 private:
  std::filesystem::path path_;
  bool ok_ = false;
};

const TempCatalogFile& CatalogFile() {
  static const TempCatalogFile file;
  return file;
}

// What opening the catalogue does: the file read by position through the index's window, its
// JPEG data passed over.
void BM_IndexOpenedFile(benchmark::State& state) {
  const TempCatalogFile& file = CatalogFile();
  if (!file.ok()) {
    state.SkipWithError("cannot write the temporary catalogue");
    return;
  }
  const quorvel::PieceList pieces(std::make_shared<const quorvel::OpenedCatalogFile>(file.path()));
  quorvel::CatalogIndex index;
  for (auto _ : state) {
    index = quorvel::BuildIndex(pieces);
    benchmark::DoNotOptimize(index.Disks.data());
  }
  if (!IndexedWhole(index)) state.SkipWithError("the catalogue file does not index whole");
  state.SetBytesProcessed(state.iterations() * pieces.Size());
  state.counters["ns_per_thumb"] = TimePerThumb();
}
BENCHMARK(BM_IndexOpenedFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same walk with nothing kept: disk count; per disk N, thumbnail count and record length;
// per thumbnail M and J. Returns a sum of the fields so the reads cannot be dropped, and where
// the walk ended.
std::int64_t WalkLengthFields(const Bytes& stream, std::int64_t* end) {
  const std::uint8_t* d = stream.data();
  const std::uint32_t disks = d[4] << 8 | d[5];
  std::int64_t pos = 6;
  std::int64_t sum = 0;
  for (std::uint32_t i = 0; i < disks; ++i) {
    const std::uint8_t n = d[pos + 1];
    const std::uint32_t thumbs = d[pos + 2] << 8 | d[pos + 3];
    const std::uint8_t* l = d + pos + 4 + n;
    const std::uint32_t length = std::uint32_t{l[0]} << 24 | l[1] << 16 | l[2] << 8 | l[3];
    std::int64_t p = pos + 8 + n;
    for (std::uint32_t j = 0; j < thumbs; ++j) {
      const std::uint8_t m = d[p + 1];
      const std::uint32_t jpeg = d[p + 2 + m] << 8 | d[p + 3 + m];
      sum += m + jpeg;
      p += 4 + m + jpeg;
    }
    sum += n + thumbs;
    pos += length;
  }
  *end = pos;
  return sum;
}

void BM_BaselineWalk(benchmark::State& state) {
  const Bytes& stream = LargeCatalog();
  for (auto _ : state) {
    std::int64_t end = 0;
    benchmark::DoNotOptimize(WalkLengthFields(stream, &end));
    if (end != static_cast<std::int64_t>(stream.size())) {
      state.SkipWithError("the walk did not end at the end of the stream");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
  state.counters["ns_per_thumb"] = TimePerThumb();
}
BENCHMARK(BM_BaselineWalk)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a built index keeps on the heap, per thumbnail, its copy of the image names included;
// the names' own bytes are shown beside it.
void IndexMemoryOf(benchmark::State& state, const Bytes& stream) {
  for (auto _ : state) {
    const std::int64_t before = quorvel::bench::HeapBytes();
    quorvel::CatalogIndex index = quorvel::BuildIndex(stream);
    const std::int64_t held = quorvel::bench::HeapBytes() - before;
    std::int64_t name_bytes = 0;
    for (const quorvel::CatInfo& disk : index.Disks) {
      for (const quorvel::Disc& thumb : disk.Thumbs) {
        name_bytes += static_cast<std::int64_t>(thumb.Name().size());
      }
    }
    const double thumbs = static_cast<double>(index.TotalThumbs());
    state.counters["heap_B_per_thumb"] = static_cast<double>(held) / thumbs;
    state.counters["name_B_per_thumb"] = static_cast<double>(name_bytes) / thumbs;
    state.counters["heap_MB"] = static_cast<double>(held) / 1e6;
  }
}

void BM_IndexMemory(benchmark::State& state) { IndexMemoryOf(state, LargeCatalog()); }
BENCHMARK(BM_IndexMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_IndexMemoryWithFacts(benchmark::State& state) { IndexMemoryOf(state, CatalogWithFacts()); }
BENCHMARK(BM_IndexMemoryWithFacts)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_LoadFile(benchmark::State& state) {
  const TempCatalogFile& file = CatalogFile();
  if (!file.ok()) {
    state.SkipWithError("cannot write the temporary catalogue");
    return;
  }
  std::int64_t size = 0;
  for (auto _ : state) {
    const Bytes bytes = quorvel::LoadFile(file.path());
    benchmark::DoNotOptimize(bytes.data());
    size = static_cast<std::int64_t>(bytes.size());
  }
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return quorvel::RatioReporter::RunAll(argc, argv,
                                        {{"BM_BuildIndex", "BM_BaselineWalk"},
                                         {"BM_IndexOpenedFile", "BM_BaselineWalk"},
                                         {"BM_BuildIndexWithFacts", "BM_BuildIndex"}});
}
