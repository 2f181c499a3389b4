#include "catalog/picture_area.h"

#include <algorithm>
#include <cstdlib>

namespace quorvel {
namespace {

// A margin row or column of a stored thumbnail: JPEG leaves pure white at 253 to 255, and ringing
// next to a sharp edge of the picture a little lower.
constexpr int kWhiteMean = 250;
constexpr int kWhiteLowest = 232;

// Whether line `index` of the thumbnail (a row when `rows`, else a column) is white background.
bool IsWhiteLine(const LumaView& image, bool rows, int index) {
  const int count = rows ? image.width : image.height;
  const int step = rows ? 1 : image.stride;
  const std::uint8_t* pixel =
      image.pixels + (rows ? static_cast<std::size_t>(index) * image.stride : index);
  int sum = 0;
  for (int i = 0; i < count; ++i, pixel += step) {
    if (*pixel < kWhiteLowest) return false;
    sum += *pixel;
  }
  return sum >= kWhiteMean * count;
}

// How many white lines lie at one end of an axis.
int WhiteLines(const LumaView& image, bool rows, bool from_end) {
  const int lines = rows ? image.height : image.width;
  int count = 0;
  while (count < lines && IsWhiteLine(image, rows, from_end ? lines - 1 - count : count)) ++count;
  return count;
}

// The picture's extent along one axis of `size` lines, from the white lines before (`before`)
// and after it (`after`). The scan centres the picture, so that its margins are equal or the far
// one a line wider; a difference beyond JPEG's blur of a line is the picture's own white at one
// edge, which is kept by taking the narrower margin for both.
AreaSpan SpanBetweenMargins(int before, int after, int size) {
  if (std::abs(before - after) > 2) {
    const int margin = std::min(before, after);
    return {margin, size - 2 * margin};
  }
  const int length = size - before - after;
  return {(size - length) / 2, length};
}

}  // namespace

// Restates FittedSize (src/scan/picture_geometry.h) and the offset at which CentreOnWhite
// (src/scan/thumbnail_renderer.h) draws the fitted picture, rounding included, because the
// catalogue links nothing of the scan; a test holds the two to agreement.
PictureArea PlacedArea(std::int64_t width, std::int64_t height, int side) {
  std::int64_t fitted_width = width;
  std::int64_t fitted_height = height;
  if (width > side || height > side) {
    if (width >= height) {
      fitted_width = side;
      fitted_height = std::max<std::int64_t>(1, (height * side + width / 2) / width);
    } else {
      fitted_width = std::max<std::int64_t>(1, (width * side + height / 2) / height);
      fitted_height = side;
    }
  }
  const int w = static_cast<int>(fitted_width);
  const int h = static_cast<int>(fitted_height);
  return {{(side - w) / 2, w}, {(side - h) / 2, h}};
}

std::optional<PictureArea> AreaFromMargins(const LumaView& image) {
  const int top = WhiteLines(image, true, false);
  if (top == image.height) return std::nullopt;
  PictureArea area{SpanBetweenMargins(WhiteLines(image, false, false),
                                      WhiteLines(image, false, true), image.width),
                   SpanBetweenMargins(top, WhiteLines(image, true, true), image.height)};
  // A fitted picture fills the square along one axis at least (unless it was smaller than the
  // thumbnail, which photographs are not): white along both is the picture's own, so the axis
  // with the narrower margins is taken whole.
  if (area.x.start > 1 && area.y.start > 1) {
    if (area.x.start < area.y.start) {
      area.x = {0, image.width};
    } else {
      area.y = {0, image.height};
    }
  }
  return area;
}

}  // namespace quorvel
