#include "scan/byte_source.h"

#include "scan/decode_limits.h"

namespace quorvel {

bool GatherWholeFile(ByteSource& source, const std::stop_token& stop, QByteArray* bytes,
                     QString* message) {
  const auto too_large = [&] {
    *message = QStringLiteral("The file is larger than %1 MB, too large to decode whole")
                   .arg(kMaxHeldBytes / (1024 * 1024));
    return false;
  };
  std::span<const std::uint8_t> got = source.Next(stop);
  // Room for the whole file at once: growing by doubling would copy, for a moment holding the
  // bytes twice.
  const std::int64_t size = source.Size();
  if (size > kMaxHeldBytes) return too_large();
  if (size > bytes->size()) bytes->reserve(static_cast<qsizetype>(size));
  for (; !got.empty(); got = source.Next(stop)) {
    if (bytes->size() + static_cast<std::int64_t>(got.size()) > kMaxHeldBytes) return too_large();
    bytes->append(reinterpret_cast<const char*>(got.data()), static_cast<qsizetype>(got.size()));
  }
  if (stop.stop_requested()) {
    *message = QStringLiteral("Rendering was stopped");
    return false;
  }
  return true;
}

}  // namespace quorvel
