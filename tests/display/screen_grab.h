// What the X server shows, for tests that check the screen rather than a fresh repaint: a widget
// painted by QWidget::grab() is drawn anew, so it hides any part the program forgot to repaint.
#ifndef QUORVEL_TESTS_DISPLAY_SCREEN_GRAB_H_
#define QUORVEL_TESTS_DISPLAY_SCREEN_GRAB_H_

#include <QImage>
#include <QString>

class QWidget;

namespace quorvel::testkit {

// The screen's pixels under the widget now, read from the framebuffer.
QImage ScreenImage(const QWidget* widget);

// The screen under the widget once painting has settled: pending events are delivered until two
// grabs some frames apart agree, or `timeout_ms` passes.
QImage SettledScreenImage(const QWidget* widget, int timeout_ms = 3000);

// A fresh repaint of the whole widget, in the screen's format, to compare with the screen.
QImage RepaintedImage(QWidget* widget);

// How many pixels of two images of one size differ by more than `tolerance` in some channel;
// every pixel when the sizes differ.
qsizetype DifferingPixels(const QImage& a, const QImage& b, int tolerance = 0);

// Writes the images as PNG into $QUORVEL_TEST_SHOTS, when set, for a look after a failure;
// returns where they went, or a hint how to keep them.
QString KeepForInspection(const QString& name, const QImage& screen, const QImage& repainted);

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_DISPLAY_SCREEN_GRAB_H_
