// What a scan reads and how long it takes on a slow disc, over camera-like photographs made by
// make_camera_corpus.sh beside this file: 12 with an EXIF thumbnail (embedded/), 4 without
// (plain/), and 168 hard links to the first kind (copies/). Four measurements:
//  a. bytes read by the thumbnail pipeline's reader from each share, counted at the medium;
//  b. wall time of `qrvtool add copies/` against the same with --no-embedded, alternating runs
//     after a warm-up of each, with the bytes each run read (rchar);
//  c. a simulated 52x CD (7.8 MB/s, 100 ms for every file opened and every seek, one head for
//     all threads, 2 MB read ahead along a file by the drive) under four ways of getting the
//     thumbnails of 8 + 4 pictures: (i) the earlier design, one worker per core each reading a
//     whole file in 256 KB pieces and decoding it, so that reads of different files alternate and
//     seek; (ii) reading each file once in order, without decoding; (iii) the pipeline with
//     embedded previews; (iv) without; with the time each took after the medium's last move
//     (decoding what was read last);
//  d. the PSNR of the thumbnails made from previews against the full decode of the same
//     pictures, over the picture's part of the square.
// A measurement: exits 0 whatever the figures, 1 when something could not run, 2 when the
// corpus cannot be made.
//
// Run a Release build:  build-rel/bench/bench_disc_scan [--corpus=DIR] [--runs=N]
//                       [--medium-runs=N] [--qrvtool=PATH]
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "catalog/format.h"
#include "process_timing.h"
#include "scan/byte_source.h"
#include "scan/embedded_preview.h"
#include "scan/thumbnail_pipeline.h"
#include "scan/thumbnail_renderer.h"
#include "simulated_medium.h"

