#include "display/screen_grab.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <cstdlib>

namespace quorvel::testkit {

QImage ScreenImage(const QWidget* widget) {
  QScreen* screen = widget->screen();
  const QPoint at = widget->mapToGlobal(QPoint(0, 0)) - screen->geometry().topLeft();
  return screen->grabWindow(0, at.x(), at.y(), widget->width(), widget->height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

QImage SettledScreenImage(const QWidget* widget, int timeout_ms) {
  const QDeadlineTimer deadline(timeout_ms);
  QCoreApplication::processEvents();
  QImage last = ScreenImage(widget);
  while (!deadline.hasExpired()) {
    // A few frames, so that update requests and the backing store's flush have come and gone.
    QTest::qWait(80);
    QImage now = ScreenImage(widget);
    if (now == last) break;
    last = std::move(now);
  }
  return last;
}

QImage RepaintedImage(QWidget* widget) {
  return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

qsizetype DifferingPixels(const QImage& a, const QImage& b, int tolerance) {
  if (a.size() != b.size()) return qsizetype(a.width()) * a.height();
  qsizetype count = 0;
  for (int y = 0; y < a.height(); ++y) {
    const QRgb* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const QRgb* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      if (std::abs(qRed(p[x]) - qRed(q[x])) > tolerance ||
          std::abs(qGreen(p[x]) - qGreen(q[x])) > tolerance ||
          std::abs(qBlue(p[x]) - qBlue(q[x])) > tolerance) {
        ++count;
      }
    }
  }
  return count;
}

QString KeepForInspection(const QString& name, const QImage& screen, const QImage& repainted) {
  const QString folder = qEnvironmentVariable("QUORVEL_TEST_SHOTS");
  if (folder.isEmpty()) return QStringLiteral("set QUORVEL_TEST_SHOTS to keep the images");
  QDir().mkpath(folder);
  const QString base = QDir(folder).filePath(name);
  screen.save(base + QStringLiteral("-screen.png"));
  repainted.save(base + QStringLiteral("-repainted.png"));
  return base + QStringLiteral("-{screen,repainted}.png");
}

}  // namespace quorvel::testkit
