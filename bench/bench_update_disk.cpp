// Updating a disk whose folder has not changed against adding it the first time, in the process
// with the real pipeline: wall time, bytes the pipeline read, the heap's peak, and whether the
// update gave the same record. The update should cost the walk, a stat per file and the copy of
// the stored thumbnails: nothing read of the pictures.
//
// The folder holds 1,000 copies (under their own names) of the JPEG photographs of
// /usr/share/backgrounds between 200 KB and 3 MB, taken in turn. One warm-up pass reads them into
// the page cache, so that both runs read from memory and the difference is the work. A
// measurement: exits 0 whatever the figures, 1 when a step failed, 2 when there are no photographs.
//
// Run a Release or RelWithDebInfo build:  build/bench/bench_update_disk [--files=N] [--runs=N]

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "catalog/catalog_document.h"
#include "heap_counter.h"
#include "platform/path_text.h"
#include "process_timing.h"
#include "scan/add_disk.h"
#include "scan/scan_view.h"
#include "scan/thumbnail_pipeline.h"
#include "scan/update_disk.h"
#include "silent_scan_view.h"

namespace quorvel {
namespace {

constexpr qint64 kMinBytes = 200 * 1024;
constexpr qint64 kMaxBytes = 3 * 1024 * 1024;

// Copies the photographs in turn into `folder` until it holds `count`; their total size.
qint64 MakeFolder(const QString& folder, int count) {
  QStringList photos;
  QDirIterator it(QStringLiteral("/usr/share/backgrounds"), {QStringLiteral("*.jpg")}, QDir::Files,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QFileInfo info(it.next());
    if (info.size() >= kMinBytes && info.size() <= kMaxBytes) photos << info.filePath();
  }
  if (photos.isEmpty()) return -1;
  photos.sort();
  QDir().mkpath(folder);
  qint64 total = 0;
  for (int i = 0; i < count; ++i) {
    const QString& source = photos[i % photos.size()];
    const QString copy = folder + QStringLiteral("/photo_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
    if (!QFile::copy(source, copy)) return -1;
    total += QFileInfo(copy).size();
  }
  std::printf(
      "folder: %d copies of %lld photographs (200 KB to 3 MB) of /usr/share/backgrounds, "
      "%.1f MB\n",
      count, static_cast<long long>(photos.size()), total / 1e6);
  return total;
}

// Reads every file once, so that both runs find them in the page cache.
void Warm(const QString& folder) {
  for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files)) {
    QFile file(info.filePath());
    if (file.open(QIODevice::ReadOnly)) {
      while (!file.read(1 << 20).isEmpty()) {
      }
    }
  }
}

struct Run {
  double seconds = 0;
  std::int64_t bytes_read = 0;
  std::int64_t heap_peak = 0;
};

void Prepare(ScanState& state, const QString& folder) {
  state.ScanFolder = folder;
  state.DiskName = "DISK";
  state.ScanActive = true;
}

Bytes RecordOf(const CatalogDocument& document) {
  const CatInfo& disk = document.Index().Disks.at(0);
  return document.Current().bytes.Read(disk.RecordStart(), disk.RecordEnd - disk.RecordStart());
}

int Main(int files, int runs) {
  QTemporaryDir dir;
  if (!dir.isValid()) return 1;
  const QString folder = dir.filePath(QStringLiteral("DISK"));
  const qint64 total = MakeFolder(folder, files);
  if (total < 0) {
    std::printf("no JPEG photographs of 200 KB to 3 MB under /usr/share/backgrounds\n");
    return 2;
  }
  Warm(folder);
  CatalogDocument document;
  document.New(QStringToPath(dir.filePath(QStringLiteral("cat.qrv"))));
  document.Reload(true);
  bench::SilentScanView view;

  Run add;
  {
    ScanState state;
    Prepare(state, folder);
    ThumbnailPipeline thumbs;
    bench::ResetHeapPeak();
    const std::int64_t heap_before = bench::HeapBytes();
    const double start = Now();
    const AddDiskSummary summary = AddDisk(document, state, view, thumbs);
    add.seconds = Now() - start;
    add.bytes_read = thumbs.BytesRead();
    add.heap_peak = bench::HeapPeak() - heap_before;
    if (summary.added != files) {
      std::printf("the addition stored %d of %d files\n", summary.added, files);
      return 1;
    }
  }
  // The update reads the stored thumbnails from the file, as after opening a catalogue.
  document.Save();
  const Bytes added_record = RecordOf(document);

  std::vector<double> update_seconds;
  Run update;
  bool same = true;
  for (int round = 0; round < runs; ++round) {
    ScanState state;
    Prepare(state, folder);
    ThumbnailPipeline thumbs;
    bench::ResetHeapPeak();
    const std::int64_t heap_before = bench::HeapBytes();
    const double start = Now();
    const UpdatedDisk updated = UpdateDisk(document, 0, state, view, thumbs);
    update_seconds.push_back(Now() - start);
    update.bytes_read = thumbs.BytesRead();
    update.heap_peak = std::max(update.heap_peak, bench::HeapPeak() - heap_before);
    same = same && updated.counts.unchanged == files && RecordOf(document) == added_record;
  }
  update.seconds = Median(update_seconds);

  std::printf("%-28s %10s %14s %14s\n", "", "seconds", "bytes read", "heap peak MB");
  std::printf("%-28s %10.3f %14lld %14.1f\n", "first addition", add.seconds,
              static_cast<long long>(add.bytes_read), add.heap_peak / 1e6);
  std::printf("%-28s %10.3f %14lld %14.1f\n", "update, nothing changed", update.seconds,
              static_cast<long long>(update.bytes_read), update.heap_peak / 1e6);
  std::printf("update rounds (s):");
  for (const double seconds : update_seconds) std::printf(" %.3f", seconds);
  std::printf("\naddition / update: %.1f x; the update's record is the addition's: %s\n",
              add.seconds / update.seconds, same ? "yes" : "NO");
  return 0;
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) {
  int files = 1000;
  int runs = 3;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--files=", 8) == 0) files = std::max(1, std::atoi(argv[i] + 8));
    if (std::strncmp(argv[i], "--runs=", 7) == 0) runs = std::max(1, std::atoi(argv[i] + 7));
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  try {
    return quorvel::Main(files, runs);
  } catch (const std::exception& error) {
    std::printf("failed: %s\n", error.what());
    return 1;
  }
}
