// The progress of a long read or write of the whole catalogue (opening, saving, merging), shown
// in a dialog over the window for as long as the scope lives.
#ifndef QUORVEL_MAINWINDOW_PROGRESS_SCOPE_H_
#define QUORVEL_MAINWINDOW_PROGRESS_SCOPE_H_

#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <memory>

#include "catalog/catalog_index.h"

class QProgressDialog;
class QWidget;

namespace quorvel {

class ProgressScope {
 public:
  // Catalogues up to this size are read and written in a moment: no dialog, no callback.
  static constexpr std::int64_t kLargeCatalogue = std::int64_t{64} << 20;

  // For work over a catalogue of `size` bytes: a catalogue larger than kLargeCatalogue gets a
  // dialog over `window` saying `label`, without a cancel button (the work cannot stop half-way),
  // which appears once the work has taken longer than a moment.
  ProgressScope(QWidget* window, const QString& label, std::int64_t size);
  ~ProgressScope();
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

  // The document's callback for the work: moves the dialog on and keeps the windows painted.
  // Empty for a small catalogue.
  const ProgressCallback& Callback() const { return callback_; }

 private:
  void Report(std::int64_t done, std::int64_t total);

  std::unique_ptr<QProgressDialog> dialog_;
  QElapsedTimer since_events_;  // since the events were last let through
  ProgressCallback callback_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_PROGRESS_SCOPE_H_
