// The thumbnails that the capture asks for, one file after another: one reader thread reads the
// files in the order they will be asked for, render threads decode them, and each finished
// 100 x 100 picture is handed over with its outcome. No widget is involved: the capture waits
// for a result with a deadline, and whoever shows the scan is given the picture stored.
#ifndef QUORVEL_SCAN_THUMBNAIL_PIPELINE_H_
#define QUORVEL_SCAN_THUMBNAIL_PIPELINE_H_

#include <QByteArray>
#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

#include "catalog/picture_facts.h"
#include "scan/decode_memory.h"
#include "scan/disc_reader.h"
#include "scan/file_access.h"
#include "scan/scan_wake.h"

namespace quorvel {

// What became of one file's render.
struct ThumbnailResult {
  enum class Status {
    kIdle,       // no file asked for yet
    kRendering,  // the file of the last ShowFile is being rendered
    kReady,      // its thumbnail is in `thumbnail`
    kFailed,     // it could not be decoded (damaged, cut, not a picture): it has no thumbnail
  };

  Status status = Status::kIdle;
  // kReady: the picture centred on a white 100 x 100 square (QImage::Format_RGB32); else null.
  QImage thumbnail;
  // kFailed: why.
  QString error;
  // Why the reading of the file ended early (an I/O error), once its render has ended: its
  // thumbnail, if it has one, shows the part that was read. Empty otherwise, and for a file that
  // could not be opened at all (`error` tells that).
  QString read_error;
  // What the file says of itself (date taken, camera, size...), read from the bytes its render
  // read anyway, and its size and modification time. Empty facts when it could not be read.
  PictureFacts facts;
};

// Asked from one thread (the capture's); Interrupt and the wake may come from any. Rendering
// runs on the pipeline's own threads; a render that a later ShowFile superseded never reaches
// a result.
class ThumbnailPipeline {
 public:
  using Clock = ScanWake::Clock;

  // The reader's read-ahead: whichever bound is reached first.
  static constexpr int kMaxReadAheadFiles = DiscReader::kMaxFilesAhead;
  static constexpr std::int64_t kMaxReadAheadBytes = DiscReader::kMaxBytesAhead;

  ThumbnailPipeline();
  // Stops the reading and the renders and waits a little for the renders running; a read that
  // does not return (a failing disk) is never waited for, and is left to end with the process.
  ~ThumbnailPipeline();
  ThumbnailPipeline(const ThumbnailPipeline&) = delete;
  ThumbnailPipeline& operator=(const ThumbnailPipeline&) = delete;

  // True when the readers can read files of this name. Judged by the name only: nothing is
  // read from the disk.
  bool CanShow(const QString& path) const;

  // CanShow(path). When true, the file becomes the one whose result is asked for, and its render
  // starts. A file of the ReadAhead list (after those asked for before) goes on from where its
  // reading and render are, and the files of the list passed over are no longer read nor
  // rendered. Any other file is read alone. When false, nothing changes.
  bool ShowFile(const QString& path);

  // True once the render of the last ShowFile has ended, with a thumbnail or without one:
  // either way waiting longer is useless.
  bool ResultReady() const;
  // The result of the last ShowFile: kRendering until ResultReady().
  ThumbnailResult Result() const;

  // Waits until ResultReady(), Interrupt(), a notice on the wake, or `deadline` (none: no
  // limit), whichever comes first. Returns ResultReady().
  bool WaitForResult(std::optional<Clock::time_point> deadline);
  // Any thread: wakes a wait at once.
  void Interrupt();
  // The wake notified whenever a render ends, so that a wait on it (the capture's, which the
  // buttons wake too) sees the result at once. Replaces the pipeline's own.
  void SetWake(std::shared_ptr<ScanWake> wake);

  // The files the capture will ask for, in the order it will ask for them. One reader thread
  // reads them front to back, each file once, ahead of ShowFile by at most kMaxReadAheadFiles
  // files or kMaxReadAheadBytes bytes; the render threads decode from the bytes read, rendering
  // those files ahead. A picture with a usable embedded preview (when they are used) is read
  // only as far as the preview. Replaces the list of an earlier call. Files that cannot be shown
  // are left out.
  void ReadAhead(const QStringList& paths);
  // Ends the reading of the list: files not yet asked for are no longer read nor rendered; the
  // file asked for last is read on as far as its render needs. A read that does not return (a
  // failing disc) is left behind, never waited for.
  void StopReading();
  // Whether JPEG files are rendered from the EXIF thumbnail they hold, when it is usable. On by
  // default; applies to the lists given and the files asked for after the call.
  void SetUseEmbeddedPreviews(bool use);
  // The medium files are read from; the file system unless the tests or the benchmark say else.
  // Applies to the lists given and the files asked for after the call.
  void SetFileAccess(std::shared_ptr<FileAccess> access);
  // The medium's FileAccess::Stat of `path`: what an update compares with a thumbnail's facts.
  std::optional<FileStamp> Stat(const QString& path) const;
  // Bytes read from files since the pipeline was made.
  std::int64_t BytesRead() const { return bytes_read_->load(); }

  // How many renders have been started and not yet ended, for the file asked for and for those
  // rendered ahead.
  int RendersInFlight() const;

  // How many files render at the same time (at least 1; the default is one per core). On an
  // optical disk one thread saves seeking between files.
  void SetRenderThreads(int count);

 private:
  struct Job;
  struct Mailbox;

  void Start(const std::shared_ptr<Job>& job, int priority);
  // Starts the renders of the listed files after the one asked for, up to the read-ahead's bound.
  void StartAhead();
  static void Stop(const std::shared_ptr<Job>& job);

  QSet<QByteArray> suffixes_;
  std::shared_ptr<Mailbox> mailbox_;
  std::shared_ptr<Job> current_;            // the render of the last accepted ShowFile
  std::deque<std::shared_ptr<Job>> ahead_;  // of the listed files after the one asked for
  // The ReadAhead list, until StopReading, and its reader, which the jobs of its files share.
  QStringList read_ahead_;
  std::shared_ptr<DiscReader> reader_;
  int shown_ = -1;  // the index in read_ahead_ of the file asked for last
  bool use_embedded_previews_ = true;
  std::shared_ptr<FileAccess> file_access_;
  std::shared_ptr<std::atomic<std::int64_t>> bytes_read_;
  // Shared by the renders, which may outlive the pipeline.
  std::shared_ptr<DecodeMemory> decode_memory_;
  // Owned, except when the destructor has to leave a stuck render behind with it.
  std::unique_ptr<QThreadPool> pool_;
};

}  // namespace quorvel

#endif  // QUORVEL_SCAN_THUMBNAIL_PIPELINE_H_
