// A ScanView that records what the scan shows and answers its questions from plain fields, so
// that tests see every line, position, colour change and picture the page would. Used on the
// scan's thread only.
#ifndef QUORVEL_TESTS_ADDDISK_RECORDING_SCAN_VIEW_H_
#define QUORVEL_TESTS_ADDDISK_RECORDING_SCAN_VIEW_H_

#include <QImage>
#include <QList>
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
    if (waiting && on_waiting) on_waiting();
  }
  void ShowThumbnail(const QImage& thumbnail, const QString&) override {
    thumbnails.append(thumbnail);
  }
  bool TimeoutActive() override { return timeout_active; }
  QString TimeoutText() override { return timeout_text; }
  std::vector<std::string> ExcludedEndings() override { return excluded; }

  bool timeout_active = false;
  QString timeout_text = QStringLiteral("1");
  std::vector<std::string> excluded;  // Windows-1251
  std::function<void(const QString&)> on_status;
  std::function<void(const QString&)> on_counter;
  // Called as a wait begins, the skip button turning red.
  std::function<void()> on_waiting;

  QStringList status_lines;
  QStringList counter_lines;
  QStringList events;  // status lines and colour changes in the order they came
  std::vector<int> progress;
  QList<QImage> thumbnails;  // the pictures stored, in order
};

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_ADDDISK_RECORDING_SCAN_VIEW_H_
