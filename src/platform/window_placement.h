// A top-level window's first placement: its outer size, frame included, centred on its screen.
#ifndef QUORVEL_PLATFORM_WINDOW_PLACEMENT_H_
#define QUORVEL_PLATFORM_WINDOW_PLACEMENT_H_

#include <QSize>

class QEvent;
class QWidget;

namespace quorvel {

// Some window managers (X11) add the frame only after the window is mapped, and Qt learns its
// size by the next move, paint or activation; the window is then placed once more, so that the
// frame, not the client area, gets the outer size.
class WindowPlacement {
 public:
  explicit WindowPlacement(QSize outer_size) : outer_size_(outer_size) {}

  // From the window's show event: true when it placed the window (the first show only).
  bool Shown(QWidget& window);
  // From the window's event(): true when it placed the window again, its frame now known.
  bool Event(QWidget& window, const QEvent& event);

 private:
  // The frame's share of the outer size as far as the platform knows it yet; (0, 0) when not.
  QSize KnownFrame(const QWidget& window) const;
  void Place(QWidget& window);

  const QSize outer_size_;
  bool placed_ = false;         // the first show has sized and centred the window
  bool frame_counted_ = false;  // that sizing knew the frame's size
};

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_WINDOW_PLACEMENT_H_
