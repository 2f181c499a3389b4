#include "scan/thumbnail_pipeline.h"

#include <QThread>
#include <algorithm>
#include <mutex>
#include <stop_token>
#include <utility>

#include "catalog/format.h"
#include "scan/embedded_preview.h"
#include "scan/picture_formats.h"
#include "scan/thumbnail_renderer.h"

namespace quorvel {
namespace {

// The file asked for goes before the files rendered ahead.
constexpr int kShowPriority = 1;
constexpr int kAheadPriority = 0;
// How long the destructor waits for the renders running: a render that has been asked to stop
// normally ends well within it.
constexpr int kStopGraceMs = 3000;

}  // namespace

// One render, shared by the thread that asks for it and the worker that runs it. The worker
// writes the result and only then sets `done`; the asking thread reads the result only after it
// has seen `done`.
struct ThumbnailPipeline::Job {
  // A file of the list `from` reads; without one, the file is read alone once the job starts.
  Job(QString file, std::shared_ptr<DiscReader> from = {}, int at = 0)
      : path(std::move(file)), reader(std::move(from)), index(at) {
    if (reader) bytes = reader->File(index);
  }

  const QString path;
  std::shared_ptr<DiscReader> reader;  // set by the asking thread before the job starts
  const int index;                     // in the reader's list
  std::shared_ptr<ReadFile> bytes;     // likewise
  std::stop_source stop;
  bool started = false;  // asking thread only
  QImage image;
  QString error;
  QString read_error;
  PictureFacts facts;
  std::atomic<bool> done{false};
};

// How a worker tells that a render has ended, without a pointer to the pipeline, which the
// worker may outlive.
struct ThumbnailPipeline::Mailbox {
  std::shared_ptr<ScanWake> Wake() {
    const std::lock_guard lock(mutex);
    return wake;
  }

