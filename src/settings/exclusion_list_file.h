// Cat.dat: the file-name endings whose files are not catalogued, one a line, stored as
// Windows-1251 bytes.
#ifndef QUORVEL_SETTINGS_EXCLUSION_LIST_FILE_H_
#define QUORVEL_SETTINGS_EXCLUSION_LIST_FILE_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// The lines of `bytes` as UTF-8 text. CR, LF and CR LF each end a line; the last line needs no
// ending; an empty line gives an empty entry, so "\r\n" is one empty entry and "" is none.
std::vector<std::string> ParseExclusionList(std::string_view bytes);

// The bytes of `endings` (UTF-8), each followed by CR LF. A character 1251 cannot hold becomes
// "?", and so does a line break inside an entry, which the file cannot hold.
std::string FormatExclusionList(const std::vector<std::string>& endings);

// The entries of the file; nullopt when there is no such file. Throws CatalogError
// (kFileAccess) when it exists and cannot be read.
std::optional<std::vector<std::string>> ReadExclusionList(const std::filesystem::path& path);

// Replaces the file atomically. Throws CatalogError (kFileAccess) when it cannot be written.
void WriteExclusionList(const std::filesystem::path& path, const std::vector<std::string>& endings);

}  // namespace quorvel

#endif  // QUORVEL_SETTINGS_EXCLUSION_LIST_FILE_H_
