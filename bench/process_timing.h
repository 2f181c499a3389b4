// Timing for the plain benchmark programs: a monotonic clock, other programs started and waited
// for with their CPU time, peak memory and bytes read, and medians of rounds.
#ifndef QUORVEL_BENCH_PROCESS_TIMING_H_
#define QUORVEL_BENCH_PROCESS_TIMING_H_

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace quorvel {

// Seconds on the monotonic clock.
double Now();

// Starts `argv` (argv[0] looked up on the PATH unless it holds a slash). Its stdout and stderr
// go to the given files when they are not empty, else to ours. Returns 0 when it cannot start.
pid_t Start(const std::vector<std::string>& argv, const std::string& out_file = {},
            const std::string& err_file = {});

// What a child cost, as Wait reports it.
struct ChildUsage {
  double cpu = 0;        // user and system seconds, added to by each Wait
  long max_rss_kb = 0;   // peak resident size of the last child waited for
  long long rchar = -1;  // bytes it read through read() and the like; -1 when unknown
};

// Waits for `pid` (any child when -1); true when it exited with status 0. Fills `usage`; its
// rchar only for a given pid, read from /proc before the child is reaped.
bool Wait(pid_t pid, ChildUsage* usage);

// The "found" and "added" counts that `qrvtool add` printed into `out_file`; -1 for a count it
// did not print.
struct AddCounts {
  long long found = -1;
  long long added = -1;
};
AddCounts ReadAddCounts(const std::string& out_file);

// The last `bytes` bytes of a file without blanks at either end: what a failed child said.
std::string TailOf(const std::string& file, std::size_t bytes);

// Runs the corpus script `script` with bash to make (or reuse) its corpus in `folder`, its
// output forwarded; false, said on stdout, when it fails.
bool MakeCorpusWith(const std::string& script, const std::string& folder);

// The median; NaN for no values.
double Median(std::vector<double> values);

}  // namespace quorvel

#endif  // QUORVEL_BENCH_PROCESS_TIMING_H_
