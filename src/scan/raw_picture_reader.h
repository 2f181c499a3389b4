// Camera RAW files through LibRaw: the largest embedded JPEG preview, or the raw data developed
// at half size when there is none.
#ifndef QUORVEL_SCAN_RAW_PICTURE_READER_H_
#define QUORVEL_SCAN_RAW_PICTURE_READER_H_

#include <QByteArray>
#include <QImage>
#include <QString>
#include <stop_token>
#include <vector>

#include "catalog/picture_facts.h"
#include "scan/byte_source.h"

namespace quorvel {

// The camera RAW suffixes, lower case, without the dot.
const std::vector<QByteArray>& CameraRawSuffixes();
// "LibRaw" and its version.
QString CameraRawLibrary();

// The picture of the RAW file `source` opens by seeking, turned upright by the RAW's
// orientation and fitted into `side` x `side` (FittedSize): its largest embedded JPEG preview
// decoded at the smallest covering DCT scale, reading only what LibRaw needs for it; without a
// preview, the raw data developed at half size. Null with `message` set when LibRaw cannot read
// it, the picture would need more than kMaxDecodedBytes, or `stop` is requested. With `facts`,
// they are set to what LibRaw read of the file's metadata once it could open it: date taken,
// camera, GPS position and the picture's size as shown.
QImage ReadRawPicture(ByteSource& source, int side, std::stop_token stop, QString* message,
                      PictureFacts* facts = nullptr);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_RAW_PICTURE_READER_H_
