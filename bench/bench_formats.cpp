// The time to a stored thumbnail of camera videos, phone pictures (HEIC, AVIF) and camera RAW
// files, against the command-line tool of the same library spawned in the same run:
//   videos     `ffmpegthumbnailer -s 100 -i F -o out.png`
//   HEIC, AVIF `heif-thumbnailer -s 100 F out.png`
//   RAW        `simple_dcraw -e F` (LibRaw's preview extraction; Debian's dcraw_emu has no -e),
//              then `djpeg -scale 1/8` of the preview it wrote: the two processes' times added
// Ours is measured three ways:
//   one process per file  `qrvtool add CATALOG FOLDER NAME` over a folder holding just that one
//                         file, a whole process as the peer's is; it pays qrvtool's start-up
//                         (Qt, the libraries) for every file, which `qrvtool add` of an empty
//                         folder measures alone
//   in-process            the same work in this process: RenderThumbnail and the catalogue's
//                         JPEG encoding of the square
//   per file in a scan    `qrvtool add` over a folder holding kLinksPerFile hard links to each
//                         file of a set, the wall time divided by the number of files: what a disk
//                         costs per file, as a cataloguer starts once per disk. The links are read
//                         from the page cache, as the peer's repeated runs read their file.
//
// The videos and HEIF pictures are made by make_media_corpus.sh beside this file, the DNG files
// here by the tests' DNG writer. One warm-up round fills the page cache; then each round runs,
// file by file, qrvtool, the peer and the in-process render in turn. Medians are over files and
// rounds; a scan's figure is its median over rounds. The PSNR of each stored thumbnail against the
// peer's picture, fitted and placed alike, is a sanity check that both show the same thing (a
// video's peer may pick a nearby frame). A measurement: exits 0 whatever the figures, 1 when
// something could not run, 2 when the corpus cannot be made.
//
// Run a Release build:  build-rel/bench/bench_formats [--corpus=DIR] [--runs=N] [--qrvtool=PATH]
#include <time.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "catalog/catalog_index.h"
#include "catalog/format.h"
#include "catalog/stream.h"
#include "catalog/thumbnail_jpeg.h"
#include "process_timing.h"
#include "scan/thumbnail_renderer.h"
#include "support/dng_writer.h"

