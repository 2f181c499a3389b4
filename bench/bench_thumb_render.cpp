// The thumbnail renderer on a 12-megapixel photo, against libjpeg's own `djpeg -scale 1/8` on the
// same file, spawned as a process in the same run: ShowFile to the 100 x 100 picture the capture
// stores, through the real pipeline and its wait, the rendering function alone, and a capture of
// many files with and without reading ahead. Also prints the thumbnail's PSNR against an exact area
// average of the full-size decode.
//
// Run a Release build. `--photo=FILE` adds a real photograph (by default the largest MATE
// background, when installed); `--runs=N` sets the repetitions whose median is compared.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scan/test_pictures.h"
#include "scan/thumbnail_pipeline.h"
#include "scan/thumbnail_renderer.h"

namespace quorvel {
namespace {

constexpr char kDefaultPhoto[] = "/usr/share/backgrounds/mate/abstract/Elephants_5640x3172.jpg";

struct Picture {
  std::string label;
  QString path;
};

double Seconds(const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; }

// CPU time of this process, all threads (the renders run on workers).
double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// Wall time is what the comparison is about; CPU time beside it says how much of a difference
// comes from other load on the machine.
void ReportCpu(benchmark::State& state, double cpu_seconds) {
  state.counters["cpu_ms"] =
      benchmark::Counter(cpu_seconds * 1e3, benchmark::Counter::kAvgIterations);
}

// One run of `djpeg -scale 1/8 -outfile /dev/null FILE`, start of the process to its end. Adds
// the child's CPU time to `cpu_seconds`.
bool RunDjpeg(const std::string& path, double* cpu_seconds) {
  const char* argv[] = {"djpeg", "-scale", "1/8", "-outfile", "/dev/null", path.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "djpeg", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
    return false;
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return false;
  *cpu_seconds += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_Djpeg(benchmark::State& state, const Picture& picture) {
  const std::string path = QFile::encodeName(picture.path).toStdString();
  double cpu_seconds = 0;
  for (auto _ : state) {
    if (!RunDjpeg(path, &cpu_seconds)) {
      state.SkipWithError("djpeg did not run (install libjpeg-turbo-progs)");
      break;
    }
  }
  ReportCpu(state, cpu_seconds);
}

void BM_RenderThumbnail(benchmark::State& state, const Picture& picture) {
  const double cpu_start = ProcessCpuSeconds();
  for (auto _ : state) {
    QImage thumb = RenderThumbnail(picture.path);
    if (thumb.isNull()) {
      state.SkipWithError("the picture did not render");
      break;
    }
    benchmark::DoNotOptimize(thumb);
  }
  ReportCpu(state, ProcessCpuSeconds() - cpu_start);
}

// Waits the way the capture does: on the pipeline's wake until the file's result is in.
bool WaitReady(ThumbnailPipeline& pipeline) {
  pipeline.WaitForResult(std::nullopt);
  return pipeline.Result().status == ThumbnailResult::Status::kReady;
}

void BM_ShowFileHandedOver(benchmark::State& state, const Picture& picture) {
  ThumbnailPipeline pipeline;
  QImage bitmap;
  const double cpu_start = ProcessCpuSeconds();
  for (auto _ : state) {
    if (!pipeline.ShowFile(picture.path) || !WaitReady(pipeline)) {
      state.SkipWithError("the picture did not render");
      break;
    }
    // As the capture takes it for its encoder.
    bitmap = pipeline.Result().thumbnail.convertToFormat(QImage::Format_RGB888);
    benchmark::DoNotOptimize(bitmap);
  }
  ReportCpu(state, ProcessCpuSeconds() - cpu_start);
}

// The files captured in order; with `read_ahead`, given to the reader first as the capture does,
// so that the next files are read and rendered while the current one is taken; without, each
// read alone when asked for.
void BM_CaptureFiles(benchmark::State& state, const QStringList& files, bool read_ahead) {
  ThumbnailPipeline pipeline;
  QImage bitmap;
  for (auto _ : state) {
    if (read_ahead) pipeline.ReadAhead(files);
    for (qsizetype i = 0; i < files.size(); ++i) {
      if (!pipeline.ShowFile(files[i])) continue;
      if (!WaitReady(pipeline)) {
        state.SkipWithError("a picture did not render");
        return;
      }
      bitmap = pipeline.Result().thumbnail.convertToFormat(QImage::Format_RGB888);
      benchmark::DoNotOptimize(bitmap);
    }
  }
  state.counters["files_per_s"] = benchmark::Counter(
      static_cast<double>(files.size() * state.iterations()), benchmark::Counter::kIsRate);
}

// Keeps the median of every benchmark, so that the renderer can be put against djpeg at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        const auto cpu = run.counters.find("cpu_ms");
        medians_[run.run_name.function_name] = {
            run.GetAdjustedRealTime(), cpu == run.counters.end() ? 0.0 : cpu->second.value};
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios(const std::vector<Picture>& pictures) const {
    for (const Picture& picture : pictures) {
      const auto peer = medians_.find("djpeg_scale_1_8/" + picture.label);
      if (peer == medians_.end()) continue;
      for (const char* kind : {"ShowFile_handed_over", "RenderThumbnail"}) {
        const auto ours = medians_.find(std::string(kind) + "/" + picture.label);
        if (ours == medians_.end()) continue;
        const Median& a = ours->second;
        const Median& b = peer->second;
        std::printf(
            "%-20s %-22s wall %7.2f ms vs djpeg %7.2f ms: %.2fx;  cpu %7.2f ms vs %7.2f ms: "
            "%.2fx\n",
            kind, picture.label.c_str(), a.wall_ms, b.wall_ms, a.wall_ms / b.wall_ms, a.cpu_ms,
            b.cpu_ms, a.cpu_ms / b.cpu_ms);
      }
    }
  }

 private:
  struct Median {
    double wall_ms;
    double cpu_ms;
  };
  std::map<std::string, Median> medians_;
};

// The thumbnail against an exact area average of the full-size decode by Qt's reader.
void PrintQuality(const Picture& picture) {
  QImageReader reader(picture.path);
  reader.setAutoTransform(true);
  const QImage full = reader.read();
  const QImage ours = LoadFittedPicture(picture.path, 100);
  if (full.isNull() || ours.isNull()) {
    std::printf("%s: could not decode for the quality check\n", picture.label.c_str());
    return;
  }
  const QImage reference = testkit::AreaAverage(full, ours.size());
  std::printf(
      "%-28s %d x %d -> %d x %d (DCT scale %d/8), PSNR %.2f dB against the exact area "
      "average of the full-size decode\n",
      picture.label.c_str(), full.width(), full.height(), ours.width(), ours.height(),
      DctScaleEighths(full.size(), ours.size()), testkit::Psnr(ours, reference));
}

std::string Label(const QString& path) {
  QString label = QFileInfo(path).completeBaseName();
  for (QChar& c : label) {
    if (!c.isLetterOrNumber()) c = u'_';
  }
  return label.toStdString();
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) {
  using quorvel::Picture;
  // Our own flags first; Google Benchmark refuses flags it does not know.
  QString photo = QString::fromLatin1(quorvel::kDefaultPhoto);
  int runs = 25;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--photo=", 0) == 0) {
      photo = QString::fromLocal8Bit(arg.substr(8));
    } else if (arg.rfind("--runs=", 0) == 0) {
      runs = std::max(3, std::stoi(arg.substr(7)));
    } else {
      rest.push_back(argv[i]);
    }
  }
  int rest_count = static_cast<int>(rest.size());
  benchmark::Initialize(&rest_count, rest.data());
  if (benchmark::ReportUnrecognizedArguments(rest_count, rest.data())) return 1;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  QTemporaryDir dir;
  if (!dir.isValid()) return 1;
  std::vector<Picture> pictures;
  const QString generated = dir.filePath(QStringLiteral("photo_like_4000x3000.jpg"));
  const quorvel::testkit::PhotoLikePicture texture(4000, 3000);
  if (!quorvel::testkit::WriteJpegByRows(generated, 4000, 3000, 90, texture.Painter())) return 1;
  pictures.push_back({"photo_like_4000x3000", generated});
  if (QFileInfo::exists(photo)) {
    pictures.push_back({quorvel::Label(photo), photo});
  } else {
    std::printf("no photograph at %s: only the generated picture is measured\n", qPrintable(photo));
  }
  for (const Picture& picture : pictures) {
    std::printf("%-28s %lld bytes\n", picture.label.c_str(),
                static_cast<long long>(QFileInfo(picture.path).size()));
    quorvel::PrintQuality(picture);
  }