namespace quorvel {
namespace {

using std::chrono::milliseconds;

constexpr double kMaxEmbeddedReadShare = 1.0 / 20;
constexpr double kMaxEmbeddedTimeShare = 1.0 / 10;
constexpr double kMinSpeedUpOnDisc = 15;
constexpr double kMinPsnrDb = 26;
// A 52x CD.
constexpr double kDiscBytesPerSecond = 7.8e6;
constexpr milliseconds kDiscSeek{100};
// How the earlier design read: whole files in pieces of this size, one file per worker.
constexpr std::int64_t kEarlierPiece = 256 * 1024;
// Pictures of each share on the simulated disc.
constexpr int kDiscEmbedded = 8;
constexpr int kDiscPlain = 4;

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }
const char* Verdict(bool pass) { return pass ? "PASS" : "FAIL"; }
double Mb(double bytes) { return bytes / 1e6; }

struct Corpus {
  QStringList embedded, plain, copies;
};

qint64 TotalSize(const QStringList& files) {
  qint64 total = 0;
  for (const QString& file : files) total += QFileInfo(file).size();
  return total;
}

// Makes the corpus in `folder` (the script reuses a complete one) and lists it.
bool MakeCorpus(const QString& folder, Corpus* corpus) {
  if (!MakeCorpusWith(CORPUS_SCRIPT, folder.toStdString())) return false;
  const auto list = [&folder](const char* share) {
    const QDir dir(QDir(folder).filePath(QString::fromLatin1(share)));
    QStringList files;
    for (const QString& name : dir.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
      files << dir.filePath(name);
    return files;
  };
  *corpus = {list("embedded"), list("plain"), list("copies")};
  return !corpus->embedded.isEmpty() && !corpus->plain.isEmpty() && !corpus->copies.isEmpty();
}

void PrintCorpus(const QString& folder, const Corpus& corpus) {
  std::printf("corpus %s:\n", qPrintable(folder));
  const auto share = [](const char* name, const QStringList& files) {
    std::printf("  %-9s %3lld files, %7.1f MB:", name, static_cast<long long>(files.size()),
                Mb(TotalSize(files)));
    if (files.size() <= 16) {
      for (const QString& file : files) {
        const QSize size = QImageReader(file).size();
        std::printf(" %dx%d/%.1f", size.width(), size.height(), Mb(QFileInfo(file).size()));
      }
    }
    std::printf("\n");
  };
  share("embedded/", corpus.embedded);
  share("plain/", corpus.plain);
  share("copies/", corpus.copies);
}

// The thumbnails of `files` taken as the capture takes them: the whole list read ahead, then
// each file shown and waited for.
struct PipelineRun {
  double seconds = 0;
  int failed = 0;
  std::int64_t bytes_read = 0;  // as the pipeline counts them
  QHash<QString, QImage> thumbnails;
};

PipelineRun ScanWithPipeline(const QStringList& files, std::shared_ptr<FileAccess> medium,
                             bool use_previews) {
  ThumbnailPipeline thumbs;
  thumbs.SetFileAccess(std::move(medium));
  thumbs.SetUseEmbeddedPreviews(use_previews);
  PipelineRun run;
  const double start = Now();
  thumbs.ReadAhead(files);
  for (const QString& path : files) {
    if (!thumbs.ShowFile(path)) {
      ++run.failed;
      continue;
    }
    thumbs.WaitForResult(std::nullopt);
    const ThumbnailResult result = thumbs.Result();
    if (result.status != ThumbnailResult::Status::kReady) {
      ++run.failed;
    } else {
      run.thumbnails.insert(path, result.thumbnail);
    }
  }
  thumbs.StopReading();
  run.seconds = Now() - start;
  run.bytes_read = thumbs.BytesRead();
  return run;
}

// The earlier design: every core's worker takes the next file, reads it whole, and decodes it.
double ReadWholeInParallel(const QStringList& files, FileAccess& medium, int* failed) {
  std::atomic<int> next{0}, failures{0};
  const double start = Now();
  {
    std::vector<std::jthread> workers;
    for (int n = std::max(1, QThread::idealThreadCount()); n > 0; --n) {
      workers.emplace_back([&] {
        for (int i = next++; i < files.size(); i = next++) {
          QString error;
          std::unique_ptr<OpenedFile> file = medium.Open(files[i], &error);
          std::vector<std::uint8_t> bytes;
          for (std::int64_t got = 1; file && got > 0;) {
            const std::size_t had = bytes.size();
            bytes.resize(had + kEarlierPiece);
            got = file->Read(bytes.data() + had, kEarlierPiece, &error);
            bytes.resize(had + std::max<std::int64_t>(got, 0));
          }
          MemoryByteSource source(std::move(bytes));
          if (DecodeFittedPicture(source, files[i], kThumbSide, &error).isNull()) ++failures;
        }
      });
    }
  }
  *failed = failures;
  return Now() - start;
}

// Each file read once, front to back, one after the other, nothing decoded.
double ReadOnceInOrder(const QStringList& files, FileAccess& medium) {
  std::vector<std::uint8_t> piece(kEarlierPiece);
  const double start = Now();
  for (const QString& path : files) {
    QString error;
    std::unique_ptr<OpenedFile> file = medium.Open(path, &error);
    while (file && file->Read(piece.data(), kEarlierPiece, &error) > 0) continue;
  }
  return Now() - start;
}

// Whether the program's own rules take the EXIF thumbnail of `path` for its picture, judged
// from the file's head as the reader judges it.
bool HasUsablePreview(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  QByteArray head = file.read(static_cast<qint64>(kPreviewHeadBytes));
  const auto bytes = [&head] {
    return std::span(reinterpret_cast<const std::uint8_t*>(head.constData()),
                     static_cast<std::size_t>(head.size()));
  };
  const std::size_t length = PreviewHeadLength(bytes());
  if (length > static_cast<std::size_t>(head.size())) {
    head += file.read(static_cast<qint64>(length) - head.size());
  }
  return FindUsablePreview(bytes()).has_value();
}

// Bytes read from some files of a run, counted at a medium without any delay.
struct ShareBytes {
  qint64 file_bytes = 0, read_bytes = 0;
  int files = 0, read_once = 0, partly = 0;
};

ShareBytes Tally(const QStringList& files,
                 const QHash<QString, SimulatedMedium::FileCount>& counts) {
  ShareBytes share;
  share.files = static_cast<int>(files.size());
  for (const QString& file : files) {
    const qint64 size = QFileInfo(file).size();
    const SimulatedMedium::FileCount count = counts.value(file);
    share.file_bytes += size;
    share.read_bytes += count.bytes;
    if (count.opened == 1 && count.bytes == size) ++share.read_once;
    if (count.bytes < size) ++share.partly;
  }
  return share;
}

double ReadShare(const ShareBytes& share) {
  return share.file_bytes > 0 ? static_cast<double>(share.read_bytes) / share.file_bytes : 0;
}

void PrintShare(const char* label, const ShareBytes& share) {
  std::printf("%-34s %5d %9.2f %9.3f %9.4f %5d %6d\n", label, share.files, Mb(share.file_bytes),
              Mb(share.read_bytes), ReadShare(share), share.read_once, share.partly);
}

// Runs a. and returns the thumbnails of embedded/ that were made from previews, for d.
QHash<QString, QImage> MeasureBytes(const Corpus& corpus, bool* ok) {
  std::printf(
      "\na. bytes read by the pipeline's reader (counted at the medium; MB = 10^6 bytes)\n");
  QStringList usable, unusable;
  for (const QString& file : corpus.embedded) (HasUsablePreview(file) ? usable : unusable) << file;
  std::printf("  embedded/ pictures whose EXIF thumbnail the rules take: %lld of %lld",
              static_cast<long long>(usable.size()),
              static_cast<long long>(corpus.embedded.size()));
  for (const QString& file : unusable)
    std::printf("; not: %s", qPrintable(QFileInfo(file).fileName()));
  std::printf("\n%-34s %5s %9s %9s %9s %5s %6s\n", "", "files", "file MB", "read MB", "read/size",
              "once", "partly");
  QHash<QString, QImage> from_previews;
  bool all_rendered = true, read_any = true;
  ShareBytes with_usable, plain, off;
  for (const bool previews : {true, false}) {
    for (const QStringList* files : {&corpus.embedded, &corpus.plain}) {
      if (!previews && files == &corpus.plain) continue;
      const auto counter = std::make_shared<SimulatedMedium>(0, milliseconds(0));
      const PipelineRun run = ScanWithPipeline(*files, counter, previews);
      const QHash<QString, SimulatedMedium::FileCount> counts = counter->Counts();
      const ShareBytes all = Tally(*files, counts);
      all_rendered = all_rendered && run.failed == 0;
      read_any = read_any && all.read_bytes > 0;
      std::printf("%s, previews %s: %d failed, BytesRead %.3f MB\n",
                  files == &corpus.plain ? "plain/" : "embedded/", previews ? "on" : "off",
                  run.failed, Mb(run.bytes_read));
      if (files == &corpus.plain) {
        plain = all;
        PrintShare("  all", all);
      } else if (previews) {
        with_usable = Tally(usable, counts);
        PrintShare("  all", all);
        PrintShare("  EXIF thumbnail usable", with_usable);
        PrintShare("  EXIF thumbnail not usable", Tally(unusable, counts));
        for (const QString& file : usable) {
          if (counts.value(file).bytes < QFileInfo(file).size()) {
            from_previews.insert(file, run.thumbnails.value(file));
          }
        }
      } else {
        off = all;
        PrintShare("  all", all);
      }
    }
  }
  const double share = ReadShare(with_usable);
  std::printf("  usable EXIF thumbnail: read/size 1/%.0f   (target <= 1/%.0f)   %s\n",
              share > 0 ? 1 / share : 0.0, 1 / kMaxEmbeddedReadShare,
              Verdict(all_rendered && read_any && share <= kMaxEmbeddedReadShare));
  std::printf("  plain/ each file read once: %d of %d   %s\n", plain.read_once, plain.files,
              Verdict(all_rendered && plain.read_once == plain.files));
  std::printf("  embedded/ with previews off, each file read once: %d of %d   %s\n", off.read_once,
              off.files, Verdict(all_rendered && off.read_once == off.files));
  if (!read_any) {
    std::printf("  the pipeline read nothing through the medium it was given\n");
    *ok = false;
  }
  return from_previews;
}

// PSNR over RGB of `image` against `reference`, both 100 x 100, inside `region`.
double RegionPsnr(const QImage& image, const QImage& reference, const QRect& region) {
  const QImage a = image.convertToFormat(QImage::Format_RGB888);
  const QImage b = reference.convertToFormat(QImage::Format_RGB888);
  double squared = 0;
  for (int y = region.top(); y <= region.bottom(); ++y) {
    const std::uint8_t* pa = a.constScanLine(y) + region.left() * 3;
    const std::uint8_t* pb = b.constScanLine(y) + region.left() * 3;
    for (int i = 0; i < region.width() * 3; ++i) squared += (pa[i] - pb[i]) * (pa[i] - pb[i]);
  }
  const double mse = squared / (3.0 * region.width() * region.height());
  return mse == 0 ? std::numeric_limits<double>::infinity() : 10 * std::log10(255.0 * 255.0 / mse);
}

// The part of the square that the picture covers, upright, placed as CentreOnWhite places it.
QRect PicturePart(const QString& path) {
  QImageReader reader(path);
  QSize size = reader.size();
  if (reader.transformation() & QImageIOHandler::TransformationRotate90) size.transpose();
  const QSize fitted = FittedSize(size, kThumbSide);
  return QRect(QPoint((kThumbSide - fitted.width()) / 2, (kThumbSide - fitted.height()) / 2),
               fitted);
}

void MeasureQuality(const QStringList& files, const QHash<QString, QImage>& thumbnails) {
  std::printf("\nd. thumbnails from previews against the full decode (RenderThumbnail)\n");
  std::vector<double> scores;
  double worst = std::numeric_limits<double>::infinity();
  QString worst_file;
  for (const QString& file : files) {
    const QImage ours = thumbnails.value(file);
    QString error;
    const QImage full = RenderThumbnail(file, &error);
    if (ours.isNull()) continue;
    if (full.isNull()) {
      std::printf("  %s: the full decode failed: %s\n", qPrintable(file), qPrintable(error));
      continue;
    }
    const QRect part = PicturePart(file);
    const double psnr = RegionPsnr(ours, full, part);
    std::printf("  %-14s %4dx%-3d %6.2f dB\n", qPrintable(QFileInfo(file).fileName()), part.width(),
                part.height(), psnr);
    scores.push_back(psnr);
    if (psnr < worst) {
      worst = psnr;
      worst_file = QFileInfo(file).fileName();
    }
  }
  std::printf("  made from previews: %zu of %lld\n", scores.size(),
              static_cast<long long>(files.size()));
  if (scores.empty()) return;
  std::printf("  PSNR min %.2f dB (%s), median %.2f dB   (target >= %.0f)   %s\n", worst,
              qPrintable(worst_file), Median(scores), kMinPsnrDb, Verdict(worst >= kMinPsnrDb));
}

struct AddRun {
  bool ok = false;
  double wall = -1;
  ChildUsage usage;
  long long found = -1, added = -1;
  QString error;
};

AddRun RunAdd(const std::string& qrvtool, const QString& folder, const QString& scratch,
              bool no_embedded) {
  AddRun run;
  const QString catalog = scratch + QStringLiteral(".qrv");
  const QString out = scratch + QStringLiteral(".out"), err = scratch + QStringLiteral(".err");
  QFile::remove(catalog);
  std::vector<std::string> argv = {qrvtool, "add", Local(catalog), Local(folder), "copies"};
  if (no_embedded) argv.push_back("--no-embedded");
  const double start = Now();
  const pid_t pid = Start(argv, Local(out), Local(err));
  if (pid == 0) {
    run.error = QStringLiteral("could not start %1").arg(QString::fromStdString(qrvtool));
    return run;
  }
  run.ok = Wait(pid, &run.usage);
  run.wall = Now() - start;
  const AddCounts counts = ReadAddCounts(Local(out));
  run.found = counts.found;
  run.added = counts.added;
  if (!run.ok) run.error = QString::fromStdString(TailOf(Local(err), 600));
  return run;
}

bool MeasureQrvtool(const std::string& qrvtool, const Corpus& corpus, const QString& folder,
                    int runs) {
  const QString copies = QDir(folder).filePath(QStringLiteral("copies"));
  const QString scratch = QDir(QDir::tempPath()).filePath(QStringLiteral("bench_disc_scan_add"));
  std::printf("\nb. %s add copies/ (%lld files, %.1f MB), 1 warm-up + %d alternating runs each\n",
              qrvtool.c_str(), static_cast<long long>(corpus.copies.size()),
              Mb(TotalSize(corpus.copies)), runs);
  std::vector<double> wall[2], cpu[2], read[2];
  AddRun last[2];
  for (int round = 0; round <= runs; ++round) {
    for (int off = 0; off < 2; ++off) {
      last[off] = RunAdd(qrvtool, copies, scratch, off == 1);
      if (!last[off].ok) {
        std::printf("  qrvtool add%s failed: %s\n", off == 1 ? " --no-embedded" : "",
                    qPrintable(last[off].error));
        return false;
      }
      if (round == 0) continue;
      wall[off].push_back(last[off].wall);
      cpu[off].push_back(last[off].usage.cpu);
      read[off].push_back(static_cast<double>(last[off].usage.rchar));
    }
  }
  for (const char* suffix : {".qrv", ".out", ".err"}) QFile::remove(scratch + suffix);
  std::printf("%-28s %8s %8s %10s %7s %7s   %s\n", "", "wall s", "cpu s", "rchar MB", "found",
              "added", "wall of each run");
  for (int off = 0; off < 2; ++off) {
    std::printf("%-28s %8.3f %8.3f %10.2f %7lld %7lld  ",
                off == 0 ? "qrvtool add" : "qrvtool add --no-embedded", Median(wall[off]),
                Median(cpu[off]), Mb(Median(read[off])), last[off].found, last[off].added);
    for (const double time : wall[off]) std::printf(" %.3f", time);
    std::printf("\n");
  }
  const double ratio = Median(wall[0]) / Median(wall[1]);
  std::printf("  wall with previews / without: %.4f = 1/%.1f   (target <= 1/%.0f)   %s\n", ratio,
              1 / ratio, 1 / kMaxEmbeddedTimeShare,
              Verdict(last[0].added == corpus.copies.size() && ratio <= kMaxEmbeddedTimeShare));
  return true;
}

// c. on the simulated disc: each way timed on a fresh medium, medians over the rounds. The
// whole disc, then its two shares on their own.
bool MeasureDisc(const Corpus& corpus, int rounds) {
  const QStringList embedded = corpus.embedded.mid(0, kDiscEmbedded);
  const QStringList plain = corpus.plain.mid(0, kDiscPlain);
  const QStringList disc = embedded + plain;
  std::printf(
      "\nc. simulated disc: %.1f MB/s, %lld ms per file opened and per seek, one head, %.0f MB "
      "drive buffer; %lld files with an EXIF thumbnail (%.1f MB) + %lld without (%.1f MB); %d "
      "worker threads; %d round(s)\n",
      Mb(kDiscBytesPerSecond), static_cast<long long>(kDiscSeek.count()),
      SimulatedMedium::kDriveBufferBytes / (1024 * 1024), static_cast<long long>(embedded.size()),
      Mb(TotalSize(embedded)), static_cast<long long>(plain.size()), Mb(TotalSize(plain)),
      QThread::idealThreadCount(), rounds);
  enum Kind { kEarlier, kOnce, kPreviews, kNoPreviews };
  struct Way {
    const char* label;
    const QStringList& files;
    Kind kind;
    std::vector<double> seconds = {};
    std::vector<double> after = {};  // from the medium's last move to the end
    double read_mb = 0;
    int seeks = 0, failed = 0;
  };
  Way ways[] = {{"all   (i)   earlier: whole files", disc, kEarlier},
                {"all   (ii)  each file once", disc, kOnce},
                {"all   (iii) pipeline, previews on", disc, kPreviews},
                {"all   (iv)  pipeline, previews off", disc, kNoPreviews},
                {"embedded/ (i)", embedded, kEarlier},
                {"embedded/ (ii)", embedded, kOnce},
                {"embedded/ (iii)", embedded, kPreviews},
                {"plain/ (ii)", plain, kOnce},
                {"plain/ (iii)", plain, kPreviews},
                {"plain/ (iv)", plain, kNoPreviews}};
  bool ok = true;
  for (int round = 0; round < rounds; ++round) {
    for (Way& way : ways) {
      const auto medium = std::make_shared<SimulatedMedium>(kDiscBytesPerSecond, kDiscSeek);
      double seconds = 0;
      if (way.kind == kEarlier) {
        seconds = ReadWholeInParallel(way.files, *medium, &way.failed);
      } else if (way.kind == kOnce) {
        seconds = ReadOnceInOrder(way.files, *medium);
      } else {
        const PipelineRun run = ScanWithPipeline(way.files, medium, way.kind == kPreviews);
        seconds = run.seconds;
        way.failed = run.failed;
      }
      way.seconds.push_back(seconds);
      way.after.push_back(Now() - medium->BusyUntil());
      double bytes = 0;
      for (const SimulatedMedium::FileCount& count : medium->Counts()) bytes += count.bytes;
      way.read_mb = Mb(bytes);
      way.seeks = medium->Seeks();
      if (way.kind != kEarlier && way.kind != kOnce && bytes == 0) ok = false;
    }
  }
  std::printf("%-36s %9s %9s %6s %6s %9s   %s\n", "", "seconds", "read MB", "seeks", "failed",
              "after ms", "seconds of each round");
  for (const Way& way : ways) {
    std::printf("%-36s %9.3f %9.2f %6d %6d %9.1f  ", way.label, Median(way.seconds), way.read_mb,
                way.seeks, way.failed, Median(way.after) * 1000);
    for (const double time : way.seconds) std::printf(" %.3f", time);
    std::printf("\n");
  }
  if (!ok) {
    std::printf("  the pipeline read nothing through the medium it was given: no verdicts\n");
    return false;
  }
  const auto m = [&ways](int i) { return Median(ways[i].seconds); };
  // Never slower than reading alone: the figure, and by how many milliseconds.
  const auto not_slower = [&m](const char* label, int way, int reading) {
    std::printf("  %-22s %7.3f   (target <= 1)    %s   %+.0f ms\n", label, m(way) / m(reading),
                Verdict(m(way) <= m(reading)), (m(way) - m(reading)) * 1000);
  };
  std::printf("  all (i) / (iii)        %7.2f   (target >= %.0f)   %s\n", m(0) / m(2),
              kMinSpeedUpOnDisc, Verdict(m(0) / m(2) >= kMinSpeedUpOnDisc));
  not_slower("all (iii) / (ii)", 2, 1);
  not_slower("all (iv) / (ii)", 3, 1);
  std::printf("  embedded/ (i) / (iii)  %7.2f\n", m(4) / m(6));
  not_slower("embedded/ (iii) / (ii)", 6, 5);
  not_slower("plain/ (iii) / (ii)", 8, 7);
  not_slower("plain/ (iv) / (ii)", 9, 7);
  return true;
}

int Run(int argc, char** argv) {
  QString corpus_folder = QDir(QDir::tempPath()).filePath(QStringLiteral("quorvel-camera-corpus"));
  std::string qrvtool = QRVTOOL_PATH;
  int runs = 5, medium_runs = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--corpus=", 0) == 0) {
      corpus_folder = QFile::decodeName(arg.substr(9).c_str());
    } else if (arg.rfind("--runs=", 0) == 0) {
      runs = std::max(1, std::atoi(arg.c_str() + 7));
    } else if (arg.rfind("--medium-runs=", 0) == 0) {
      medium_runs = std::max(1, std::atoi(arg.c_str() + 14));
    } else if (arg.rfind("--qrvtool=", 0) == 0) {
      qrvtool = arg.substr(10);
    } else {
      std::fprintf(stderr,
                   "usage: %s [--corpus=DIR] [--runs=N] [--medium-runs=N] [--qrvtool=PATH]\n",
                   argv[0]);
      return 1;
    }
  }
  // Nothing is shown; the placeholder's fonts need no display on the offscreen platform.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);

  Corpus corpus;
  if (!MakeCorpus(corpus_folder, &corpus)) return 2;
  PrintCorpus(corpus_folder, corpus);
  QFile load(QStringLiteral("/proc/loadavg"));
  if (load.open(QIODevice::ReadOnly)) {
    std::printf("load average at the start: %s", load.readAll().constData());
  }
  bool ok = true;
  const QHash<QString, QImage> thumbnails = MeasureBytes(corpus, &ok);
  MeasureQuality(corpus.embedded, thumbnails);
  ok = MeasureQrvtool(qrvtool, corpus, corpus_folder, runs) && ok;
  ok = MeasureDisc(corpus, medium_runs) && ok;
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) { return quorvel::Run(argc, argv); }
