#include "scan/disc_reader.h"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "scan/picture_formats.h"

namespace quorvel {

// What the reader threads, the decoders and the control share about one list. Abandoned reader
// threads keep it alive until they end, so nothing they touch is ever freed under them.
struct ReadState {
  std::mutex mutex;
  // Wakes the reader (room in the bound, a file dropped, the capture moving on) and the decoders
  // (bytes arriving, a file ending).
  std::condition_variable_any changed;
  std::int64_t buffered = 0;  // read and not yet taken by the decoders, nor dropped
  int shown = -1;             // the file on show
  int last = INT_MAX;         // no file after it is read
  int position = 0;           // the file the live reader is at
  bool in_medium = false;     // the live reader waits for the medium (an open or a read)
  std::shared_ptr<std::atomic<std::int64_t>> bytes_read;
  std::shared_ptr<FileAccess> access;
};

ReadFile::ReadFile(std::shared_ptr<ReadState> state, QString path, bool looks_for_preview,
                   bool by_seeking)
    : state_(std::move(state)),
      path_(std::move(path)),
      head_judged_(!looks_for_preview || by_seeking),
      by_seeking_(by_seeking) {}

// A file that the reader lent the medium for, in the decoder's hands: its reads are counted as
// the reader's, its I/O error is the file's, and its destruction gives the medium back.
class LentFile : public OpenedFile {
 public:
  LentFile(std::shared_ptr<ReadFile> file, std::unique_ptr<OpenedFile> opened)
      : file_(std::move(file)), opened_(std::move(opened)) {}
  ~LentFile() override {
    ReadState& state = *file_->state_;
    const std::lock_guard lock(state.mutex);
    file_->returned_ = true;
    state.changed.notify_all();
  }
  LentFile(const LentFile&) = delete;
  LentFile& operator=(const LentFile&) = delete;

  std::int64_t Read(std::uint8_t* buffer, std::int64_t size, QString* error) override {
    {
      // A library that cannot be stopped from outside (a demuxer probing, LibRaw scanning) ends
      // for want of bytes once nobody waits for its picture.
      const std::lock_guard lock(file_->state_->mutex);
      if (file_->dropped_) {
        *error = QStringLiteral("Rendering was stopped");
        return -1;
      }
    }
    const std::int64_t got = opened_->Read(buffer, size, error);
    if (got > 0) *file_->state_->bytes_read += got;
    if (got < 0) {
      const std::lock_guard lock(file_->state_->mutex);
      file_->error_ = *error;
      file_->io_error_ = true;
    }
    return got;
  }
  std::int64_t Size() const override { return opened_->Size(); }
  bool Seek(std::int64_t offset, QString* error) override { return opened_->Seek(offset, error); }

