#include "scan/thumb_control.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <stop_token>
#include <utility>

#include "catalog/format.h"
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
  explicit Job(QString file) : path(std::move(file)) {}

  const QString path;
  std::stop_source stop;
  bool started = false;  // UI thread only
  QImage image;
  QString error;
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
  if (current_) current_->stop.request_stop();
  for (const std::shared_ptr<Job>& job : ahead_) job->stop.request_stop();
  pool_->clear();
  // The workers hold their jobs and the mailbox themselves and never touch the control, so a
  // pool left running (and deliberately never destroyed, since that would wait again) is safe.
  if (!pool_->waitForDone(kStopGraceMs)) static_cast<void>(pool_.release());
}

bool ThumbControl::CanShow(const QString& path) const { return HasReadableSuffix(path, suffixes_); }

bool ThumbControl::ShowFile(const QString& path) {
  if (!CanShow(path)) return false;
  if (current_) current_->stop.request_stop();
  current_.reset();
  const auto found = std::find_if(ahead_.begin(), ahead_.end(),
                                  [&path](const auto& job) { return job->path == path; });
  if (found != ahead_.end()) {
    // The files rendered ahead of this one were passed over.
    for (auto job = ahead_.begin(); job != found; ++job) (*job)->stop.request_stop();
    current_ = *found;
    ahead_.erase(ahead_.begin(), found + 1);
  } else {
    current_ = std::make_shared<Job>(path);
  }
  status_ = Status::kRendering;
  path_ = path;
  picture_ = QImage();
  error_.clear();
  setAccessibleName(QFileInfo(path).fileName());
  update();
  CollectCurrent();
  if (const qsizetype at = read_ahead_.indexOf(path); at >= 0) {
    Prefetch(read_ahead_.mid(at + 1, kMaxLookAhead));
  }
  return true;
}

void ThumbControl::ReadAhead(const QStringList& paths) { read_ahead_ = paths; }

void ThumbControl::StopReading() {
  read_ahead_.clear();
  Prefetch({});
}

void ThumbControl::SetUseEmbeddedPreviews(bool use) { use_embedded_previews_ = use; }

void ThumbControl::SetFileAccess(std::shared_ptr<FileAccess> access) {
  file_access_ = std::move(access);
}

std::int64_t ThumbControl::BytesRead() const { return 0; }

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

void ThumbControl::Prefetch(const QStringList& paths) {
  // The file on show is wanted before any of those after it: queue it first.
  StartCurrent();
  std::deque<std::shared_ptr<Job>> next;
  for (const QString& path : paths) {
    if (next.size() == static_cast<std::size_t>(kMaxLookAhead)) break;
    if (!CanShow(path)) continue;
    const auto kept = std::find_if(ahead_.begin(), ahead_.end(),
                                   [&path](const auto& job) { return job->path == path; });
    if (kept != ahead_.end()) {
      next.push_back(std::move(*kept));
      ahead_.erase(kept);
    } else {
      auto job = std::make_shared<Job>(path);
      Start(job, kAheadPriority);
      next.push_back(std::move(job));
    }
  }
  for (const std::shared_ptr<Job>& job : ahead_) job->stop.request_stop();
  ahead_ = std::move(next);
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
  pool_->start(
      [job, mailbox = mailbox_] {
        if (!job->stop.stop_requested()) {
          job->image = RenderThumbnail(job->path, &job->error, job->stop.get_token());
        }
        if (job->image.isNull() && job->error.isEmpty()) {
          job->error = QStringLiteral("Rendering was stopped");
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
  current_.reset();
  update();
}

}  // namespace quorvel
