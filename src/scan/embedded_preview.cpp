#include "scan/embedded_preview.h"

#include <QRect>
#include <algorithm>
#include <cmath>

#include "scan/area_reducer.h"
#include "scan/exif_reader.h"
#include "scan/jpeg_facts.h"
#include "scan/jpeg_picture_decoder.h"
#include "scan/picture_geometry.h"

namespace quorvel {
namespace {

// How far a preview's aspect ratio may be from the picture's.
constexpr double kAspectTolerance = 0.02;
// What a line of a black bar may hold. The loose levels allow for the ringing and the colour
// bleeding that JPEG adds next to a bright picture's edge; but a dark picture's own edge (a
// night sky) passes them too, and would be cropped with the bars. Its bars are then told from
// it by the strict levels, which only the bars' nearly pure black meets.
struct BarLevels {
  int mean;
  int peak;
};
constexpr BarLevels kLooseBar{32, 128};
constexpr BarLevels kStrictBar{6, 24};
// How many lines the bars at two opposite edges may differ by (cameras round either way).
constexpr int kBarImbalance = 2;

bool AspectMatches(QSize a, QSize b) {
  const double ratio =
      (static_cast<double>(a.width()) * b.height()) / (static_cast<double>(a.height()) * b.width());
  return std::abs(ratio - 1.0) <= kAspectTolerance;
}

// Whether the row (or the column) `line` of `image`, in Format_RGB888, is a black bar's.
bool IsBarLine(const QImage& image, int line, bool row, BarLevels levels) {
  const int length = row ? image.width() : image.height();
  long sum = 0;
  int peak = 0;
  for (int i = 0; i < length; ++i) {
    const std::uint8_t* rgb =
        row ? image.constScanLine(line) + i * 3 : image.constScanLine(i) + line * 3;
    sum += rgb[0] + rgb[1] + rgb[2];
    peak = std::max({peak, int{rgb[0]}, int{rgb[1]}, int{rgb[2]}});
  }
  return peak <= levels.peak && sum <= static_cast<long>(levels.mean) * 3 * length;
}

// What lies between the black bars at two opposite edges of `thumbnail`, lines being rows
// (letterbox) or columns (pillarbox), when it has the shape of `frame`; nullopt otherwise.
std::optional<QRect> BetweenBars(const QImage& thumbnail, QSize frame, bool rows,
                                 BarLevels levels) {
  const int lines = rows ? thumbnail.height() : thumbnail.width();
  int lead = 0;
  while (lead < lines / 2 && IsBarLine(thumbnail, lead, rows, levels)) ++lead;
  int trail = 0;
  while (trail < lines / 2 && IsBarLine(thumbnail, lines - 1 - trail, rows, levels)) ++trail;
  if (lead + trail == 0 || std::abs(lead - trail) > kBarImbalance || lead + trail >= lines) {
    return std::nullopt;
  }
  const QRect area = rows ? QRect(0, lead, thumbnail.width(), lines - lead - trail)
                          : QRect(lead, 0, lines - lead - trail, thumbnail.height());
  if (!AspectMatches(area.size(), frame)) return std::nullopt;
  return area;
}

// The part of `thumbnail` that shows the picture of `frame`: all of it when the shapes agree,
// else what lies between black bars at two opposite edges; nullopt when neither fits.
std::optional<QRect> PictureArea(const QImage& thumbnail, QSize frame) {
  if (AspectMatches(thumbnail.size(), frame)) return thumbnail.rect();
  // A picture wider than the thumbnail is letterboxed (bars above and below), a narrower one
  // pillarboxed (bars left and right).
  const bool rows = static_cast<qint64>(frame.width()) * thumbnail.height() >
                    static_cast<qint64>(thumbnail.width()) * frame.height();
  if (auto area = BetweenBars(thumbnail, frame, rows, kLooseBar)) return area;
  return BetweenBars(thumbnail, frame, rows, kStrictBar);
}

}  // namespace

std::size_t PreviewHeadLength(std::span<const std::uint8_t> first) {
  const JpegLayout layout = ReadJpegLayout(first.first(std::min(first.size(), kPreviewHeadBytes)));
  if (layout.width > 0 || layout.exif_end == 0 || layout.exif_begin >= kPreviewHeadBytes) {
    return kPreviewHeadBytes;
  }
  return std::max(kPreviewHeadBytes, layout.exif_end + kPreviewHeadSlack);
}

std::optional<EmbeddedPreview> FindUsablePreview(std::span<const std::uint8_t> head) {
  const JpegLayout layout = ReadJpegLayout(head);
  if (layout.exif_end == 0 || layout.exif_begin >= kPreviewHeadBytes ||
      layout.exif_end > head.size() || layout.width < 1 || layout.height < 1) {
    return std::nullopt;
  }
  // The payload follows the marker and the length.
  const std::span<const std::uint8_t> payload =
      head.subspan(layout.exif_begin + 4, layout.exif_end - layout.exif_begin - 4);
  const ExifFacts exif = ReadExif(payload);
  const QImage thumbnail = DecodeSmallJpeg(exif.thumbnail);
  if (thumbnail.isNull()) return std::nullopt;
  const QSize frame(layout.width, layout.height);
  const std::optional<QRect> area = PictureArea(thumbnail, frame);
  if (!area || std::max(area->width(), area->height()) < kMinPreviewSide) return std::nullopt;
  return EmbeddedPreview{thumbnail.copy(*area), exif.orientation, frame, JpegFacts(payload, frame)};
}

QImage FitPreview(const EmbeddedPreview& preview, int side) {
  const QImage upright = TurnUpright(preview.picture, preview.orientation);
  const QSize frame =
      preview.orientation >= 5 ? preview.frame_size.transposed() : preview.frame_size;
  const QSize target = FittedSize(frame.isValid() ? frame : upright.size(), side);
  if (target.width() <= upright.width() && target.height() <= upright.height()) {
    return AreaReducer::Reduce(upright, target);
  }
  // Rounding may leave the preview a line short of the size the picture gets.
  return upright.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_RGB32);
}

}  // namespace quorvel
