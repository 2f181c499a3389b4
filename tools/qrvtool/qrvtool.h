// The commands of qrvtool, callable without a process so that tests can drive them.
#ifndef QUORVEL_TOOLS_QRVTOOL_QRVTOOL_H_
#define QUORVEL_TOOLS_QRVTOOL_QRVTOOL_H_

#include <ostream>
#include <string>
#include <vector>

namespace quorvel::qrvtool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitBadCatalog = 1;  // not a catalogue, damaged, a file error, or busy
inline constexpr int kExitUsage = 2;

// Said when another program is changing the catalogue and does not finish within the wait.
inline constexpr char kBusyMessage[] = "the catalogue is being changed by another program";

// Runs one command; `args` excludes the program name. Results go to `out` (UTF-8, fields
// separated by one tab), messages to `err`. Returns the exit status.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quorvel::qrvtool

#endif  // QUORVEL_TOOLS_QRVTOOL_QRVTOOL_H_
