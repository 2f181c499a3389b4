#include "scan/thumbnail_renderer.h"

#include <QPainter>
#include <algorithm>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "catalog/format.h"
#include "scan/file_access.h"
#include "scan/picture_formats.h"

namespace quorvel {
namespace {

// How much of a file is read at once when a single picture is rendered from its file.
constexpr std::size_t kReadChunk = 256 * 1024;

QImage Decode(ByteSource& source, const QString& path, int side, const std::stop_token& stop,
              DecodeMemory* memory, QString* message, PictureFacts* facts) {
  if (side < 1) {
    *message = QStringLiteral("The thumbnail side must be positive");
    return {};
  }
  if (stop.stop_requested()) {
    *message = QStringLiteral("Rendering was stopped");
    return {};
  }
  PictureFacts unwanted;
  return ReaderFor(path).read(source, path, side, stop, memory, message, facts ? facts : &unwanted);
}

// A file read in large pieces as the decoder asks for them.
class FileSource : public ByteSource {
 public:
  explicit FileSource(std::unique_ptr<OpenedFile> file) : file_(std::move(file)) {}
  std::span<const std::uint8_t> Next(std::stop_token stop) override {
    if (ended_ || stop.stop_requested()) return {};
    const std::int64_t got =
        file_->Read(buffer_.data(), static_cast<std::int64_t>(buffer_.size()), &error_);
    if (got <= 0) {
      ended_ = true;
      return {};
    }
    return {buffer_.data(), static_cast<std::size_t>(got)};
  }
  QString ReadError() const override { return error_; }
  std::int64_t Size() const override { return file_ ? file_->Size() : -1; }
  std::unique_ptr<OpenedFile> OpenForSeeking(std::stop_token stop, QString* error) override {
    if (!file_ || stop.stop_requested() || !file_->Seek(0, error)) {
      if (error->isEmpty()) *error = QStringLiteral("The file was already read");
      return nullptr;
    }
    ended_ = true;
    return std::move(file_);
  }

 private:
  std::unique_ptr<OpenedFile> file_;
  std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(kReadChunk);
  QString error_;
  bool ended_ = false;
};

}  // namespace

QImage DecodeFittedPicture(ByteSource& source, const QString& path, int side, QString* error,
                           std::stop_token stop, DecodeMemory* memory, PictureFacts* facts) {
  QString message;
  QImage picture = Decode(source, path, side, stop, memory, &message, facts);
  if (picture.isNull() && error) {
    *error = message.isEmpty() ? QStringLiteral("The picture could not be decoded") : message;
  }
  return picture;
}

QImage LoadFittedPicture(const QString& path, int side, QString* error, std::stop_token stop) {
  QString message;
  std::unique_ptr<OpenedFile> file = LocalFileAccess()->Open(path, &message);
  if (!file) {
    if (error) *error = message;
    return {};
  }
  FileSource source(std::move(file));
  return DecodeFittedPicture(source, path, side, error, std::move(stop));
}

QImage CentreOnWhite(const QImage& picture, int side) {
  QImage canvas(side, side, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  painter.drawImage((side - picture.width()) / 2, (side - picture.height()) / 2, picture);
  painter.end();
  return canvas;
}

QImage RenderThumbnail(const QString& path, QString* error, std::stop_token stop) {
  const QImage picture = LoadFittedPicture(path, kThumbSide, error, std::move(stop));
  if (picture.isNull()) return {};
  return CentreOnWhite(picture, kThumbSide);
}

}  // namespace quorvel
