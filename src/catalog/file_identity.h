// What tells one version of a file from another, so that a program can notice that someone else
// has replaced or changed the file it loaded.
#ifndef QUORVEL_CATALOG_FILE_IDENTITY_H_
#define QUORVEL_CATALOG_FILE_IDENTITY_H_

#include <cstdint>
#include <filesystem>
#include <optional>

namespace quorvel {

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modified_ns = 0;  // the last modification, in nanoseconds since the epoch

  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file `path` names, links followed; nullopt when there is no such file.
std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path);

#ifndef _WIN32
// The identity of an open file; nullopt when the system cannot tell it.
std::optional<FileIdentity> IdentifyOpenFile(int fd);
#endif

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_FILE_IDENTITY_H_
