// Reading the IFDs of a TIFF block, the structure that EXIF data is made of: values in the
// block's byte order, each checked to lie wholly inside it, so that untrusted bytes (a camera
// file's EXIF, a thumbnail's facts) are never read past their end.
#ifndef QUORVEL_CATALOG_TIFF_BLOCK_H_
#define QUORVEL_CATALOG_TIFF_BLOCK_H_

#include <cstddef>
#include <cstdint>
#include <optional>

#include "catalog/stream.h"

namespace quorvel {

// TIFF field types.
inline constexpr std::uint16_t kTiffByte = 1;
inline constexpr std::uint16_t kTiffAscii = 2;
inline constexpr std::uint16_t kTiffShort = 3;
inline constexpr std::uint16_t kTiffLong = 4;
inline constexpr std::uint16_t kTiffRational = 5;
inline constexpr std::uint16_t kTiffSRational = 10;
inline constexpr std::uint16_t kTiffIfd = 13;

inline constexpr std::size_t kTiffHeaderSize = 8;  // byte order, 42, first IFD's offset
inline constexpr std::size_t kTiffEntrySize = 12;  // tag, type, count, value or its offset

class TiffBlock {
 public:
  explicit TiffBlock(ByteView bytes) : bytes_(bytes) {}

  // Reads "II" or "MM" and the 42 after it; false when the block does not begin so.
  bool ReadByteOrder() {
    if (bytes_.size() < kTiffHeaderSize) return false;
    if (bytes_[0] == 'I' && bytes_[1] == 'I') {
      little_endian_ = true;
    } else if (bytes_[0] == 'M' && bytes_[1] == 'M') {
      little_endian_ = false;
    } else {
      return false;
    }
    return U16(2) == 42u;
  }

  bool Holds(std::uint64_t at, std::uint64_t size) const {
    return at <= bytes_.size() && size <= bytes_.size() - at;
  }

  std::optional<std::uint32_t> U16(std::uint64_t at) const {
    if (!Holds(at, 2)) return std::nullopt;
    const std::uint32_t a = bytes_[at], b = bytes_[at + 1];
    return little_endian_ ? a | b << 8 : a << 8 | b;
  }

  std::optional<std::uint32_t> U32(std::uint64_t at) const {
    const auto low = U16(little_endian_ ? at : at + 2);
    const auto high = U16(little_endian_ ? at + 2 : at);
    if (!low || !high) return std::nullopt;
    return *low | *high << 16;
  }

  // The `size` bytes at `at`; empty when they do not lie wholly inside the block.
  ByteView Span(std::uint64_t at, std::uint64_t size) const {
    return Holds(at, size) ? bytes_.subspan(at, size) : ByteView{};
  }

 private:
  ByteView bytes_;
  bool little_endian_ = true;
};

// One IFD entry, with where its value lies once checked to lie wholly inside the block.
struct TiffEntry {
  std::uint32_t tag, type, count;
  std::uint64_t value_at;  // 0: the value does not fit the block
};

// The bytes of one value of each TIFF type, 1 (BYTE) to 13 (IFD); 0 for types unknown.
inline std::uint64_t TiffTypeSize(std::uint32_t type) {
  static constexpr std::uint8_t kSizes[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  return type < 14 ? kSizes[type] : 0;
}

// Calls `visit(entry)` for each entry of the IFD at `offset` that lies inside the block, in
// order, up to the first that does not (a count that claims more than the block holds still
// gives the entries there are), and returns the offset of the next IFD: 0 when there is none or
// the table does not lie whole inside the block.
template <typename Visit>
std::uint32_t WalkIfd(const TiffBlock& tiff, std::uint64_t offset, Visit visit) {
  const auto entries = tiff.U16(offset);
  if (!entries) return 0;
  for (std::uint32_t i = 0; i < *entries; ++i) {
    const std::uint64_t at = offset + 2 + kTiffEntrySize * i;
    if (!tiff.Holds(at, kTiffEntrySize)) return 0;
    TiffEntry entry{*tiff.U16(at), *tiff.U16(at + 2), *tiff.U32(at + 4), 0};
    const std::uint64_t size = TiffTypeSize(entry.type) * entry.count;
    const std::uint64_t value_at = size <= 4 ? at + 8 : *tiff.U32(at + 8);
    if (size > 0 && tiff.Holds(value_at, size)) entry.value_at = value_at;
    visit(entry);
  }
  return tiff.U32(offset + 2 + kTiffEntrySize * *entries).value_or(0);
}

// The first value of a SHORT, LONG or IFD entry; nullopt for other types or a value outside.
inline std::optional<std::uint32_t> TiffNumber(const TiffBlock& tiff, const TiffEntry& entry) {
  if (entry.value_at == 0) return std::nullopt;
  if (entry.type == kTiffShort) return tiff.U16(entry.value_at);
  if (entry.type == kTiffLong || entry.type == kTiffIfd) return tiff.U32(entry.value_at);
  return std::nullopt;
}

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_TIFF_BLOCK_H_
