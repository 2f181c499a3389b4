// Where a thumbnail's picture lies on its white square: from the picture's size when it is known,
// else from the white margins. The fingerprint reads only this part of a thumbnail.
#ifndef QUORVEL_CATALOG_PICTURE_AREA_H_
#define QUORVEL_CATALOG_PICTURE_AREA_H_

#include <cstdint>
#include <optional>

namespace quorvel {

// One axis of the area: its first line and how many lines it spans.
struct AreaSpan {
  int start = 0;
  int length = 0;
  friend bool operator==(const AreaSpan&, const AreaSpan&) = default;
};

struct PictureArea {
  AreaSpan x;
  AreaSpan y;
  friend bool operator==(const PictureArea&, const PictureArea&) = default;
};

// 8-bit luminances, `stride` bytes from one row to the next.
struct LumaView {
  const std::uint8_t* pixels;
  int width;
  int height;
  int stride;
};

// Where the scan places a picture of `width` x `height` (both positive) on a white `side` x
// `side` square.
PictureArea PlacedArea(std::int64_t width, std::int64_t height, int side);

// The picture area of a thumbnail whose picture size is unknown, from its white margins, which
// the scan makes equal on opposite sides or the far one a line wider. Nullopt when the thumbnail
// is all white.
std::optional<PictureArea> AreaFromMargins(const LumaView& image);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_PICTURE_AREA_H_
