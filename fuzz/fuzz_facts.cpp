// Arbitrary bytes as a thumbnail's JPEG head and as an EXIF block from a camera file: the facts
// readers must stay inside the bytes, give only facts that make sense, and what they give must
// survive being written into a thumbnail and read back. A fingerprint stored into the bytes as
// into a thumbnail must leave a JPEG whose facts read back safely.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "catalog/picture_facts.h"

namespace {

using quorvel::Bytes;
using quorvel::ByteView;
using quorvel::PictureFacts;

void Require(bool condition) {
  if (!condition) std::abort();
}

bool Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\0' || c == '\t'; };
  return text.empty() || (!blank(text.front()) && !blank(text.back()));
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

void Check(const PictureFacts& facts) {
  Require(facts.width >= 0 && facts.height >= 0 && (facts.width == 0) == (facts.height == 0));
  Require(Trimmed(facts.make) && Trimmed(facts.model));
  if (facts.position) {
    Require(std::fabs(facts.position->latitude) <= 90 &&
            std::fabs(facts.position->longitude) <= 180);
  }
  if (facts.taken) {
    Require(quorvel::ParseIsoDateTime(quorvel::IsoDateTime(*facts.taken)) == facts.taken);
  }

  // Written after a JFIF header and read back: within the limit, and the same facts, but for
  // names cut to fit and positions to a ten-millionth of a degree.
  const Bytes segments = quorvel::EncodeFactsSegments(facts);
  Require(segments.size() <= quorvel::kMaxFactsBytes);
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  jpeg.insert(jpeg.end(), segments.begin(), segments.end());
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});
  const PictureFacts back = quorvel::ReadPictureFacts(jpeg);
  Require(back.taken == facts.taken && back.width == facts.width && back.height == facts.height &&
          back.file_size == facts.file_size && back.modified == facts.modified &&
          back.duration_ms == facts.duration_ms);
  Require(StartsWith(facts.make, back.make) && StartsWith(facts.model, back.model));
  Require(back.position.has_value() == facts.position.has_value());
  if (back.position) {
    Require(std::fabs(back.position->latitude - facts.position->latitude) <= 1e-7 &&
            std::fabs(back.position->longitude - facts.position->longitude) <= 1e-7);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteView bytes(data, size);
  Check(quorvel::ReadPictureFacts(bytes));
  Check(quorvel::ReadExifFacts(bytes));
  const std::optional<Bytes> stored =
      quorvel::WithFingerprint(bytes, quorvel::Fingerprint{0x0123456789ABCDEF, 0xFEDCBA9876543210});
  if (stored) {
    Check(quorvel::ReadPictureFacts(*stored));
    Check(quorvel::ReadOwnFacts(*stored));
  }
  return 0;
}
