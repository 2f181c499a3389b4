// What each `qrvtool` command costs on a catalogue of a lifetime's discs (lifetime_catalogue.h),
// against what the file itself costs: `list`, `check` and `search` against `cat` of the file,
// `search` against `list`, and the edits (`rename`, `remove`, `remove-thumbs`, `import`), which
// must write the whole file anew, against `cp` of it, and against `cp` followed by `sync` of the
// copy, since a save forces its file to the disk before it replaces the old one. Each figure is the median of the rounds,
// taken in turns in one run, with the command's peak resident memory.
//
// usage: bench_lifetime_catalogue [ROUNDS] [FOLDER]   (defaults: 5, /tmp/quorvel-lifetime)
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "lifetime_catalogue.h"
#include "process_timing.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

struct Sample {
  double wall = 0;
  double cpu = 0;
  double peak_mb = 0;
};

// Runs `argv` once with its output thrown away; exits the program when it fails.
Sample Run(const std::vector<std::string>& argv, const std::string& log) {
  const double start = Now();
  const pid_t pid = Start(argv, "/dev/null", log);
  ChildUsage usage;
  if (pid == 0 || !Wait(pid, &usage)) {
    std::fprintf(stderr, "%s failed: %s\n", argv[0].c_str(), TailOf(log, 400).c_str());
    std::exit(1);
  }
  return {Now() - start, usage.cpu, usage.max_rss_kb / 1024.0};
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) {
  using namespace quorvel;
  QGuiApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path folder = argc > 2 ? fs::path(argv[2]) : fs::path("/tmp/quorvel-lifetime");
  fs::create_directories(folder);
  const std::string catalogue = (folder / "lifetime.qrv").string();
  const std::string other = (folder / "other.qrv").string();
  const std::string work = (folder / "work.qrv").string();
  const std::string log = (folder / "child.log").string();
  std::string error;
  std::printf("making the catalogues (once)...\n");
  if (!MakeLifetimeCatalogue(catalogue, LifetimeShape{}, &error) ||
      !MakeLifetimeCatalogue(other, LifetimeShape{.disks = 2, .thumbs_per_disk = 1000}, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const std::string tool = QRVTOOL_PATH;
  std::map<std::string, std::vector<Sample>> samples;
  const std::vector<std::string> order = {"cat",    "list",   "check",  "search",
                                          "cp",     "cp+sync", "rename", "remove",
                                          "remove-thumbs", "import"};
  // The copy's pages are written out before the edit runs, so that the edit's own forced write
  // does not wait for them.
  const auto fresh_copy = [&] {
    Run({"cp", catalogue, work}, log);
    Run({"sync"}, log);
  };
  for (int round = 0; round < rounds; ++round) {
    samples["cat"].push_back(Run({"cat", catalogue}, log));
    samples["list"].push_back(Run({tool, "list", catalogue}, log));
    samples["check"].push_back(Run({tool, "check", catalogue}, log));
    samples["search"].push_back(Run({tool, "search", catalogue, "IMG_0007", "--count"}, log));
    fs::remove(work);
    samples["cp"].push_back(Run({"cp", catalogue, work}, log));
    Run({"sync"}, log);
    fs::remove(work);
    samples["cp+sync"].push_back(
        Run({"sh", "-c", "cp \"$0\" \"$1\" && sync \"$1\"", catalogue, work}, log));
    samples["rename"].push_back(Run({tool, "rename", work, "250", "Переименован"}, log));
    fresh_copy();
    samples["remove"].push_back(Run({tool, "remove", work, "250"}, log));
    fresh_copy();
    samples["remove-thumbs"].push_back(Run({tool, "remove-thumbs", work, "250", "1", "2", "3"}, log));
    fresh_copy();
    samples["import"].push_back(Run({tool, "import", work, other}, log));
  }
  fs::remove(work);

  std::map<std::string, Sample> median;
  for (const auto& [name, runs] : samples) {
    std::vector<double> wall, cpu, peak;
    for (const Sample& s : runs) {
      wall.push_back(s.wall);
      cpu.push_back(s.cpu);
      peak.push_back(s.peak_mb);
    }
    median[name] = {Median(wall), Median(cpu), Median(peak)};
  }
  std::printf("catalogue: %s, %.0f MB, 500 disks x 1000 thumbnails; %d rounds\n",
              catalogue.c_str(), fs::file_size(catalogue) / 1e6, rounds);
  std::printf("%-15s %9s %9s %10s\n", "command", "wall s", "cpu s", "peak MB");
  for (const std::string& name : order) {
    const Sample& m = median[name];
    std::printf("%-15s %9.3f %9.3f %10.1f\n", name.c_str(), m.wall, m.cpu, m.peak_mb);
  }
  const auto ratio = [&](const char* a, const char* b, const char* bound) {
    std::printf("%-15s / %-5s %7.2f   (bound %s)\n", a, b, median[a].wall / median[b].wall, bound);
  };
  std::printf("ratios of median wall time:\n");
  ratio("list", "cat", "2");
  ratio("check", "cat", "2");
  ratio("search", "list", "1.3");
  for (const char* edit : {"rename", "remove", "remove-thumbs", "import"}) {
    ratio(edit, "cp", "1.5");
    ratio(edit, "cp+sync", "1.5");
  }
  return 0;
}
