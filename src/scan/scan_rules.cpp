#include "scan/scan_rules.h"

#include <QCoreApplication>
#include <QThread>
#include <cmath>

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

void ScanView::ProcessMessages(bool wait_for_more) {
  QCoreApplication::processEvents(wait_for_more ? QEventLoop::WaitForMoreEvents
                                                : QEventLoop::AllEvents);
}

void ScanView::Sleep(int milliseconds) {
  QThread::msleep(static_cast<unsigned long>(milliseconds));
}

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

void ScanWait(ScanView& view, const ScanState& state, ScanContext& context,
              const std::function<bool()>& ready) {
  // Nothing but an event (the render ending, a button, a changed time-out) can end a pass
  // that neither sleeps nor has run out of time, so such passes wait for one instead of
  // spinning a core that the renderer's threads could use.
  bool only_events_can_end = false;
  for (;;) {
    view.ProcessMessages(only_events_can_end);
    const bool timed = view.TimeoutActive();
    if (timed) {
      view.Sleep(100);
      ++context.WaitSteps;
    }
    if (ready() || state.SkipRequested) return;
    const int timeout = ParseTimeout(view.TimeoutText());
    if (timeout <= context.WaitSteps * 100) return;
    only_events_can_end = !timed;
  }
}

}  // namespace quorvel
