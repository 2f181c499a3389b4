// How the scan's reader gets at the files of a disk: the file system itself in the program, a
// throttled or failing medium in the benchmark and the tests.
#ifndef QUORVEL_SCAN_FILE_ACCESS_H_
#define QUORVEL_SCAN_FILE_ACCESS_H_

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace quorvel {

// One file opened for reading, front to back or (for the formats that need it) at any offset.
// Used by one thread at a time.
class OpenedFile {
 public:
  virtual ~OpenedFile() = default;
  // Reads up to `size` bytes at the current position into `buffer`. Returns how many were
  // read, 0 at the end of the file, or -1 with `error` set when the medium fails (the rest of
  // the file is then not to be read). May block for as long as the medium takes.
  virtual std::int64_t Read(std::uint8_t* buffer, std::int64_t size, QString* error) = 0;
  // The file's size in bytes, as it was when opened.
  virtual std::int64_t Size() const = 0;
  // When the file was last modified, in seconds from 1970 UTC, as it was when opened; nullopt
  // when the medium does not say (a file in memory, a made-up one).
  virtual std::optional<std::int64_t> Modified() const { return std::nullopt; }
  // Moves the position to `offset` (from 0 to Size()); false with `error` set when it cannot be.
  virtual bool Seek(std::int64_t offset, QString* error) = 0;
};

// What the file system tells of a file without opening it.
struct FileStamp {
  std::int64_t size = 0;
  std::int64_t modified = 0;  // seconds from 1970 UTC, as OpenedFile::Modified gives it
};

class FileAccess {
 public:
  virtual ~FileAccess() = default;
  // The size and modification time of the regular file `path`, as Open would find them (a link
  // counts as what it leads to), by one stat that reads nothing of the file; nullopt when it is
  // no regular file, or the medium does not tell (every file is then read).
  virtual std::optional<FileStamp> Stat(const QString& /*path*/) { return std::nullopt; }
  // Opens the file that `path` names for reading; null with `error` set when it cannot be, or
  // when it is not a regular file (a FIFO or a device could block for ever).
  virtual std::unique_ptr<OpenedFile> Open(const QString& path, QString* error) = 0;
};

// The file system: `path` is taken as the file system's own bytes (a name that is not UTF-8
// included), and anything but a regular file is refused.
std::shared_ptr<FileAccess> LocalFileAccess();

// `bytes` as an opened file, for decoders that read by seeking when the file is already in
// memory. The bytes must outlive it.
std::unique_ptr<OpenedFile> OpenMemory(std::span<const std::uint8_t> bytes);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_FILE_ACCESS_H_
