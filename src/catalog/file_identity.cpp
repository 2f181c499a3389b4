#include "catalog/file_identity.h"

#ifdef _WIN32
#include <chrono>
#include <system_error>
#else
#include <sys/stat.h>
#endif

namespace quorvel {

#ifdef _WIN32

std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path) {
  // Without inode numbers, size and time must do.
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return std::nullopt;
  const auto modified = std::filesystem::last_write_time(path, ec);
  if (ec) return std::nullopt;
  FileIdentity identity;
  identity.size = size;
  identity.modified_ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count();
  return identity;
}

#else

namespace {

FileIdentity FromStat(const struct stat& st) {
  FileIdentity identity;
  identity.device = static_cast<std::uint64_t>(st.st_dev);
  identity.inode = static_cast<std::uint64_t>(st.st_ino);
  identity.size = static_cast<std::uint64_t>(st.st_size);
  identity.modified_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 +
                         static_cast<std::int64_t>(st.st_mtim.tv_nsec);
  return identity;
}

}  // namespace

std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  return FromStat(st);
}

std::optional<FileIdentity> IdentifyOpenFile(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return std::nullopt;
  return FromStat(st);
}

#endif

}  // namespace quorvel
