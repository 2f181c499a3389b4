// Arbitrary bytes as a stored thumbnail's JPEG data: the decoder behind every painted thumbnail
// must refuse them cleanly or give a picture whose pixels match its size; the fingerprint read
// or computed from them must stay inside them and the pixels they decode to.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "catalog/format.h"
#include "catalog/picture_fingerprint.h"
#include "catalog/thumbnail_jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quorvel::FingerprintOfThumbnail(quorvel::ByteView(data, size));
  quorvel::RgbImage image;
  if (!quorvel::DecodeJpeg(quorvel::ByteView(data, size), image)) {
    if (image.width != 0 || image.height != 0 || !image.pixels.empty()) std::abort();
    return 0;
  }
  const bool sane = image.width > 0 && image.height > 0 && image.width <= 4 * quorvel::kThumbSide &&
                    image.height <= 4 * quorvel::kThumbSide &&
                    image.pixels.size() == static_cast<std::size_t>(image.width) * image.height * 3;
  if (!sane) {
    std::fprintf(stderr, "decoded %d x %d with %zu bytes\n", image.width, image.height,
                 image.pixels.size());
    std::abort();
  }
  return 0;
}
