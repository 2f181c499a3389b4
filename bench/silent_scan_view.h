// A view of the scan that shows nothing and has no one to press "Пропустить", so that a
// benchmark's figure is the scan's own.
#ifndef QUORVEL_BENCH_SILENT_SCAN_VIEW_H_
#define QUORVEL_BENCH_SILENT_SCAN_VIEW_H_

#include <QString>
#include <string>
#include <utility>
#include <vector>

#include "scan/scan_view.h"

namespace quorvel::bench {

class SilentScanView : public ScanView {
 public:
  explicit SilentScanView(std::vector<std::string> excluded = {})
      : excluded_(std::move(excluded)) {}

  void SetStatusLine(const QString&) override {}
  void SetCounterLine(const QString&) override {}
  void SetProgress(int) override {}
  void SetWaiting(bool) override {}
  bool TimeoutActive() override { return false; }
  QString TimeoutText() override { return QStringLiteral("100"); }
  std::vector<std::string> ExcludedEndings() override { return excluded_; }
  bool PersonCanSkip() override { return false; }

 private:
  std::vector<std::string> excluded_;
};

}  // namespace quorvel::bench

#endif  // QUORVEL_BENCH_SILENT_SCAN_VIEW_H_
