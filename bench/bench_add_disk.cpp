// `qrvtool add` over real photographs, timed as a whole process against two peers in the same
// run: `vipsthumbnail -s 100x100` (libvips-tools) as one process over all the files, and the bare
// decoding cost, `djpeg -scale 1/8` (libjpeg-turbo-progs) per file, two at a time to use both
// cores as qrvtool's workers can. Also its peak resident memory, and the PSNR of each stored
// thumbnail against Qt's full-size decode scaled smoothly to the same size.
//
// The photographs are the JPEGs and PNGs of Debian's mate-backgrounds and ukui-wallpapers,
// copied into a temporary folder. One warm-up round fills the page cache; then each round runs
// qrvtool, vipsthumbnail and djpeg in turn, and the medians are compared. A measurement: exits 0
// whatever the figures, 1 when a program could not run, 2 when the photographs are not installed.
//
// Run a Release build:  build-bench/bench/bench_add_disk --runs=5  [--qrvtool=PATH]

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLoggingCategory>
#include <QProcess>
#include <QRect>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "catalog/catalog_index.h"
#include "catalog/cp1251.h"
#include "catalog/stream.h"
#include "catalog/thumbnail_jpeg.h"
#include "process_timing.h"
#include "scan/thumbnail_renderer.h"

namespace quorvel {
namespace {

constexpr int kSide = 100;
constexpr double kMaxRatioToVips = 0.6;
constexpr double kMaxRatioToDjpeg = 1.5;
constexpr double kMaxPeakRssMb = 300;
constexpr double kMinPsnrDb = 28;

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

struct Corpus {
  QTemporaryDir dir;
  QStringList jpeg;  // copies under dir/jpeg
  QStringList png;   // copies under dir/png
  QString Folder(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

void PrintRange(const char* kind, const QStringList& files) {
  double low = std::numeric_limits<double>::max(), high = 0;
  for (const QString& file : files) {
    const QSize size = QImageReader(file).size();
    const double mp = size.width() * static_cast<double>(size.height()) / 1e6;
    low = std::min(low, mp);
    high = std::max(high, mp);
  }
  std::printf("  %-4s %2lld files, %.1f to %.1f megapixels\n", kind,
              static_cast<long long>(files.size()), files.isEmpty() ? 0.0 : low, high);
}

// Copies every JPEG and PNG of the two packages, once each by real path and by content, into
// jpeg/ and png/ by what the bytes are (not by the name). Returns 2 when they are missing.
int BuildCorpus(Corpus& corpus) {
  const QStringList packages = {QStringLiteral("mate-backgrounds"),
                                QStringLiteral("ukui-wallpapers")};
  QProcess dpkg;
  dpkg.start(QStringLiteral("dpkg-query"), QStringList{QStringLiteral("-L")} + packages);
  if (!dpkg.waitForFinished() || dpkg.exitStatus() != QProcess::NormalExit ||
      dpkg.exitCode() != 0) {
    std::printf(
        "the photographs are missing (apt-get install mate-backgrounds ukui-wallpapers):\n%s\n",
        dpkg.readAllStandardError().trimmed().constData());
    return 2;
  }
  if (!corpus.dir.isValid()) return 1;
  const QDir jpeg_dir(corpus.Folder("jpeg")), png_dir(corpus.Folder("png"));
  if (!jpeg_dir.mkpath(QStringLiteral(".")) || !png_dir.mkpath(QStringLiteral("."))) return 1;
  QSet<QString> seen_paths;
  QSet<QByteArray> seen_contents;
  for (const QByteArray& line : dpkg.readAllStandardOutput().split('\n')) {
    const QFileInfo listed(QFile::decodeName(line));
    const QString suffix = listed.suffix().toLower();
    if (suffix != u"jpg" && suffix != u"jpeg" && suffix != u"png") continue;
    const QString real = listed.canonicalFilePath();  // empty for a dangling link
    if (real.isEmpty() || !QFileInfo(real).isFile() || seen_paths.contains(real)) continue;
    seen_paths.insert(real);
    QFile file(real);
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QByteArray hash = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    if (seen_contents.contains(hash)) continue;
    seen_contents.insert(hash);
    const QByteArray format = QImageReader(real).format();
    const bool is_jpeg = format == "jpeg";
    if (!is_jpeg && format != "png") continue;
    // The same name may ship in two folders of the packages; the count makes it unique.
    const QDir& folder = is_jpeg ? jpeg_dir : png_dir;
    QString copy = folder.filePath(listed.fileName());
    if (QFileInfo::exists(copy))
      copy =
          folder.filePath(QStringLiteral("%1_%2").arg(seen_contents.size()).arg(listed.fileName()));
    if (!QFile::copy(real, copy)) return 1;
    (is_jpeg ? corpus.jpeg : corpus.png) << copy;
  }
  if (corpus.jpeg.isEmpty() || corpus.png.isEmpty()) {
    std::printf("mate-backgrounds and ukui-wallpapers hold no JPEG or no PNG pictures\n");
    return 2;
  }
  std::printf("corpus in %s (from %lld listed pictures, %lld distinct):\n",
              qPrintable(corpus.dir.path()), static_cast<long long>(seen_paths.size()),
              static_cast<long long>(seen_contents.size()));
  PrintRange("jpeg", corpus.jpeg);
  PrintRange("png", corpus.png);
  return 0;
}

// Wall and CPU seconds of one measurement; the CPU time beside the wall time shows how much of
// a difference comes from other load on the machine. A negative wall time: it failed.
struct Timing {
  double wall = -1;
  double cpu = 0;
};

struct AddRun {
  bool ok = false;
  Timing time;
  long max_rss_kb = 0;
  long long found = -1, added = -1;
  QString error;  // what qrvtool said when it failed
};

// One `qrvtool add CATALOG FOLDER NAME` into a fresh catalogue.
AddRun RunAdd(const std::string& qrvtool, const QString& catalog, const QString& folder,
              const QString& name, const QString& scratch) {
  AddRun run;
  QFile::remove(catalog);
  const QString out = scratch + QStringLiteral(".out"), err = scratch + QStringLiteral(".err");
  const double start = Now();
  const pid_t pid =
      Start({qrvtool, "add", Local(catalog), Local(folder), Local(name)}, Local(out), Local(err));
  if (pid == 0) {
    run.error = QStringLiteral("could not start %1").arg(QString::fromStdString(qrvtool));
    return run;
  }
  ChildUsage usage;
  run.ok = Wait(pid, &usage);
  run.time.cpu = usage.cpu;
  run.max_rss_kb = usage.max_rss_kb;
  run.time.wall = Now() - start;
  const AddCounts counts = ReadAddCounts(Local(out));
  run.found = counts.found;
  run.added = counts.added;
  if (!run.ok) run.error = QString::fromStdString(TailOf(Local(err), 600));
  if (!run.ok && run.error.isEmpty()) run.error = QStringLiteral("qrvtool add failed");
  return run;
}

// One vipsthumbnail process over every file into an emptied folder; a negative time when it
// failed or left a thumbnail out.
Timing RunVips(const QStringList& files, const QString& out_folder) {
  QDir(out_folder).removeRecursively();
  QDir().mkpath(out_folder);
  std::vector<std::string> argv = {"vipsthumbnail", "-s", "100x100", "-o",
                                   Local(out_folder + QStringLiteral("/%s.jpg"))};
  for (const QString& file : files) argv.push_back(Local(file));
  Timing time;
  const double start = Now();
  const pid_t pid = Start(argv);
  ChildUsage usage;
  if (pid == 0 || !Wait(pid, &usage)) return {};
  time.cpu = usage.cpu;
  time.wall = Now() - start;
  return QDir(out_folder).entryList(QDir::Files).size() == files.size() ? time : Timing{};
}

// `djpeg -scale 1/8` over every file, keeping two processes running until the last is done; a
// negative time when one failed.
Timing RunDjpeg(const QStringList& files) {
  Timing time;
  ChildUsage usage;
  const double start = Now();
  bool ok = true;
  int running = 0;
  for (const QString& file : files) {
    if (running == 2) {  // wait for either of the two
      ok = Wait(-1, &usage) && ok;
      --running;
    }
    if (Start({"djpeg", "-scale", "1/8", "-outfile", "/dev/null", Local(file)}) == 0) {
      ok = false;
      break;
    }
    ++running;
  }
  for (; running > 0; --running) ok = Wait(-1, &usage) && ok;
  time.cpu = usage.cpu;
  if (ok) time.wall = Now() - start;
  return time;
}

using quorvel::Median;

double Median(const std::vector<Timing>& times, double Timing::*field) {
  std::vector<double> values;
  for (const Timing& time : times) values.push_back(time.*field);
  return Median(values);
}

void PrintTimes(const char* label, const std::vector<Timing>& times) {
  std::printf("%-30s", label);
  if (times.empty()) {
    std::printf("  did not run\n");
    return;
  }
  std::printf(" %7.3f %7.3f  ", Median(times, &Timing::wall), Median(times, &Timing::cpu));
  for (const Timing& time : times) std::printf(" %.3f", time.wall);
  std::printf("\n");
}

const char* Verdict(bool pass) { return pass ? "PASS" : "FAIL"; }

// PSNR over RGB of `image` (tightly packed RGB) against `reference` (RGB888), inside `region`.
double RegionPsnr(const RgbImage& image, const QImage& reference, const QRect& region) {
  double squared = 0;
  for (int y = region.top(); y <= region.bottom(); ++y) {
    const std::uint8_t* a = image.pixels.data() + (y * image.width + region.left()) * 3;
    const std::uint8_t* b = reference.constScanLine(y) + region.left() * 3;
    for (int i = 0; i < region.width() * 3; ++i) squared += (a[i] - b[i]) * (a[i] - b[i]);
  }
  const double mse = squared / (3.0 * region.width() * region.height());
  return mse == 0 ? std::numeric_limits<double>::infinity() : 10 * std::log10(255.0 * 255.0 / mse);
}

// The square of `source` as a careful renderer would make it: decoded whole by Qt, upright,
// scaled smoothly to the fitted size and centred on white, in RGB888. Sets the picture's part.
QImage ReferenceSquare(const QString& source, QRect* region, QString* error) {
  QImageReader reader(source);
  reader.setAutoTransform(true);
  QImage full = reader.read();
  if (full.isNull()) {
    *error = reader.errorString();
    return {};
  }
  // Premultiplied, so that transparent pixels do not bleed their colour into the average.
  full.convertTo(full.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                        : QImage::Format_RGB32);
  const QSize fitted = FittedSize(full.size(), kSide);
  // The same placement as CentreOnWhite, which the reference goes through too.
  *region = QRect(QPoint((kSide - fitted.width()) / 2, (kSide - fitted.height()) / 2), fitted);
  return CentreOnWhite(full.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), kSide)
      .convertToFormat(QImage::Format_RGB888);
}

struct Score {
  double stored;   // the stored thumbnail against the reference
  double ceiling;  // the reference itself through the thumbnail encoder
  QString file;
  bool operator<(const Score& other) const { return stored < other.stored; }
};

// Compares every thumbnail of the catalogue with its reference square. Beside it, the
// reference encoded and decoded by the thumbnail codec: the best any renderer could store, so
// that a low figure can be told apart from loss in the format's own encoder settings.
void PrintQuality(const char* label, const QString& catalog, qsizetype file_count) {
  Bytes stream;
  try {
    stream = LoadFile(Local(catalog));
  } catch (const std::exception& e) {
    std::printf("%s quality: %s\n", label, e.what());
    return;
  }
  const CatalogIndex index = BuildIndex(stream);
  if (index.Damage) {
    std::printf("%s: the catalogue is damaged: %s\n", label, index.Damage->reason.c_str());
  }
  std::vector<Score> scores;
  int broken = 0;
  for (const CatInfo& disk : index.Disks) {
    for (const Disc& thumb : disk.Thumbs) {
      const QString source = QString::fromStdString(Cp1251ToUtf8(thumb.Name()));
      const ByteView jpeg(stream.data() + disk.JpegPos(thumb),
                          static_cast<std::size_t>(thumb.JpegSize));
      RgbImage ours, ceiling;
      std::string error;
      if (!DecodeJpeg(jpeg, ours, &error) || ours.width != kSide || ours.height != kSide) {
        std::printf("  %s: the stored thumbnail is not a %dx%d JPEG %s\n", qPrintable(source),
                    kSide, kSide, error.c_str());
        ++broken;
        continue;
      }
      QRect region;
      QString reader_error;
      const QImage reference = ReferenceSquare(source, &region, &reader_error);
      if (reference.isNull()) {
        std::printf("  %s: Qt cannot read the source: %s\n", qPrintable(source),
                    qPrintable(reader_error));
        ++broken;
        continue;
      }
      Bytes encoded;
      AppendJpeg(encoded, RgbView{reference.constBits(), kSide, kSide,
                                  static_cast<int>(reference.bytesPerLine())});
      DecodeJpeg(encoded, ceiling);
      scores.push_back({RegionPsnr(ours, reference, region), RegionPsnr(ceiling, reference, region),
                        QFileInfo(source).fileName()});
    }
  }
  std::sort(scores.begin(), scores.end());
  std::printf("%s thumbnails: %zu compared of %lld files, %d broken\n", label, scores.size(),
              static_cast<long long>(file_count), broken);
  if (scores.empty()) return;
  std::vector<double> stored, ceilings;
  for (const Score& score : scores) {
    stored.push_back(score.stored);
    ceilings.push_back(score.ceiling);
  }
  const bool complete = broken == 0 && static_cast<qsizetype>(scores.size()) == file_count;
  const Score& worst = scores.front();
  const double median = Median(stored);
  std::printf("  PSNR min    %6.2f dB  (target >= %.0f)  %s   worst: %s\n", worst.stored,
              kMinPsnrDb, Verdict(complete && worst.stored >= kMinPsnrDb), qPrintable(worst.file));
  std::printf("  PSNR median %6.2f dB  (target >= %.0f)  %s\n", median, kMinPsnrDb,
              Verdict(complete && median >= kMinPsnrDb));
  // Sorted worst first: the files below the target lead the list.
  for (const Score& score : scores) {
    if (score.stored >= kMinPsnrDb) break;
    std::printf("  below the target: %-28s %6.2f dB (through the encoder: %.2f dB)\n",
                qPrintable(score.file), score.stored, score.ceiling);
  }
  std::printf(
      "  the reference through the thumbnail encoder: min %.2f, median %.2f dB; %.2f dB for "
      "%s\n",
      *std::min_element(ceilings.begin(), ceilings.end()), Median(ceilings), worst.ceiling,
      qPrintable(worst.file));
}

int Run(int argc, char** argv) {
  int runs = 5;
  std::string qrvtool = QRVTOOL_PATH;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--runs=", 0) == 0) {
      runs = std::max(1, std::atoi(arg.c_str() + 7));
    } else if (arg.rfind("--qrvtool=", 0) == 0) {
      qrvtool = arg.substr(10);
    } else {
      std::fprintf(stderr, "usage: %s [--runs=N] [--qrvtool=PATH]\n", argv[0]);
      return 1;
    }
  }
  // Qt's image plugins load through the application's library paths.
  QCoreApplication app(argc, argv);
  // libpng's notes on the sRGB profiles of some backgrounds would bury the table.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.info=false"));
  std::setvbuf(stdout, nullptr, _IOLBF, 0);

