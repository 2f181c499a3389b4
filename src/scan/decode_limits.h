// The bound every decoder of the scan keeps to.
#ifndef QUORVEL_SCAN_DECODE_LIMITS_H_
#define QUORVEL_SCAN_DECODE_LIMITS_H_

#include <cstdint>

namespace quorvel {

// A picture, frame or raw image whose declared size would need more than this to decode is
// refused before any of it is decoded: a damaged or hostile header cannot make the program
// allocate gigabytes.
constexpr std::int64_t kMaxDecodedBytes = 256LL * 1024 * 1024;

// The most bytes of one file that a decoder gathers into memory, for the libraries that want a
// whole file at once (Qt's readers, libheif). A picture file of those formats that is larger is
// no photograph; gathering it would let one file on a disk take the machine's memory.
constexpr std::int64_t kMaxHeldBytes = 128LL * 1024 * 1024;

}  // namespace quorvel

#endif  // QUORVEL_SCAN_DECODE_LIMITS_H_
