// What the walk and the capture show and read while they run: the add-disk page in the program,
// a terminal in `qrvtool add`.
#ifndef QUORVEL_SCAN_SCAN_VIEW_H_
#define QUORVEL_SCAN_SCAN_VIEW_H_

#include <QString>
#include <string>
#include <vector>

namespace quorvel {

class ScanView {
 public:
  virtual ~ScanView() = default;

  virtual void SetStatusLine(const QString& text) = 0;   // Edit5
  virtual void SetCounterLine(const QString& text) = 0;  // Label2
  // ProgressBar1, 0 to 100; a position below 0 shows an empty bar.
  virtual void SetProgress(int position) = 0;
  // The skip button's font: red while a wait runs, black otherwise.
  virtual void SetWaiting(bool waiting) = 0;
  // Whether each wait is limited to the time-out (CheckBox2), and the time-out's text (Edit4);
  // both are read afresh on every pass of a wait.
  virtual bool TimeoutActive() = 0;
  virtual QString TimeoutText() = 0;
  // The exclusion list as it stands now, each entry a file-name ending in Windows-1251.
  virtual std::vector<std::string> ExcludedEndings() = 0;
  // Whether someone is there to press "Пропустить". Without anyone, a wait that only the skip
  // button could end is not begun.
  virtual bool PersonCanSkip() { return true; }

  // Processes pending events, so that the page's buttons work and the renderer's results
  // arrive. With `wait_for_more`, first waits until there is at least one event: the caller
  // does that only when nothing but an event can end its wait.
  virtual void ProcessMessages(bool wait_for_more = false);
  // One step of a timed wait.
  virtual void Sleep(int milliseconds);
};

}  // namespace quorvel

#endif  // QUORVEL_SCAN_SCAN_VIEW_H_
