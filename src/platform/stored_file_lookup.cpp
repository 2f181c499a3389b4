#include "platform/stored_file_lookup.h"

#include <QList>
#include <QString>
#include <string>
#include <system_error>

#include "catalog/cp1251.h"
#include "platform/path_text.h"

namespace quorvel {
namespace {

// Whether `name` is `pattern` with each '?' standing for any one character.
bool MatchesReplaced(const QList<uint>& pattern, const QList<uint>& name) {
  if (pattern.size() != name.size()) return false;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != u'?' && pattern[i] != name[i]) return false;
  }
  return true;
}

}  // namespace

PathProbe FileSystemProbe() {
  return [](const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
  };
}

std::optional<std::filesystem::path> ExistingStoredPath(const std::filesystem::path& base,
                                                        std::span<const std::string_view> parts,
                                                        const PathProbe& exists) {
  std::filesystem::path path = base;
  // Parts that read the same either way need no look of their own: the look at a later part, or
  // at the whole path, shows whether they are there.
  bool unchecked = true;
  for (const std::string_view part : parts) {
    std::string utf8 = Cp1251ToUtf8(part);
    if (utf8 == part) {
      path /= utf8;
      unchecked = true;
      continue;
    }
    std::filesystem::path converted = path / utf8;
    if (exists(converted)) {
      path = std::move(converted);
    } else {
      path /= std::string(part);
      if (!exists(path)) return std::nullopt;
    }
    unchecked = false;
  }
  if (unchecked && !exists(path)) return std::nullopt;
  return path;
}

std::optional<std::filesystem::path> FindStoredFile(const std::filesystem::path& base,
                                                    std::span<const std::string_view> parts) {
  if (parts.empty()) return std::nullopt;
  const PathProbe probe = FileSystemProbe();
  const std::optional<std::filesystem::path> folder =
      ExistingStoredPath(base, parts.first(parts.size() - 1), probe);
  if (!folder) return std::nullopt;
  std::error_code ec;
  const std::optional<std::filesystem::path> file =
      ExistingStoredPath(*folder, parts.last(1), probe);
  if (file && std::filesystem::is_regular_file(*file, ec)) return file;
  return FindReplacedName(*folder, parts.back());
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

}  // namespace quorvel
