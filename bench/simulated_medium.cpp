#include "simulated_medium.h"

#include <algorithm>
#include <thread>

namespace quorvel {

class SimulatedMedium::File : public OpenedFile {
 public:
  File(std::shared_ptr<SimulatedMedium> medium, std::unique_ptr<OpenedFile> file, int id,
       QString path)
      : medium_(std::move(medium)), file_(std::move(file)), id_(id), path_(std::move(path)) {}

  std::int64_t Read(std::uint8_t* buffer, std::int64_t size, QString* error) override {
    const std::int64_t got = file_->Read(buffer, size, error);
    if (got > 0) {
      medium_->Move(id_, position_, got, path_);
      position_ += got;
    }
    return got;
  }
  std::int64_t Size() const override { return file_->Size(); }
  std::optional<std::int64_t> Modified() const override { return file_->Modified(); }
  // The head moves on the next read, which then does not continue the last one.
  bool Seek(std::int64_t offset, QString* error) override {
    if (!file_->Seek(offset, error)) return false;
    position_ = offset;
    return true;
  }

 private:
  const std::shared_ptr<SimulatedMedium> medium_;
  const std::unique_ptr<OpenedFile> file_;
  const int id_;
  const QString path_;
  std::int64_t position_ = 0;
};

SimulatedMedium::SimulatedMedium(double bytes_per_second, std::chrono::microseconds seek)
    : bytes_per_second_(bytes_per_second),
      seek_(seek),
      buffer_time_(bytes_per_second > 0
                       ? std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                             std::chrono::duration<double>(kDriveBufferBytes / bytes_per_second))
                       : std::chrono::steady_clock::duration{}),
      files_(LocalFileAccess()) {}

std::unique_ptr<OpenedFile> SimulatedMedium::Open(const QString& path, QString* error) {
  std::unique_ptr<OpenedFile> file = files_->Open(path, error);
  int id = 0;
  {
    const std::lock_guard lock(mutex_);
    id = files_opened_++;
    ++counts_[path].opened;
  }
  // The head goes to the file's first byte, which is what makes opening cost a seek.
  Move(id, 0, 0, path);
  if (!file) return nullptr;
  return std::make_unique<File>(shared_from_this(), std::move(file), id, path);
}

void SimulatedMedium::Move(int file, std::int64_t position, std::int64_t bytes,
                           const QString& path) {
  const std::lock_guard lock(mutex_);
  std::chrono::steady_clock::duration cost{};
  const bool continues = file == head_file_ && position == head_position_;
  if (!continues) {
    cost += seek_;
    ++seeks_;
  }
  if (bytes_per_second_ > 0) {
    cost += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(bytes / bytes_per_second_));
  }
  head_file_ = file;
  head_position_ = position + bytes;
  counts_[path].bytes += bytes;
  // A drive streams on into its buffer while the host is late to ask for the next piece of the
  // same file: a read that continues the last one finds up to a buffer's worth read already,
  // so the host's scheduling costs nothing, as on a real drive. Any other move starts when
  // asked, or when the head is free (less than a millisecond late is only a sleeper waking).
  const auto now = std::chrono::steady_clock::now();
  if (continues) {
    free_at_ = std::max(free_at_, now - buffer_time_) + cost;
  } else {
    free_at_ = (now - free_at_ < std::chrono::milliseconds(1) ? free_at_ : now) + cost;
  }
  if (cost.count() > 0) std::this_thread::sleep_until(free_at_);
}

QHash<QString, SimulatedMedium::FileCount> SimulatedMedium::Counts() const {
  const std::lock_guard lock(mutex_);
  return counts_;
}

int SimulatedMedium::Seeks() const {
  const std::lock_guard lock(mutex_);
  return seeks_;
}

double SimulatedMedium::BusyUntil() const {
  const std::lock_guard lock(mutex_);
  return std::chrono::duration<double>(free_at_.time_since_epoch()).count();
}

}  // namespace quorvel
