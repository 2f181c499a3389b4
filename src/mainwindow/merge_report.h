// What the user reads about the changes a merge could not make again on the file as another
// program left it.
#ifndef QUORVEL_MAINWINDOW_MERGE_REPORT_H_
#define QUORVEL_MAINWINDOW_MERGE_REPORT_H_

#include <QString>
#include <vector>

#include "catalog/catalog_merge.h"

namespace quorvel {

// One line per change left out, in the order the merge met them; empty for none.
QString LeftOutText(const std::vector<LeftOut>& left_out);

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_MERGE_REPORT_H_
