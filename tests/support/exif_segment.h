// The APP1 EXIF segment a camera writes at the front of its JPEGs, built in standard C++ so that
// the fuzzers' seed writer can use it as well as the tests.
#ifndef QUORVEL_TESTS_SUPPORT_EXIF_SEGMENT_H_
#define QUORVEL_TESTS_SUPPORT_EXIF_SEGMENT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::testkit {

struct ExifFields {
  std::string make = "Quorvel";
  std::string model = "Test Camera";
  std::string date_time = "2024:05:17 10:30:00";
  int orientation = 0;                  // 0: no Orientation tag
  std::vector<std::uint8_t> thumbnail;  // IFD1's JPEG (any bytes); empty: no IFD1
  bool little_endian = true;            // "II" or "MM" TIFF
};

// The whole segment: FF E1, its length, "Exif\0\0" and a TIFF block with IFD0 (Make, Model,
// DateTime, Orientation when given) and, with a thumbnail, IFD1 (Compression 6,
// JPEGInterchangeFormat and its length) followed by the thumbnail's bytes. Empty when it would
// not fit into one segment.
std::vector<std::uint8_t> ExifSegment(const ExifFields& fields);

// Comment segments of `bytes` bytes in all (at least 4), for pushing what follows further into
// the file.
std::vector<std::uint8_t> PaddingSegments(std::size_t bytes);

// `jpeg` (which starts with SOI) with `segments` placed right after its SOI.
std::vector<std::uint8_t> WithSegmentsAfterSoi(const std::vector<std::uint8_t>& jpeg,
                                               const std::vector<std::uint8_t>& segments);

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_EXIF_SEGMENT_H_