namespace quorvel {
namespace {

constexpr double kMaxRatioToPeer = 1.2;
constexpr int kLinksPerFile = 10;  // in the folder of a set's scan

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }
const char* Verdict(bool pass) { return pass ? "PASS" : "FAIL"; }

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

QByteArray LoadAverage() {
  QFile load(QStringLiteral("/proc/loadavg"));
  return load.open(QIODevice::ReadOnly) ? load.readAll() : QByteArrayLiteral("unknown\n");
}

enum class Peer { kFfmpegThumbnailer, kHeifThumbnailer, kLibRawDjpeg };

struct Set {
  const char* folder;  // under the corpus
  const char* family;
  Peer peer;
};

const Set kSets[] = {
    {"video", "video", Peer::kFfmpegThumbnailer},
    {"video-longgop", "video", Peer::kFfmpegThumbnailer},
    {"video-other", "video", Peer::kFfmpegThumbnailer},
    {"heic", "HEIC", Peer::kHeifThumbnailer},
    {"heic-nothumb", "HEIC", Peer::kHeifThumbnailer},
    {"avif", "AVIF", Peer::kHeifThumbnailer},
    {"avif-nothumb", "AVIF", Peer::kHeifThumbnailer},
    {"raw", "RAW", Peer::kLibRawDjpeg},
};

// Wall and CPU seconds of one measurement; a negative wall time: it failed.
struct Timing {
  double wall = -1;
  double cpu = 0;
};

// One file of the corpus, with the places its runs write to, and what they measured.
struct Item {
  const Set* set = nullptr;
  QString source;       // in the corpus
  QString alone;        // a folder holding only a link to it, for qrvtool add
  QString peer_input;   // a link to it in a folder of its own, where the peer may write
  QString peer_output;  // the peer's picture
  QString catalog;      // what qrvtool add wrote
  std::vector<Timing> ours, in_process, peer;
  int placeholders = 0;    // qrvtool stored "no preview"
  int failed_renders = 0;  // RenderThumbnail gave no picture
  QString ours_error, peer_error;
  int peer_orientation = 0;  // the turn the peer's picture lacks (the RAW's preview as stored)
};

// One set's scan: `qrvtool add` over `folder`, which holds kLinksPerFile links to each file.
struct Scan {
  const Set* set = nullptr;
  QString folder;
  QString catalog;
  int files = 0;
  std::vector<Timing> times;  // one per round
  int placeholders = 0;
  QString error;
};

// How each DNG file is written, in the order of their names.
constexpr testkit::DngOptions kRawOptions[] = {
    {.small_preview = testkit::SmallPreview::kJpeg},
    {.small_preview = testkit::SmallPreview::kJpeg, .orientation = 6},
    {}};

// Camera-like DNG files in `folder`, made once: 6000 x 4000 (24 MP) 16-bit raw mosaics of
// wallpapers with a little noise, each with a full-size JPEG preview as many cameras store one;
// two also with a quarter-size preview in IFD0, one of them turned (orientation 6).
bool MakeRawSet(const QString& folder) {
  const QString done = folder + QStringLiteral("/.complete");
  if (QFileInfo::exists(done)) return true;
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);
  const char* const sources[] = {"/usr/share/backgrounds/2004default.jpg",
                                 "/usr/share/backgrounds/the-mouse.jpg",
                                 "/usr/share/backgrounds/string.jpg"};
  const QSize size(6000, 4000);
  std::uint32_t noise = 12345;
  for (int i = 0; i < std::ssize(kRawOptions); ++i) {
    QImage image(QString::fromLatin1(sources[i]));
    if (image.isNull()) {
      std::printf("%s is missing (apt-get install ukui-wallpapers)\n", sources[i]);
      return false;
    }
    image = image.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    image = image
                .copy(QRect(QPoint((image.width() - size.width()) / 2,
                                   (image.height() - size.height()) / 2),
                            size))
                .convertToFormat(QImage::Format_RGB888);
    testkit::RgbPicture picture{size.width(), size.height(), {}};
    picture.pixels.reserve(static_cast<std::size_t>(size.width()) * size.height() * 3);
    for (int y = 0; y < size.height(); ++y) {
      const std::uint8_t* row = image.constScanLine(y);
      for (int x = 0; x < size.width() * 3; ++x) {
        noise = noise * 1664525u + 1013904223u;  // sensor noise of +-3
        const int value = row[x] + static_cast<int>(noise >> 29) - 3;
        picture.pixels.push_back(static_cast<std::uint8_t>(std::clamp(value, 0, 255)));
      }
    }
    const std::vector<std::uint8_t> dng = testkit::DngFile(picture, kRawOptions[i]);
    QFile file(QStringLiteral("%1/RAW_%2.dng").arg(folder).arg(i + 1, 4, 10, QLatin1Char('0')));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(dng.data()), static_cast<qint64>(dng.size())) !=
            static_cast<qint64>(dng.size())) {
      std::printf("%s could not be written\n", qPrintable(file.fileName()));
      return false;
    }
  }
  QFile marker(done);
  return marker.open(QIODevice::WriteOnly);
}