  Corpus corpus;
  if (const int status = BuildCorpus(corpus); status != 0) return status;
  const QString vips_out = corpus.Folder("vips_out");
  const QString jpeg_catalog = corpus.Folder("jpeg.qrv"), png_catalog = corpus.Folder("png.qrv");
  const QString scratch = corpus.Folder("qrvtool");
  std::printf("qrvtool: %s\nrounds: 1 warm-up + %d\n\n", qrvtool.c_str(), runs);

  bool qrvtool_works = true, vips_works = true, djpeg_works = true;
  std::vector<Timing> ours, vips, djpeg;
  long max_rss_kb = 0;
  AddRun last;
  for (int round = 0; round <= runs; ++round) {
    const bool counted = round > 0;
    if (qrvtool_works) {
      last = RunAdd(qrvtool, jpeg_catalog, corpus.Folder("jpeg"), QStringLiteral("jpeg"), scratch);
      if (!last.ok) {
        qrvtool_works = false;
        std::printf("qrvtool add failed; the peers are still measured:\n  %s\n\n",
                    qPrintable(last.error));
      } else if (counted) {
        ours.push_back(last.time);
        max_rss_kb = std::max(max_rss_kb, last.max_rss_kb);
      }
    }
    // A peer that failed once is not run again.
    const auto peer = [counted](bool& works, std::vector<Timing>& times, Timing time,
                                const char* failure) {
      works = time.wall >= 0;
      if (!works) std::printf("%s\n", failure);
      if (works && counted) times.push_back(time);
    };
    if (vips_works) {
      peer(vips_works, vips, RunVips(corpus.jpeg, vips_out),
           "vipsthumbnail failed (install libvips-tools)");
    }
    if (djpeg_works) {
      peer(djpeg_works, djpeg, RunDjpeg(corpus.jpeg), "djpeg failed (install libjpeg-turbo-progs)");
    }
  }

