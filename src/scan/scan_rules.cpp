#include "scan/scan_rules.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>

namespace quorvel {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace

bool IsExcluded(std::string_view file_name, const std::vector<std::string>& endings) {
  bool excluded = false;
  for (const std::string& ending : endings) {
    // The whole name stands in for its tail when it is shorter than the entry, and then can
    // equal it only if the lengths agree, which they do not.
    const std::string_view tail = ending.size() < file_name.size()
                                      ? file_name.substr(file_name.size() - ending.size())
                                      : file_name;
    if (EqualFolded(tail, ending)) excluded = true;
  }
  return excluded;
}

int CaptureProgress(int index, int count) {
  const double x = index * 100.0 / count - 1;
  const double below = std::floor(x);
  const double fraction = x - below;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0)) return int(below) + 1;
  return int(below);
}

int ParseTimeout(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (!ok) throw ScanError("The time-out \"" + text.toStdString() + "\" is not a whole number");
  return value;
}

void ScanWait(ScanView& view, ScanState& state, ScanContext& context,
              const std::function<bool()>& ready) {
  using Clock = ScanWake::Clock;
  constexpr auto kStep = std::chrono::milliseconds(100);
  ScanWake& wake = *state.Wake;
  // The time waited with the box checked; only whole steps of it count.
  Clock::duration counted = context.WaitSteps * kStep;
  for (;;) {
    // Taken before anything is looked at, so that a wake in between ends the sleep below.
    const std::uint64_t seen = wake.Notices();
    const Clock::time_point pass_start = Clock::now();
    const bool timed = view.TimeoutActive();
    if (ready() || state.SkipRequested) return;
    const int timeout = ParseTimeout(view.TimeoutText());
    std::optional<Clock::time_point> deadline;
    if (timed) {
      const std::int64_t steps = std::max<std::int64_t>(1, (std::int64_t{timeout} + 99) / 100);
      if (context.WaitSteps >= steps) return;
      deadline = pass_start + (steps * kStep - counted);
    } else if (timeout <= context.WaitSteps * 100) {
      return;
    }
    wake.WaitAfter(seen, deadline);
    if (timed) {
      counted += Clock::now() - pass_start;
      context.WaitSteps = static_cast<std::int32_t>(counted / kStep);
    }
  }
}

}  // namespace quorvel
