#include "scan/exif_reader.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace quorvel {
namespace {

constexpr std::uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint8_t kMarkerSoi = 0xD8;
constexpr std::uint8_t kMarkerApp1 = 0xE1;
constexpr std::uint8_t kMarkerSos = 0xDA;
constexpr std::uint8_t kMarkerEoi = 0xD9;

// The frame headers SOF0 to SOF15, without DHT (C4), JPG (C8) and DAC (CC) in between.
bool IsFrameHeader(std::uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, without a length: TEM and RST0 to RST7.
bool StandsAlone(std::uint8_t marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

bool StartsWithExifHeader(std::span<const std::uint8_t> payload) {
  return payload.size() >= sizeof kExifHeader &&
         std::memcmp(payload.data(), kExifHeader, sizeof kExifHeader) == 0;
}

// Reads 16- and 32-bit values of a TIFF block in its byte order, refusing any that do not lie
// wholly inside it.
class TiffBlock {
 public:
  explicit TiffBlock(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool ReadByteOrder() {
    if (bytes_.size() < 8) return false;
    if (bytes_[0] == 'I' && bytes_[1] == 'I') {
      little_endian_ = true;
    } else if (bytes_[0] == 'M' && bytes_[1] == 'M') {
      little_endian_ = false;
    } else {
      return false;
    }
    return U16(2) == 42u;
  }

  std::size_t size() const { return bytes_.size(); }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

  std::optional<std::uint32_t> U16(std::size_t at) const {
    if (at > bytes_.size() || bytes_.size() - at < 2) return std::nullopt;
    const std::uint32_t a = bytes_[at], b = bytes_[at + 1];
    return little_endian_ ? a | b << 8 : a << 8 | b;
  }

  std::optional<std::uint32_t> U32(std::size_t at) const {
    const auto low = U16(little_endian_ ? at : at + 2);
    const auto high = U16(little_endian_ ? at + 2 : at);
    if (!low || !high) return std::nullopt;
    return *low | *high << 16;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  bool little_endian_ = true;
};

constexpr std::uint32_t kShortType = 3;
constexpr std::uint32_t kLongType = 4;
constexpr std::size_t kEntrySize = 12;

// One IFD at `offset`: calls `visit(tag, type, count, value_at)` for each entry that lies wholly
// inside the block, in order, and returns the offset of the next IFD (0 when none or malformed).
template <typename Visit>
std::uint32_t WalkIfd(const TiffBlock& tiff, std::size_t offset, Visit visit) {
  const auto entries = tiff.U16(offset);
  if (!entries) return 0;
  for (std::uint32_t i = 0; i < *entries; ++i) {
    const std::size_t entry = offset + 2 + kEntrySize * i;
    const auto tag = tiff.U16(entry);
    const auto type = tiff.U16(entry + 2);
    const auto count = tiff.U32(entry + 4);
    if (!tag || !type || !count || !tiff.U32(entry + 8)) return 0;
    visit(*tag, *type, *count, entry + 8);
  }
  return tiff.U32(offset + 2 + kEntrySize * *entries).value_or(0);
}

// A SHORT or LONG entry holding one value.
std::optional<std::uint32_t> SingleNumber(const TiffBlock& tiff, std::uint32_t type,
                                          std::uint32_t count, std::size_t value_at) {
  if (count != 1) return std::nullopt;
  if (type == kShortType) return tiff.U16(value_at);
  if (type == kLongType) return tiff.U32(value_at);
  return std::nullopt;
}

}  // namespace

JpegLayout ReadJpegLayout(std::span<const std::uint8_t> head) {
  JpegLayout layout;
  if (head.size() < 2 || head[0] != 0xFF || head[1] != kMarkerSoi) return layout;
  layout.is_jpeg = true;
  std::size_t at = 2;
  while (at + 2 <= head.size()) {
    if (head[at] != 0xFF) return layout;  // not where a marker belongs
    const std::uint8_t marker = head[at + 1];
    if (marker == 0xFF) {  // fill byte before a marker
      ++at;
      continue;
    }
    if (StandsAlone(marker)) {
      at += 2;
      continue;
    }
    if (marker == kMarkerSos || marker == kMarkerEoi || marker == kMarkerSoi) return layout;
    if (at + 4 > head.size()) return layout;
    const std::size_t length = std::size_t{head[at + 2]} << 8 | head[at + 3];
    if (length < 2) return layout;
    const std::size_t end = at + 2 + length;
    const std::span<const std::uint8_t> payload =
        head.subspan(at + 4, std::min(end, head.size()) - (at + 4));
    if (marker == kMarkerApp1 && layout.exif_end == 0 && StartsWithExifHeader(payload)) {
      layout.exif_begin = at;
      layout.exif_end = end;
    }
    if (IsFrameHeader(marker)) {
      // Precision, then height and width.
      if (payload.size() >= 5) {
        layout.height = payload[1] << 8 | payload[2];
        layout.width = payload[3] << 8 | payload[4];
      }
      return layout;
    }
    at = end;
  }
  return layout;
}

ExifFacts ReadExif(std::span<const std::uint8_t> payload) {
  constexpr std::uint32_t kOrientationTag = 0x0112;
  constexpr std::uint32_t kThumbnailOffsetTag = 0x0201;
  constexpr std::uint32_t kThumbnailLengthTag = 0x0202;
  ExifFacts facts;
  if (!StartsWithExifHeader(payload)) return facts;
  TiffBlock tiff(payload.subspan(sizeof kExifHeader));
  if (!tiff.ReadByteOrder()) return facts;
  const std::uint32_t ifd0 = tiff.U32(4).value_or(0);
  const std::uint32_t ifd1 = WalkIfd(
      tiff, ifd0,
      [&](std::uint32_t tag, std::uint32_t type, std::uint32_t count, std::size_t value_at) {
        if (tag != kOrientationTag || type != kShortType || count < 1) return;
        const std::uint32_t value = tiff.U16(value_at).value_or(1);
        if (value >= 1 && value <= 8) facts.orientation = static_cast<int>(value);
      });
  // IFD1 must lie after IFD0: a link back would walk in circles in a longer chain.
  if (ifd1 <= ifd0) return facts;
  std::optional<std::uint32_t> offset, length;
  WalkIfd(tiff, ifd1,
          [&](std::uint32_t tag, std::uint32_t type, std::uint32_t count, std::size_t value_at) {
            if (tag == kThumbnailOffsetTag) offset = SingleNumber(tiff, type, count, value_at);
            if (tag == kThumbnailLengthTag) length = SingleNumber(tiff, type, count, value_at);
          });
  if (offset && length && *length > 0 && *offset <= tiff.size() &&
      *length <= tiff.size() - *offset) {
    facts.thumbnail = tiff.bytes().subspan(*offset, *length);
  }
  return facts;
}

}  // namespace quorvel
