#include "catalog/picture_fingerprint.h"

#include "catalog/thumbnail_jpeg.h"

namespace quorvel {

// Placeholder until the fingerprint is written.
std::optional<Fingerprint> FingerprintOfPixels(const RgbView&, int, int) { return std::nullopt; }
std::optional<Fingerprint> FingerprintOfThumbnail(ByteView) { return std::nullopt; }

}  // namespace quorvel
