#include "mainwindow/fingerprint_progress.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <cstdint>
#include <exception>

namespace quorvel {
namespace {

// How often the dialog shows the workers' progress.
constexpr int kProgressIntervalMs = 100;

}  // namespace

bool ComputeFingerprints(QWidget* window, CatalogFingerprints& prints,
                         const CatalogVersion& version) {
  if (prints.Knows(version.index)) return true;
  // Shown at once: computing is only needed the first time and after a change, and then takes
  // long enough on any real catalogue that a window which did not answer would look stuck.
  QProgressDialog dialog(QStringLiteral("Вычисление отпечатков…"), QStringLiteral("Отмена"), 0, 0,
                         window);
  dialog.setObjectName(QStringLiteral("fingerprint_progress"));
  dialog.setWindowTitle(QStringLiteral("Quorvel"));
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  dialog.setMinimumDuration(0);

  // The workers report and stop through these; only this thread touches the dialog.
  std::atomic<bool> stop{false};
  std::atomic<std::int64_t> done{0};
  std::atomic<std::int64_t> total{0};
  QObject::connect(&dialog, &QProgressDialog::canceled, [&stop] { stop = true; });
  dialog.show();

  // The thread the future runs on never sees the dialog: it only reads the flag.
  std::exception_ptr failure;
  QFutureWatcher<bool> watcher;
  QEventLoop wait;
  QObject::connect(&watcher, &QFutureWatcher<bool>::finished, &wait, &QEventLoop::quit);
  QTimer ticks;
  QObject::connect(&ticks, &QTimer::timeout, &dialog, [&] {
    // QProgressDialog counts in int; a share of the whole keeps a huge count in range.
    const std::int64_t all = total.load();
    if (all <= 0) return;
    constexpr int kSteps = 1000;
    dialog.setMaximum(kSteps);
    dialog.setValue(static_cast<int>(done.load() * kSteps / all));
  });
  ticks.start(kProgressIntervalMs);
  watcher.setFuture(QtConcurrent::run([&]() -> bool {
    try {
      return prints.Update(
          version,
          [&done, &total](std::int64_t now, std::int64_t all) {
            done = now;
            total = all;
          },
          [&stop] { return stop.load(); });
    } catch (...) {
      failure = std::current_exception();
      return false;
    }
  }));
  if (!watcher.isFinished()) wait.exec();
  ticks.stop();
  if (failure) std::rethrow_exception(failure);
  return watcher.result() && !dialog.wasCanceled();
}

}  // namespace quorvel
