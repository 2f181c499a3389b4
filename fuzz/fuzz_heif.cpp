// Arbitrary bytes as a HEIF, HEIC or AVIF file: libheif and the reader around it must refuse
// them with a reason, or give a picture fitted into the side asked for.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "scan/byte_source.h"
#include "scan/heif_picture_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr int kSide = 100;
  quorvel::MemoryByteSource source(std::vector<std::uint8_t>(data, data + size));
  QString message;
  quorvel::PictureFacts facts;  // read from the same bytes
  const QImage picture = quorvel::ReadHeifPicture(source, kSide, {}, &message, nullptr, &facts);
  if (picture.isNull()) {
    if (message.isEmpty()) std::abort();
    return 0;
  }
  if (picture.width() < 1 || picture.height() < 1 || picture.width() > kSide ||
      picture.height() > kSide) {
    std::fprintf(stderr, "decoded %d x %d\n", picture.width(), picture.height());
    std::abort();
  }
  return 0;
}
