// The thumbnail renderer that the scan asks for every picture: a 100 x 100 widget that renders
// files on worker threads and shows the result, so that it can be painted into the capture bitmap.
#ifndef QUORVEL_SCAN_THUMB_CONTROL_H_
#define QUORVEL_SCAN_THUMB_CONTROL_H_

#include <QByteArray>
#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>

#include "scan/decode_memory.h"
#include "scan/disc_reader.h"
#include "scan/file_access.h"

class QPaintEvent;

namespace quorvel {

// Used from the UI thread only. Rendering runs on the control's own worker threads, which never
// touch the widget; a render that a later ShowFile superseded can never show its result.
class ThumbControl : public QWidget {
  Q_OBJECT

 public:
  enum class Status {
    kIdle,       // nothing shown yet
    kRendering,  // the file of the last ShowFile is being rendered
    kReady,      // its thumbnail is shown
    kFailed,     // it could not be decoded (damaged, cut, not a picture): it has no thumbnail
  };

  // The reader's read-ahead: whichever bound is reached first.
  static constexpr int kMaxReadAheadFiles = DiscReader::kMaxFilesAhead;
  static constexpr std::int64_t kMaxReadAheadBytes = DiscReader::kMaxBytesAhead;

  explicit ThumbControl(QWidget* parent = nullptr);
  // Stops the reading and the renders and waits a little for the renders running; a read that
  // does not return (a failing disk) is never waited for, and is left to end with the process.
  ~ThumbControl() override;

  // True when Qt's image readers can read files of this name. Judged by the name only: nothing
  // is read from the disk.
  bool CanShow(const QString& path) const;

  // CanShow(path). When true, the control goes blank and renders the file on a worker. A file
  // of the ReadAhead list (after those shown before) goes on from where its reading and render
  // are, and the files of the list passed over are no longer read nor rendered. Any other file
  // is read alone, from when the result is first wanted (ThumbnailReady, RenderFailed,
  // RenderStatus or a paint of the control): a walk that only asks whether files can be shown
  // reads none of them. When false, nothing changes.
  bool ShowFile(const QString& path);

  // True once the render started by the last ShowFile has ended, with a thumbnail shown (kReady)
  // or without one (kFailed): either way waiting longer is useless. Tell them apart by
  // RenderFailed(); a failed file must not be catalogued.
  bool ThumbnailReady();
  bool RenderFailed();
  Status RenderStatus();
  // Why the last render failed; empty otherwise.
  QString ErrorText() const { return error_; }
  // The 100 x 100 picture shown: the thumbnail when kReady, else null (the control paints white,
  // or the placeholder when kFailed).
  QImage Thumbnail() const { return picture_; }

  // The files the capture will show, in the order it will show them. One reader thread reads
  // them front to back, each file once, ahead of ShowFile by at most kMaxReadAheadFiles files
  // or kMaxReadAheadBytes bytes; the workers decode from the bytes read, rendering those files
  // ahead. A picture with a usable embedded preview (when they are used) is read only as far
  // as the preview. Replaces the list of an earlier call. Files that cannot be shown are left
  // out.
  void ReadAhead(const QStringList& paths);
  // Ends the reading of the list: files not yet shown are no longer read nor rendered; the file
  // on show is read on as far as its render needs. A read that does not return (a failing disc)
  // is left behind, never waited for.
  void StopReading();
  // Whether JPEG files are rendered from the EXIF thumbnail they hold, when it is usable. On by
  // default; applies to the lists given and the files shown after the call.
  void SetUseEmbeddedPreviews(bool use);
  // The medium files are read from; the file system unless the tests or the benchmark say else.
  // Applies to the lists given and the files shown after the call.
  void SetFileAccess(std::shared_ptr<FileAccess> access);
  // Why the reading of the file of the last ShowFile ended early (an I/O error), once its render
  // has ended: its thumbnail, if it has one, shows the part that was read. Empty otherwise, and
  // for a file that could not be opened at all (ErrorText tells that).
  QString ReadErrorText() const { return read_error_; }
  // Bytes read from files since the control was made.
  std::int64_t BytesRead() const { return bytes_read_->load(); }

  // How many renders have been started on a worker and not yet ended, for the file shown and for
  // those rendered ahead.
  int RendersInFlight() const;

  // How many files render at the same time (at least 1; the default is one per core). On an
  // optical disk one thread saves seeking between files.
  void SetRenderThreads(int count);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Job;
  struct Mailbox;

  void Start(const std::shared_ptr<Job>& job, int priority);
  void StartCurrent();
  // Starts the renders of the listed files after the one on show, up to the read-ahead's bound.
  void StartAhead();
  static void Stop(const std::shared_ptr<Job>& job);
  void CollectCurrent();

  QSet<QByteArray> suffixes_;
  std::shared_ptr<Mailbox> mailbox_;
  std::shared_ptr<Job> current_;  // the render of the last accepted ShowFile, until collected
  std::deque<std::shared_ptr<Job>> ahead_;  // of the listed files after the one on show
  Status status_ = Status::kIdle;
  QString path_;  // the file of the last accepted ShowFile
  QImage picture_;
  QString error_;
  QString read_error_;
  // The ReadAhead list, until StopReading, and its reader, which the jobs of its files share.
  QStringList read_ahead_;
  std::shared_ptr<DiscReader> reader_;
  int shown_ = -1;  // the index in read_ahead_ of the file on show
  bool use_embedded_previews_ = true;
  std::shared_ptr<FileAccess> file_access_;
  std::shared_ptr<std::atomic<std::int64_t>> bytes_read_;
  // Shared by the renders, which may outlive the control.
  std::shared_ptr<DecodeMemory> decode_memory_;
  // Owned, except when the destructor has to leave a stuck render behind with it.
  std::unique_ptr<QThreadPool> pool_;
};

}  // namespace quorvel

#endif  // QUORVEL_SCAN_THUMB_CONTROL_H_
