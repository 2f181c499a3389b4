// Arbitrary bytes as the head of a JPEG file: the marker walk and the EXIF reader behind
// embedded previews must stay inside the bytes and give only what lies inside them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "scan/exif_reader.h"

namespace {

bool Inside(std::span<const std::uint8_t> part, std::span<const std::uint8_t> whole) {
  return part.empty() ||
         (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

void CheckExif(std::span<const std::uint8_t> payload) {
  const quorvel::ExifFacts exif = quorvel::ReadExif(payload);
  if (exif.orientation < 1 || exif.orientation > 8 || !Inside(exif.thumbnail, payload)) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> head(data, size);
  const quorvel::JpegLayout layout = quorvel::ReadJpegLayout(head);
  if (layout.width < 0 || layout.width > 0xFFFF || layout.height < 0 || layout.height > 0xFFFF) {
    std::abort();
  }
  if (layout.exif_end != 0) {
    if (!layout.is_jpeg || layout.exif_end < layout.exif_begin + 4 || layout.exif_begin >= size) {
      std::abort();
    }
    const std::size_t end = layout.exif_end < size ? layout.exif_end : size;
    CheckExif(head.subspan(layout.exif_begin + 4, end - layout.exif_begin - 4));
  }
  // The EXIF reader on its own too, for inputs that do not get past the marker walk.
  CheckExif(head);
  return 0;
}