// Lists the corpus and prepares each file's folders under `scratch`.
bool ListItems(const QString& corpus, const QString& scratch, std::vector<Item>* items) {
  for (const Set& set : kSets) {
    const QDir dir(QDir(corpus).filePath(QString::fromLatin1(set.folder)));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    for (int i = 0; i < names.size(); ++i) {
      const QString base = QStringLiteral("%1/%2_%3").arg(scratch, set.folder).arg(i);
      Item item;
      item.set = &set;
      item.source = dir.filePath(names[i]);
      if (set.peer == Peer::kLibRawDjpeg && i < std::ssize(kRawOptions)) {
        item.peer_orientation = kRawOptions[i].orientation;
      }
      item.alone = base + QStringLiteral("/alone");
      item.peer_input = base + QStringLiteral("/peer/") + names[i];
      item.catalog = base + QStringLiteral("/ours.qrv");
      item.peer_output = base + (set.peer == Peer::kLibRawDjpeg ? QStringLiteral("/peer.ppm")
                                                                : QStringLiteral("/peer.png"));
      if (!QDir().mkpath(item.alone) || !QDir().mkpath(base + QStringLiteral("/peer")))
        return false;
      // Hard links, so that qrvtool and the peer read the very bytes of the corpus, from the
      // page cache, under the file's own name.
      for (const QString& link : {item.alone + QLatin1Char('/') + names[i], item.peer_input}) {
        std::error_code error;
        std::filesystem::create_hard_link(Local(item.source), Local(link), error);
        if (error && !QFile::copy(item.source, link)) return false;
      }
      items->push_back(std::move(item));
    }
  }
  return true;
}

// A scan folder per set of `items` under `scratch`, holding kLinksPerFile hard links to each of
// its files, named apart by a number before the suffix.
bool MakeScans(const std::vector<Item>& items, const QString& scratch, std::vector<Scan>* scans) {
  for (const Set& set : kSets) {
    Scan scan;
    scan.set = &set;
    scan.folder = QStringLiteral("%1/%2_scan/files").arg(scratch, set.folder);
    scan.catalog = QStringLiteral("%1/%2_scan/ours.qrv").arg(scratch, set.folder);
    if (!QDir().mkpath(scan.folder)) return false;
    for (const Item& item : items) {
      if (item.set != &set) continue;
      const QFileInfo source(item.source);
      for (int i = 0; i < kLinksPerFile; ++i) {
        const QString link = QStringLiteral("%1/%2_%3.%4")
                                 .arg(scan.folder, source.completeBaseName())
                                 .arg(i, 2, 10, QLatin1Char('0'))
                                 .arg(source.suffix());
        std::error_code error;
        std::filesystem::create_hard_link(Local(item.source), Local(link), error);
        if (error && !QFile::copy(item.source, link)) return false;
        ++scan.files;
      }
    }
    if (scan.files > 0) scans->push_back(std::move(scan));
  }
  return true;
}

// One `qrvtool add` of `folder` into a fresh `catalog`; counts a placeholder when qrvtool says
// the file could not be decoded or was skipped.
Timing RunAdd(const std::string& qrvtool, const QString& catalog, const QString& folder,
              int* placeholders, QString* error) {
  QFile::remove(catalog);
  const std::string out = Local(catalog + QStringLiteral(".out"));
  const std::string err = Local(catalog + QStringLiteral(".err"));
  Timing time;
  const double start = Now();
  const pid_t pid = Start({qrvtool, "add", Local(catalog), Local(folder), "bench"}, out, err);
  ChildUsage usage;
  if (pid == 0 || !Wait(pid, &usage)) {
    *error = QString::fromStdString(pid == 0 ? "could not start " + qrvtool : TailOf(err, 400));
    return {};
  }
  time.wall = Now() - start;
  time.cpu = usage.cpu;
  const std::string said = TailOf(err, 4000);
  if (said.find("stored as \"no preview\"") != std::string::npos) {
    ++*placeholders;
    *error = QString::fromStdString(said);
  }
  return time;
}

