#include "catalog/picture_fingerprint.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "catalog/format.h"
#include "catalog/picture_area.h"
#include "catalog/picture_facts.h"
#include "catalog/thumbnail_jpeg.h"

namespace quorvel {
namespace {

// The method is pHash's: the picture area's luminance resampled to kGrid x kGrid by area
// averaging, its discrete cosine transform, and one bit per low frequency. The bit is the
// coefficient's sign, which a brighter or darker copy keeps (up to what clipping at white
// changes), so that no contrast normalisation is needed. The 128 frequencies are the lowest by
// u + v, the shape the 64 lowest of them, because a crop of a few percent shifts the phase of a
// frequency in proportion to it. Over the benchmark's altered copies this kept more copies within
// the copy rule, at no loss of precision, than bits against the median coefficient, than a square
// 8 x 8 block of frequencies, than ordering them by u^2 + v^2, than a block-mean hash for the
// detail word, and than equalising the luminances' histogram first.
constexpr int kGrid = 32;
constexpr int kFreq = 16;
constexpr int kBits = 64;
// Less than this many pixels across and the area shows too little to tell pictures apart.
constexpr int kMinAreaSide = 8;
// A picture whose resampled luminances deviate less than this (in 0..255) is blank.
constexpr float kFlatDeviation = 3.0F;

// Area-averaging weights that take `span` of the source to kGrid samples: sample i covers the
// source lines taps[first[i]] to taps[first[i + 1] - 1], each with its share.
struct Tap {
  int source;
  float weight;
};
struct Taps {
  std::vector<Tap> taps;
  std::array<int, kGrid + 1> first;
};
Taps ResampleTaps(AreaSpan span) {
  Taps result;
  const double step = static_cast<double>(span.length) / kGrid;
  result.taps.reserve(static_cast<std::size_t>(span.length) + 2 * kGrid);
  for (int i = 0; i < kGrid; ++i) {
    result.first[i] = static_cast<int>(result.taps.size());
    const double from = span.start + i * step;
    const double to = from + step;
    for (int s = static_cast<int>(std::floor(from)); s < to; ++s) {
      const double covered = std::min<double>(to, s + 1) - std::max<double>(from, s);
      if (covered > 1e-9) result.taps.push_back({s, static_cast<float>(covered / step)});
    }
  }
  result.first[kGrid] = static_cast<int>(result.taps.size());
  return result;
}

using Grid = std::array<float, kGrid * kGrid>;

Grid Resample(const LumaView& image, const PictureArea& area) {
  const Taps rows_of = ResampleTaps(area.y);
  const Taps columns_of = ResampleTaps(area.x);
  // Rows first, each output row summing whole source rows in a loop the compiler vectorises;
  // then the kGrid columns of those kGrid rows.
  const int width = area.x.length;
  std::vector<float> rows(static_cast<std::size_t>(kGrid) * width);
  for (int j = 0; j < kGrid; ++j) {
    float* sums = rows.data() + static_cast<std::size_t>(j) * width;
    for (int t = rows_of.first[j]; t < rows_of.first[j + 1]; ++t) {
      const Tap& tap = rows_of.taps[t];
      const std::uint8_t* source =
          image.pixels + static_cast<std::size_t>(tap.source) * image.stride + area.x.start;
      for (int x = 0; x < width; ++x) sums[x] += tap.weight * source[x];
    }
  }
  Grid grid{};
  for (int j = 0; j < kGrid; ++j) {
    const float* sums = rows.data() + static_cast<std::size_t>(j) * width;
    for (int i = 0; i < kGrid; ++i) {
      float sum = 0;
      for (int t = columns_of.first[i]; t < columns_of.first[i + 1]; ++t) {
        sum += columns_of.taps[t].weight * sums[columns_of.taps[t].source - area.x.start];
      }
      grid[j * kGrid + i] = sum;
    }
  }
  return grid;
}

// The DCT-II basis: values[x][u] = cos(pi (2x + 1) u / 2 kGrid).
struct CosineTable {
  std::array<std::array<float, kFreq>, kGrid> values;
  CosineTable() {
    for (int u = 0; u < kFreq; ++u) {
      for (int x = 0; x < kGrid; ++x) {
        values[x][u] =
            static_cast<float>(std::cos(std::numbers::pi * (2 * x + 1) * u / (2.0 * kGrid)));
      }
    }
  }
};

// The frequencies (u, v) read, lowest first: by u + v, then by u; the constant term left out.
struct FrequencyOrder {
  std::array<std::pair<int, int>, 2 * kBits> pairs;
  FrequencyOrder() {
    int n = 0;
    for (int sum = 1; n < 2 * kBits; ++sum) {
      for (int u = 0; u <= sum && n < 2 * kBits; ++u) {
        if (u < kFreq && sum - u < kFreq) pairs[n++] = {u, sum - u};
      }
    }
  }
};

std::optional<Fingerprint> FingerprintOfLuminance(const LumaView& image, int picture_width,
                                                  int picture_height) {
  std::optional<PictureArea> area;
  if (picture_width > 0 && picture_height > 0 && image.width == kThumbSide &&
      image.height == kThumbSide) {
    area = PlacedArea(picture_width, picture_height, kThumbSide);
  } else {
    area = AreaFromMargins(image);
  }
  if (!area || area->x.length < kMinAreaSide || area->y.length < kMinAreaSide) {
    return std::nullopt;
  }
  Grid grid = Resample(image, *area);

  float mean = 0;
  for (float value : grid) mean += value;
  mean /= grid.size();
  float variance = 0;
  for (float value : grid) variance += (value - mean) * (value - mean);
  if (std::sqrt(variance / grid.size()) < kFlatDeviation) return std::nullopt;

  static const CosineTable cosine;
  static const FrequencyOrder order;
  // Rows transformed first, then the columns of the result: all kFreq x kFreq coefficients, in
  // loops over contiguous frequencies that the compiler vectorises.
  std::array<std::array<float, kFreq>, kGrid> rows{};
  for (int y = 0; y < kGrid; ++y) {
    for (int x = 0; x < kGrid; ++x) {
      const float value = grid[y * kGrid + x];
      for (int u = 0; u < kFreq; ++u) rows[y][u] += cosine.values[x][u] * value;
    }
  }
  std::array<std::array<float, kFreq>, kFreq> coefficients{};  // [v][u]
  for (int y = 0; y < kGrid; ++y) {
    for (int v = 0; v < kFreq; ++v) {
      const float c = cosine.values[y][v];
      for (int u = 0; u < kFreq; ++u) coefficients[v][u] += c * rows[y][u];
    }
  }
  Fingerprint print;
  for (int bit = 0; bit < 2 * kBits; ++bit) {
    const auto [u, v] = order.pairs[bit];
    if (coefficients[v][u] > 0) {
      std::uint64_t& word = bit < kBits ? print.shape : print.detail;
      word |= std::uint64_t{1} << (bit % kBits);
    }
  }
  return print;
}

}  // namespace

std::optional<Fingerprint> FingerprintOfPixels(const RgbView& thumbnail, int picture_width,
                                               int picture_height) {
  if (thumbnail.width < 1 || thumbnail.height < 1) return std::nullopt;
  // BT.601 luma, as a JPEG's Y channel: the same values a luminance decode gives.
  std::vector<std::uint8_t> luma(static_cast<std::size_t>(thumbnail.width) * thumbnail.height);
  for (int y = 0; y < thumbnail.height; ++y) {
    const std::uint8_t* row = thumbnail.pixels + static_cast<std::size_t>(y) * thumbnail.stride;
    for (int x = 0; x < thumbnail.width; ++x) {
      const int r = row[3 * x];
      const int g = row[3 * x + 1];
      const int b = row[3 * x + 2];
      luma[static_cast<std::size_t>(y) * thumbnail.width + x] =
          static_cast<std::uint8_t>((19595 * r + 38470 * g + 7471 * b + 32768) >> 16);
    }
  }
  return FingerprintOfLuminance({luma.data(), thumbnail.width, thumbnail.height, thumbnail.width},
                                picture_width, picture_height);
}

std::optional<Fingerprint> FingerprintOfThumbnail(ByteView jpeg) {
  const PictureFacts facts = ReadPictureFacts(jpeg);
  if (facts.no_picture) return std::nullopt;
  if (facts.fingerprint) return facts.fingerprint;
  GreyImage image;
  if (!DecodeJpegLuminance(jpeg, image)) return std::nullopt;
  return FingerprintOfLuminance({image.pixels.data(), image.width, image.height, image.width},
                                facts.width, facts.height);
}

}  // namespace quorvel
