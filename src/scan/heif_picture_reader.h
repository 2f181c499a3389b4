// HEIF, HEIC and AVIF pictures through libheif.
#ifndef QUORVEL_SCAN_HEIF_PICTURE_READER_H_
#define QUORVEL_SCAN_HEIF_PICTURE_READER_H_

#include <QByteArray>
#include <QImage>
#include <QString>
#include <stop_token>
#include <vector>

#include "catalog/picture_facts.h"
#include "scan/byte_source.h"
#include "scan/decode_memory.h"

namespace quorvel {

// The suffixes of the HEIF formats libheif can decode in this build (HEIC only with an HEVC
// decoder, AVIF only with an AV1 one), lower case, without the dot.
const std::vector<QByteArray>& HeifSuffixes();
// "libheif" and its version.
QString HeifLibrary();

// The primary image of the HEIF file whose bytes `source` gives, from its stored thumbnail when
// that is at least `side` pixels on its long side, with the file's transformations (rotation,
// mirroring, crop) applied as libheif gives them, fitted into `side` x `side` (FittedSize).
// Null with `message` set when libheif cannot decode it, it would need more than
// kMaxDecodedBytes, or `stop` is requested. With `memory`, the decode waits for its share.
// With `facts`, they are set to the primary image's size as shown and what its EXIF block says,
// once libheif could read the file's structure.
QImage ReadHeifPicture(ByteSource& source, int side, std::stop_token stop, QString* message,
                       DecodeMemory* memory = nullptr, PictureFacts* facts = nullptr);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_HEIF_PICTURE_READER_H_
