#include "scan/file_access.h"

#include <QFile>
#include <QFileInfo>
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

 private:
  QFile file_;
};

class Local : public FileAccess {
 public:
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
  explicit PosixFile(int fd) : fd_(fd) {}
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

 private:
  int fd_;
};

class Local : public FileAccess {
 public:
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
    // The whole file is read front to back once.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixFile>(fd);
  }
};

#endif

}  // namespace

std::shared_ptr<FileAccess> LocalFileAccess() { return std::make_shared<Local>(); }

}  // namespace quorvel
