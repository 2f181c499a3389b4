// Camera RAW files for tests and fuzz seeds: little-endian DNGs holding a Bayer mosaic made from
// a picture, with JPEG previews of it, built in standard C++.
#ifndef QUORVEL_TESTS_SUPPORT_DNG_WRITER_H_
#define QUORVEL_TESTS_SUPPORT_DNG_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::testkit {

// 8-bit sRGB pixels, 3 bytes each, rows without padding.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

// IFD0's preview of a quarter of the picture's sides, as a JPEG or uncompressed 8-bit RGB.
enum class SmallPreview { kNone, kJpeg, kRgb };

struct DngOptions {
  bool preview = true;  // a JPEG preview of the picture's size in a SubIFD
  SmallPreview small_preview = SmallPreview::kNone;
  int orientation = 0;  // IFD0's Orientation tag; 0: none
  std::string make = "Quorvel";
  std::string model = "Test DNG";
};

// A DNG 1.4 of `picture` (even sides): IFD0 (Make, Model, UniqueCameraModel, ColorMatrix1 that
// makes the camera's colours linear sRGB, AsShotNeutral 1 1 1, the orientation), the raw image
// (an RGGB mosaic of the picture's linear values, 16 bits, uncompressed) in IFD0 or, when IFD0
// is the small preview, in a SubIFD, and the preview in a SubIFD. The headers and previews
// come first and the raw image last, as cameras write them.
std::vector<std::uint8_t> DngFile(const RgbPicture& picture, const DngOptions& options = {});

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_DNG_WRITER_H_
