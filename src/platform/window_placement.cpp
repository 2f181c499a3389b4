#include "platform/window_placement.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

namespace quorvel {

bool WindowPlacement::Shown(QWidget& window) {
  if (placed_) return false;
  placed_ = true;
  Place(window);
  return true;
}

bool WindowPlacement::Event(QWidget& window, const QEvent& event) {
  const bool may_reveal_frame = event.type() == QEvent::Move ||
                                event.type() == QEvent::UpdateRequest ||
                                event.type() == QEvent::WindowActivate;
  if (!placed_ || frame_counted_ || !may_reveal_frame || KnownFrame(window).isNull()) {
    return false;
  }
  Place(window);
  return true;
}

QSize WindowPlacement::KnownFrame(const QWidget& window) const {
  const QSize frame = window.frameGeometry().size() - window.geometry().size();
  // While the window manager is still starting, X11 can report a frame smaller than the client
  // or as large as the screen; such a frame is not known yet.
  const bool plausible = frame.width() >= 0 && frame.height() >= 0 &&
                         frame.width() < outer_size_.width() / 2 &&
                         frame.height() < outer_size_.height() / 2;
  return plausible ? frame : QSize(0, 0);
}

void WindowPlacement::Place(QWidget& window) {
  const QSize frame = KnownFrame(window);
  frame_counted_ = !frame.isNull();
  window.resize(outer_size_ - frame);
  if (const QScreen* display = window.screen()) {
    const QRect area = display->availableGeometry();
    window.move(area.center() - QPoint(outer_size_.width() / 2, outer_size_.height() / 2));
  }
}

}  // namespace quorvel
