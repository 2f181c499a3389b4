// `qrvtool add`: the program's own walk, capture and disk record, driven from a terminal.
#ifndef QUORVEL_TOOLS_QRVTOOL_QRVTOOL_ADD_H_
#define QUORVEL_TOOLS_QRVTOOL_QRVTOOL_ADD_H_

#include <ostream>
#include <string>
#include <vector>

namespace quorvel::qrvtool {

// add CATALOG FOLDER NAME [--no-subfolders] [--exclude ENDING]... [--timeout MS]: adds the disk
// NAME with the images of FOLDER to CATALOG (created when missing) and saves it atomically.
// Prints "found\tN" and "added\tM" to `out`; the files that got no thumbnail go to `err`,
// and with `live_progress` a progress line too. Needs a QApplication. Returns the exit status.
int RunAdd(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool live_progress);

}  // namespace quorvel::qrvtool

#endif  // QUORVEL_TOOLS_QRVTOOL_QRVTOOL_ADD_H_
