#include "scan/thumbnail_renderer.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <memory>
#include <span>
#include <vector>

#include "catalog/format.h"
#include "scan/file_access.h"
#include "scan/heif_picture_reader.h"
#include "scan/jpeg_picture_decoder.h"
#include "scan/picture_formats.h"
#include "scan/qt_picture_reader.h"
#include "scan/raw_picture_reader.h"
#include "scan/video_frame_reader.h"

namespace quorvel {
namespace {

// How much of a file is read at once when a single picture is rendered from its file.
constexpr std::size_t kReadChunk = 256 * 1024;

// A source that gives `first` before the rest of `source`: the bytes looked at to tell the
// format are not lost to the decoder.
class PrefixedSource : public ByteSource {
 public:
  PrefixedSource(QByteArray first, ByteSource& source)
      : first_(std::move(first)), source_(source) {}
  std::span<const std::uint8_t> Next(std::stop_token stop) override {
    if (!first_given_) {
      first_given_ = true;
      if (!first_.isEmpty()) {
        return {reinterpret_cast<const std::uint8_t*>(first_.constData()),
                static_cast<std::size_t>(first_.size())};
      }
    }
    return source_.Next(std::move(stop));
  }
  QString ReadError() const override { return source_.ReadError(); }
  std::int64_t Size() const override { return source_.Size(); }

 private:
  QByteArray first_;
  ByteSource& source_;
  bool first_given_ = false;
};

QImage Decode(ByteSource& source, const QString& path, int side, const std::stop_token& stop,
              DecodeMemory* memory, QString* message) {
  if (side < 1) {
    *message = QStringLiteral("The thumbnail side must be positive");
    return {};
  }
  const auto stopped = [&] {
    *message = QStringLiteral("Rendering was stopped");
    return QImage();
  };
  if (stop.stop_requested()) return stopped();
  switch (FamilyOf(path)) {
    case PictureFamily::kVideo:
      return ReadVideoFrame(source, side, stop, message);
    case PictureFamily::kCameraRaw:
      return ReadRawPicture(source, side, stop, message);
    case PictureFamily::kHeif:
      return ReadHeifPicture(source, side, stop, message, memory);
    case PictureFamily::kPicture:
      break;
  }
  // Enough of the beginning to tell a JPEG by its first bytes, whatever its name.
  QByteArray first;
  bool ended = false;
  while (first.size() < 3) {
    const std::span<const std::uint8_t> got = source.Next(stop);
    if (got.empty()) {
      ended = true;
      break;
    }
    first.append(reinterpret_cast<const char*>(got.data()), static_cast<qsizetype>(got.size()));
  }
  if (stop.stop_requested()) return stopped();
  const auto* magic = reinterpret_cast<const unsigned char*>(first.constData());
  if (first.size() >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
    PrefixedSource whole(std::move(first), source);
    return DecodeJpegPicture(whole, side, stop, message);
  }
  // Qt's readers want the whole file.
  if (!ended && !GatherWholeFile(source, stop, &first, message)) return {};
  if (first.isEmpty() && !source.ReadError().isEmpty()) {
    *message = source.ReadError();
    return {};
  }
  return ReadPictureWithQt(std::move(first), path, side, message, memory, stop);
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

int DctScaleEighths(QSize source, QSize target) {
  auto covers = [&](int eighths) {
    auto scaled = [eighths](qint64 side) { return (side * eighths + 7) / 8; };
    return scaled(source.width()) >= target.width() && scaled(source.height()) >= target.height();
  };
  int eighths = 1;
  while (eighths < 8 && !covers(eighths)) ++eighths;
  return eighths;
}

QImage TurnUpright(const QImage& image, int orientation) {
  switch (orientation) {
    case 2:
      return image.mirrored(true, false);
    case 3:
      return image.mirrored(true, true);
    case 4:
      return image.mirrored(false, true);
    case 5:
      return image.mirrored(false, true).transformed(QTransform().rotate(90));
    case 6:
      return image.transformed(QTransform().rotate(90));
    case 7:
      return image.mirrored(true, false).transformed(QTransform().rotate(90));
    case 8:
      return image.transformed(QTransform().rotate(270));
    default:
      return image;
  }
}

QImage DecodeFittedPicture(ByteSource& source, const QString& path, int side, QString* error,
                           std::stop_token stop, DecodeMemory* memory) {
  QString message;
  QImage picture = Decode(source, path, side, stop, memory, &message);
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
