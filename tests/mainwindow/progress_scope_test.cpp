// The progress of long reads and writes of the catalogue: a dialog only for a large catalogue,
// and only once the work lasts.
#include "mainwindow/progress_scope.h"

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <functional>

namespace quorvel {
namespace {

// Work of `ms` milliseconds reporting to `progress` every 10 ms, as a document's read does.
void Work(const ProgressCallback& progress, int ms) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (elapsed.elapsed() < ms) {
    progress(elapsed.elapsed(), ms);
    QThread::msleep(10);
  }
}

// Counts the paints `widget` gets.
class PaintCount : public QObject {
 public:
  explicit PaintCount(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

}  // namespace

class ProgressScopeTest : public QObject {
  Q_OBJECT

 private slots:
  void onlyLongWorkOnALargeCatalogueShowsItsProgress();
};

void ProgressScopeTest::onlyLongWorkOnALargeCatalogueShowsItsProgress() {
  QWidget window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  {
    const ProgressScope small(&window, QStringLiteral("Чтение каталога…"),
                              ProgressScope::kLargeCatalogue);
    QVERIFY(!small.Callback());
    QVERIFY(window.findChild<QProgressDialog*>() == nullptr);
  }
  {
    // Over before the dialog's time comes: nothing flashes up.
    const ProgressScope quick(&window, QStringLiteral("Чтение каталога…"),
                              ProgressScope::kLargeCatalogue + 1);
    Work(quick.Callback(), 100);
    QVERIFY(!window.findChild<QProgressDialog*>()->isVisible());
  }
  const ProgressScope slow(&window, QStringLiteral("Сохранение каталога…"),
                           ProgressScope::kLargeCatalogue + 1);
  auto* dialog = window.findChild<QProgressDialog*>();
  const PaintCount dialog_paints(dialog);
  Work(slow.Callback(), 1000);
  QVERIFY(dialog->isVisible());
  // Painted while the work went on, which never returned to the event loop.
  QVERIFY(dialog_paints.paints > 0);
  QCOMPARE(dialog->labelText(), QStringLiteral("Сохранение каталога…"));
  QVERIFY(dialog->value() >= dialog->maximum() * 9 / 10);
  // The work cannot stop half-way: nothing offers to.
  QVERIFY(dialog->findChildren<QPushButton*>().isEmpty());
}

}  // namespace quorvel

QTEST_MAIN(quorvel::ProgressScopeTest)
#include "progress_scope_test.moc"