// The peer's processes in turn; a negative time when one failed or wrote no picture.
Timing RunPeer(Item& item) {
  std::vector<std::vector<std::string>> commands;
  const std::string input = Local(item.peer_input), output = Local(item.peer_output);
  switch (item.set->peer) {
    case Peer::kFfmpegThumbnailer:
      commands.push_back({"ffmpegthumbnailer", "-s", "100", "-i", input, "-o", output});
      break;
    case Peer::kHeifThumbnailer:
      commands.push_back({"heif-thumbnailer", "-s", "100", input, output});
      break;
    case Peer::kLibRawDjpeg:
      commands.push_back({"simple_dcraw", "-e", input});
      commands.push_back({"djpeg", "-scale", "1/8", "-outfile", output, input + ".thumb.jpg"});
      break;
  }
  QFile::remove(item.peer_output);
  const std::string err = output + ".err";
  Timing time{0, 0};
  for (const std::vector<std::string>& command : commands) {
    const double start = Now();
    const pid_t pid = Start(command, "/dev/null", err);
    ChildUsage usage;
    if (pid == 0 || !Wait(pid, &usage)) {
      item.peer_error = QString::fromStdString(command[0] + ": " + TailOf(err, 400));
      return {};
    }
    time.wall += Now() - start;
    time.cpu += usage.cpu;
  }
  if (!QFileInfo::exists(item.peer_output)) {
    item.peer_error = QStringLiteral("no picture written");
    return {};
  }
  return time;
}

// RenderThumbnail and the JPEG encoding of the square, as the capture stores it.
Timing RenderInProcess(Item& item, JpegEncoder& encoder) {
  const double start = Now(), cpu = ProcessCpuSeconds();
  QString error;
  const QImage square = RenderThumbnail(item.source, &error);
  if (square.isNull()) {
    ++item.failed_renders;
    item.ours_error = error;
    return {};
  }
  const QImage rgb = square.convertToFormat(QImage::Format_RGB888);
  Bytes stream;
  encoder.Append(stream, RgbView{rgb.constBits(), rgb.width(), rgb.height(),
                                 static_cast<int>(rgb.bytesPerLine())});
  return {Now() - start, ProcessCpuSeconds() - cpu};
}

std::vector<double> Walls(const std::vector<Timing>& times, double Timing::*field) {
  std::vector<double> values;
  for (const Timing& time : times) {
    if (time.wall >= 0) values.push_back(time.*field);
  }
  return values;
}

// PSNR over RGB of the stored `ours` against `reference` (RGB888), inside `region`.
double RegionPsnr(const RgbImage& ours, const QImage& reference, const QRect& region) {
  double squared = 0;
  for (int y = region.top(); y <= region.bottom(); ++y) {
    const std::uint8_t* a = ours.pixels.data() + (y * ours.width + region.left()) * 3;
    const std::uint8_t* b = reference.constScanLine(y) + region.left() * 3;
    for (int i = 0; i < region.width() * 3; ++i) squared += (a[i] - b[i]) * (a[i] - b[i]);
  }
  const double mse = squared / (3.0 * region.width() * region.height());
  return mse == 0 ? std::numeric_limits<double>::infinity() : 10 * std::log10(255.0 * 255.0 / mse);
}

// The stored thumbnail of `item` against the peer's picture fitted into the square and centred
// on white as ours is; NaN when either is missing.
double PeerPsnr(const Item& item) {
  const double none = std::nan("");
  QImage peer(item.peer_output);
  if (peer.isNull()) return none;
  if (item.peer_orientation != 0) peer = TurnUpright(peer, item.peer_orientation);
  RgbImage ours;
  try {
    const Bytes stream = LoadFile(Local(item.catalog));
    const CatalogIndex index = BuildIndex(stream);
    if (index.Disks.empty() || index.Disks.front().Thumbs.empty()) return none;
    const Disc& thumb = index.Disks.front().Thumbs.front();
    const ByteView jpeg(stream.data() + index.Disks.front().JpegPos(thumb),
                        static_cast<std::size_t>(thumb.JpegSize));
    if (!DecodeJpeg(jpeg, ours) || ours.width != kThumbSide || ours.height != kThumbSide) {
      return none;
    }
  } catch (const std::exception&) {
    return none;
  }
  const QSize fitted = FittedSize(peer.size(), kThumbSide);
  const QRect region(QPoint((kThumbSide - fitted.width()) / 2, (kThumbSide - fitted.height()) / 2),
                     fitted);
  const QImage reference =
      CentreOnWhite(peer.convertToFormat(QImage::Format_RGB32)
                        .scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                    kThumbSide)
          .convertToFormat(QImage::Format_RGB888);
  return RegionPsnr(ours, reference, region);
}

