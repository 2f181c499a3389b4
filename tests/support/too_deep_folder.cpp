#include "support/too_deep_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

namespace quorvel::testkit {
namespace {

const std::string kName(200, 'd');

// Removes `name` in the folder `dir_fd` with everything below it, each step relative to the
// last, so that no path ever gets long.
void RemoveAt(int dir_fd, const char* name) {
  if (::unlinkat(dir_fd, name, 0) == 0) return;
  const int fd = ::openat(dir_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  if (DIR* dir = ::fdopendir(fd)) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string child = entry->d_name;
      if (child != "." && child != "..") RemoveAt(fd, child.c_str());
    }
    ::closedir(dir);
  } else {
    ::close(fd);
  }
  ::unlinkat(dir_fd, name, AT_REMOVEDIR);
}

}  // namespace

TooDeepFolder::TooDeepFolder(const std::string& parent) : parent_(parent), path_(parent) {
  int fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  while (fd >= 0 && path_.size() < PATH_MAX) {
    path_ += "/" + kName;
    const int next = ::mkdirat(fd, kName.c_str(), 0755) == 0
                         ? ::openat(fd, kName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                         : -1;
    ::close(fd);
    fd = next;
  }
  if (fd < 0) throw std::runtime_error("cannot make a too deep folder in " + parent);
  ::close(fd);
}

TooDeepFolder::~TooDeepFolder() {
  const int fd = ::open(parent_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  RemoveAt(fd, kName.c_str());
  ::close(fd);
}

}  // namespace quorvel::testkit
