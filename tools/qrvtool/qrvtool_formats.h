// `qrvtool formats`: which files this build catalogues, and the library that reads each kind.
#ifndef QUORVEL_TOOLS_QRVTOOL_QRVTOOL_FORMATS_H_
#define QUORVEL_TOOLS_QRVTOOL_QRVTOOL_FORMATS_H_

#include <ostream>
#include <string>
#include <vector>

namespace quorvel::qrvtool {

// formats: prints each file name extension whose files get thumbnails, sorted, one a line as
// "EXTENSION\tLIBRARY VERSION". Takes no arguments. Needs a QCoreApplication, for Qt's image
// plugins. Returns the exit status.
int RunFormats(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quorvel::qrvtool

#endif  // QUORVEL_TOOLS_QRVTOOL_QRVTOOL_FORMATS_H_