// The peer's wall and CPU medians over the runs of `items`, with how many of them failed.
struct PeerMedians {
  double wall = 0, cpu = 0;
  int failures = 0;
};
PeerMedians PeerOf(const std::vector<const Item*>& items) {
  std::vector<Timing> peer;
  int failures = 0;
  for (const Item* item : items) {
    peer.insert(peer.end(), item->peer.begin(), item->peer.end());
    failures += item->peer_error.isEmpty() ? 0 : 1;
  }
  return {Median(Walls(peer, &Timing::wall)), Median(Walls(peer, &Timing::cpu)), failures};
}

// One row of the table over `items`: medians over their files and rounds.
void PrintRow(const std::string& label, const std::vector<const Item*>& items) {
  std::vector<Timing> ours, in_process;
  std::vector<double> psnr;
  int placeholders = 0, failed_renders = 0;
  for (const Item* item : items) {
    ours.insert(ours.end(), item->ours.begin(), item->ours.end());
    in_process.insert(in_process.end(), item->in_process.begin(), item->in_process.end());
    placeholders += item->placeholders;
    failed_renders += item->failed_renders;
    if (const double value = PeerPsnr(*item); !std::isnan(value)) psnr.push_back(value);
  }
  const PeerMedians peer = PeerOf(items);
  const double our_wall = Median(Walls(ours, &Timing::wall));
  const double ratio = our_wall / peer.wall;
  const bool complete = placeholders == 0 && failed_renders == 0 && peer.failures == 0;
  const double in_process_wall = Median(Walls(in_process, &Timing::wall));
  std::printf("%-18s %3zu %8.1f %6.1f %8.1f %6.1f %8.1f %6.1f %6.2f %s %7.2f %6.1f %6.1f %4d %4d\n",
              label.c_str(), items.size(), our_wall * 1e3, Median(Walls(ours, &Timing::cpu)) * 1e3,
              in_process_wall * 1e3, Median(Walls(in_process, &Timing::cpu)) * 1e3, peer.wall * 1e3,
              peer.cpu * 1e3, ratio, Verdict(complete && ratio <= kMaxRatioToPeer),
              in_process_wall / peer.wall, Median(psnr),
              psnr.empty() ? std::nan("") : *std::min_element(psnr.begin(), psnr.end()),
              placeholders + failed_renders, peer.failures);
}

// One row of the scans' table: the wall and CPU time of `scans` taken one after another (their
// sums per round, medians over rounds) divided by their files, a mean over the files, against
// the mean over `items` of the peer's median for each (every file has as many links in a scan).
void PrintScanRow(const std::string& label, const std::vector<const Scan*>& scans,
                  const std::vector<const Item*>& items) {
  int files = 0, placeholders = 0, errors = 0;
  for (const Scan* scan : scans) {
    files += scan->files;
    placeholders += scan->placeholders;
    errors += scan->error.isEmpty() ? 0 : 1;
  }
  std::vector<double> walls, cpus;
  for (std::size_t round = 0; round < scans.front()->times.size(); ++round) {
    double wall = 0, cpu = 0;
    for (const Scan* scan : scans) {
      wall = scan->times[round].wall < 0 || wall < 0 ? -1 : wall + scan->times[round].wall;
      cpu += scan->times[round].cpu;
    }
    if (wall < 0) continue;
    walls.push_back(wall);
    cpus.push_back(cpu);
  }
  const double wall = Median(walls), per_file = wall / files;
  PeerMedians peer;
  for (const Item* item : items) {
    const PeerMedians one = PeerOf({item});
    peer.wall += one.wall / std::ssize(items);
    peer.cpu += one.cpu / std::ssize(items);
    peer.failures += one.failures;
  }
  const double ratio = per_file / peer.wall;
  const bool complete = placeholders == 0 && errors == 0 && peer.failures == 0 &&
                        walls.size() == scans.front()->times.size();
  std::printf("%-18s %5d %8.1f %8.2f %8.2f %8.1f %6.1f %6.2f %s %4d %4d\n", label.c_str(), files,
              wall * 1e3, per_file * 1e3, Median(cpus) / files * 1e3, peer.wall * 1e3,
              peer.cpu * 1e3, ratio, Verdict(complete && ratio <= kMaxRatioToPeer),
              placeholders + errors, peer.failures);
}

