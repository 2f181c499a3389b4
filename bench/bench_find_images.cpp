// The walk of a large disk: 100,000 empty files named *.jpg in 1,000 folders (ten by ten by ten,
// a hundred files in each of the deepest), walked with sub-folders by the program's own walk and
// renderer on the offscreen platform, once with a silent view and once with the add-disk page
// itself showing every status and counter text. inotify watches every folder meanwhile and
// counts the files opened, which must stay at none: the walk judges files by name only.
//
// Run a Release build: build-bench/bench/bench_find_images [--runs=N]
#include <sys/inotify.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "adddisk/add_disk_page.h"
#include "platform/user_prompts.h"
#include "scan/find_images.h"
#include "scan/scan_view.h"
#include "scan/thumbnail_pipeline.h"
#include "settings/settings_state.h"
#include "silent_scan_view.h"

namespace quorvel {
namespace {

constexpr int kFanOut = 10;           // folders per level, three levels deep
constexpr int kFilesPerFolder = 100;  // in each of the 1,000 deepest folders
constexpr double kTargetSeconds = 2.0;

// Makes the tree; returns every folder in it, the root first.
std::vector<QString> MakeTree(const QString& root) {
  std::vector<QString> folders{root};
  for (int a = 0; a < kFanOut; ++a) {
    const QString level1 = root + QStringLiteral("/d%1").arg(a);
    folders.push_back(level1);
    for (int b = 0; b < kFanOut; ++b) {
      const QString level2 = level1 + QStringLiteral("/d%1").arg(b);
      folders.push_back(level2);
      for (int c = 0; c < kFanOut; ++c) {
        const QString leaf = level2 + QStringLiteral("/d%1").arg(c);
        QDir().mkpath(leaf);
        folders.push_back(leaf);
        for (int f = 0; f < kFilesPerFolder; ++f) {
          QFile file(leaf + QStringLiteral("/IMG_%1.jpg").arg(f, 4, 10, QLatin1Char('0')));
          if (!file.open(QIODevice::WriteOnly)) std::perror("create");
        }
      }
    }
  }
  return folders;
}

// Counts the files (not folders) opened in any of the watched folders.
class OpenCounter {
 public:
  explicit OpenCounter(const std::vector<QString>& folders)
      : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    for (const QString& folder : folders) {
      if (inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_OPEN) < 0) {
        std::perror("inotify_add_watch");
      }
    }
  }
  ~OpenCounter() { close(fd_); }

  int FilesOpened() {
    int opened = 0;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
      const ssize_t got = read(fd_, buffer, sizeof buffer);
      if (got <= 0) return opened;
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if ((event->mask & IN_OPEN) && !(event->mask & IN_ISDIR)) ++opened;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
  }

 private:
  int fd_;
};

struct Run {
  double seconds;
  int found;
  int opened;
};

Run Walk(const QString& root, ScanView& view, const ThumbnailPipeline& thumbs,
         OpenCounter& counter) {
  counter.FilesOpened();  // drop what came before
  ScanState state;
  state.ScanFolder = root;
  state.ScanActive = true;
  ScanContext context;
  QElapsedTimer timer;
  timer.start();
  FindImages(context, state, view, thumbs);
  const double seconds = timer.nsecsElapsed() / 1e9;
  return {seconds, context.FoundCount, counter.FilesOpened()};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) {
  using namespace quorvel;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int runs = 5;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--runs=", 7) == 0) runs = std::max(1, std::atoi(argv[i] + 7));
  }

  QTemporaryDir dir;
  const QString root = dir.filePath(QStringLiteral("disk"));
  QElapsedTimer made;
  made.start();
  const std::vector<QString> folders = MakeTree(root);
  std::printf("tree: %zu folders, %d files, made in %.2f s\n", folders.size(),
              kFanOut * kFanOut * kFanOut * kFilesPerFolder, made.nsecsElapsed() / 1e9);
  OpenCounter counter(folders);

  ThumbnailPipeline thumbs;
  bench::SilentScanView silent({".txt"});
  QTemporaryDir settings_dir;
  SettingsState settings({QFile::encodeName(settings_dir.filePath("q.ini")).toStdString(),
                          QFile::encodeName(settings_dir.filePath("Cat.dat")).toStdString()});
  // The walk asks nothing; the page only needs somewhere to put questions.
  MessageBoxPrompts prompts;
  AddDiskPage page(settings, prompts);
  page.show();

  std::vector<double> silent_times, page_times;
  int found = 0, opened = 0;
  Walk(root, silent, thumbs, counter);  // warm the folder cache
  for (int r = 0; r < runs; ++r) {
    const Run a = Walk(root, silent, thumbs, counter);
    const Run b = Walk(root, page, thumbs, counter);
    silent_times.push_back(a.seconds);
    page_times.push_back(b.seconds);
    found = std::max(a.found, b.found);
    opened += a.opened + b.opened;
  }
  const double silent_median = Median(silent_times);
  const double page_median = Median(page_times);
  std::printf("walk, silent view:   median %.3f s of %d runs\n", silent_median, runs);
  std::printf("walk, add-disk page: median %.3f s of %d runs\n", page_median, runs);
  std::printf("found per walk: %d; files opened over all walks: %d\n", found, opened);
  const bool pass = std::max(silent_median, page_median) <= kTargetSeconds && opened == 0 &&
                    found == kFanOut * kFanOut * kFanOut * kFilesPerFolder;
  std::printf("%s: target %.1f s, no file opened, every file found\n", pass ? "PASS" : "FAIL",
              kTargetSeconds);
  return 0;
}
