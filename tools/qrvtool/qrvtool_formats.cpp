#include "qrvtool_formats.h"

#include "qrvtool.h"
#include "scan/picture_formats.h"

namespace quorvel::qrvtool {

int RunFormats(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (!args.empty()) {
    err << "qrvtool: \"formats\" takes no arguments\nusage: qrvtool formats\n";
    return kExitUsage;
  }
  for (const PictureFormat& format : SupportedFormats()) {
    out << format.suffix.toStdString() << '\t' << format.library.toStdString() << '\n';
  }
  return kExitOk;
}

}  // namespace quorvel::qrvtool
