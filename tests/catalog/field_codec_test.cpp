#include "catalog/field_codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "catalog/catalog_error.h"
#include "catalog/hexstr.h"

namespace quorvel {
namespace {

TEST(HexStrTest, ConvertsTheFormatsExamples) {
  EXPECT_EQ(BytesToHex(Bytes{0x00, 0x0B, 0xCF}), "000BCF");
  EXPECT_EQ(HexToBytes("0BCF"), (Bytes{0x0B, 0xCF}));
  EXPECT_EQ(HexToBytes("ABC"), (Bytes{0xAB}));  // trailing odd digit ignored
  EXPECT_EQ(HexToBytes("abcdEF"), (Bytes{0xAB, 0xCD, 0xEF}));
  EXPECT_EQ(HexToBytes(""), Bytes{});
  EXPECT_EQ(BytesToHex(Bytes{}), "");
  EXPECT_EQ(BytesToHex(Bytes{0xFF, 0x10, 0x09}), "FF1009");
}

TEST(HexStrTest, RefusesNonHexCharacters) {
  EXPECT_THROW(HexToBytes("0G"), CatalogError);
  EXPECT_THROW(HexToBytes("12 4"), CatalogError);
  EXPECT_THROW(HexToBytes("$1"), CatalogError);
  // A bad character in the ignored odd position is never looked at.
  EXPECT_EQ(HexToBytes("12Z"), (Bytes{0x12}));
}

// The reference route: the value as upper-case hex of at least 2w digits through HexToBytes,
// the first w bytes; and back through BytesToHex read as a hex integer.
Bytes HexRoute(std::uint32_t value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", 2 * width, value);
  Bytes bytes = HexToBytes(text);
  bytes.resize(static_cast<std::size_t>(width));
  return bytes;
}

std::uint32_t HexRead(const Bytes& field) {
  return static_cast<std::uint32_t>(std::stoul(BytesToHex(field), nullptr, 16));
}

void ExpectSameAsHexRoute(std::uint32_t value, int width) {
  const auto encoded = EncodeField(value, width);
  const Bytes fast(encoded.begin(), encoded.begin() + width);
  ASSERT_EQ(fast, HexRoute(value, width)) << value << " in " << width << " bytes";
  ASSERT_EQ(DecodeField(fast.data(), width), HexRead(fast));
  ASSERT_EQ(DecodeField(fast.data(), width), value);
}

TEST(FieldCodecTest, OneAndTwoByteFieldsMatchTheHexRouteForEveryValue) {
  for (std::uint32_t v = 0; v <= 0xFF; ++v) ExpectSameAsHexRoute(v, 1);
  for (std::uint32_t v = 0; v <= 0xFFFF; ++v) ExpectSameAsHexRoute(v, 2);
}

TEST(FieldCodecTest, FourByteFieldsMatchTheHexRoute) {
  for (std::uint64_t v = 0; v <= 0xFFFFFFFFull; v = v * 3 + 7) {
    ExpectSameAsHexRoute(static_cast<std::uint32_t>(v), 4);
  }
  for (std::uint32_t v : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 3023u, 0x01020304u}) {
    ExpectSameAsHexRoute(v, 4);
  }
}

TEST(FieldCodecTest, RefusesValuesTooWideForTheirField) {
  EXPECT_THROW(EncodeField(256, 1), CatalogError);
  EXPECT_THROW(EncodeField(65536, 2), CatalogError);
  EXPECT_THROW(EncodeField(0x100000000ll, 4), CatalogError);
  EXPECT_THROW(EncodeField(-1, 2), CatalogError);
  EXPECT_THROW(EncodeField(1, 3), CatalogError);

  Bytes stream{1, 2, 3, 4};
  EXPECT_THROW(WriteField(stream, 1, 70000, 2), CatalogError);
  EXPECT_EQ(stream, (Bytes{1, 2, 3, 4})) << "a refused value must leave the stream as it was";
}

TEST(FieldCodecTest, WritesAndReadsInPlaceWithZerosPastTheEnd) {
  Bytes stream{0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
  WriteField(stream, 1, 0x0BCF, 2);
  EXPECT_EQ(stream, (Bytes{0xAA, 0x0B, 0xCF, 0xAA, 0xAA}));
  WriteField(stream, 3, 3023, 4);  // runs past the end: grows
  EXPECT_EQ(stream, (Bytes{0xAA, 0x0B, 0xCF, 0x00, 0x00, 0x0B, 0xCF}));
  EXPECT_EQ(ReadField(stream, 3, 4), 3023u);
  EXPECT_EQ(ReadField(stream, 5, 4), 0x0BCF0000u) << "missing low bytes read as zero";
  EXPECT_EQ(ReadField(stream, 100, 2), 0u);
}

}  // namespace
}  // namespace quorvel
