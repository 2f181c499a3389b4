// Pictures in the formats other than JPEG, decoded by Qt's image readers from the whole file.
#ifndef QUORVEL_SCAN_QT_PICTURE_READER_H_
#define QUORVEL_SCAN_QT_PICTURE_READER_H_

#include <QByteArray>
#include <QImage>
#include <QString>
#include <stop_token>

#include "catalog/picture_facts.h"
#include "scan/decode_memory.h"

namespace quorvel {

// The suffix of the file name in `path`, lower case, without the dot; empty when it has none.
// Both '/' and '\' end a folder part.
QByteArray FileSuffix(const QString& path);

// The picture in `bytes`, the whole file, turned upright as its EXIF orientation says and fitted
// into `side` x `side` (FittedSize); the reader is chosen by content first, then by the suffix
// of `path` for formats without a signature. A null image with `message` set when no reader
// can decode it or `stop` is requested. With `memory`, the decode waits for its share. With
// `facts`, they are set to the picture's upright size as the reader declares it (also when it
// then fails to decode); Qt does not give the EXIF tags.
QImage ReadPictureWithQt(QByteArray bytes, const QString& path, int side, QString* message,
                         DecodeMemory* memory = nullptr, const std::stop_token& stop = {},
                         PictureFacts* facts = nullptr);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_QT_PICTURE_READER_H_
