#include "scan/embedded_preview.h"

// Placeholder until the EXIF thumbnail reader lands: no preview is ever used.
namespace quorvel {

std::size_t PreviewHeadLength(std::span<const std::uint8_t>) { return kPreviewHeadBytes; }

std::optional<EmbeddedPreview> FindUsablePreview(std::span<const std::uint8_t>) {
  return std::nullopt;
}

QImage FitPreview(const EmbeddedPreview& preview, int) { return preview.picture; }

}  // namespace quorvel