  std::mutex mutex;
  std::shared_ptr<ScanWake> wake = std::make_shared<ScanWake>();
  std::atomic<std::uint64_t> interrupts{0};
};

ThumbnailPipeline::ThumbnailPipeline()
    : suffixes_(ReadableImageSuffixes()),
      mailbox_(std::make_shared<Mailbox>()),
      file_access_(LocalFileAccess()),
      bytes_read_(std::make_shared<std::atomic<std::int64_t>>(0)),
      decode_memory_(std::make_shared<DecodeMemory>()),
      pool_(std::make_unique<QThreadPool>()) {
  pool_->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

ThumbnailPipeline::~ThumbnailPipeline() {
  if (current_) Stop(current_);
  StopReading();
  pool_->clear();
  // The workers hold their jobs and the mailbox themselves and never touch the pipeline, so a
  // pool left running (and deliberately never destroyed, since that would wait again) is safe.
  if (!pool_->waitForDone(kStopGraceMs)) static_cast<void>(pool_.release());
}

bool ThumbnailPipeline::CanShow(const QString& path) const {
  return HasReadableSuffix(path, suffixes_);
}

bool ThumbnailPipeline::ShowFile(const QString& path) {
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
  } else {
    current_ = std::make_shared<Job>(path);
  }
  // Before the renders ahead, which would otherwise take the workers first.
  if (!current_->started) Start(current_, kShowPriority);
  if (at >= 0) StartAhead();
  return true;
}

bool ThumbnailPipeline::ResultReady() const {
  return current_ && current_->done.load(std::memory_order_acquire);
}

ThumbnailResult ThumbnailPipeline::Result() const {
  ThumbnailResult result;
  if (!current_) return result;
  if (!ResultReady()) {
    result.status = ThumbnailResult::Status::kRendering;
    return result;
  }
  result.thumbnail = current_->image;
  result.status = result.thumbnail.isNull() ? ThumbnailResult::Status::kFailed
                                            : ThumbnailResult::Status::kReady;
  if (result.thumbnail.isNull()) result.error = current_->error;
  result.read_error = current_->read_error;
  result.facts = current_->facts;
  return result;
}

bool ThumbnailPipeline::WaitForResult(std::optional<Clock::time_point> deadline) {
  const std::shared_ptr<ScanWake> wake = mailbox_->Wake();
  const std::uint64_t interrupts = mailbox_->interrupts.load();
  for (;;) {
    const std::uint64_t seen = wake->Notices();
    if (ResultReady()) return true;
    if (mailbox_->interrupts.load() != interrupts) return false;
    if (deadline && Clock::now() >= *deadline) return false;
    wake->WaitAfter(seen, deadline);
  }
}

void ThumbnailPipeline::Interrupt() {
  ++mailbox_->interrupts;
  mailbox_->Wake()->Notify();
}

void ThumbnailPipeline::SetWake(std::shared_ptr<ScanWake> wake) {
  const std::lock_guard lock(mailbox_->mutex);
  mailbox_->wake = std::move(wake);
}

void ThumbnailPipeline::ReadAhead(const QStringList& paths) {
  StopReading();
  for (const QString& path : paths) {
    if (CanShow(path)) read_ahead_.append(path);
  }
  if (read_ahead_.isEmpty()) return;
  reader_ =
      std::make_shared<DiscReader>(read_ahead_, file_access_, use_embedded_previews_, bytes_read_);
  StartAhead();
}

void ThumbnailPipeline::StopReading() {
  for (const std::shared_ptr<Job>& job : ahead_) Stop(job);
  ahead_.clear();
  // The file asked for keeps the reader as long as its render needs it.
  if (reader_) reader_->StopAfter(shown_);
  reader_.reset();
  read_ahead_.clear();
  shown_ = -1;
}

void ThumbnailPipeline::SetUseEmbeddedPreviews(bool use) { use_embedded_previews_ = use; }

std::optional<FileStamp> ThumbnailPipeline::Stat(const QString& path) const {
  return file_access_->Stat(path);
}

void ThumbnailPipeline::SetFileAccess(std::shared_ptr<FileAccess> access) {
  file_access_ = std::move(access);
}

void ThumbnailPipeline::StartAhead() {
  const int end = std::min(static_cast<int>(read_ahead_.size()), shown_ + 1 + kMaxReadAheadFiles);
  for (int index = ahead_.empty() ? shown_ + 1 : ahead_.back()->index + 1; index < end; ++index) {
    auto job = std::make_shared<Job>(read_ahead_[index], reader_, index);
    Start(job, kAheadPriority);
    ahead_.push_back(std::move(job));
  }
}

void ThumbnailPipeline::Stop(const std::shared_ptr<Job>& job) {
  job->stop.request_stop();
  if (job->bytes) job->bytes->Drop();
}

int ThumbnailPipeline::RendersInFlight() const {
  auto in_flight = [](const std::shared_ptr<Job>& job) {
    return job->started && !job->done.load(std::memory_order_acquire);
  };
  return static_cast<int>((current_ && in_flight(current_) ? 1 : 0) +
                          std::count_if(ahead_.begin(), ahead_.end(), in_flight));
}

void ThumbnailPipeline::SetRenderThreads(int count) {
  pool_->setMaxThreadCount(std::max(1, count));
}

void ThumbnailPipeline::Start(const std::shared_ptr<Job>& job, int priority) {
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
          job->facts = std::move(preview->facts);
        } else if (!stop.stop_requested()) {
          const QImage picture = DecodeFittedPicture(bytes, job->path, kThumbSide, &job->error,
                                                     stop, memory.get(), &job->facts);
          if (!picture.isNull()) job->image = CentreOnWhite(picture, kThumbSide);
        }
        // The file's own facts, as the medium gave them when it was opened.
        if (const std::int64_t size = bytes.Size(); size >= 0) job->facts.file_size = size;
        job->facts.modified = bytes.Modified();
        job->read_error = bytes.IoError();
        // The reader reads no more of the file, even when the decoder did not need all of it.
        bytes.Finish();
        if (job->image.isNull() && job->error.isEmpty()) {
          job->error = stop.stop_requested() ? QStringLiteral("Rendering was stopped")
                                             : QStringLiteral("The picture could not be decoded");
        }
        job->done.store(true, std::memory_order_release);
        mailbox->Wake()->Notify();
      },
      priority);
}

}  // namespace quorvel
