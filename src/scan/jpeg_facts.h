// What a JPEG says of its picture in its head: the EXIF block's date, camera and position, and
// the picture's size as it is shown.
#ifndef QUORVEL_SCAN_JPEG_FACTS_H_
#define QUORVEL_SCAN_JPEG_FACTS_H_

#include <QSize>
#include <cstdint>
#include <span>

#include "catalog/picture_facts.h"

namespace quorvel {

// The facts of the EXIF block whose APP1 payload ("Exif\0\0" first) is `exif` (empty: the JPEG
// has none) and of the frame header's size `frame` (empty: not within the bytes read): the
// pixel size is the frame's, else the one the EXIF block declares, turned as its orientation
// says (5 to 8 swap the sides).
PictureFacts JpegFacts(std::span<const std::uint8_t> exif, QSize frame);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_JPEG_FACTS_H_
