// Arbitrary bytes as a camera RAW file: LibRaw behind the RAW reader must neither crash nor
// hang on them, and what the reader gives must fit the thumbnail's square.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "scan/raw_picture_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr int kSide = 100;
  quorvel::MemoryByteSource source(std::vector<std::uint8_t>(data, data + size));
  QString message;
  quorvel::PictureFacts facts;  // read from the same bytes
  const QImage picture = quorvel::ReadRawPicture(source, kSide, {}, &message, &facts);
  if (picture.isNull() ? message.isEmpty() : picture.width() > kSide || picture.height() > kSide) {
    std::abort();
  }
  return 0;
}
