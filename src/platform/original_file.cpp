#include "platform/original_file.h"

#include <QByteArray>
#include <QString>
#include <system_error>

#include "catalog/cp1251.h"
#include "catalog/stored_path.h"
#include "platform/path_text.h"
#include "platform/stored_file_lookup.h"

namespace quorvel {

std::optional<std::filesystem::path> FindOriginalFile(std::string_view stored_path) {
#ifdef _WIN32
  // Paths are stored as Windows writes them; the drive letter names a drive of this machine.
  const std::filesystem::path candidate =
      QStringToPath(QString::fromStdString(Cp1251ToUtf8(stored_path)));
  std::error_code ec;
  if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
  const std::size_t slash = stored_path.find_last_of("\\/");
  if (slash == std::string_view::npos) return std::nullopt;
  return FindReplacedName(candidate.parent_path(), stored_path.substr(slash + 1));
#else
  // A path scanned on Windows (a drive letter, '\' between its parts) names nothing here, nor
  // does one that is not absolute.
  if (!stored_path.starts_with('/') || stored_path.find('\\') != std::string_view::npos) {
    return std::nullopt;
  }
  return FindStoredFile("/", StoredPathParts(stored_path));
#endif
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
