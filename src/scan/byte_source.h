// The bytes of one file as they arrive from the reader, taken in order by the one decoder that
// renders the file.
#ifndef QUORVEL_SCAN_BYTE_SOURCE_H_
#define QUORVEL_SCAN_BYTE_SOURCE_H_

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <vector>

#include "scan/file_access.h"

namespace quorvel {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // The next bytes of the file, waiting for them while none have arrived. Empty once the file
  // has been read to its end, its reading ended early (ReadError) or `stop` is requested. The
  // bytes stay valid until the next call.
  virtual std::span<const std::uint8_t> Next(std::stop_token stop) = 0;

  // Why the reading ended before the end of the file (an I/O error on a scratched disc);
  // empty when it reached the end. Meaningful once Next has returned empty.
  virtual QString ReadError() const = 0;

  // The file's size as the medium gave it when the file was opened; -1 while it is not known
  // (always known once Next has given bytes).
  virtual std::int64_t Size() const { return -1; }
  // The file's modification time (OpenedFile::Modified) once it has been opened; nullopt before,
  // or when the medium does not say.
  virtual std::optional<std::int64_t> Modified() const { return std::nullopt; }

  // For the formats whose decoders read at any offset (videos, camera RAW) instead of taking
  // the bytes in order: the file itself, opened once the medium is free for it (on a disc, when
  // the reader's turn comes to it). The medium is the decoder's until the file is destroyed, so
  // destroy it as soon as all that is needed has been read. Null with `error` set when the file
  // cannot be opened, `stop` is requested, or the source cannot seek. Use either this or Next,
  // not both.
  virtual std::unique_ptr<OpenedFile> OpenForSeeking(std::stop_token stop, QString* error) {
    static_cast<void>(stop);
    *error = QStringLiteral("This file cannot be read by seeking");
    return nullptr;
  }
};

// Appends the rest of the file that `source` delivers to `bytes`, for a library that wants the
// whole file at once. False, with `message` set, when `stop` is requested or the file holds more
// than kMaxHeldBytes; the rest of the file is then never taken (none of it, when its size says
// so from the start).
bool GatherWholeFile(ByteSource& source, const std::stop_token& stop, QByteArray* bytes,
                     QString* message);

// A file's bytes already in memory, handed over in one piece.
class MemoryByteSource : public ByteSource {
 public:
  explicit MemoryByteSource(std::vector<std::uint8_t> bytes, QString read_error = {})
      : bytes_(std::move(bytes)), read_error_(std::move(read_error)) {}

  std::span<const std::uint8_t> Next(std::stop_token stop) override {
    if (given_ || stop.stop_requested()) return {};
    given_ = true;
    return bytes_;
  }
  QString ReadError() const override { return read_error_; }
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  std::unique_ptr<OpenedFile> OpenForSeeking(std::stop_token stop, QString* error) override {
    if (stop.stop_requested()) {
      *error = QStringLiteral("Rendering was stopped");
      return nullptr;
    }
    return OpenMemory(bytes_);
  }

 private:
  std::vector<std::uint8_t> bytes_;
  QString read_error_;
  bool given_ = false;
};

}  // namespace quorvel

#endif  // QUORVEL_SCAN_BYTE_SOURCE_H_
