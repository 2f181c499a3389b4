// Fixed-width big-endian integer fields (1, 2 or 4 bytes).
//
// The bytes are those of the hexadecimal-text route (the value as 2w upper-case hex digits,
// converted pair by pair) for every value that fits; the shifts here are only faster.
#ifndef QUORVEL_CATALOG_FIELD_CODEC_H_
#define QUORVEL_CATALOG_FIELD_CODEC_H_

#include <array>
#include <cstdint>

#include "catalog/stream.h"

namespace quorvel {

// The largest value a field of `width` bytes holds (255, 65535 or 4294967295).
std::uint32_t FieldMax(int width);

// The `width` big-endian bytes of `value` in the first `width` entries. Throws CatalogError when
// `width` is not 1, 2 or 4 or `value` does not fit in it: nothing too wide is ever written.
std::array<std::uint8_t, 4> EncodeField(std::int64_t value, int width);

// The value of `width` big-endian bytes.
std::uint32_t DecodeField(const std::uint8_t* bytes, int width);

// Writes `value` as a `width`-byte field at `pos` from the start of `stream` (growing it as
// WriteAt does). Throws CatalogError, leaving the stream unchanged, when the value does not fit.
void WriteField(Bytes& stream, std::int64_t pos, std::int64_t value, int width);

// Reads the `width`-byte field at `pos`; bytes beyond the end of the stream read as zero.
std::uint32_t ReadField(const Bytes& stream, std::int64_t pos, int width);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_FIELD_CODEC_H_
