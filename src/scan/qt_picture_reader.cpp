#include "scan/qt_picture_reader.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>
#include <algorithm>
#include <cstdint>
#include <optional>

#include "scan/decode_limits.h"
#include "scan/picture_geometry.h"

namespace quorvel {
namespace {

// `held`: the bytes of the file in memory, counted with the decode's share.
QImage ReadFitted(QImageReader& reader, int side, QString* message, std::int64_t held,
                  DecodeMemory* memory, const std::stop_token& stop, PictureFacts* facts) {
  reader.setAutoTransform(true);
  // Qt's own check, for the readers that allocate as they go.
  reader.setAllocationLimit(static_cast<int>(kMaxDecodedBytes / (1024 * 1024)));
  const QSize size = reader.size();
  if (facts && !size.isEmpty()) {
    const bool across = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    facts->width = across ? size.height() : size.width();
    facts->height = across ? size.width() : size.height();
  }
  // The scaled size is given before the EXIF turn; fitting into a square does not care.
  QSize decoded = size;
  if (size.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize)) {
    const QSize fitted = FittedSize(size, side);
    if (fitted != size) reader.setScaledSize(fitted);
    decoded = fitted;
  }
  // Refused from the declared size, before the reader allocates any of it.
  if (decoded.isValid() &&
      std::int64_t{decoded.width()} * decoded.height() * 4 > kMaxDecodedBytes) {
    *message = QStringLiteral("The picture's declared size %1 x %2 is too large to decode")
                   .arg(size.width())
                   .arg(size.height());
    return {};
  }
  std::optional<DecodeMemory::Lease> lease;
  if (memory) {
    const std::int64_t pixels =
        decoded.isValid() ? std::int64_t{decoded.width()} * decoded.height() : kMaxDecodedBytes / 4;
    lease = memory->Take(held + pixels * 4, stop);
    if (!lease) {
      *message = QStringLiteral("Rendering was stopped");
      return {};
    }
  }
  QImage image;
  if (!reader.read(&image)) {
    *message = reader.errorString();
    return {};
  }
  const QSize fitted = FittedSize(image.size(), side);
  if (image.size() != fitted) {
    image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return image;
}

}  // namespace

QByteArray FileSuffix(const QString& path) {
  const qsizetype folder_end = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
  const qsizetype dot = path.lastIndexOf(u'.');
  if (dot <= folder_end || dot + 1 >= path.size()) return {};
  return path.mid(dot + 1).toLower().toLatin1();
}

QImage ReadPictureWithQt(QByteArray bytes, const QString& path, int side, QString* message,
                         DecodeMemory* memory, const std::stop_token& stop, PictureFacts* facts) {
  QBuffer device(&bytes);
  device.open(QIODevice::ReadOnly);
  {
    // By content first: a picture under the wrong suffix still renders.
    QImageReader by_content(&device);
    by_content.setDecideFormatFromContent(true);
    if (by_content.canRead()) {
      return ReadFitted(by_content, side, message, bytes.size(), memory, stop, facts);
    }
  }
  // Then by name, for formats without a signature to recognise them by (TGA).
  device.seek(0);
  QImageReader by_name(&device, FileSuffix(path));
  return ReadFitted(by_name, side, message, bytes.size(), memory, stop, facts);
}

}  // namespace quorvel
