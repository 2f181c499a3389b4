// A picture's fingerprint: 128 bits computed from a thumbnail's picture area (the part that is
// not the white background the fitted picture is centred on), so that copies of one picture
// (resized, recompressed, converted, cropped a little at an edge, made brighter or darker) get
// nearly the same bits, and different pictures, even two frames of one burst, do not.
// A catalogue made by any version gets them from its thumbnails alone.
#ifndef QUORVEL_CATALOG_PICTURE_FINGERPRINT_H_
#define QUORVEL_CATALOG_PICTURE_FINGERPRINT_H_

#include <bit>
#include <cstdint>
#include <optional>

#include "catalog/stream.h"

namespace quorvel {

struct RgbView;

struct Fingerprint {
  // The coarse layout of light and dark over the picture: what the copy index looks up first.
  std::uint64_t shape = 0;
  // Finer structure, which tells apart pictures whose shapes agree.
  std::uint64_t detail = 0;
  friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
};

// How many of the 128 bits differ.
inline int Distance(const Fingerprint& a, const Fingerprint& b) {
  return std::popcount(a.shape ^ b.shape) + std::popcount(a.detail ^ b.detail);
}
inline int ShapeDistance(const Fingerprint& a, const Fingerprint& b) {
  return std::popcount(a.shape ^ b.shape);
}

// Two thumbnails are copies of one picture when their shapes differ in at most
// kCopyShapeDistance bits and their whole fingerprints in at most kCopyDistance. Over 200
// pictures and their altered copies (bench/bench_fingerprint.cpp) thumbnails of different pictures
// were never within 12 bits of shape nor 34 of Distance, while 9 copies in 10 of those cut by
// 3 % and 19 in 20 of the others were within 7 and 24.
inline constexpr int kCopyShapeDistance = 7;
inline constexpr int kCopyDistance = 24;
inline bool SamePicture(const Fingerprint& a, const Fingerprint& b) {
  return ShapeDistance(a, b) <= kCopyShapeDistance && Distance(a, b) <= kCopyDistance;
}

// "Найти похожие" lists every thumbnail within this Distance, most alike first: beyond the
// copy rule, short of the nearest different pictures seen.
inline constexpr int kLookAlikeDistance = 32;

// The fingerprint of a thumbnail's decoded pixels. `picture_width` x `picture_height` is the
// size of the picture it was made from when known (0 x 0: unknown), which fixes where the
// fitted picture lies; otherwise the white margins are found from the pixels. Nullopt for a
// picture area too small or too flat to tell anything (a blank picture).
std::optional<Fingerprint> FingerprintOfPixels(const RgbView& thumbnail, int picture_width,
                                              int picture_height);

// The fingerprint of a stored thumbnail: the one its facts carry, else computed from its
// decoded pixels and the picture size its facts give. Nullopt when the JPEG does not decode,
// when its facts say it shows no picture (a placeholder), or as FingerprintOfPixels.
std::optional<Fingerprint> FingerprintOfThumbnail(ByteView jpeg);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_PICTURE_FINGERPRINT_H_
