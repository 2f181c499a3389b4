#include "scan/byte_source.h"

#include "scan/decode_limits.h"

namespace quorvel {

bool GatherWholeFile(ByteSource& source, const std::stop_token& stop, QByteArray* bytes,
                     QString* message) {
  for (std::span<const std::uint8_t> got = source.Next(stop); !got.empty();
       got = source.Next(stop)) {
    if (bytes->size() + static_cast<std::int64_t>(got.size()) > kMaxHeldBytes) {
      *message = QStringLiteral("The file is larger than %1 MB, too large to decode whole")
                     .arg(kMaxHeldBytes / (1024 * 1024));
      return false;
    }
    bytes->append(reinterpret_cast<const char*>(got.data()), static_cast<qsizetype>(got.size()));
  }
  if (stop.stop_requested()) {
    *message = QStringLiteral("Rendering was stopped");
    return false;
  }
  return true;
}

}  // namespace quorvel
