// What is known of a catalogued picture besides its path and its 100 x 100 pixels: when it was
// taken, by what camera, how large it is, where it was taken. The facts travel inside the
// thumbnail's own JPEG, between its JFIF header and its frame: the standard ones as EXIF tags in
// an APP1 "Exif" segment, so that a thumbnail saved to a folder carries them to any program, the
// others in one versioned APP10 segment of our own (docs/thumbnail-facts.md). A thumbnail
// without them is as valid as one with them.
#ifndef QUORVEL_CATALOG_PICTURE_FACTS_H_
#define QUORVEL_CATALOG_PICTURE_FACTS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "catalog/picture_fingerprint.h"
#include "catalog/stream.h"

namespace quorvel {

// Degrees; south and west are negative.
struct GeoPosition {
  double latitude = 0;
  double longitude = 0;
  friend bool operator==(const GeoPosition&, const GeoPosition&) = default;
};

struct PictureFacts {
  // When the picture was taken, by the camera's clock (which knows no time zone): seconds from
  // 1970-01-01 00:00:00 of that clock, whole seconds.
  std::optional<std::int64_t> taken;
  std::string make;   // the camera's maker as it names itself, blanks trimmed; empty: unknown
  std::string model;  // the camera's model, blanks trimmed; empty: unknown
  // The picture's size in pixels as it is shown, after its orientation; 0 x 0: unknown.
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::optional<GeoPosition> position;
  std::optional<std::int64_t> file_size;    // the file's size in bytes
  std::optional<std::int64_t> modified;     // the file's modification time, seconds from 1970 UTC
  std::optional<std::int64_t> duration_ms;  // a video's length
  // The thumbnail's fingerprint, stored so that it need not be computed again.
  std::optional<Fingerprint> fingerprint;
  // The thumbnail shows no picture of the file (the placeholder of one that did not decode):
  // it has no fingerprint and is nobody's copy.
  bool no_picture = false;

  bool Empty() const { return *this == PictureFacts{}; }
  friend bool operator==(const PictureFacts&, const PictureFacts&) = default;
};

// The facts never add more than this many bytes to a thumbnail: 300 for what a camera's
// photograph tells, and 20 more for the fingerprint, so that it cuts none of that.
inline constexpr std::size_t kMaxFactsBytes = 320;

// SOI, a JFIF header as libjpeg writes it, then the facts: the head of a thumbnail that holds
// all the facts it has.
inline constexpr std::size_t kFactsHeadBytes = 2 + 18 + kMaxFactsBytes;

// The JPEG marker segments that carry `facts`, ready to stand after a thumbnail's JFIF header:
// APP1 "Exif" when any standard fact is known, then our own APP10 when any of ours is (the
// fingerprint, or its absence for a thumbnail that shows no picture, included). Nothing for
// empty facts. At most kMaxFactsBytes in all, the fingerprint never cut: when they would not
// fit, the GPS version tag is left out, then the model and then the make are cut short (never
// inside a UTF-8 character).
// A date outside the years 0 to 9999, which EXIF cannot write, is left out, and so is a position
// beyond 90 degrees of latitude or 180 of longitude.
Bytes EncodeFactsSegments(const PictureFacts& facts);

// True when the segment right after the JFIF header at the start of `head` is one that
// EncodeFactsSegments writes (APP1 or APP10): a test of a few bytes that lets an index pass over
// the thumbnails of old catalogues without parsing them.
bool FactsFollowJfif(ByteView head);

// The facts stored in a thumbnail's JPEG: read from its marker segments before the first frame
// header. A JPEG without them gives empty facts; a malformed segment gives what can be read of
// the others. Never reads outside `jpeg`, which may be only the head of the JPEG.
PictureFacts ReadPictureFacts(ByteView jpeg);

// Only the facts of our own APP10 segment (file size, times, fingerprint), the EXIF segment
// passed over unread: for reading the fingerprints of a whole catalogue.
PictureFacts ReadOwnFacts(ByteView jpeg);

// `jpeg` with `print` stored among its facts: the field completes its APP10 segment, or a new
// one follows its JFIF header and EXIF segment; every other byte, the picture's, is kept. Facts
// that would then pass kMaxFactsBytes are written again, cut as EncodeFactsSegments cuts them.
// Nullopt when `jpeg` does not begin with SOI or its APP10 segment is of a newer major version,
// whose fields this program does not know.
std::optional<Bytes> WithFingerprint(ByteView jpeg, const Fingerprint& print);

// The standard facts an EXIF block states, from the payload of its APP1 segment (beginning with
// "Exif\0\0") or from a bare TIFF block (beginning with "II" or "MM"): date taken
// (DateTimeOriginal, else DateTimeDigitized), make, model, the pixel size it declares
// (PixelXDimension and PixelYDimension, as stored: not turned by the orientation) and the GPS
// position. Anything malformed or missing is left unknown.
PictureFacts ReadExifFacts(ByteView payload);

// The make, a blank and the model, both trimmed; only the model when it begins with the whole
// make (letter case aside), only the one that is known when the other is empty. So "Canon" and
// "Canon EOS 70D" give "Canon EOS 70D", "Apple" and "iPhone 12" give "Apple iPhone 12", while
// "NIKON CORPORATION" and "NIKON D750" stay whole: "NIKON CORPORATION NIKON D750".
std::string CameraName(std::string_view make, std::string_view model);

// `seconds` from 1970-01-01 00:00:00 as "2019-07-12T14:03:00" (no zone), and back; nullopt when
// the text is not such a time.
std::string IsoDateTime(std::int64_t seconds);
std::optional<std::int64_t> ParseIsoDateTime(std::string_view text);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_PICTURE_FACTS_H_