  const std::string files = std::to_string(corpus.jpeg.size()) + " JPEG files";
  std::printf("%-30s %7s %7s   %s\n", files.c_str(), "wall", "cpu", "wall of each run");
  std::printf("%-30s %7s %7s\n", "", "median", "median");
  PrintTimes("qrvtool add jpeg/", ours);
  PrintTimes("vipsthumbnail -s 100x100", vips);
  PrintTimes("djpeg -scale 1/8, 2 at a time", djpeg);
  if (!ours.empty()) {
    std::printf("  qrvtool found %lld, added %lld\n", last.found, last.added);
  }
  std::printf("\n");
  const double ratio_vips = Median(ours, &Timing::wall) / Median(vips, &Timing::wall);
  const double ratio_djpeg = Median(ours, &Timing::wall) / Median(djpeg, &Timing::wall);
  const double rss_mb = max_rss_kb / 1024.0;
  std::printf("qrvtool / vipsthumbnail  %6.2f    (target <= %.1f)   %s\n", ratio_vips,
              kMaxRatioToVips, Verdict(ratio_vips <= kMaxRatioToVips));
  std::printf("qrvtool / djpeg          %6.2f    (target <= %.1f)   %s\n", ratio_djpeg,
              kMaxRatioToDjpeg, Verdict(ratio_djpeg <= kMaxRatioToDjpeg));
  std::printf("qrvtool peak RSS         %6.1f MB (target <= %.0f MB) %s\n\n", rss_mb, kMaxPeakRssMb,
              Verdict(!ours.empty() && rss_mb <= kMaxPeakRssMb));

  if (qrvtool_works) {
    PrintQuality("jpeg/", jpeg_catalog, corpus.jpeg.size());
    const AddRun png =
        RunAdd(qrvtool, png_catalog, corpus.Folder("png"), QStringLiteral("png"), scratch);
    if (png.ok) {
      std::printf(
          "\nqrvtool add png/ (%lld PNG files, one run): wall %.3f s, cpu %.3f s, peak RSS %.1f "
          "MB, found %lld, added %lld\n",
          static_cast<long long>(corpus.png.size()), png.time.wall, png.time.cpu,
          png.max_rss_kb / 1024.0, png.found, png.added);
      PrintQuality("png/", png_catalog, corpus.png.size());
    } else {
      qrvtool_works = false;
      std::printf("qrvtool add png/ failed:\n  %s\n", qPrintable(png.error));
    }
  }
  return qrvtool_works && vips_works && djpeg_works ? 0 : 1;
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) { return quorvel::Run(argc, argv); }
