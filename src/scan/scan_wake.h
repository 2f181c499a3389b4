// What a scan's wait sleeps on: the buttons, a change of the time-out and the renders that end
// all wake it, from whatever thread they run on.
#ifndef QUORVEL_SCAN_SCAN_WAKE_H_
#define QUORVEL_SCAN_SCAN_WAKE_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace quorvel {

class ScanWake {
 public:
  using Clock = std::chrono::steady_clock;

  // Any thread: wakes every wait begun with a count taken before.
  void Notify() {
    {
      const std::lock_guard lock(mutex_);
      ++notices_;
    }
    changed_.notify_all();
  }

  // The notices so far. A waiter takes it before it looks at what it waits for, so that a notice
  // coming in between is not lost.
  std::uint64_t Notices() const {
    const std::lock_guard lock(mutex_);
    return notices_;
  }

  // Sleeps until a notice after `seen`, or until `deadline` when there is one. True when woken
  // by a notice.
  bool WaitAfter(std::uint64_t seen, std::optional<Clock::time_point> deadline) {
    std::unique_lock lock(mutex_);
    const auto noticed = [&] { return notices_ != seen; };
    if (!deadline) {
      changed_.wait(lock, noticed);
      return true;
    }
    return changed_.wait_until(lock, *deadline, noticed);
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t notices_ = 0;
};

}  // namespace quorvel

#endif  // QUORVEL_SCAN_SCAN_WAKE_H_
