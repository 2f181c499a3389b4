#include "process_timing.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace quorvel {
namespace {

// The rchar line of /proc/PID/io; -1 when it cannot be read.
long long ReadChars(pid_t pid) {
  std::ifstream io("/proc/" + std::to_string(pid) + "/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return -1;
}

}  // namespace

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

pid_t Start(const std::vector<std::string>& argv, const std::string& out_file,
            const std::string& err_file) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const int flags = O_WRONLY | O_CREAT | O_TRUNC;
  if (!out_file.empty())
    posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(), flags, 0644);
  if (!err_file.empty())
    posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), flags, 0644);
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : 0;
}

bool Wait(pid_t pid, ChildUsage* usage) {
  if (pid > 0) {
    // Left unreaped for a moment, the ended child still shows its counters.
    siginfo_t info{};
    while (waitid(P_PID, pid, &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) continue;
    usage->rchar = ReadChars(pid);
  }
  int status = 0;
  rusage used{};
  pid_t got = 0;
  while ((got = wait4(pid, &status, 0, &used)) < 0 && errno == EINTR) continue;
  if (got < 0) return false;
  usage->cpu += used.ru_utime.tv_sec + used.ru_stime.tv_sec +
                (used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
  usage->max_rss_kb = used.ru_maxrss;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

AddCounts ReadAddCounts(const std::string& out_file) {
  AddCounts counts;
  std::ifstream in(out_file);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    const std::string key = line.substr(0, tab);
    const long long value = std::atoll(line.c_str() + tab + 1);
    if (key == "found") counts.found = value;
    if (key == "added") counts.added = value;
  }
  return counts;
}

std::string TailOf(const std::string& file, std::size_t bytes) {
  std::ifstream in(file, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto blank = [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && blank(text[start])) ++start;
  text.erase(0, start);
  return text.size() > bytes ? text.substr(text.size() - bytes) : text;
}

double Median(std::vector<double> values) {
  if (values.empty()) return std::nan("");
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool MakeCorpusWith(const std::string& script, const std::string& folder) {
  ChildUsage usage;
  const pid_t pid = Start({"bash", script, folder});
  if (pid != 0 && Wait(pid, &usage)) return true;
  std::printf("the corpus could not be made in %s\n", folder.c_str());
  return false;
}

}  // namespace quorvel
