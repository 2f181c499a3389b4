// The JPEG codec of stored thumbnails (libjpeg): the format fixes the encoder settings.
#ifndef QUORVEL_CATALOG_THUMBNAIL_JPEG_H_
#define QUORVEL_CATALOG_THUMBNAIL_JPEG_H_

#include <cstdint>
#include <memory>
#include <string>

#include "catalog/stream.h"

namespace quorvel {

// Tightly described 8-bit RGB pixels: `stride` bytes from one row to the next.
struct RgbView {
  const std::uint8_t* pixels;
  int width;
  int height;
  int stride;
};

// A JPEG compressor set up for thumbnails and reused for every picture of a disk.
class JpegEncoder {
 public:
  struct State;

  JpegEncoder();
  ~JpegEncoder();
  JpegEncoder(const JpegEncoder&) = delete;
  JpegEncoder& operator=(const JpegEncoder&) = delete;

  // As AppendJpeg. A failure leaves the encoder ready for the next picture.
  std::int64_t Append(Bytes& stream, const RgbView& image, ByteView segments = {});

 private:
  std::unique_ptr<State> state_;
};

// Appends one baseline, full-colour JPEG of `image` at quality 90 to the end of `stream`,
// letting the encoder write straight into it, with `segments` (whole APPn or COM marker segments,
// FF Mn, length, payload, back to back) right after its JFIF header. Returns the number of bytes
// appended. Throws CatalogError with the stream cut back to its old size when encoding fails or
// `segments` are not such segments.
std::int64_t AppendJpeg(Bytes& stream, const RgbView& image, ByteView segments = {});

struct RgbImage {
  int width = 0;
  int height = 0;
  Bytes pixels;  // width * 3 bytes per row, no padding
};

// Decodes a JPEG into RGB pixels. Returns false, with `error` set to libjpeg's message, when the
// bytes are not a JPEG it can decode whole; never reads outside `jpeg`.
bool DecodeJpeg(ByteView jpeg, RgbImage& out, std::string* error = nullptr);

struct GreyImage {
  int width = 0;
  int height = 0;
  Bytes pixels;  // width bytes per row, no padding
};

// As DecodeJpeg, but only the luminance (the JPEG's own Y channel, BT.601 weights), which spares
// the colour planes' inverse DCT and conversion: what the fingerprint of a thumbnail reads.
bool DecodeJpegLuminance(ByteView jpeg, GreyImage& out, std::string* error = nullptr);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_THUMBNAIL_JPEG_H_