 private:
  const std::shared_ptr<ReadFile> file_;
  const std::unique_ptr<OpenedFile> opened_;
};

std::optional<EmbeddedPreview> ReadFile::WaitForPreview(std::stop_token stop) {
  std::unique_lock lock(state_->mutex);
  state_->changed.wait(lock, stop, [this] { return head_judged_ || ended_ || dropped_; });
  if (stop.stop_requested() || dropped_) return std::nullopt;
  return std::exchange(preview_, std::nullopt);
}

std::span<const std::uint8_t> ReadFile::Next(std::stop_token stop) {
  std::unique_lock lock(state_->mutex);
  Uncount(static_cast<std::int64_t>(taken_.size()));
  // Assigning {} would keep the piece's memory: only a swap gives it back.
  std::vector<std::uint8_t>().swap(taken_);
  state_->changed.wait(lock, stop, [this] { return !waiting_.empty() || ended_ || dropped_; });
  if (stop.stop_requested() || dropped_ || waiting_.empty()) return {};
  taken_ = std::move(waiting_.front());
  waiting_.pop_front();
  return taken_;
}

QString ReadFile::ReadError() const {
  const std::lock_guard lock(state_->mutex);
  return error_;
}

std::int64_t ReadFile::Size() const {
  const std::lock_guard lock(state_->mutex);
  return size_;
}

std::optional<std::int64_t> ReadFile::Modified() const {
  const std::lock_guard lock(state_->mutex);
  return modified_;
}

std::unique_ptr<OpenedFile> ReadFile::OpenForSeeking(std::stop_token stop, QString* error) {
  std::unique_lock lock(state_->mutex);
  if (!by_seeking_) return ByteSource::OpenForSeeking(stop, error);
  state_->changed.wait(lock, stop, [this] { return lent_ || ended_ || dropped_; });
  if (stop.stop_requested() || dropped_ || !lent_ || returned_) {
    *error = error_.isEmpty() ? QStringLiteral("Rendering was stopped") : error_;
    return nullptr;
  }
  const std::shared_ptr<FileAccess> access = state_->access;
  lock.unlock();
  std::unique_ptr<OpenedFile> opened = access->Open(path_, error);
  lock.lock();
  if (!opened) {
    error_ = *error;
    returned_ = true;
    state_->changed.notify_all();
    return nullptr;
  }
  size_ = opened->Size();
  modified_ = opened->Modified();
  return std::make_unique<LentFile>(shared_from_this(), std::move(opened));
}

QString ReadFile::IoError() const {
  const std::lock_guard lock(state_->mutex);
  return io_error_ ? error_ : QString();
}

void ReadFile::Drop() {
  const std::lock_guard lock(state_->mutex);
  DropLocked();
}

void ReadFile::Finish() {
  const std::lock_guard lock(state_->mutex);
  DropLocked();
  std::vector<std::uint8_t>().swap(taken_);
  preview_.reset();
}

void ReadFile::DropLocked() {
  if (dropped_) return;
  dropped_ = true;
  waiting_.clear();
  Uncount(counted_);
}

void ReadFile::Uncount(std::int64_t size) {
  size = std::min(size, counted_);
  if (size == 0) return;
  counted_ -= size;
  state_->buffered -= size;
  state_->changed.notify_all();
}

// The work of one reader thread: the files of the list from a given one on, until the list
// ends, the reader is stopped or it is abandoned.
class FileReading {
 public:
  FileReading(std::shared_ptr<ReadState> state,
              std::shared_ptr<const std::vector<std::shared_ptr<ReadFile>>> files,
              std::shared_ptr<FileAccess> access, bool use_previews, std::stop_token stop)
      : state_(std::move(state)),
        files_(std::move(files)),
        access_(std::move(access)),
        use_previews_(use_previews),
        stop_(std::move(stop)) {}

  void Run(int from) {
    for (int index = from; index < static_cast<int>(files_->size()); ++index) {
      if (!ReadOne(index)) return;
    }
  }

 private:
  enum class Room { kGo, kSkip, kStop };
  enum class Outcome { kFull, kEnded, kFailed, kDropped, kStopped };

  // False when the reader is to stop.
  bool ReadOne(int index) {
    ReadFile& file = *(*files_)[index];
    if (file.by_seeking_) return Lend(file, index);
    {
      std::unique_lock lock(state_->mutex);
      const std::int64_t first =
          use_previews_ ? static_cast<std::int64_t>(kPreviewHeadBytes) : DiscReader::kReadPiece;
      if (const std::optional<bool> done = WaitToRead(lock, index, first)) return *done;
    }
    QString error;
    const std::unique_ptr<OpenedFile> opened = access_->Open(file.Path(), &error);
    {
      const std::lock_guard lock(state_->mutex);
      if (!BackFromMedium()) return false;
      if (!opened) {
        End(file, error, false);
        return true;
      }
      file.size_ = opened->Size();
      file.modified_ = opened->Modified();
    }
    if (use_previews_) {
      std::vector<std::uint8_t> head;
      Outcome outcome = ReadInto(index, *opened, head, kPreviewHeadBytes, &error);
      if (outcome == Outcome::kFull) {
        const std::size_t length = PreviewHeadLength(head);
        if (length > head.size()) outcome = ReadInto(index, *opened, head, length, &error);
      }
      if (outcome == Outcome::kStopped) return false;
      if (outcome == Outcome::kDropped) return true;
      std::optional<EmbeddedPreview> preview;
      if (outcome != Outcome::kFailed) preview = FindUsablePreview(head);
      const std::lock_guard lock(state_->mutex);
      if (stop_.stop_requested()) return false;
      if (file.dropped_) return true;
      file.head_judged_ = true;
      if (preview) {
        file.preview_ = std::move(preview);
        End(file, {}, false);
        return true;
      }
      Push(file, std::move(head));
      if (outcome != Outcome::kFull) {
        End(file, error, outcome == Outcome::kFailed);
        return true;
      }
    }
    for (;;) {
      std::vector<std::uint8_t> piece;
      const Outcome outcome =
          ReadInto(index, *opened, piece, static_cast<std::size_t>(DiscReader::kReadPiece), &error);
      if (outcome == Outcome::kStopped) return false;
      if (outcome == Outcome::kDropped) return true;
      const std::lock_guard lock(state_->mutex);
      if (stop_.stop_requested()) return false;
      if (file.dropped_) return true;
      Push(file, std::move(piece));
      if (outcome != Outcome::kFull) {
        End(file, error, outcome == Outcome::kFailed);
        return true;
      }
    }
  }

