// The usual console output of Google Benchmark, followed by the ratio of chosen cases' times,
// each the best real time per iteration (the median where only aggregates are reported).
#ifndef QUORVEL_BENCH_RATIO_REPORTER_H_
#define QUORVEL_BENCH_RATIO_REPORTER_H_

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Each pair names two benchmark functions: the first's time is printed over the second's.
  using Ratios = std::vector<std::pair<std::string, std::string>>;

  explicit RatioReporter(Ratios ratios)
      : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular),
        ratios_(std::move(ratios)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const bool timed = run.run_type == Run::RT_Iteration || run.aggregate_name == "median";
      if (!timed || run.error_occurred) continue;
      auto [it, fresh] = best_.try_emplace(run.run_name.function_name, run.GetAdjustedRealTime());
      if (!fresh && run.GetAdjustedRealTime() < it->second) it->second = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [over, under] : ratios_) {
      const auto a = best_.find(over);
      const auto b = best_.find(under);
      if (a == best_.end() || b == best_.end()) continue;
      GetOutputStream() << over << " / " << under << ": " << a->second / b->second << "\n";
    }
  }

  // Runs the benchmarks named on the command line, reporting through a RatioReporter.
  static int RunAll(int argc, char** argv, Ratios ratios) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter(std::move(ratios));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
  }

 private:
  Ratios ratios_;
  std::map<std::string, double> best_;  // function name -> best real time per iteration
};

}  // namespace quorvel

#endif  // QUORVEL_BENCH_RATIO_REPORTER_H_
