// A ScanView that records what the scan shows and answers its questions from plain fields, so
// that tests see every line, position, colour change and wait step the page would.
#ifndef QUORVEL_TESTS_ADDDISK_RECORDING_SCAN_VIEW_H_
#define QUORVEL_TESTS_ADDDISK_RECORDING_SCAN_VIEW_H_

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "scan/scan_view.h"

namespace quorvel::testkit {

class RecordingScanView : public ScanView {
 public:
  void SetStatusLine(const QString& text) override {
    status_lines.append(text);
    events.append(QStringLiteral("status ") + text);
    if (on_status) on_status(text);
  }
  void SetCounterLine(const QString& text) override {
    counter_lines.append(text);
    if (on_counter) on_counter(text);
  }
  void SetProgress(int position) override { progress.push_back(position); }
  void SetWaiting(bool waiting) override {
    events.append(waiting ? QStringLiteral("waiting") : QStringLiteral("not waiting"));
  }
  bool TimeoutActive() override { return timeout_active; }
  QString TimeoutText() override { return timeout_text; }
  std::vector<std::string> ExcludedEndings() override { return excluded; }

  // Never blocks unless `pump_events` hands the call to the real event loop, which the
  // renderer's results need.
  void ProcessMessages(bool wait_for_more) override {
    waits_for_events.push_back(wait_for_more);
    if (on_process) on_process();
    if (pump_events) ScanView::ProcessMessages(wait_for_more);
  }
  // Records the step instead of sleeping.
  void Sleep(int milliseconds) override {
    sleeps.push_back(milliseconds);
    events.append(QStringLiteral("sleep %1").arg(milliseconds));
    if (on_sleep) on_sleep();
  }

  bool timeout_active = false;
  QString timeout_text = QStringLiteral("1");
  std::vector<std::string> excluded;  // Windows-1251
  bool pump_events = false;
  std::function<void(const QString&)> on_status;
  std::function<void(const QString&)> on_counter;
  std::function<void()> on_process;
  std::function<void()> on_sleep;

  QStringList status_lines;
  QStringList counter_lines;
  QStringList events;  // status lines, colour changes and sleeps in the order they came
  std::vector<int> progress;
  std::vector<bool> waits_for_events;  // one per ProcessMessages call
  std::vector<int> sleeps;
};

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_ADDDISK_RECORDING_SCAN_VIEW_H_
