#include "catalog/thumbnail_jpeg.h"

#include <gtest/gtest.h>

#include <cmath>

#include "catalog/catalog_error.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

// The offset of marker FF xx in a JPEG, or -1.
long FindMarker(const Bytes& jpeg, std::uint8_t marker) {
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) return static_cast<long>(i);
  }
  return -1;
}

Bytes Picture(int w, int h) {
  Bytes pixels(static_cast<std::size_t>(w * h * 3));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &pixels[static_cast<std::size_t>((y * w + x) * 3)];
      p[0] = static_cast<std::uint8_t>(x * 255 / w);
      p[1] = static_cast<std::uint8_t>(y * 255 / h);
      p[2] = static_cast<std::uint8_t>(128 + 100 * std::sin((x + 2 * y) / 9.0));
    }
  }
  return pixels;
}

TEST(ThumbnailJpegTest, EncodesBaselineColourAtQuality90AndDecodesFaithfully) {
  const Bytes pixels = Picture(100, 100);
  Bytes stream = {1, 2, 3};
  const std::int64_t written = AppendJpeg(stream, RgbView{pixels.data(), 100, 100, 300});
  ASSERT_EQ(static_cast<std::int64_t>(stream.size()), 3 + written);
  EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 3), (Bytes{1, 2, 3}));
  const Bytes jpeg(stream.begin() + 3, stream.end());
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
  EXPECT_EQ(jpeg.back(), 0xD9);
  const long sof = FindMarker(jpeg, 0xC0);  // baseline DCT frame
  ASSERT_GE(sof, 0);
  EXPECT_LT(FindMarker(jpeg, 0xC2), 0) << "not progressive";
  EXPECT_EQ(jpeg[static_cast<std::size_t>(sof) + 9], 3) << "three colour components";
  // Quality 90 scales the standard luminance table's first entry 16 to 3.
  const long dqt = FindMarker(jpeg, 0xDB);
  ASSERT_GE(dqt, 0);
  EXPECT_EQ(jpeg[static_cast<std::size_t>(dqt) + 5], 3);

  RgbImage decoded;
  ASSERT_TRUE(DecodeJpeg(ByteView(jpeg), decoded));
  ASSERT_EQ(decoded.width, 100);
  ASSERT_EQ(decoded.height, 100);
  double squared = 0;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const double d = double(pixels[i]) - double(decoded.pixels[i]);
    squared += d * d;
  }
  const double psnr = 10 * std::log10(255.0 * 255.0 / (squared / double(pixels.size())));
  EXPECT_GT(psnr, 30.0);
}

TEST(ThumbnailJpegTest, HonoursTheRowStride) {
  const Bytes tight = Picture(10, 10);
  Bytes padded(10 * 32, 0xEE);
  for (int y = 0; y < 10; ++y) std::copy_n(&tight[y * 30], 30, &padded[y * 32]);
  Bytes a, b;
  AppendJpeg(a, RgbView{tight.data(), 10, 10, 30});
  AppendJpeg(b, RgbView{padded.data(), 10, 10, 32});
  EXPECT_EQ(a, b);
  EXPECT_THROW(AppendJpeg(a, RgbView{tight.data(), 10, 10, 20}), CatalogError);
  EXPECT_THROW(AppendJpeg(a, RgbView{tight.data(), 0, 10, 30}), CatalogError);
}

TEST(ThumbnailJpegTest, OneEncoderServesManyPicturesAndOutlivesAFailure) {
  Bytes one(100 * 100 * 3), two(100 * 100 * 3);
  for (std::size_t i = 0; i < one.size(); ++i) {
    one[i] = static_cast<std::uint8_t>(i * 7);
    two[i] = static_cast<std::uint8_t>(255 - i % 251);
  }
  Bytes fresh_one, fresh_two;
  AppendJpeg(fresh_one, RgbView{one.data(), 100, 100, 300});
  AppendJpeg(fresh_two, RgbView{two.data(), 100, 100, 300});

  JpegEncoder encoder;
  Bytes reused{'x'};
  encoder.Append(reused, RgbView{one.data(), 100, 100, 300});
  // Wider than libjpeg allows: it fails inside the compressor, which must then be reusable.
  const Bytes before = reused;
  const Bytes wide(70000 * 3);
  EXPECT_THROW(encoder.Append(reused, RgbView{wide.data(), 70000, 1, 70000 * 3}), CatalogError);
  EXPECT_EQ(reused, before) << "a failed encoding leaves nothing behind";
  encoder.Append(reused, RgbView{two.data(), 100, 100, 300});

  Bytes expected{'x'};
  expected.insert(expected.end(), fresh_one.begin(), fresh_one.end());
  expected.insert(expected.end(), fresh_two.begin(), fresh_two.end());
  EXPECT_EQ(reused, expected) << "each picture encodes as it would with an encoder of its own";
}

TEST(ThumbnailJpegTest, RefusesDataThatIsNotAWholeJpeg) {
  const Bytes jpeg = testkit::GradientJpeg(7);
  RgbImage out;
  std::string error;
  EXPECT_FALSE(DecodeJpeg(ByteView(jpeg).first(jpeg.size() / 2), out, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(out.width, 0);
  EXPECT_TRUE(out.pixels.empty());
  EXPECT_FALSE(DecodeJpeg(ByteView(), out, &error));
  const Bytes garbage(500, 0x5A);
  EXPECT_FALSE(DecodeJpeg(ByteView(garbage), out, &error));
  EXPECT_TRUE(DecodeJpeg(ByteView(jpeg), out)) << "and the whole one still decodes after";

  // A header claiming a picture far larger than any thumbnail is refused before decoding.
  const Bytes wide_pixels = Picture(500, 8);
  Bytes wide;
  AppendJpeg(wide, RgbView{wide_pixels.data(), 500, 8, 1500});
  EXPECT_FALSE(DecodeJpeg(ByteView(wide), out, &error));
  EXPECT_NE(error.find("too large"), std::string::npos);
  const Bytes odd_pixels = Picture(120, 90);
  Bytes odd;
  AppendJpeg(odd, RgbView{odd_pixels.data(), 120, 90, 360});
  ASSERT_TRUE(DecodeJpeg(ByteView(odd), out)) << "a thumbnail of another size still decodes";
  EXPECT_EQ(out.width, 120);
  EXPECT_EQ(out.height, 90);
}

}  // namespace
}  // namespace quorvel
