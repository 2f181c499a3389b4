#include "catalog/atomic_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "catalog/catalog_error.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

// As many hops as the system itself follows before it reports a loop.
constexpr int kMaxLinkHops = 40;
constexpr int kNameAttempts = 16;

std::string ErrnoText() { return std::strerror(errno); }

std::string Hex(std::uint64_t value, int digits) {
  char text[17];
  std::snprintf(text, sizeof text, "%0*llx", digits, static_cast<unsigned long long>(value));
  return text;
}

// FNV-1a: stable from run to run, so the next save finds what a killed one left.
std::uint64_t NameHash(const std::string& name) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string TemporaryName(const fs::path& target) {
  std::random_device device;
  return TemporaryNamePrefix(target) + Hex(device(), 8) + ".tmp";
}

fs::path FolderOf(const fs::path& target) {
  return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

}  // namespace

std::string TemporaryNamePrefix(const fs::path& target) {
  return "." + Hex(NameHash(target.filename().string()), 16) + "-";
}

void RemoveStrayTemporaries(const fs::path& target) {
  try {
    const std::string prefix = TemporaryNamePrefix(target);
    std::error_code ec;
    for (fs::directory_iterator it(FolderOf(target), ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name.starts_with(prefix) && name.ends_with(".tmp") && it->is_regular_file(ec)) {
        std::error_code ignored;
        fs::remove(it->path(), ignored);
      }
    }
  } catch (const std::exception&) {
    // Tidying up is no reason to fail the save it precedes.
  }
}

#ifdef _WIN32

fs::path FinalTarget(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_symlink(path, ec)) return path;
  const fs::path resolved = fs::weakly_canonical(path, ec);
  return ec ? path : resolved;
}

namespace {

bool WriteFileAtomically(const fs::path& path, ByteView bytes, std::string* reason,
                         FileIdentity* written) {
  const auto fail = [&](const std::string& why) {
    if (reason) *reason = why;
    return false;
  };
  fs::path temp;
  try {
    std::error_code ec;
    const fs::path target = FinalTarget(path);
    const fs::file_status old_status = fs::status(target, ec);
    if (fs::exists(old_status) && !fs::is_regular_file(old_status)) return fail(kNotRegularFile);
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < kNameAttempts && !file; ++attempt) {
      temp = FolderOf(target) / TemporaryName(target);
      file = std::fopen(temp.string().c_str(), "wbx");  // x: never reuse a file that exists
      if (!file && errno != EEXIST) break;
    }
    if (!file) {
      const std::string why = ErrnoText();
      temp.clear();
      return fail(why);
    }
    bool ok =
        std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    std::string why = ok ? std::string() : ErrnoText();
    if (std::fclose(file) != 0 && ok) {
      ok = false;
      why = ErrnoText();
    }
    if (!ok) {
      fs::remove(temp, ec);
      return fail(why);
    }
    if (fs::is_regular_file(old_status)) fs::permissions(temp, old_status.permissions(), ec);
    fs::rename(temp, target, ec);
    if (ec) {
      const std::string rename_why = ec.message();
      fs::remove(temp, ec);
      return fail(rename_why);
    }
    if (written) *written = IdentifyFile(target).value_or(FileIdentity());
    return true;
  } catch (const std::exception& e) {
    std::error_code ec;
    if (!temp.empty()) fs::remove(temp, ec);
    return fail(e.what());
  }
}

}  // namespace

#else

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { Reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// The system's reason for the last failure, or this one's own.
struct Failed {
  std::string reason;
};

void WriteAll(int fd, ByteView bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Failed{ErrnoText()};
    done += static_cast<std::size_t>(n);
  }
}

// The mode, owner and group of the file being replaced; none for a new file.
struct OldFile {
  bool exists = false;
  struct stat st {};
};

// Refuses the target unless a plain write could open it: it must be a regular file (checked
// before opening, since opening a device may act on it) that this process may write.
OldFile CheckTarget(const fs::path& target) {
  OldFile old;
  if (lstat(target.c_str(), &old.st) != 0) {
    if (errno != ENOENT) throw Failed{ErrnoText()};
    return old;
  }
  if (S_ISDIR(old.st.st_mode)) throw Failed{std::strerror(EISDIR)};
  if (S_ISLNK(old.st.st_mode)) throw Failed{std::strerror(ELOOP)};  // a loop of links
  if (!S_ISREG(old.st.st_mode)) throw Failed{kNotRegularFile};
  const Descriptor file(
      open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) throw Failed{ErrnoText()};
  if (fstat(file.get(), &old.st) != 0) throw Failed{ErrnoText()};
  if (!S_ISREG(old.st.st_mode)) throw Failed{kNotRegularFile};
  old.exists = true;
  return old;
}

