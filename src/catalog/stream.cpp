#include "catalog/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "catalog/catalog_error.h"
#include "catalog/file_identity.h"
#include "catalog/format.h"

namespace quorvel {
namespace {

// The absolute position for origin and offset (negative when it lies before the start), or
// nullopt when the offset has the wrong sign for its origin.
std::optional<std::int64_t> Resolve(std::int64_t size, Origin origin, std::int64_t offset) {
  if (origin == Origin::kBeginning) {
    if (offset < 0) return std::nullopt;
    return offset;
  }
  if (offset > 0) return std::nullopt;
  return size + offset;
}

#ifdef _WIN32

std::ifstream OpenForReading(const std::filesystem::path& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw CannotOpenFile(path, "Is a directory");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CannotOpenFile(path, std::strerror(errno));
  return in;
}

#else

// A file opened for reading, closed when it goes.
class ReadableFile {
 public:
  // Opens `path` only when it is a regular file. A FIFO or a device would block the read or
  // stream something that is no file's content (an empty catalogue from /dev/zero), and merely
  // opening some devices acts on them, so those are refused before they are opened; the
  // descriptor is checked again, since the name may have changed in between.
  explicit ReadableFile(const std::filesystem::path& path) : path_(path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) throw CannotOpenFile(path, std::strerror(errno));
    RefuseIrregular(st);
    fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) throw CannotOpenFile(path, std::strerror(errno));
    try {
      if (fstat(fd_, &st) != 0) throw CannotOpenFile(path, std::strerror(errno));
      RefuseIrregular(st);
    } catch (...) {
      close(fd_);  // a constructor that throws runs no destructor
      throw;
    }
    if (std::optional<FileIdentity> identity = IdentifyOpenFile(fd_)) identity_ = *identity;
  }
  ~ReadableFile() {
    if (fd_ >= 0) close(fd_);
  }
  ReadableFile(const ReadableFile&) = delete;
  ReadableFile& operator=(const ReadableFile&) = delete;

  // Up to `count` bytes into `buffer`; fewer only at the end of the file.
  std::size_t Read(std::uint8_t* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
      const ssize_t got = read(fd_, buffer + done, count - done);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        throw CatalogError("Cannot read file \"" + path_.string() + "\". " + std::strerror(errno),
                           ErrorKind::kFileAccess, path_);
      }
      if (got == 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

  const FileIdentity& Identity() const { return identity_; }

 private:
  void RefuseIrregular(const struct stat& st) const {
    if (S_ISDIR(st.st_mode)) throw CannotOpenFile(path_, std::strerror(EISDIR));
    if (!S_ISREG(st.st_mode)) throw CannotOpenFile(path_, kNotRegularFile);
  }

  std::filesystem::path path_;
  int fd_ = -1;
  FileIdentity identity_;
};

#endif

}  // namespace

void WriteAt(Bytes& stream, Origin origin, std::int64_t offset, const std::uint8_t* buffer,
             std::size_t count) {
  const std::int64_t size = static_cast<std::int64_t>(stream.size());
  const std::optional<std::int64_t> resolved = Resolve(size, origin, offset);
  if (!resolved || *resolved < 0) throw CatalogError("Stream write position out of range");
  const std::int64_t pos = *resolved;
  const std::size_t end = static_cast<std::size_t>(pos) + count;
  if (end > stream.size()) stream.resize(end);  // zero-fills any gap
  if (count > 0) std::memcpy(stream.data() + pos, buffer, count);
}

std::size_t ReadAt(const Bytes& stream, Origin origin, std::int64_t offset, std::uint8_t* buffer,
                   std::size_t count) {
  if (count == 0) return 0;
  std::memset(buffer, 0, count);
  const std::int64_t size = static_cast<std::int64_t>(stream.size());
  const std::optional<std::int64_t> resolved = Resolve(size, origin, offset);
  if (!resolved) return 0;
  const std::int64_t pos = *resolved;
  // A window that starts before the stream (from the end) or runs past it reads zeros there.
  const std::int64_t first = std::max<std::int64_t>(pos, 0);
  const std::int64_t last = std::min<std::int64_t>(pos + static_cast<std::int64_t>(count), size);
  if (first >= last) return 0;
  std::memcpy(buffer + (first - pos), stream.data() + first,
              static_cast<std::size_t>(last - first));
  return static_cast<std::size_t>(last - first);
}

void CopyCatalogRange(const Bytes& catalog, std::int64_t count, std::int64_t offset,
                      Bytes& destination) {
  const std::int64_t size = static_cast<std::int64_t>(catalog.size());
  if (count < 0 || offset < 0 || offset > size || count > size - offset) {
    throw CatalogError("Catalogue range " + std::to_string(offset) + "+" + std::to_string(count) +
                       " lies outside the catalogue of " + std::to_string(size) + " bytes");
  }
  destination.insert(destination.end(), catalog.begin() + offset, catalog.begin() + offset + count);
}

#ifdef _WIN32

Bytes LoadFile(const std::filesystem::path& path, FileIdentity* identity) {
  std::ifstream in = OpenForReading(path);
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) throw CatalogError("Cannot read file \"" + path.string() + "\".", ErrorKind::kFileAccess, path);
  in.seekg(0, std::ios::beg);
  Bytes bytes(static_cast<std::size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    throw CatalogError("Cannot read file \"" + path.string() + "\".", ErrorKind::kFileAccess, path);
  }
  if (identity) *identity = IdentifyFile(path).value_or(FileIdentity());
  return bytes;
}

bool IsCatalogFile(const std::filesystem::path& path) {
  std::ifstream in = OpenForReading(path);
  char head[kMagicSize] = {};
  in.read(head, kMagicSize);
  const std::streamsize got = in.gcount();
  if (got == 0) return true;
  return std::memcmp(head, kMagic, kMagicSize) == 0;
}

#else

Bytes LoadFile(const std::filesystem::path& path, FileIdentity* identity) {
  ReadableFile file(path);
  // The size is a hint: a file that grows or shrinks meanwhile is read to its end all the same.
  Bytes bytes(static_cast<std::size_t>(file.Identity().size));
  const std::size_t got = file.Read(bytes.data(), bytes.size());
  if (got < bytes.size()) {
    bytes.resize(got);
  } else {
    std::uint8_t chunk[1 << 16];
    while (const std::size_t more = file.Read(chunk, sizeof chunk)) {
      bytes.insert(bytes.end(), chunk, chunk + more);
    }
  }
  // What was known when the file was opened: a change made during the read then counts as one.
  if (identity) *identity = file.Identity();
  return bytes;
}

bool IsCatalogFile(const std::filesystem::path& path) {
  // Only the magic matters, so read no more than its four bytes, but fail as a whole read would.
  ReadableFile file(path);
  std::uint8_t head[kMagicSize] = {};
  const std::size_t got = file.Read(head, kMagicSize);
  if (got == 0) return true;  // an empty file is an empty catalogue
  return std::memcmp(head, kMagic, kMagicSize) == 0;
}

#endif

}  // namespace quorvel
