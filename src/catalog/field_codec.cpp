#include "catalog/field_codec.h"

#include <string>

#include "catalog/catalog_error.h"

namespace quorvel {
namespace {

void CheckWidth(int width) {
  if (width != 1 && width != 2 && width != 4) {
    throw CatalogError("Unsupported field width " + std::to_string(width));
  }
}

}  // namespace

std::uint32_t FieldMax(int width) {
  CheckWidth(width);
  return width == 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1;
}

std::array<std::uint8_t, 4> EncodeField(std::int64_t value, int width) {
  if (value < 0 || value > static_cast<std::int64_t>(FieldMax(width))) {
    throw CatalogError("Value " + std::to_string(value) + " does not fit in a " +
                       std::to_string(width) + "-byte field");
  }
  std::array<std::uint8_t, 4> bytes{};
  for (int i = 0; i < width; ++i) {
    bytes[i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
  }
  return bytes;
}

std::uint32_t DecodeField(const std::uint8_t* bytes, int width) {
  std::uint32_t value = 0;
  for (int i = 0; i < width; ++i) value = (value << 8) | bytes[i];
  return value;
}

void WriteField(Bytes& stream, std::int64_t pos, std::int64_t value, int width) {
  const std::array<std::uint8_t, 4> bytes = EncodeField(value, width);
  WriteAt(stream, Origin::kBeginning, pos, bytes.data(), static_cast<std::size_t>(width));
}

std::uint32_t ReadField(const Bytes& stream, std::int64_t pos, int width) {
  CheckWidth(width);
  std::uint8_t bytes[4];
  ReadAt(stream, Origin::kBeginning, pos, bytes, static_cast<std::size_t>(width));
  return DecodeField(bytes, width);
}

}  // namespace quorvel
