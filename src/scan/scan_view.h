// What the walk and the capture show and read while they run: the add-disk page in the program,
// a terminal in `qrvtool add`. Called from the thread the scan runs on, which need not be the
// thread of whoever shows it.
#ifndef QUORVEL_SCAN_SCAN_VIEW_H_
#define QUORVEL_SCAN_SCAN_VIEW_H_

#include <QImage>
#include <QString>
#include <string>
#include <vector>

namespace quorvel {

class ScanView {
 public:
  virtual ~ScanView() = default;

  // The status line: the folder searched, the picture being added.
  virtual void SetStatusLine(const QString& text) = 0;
  // The counter line: how many were found, how many added.
  virtual void SetCounterLine(const QString& text) = 0;
  // The progress bar, 0 to 100; a position below 0 shows an empty bar.
  virtual void SetProgress(int position) = 0;
  // The skip button's font: red while a wait runs, black otherwise.
  virtual void SetWaiting(bool waiting) = 0;
  // The 100 x 100 picture just stored for the file at `path`: its thumbnail, or the placeholder.
  // Views that show no pictures ignore it.
  virtual void ShowThumbnail(const QImage& /*thumbnail*/, const QString& /*path*/) {}
  // Whether each wait is limited to the time-out (the time-out box), and the time-out's text
  // (its field); both are read afresh on every pass of a wait, and whoever changes them while a
  // wait runs wakes it (ScanState::Wake) for the change to count at once.
  virtual bool TimeoutActive() = 0;
  virtual QString TimeoutText() = 0;
  // The exclusion list as it stands now, each entry a file-name ending in Windows-1251.
  virtual std::vector<std::string> ExcludedEndings() = 0;
  // Whether someone is there to press "Пропустить". Without anyone, a wait that only the skip
  // button could end is not begun.
  virtual bool PersonCanSkip() { return true; }
};

}  // namespace quorvel

#endif  // QUORVEL_SCAN_SCAN_VIEW_H_
