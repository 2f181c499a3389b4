// The rules of a scan that need no window: exclusion matching, the capture's progress, the
// proposed disk name, and the wait with its stop rule.
#ifndef QUORVEL_SCAN_SCAN_RULES_H_
#define QUORVEL_SCAN_SCAN_RULES_H_

#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/scan_state.h"
#include "scan/scan_view.h"

namespace quorvel {

// True when some entry matches the end of `file_name` (the name without its folder), both in
// Windows-1251, with only the ASCII letters folded to lower case. An empty entry matches every
// name; an entry longer than the name matches none.
bool IsExcluded(std::string_view file_name, const std::vector<std::string>& endings);

// The progress bar's position while file `index` of `count` is captured: index x 100 / count
// - 1, rounded to the nearest integer with halves going to the even neighbour.
int CaptureProgress(int index, int count);

// The time-out field's text as milliseconds. Throws ScanError when it is not a whole number.
int ParseTimeout(const QString& text);

// Waits on `state.Wake`, never polling, until `ready` says so, the user skips, or the time-out
// passes. Each wake (a render ended, a button, a changed box or field) is a pass that reads the
// box and the field afresh. With the box checked, the time waited counts in whole 100 ms steps
// in WaitSteps, and the wait ends once the time-out is no longer above WaitSteps x 100 ms, after
// at least one step: at max(1, ceil(time-out / 100)) x 100 ms. Unchecked, WaitSteps stays put,
// so only `ready` or the user end it (a time-out not above WaitSteps x 100, such as 0, ends it
// at once). Throws ScanError when the field holds no whole number.
void ScanWait(ScanView& view, ScanState& state, ScanContext& context,
              const std::function<bool()>& ready);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_SCAN_RULES_H_
