// Finding on this machine the file that a stored image path (Windows-1251 parts) names below a
// folder: each part is the UTF-8 form of its bytes where such a name exists, else the bytes
// themselves, as a system keeping names in Windows-1251 wrote them.
#ifndef QUORVEL_PLATFORM_STORED_FILE_LOOKUP_H_
#define QUORVEL_PLATFORM_STORED_FILE_LOOKUP_H_

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace quorvel {

// Whether `path` exists: a stat, never a read of what a file holds. Tests count the calls.
using PathProbe = std::function<bool(const std::filesystem::path& path)>;
PathProbe FileSystemProbe();

// `base` followed by `parts`, each part in the form that exists there (its UTF-8 form first,
// else its own bytes); nullopt when some part exists in neither form. A run of parts whose two
// forms are the same costs one call of `exists` for the whole run.
std::optional<std::filesystem::path> ExistingStoredPath(const std::filesystem::path& base,
                                                        std::span<const std::string_view> parts,
                                                        const PathProbe& exists);

// The regular file that `parts` (a stored path's parts, the file name last) name below `base`.
// When that file is not there, a name stored with '?' for characters Windows-1251 lacks gives
// the one file of its folder whose name it matches, each '?' standing for any one character;
// none when several match.
std::optional<std::filesystem::path> FindStoredFile(const std::filesystem::path& base,
                                                    std::span<const std::string_view> parts);

// The one regular file of `folder` that `stored_name` (with '?' as above) stands for.
std::optional<std::filesystem::path> FindReplacedName(const std::filesystem::path& folder,
                                                      std::string_view stored_name);

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_STORED_FILE_LOOKUP_H_
