#include "platform/original_file.h"

#include <QByteArray>
#include <algorithm>
#include <string>
#include <system_error>

#include "catalog/cp1251.h"
#include "platform/path_text.h"

namespace quorvel {

std::optional<std::filesystem::path> FindOriginalFile(std::string_view stored_path) {
  std::error_code ec;
#ifdef _WIN32
  // Paths are stored as Windows writes them; the drive letter names a drive of this machine.
  const std::filesystem::path candidate =
      QStringToPath(QString::fromStdString(Cp1251ToUtf8(stored_path)));
#else
  // A path scanned on Windows (a drive letter, '\' between its parts) names nothing here, nor
  // does one that is not absolute.
  if (!stored_path.starts_with('/') || stored_path.find('\\') != std::string_view::npos) {
    return std::nullopt;
  }
  std::filesystem::path candidate = "/";
  for (std::size_t from = 1; from < stored_path.size();) {
    const std::size_t end = std::min(stored_path.find('/', from), stored_path.size());
    const std::string_view part = stored_path.substr(from, end - from);
    from = end + 1;
    if (part.empty()) continue;
    std::filesystem::path converted = candidate / Cp1251ToUtf8(part);
    candidate = std::filesystem::exists(converted, ec) ? std::move(converted)
                                                       : candidate / std::string(part);
  }
#endif
  if (!std::filesystem::is_regular_file(candidate, ec)) return std::nullopt;
  return candidate;
}

QUrl LocalFileUrl(const std::filesystem::path& path) {
#ifdef _WIN32
  return QUrl::fromLocalFile(PathToQString(path));
#else
  // QUrl::fromLocalFile would take a name that is not UTF-8 for text; its bytes go percent-encoded.
  return QUrl::fromEncoded(QByteArrayLiteral("file://") +
                           QByteArray::fromStdString(path.native()).toPercentEncoding("/"));
#endif
}

}  // namespace quorvel