  for (const Picture& picture : pictures) {
    benchmark::RegisterBenchmark(("djpeg_scale_1_8/" + picture.label).c_str(), quorvel::BM_Djpeg,
                                 picture)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(runs)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(("ShowFile_handed_over/" + picture.label).c_str(),
                                 quorvel::BM_ShowFileHandedOver, picture)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(runs)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(("RenderThumbnail/" + picture.label).c_str(),
                                 quorvel::BM_RenderThumbnail, picture)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(runs)
        ->ReportAggregatesOnly(true);
  }

  // Eight copies of the generated photo, captured one after the other.
  QStringList files;
  for (int i = 0; i < 8; ++i) {
    const QString copy = dir.filePath(QStringLiteral("copy%1.jpg").arg(i));
    if (!QFile::copy(generated, copy)) return 1;
    files << copy;
  }
  for (bool read_ahead : {false, true}) {
    benchmark::RegisterBenchmark(read_ahead ? "CaptureFiles_read_ahead" : "CaptureFiles_alone",
                                 quorvel::BM_CaptureFiles, files, read_ahead)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(std::max(3, runs / 5))
        ->ReportAggregatesOnly(true);
  }

  quorvel::RatioReporter reporter(isatty(STDOUT_FILENO) ? quorvel::RatioReporter::OO_ColorTabular
                                                        : quorvel::RatioReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n");
  reporter.PrintRatios(pictures);
  benchmark::Shutdown();
  return 0;
}
