// What the beginning of a JPEG file says about it without decoding any of it: where its EXIF
// block lies, the picture's size from its frame header, and from the EXIF block the picture's
// orientation and the thumbnail the camera stored. Standard C++ over spans of bytes, reading
// nothing outside them, so that it can be fuzzed on its own.
#ifndef QUORVEL_SCAN_EXIF_READER_H_
#define QUORVEL_SCAN_EXIF_READER_H_

#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvel {

// The layout of a JPEG's head, found by walking its marker segments from SOI.
struct JpegLayout {
  bool is_jpeg = false;  // starts with SOI
  // The first APP1 segment that holds EXIF: the file offsets of its marker and of the byte just
  // past it (which may lie past the bytes given). Both 0 when the walk found none.
  std::size_t exif_begin = 0;
  std::size_t exif_end = 0;
  // The picture's size from the frame header (SOFn); 0 x 0 when it is not within the bytes.
  int width = 0;
  int height = 0;
};

// Walks the marker segments of `head`, the first bytes of a file, until the frame header, the
// start of the scan, the end of `head` or anything malformed.
JpegLayout ReadJpegLayout(std::span<const std::uint8_t> head);

// What an EXIF block says about its picture.
struct ExifFacts {
  int orientation = 1;  // from IFD0, 1 to 8; 1 when there is none or it is malformed
  // IFD1's JPEG thumbnail, inside the payload; empty when there is none or it does not lie
  // wholly inside the payload.
  std::span<const std::uint8_t> thumbnail;
};

// Reads the payload of an APP1 segment, which starts with "Exif\0\0"; a payload that is not EXIF
// or is malformed gives the defaults. Both TIFF byte orders.
ExifFacts ReadExif(std::span<const std::uint8_t> payload);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_EXIF_READER_H_
