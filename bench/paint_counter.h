// Counts the paint events a widget receives, for the window benchmarks: the count rises as a
// paint begins, and the paint is over when the event-loop call that delivered it returns.
// Owned by its creator, not by the widget.
#ifndef QUORVEL_BENCH_PAINT_COUNTER_H_
#define QUORVEL_BENCH_PAINT_COUNTER_H_

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace quorvel {

class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int count() const { return count_; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count_;
    return false;
  }

 private:
  int count_ = 0;
};

}  // namespace quorvel

#endif  // QUORVEL_BENCH_PAINT_COUNTER_H_