  // Lends the medium to the decoder of a file read by seeking, and waits until it gives it back.
  // The decoder's reads are not the reader's: when one stalls and the capture moves on, the
  // file is dropped and the reader goes on by itself.
  bool Lend(ReadFile& file, int index) {
    std::unique_lock lock(state_->mutex);
    if (const std::optional<bool> done = WaitToRead(lock, index, 0)) return *done;
    state_->in_medium = false;
    file.lent_ = true;
    state_->changed.notify_all();
    state_->changed.wait(lock, stop_,
                         [&] { return file.dropped_ || file.returned_ || index > state_->last; });
    if (stop_.stop_requested()) return false;
    file.ended_ = true;
    state_->changed.notify_all();
    return index <= state_->last;
  }

  // Reads on into `buffer` until it holds `until` bytes, the file ends or the medium fails,
  // each read once the bound leaves room for it.
  Outcome ReadInto(int index, OpenedFile& opened, std::vector<std::uint8_t>& buffer,
                   std::size_t until, QString* error) {
    while (buffer.size() < until) {
      const std::size_t have = buffer.size();
      const auto want = static_cast<std::int64_t>(until - have);
      {
        std::unique_lock lock(state_->mutex);
        switch (WaitForRoom(lock, index, want)) {
          case Room::kStop:
            return Outcome::kStopped;
          case Room::kSkip:
            return Outcome::kDropped;
          case Room::kGo:
            break;
        }
      }
      buffer.resize(until);
      const std::int64_t got = opened.Read(buffer.data() + have, want, error);
      buffer.resize(have + static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
      if (got > 0) *state_->bytes_read += got;
      const std::lock_guard lock(state_->mutex);
      if (!BackFromMedium()) return Outcome::kStopped;
      if ((*files_)[index]->dropped_) return Outcome::kDropped;
      if (got < 0) return Outcome::kFailed;
      if (got == 0) {
        // The last piece of a file is held as long as the others: no larger than its bytes.
        buffer.shrink_to_fit();
        return Outcome::kEnded;
      }
    }
    return Outcome::kFull;
  }

  // Waits until the file at `index` may be read `size` bytes further: it is at most
  // kMaxFilesAhead files past the one on show, and the bytes waiting leave room for `size`
  // more. The reader then waits for the medium. No file is exempt: a decoder that wants a whole
  // file takes its bytes as they come, which makes the room, and the bytes of one that has
  // stalled or was left behind wait for nobody.
  Room WaitForRoom(std::unique_lock<std::mutex>& lock, int index, std::int64_t size) {
    ReadState& state = *state_;
    const ReadFile& file = *(*files_)[index];
    state.changed.wait(lock, stop_, [&] {
      return file.dropped_ || index > state.last ||
             (index <= state.shown + DiscReader::kMaxFilesAhead &&
              state.buffered + size <= DiscReader::kMaxBytesAhead);
    });
    if (stop_.stop_requested() || index > state.last) return Room::kStop;
    if (file.dropped_) return Room::kSkip;
    state.position = index;
    state.in_medium = true;
    return Room::kGo;
  }

  // WaitForRoom for a file not yet begun: nullopt when it may be read, else what ReadOne returns
  // (false: the reader is to stop; true: the file was dropped, on with the next).
  std::optional<bool> WaitToRead(std::unique_lock<std::mutex>& lock, int index, std::int64_t size) {
    switch (WaitForRoom(lock, index, size)) {
      case Room::kStop:
        return false;
      case Room::kSkip:
        return true;
      case Room::kGo:
        break;
    }
    return std::nullopt;
  }

  // Under the mutex, once the medium has answered. False when this reader has been stopped or
  // abandoned meanwhile: the state then belongs to another reader.
  bool BackFromMedium() {
    if (stop_.stop_requested()) return false;
    state_->in_medium = false;
    return true;
  }

  // Under the mutex.
  void Push(ReadFile& file, std::vector<std::uint8_t> bytes) {
    if (bytes.empty()) return;
    const auto size = static_cast<std::int64_t>(bytes.size());
    file.waiting_.push_back(std::move(bytes));
    file.counted_ += size;
    state_->buffered += size;
    state_->changed.notify_all();
  }

  // Under the mutex.
  void End(ReadFile& file, QString error, bool io_error) {
    file.ended_ = true;
    file.head_judged_ = true;
    file.error_ = std::move(error);
    file.io_error_ = io_error;
    state_->changed.notify_all();
  }

  const std::shared_ptr<ReadState> state_;
  const std::shared_ptr<const std::vector<std::shared_ptr<ReadFile>>> files_;
  const std::shared_ptr<FileAccess> access_;
  const bool use_previews_;
  const std::stop_token stop_;
};

namespace {

std::shared_ptr<const std::vector<std::shared_ptr<ReadFile>>> MakeFiles(
    const std::shared_ptr<ReadState>& state, const QStringList& paths, bool use_previews) {
  auto files = std::make_shared<std::vector<std::shared_ptr<ReadFile>>>();
  files->reserve(static_cast<std::size_t>(paths.size()));
  for (const QString& path : paths) {
    files->push_back(std::make_shared<ReadFile>(state, path, use_previews, ReadsBySeeking(path)));
  }
  return files;
}

}  // namespace

DiscReader::DiscReader(const QStringList& paths, std::shared_ptr<FileAccess> access,
                       bool use_previews, std::shared_ptr<std::atomic<std::int64_t>> bytes_read)
    : state_(std::make_shared<ReadState>()),
      files_(MakeFiles(state_, paths, use_previews)),
      access_(std::move(access)),
      use_previews_(use_previews) {
  state_->bytes_read = std::move(bytes_read);
  state_->access = access_;
  const std::lock_guard lock(state_->mutex);
  StartReading(0);
}

DiscReader::~DiscReader() {
  const std::lock_guard lock(state_->mutex);
  reading_.request_stop();
  for (const std::shared_ptr<ReadFile>& file : *files_) file->DropLocked();
  state_->changed.notify_all();
}

void DiscReader::Show(int index) {
  const std::lock_guard lock(state_->mutex);
  for (int passed = std::max(state_->shown, 0); passed < index; ++passed) {
    (*files_)[passed]->DropLocked();
  }
  state_->shown = index;
  // A reader that is not waiting for the medium sees the files dropped and moves on by itself.
  if (state_->in_medium && state_->position < index) {
    state_->in_medium = false;
    StartReading(index);
  }
  state_->changed.notify_all();
}

void DiscReader::StopAfter(int index) {
  const std::lock_guard lock(state_->mutex);
  state_->last = index;
  for (int later = index + 1; later < FileCount(); ++later) (*files_)[later]->DropLocked();
  state_->changed.notify_all();
}

void DiscReader::StartReading(int from) {
  reading_.request_stop();
  reading_ = std::stop_source();
  std::thread([reading = FileReading(state_, files_, access_, use_previews_, reading_.get_token()),
               from]() mutable {
    reading.Run(from);
  }).detach();
}

}  // namespace quorvel
