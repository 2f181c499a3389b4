#include "scan/thumb_control.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <stop_token>
#include <utility>

#include "catalog/format.h"
#include "scan/embedded_preview.h"
#include "scan/placeholder_thumbnail.h"
#include "scan/thumbnail_renderer.h"

namespace quorvel {
namespace {

// The file being waited for goes before the files rendered ahead.
constexpr int kShowPriority = 1;
constexpr int kAheadPriority = 0;
// How long the destructor waits for the renders running: a render that has been asked to stop
// normally ends well within it.
constexpr int kStopGraceMs = 3000;

}  // namespace

// One render, shared by the UI thread and the worker that runs it. The worker writes the result
// and only then sets `done`; the UI thread reads the result only after it has seen `done`.
struct ThumbControl::Job {
  // A file of the list `from` reads; without one, the file is read alone once the job starts.
  Job(QString file, std::shared_ptr<DiscReader> from = {}, int at = 0)
      : path(std::move(file)), reader(std::move(from)), index(at) {
    if (reader) bytes = reader->File(index);
  }

  const QString path;
  std::shared_ptr<DiscReader> reader;  // set on the UI thread before the job starts
  const int index;                     // in the reader's list
  std::shared_ptr<ReadFile> bytes;     // likewise
  std::stop_source stop;
  bool started = false;  // UI thread only
  QImage image;
  QString error;
  QString read_error;
  std::atomic<bool> done{false};
};

// How a worker tells the control that a render has ended, without holding a pointer that the
// control's destruction could leave dangling.
struct ThumbControl::Mailbox {
  std::mutex mutex;
  ThumbControl* receiver = nullptr;  // null once the control is being destroyed
};

ThumbControl::ThumbControl(QWidget* parent)
    : QWidget(parent),
      suffixes_(ReadableImageSuffixes()),
      mailbox_(std::make_shared<Mailbox>()),
      file_access_(LocalFileAccess()),
      bytes_read_(std::make_shared<std::atomic<std::int64_t>>(0)),
      decode_memory_(std::make_shared<DecodeMemory>()),
      pool_(std::make_unique<QThreadPool>()) {
  setObjectName(QStringLiteral("ThumbControl"));
  setFixedSize(kThumbSide, kThumbSide);
  setAttribute(Qt::WA_OpaquePaintEvent);
  mailbox_->receiver = this;
  pool_->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

ThumbControl::~ThumbControl() {
  {
    const std::lock_guard lock(mailbox_->mutex);
    mailbox_->receiver = nullptr;
  }
  if (current_) Stop(current_);
  StopReading();
  pool_->clear();
  // The workers hold their jobs and the mailbox themselves and never touch the control, so a
  // pool left running (and deliberately never destroyed, since that would wait again) is safe.
  if (!pool_->waitForDone(kStopGraceMs)) static_cast<void>(pool_.release());
}

bool ThumbControl::CanShow(const QString& path) const { return HasReadableSuffix(path, suffixes_); }

bool ThumbControl::ShowFile(const QString& path) {
  if (!CanShow(path)) return false;
  if (current_) Stop(current_);
  current_.reset();
  const qsizetype at = reader_ ? read_ahead_.indexOf(path, shown_ + 1) : -1;
  if (at >= 0) {
    // The files of the list before this one were passed over.
    while (!ahead_.empty() && ahead_.front()->index < at) {
      Stop(ahead_.front());
      ahead_.pop_front();
    }
    if (!ahead_.empty() && ahead_.front()->index == at) {
      current_ = std::move(ahead_.front());
      ahead_.pop_front();
    } else {
      current_ = std::make_shared<Job>(path, reader_, static_cast<int>(at));
    }
    shown_ = static_cast<int>(at);
    reader_->Show(shown_);
    // Before the renders ahead, which would otherwise take the workers first.
    StartCurrent();
    StartAhead();
  } else {
    current_ = std::make_shared<Job>(path);
  }
  status_ = Status::kRendering;
  path_ = path;
  picture_ = QImage();
  error_.clear();
  read_error_.clear();
  setAccessibleName(QFileInfo(path).fileName());
  update();
  CollectCurrent();
  return true;
}

void ThumbControl::ReadAhead(const QStringList& paths) {
  StopReading();
  for (const QString& path : paths) {
    if (CanShow(path)) read_ahead_.append(path);
  }
  if (read_ahead_.isEmpty()) return;
  reader_ =
      std::make_shared<DiscReader>(read_ahead_, file_access_, use_embedded_previews_, bytes_read_);
  StartAhead();
}

void ThumbControl::StopReading() {
  for (const std::shared_ptr<Job>& job : ahead_) Stop(job);
  ahead_.clear();
  // The file on show keeps the reader as long as its render needs it.
  if (reader_) reader_->StopAfter(shown_);
  reader_.reset();
  read_ahead_.clear();
  shown_ = -1;
}

void ThumbControl::SetUseEmbeddedPreviews(bool use) { use_embedded_previews_ = use; }

void ThumbControl::SetFileAccess(std::shared_ptr<FileAccess> access) {
  file_access_ = std::move(access);
}

bool ThumbControl::ThumbnailReady() {
  const Status status = RenderStatus();
  return status == Status::kReady || status == Status::kFailed;
}

bool ThumbControl::RenderFailed() { return RenderStatus() == Status::kFailed; }

ThumbControl::Status ThumbControl::RenderStatus() {
  StartCurrent();
  CollectCurrent();
  return status_;
}

void ThumbControl::StartAhead() {
  const int end = std::min(static_cast<int>(read_ahead_.size()), shown_ + 1 + kMaxReadAheadFiles);
  for (int index = ahead_.empty() ? shown_ + 1 : ahead_.back()->index + 1; index < end; ++index) {
    auto job = std::make_shared<Job>(read_ahead_[index], reader_, index);
    Start(job, kAheadPriority);
    ahead_.push_back(std::move(job));
  }
}

void ThumbControl::Stop(const std::shared_ptr<Job>& job) {
  job->stop.request_stop();
  if (job->bytes) job->bytes->Drop();
}

int ThumbControl::RendersInFlight() const {
  auto in_flight = [](const std::shared_ptr<Job>& job) {
    return job->started && !job->done.load(std::memory_order_acquire);
  };
  return static_cast<int>((current_ && in_flight(current_) ? 1 : 0) +
                          std::count_if(ahead_.begin(), ahead_.end(), in_flight));
}

void ThumbControl::SetRenderThreads(int count) { pool_->setMaxThreadCount(std::max(1, count)); }

void ThumbControl::paintEvent(QPaintEvent* event) {
  if (status_ == Status::kRendering) RenderStatus();
  QPainter painter(this);
  if (status_ == Status::kFailed) {
    PaintPlaceholder(painter, rect(), path_);
    return;
  }
  painter.fillRect(event->rect(), Qt::white);
  if (!picture_.isNull()) painter.drawImage(0, 0, picture_);
}

void ThumbControl::Start(const std::shared_ptr<Job>& job, int priority) {
  job->started = true;
  if (!job->reader) {
    job->reader = std::make_shared<DiscReader>(QStringList{job->path}, file_access_,
                                               use_embedded_previews_, bytes_read_);
    job->bytes = job->reader->File(0);
  }
  pool_->start(
      [job, mailbox = mailbox_, memory = decode_memory_] {
        const std::stop_token stop = job->stop.get_token();
        ReadFile& bytes = *job->bytes;
        if (std::optional<EmbeddedPreview> preview = bytes.WaitForPreview(stop)) {
          job->image = CentreOnWhite(FitPreview(*preview, kThumbSide), kThumbSide);
        } else if (!stop.stop_requested()) {
          const QImage picture =
              DecodeFittedPicture(bytes, job->path, kThumbSide, &job->error, stop, memory.get());
          if (!picture.isNull()) job->image = CentreOnWhite(picture, kThumbSide);
        }
        job->read_error = bytes.IoError();
        // The reader reads no more of the file, even when the decoder did not need all of it.
        bytes.Finish();
        if (job->image.isNull() && job->error.isEmpty()) {
          job->error = stop.stop_requested() ? QStringLiteral("Rendering was stopped")
                                             : QStringLiteral("The picture could not be decoded");
        }
        job->done.store(true, std::memory_order_release);
        const std::lock_guard lock(mailbox->mutex);
        if (ThumbControl* receiver = mailbox->receiver) {
          // Runs on the UI thread, and not at all once the control is gone.
          QMetaObject::invokeMethod(
              receiver, [receiver] { receiver->CollectCurrent(); }, Qt::QueuedConnection);
        }
      },
      priority);
}

void ThumbControl::StartCurrent() {
  if (current_ && !current_->started) Start(current_, kShowPriority);
}

void ThumbControl::CollectCurrent() {
  // Only the job of the last ShowFile is looked at, so a superseded render never shows.
  if (status_ != Status::kRendering || !current_ ||
      !current_->done.load(std::memory_order_acquire)) {
    return;
  }
  picture_ = current_->image;
  status_ = picture_.isNull() ? Status::kFailed : Status::kReady;
  error_ = picture_.isNull() ? current_->error : QString();
  read_error_ = current_->read_error;
  current_.reset();
  update();
}

}  // namespace quorvel
