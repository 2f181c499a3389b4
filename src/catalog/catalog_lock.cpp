#include "catalog/catalog_lock.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "catalog/atomic_file.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

#ifdef NAME_MAX
constexpr std::size_t kMaxNameBytes = NAME_MAX;
#else
constexpr std::size_t kMaxNameBytes = 255;
#endif
constexpr char kLockSuffix[] = ".lock";
constexpr std::chrono::milliseconds kPollInterval{50};

// FNV-1a, the same in every program that locks the catalogue.
std::string HashText(const std::string& name) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace

fs::path CatalogLock::LockFileFor(const fs::path& catalogue) {
  // Two names of one file (a link and its target) must share one lock.
  const fs::path target = FinalTarget(catalogue);
  const std::string name = target.filename().string();
  std::string lock_name = "." + name + kLockSuffix;
  if (lock_name.size() > kMaxNameBytes) {
    const std::string hash = "~" + HashText(name);
    lock_name = "." + name.substr(0, kMaxNameBytes - 1 - hash.size() - (sizeof kLockSuffix - 1)) +
                hash + kLockSuffix;
  }
  return target.parent_path() / lock_name;
}

#ifdef _WIN32

// Windows has no flock; its share modes would serve, but until that build exists writers there
// are not kept apart.
CatalogLock::CatalogLock(const fs::path& catalogue, std::chrono::milliseconds)
    : lock_file_(LockFileFor(catalogue)) {}

CatalogLock::~CatalogLock() = default;

#else

CatalogLock::CatalogLock(const fs::path& catalogue, std::chrono::milliseconds patience)
    : lock_file_(LockFileFor(catalogue)) {
  // Nothing is written beside a device or a FIFO (/dev is no place for a lock file), since no
  // save would replace it anyway.
  struct stat st {};
  if (stat(catalogue.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    throw CannotCreateFile(catalogue,
                           S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : kNotRegularFile);
  }
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    // Read access is enough to lock, so a lock file another user left behind still serves.
    const int fd = open(lock_file_.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) throw CannotCreateFile(catalogue, std::strerror(errno));
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // The holder before removes the file as it lets go; a lock on a file that has lost its
      // name keeps no one out, so it is taken again on the file the name now gives.
      struct stat held {};
      struct stat named {};
      if (fstat(fd, &held) == 0 && stat(lock_file_.c_str(), &named) == 0 &&
          held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
        fd_ = fd;
        break;
      }
      close(fd);
      continue;
    }
    const int error = errno;
    close(fd);
    if (error != EWOULDBLOCK && error != EINTR) {
      throw CannotCreateFile(catalogue, std::strerror(error));
    }
    if (std::chrono::steady_clock::now() >= deadline) throw CatalogBusyError(catalogue);
    std::this_thread::sleep_for(kPollInterval);
  }
  // No other save of this catalogue can be running now, so any temporary of it is a stray.
  RemoveStrayTemporaries(FinalTarget(catalogue));
}

CatalogLock::~CatalogLock() {
  // Removed while still held, so that whoever opened it meanwhile finds it gone and starts
  // again; but only while the name is still this file's.
  struct stat held {};
  struct stat named {};
  if (fstat(fd_, &held) == 0 && stat(lock_file_.c_str(), &named) == 0 &&
      held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
    unlink(lock_file_.c_str());
  }
  close(fd_);
}

#endif

}  // namespace quorvel
