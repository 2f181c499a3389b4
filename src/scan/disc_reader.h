// The one reader of a disk's files during a capture: it reads them in the order they will be
// shown, each front to back once, a bounded distance ahead of the file on show, and hands each
// file's bytes to the one decoder that renders it. On a CD or a hard disk one reader saves the
// seeks that several threads reading different files would cost.
#ifndef QUORVEL_SCAN_DISC_READER_H_
#define QUORVEL_SCAN_DISC_READER_H_

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <vector>

#include "scan/byte_source.h"
#include "scan/embedded_preview.h"
#include "scan/file_access.h"

namespace quorvel {

struct ReadState;

// The bytes of one file of a reader's list as they arrive. Next, WaitForPreview and
// OpenForSeeking are for the one decoder of the file; Drop may come from any thread.
class ReadFile : public ByteSource, public std::enable_shared_from_this<ReadFile> {
 public:
  // With `looks_for_preview`, the decoder waits for the reader's look at the file's beginning.
  // With `by_seeking`, the reader reads none of it: when its turn comes, it lends the medium to
  // the decoder, which reads what it needs through OpenForSeeking.
  ReadFile(std::shared_ptr<ReadState> state, QString path, bool looks_for_preview, bool by_seeking);
  ReadFile(const ReadFile&) = delete;
  ReadFile& operator=(const ReadFile&) = delete;

  const QString& Path() const { return path_; }

  // Waits until the reader has looked at the file's beginning: the embedded preview found
  // there when it is usable (and previews are in use), the rest of the file then never read;
  // nullopt otherwise, or when `stop` is requested, the bytes then coming by Next from the
  // first one on.
  std::optional<EmbeddedPreview> WaitForPreview(std::stop_token stop);
  std::span<const std::uint8_t> Next(std::stop_token stop) override;
  // Why the reading ended early: the file could not be opened, or the medium failed in it.
  QString ReadError() const override;
  std::int64_t Size() const override;
  std::optional<std::int64_t> Modified() const override;
  // A file read by seeking: waits for the reader's turn to come to it, then opens it. The reader
  // reads no other file until the opened file is destroyed or the file is dropped.
  std::unique_ptr<OpenedFile> OpenForSeeking(std::stop_token stop, QString* error) override;
  // The medium's error that ended the reading after the file was opened; empty otherwise.
  QString IoError() const;

  // Nobody will take the file's bytes any more: those waiting are freed and the reader reads no
  // more of it.
  void Drop();
  // The decoder is done with the file: as Drop, and the bytes it took last are freed too.
  void Finish();

 private:
  friend class DiscReader;
  friend class FileReading;
  friend class LentFile;

  void DropLocked();
  void Uncount(std::int64_t size);

  const std::shared_ptr<ReadState> state_;
  const QString path_;
  // All below under the state's mutex.
  std::deque<std::vector<std::uint8_t>> waiting_;
  std::vector<std::uint8_t> taken_;  // the decoder's last piece, valid until its next call
  std::int64_t counted_ = 0;         // of waiting_ and taken_, in the reader's bound
  std::optional<EmbeddedPreview> preview_;
  bool head_judged_ = false;
  const bool by_seeking_;
  bool lent_ = false;      // the reader has lent the medium for the file
  bool returned_ = false;  // the decoder is done with the medium
  bool ended_ = false;     // the reader is done with the file
  bool dropped_ = false;   // the decoder is done with it, or will never come
  QString error_;
  bool io_error_ = false;
  std::int64_t size_ = -1;
  std::optional<std::int64_t> modified_;
};

// Reads a list of files on a thread of its own, from its construction on. Used from one thread
// (the control's); the files' bytes are taken on any.
class DiscReader {
 public:
  // The most files read ahead of the one on show, and the most bytes read and not yet taken by
  // the decoders, whichever is reached first. The file being read is held to it too: a decoder
  // that wants the whole file takes the bytes as they come, and makes the room.
  static constexpr int kMaxFilesAhead = 8;
  static constexpr std::int64_t kMaxBytesAhead = 64 * 1024 * 1024;
  // How much one read asks the medium for.
  static constexpr std::int64_t kReadPiece = 1024 * 1024;

  // Starts reading `paths` in this order, through `access`, adding every byte read to
  // `bytes_read`. With `use_previews`, each file's beginning is read first and the rest is not
  // read when an embedded preview found there is usable.
  DiscReader(const QStringList& paths, std::shared_ptr<FileAccess> access, bool use_previews,
             std::shared_ptr<std::atomic<std::int64_t>> bytes_read);
  // Stops reading. A read that has not returned (a failing disc) is left behind, never waited
  // for; its thread ends when it returns.
  ~DiscReader();
  DiscReader(const DiscReader&) = delete;
  DiscReader& operator=(const DiscReader&) = delete;

  int FileCount() const { return static_cast<int>(files_->size()); }
  const std::shared_ptr<ReadFile>& File(int index) const { return (*files_)[index]; }

  // The file at `index` is the one on show now: the files before it are dropped, and the
  // read-ahead counts from it. A read stuck in a file before it is abandoned, and a new reader
  // goes on from `index`.
  void Show(int index);
  // No file after `index` is read: they are dropped, and the reader ends after that file.
  void StopAfter(int index);

 private:
  // A reader thread from the file at `from` on; the one before, if any, is to stop.
  void StartReading(int from);

  const std::shared_ptr<ReadState> state_;
  const std::shared_ptr<const std::vector<std::shared_ptr<ReadFile>>> files_;
  const std::shared_ptr<FileAccess> access_;
  const bool use_previews_;
  // Of the reader thread now reading. The threads are detached, never joined: one may be stuck
  // in a read.
  std::stop_source reading_;
};

}  // namespace quorvel

#endif  // QUORVEL_SCAN_DISC_READER_H_
