// The peak resident memory of one step of a test, on Linux.
#ifndef QUORVEL_TESTS_SUPPORT_PEAK_MEMORY_H_
#define QUORVEL_TESTS_SUPPORT_PEAK_MEMORY_H_

#include <fstream>
#include <string>

namespace quorvel::testkit {

// Linux keeps the peak resident size of the process (VmHWM) and lets it be reset, so the peak of
// one step can be told from everything before it.
class PeakMemory {
 public:
  static bool Available() { return std::ofstream("/proc/self/clear_refs").good(); }

  void Start() {
    std::ofstream("/proc/self/clear_refs") << "5";
    start_kb_ = Read("VmRSS:");
  }
  long GrowthKb() const { return Read("VmHWM:") - start_kb_; }

 private:
  static long Read(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
      if (word == key) {
        long kb = 0;
        status >> kb;
        return kb;
      }
    }
    return -1;
  }
  long start_kb_ = 0;
};

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_PEAK_MEMORY_H_
