// JPEG pictures decoded by libjpeg: a scanned file at the DCT scale its thumbnail needs, from its
// bytes as they arrive, and the small thumbnail a camera keeps in the EXIF block.
#ifndef QUORVEL_SCAN_JPEG_PICTURE_DECODER_H_
#define QUORVEL_SCAN_JPEG_PICTURE_DECODER_H_

#include <QImage>
#include <QString>
#include <cstdint>
#include <span>
#include <stop_token>

#include "catalog/picture_facts.h"
#include "scan/byte_source.h"

namespace quorvel {

// The JPEG that `source` delivers, turned upright as its EXIF orientation says and reduced by
// area averaging to FittedSize(upright size, side), decoded at the smallest DCT scale that is
// not below that size a few rows at a time. A JPEG cut short gives the part it holds, the rest
// grey. A null image with `message` set when libjpeg fails, the picture is damaged or cut before
// one row of its blocks, or `stop` is requested first. An `orientation` from 1 to 8 is used
// instead of the EXIF one: the JPEG preview inside another file is turned as that file says.
// With `facts`, they are set to JpegFacts of the header, as far as it was read, whether the
// picture decodes or not.
QImage DecodeJpegPicture(ByteSource& source, int side, const std::stop_token& stop,
                         QString* message, int orientation = 0, PictureFacts* facts = nullptr);

// The largest side of a small JPEG: an EXIF thumbnail fits into one 64 KB segment.
inline constexpr int kMaxSmallJpegSide = 1024;

// The whole of the small JPEG `jpeg` (at most kMaxSmallJpegSide on each side), as stored, in
// QImage::Format_RGB888. A null image when it does not decode whole and unharmed (any warning).
QImage DecodeSmallJpeg(std::span<const std::uint8_t> jpeg);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_JPEG_PICTURE_DECODER_H_
