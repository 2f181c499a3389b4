#include "scan/still_picture_reader.h"

#include <jpeglib.h>

#include <QImageReader>
#include <cstdint>
#include <span>
#include <utility>

#include "scan/jpeg_picture_decoder.h"
#include "scan/qt_picture_reader.h"

namespace quorvel {
namespace {

#define QUORVEL_TEXT(x) #x
#define QUORVEL_VALUE_TEXT(x) QUORVEL_TEXT(x)

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

}  // namespace

std::vector<QByteArray> StillPictureSuffixes() {
  std::vector<QByteArray> suffixes;
  for (const QByteArray& format : QImageReader::supportedImageFormats()) {
    suffixes.push_back(format.toLower());
  }
  return suffixes;
}

QString StillPictureLibrary(const QByteArray& suffix) {
  if (suffix == "jpg" || suffix == "jpeg" || suffix == "jpe") {
#ifdef LIBJPEG_TURBO_VERSION
    return QStringLiteral("libjpeg-turbo ") +
           QStringLiteral(QUORVEL_VALUE_TEXT(LIBJPEG_TURBO_VERSION));
#else
    return QStringLiteral("libjpeg %1").arg(JPEG_LIB_VERSION);
#endif
  }
  return QStringLiteral("Qt %1").arg(QString::fromLatin1(qVersion()));
}

QImage ReadStillPicture(ByteSource& source, const QString& path, int side,
                        const std::stop_token& stop, DecodeMemory* memory, QString* message,
                        PictureFacts* facts) {
  const auto stopped = [&] {
    *message = QStringLiteral("Rendering was stopped");
    return QImage();
  };
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
    return DecodeJpegPicture(whole, side, stop, message, 0, facts);
  }
  // Qt's readers want the whole file.
  if (!ended && !GatherWholeFile(source, stop, &first, message)) return {};
  if (first.isEmpty() && !source.ReadError().isEmpty()) {
    *message = source.ReadError();
    return {};
  }
  return ReadPictureWithQt(std::move(first), path, side, message, memory, stop, facts);
}

}  // namespace quorvel
