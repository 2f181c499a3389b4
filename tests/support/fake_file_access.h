// A medium for the reader's tests: the file system's files, or files made up of a given size,
// with a record of what was opened and read, and faults to order: a file whose reading fails
// with an I/O error after some bytes, or whose reads block until released.
#ifndef QUORVEL_TESTS_SUPPORT_FAKE_FILE_ACCESS_H_
#define QUORVEL_TESTS_SUPPORT_FAKE_FILE_ACCESS_H_

#include <QHash>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

#include "scan/file_access.h"

namespace quorvel::testkit {

class FakeFileAccess : public FileAccess, public std::enable_shared_from_this<FakeFileAccess> {
 public:
  // A file of `size` bytes that exists only here.
  void AddMadeUp(const QString& path, std::int64_t size) {
    const std::lock_guard lock(mutex_);
    made_up_[path] = size;
  }
  // Reads of `path` fail once `after` bytes of it have been read.
  void FailAfter(const QString& path, std::int64_t after) {
    const std::lock_guard lock(mutex_);
    fail_after_[path] = after;
  }
  // Reads of `path` block until Release.
  void Block(const QString& path) {
    const std::lock_guard lock(mutex_);
    blocked_ = path;
  }
  void Release() {
    const std::lock_guard lock(mutex_);
    blocked_.clear();
    released_.notify_all();
  }

  // The files opened, in the order they were.
  QStringList Opened() const {
    const std::lock_guard lock(mutex_);
    return opened_;
  }
  std::int64_t BytesRead(const QString& path) const {
    const std::lock_guard lock(mutex_);
    return read_.value(path);
  }
  std::int64_t TotalRead() const {
    const std::lock_guard lock(mutex_);
    std::int64_t total = 0;
    for (const std::int64_t bytes : read_) total += bytes;
    return total;
  }
  // How many times Stat was asked.
  int Stats() const {
    const std::lock_guard lock(mutex_);
    return stats_;
  }
  // How many reads are blocked now.
  int ReadsBlocked() const {
    const std::lock_guard lock(mutex_);
    return reads_blocked_;
  }

  // The file system's for real files; a made-up file has no time, like the file it opens as.
  std::optional<FileStamp> Stat(const QString& path) override {
    {
      const std::lock_guard lock(mutex_);
      ++stats_;
      if (made_up_.contains(path)) return std::nullopt;
    }
    return LocalFileAccess()->Stat(path);
  }

  std::unique_ptr<OpenedFile> Open(const QString& path, QString* error) override {
    std::unique_ptr<OpenedFile> real;
    std::int64_t made_up = -1;
    {
      const std::lock_guard lock(mutex_);
      made_up = made_up_.value(path, -1);
    }
    if (made_up < 0) {
      real = LocalFileAccess()->Open(path, error);
      if (!real) return nullptr;
    }
    const std::lock_guard lock(mutex_);
    opened_.append(path);
    return std::make_unique<File>(shared_from_this(), path, std::move(real), made_up);
  }

 private:
  class File : public OpenedFile {
   public:
    File(std::shared_ptr<FakeFileAccess> access, QString path, std::unique_ptr<OpenedFile> real,
         std::int64_t made_up)
        : access_(std::move(access)),
          path_(std::move(path)),
          real_(std::move(real)),
          made_up_size_(made_up),
          made_up_left_(made_up) {}

    std::int64_t Size() const override { return real_ ? real_->Size() : made_up_size_; }
    std::optional<std::int64_t> Modified() const override {
      return real_ ? real_->Modified() : std::nullopt;
    }
    bool Seek(std::int64_t offset, QString* error) override {
      if (real_) return real_->Seek(offset, error);
      if (offset < 0 || offset > made_up_size_) {
        *error = QStringLiteral("Invalid argument");
        return false;
      }
      made_up_left_ = made_up_size_ - offset;
      return true;
    }

    std::int64_t Read(std::uint8_t* buffer, std::int64_t size, QString* error) override {
      FakeFileAccess& access = *access_;
      std::unique_lock lock(access.mutex_);
      ++access.reads_blocked_;
      access.released_.wait(lock, [&] { return access.blocked_ != path_; });
      --access.reads_blocked_;
      std::int64_t& read = access.read_[path_];
      const std::int64_t fail_after = access.fail_after_.value(path_, -1);
      if (fail_after >= 0) {
        if (read >= fail_after) {
          *error = QStringLiteral("Input/output error");
          return -1;
        }
        size = std::min(size, fail_after - read);
      }
      std::int64_t got = 0;
      if (real_) {
        got = real_->Read(buffer, size, error);
      } else {
        got = std::min(size, made_up_left_);
        std::memset(buffer, 0x5A, static_cast<std::size_t>(got));
        made_up_left_ -= got;
      }
      if (got > 0) read += got;
      return got;
    }

   private:
    const std::shared_ptr<FakeFileAccess> access_;
    const QString path_;
    const std::unique_ptr<OpenedFile> real_;
    const std::int64_t made_up_size_;
    std::int64_t made_up_left_;
  };

  mutable std::mutex mutex_;
  std::condition_variable released_;
  QHash<QString, std::int64_t> made_up_;
  QHash<QString, std::int64_t> fail_after_;
  QString blocked_;
  QStringList opened_;
  QHash<QString, std::int64_t> read_;
  int reads_blocked_ = 0;
  int stats_ = 0;
};

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_FAKE_FILE_ACCESS_H_
