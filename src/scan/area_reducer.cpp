#include "scan/area_reducer.h"

#include <algorithm>

namespace quorvel {
namespace {

int Channel(float value) { return std::clamp(static_cast<int>(value + 0.5f), 0, 255); }

}  // namespace

AreaReducer::AreaReducer(int in_width, int in_height, int out_width, int out_height)
    : columns_(Splits(in_width, out_width)),
      rows_(Splits(in_height, out_height)),
      // One spare pixel and one spare row take the zero-weight share of the last input pixel,
      // which keeps the inner loop free of branches.
      line_(static_cast<std::size_t>(out_width + 1) * 3),
      sums_(static_cast<std::size_t>(out_width + 1) * 3 * (out_height + 1)),
      out_width_(out_width),
      out_height_(out_height) {}

void AreaReducer::AddRow(const std::uint8_t* rgb) {
  if (next_row_ >= static_cast<int>(rows_.size())) return;
  std::fill(line_.begin(), line_.end(), 0.0f);
  for (const Split& split : columns_) {
    float* out = &line_[static_cast<std::size_t>(split.first) * 3];
    const float r = rgb[0], g = rgb[1], b = rgb[2];
    out[0] += r * split.near_weight;
    out[1] += g * split.near_weight;
    out[2] += b * split.near_weight;
    out[3] += r * split.far_weight;
    out[4] += g * split.far_weight;
    out[5] += b * split.far_weight;
    rgb += 3;
  }
  const Split& split = rows_[static_cast<std::size_t>(next_row_++)];
  const std::size_t stride = line_.size();
  float* near = &sums_[static_cast<std::size_t>(split.first) * stride];
  float* far = near + stride;
  for (std::size_t i = 0; i < stride; ++i) {
    near[i] += line_[i] * split.near_weight;
    far[i] += line_[i] * split.far_weight;
  }
}

QImage AreaReducer::Result() const {
  QImage image(out_width_, out_height_, QImage::Format_RGB32);
  const std::size_t stride = line_.size();
  for (int y = 0; y < out_height_; ++y) {
    const float* sum = &sums_[static_cast<std::size_t>(y) * stride];
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < out_width_; ++x, sum += 3) {
      out[x] = qRgb(Channel(sum[0]), Channel(sum[1]), Channel(sum[2]));
    }
  }
  return image;
}

QImage AreaReducer::Reduce(const QImage& image, QSize size) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  AreaReducer reducer(rgb.width(), rgb.height(), size.width(), size.height());
  for (int y = 0; y < rgb.height(); ++y) reducer.AddRow(rgb.constScanLine(y));
  return reducer.Result();
}

std::vector<AreaReducer::Split> AreaReducer::Splits(int in, int out) {
  std::vector<Split> splits(static_cast<std::size_t>(in));
  const double ratio = static_cast<double>(out) / in;
  for (int i = 0; i < in; ++i) {
    const double low = i * ratio;
    const double high = (i + 1) * ratio;
    const int first = std::min(static_cast<int>(low), out - 1);
    const double boundary = first + 1.0;
    if (high > boundary && first + 1 < out) {
      splits[static_cast<std::size_t>(i)] = {first, static_cast<float>(boundary - low),
                                             static_cast<float>(high - boundary)};
    } else {
      splits[static_cast<std::size_t>(i)] = {first, static_cast<float>(high - low), 0.0f};
    }
  }
  return splits;
}

}  // namespace quorvel
