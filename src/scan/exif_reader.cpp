#include "scan/exif_reader.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "catalog/tiff_block.h"

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
  const std::uint32_t ifd1 = WalkIfd(tiff, ifd0, [&](const TiffEntry& entry) {
    if (entry.tag != kOrientationTag || entry.type != kTiffShort) return;
    const std::uint32_t value = TiffNumber(tiff, entry).value_or(1);
    if (value >= 1 && value <= 8) facts.orientation = static_cast<int>(value);
  });
  // IFD1 must lie after IFD0: a link back would walk in circles in a longer chain.
  if (ifd1 <= ifd0) return facts;
  std::optional<std::uint32_t> offset, length;
  WalkIfd(tiff, ifd1, [&](const TiffEntry& entry) {
    if (entry.count != 1) return;
    if (entry.tag == kThumbnailOffsetTag) offset = TiffNumber(tiff, entry);
    if (entry.tag == kThumbnailLengthTag) length = TiffNumber(tiff, entry);
  });
  if (offset && length && *length > 0) facts.thumbnail = tiff.Span(*offset, *length);
  return facts;
}

}  // namespace quorvel
