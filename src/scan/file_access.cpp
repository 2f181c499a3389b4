#include "scan/file_access.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/path_text.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quorvel {
namespace {

const QString kNotAFile = QStringLiteral("Not a regular file");

#ifdef _WIN32

class QtFile : public OpenedFile {
 public:
  explicit QtFile(const QString& path) : file_(path) {}
  bool Open(QString* error) {
    if (file_.open(QIODevice::ReadOnly)) return true;
    *error = file_.errorString();
    return false;
  }
  std::int64_t Read(std::uint8_t* buffer, std::int64_t size, QString* error) override {
    const qint64 got = file_.read(reinterpret_cast<char*>(buffer), size);
    if (got < 0) *error = file_.errorString();
    return got;
  }
  std::int64_t Size() const override { return file_.size(); }
  std::optional<std::int64_t> Modified() const override {
    const QDateTime time = file_.fileTime(QFileDevice::FileModificationTime);
    if (!time.isValid()) return std::nullopt;
    return time.toSecsSinceEpoch();
  }
  bool Seek(std::int64_t offset, QString* error) override {
    if (file_.seek(offset)) return true;
    *error = file_.errorString();
    return false;
  }

 private:
  QFile file_;
};

class Local : public FileAccess {
 public:
  std::optional<FileStamp> Stat(const QString& path) override {
    const QFileInfo info(path);
    const QDateTime time = info.fileTime(QFileDevice::FileModificationTime);
    if (!info.isFile() || !time.isValid()) return std::nullopt;
    return FileStamp{.size = info.size(), .modified = time.toSecsSinceEpoch()};
  }
  std::unique_ptr<OpenedFile> Open(const QString& path, QString* error) override {
    if (!QFileInfo(path).isFile()) {
      *error = kNotAFile;
      return nullptr;
    }
    auto file = std::make_unique<QtFile>(path);
    if (!file->Open(error)) return nullptr;
    return file;
  }
};

#else

QString SystemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

class PosixFile : public OpenedFile {
 public:
  PosixFile(int fd, std::int64_t size, std::int64_t modified)
      : fd_(fd), size_(size), modified_(modified) {}
  ~PosixFile() override { ::close(fd_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  std::int64_t Read(std::uint8_t* buffer, std::int64_t size, QString* error) override {
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, static_cast<std::size_t>(size));
      if (got >= 0) return got;
      if (errno == EINTR) continue;
      *error = SystemError();
      return -1;
    }
  }
  std::int64_t Size() const override { return size_; }
  std::optional<std::int64_t> Modified() const override { return modified_; }
  bool Seek(std::int64_t offset, QString* error) override {
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0) return true;
    *error = SystemError();
    return false;
  }

 private:
  int fd_;
  std::int64_t size_;
  std::int64_t modified_;
};

class Local : public FileAccess {
 public:
  // The fields Open's fstat gives the opened file, so that the two compare equal.
  std::optional<FileStamp> Stat(const QString& path) override {
    struct stat info {};
    if (::stat(QStringToPath(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      return std::nullopt;
    }
    return FileStamp{.size = static_cast<std::int64_t>(info.st_size),
                     .modified = static_cast<std::int64_t>(info.st_mtime)};
  }
  // Anything but a regular file is refused, before it is opened and again once it is, since the
  // name may have changed hands meanwhile.
  std::unique_ptr<OpenedFile> Open(const QString& path, QString* error) override {
    const std::filesystem::path native = QStringToPath(path);
    struct stat info {};
    if (::stat(native.c_str(), &info) != 0) {
      *error = SystemError();
      return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
      *error = kNotAFile;
      return nullptr;
    }
    // O_NONBLOCK keeps the open itself from waiting for a FIFO's writer; a regular file's reads
    // then block as usual again.
    const int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      *error = SystemError();
      return nullptr;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      ::close(fd);
      *error = kNotAFile;
      return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // Most files are read front to back once.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixFile>(fd, static_cast<std::int64_t>(info.st_size),
                                       static_cast<std::int64_t>(info.st_mtime));
  }
};

#endif

class MemoryFile : public OpenedFile {
 public:
  explicit MemoryFile(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::int64_t Read(std::uint8_t* buffer, std::int64_t size, QString*) override {
    const auto got = static_cast<std::size_t>(
        std::clamp<std::int64_t>(size, 0, static_cast<std::int64_t>(bytes_.size() - position_)));
    if (got == 0) return 0;  // an empty span's data may be null, which memcpy must not see
    std::memcpy(buffer, bytes_.data() + position_, got);
    position_ += got;
    return static_cast<std::int64_t>(got);
  }
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  bool Seek(std::int64_t offset, QString* error) override {
    if (offset < 0 || offset > Size()) {
      *error = QStringLiteral("Seek outside the file");
      return false;
    }
    position_ = static_cast<std::size_t>(offset);
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

}  // namespace

std::shared_ptr<FileAccess> LocalFileAccess() { return std::make_shared<Local>(); }

std::unique_ptr<OpenedFile> OpenMemory(std::span<const std::uint8_t> bytes) {
  return std::make_unique<MemoryFile>(bytes);
}

}  // namespace quorvel
