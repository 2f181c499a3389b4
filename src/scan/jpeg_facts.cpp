#include "scan/jpeg_facts.h"

#include <utility>

#include "scan/exif_reader.h"

namespace quorvel {

PictureFacts JpegFacts(std::span<const std::uint8_t> exif, QSize frame) {
  PictureFacts facts = exif.empty() ? PictureFacts{} : ReadExifFacts(exif);
  if (!frame.isEmpty()) {
    facts.width = frame.width();
    facts.height = frame.height();
  }
  if (!exif.empty() && ReadExif(exif).orientation >= 5) std::swap(facts.width, facts.height);
  return facts;
}

}  // namespace quorvel
