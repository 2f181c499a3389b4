// The thumbnail that cameras store in a JPEG's EXIF block, used instead of decoding the whole
// picture when it is good enough: on a slow disc the rest of the file is then never read.
#ifndef QUORVEL_SCAN_EMBEDDED_PREVIEW_H_
#define QUORVEL_SCAN_EMBEDDED_PREVIEW_H_

#include <QImage>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "catalog/picture_facts.h"

namespace quorvel {

// How much of a file's beginning is read to look for an embedded preview. An EXIF block that
// begins past it is not looked for: such a picture is decoded whole.
inline constexpr std::size_t kPreviewHeadBytes = 64 * 1024;
// What is read past an EXIF block whose frame header is not within kPreviewHeadBytes, for the
// tables and the frame header that follow the block.
inline constexpr std::size_t kPreviewHeadSlack = 16 * 1024;
// The shortest long side of a preview that is used.
inline constexpr int kMinPreviewSide = 100;

// How many bytes from the start of the file FindUsablePreview needs, judged from `first`, the
// file's first min(kPreviewHeadBytes, file size) bytes: kPreviewHeadBytes, or, when an EXIF
// block begins within them and the frame header does not follow within them (a long block),
// up to kPreviewHeadSlack past the block's end. (The file may be shorter: then all of it.)
std::size_t PreviewHeadLength(std::span<const std::uint8_t> first);

struct EmbeddedPreview {
  QImage picture;       // the preview decoded, black bars cropped, not yet turned upright
  int orientation = 1;  // the picture's EXIF orientation (1 to 8)
  QSize frame_size;     // the whole picture's size as stored (its frame header), not turned
  PictureFacts facts;   // what the head says of the picture (JpegFacts)
};

// The EXIF thumbnail held in `head`, the beginning of a JPEG file, when it can stand for the
// whole picture: the EXIF block begins within the first kPreviewHeadBytes and lies wholly in
// `head`, the thumbnail decodes, its long side is at least kMinPreviewSide, and its aspect ratio
// is within 2 % of the picture's own (from the frame header, which must lie in `head` too),
// as it is or after cropping the uniform black bars cameras add at two opposite edges when the
// shapes differ. nullopt for any doubt. Reads only `head`.
std::optional<EmbeddedPreview> FindUsablePreview(std::span<const std::uint8_t> head);

// The picture a preview stands for, turned upright and fitted into `side` x `side` by area
// averaging, at the size the whole picture would get (FittedSize of its upright frame size).
QImage FitPreview(const EmbeddedPreview& preview, int side);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_EMBEDDED_PREVIEW_H_
