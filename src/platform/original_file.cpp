#include "platform/original_file.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <algorithm>
#include <string>
#include <system_error>

#include "catalog/cp1251.h"
#include "platform/path_text.h"

namespace quorvel {
namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/";
#else
constexpr std::string_view kSeparators = "/";
#endif

// Whether `name` is `pattern` with each '?' standing for any one character.
bool MatchesReplaced(const QList<uint>& pattern, const QList<uint>& name) {
  if (pattern.size() != name.size()) return false;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != u'?' && pattern[i] != name[i]) return false;
  }
  return true;
}

// A scan stores '?' for each character of a name that Windows-1251 lacks, so the stored name no
// longer names the file: the one file of `folder` that it can stand for is taken, and none when
// several can.
std::optional<std::filesystem::path> FindReplacedName(const std::filesystem::path& folder,
                                                      std::string_view stored_name) {
  if (stored_name.find('?') == std::string_view::npos) return std::nullopt;
  const QList<uint> pattern = QString::fromStdString(Cp1251ToUtf8(stored_name)).toUcs4();
  std::optional<std::filesystem::path> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (!MatchesReplaced(pattern, PathToQString(it->path().filename()).toUcs4())) continue;
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    if (found) return std::nullopt;
    found = it->path();
  }
  return found;
}

}  // namespace

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
  if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
  const std::size_t slash = stored_path.find_last_of(kSeparators);
  if (slash == std::string_view::npos) return std::nullopt;
  return FindReplacedName(candidate.parent_path(), stored_path.substr(slash + 1));
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
