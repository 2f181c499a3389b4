// The picture a thumbnail was made from, on this machine: found from the image path the
// catalogue stores, and handed to the desktop.
#ifndef QUORVEL_PLATFORM_ORIGINAL_FILE_H_
#define QUORVEL_PLATFORM_ORIGINAL_FILE_H_

#include <QUrl>
#include <filesystem>
#include <optional>
#include <string_view>

namespace quorvel {

// The regular file at `stored_path` (Windows-1251, as a scan stored it), when its disk is
// mounted where it was scanned; nullopt otherwise. A path with '\' separators or a drive letter
// was scanned on Windows and names nothing here. Each part of the path is the UTF-8 form of its
// bytes, or, where no such name exists, the bytes themselves (a name that a system keeping names
// in Windows-1251 wrote was stored as it was). When that file is not there, a name stored with
// '?' for characters Windows-1251 lacks gives the one file of its folder whose name it matches,
// each '?' standing for any one character; none when several match.
std::optional<std::filesystem::path> FindOriginalFile(std::string_view stored_path);

// The file: URL of `path`, whatever bytes its name is made of.
QUrl LocalFileUrl(const std::filesystem::path& path);

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_ORIGINAL_FILE_H_
