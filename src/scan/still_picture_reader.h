// Still pictures: a JPEG, known by its first bytes whatever its name, through libjpeg as its
// bytes arrive; every other format through Qt's image readers from the whole file.
#ifndef QUORVEL_SCAN_STILL_PICTURE_READER_H_
#define QUORVEL_SCAN_STILL_PICTURE_READER_H_

#include <QByteArray>
#include <QImage>
#include <QString>
#include <stop_token>
#include <vector>

#include "catalog/picture_facts.h"
#include "scan/byte_source.h"
#include "scan/decode_memory.h"

namespace quorvel {

// The suffixes Qt's image readers take in this build, lower case, without the dot.
std::vector<QByteArray> StillPictureSuffixes();

// The library that reads files of `suffix`: libjpeg (with its version) for JPEG, Qt otherwise.
QString StillPictureLibrary(const QByteArray& suffix);

// The picture that `source` delivers, turned upright as its EXIF orientation says and fitted
// into `side` x `side` (FittedSize); `path` names the file only so that formats without a
// signature are known by its suffix. Null with `message` set when it cannot be decoded or
// `stop` is requested. With `memory`, a picture decoded whole from memory waits for its share.
// Sets `facts` (never null) as DecodeJpegPicture or ReadPictureWithQt does.
QImage ReadStillPicture(ByteSource& source, const QString& path, int side,
                        const std::stop_token& stop, DecodeMemory* memory, QString* message,
                        PictureFacts* facts);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_STILL_PICTURE_READER_H_
