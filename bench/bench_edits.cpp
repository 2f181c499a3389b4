// The user's edits of a large catalogue (207 MB: 200 disks x 1000 thumbnails of 1000 bytes), each
// timed as the program runs it: the edit making the new version (its pieces over the opened file
// and its index), then the document taking it into its history. Beside the time, the highest
// heap held during the edit, over the catalogue's size: the file stays on the disk, so a change
// costs about what it changes. Then Undo, and the atomic Save against one plain write of the
// bytes.
//
// Every file lives in a fresh folder under the system's temporary folder, so that the save and
// its peer write to the same file system.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "catalog/catalog_document.h"
#include "catalog/catalog_edits.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_index.h"
#include "catalog/catalog_merge.h"
#include "catalog/catalog_version.h"
#include "catalog/disk_record_writer.h"
#include "catalog/stream.h"
#include "heap_counter.h"

namespace {

namespace fs = std::filesystem;
using quorvel::Bytes;
using quorvel::CatalogDocument;

using quorvel::bench::HeapBytes;
using quorvel::bench::HeapPeak;
using quorvel::bench::ResetHeapPeak;

constexpr int kDisks = 200;
constexpr int kThumbsPerDisk = 1000;
constexpr int kImportDisks = 20;
constexpr int kJpegBytes = 1000;
// The disk every edit works on: in the middle, so that bytes lie on both sides of the change.
constexpr int kEditedDisk = kDisks / 2;
constexpr int kEditedThumb = kThumbsPerDisk / 2;
constexpr double kMB = 1e6;
// Iterations of each edit and undo. They cost what they change (microseconds) while every
// iteration opens the catalogue afresh outside the timing (the index build, a good part of a
// second), so the library's own choice, made from the timed part alone, would run for hours.
constexpr int kEditIterations = 10;

// A catalogue built through the program's own writer. Paths like "E:\Photos\2019\Trip\IMG_0001.jpg"
// (32 bytes); the JPEG stand-ins only begin with FF D8 and end with FF D9, which is all that an
// import checks inside them. Disk names are not in file order, so that removing a disk has
// to reorder the ones it keeps.
Bytes BuildCatalog(int disks, const char* disk_prefix) {
  Bytes jpeg(kJpegBytes, 0x55);
  jpeg[0] = 0xFF, jpeg[1] = 0xD8, jpeg[kJpegBytes - 2] = 0xFF, jpeg[kJpegBytes - 1] = 0xD9;
  Bytes stream;
  stream.reserve(6 + static_cast<std::size_t>(disks) *
                         (8 + 16 + kThumbsPerDisk * (4 + 32 + std::size_t{kJpegBytes})));
  char name[64];
  for (int i = 0; i < disks; ++i) {
    std::snprintf(name, sizeof name, "%s %03d", disk_prefix, (i * 37) % disks + 1);
    quorvel::DiskRecordHead head = quorvel::BeginDiskRecord(stream, name);
    for (int j = 0; j < kThumbsPerDisk; ++j) {
      std::snprintf(name, sizeof name, "E:\\Photos\\2019\\Trip\\IMG_%04d.jpg", j + 1);
      jpeg[2] = static_cast<std::uint8_t>(j);
      quorvel::AppendThumbnailRecord(stream, head, name, quorvel::ByteView(jpeg));
    }
    quorvel::FinishDiskRecord(stream, head);
  }
  return stream;
}

bool WriteAll(int fd, const Bytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Forced to the disk, so that no write-back of these files is left to slow the saves measured
// later.
void WriteWholeFile(const fs::path& path, const Bytes& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  if (fd >= 0 && ::close(fd) != 0) ok = false;
  if (!ok) throw std::runtime_error("cannot write " + path.string());
}

// The folder and its catalogues, for the life of the run. Holds no bytes itself, so that the
// heap seen during an edit is the document's and the edit's alone.
class BenchFiles {
 public:
  BenchFiles()
      : folder_(fs::temp_directory_path() / ("quorvel_bench_edits_" + std::to_string(getpid()))) {
    fs::create_directories(folder_);
    {
      const Bytes catalog = BuildCatalog(kDisks, "Disk");
      catalog_size_ = static_cast<std::int64_t>(catalog.size());
      WriteWholeFile(Catalog(), catalog);
      WriteWholeFile(SaveTarget(), catalog);
      WriteWholeFile(PeerReplaced(), catalog);
    }
    const Bytes other = BuildCatalog(kImportDisks, "Import");
    import_size_ = static_cast<std::int64_t>(other.size());
    WriteWholeFile(Import(), other);
  }
  ~BenchFiles() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  BenchFiles(const BenchFiles&) = delete;
  BenchFiles& operator=(const BenchFiles&) = delete;

  const fs::path& Folder() const { return folder_; }
  fs::path Catalog() const { return folder_ / "catalog.qrv"; }
  fs::path Import() const { return folder_ / "import.qrv"; }
  fs::path SaveTarget() const { return folder_ / "saved.qrv"; }
  fs::path PeerTarget() const { return folder_ / "peer.qrv"; }
  fs::path PeerReplaced() const { return folder_ / "peer_replaced.qrv"; }
  std::int64_t CatalogSize() const { return catalog_size_; }
  std::int64_t ImportSize() const { return import_size_; }

 private:
  fs::path folder_;
  std::int64_t catalog_size_ = 0;
  std::int64_t import_size_ = 0;
};

// One of the user's edits, run against the open document as the window's handler runs it.
struct Edit {
  const char* name;
  std::function<void(CatalogDocument&, const BenchFiles&)> apply;
  std::size_t disks_after;
  std::int64_t thumbs_after;
};

void RemoveOneDisk(CatalogDocument& document, const BenchFiles&) {
  const std::vector<quorvel::CatInfo>& disks = document.Index().Disks;
  std::vector<int> kept;
  kept.reserve(disks.size());
  for (int i = 0; i < static_cast<int>(disks.size()); ++i) {
    if (i != kEditedDisk) kept.push_back(i);
  }
  // The disks that stay are stored in name order.
  std::stable_sort(kept.begin(), kept.end(),
                   [&](int a, int b) { return disks[a].Name < disks[b].Name; });
  document.ApplyChange(quorvel::CopyDisks(document.Current(), kept),
                       quorvel::RemoveDisksEdit(document.Index(), {kEditedDisk}));
}

void RenameOneDisk(CatalogDocument& document, const BenchFiles&) {
  constexpr char kName[] = "Holiday photographs, second disk";
  document.ApplyChange(quorvel::RenameDisk(document.Current(), kEditedDisk, kName),
                       quorvel::RenameDiskEdit(document.Index(), kEditedDisk, kName));
}

void RemoveOneThumb(CatalogDocument& document, const BenchFiles&) {
  const quorvel::ThumbRef removed[] = {{kEditedDisk, kEditedThumb}};
  document.ApplyChange(quorvel::RemoveThumbs(document.Current(), removed),
                       quorvel::RemoveThumbsEdit(document.Index(), removed));
}

// The file is opened and indexed before the catalogue is touched, and stays held by the change,
// as the window's import does.
void ImportOther(CatalogDocument& document, const BenchFiles& files) {
  if (!quorvel::IsCatalogFile(files.Import())) throw std::runtime_error("not a catalogue");
  const auto other =
      std::make_shared<const quorvel::CatalogVersion>(quorvel::VersionOfFile(files.Import()));
  quorvel::CatalogVersion merged = quorvel::ImportCatalog(document.Current(), *other);
  if (merged.bytes.Size() == document.Current().bytes.Size()) {
    throw std::runtime_error("nothing imported");
  }
  document.ApplyChange(std::move(merged), quorvel::AddDisksEdit(other));
}

std::vector<Edit> Edits() {
  constexpr std::int64_t kThumbs = std::int64_t{kDisks} * kThumbsPerDisk;
  return {
      {"RemoveDisk", RemoveOneDisk, kDisks - 1, kThumbs - kThumbsPerDisk},
      {"RenameDisk", RenameOneDisk, kDisks, kThumbs},
      {"RemoveThumb", RemoveOneThumb, kDisks, kThumbs - 1},
      {"ImportCatalog", ImportOther, kDisks + kImportDisks,
       kThumbs + std::int64_t{kImportDisks} * kThumbsPerDisk},
  };
}

// A document as the program holds one after opening the catalogue.
bool OpenCatalog(CatalogDocument& document, const fs::path& path, benchmark::State& state) {
  document.UseFile(path);
  const quorvel::ReloadOutcome outcome = document.Reload(true);
  if (!outcome.read_file || document.Index().Damage || document.CanUndo()) {
    state.SkipWithError("cannot open the catalogue");
    return false;
  }
  return true;
}

bool HoldsWhole(const CatalogDocument& document, std::size_t disks, std::int64_t thumbs) {
  const quorvel::CatalogIndex& index = document.Index();
  return !index.Damage && index.Disks.size() == disks && index.TotalThumbs() == thumbs;
}

void SetMemoryCounters(benchmark::State& state, std::int64_t peak, std::int64_t before,
                       std::int64_t catalog_size, std::int64_t result_size) {
  const double size = static_cast<double>(catalog_size);
  state.counters["peak_x"] = static_cast<double>(peak) / size;
  state.counters["peak_x_result"] = static_cast<double>(peak) / static_cast<double>(result_size);
  state.counters["before_x"] = static_cast<double>(before) / size;
  state.counters["peak_MB"] = static_cast<double>(peak) / kMB;
  state.counters["result_MB"] = static_cast<double>(result_size) / kMB;
}

// A change of another disk, so that the edit starts from a version of pieces, not the file as
// one range, as it does from the second change of a session on.
void ChangeFirstDisk(CatalogDocument& document) {
  constexpr char kName[] = "First disk, renamed";
  document.ApplyChange(quorvel::RenameDisk(document.Current(), 0, kName),
                       quorvel::RenameDiskEdit(document.Index(), 0, kName));
}

// Where an edit starts: the catalogue as opened, or after one earlier change.
enum class Start { kOpened, kChanged };

// Each iteration opens the catalogue in a fresh document outside the timing (a reused one could
// keep buffers of the last iteration), brings it to `start`, then makes and undoes the same edit
// `undone_first` times, as a user who tries it again: the version undone waits for the redo
// until the timed change drops it.
void BM_Edit(benchmark::State& state, const BenchFiles& files, const Edit& edit, Start start,
             int undone_first) {
  std::optional<CatalogDocument> document;
  std::int64_t size = 0;
  std::int64_t peak = 0;
  std::int64_t before = 0;
  std::int64_t result_size = 0;
  for (auto _ : state) {
    state.PauseTiming();
    document.emplace();
    if (!OpenCatalog(*document, files.Catalog(), state)) break;
    if (start == Start::kChanged) ChangeFirstDisk(*document);
    for (int k = 0; k < undone_first; ++k) {
      edit.apply(*document, files);
      document->Undo();
    }
    size = document->Current().bytes.Size();
    state.ResumeTiming();
    before = HeapBytes();
    ResetHeapPeak();
    edit.apply(*document, files);
    peak = std::max(peak, HeapPeak());
    state.PauseTiming();
    result_size = document->Current().bytes.Size();
    if (!HoldsWhole(*document, edit.disks_after, edit.thumbs_after)) {
      state.SkipWithError("the edit did not give the expected catalogue");
      break;
    }
    state.ResumeTiming();
  }
  SetMemoryCounters(state, peak, before, size, result_size);
}

// Undo after each edit made to the catalogue as opened: the history holds the version before, so
// going back to it costs nothing of the catalogue's size.
void BM_Undo(benchmark::State& state, const BenchFiles& files, const Edit& edit) {
  std::optional<CatalogDocument> document;
  std::int64_t size = 0;
  std::int64_t peak = 0;
  std::int64_t before = 0;
  for (auto _ : state) {
    state.PauseTiming();
    document.emplace();
    if (!OpenCatalog(*document, files.Catalog(), state)) break;
    size = document->Current().bytes.Size();
    edit.apply(*document, files);
    state.ResumeTiming();
    before = HeapBytes();
    ResetHeapPeak();
    document->Undo();
    peak = std::max(peak, HeapPeak());
    state.PauseTiming();
    if (!HoldsWhole(*document, kDisks, std::int64_t{kDisks} * kThumbsPerDisk) ||
        document->CanUndo() || !document->CanRedo()) {
      state.SkipWithError("undo did not bring the catalogue back");
      break;
    }
    state.ResumeTiming();
  }
  SetMemoryCounters(state, peak, before, size, size);
}

void BM_Save(benchmark::State& state, const BenchFiles& files) {
  CatalogDocument document;
  if (!OpenCatalog(document, files.SaveTarget(), state)) return;
  for (auto _ : state) {
    try {
      document.Save();
    } catch (const quorvel::CatalogError& error) {
      state.SkipWithError(error.what());
      break;
    }
  }
  std::error_code ec;
  if (static_cast<std::int64_t>(fs::file_size(files.SaveTarget(), ec)) != files.CatalogSize()) {
    state.SkipWithError("the saved file does not hold the catalogue");
  }
  state.SetBytesProcessed(state.iterations() * files.CatalogSize());
}

enum class PeerWrite {
  kNoSync,      // into the page cache only
  kSync,        // and forced to the disk
  kSyncRename,  // and renamed over the file of the last run, as a save replaces the catalogue
};

// The least a save could cost: the same bytes to a new file in the same folder with one write
// call. A page-cache-only write still has to reach the disk later; that flush runs outside the
// timing so it cannot slow whatever is measured next.
void BM_PlainWrite(benchmark::State& state, const BenchFiles& files, PeerWrite mode) {
  const Bytes bytes = quorvel::LoadFile(files.Catalog());
  const std::string path = files.PeerTarget().string();
  const std::string replaced = files.PeerReplaced().string();
  std::error_code ec;
  fs::remove(path, ec);
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    bool ok = fd >= 0 && WriteAll(fd, bytes);
    if (ok && mode != PeerWrite::kNoSync) ok = ::fsync(fd) == 0;
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    if (ok && mode == PeerWrite::kSyncRename) ok = ::rename(path.c_str(), replaced.c_str()) == 0;
    state.PauseTiming();
    if (mode == PeerWrite::kNoSync) {
      const int flush = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (flush >= 0) {
        ::fsync(flush);
        ::close(flush);
      }
    }
    fs::remove(path, ec);
    if (!ok) {
      state.SkipWithError("cannot write the file");
      break;
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The usual console output, then a summary over the repetitions: the median time of each case,
// the highest peak any repetition saw, and the save's time over its peers'.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      Samples& samples = samples_[run.run_name.function_name];
      samples.seconds.push_back(run.real_accumulated_time / static_cast<double>(run.iterations));
      const auto peak = run.counters.find("peak_x");
      if (peak != run.counters.end()) {
        samples.peak_x = std::max(samples.peak_x, peak->second.value);
        samples.peak_x_result =
            std::max(samples.peak_x_result, run.counters.at("peak_x_result").value);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    char line[200];
    out << "\nmedian time and highest peak over the repetitions (n of them):\n";
    std::map<std::string, double> medians;
    for (const auto& [name, samples] : samples_) {
      medians[name] = Median(samples.seconds);
      if (samples.peak_x > 0) {
        std::snprintf(line, sizeof line,
                      "%-40s n=%-3zu %9.3f ms   peak %.3f x catalogue (%.3f x result)\n",
                      name.c_str(), samples.seconds.size(), medians[name] * 1e3, samples.peak_x,
                      samples.peak_x_result);
      } else {
        std::snprintf(line, sizeof line, "%-40s n=%-3zu %9.3f ms\n", name.c_str(),
                      samples.seconds.size(), medians[name] * 1e3);
      }
      out << line;
    }
    const auto save = medians.find("Save");
    if (save == medians.end()) return;
    for (const char* peer :
         {"PlainWrite/fsync", "PlainWrite/no_fsync", "PlainWrite/fsync_rename"}) {
      const auto it = medians.find(peer);
      if (it == medians.end()) continue;
      std::snprintf(line, sizeof line, "Save / %s: %.3f\n", peer, save->second / it->second);
      out << line;
    }
  }

 private:
  struct Samples {
    std::vector<double> seconds;  // per iteration, one entry a repetition
    double peak_x = 0;
    double peak_x_result = 0;
  };
  std::map<std::string, Samples> samples_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const BenchFiles files;
  benchmark::AddCustomContext("folder", files.Folder().string());
  benchmark::AddCustomContext("catalogue_bytes", std::to_string(files.CatalogSize()));
  benchmark::AddCustomContext("import_bytes", std::to_string(files.ImportSize()));

  const std::vector<Edit> edits = Edits();
  for (const Edit& edit : edits) {
    for (const auto& [suffix, start] :
         {std::pair{"/opened", Start::kOpened}, std::pair{"/after_change", Start::kChanged}}) {
      benchmark::RegisterBenchmark((edit.name + std::string(suffix)).c_str(), BM_Edit,
                                   std::cref(files), std::cref(edit), start, 0)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->Iterations(kEditIterations);
    }
  }
  // An import tried again after undoing it, the undone versions held until the change drops them.
  for (const int undone : {1, 2}) {
    benchmark::RegisterBenchmark(
        ("ImportCatalog/opened_undone_imports:" + std::to_string(undone)).c_str(), BM_Edit,
        std::cref(files), std::cref(edits.back()), Start::kOpened, undone)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(kEditIterations);
  }
  for (const Edit& edit : edits) {
    benchmark::RegisterBenchmark((std::string("Undo/after_") + edit.name).c_str(), BM_Undo,
                                 std::cref(files), std::cref(edit))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(kEditIterations);
  }
  // A save's time swings with the disk and with the page cache's supply of fresh pages: one per
  // repetition, and many repetitions, interleaved with the peers'
  // (--benchmark_enable_random_interleaving) so that a slow spell does not fall on one side.
  benchmark::RegisterBenchmark("Save", BM_Save, std::cref(files))
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(1);
  for (const auto& [name, mode] : {std::pair{"PlainWrite/fsync", PeerWrite::kSync},
                                   std::pair{"PlainWrite/no_fsync", PeerWrite::kNoSync},
                                   std::pair{"PlainWrite/fsync_rename", PeerWrite::kSyncRename}}) {
    benchmark::RegisterBenchmark(name, BM_PlainWrite, std::cref(files), mode)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1);
  }

  SummaryReporter reporter(isatty(STDOUT_FILENO) ? SummaryReporter::OO_ColorTabular
                                                 : SummaryReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