int Run(int argc, char** argv) {
  QString corpus = QDir(QDir::tempPath()).filePath(QStringLiteral("quorvel-media-corpus"));
  std::string qrvtool = QRVTOOL_PATH;
  int runs = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--corpus=", 0) == 0) {
      corpus = QFile::decodeName(arg.substr(9).c_str());
    } else if (arg.rfind("--runs=", 0) == 0) {
      runs = std::max(1, std::atoi(arg.c_str() + 7));
    } else if (arg.rfind("--qrvtool=", 0) == 0) {
      qrvtool = arg.substr(10);
    } else {
      std::fprintf(stderr, "usage: %s [--corpus=DIR] [--runs=N] [--qrvtool=PATH]\n", argv[0]);
      return 1;
    }
  }
  // Qt's image plugins load through the application's library paths.
  QCoreApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  if (!MakeCorpusWith(CORPUS_SCRIPT, corpus.toStdString()) || !MakeRawSet(corpus + QStringLiteral("/raw"))) return 2;
  QTemporaryDir scratch;
  std::vector<Item> items;
  if (!scratch.isValid() || !ListItems(corpus, scratch.path(), &items)) {
    std::printf("the scratch folders could not be made\n");
    return 1;
  }
  std::vector<Scan> scans;
  if (!MakeScans(items, scratch.path(), &scans)) {
    std::printf("the scan folders could not be made\n");
    return 1;
  }
  const QString empty_folder = scratch.filePath(QStringLiteral("empty"));
  QDir().mkpath(empty_folder);
  std::printf("load average at the start: %s", LoadAverage().constData());
  std::printf("corpus %s, %zu files; qrvtool %s; 1 warm-up + %d rounds\n", qPrintable(corpus),
              items.size(), qrvtool.c_str(), runs);

  JpegEncoder encoder;
  std::vector<Timing> startup;
  int unused = 0;
  QString startup_error;
  for (int round = 0; round <= runs; ++round) {
    const bool counted = round > 0;
    const Timing empty = RunAdd(qrvtool, scratch.filePath(QStringLiteral("empty.qrv")),
                                empty_folder, &unused, &startup_error);
    if (counted) startup.push_back(empty);
    for (Item& item : items) {
      const int placeholders = item.placeholders, failed = item.failed_renders;
      const Timing ours =
          RunAdd(qrvtool, item.catalog, item.alone, &item.placeholders, &item.ours_error);
      const Timing peer = RunPeer(item);
      const Timing in_process = RenderInProcess(item, encoder);
      if (!counted) {
        item.placeholders = placeholders;
        item.failed_renders = failed;
        continue;
      }
      item.ours.push_back(ours);
      item.peer.push_back(peer);
      item.in_process.push_back(in_process);
    }
    for (Scan& scan : scans) {
      Timing time = RunAdd(qrvtool, scan.catalog, scan.folder, &scan.placeholders, &scan.error);
      const AddCounts counts = ReadAddCounts(Local(scan.catalog + QStringLiteral(".out")));
      if (time.wall >= 0 && counts.added != scan.files) {
        scan.error = QStringLiteral("added %1 of %2 files").arg(counts.added).arg(scan.files);
        time = {};
      }
      if (counted) {
        scan.times.push_back(time);
      } else {
        scan.placeholders = 0;
      }
    }
  }

  // The files and scans of each set, and of each family in the order of kSets.
  std::map<std::string, std::vector<const Item*>> set_items, family_items;
  std::map<std::string, std::vector<const Scan*>> set_scans, family_scans;
  std::vector<std::string> family_order;
  for (const Item& item : items) {
    set_items[item.set->folder].push_back(&item);
    if (family_items[item.set->family].empty()) family_order.push_back(item.set->family);
    family_items[item.set->family].push_back(&item);
  }
  for (const Scan& scan : scans) {
    set_scans[scan.set->folder].push_back(&scan);
    family_scans[scan.set->family].push_back(&scan);
  }

  std::printf(
      "\nONE PROCESS PER FILE: qrvtool add of a folder holding just that file, and the same work "
      "in this process,\nagainst the peer's process(es) for that file. Milliseconds, medians over "
      "files x rounds;\nratio = qrvtool 1 file / peer, target <= %.1f; in/peer = in-process / "
      "peer\n",
      kMaxRatioToPeer);
  std::printf("%-18s %3s %15s %15s %15s %19s %13s %9s\n", "", "", "qrvtool, 1 file", "in-process",
              "peer", "", "PSNR vs peer", "failures");
  std::printf("%-18s %3s %8s %6s %8s %6s %8s %6s %6s %4s %7s %6s %6s %4s %4s\n", "set", "n", "wall",
              "cpu", "wall", "cpu", "wall", "cpu", "ratio", "", "in/peer", "median", "min", "ours",
              "peer");
  for (const Set& set : kSets) {
    if (set_items.contains(set.folder)) PrintRow(set.folder, set_items[set.folder]);
  }
  std::printf("\n");
  for (const std::string& family : family_order) PrintRow(family + " (all)", family_items[family]);
  const std::vector<double> startup_walls = Walls(startup, &Timing::wall);
  std::printf(
      "\nqrvtool start-up, paid by every row above: qrvtool add of an empty folder: wall %.1f ms, "
      "cpu %.1f ms (median of %zu)%s%s\n",
      Median(startup_walls) * 1e3, Median(Walls(startup, &Timing::cpu)) * 1e3, startup_walls.size(),
      startup_error.isEmpty() ? "" : "; failed: ", qPrintable(startup_error));

  std::printf(
      "\nPER FILE WITHIN ONE SCAN: qrvtool add of a folder holding %d hard links to each file of "
      "the set,\nits wall and CPU time / files (median over rounds; a family's sets scanned one "
      "after another),\nagainst the peer's median for each file, averaged over the files.\n"
      "Milliseconds; ratio = qrvtool per file / peer, target <= %.1f\n",
      kLinksPerFile, kMaxRatioToPeer);
  std::printf("%-18s %5s %8s %17s %15s %16s %9s\n", "", "", "scan", "qrvtool per file",
              "peer per file", "", "failures");
  std::printf("%-18s %5s %8s %8s %8s %8s %6s %6s %4s %4s %4s\n", "set", "files", "wall", "wall",
              "cpu", "wall", "cpu", "ratio", "", "ours", "peer");
  for (const Set& set : kSets) {
    if (set_scans.contains(set.folder)) {
      PrintScanRow(set.folder, set_scans[set.folder], set_items[set.folder]);
    }
  }
  std::printf("\n");
  for (const std::string& family : family_order) {
    PrintScanRow(family + " (all)", family_scans[family], family_items[family]);
  }
  std::printf("\nload average at the end: %s", LoadAverage().constData());

  bool ok = true;
  for (const Item& item : items) {
    if (!item.ours_error.isEmpty() || !item.peer_error.isEmpty()) {
      std::printf("%s: ours: %s; peer: %s\n", qPrintable(item.source),
                  item.ours_error.isEmpty() ? "fine" : qPrintable(item.ours_error.simplified()),
                  item.peer_error.isEmpty() ? "fine" : qPrintable(item.peer_error.simplified()));
      ok = false;
    }
  }
  for (const Scan& scan : scans) {
    if (!scan.error.isEmpty()) {
      std::printf("scan of %s: %s\n", qPrintable(scan.folder), qPrintable(scan.error.simplified()));
      ok = false;
    }
  }
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) { return quorvel::Run(argc, argv); }