// Fills a new temporary file: the bytes, then the old file's owner, group and permissions (in
// that order: a change of owner clears the set-id bits), then forces it to the disk, without
// which a crash soon after the rename can leave an empty file on some file systems.
FileIdentity Fill(int fd, const FileContent& content, const OldFile& old) {
  content(fd);
  if (old.exists) {
    // Another user's file keeps its owner when root saves it; anyone else may at most keep
    // its group, and otherwise the save goes on as that user's own file.
    if (fchown(fd, old.st.st_uid, old.st.st_gid) != 0) {
      if (errno != EPERM) throw Failed{ErrnoText()};
      (void)fchown(fd, static_cast<uid_t>(-1), old.st.st_gid);
    }
    if (fchmod(fd, old.st.st_mode & 07777) != 0) throw Failed{ErrnoText()};
  }
  if (fsync(fd) != 0) throw Failed{ErrnoText()};
  const std::optional<FileIdentity> identity = IdentifyOpenFile(fd);
  if (!identity) throw Failed{ErrnoText()};
  return *identity;
}

// Gives an unnamed temporary file a name in `dir`; empty when the system cannot (no /proc and
// no right to link by descriptor), so that the caller writes a named one instead.
std::string NameUnnamed(int dir, int fd, const fs::path& target) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = TemporaryName(target);
    if (linkat(AT_FDCWD, self.c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return name;
    if (errno == EEXIST) continue;
    if (linkat(fd, "", dir, name.c_str(), AT_EMPTY_PATH) == 0) return name;
    if (errno == EEXIST) continue;
    return {};
  }
  throw Failed{std::strerror(EEXIST)};
}

// A complete temporary beside the target, under a name to rename; the name is returned.
std::string WriteTemporary(int dir, const fs::path& target, const FileContent& content,
                           const OldFile& old,
                           FileIdentity* identity) {
  // A new file gets what a plain creation would give (the umask applies); a replaced one is
  // private until it has the old file's permissions.
  const mode_t mode = old.exists ? 0600 : 0666;
  {
    const Descriptor unnamed(openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (unnamed.get() >= 0) {
      *identity = Fill(unnamed.get(), content, old);
      std::string name = NameUnnamed(dir, unnamed.get(), target);
      if (!name.empty()) return name;
    }
  }
  // The file system has no unnamed files: a named one, which a killed save leaves behind for
  // the next save to remove.
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = TemporaryName(target);
    const Descriptor named(
        openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (named.get() < 0) {
      if (errno == EEXIST) continue;
      throw Failed{ErrnoText()};
    }
    try {
      *identity = Fill(named.get(), content, old);
    } catch (...) {
      unlinkat(dir, name.c_str(), 0);
      throw;
    }
    return name;
  }
  throw Failed{std::strerror(EEXIST)};
}

}  // namespace

fs::path FinalTarget(const fs::path& path) {
  fs::path target = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st {};
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    std::error_code ec;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target;
}

namespace {

// The save, false with the system's reason in *reason on failure.
bool WriteFileAtomically(const fs::path& path, const FileContent& content, std::string* reason,
                         FileIdentity* written) {
  try {
    const fs::path target = FinalTarget(path);
    const std::string target_name = target.filename().string();
    if (target_name.empty()) throw Failed{std::strerror(EISDIR)};
    const OldFile old = CheckTarget(target);
    const Descriptor dir(open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) throw Failed{ErrnoText()};
    FileIdentity identity;
    const std::string temp = WriteTemporary(dir.get(), target, content, old, &identity);
    if (renameat(dir.get(), temp.c_str(), dir.get(), target_name.c_str()) != 0) {
      const std::string why = ErrnoText();
      unlinkat(dir.get(), temp.c_str(), 0);
      throw Failed{why};
    }
    // The rename itself reaches the disk with the folder.
    (void)fsync(dir.get());
    if (written) *written = identity;
    return true;
  } catch (const Failed& failed) {
    if (reason) *reason = failed.reason;
  } catch (const CatalogError&) {
    throw;  // the content's own failure, which says what it is
  } catch (const std::exception& e) {
    if (reason) *reason = e.what();
  }
  return false;
}

}  // namespace

#endif

void SaveFileAtomically(const fs::path& path, const FileContent& content,
                        FileIdentity* written) {
  std::string reason;
  if (!WriteFileAtomically(path, content, &reason, written)) throw CannotCreateFile(path, reason);
}

void SaveFileAtomically(const fs::path& path, ByteView bytes, FileIdentity* written) {
#ifdef _WIN32
  std::string reason;
  if (!WriteFileAtomically(path, bytes, &reason, written)) throw CannotCreateFile(path, reason);
#else
  SaveFileAtomically(path, [bytes](int fd) { WriteAll(fd, bytes); }, written);
#endif
}

}  // namespace quorvel
