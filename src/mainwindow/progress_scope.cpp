#include "mainwindow/progress_scope.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <algorithm>

namespace quorvel {
namespace {

// The dialog's steps: a byte count does not fit its int range.
constexpr int kSteps = 1000;
// Work that ends sooner shows no dialog at all.
constexpr int kShowAfterMs = 300;
// Often enough for the windows to repaint smoothly, seldom enough to cost nothing.
constexpr qint64 kEventsEveryMs = 50;

}  // namespace

ProgressScope::ProgressScope(QWidget* window, const QString& label, std::int64_t size) {
  if (size <= kLargeCatalogue) return;
  dialog_ = std::make_unique<QProgressDialog>(label, QString(), 0, kSteps, window);
  dialog_->setObjectName(QStringLiteral("progress_dialog"));
  dialog_->setWindowTitle(QStringLiteral("Quorvel"));
  dialog_->setCancelButton(nullptr);
  // Not modal: a modal progress dialog lets every event through on each step, the keys too.
  dialog_->setWindowModality(Qt::NonModal);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setMinimumDuration(kShowAfterMs);
  // The first value starts the dialog's clock: it appears after kShowAfterMs unless done.
  dialog_->setValue(0);
  since_events_.start();
  callback_ = [this](std::int64_t done, std::int64_t total) { Report(done, total); };
}

ProgressScope::~ProgressScope() = default;

void ProgressScope::Report(std::int64_t done, std::int64_t total) {
  if (total > 0) {
    dialog_->setValue(static_cast<int>(std::min(done, total) * kSteps / total));
  }
  if (since_events_.elapsed() < kEventsEveryMs) return;
  since_events_.restart();
  // Painting, timers and the dialog's own appearance go on; the keys and clicks wait in the
  // queue until the work is over. Let through now, a key typed meanwhile would run its command
  // in the middle of this one, over a document that is half read or half written.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace quorvel
