// A disc for the benchmark: the file system's files behind one simulated drive head that moves
// at a given rate and pays a fixed time for every file opened and every seek, with a count of
// the bytes read from each file.
#ifndef QUORVEL_BENCH_SIMULATED_MEDIUM_H_
#define QUORVEL_BENCH_SIMULATED_MEDIUM_H_

#include <QHash>
#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "scan/file_access.h"

namespace quorvel {

class SimulatedMedium : public FileAccess, public std::enable_shared_from_this<SimulatedMedium> {
 public:
  // What the drive reads ahead of the host along a file, as CD and DVD drives do.
  static constexpr double kDriveBufferBytes = 2 * 1024 * 1024;

  struct FileCount {
    int opened = 0;
    std::int64_t bytes = 0;
  };

  // `bytes_per_second` 0: no throttling at all, only the counting.
  SimulatedMedium(double bytes_per_second, std::chrono::microseconds seek);

  // Opening costs one seek. A read that does not continue the medium's previous read (another
  // file, or the same file elsewhere) costs one more; every read then costs its bytes at the
  // medium's rate. There is one head: readers on several threads wait for each other. A read
  // that continues the previous one gets what the drive buffered meanwhile.
  std::unique_ptr<OpenedFile> Open(const QString& path, QString* error) override;
  // The file system's, at no cost: the drive answers it from the directory the walk read.
  std::optional<FileStamp> Stat(const QString& path) override { return files_->Stat(path); }

  // What has been opened and read so far, by path; and the seeks, opening included.
  QHash<QString, FileCount> Counts() const;
  int Seeks() const;
  // When the head ends (or ended) its last move, in seconds of the monotonic clock.
  double BusyUntil() const;

 private:
  class File;
  // Moves the head to `position` of file `file` when it is not already there, then over
  // `bytes` bytes, taking the time the medium would.
  void Move(int file, std::int64_t position, std::int64_t bytes, const QString& path);

  const double bytes_per_second_;
  const std::chrono::microseconds seek_;
  const std::chrono::steady_clock::duration buffer_time_;  // to fill the drive's buffer
  const std::shared_ptr<FileAccess> files_;
  mutable std::mutex mutex_;  // the head: held while it moves
  std::chrono::steady_clock::time_point free_at_;
  int files_opened_ = 0;
  int head_file_ = -1;
  std::int64_t head_position_ = 0;
  int seeks_ = 0;
  QHash<QString, FileCount> counts_;
};

}  // namespace quorvel

#endif  // QUORVEL_BENCH_SIMULATED_MEDIUM_H_
