#include "support/dng_writer.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "catalog/thumbnail_jpeg.h"

namespace quorvel::testkit {
namespace {

enum Type : std::uint16_t {
  kByte = 1,
  kAscii = 2,
  kShort = 3,
  kLong = 4,
  kRational = 5,
  kSrational = 10
};

void Put16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value >> 8 & 0xFF));
}
void Put32(Bytes& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

struct Entry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  Bytes value;  // little-endian, count values of the type
};

Entry Shorts(std::uint16_t tag, std::vector<std::uint32_t> values) {
  Entry entry{tag, kShort, static_cast<std::uint32_t>(values.size()), {}};
  for (std::uint32_t v : values) Put16(entry.value, v);
  return entry;
}
Entry Long(std::uint16_t tag, std::uint32_t value) {
  Entry entry{tag, kLong, 1, {}};
  Put32(entry.value, value);
  return entry;
}
Entry Longs(std::uint16_t tag, std::size_t count) {
  return {tag, kLong, static_cast<std::uint32_t>(count), Bytes(count * 4, 0)};
}
Entry ByteValues(std::uint16_t tag, Bytes values) {
  return {tag, kByte, static_cast<std::uint32_t>(values.size()), std::move(values)};
}
Entry Text(std::uint16_t tag, const std::string& text) {
  Bytes value(text.begin(), text.end());
  value.push_back(0);
  return {tag, kAscii, static_cast<std::uint32_t>(value.size()), std::move(value)};
}
// Each value as a fraction over 10000.
Entry Rationals(std::uint16_t tag, std::uint16_t type, const std::vector<double>& values) {
  constexpr int kDenominator = 10000;
  Entry entry{tag, type, static_cast<std::uint32_t>(values.size()), {}};
  for (double v : values) {
    Put32(entry.value, static_cast<std::uint32_t>(std::lround(v * kDenominator)));
    Put32(entry.value, kDenominator);
  }
  return entry;
}

// An IFD, written with its entries sorted by tag and each value longer than 4 bytes after them.
struct Ifd {
  std::vector<Entry> entries;
  std::uint32_t offset = 0;
  std::size_t strip = 0;  // the image's strip, by index

  // Sets value `index` of the LONG entry `tag`, which the IFD holds.
  void SetLong(std::uint16_t tag, std::size_t index, std::uint32_t value) {
    const auto entry = std::find_if(entries.begin(), entries.end(),
                                    [tag](const Entry& e) { return e.tag == tag; });
    Bytes le;
    Put32(le, value);
    std::copy(le.begin(), le.end(), entry->value.begin() + static_cast<long>(index * 4));
  }
  std::uint32_t Size() const {
    std::uint32_t size = 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
    for (const Entry& entry : entries) {
      if (entry.value.size() > 4)
        size += static_cast<std::uint32_t>((entry.value.size() + 1) & ~1U);
    }
    return size;
  }
  void Write(Bytes& out) const {
    std::vector<Entry> sorted = entries;
    std::sort(sorted.begin(), sorted.end(),
              [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    std::uint32_t data = offset + 2 + 12 * static_cast<std::uint32_t>(sorted.size()) + 4;
    Put16(out, static_cast<std::uint32_t>(sorted.size()));
    for (const Entry& entry : sorted) {
      Put16(out, entry.tag);
      Put16(out, entry.type);
      Put32(out, entry.count);
      if (entry.value.size() <= 4) {
        Bytes inline_value = entry.value;
        inline_value.resize(4, 0);
        out.insert(out.end(), inline_value.begin(), inline_value.end());
      } else {
        Put32(out, data);
        data += static_cast<std::uint32_t>((entry.value.size() + 1) & ~1U);
      }
    }
    Put32(out, 0);
    for (const Entry& entry : sorted) {
      if (entry.value.size() <= 4) continue;
      out.insert(out.end(), entry.value.begin(), entry.value.end());
      if (entry.value.size() % 2 != 0) out.push_back(0);
    }
  }
};

// The entries of an image stored in one strip, its offset filled in later.
std::vector<Entry> StripEntries(int width, int height, std::uint32_t length) {
  return {Long(256, static_cast<std::uint32_t>(width)),
          Long(257, static_cast<std::uint32_t>(height)),
          Longs(273, 1),
          Long(278, static_cast<std::uint32_t>(height)),
          Long(279, length),
          Shorts(284, {1})};
}

// A JPEG (YCbCr) preview, or an uncompressed RGB one.
std::vector<Entry> PreviewEntries(int width, int height, std::uint32_t length, bool jpeg = true) {
  std::vector<Entry> entries = StripEntries(width, height, length);
  for (Entry entry : {Long(254, 1), Shorts(258, {8, 8, 8}), Shorts(259, {jpeg ? 7U : 1U}),
                      Shorts(262, {jpeg ? 6U : 2U}), Shorts(277, {3})}) {
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<Entry> RawEntries(int width, int height, std::uint32_t length) {
  std::vector<Entry> entries = StripEntries(width, height, length);
  for (Entry entry : {Long(254, 0), Shorts(258, {16}), Shorts(259, {1}), Shorts(262, {32803}),
                      Shorts(277, {1}), Shorts(33421, {2, 2}), ByteValues(33422, {0, 1, 1, 2}),
                      ByteValues(50710, {0, 1, 2}), Shorts(50711, {1}), Long(50717, 65535)}) {
    entries.push_back(std::move(entry));
  }
  return entries;
}

double LinearFromSrgb(std::uint8_t value) {
  const double v = value / 255.0;
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

// The RGGB mosaic: each photosite keeps its own colour of the picture, linear, 16 bits.
Bytes Mosaic(const RgbPicture& picture) {
  Bytes out;
  out.reserve(static_cast<std::size_t>(picture.width) * picture.height * 2);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const int channel = (y % 2) + (x % 2);  // R G / G B
      const std::uint8_t v = picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) * 3 +
                                            static_cast<std::size_t>(channel)];
      Put16(out, static_cast<std::uint32_t>(std::lround(LinearFromSrgb(v) * 65535)));
    }
  }
  return out;
}

Bytes Jpeg(const RgbPicture& picture) {
  Bytes jpeg;
  AppendJpeg(jpeg,
             RgbView{picture.pixels.data(), picture.width, picture.height, picture.width * 3});
  return jpeg;
}

// The mean of each 4 x 4 block.
RgbPicture Quarter(const RgbPicture& picture) {
  const auto sample = [&](int x, int y, int c) {
    return picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) * 3 +
                          static_cast<std::size_t>(c)];
  };
  RgbPicture small{picture.width / 4, picture.height / 4, {}};
  for (int y = 0; y < small.height; ++y) {
    for (int x = 0; x < small.width; ++x) {
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int k = 0; k < 16; ++k) sum += sample(x * 4 + k % 4, y * 4 + k / 4, c);
        small.pixels.push_back(static_cast<std::uint8_t>((sum + 8) / 16));
      }
    }
  }
  return small;
}

}  // namespace

std::vector<std::uint8_t> DngFile(const RgbPicture& picture, const DngOptions& options) {
  Bytes raw = Mosaic(picture);
  std::vector<Bytes> strips;  // in the order they are stored, after the IFDs
  std::vector<Ifd> ifds(1);   // IFD0, then the SubIFDs
  ifds.reserve(3);

  Ifd& ifd0 = ifds[0];
  ifd0.entries = {
      Text(271, options.make), Text(272, options.model), ByteValues(50706, {1, 4, 0, 0}),
      ByteValues(50707, {1, 1, 0, 0}), Text(50708, "Quorvel Test DNG"),
      // XYZ (D65) to linear sRGB: the camera sees linear sRGB.
      Rationals(50721, kSrational,
                {3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557, -0.2040, 1.0570}),
      Rationals(50728, kRational, {1, 1, 1}), Shorts(50778, {21})};
  if (options.orientation != 0) {
    ifd0.entries.push_back(Shorts(274, {static_cast<std::uint32_t>(options.orientation)}));
  }
  // The strip is taken by reference: its size is read in the same call.
  const auto add_image = [&](Ifd& ifd, std::vector<Entry> entries, Bytes&& strip) {
    for (Entry& entry : entries) ifd.entries.push_back(std::move(entry));
    ifd.strip = strips.size();
    strips.push_back(std::move(strip));
  };
  if (options.small_preview != SmallPreview::kNone) {
    RgbPicture small = Quarter(picture);
    const bool jpeg = options.small_preview == SmallPreview::kJpeg;
    Bytes strip = jpeg ? Jpeg(small) : std::move(small.pixels);
    add_image(
        ifd0,
        PreviewEntries(small.width, small.height, static_cast<std::uint32_t>(strip.size()), jpeg),
        std::move(strip));
  }
  if (options.preview) {
    Bytes jpeg = Jpeg(picture);
    ifds.emplace_back();
    add_image(
        ifds.back(),
        PreviewEntries(picture.width, picture.height, static_cast<std::uint32_t>(jpeg.size())),
        std::move(jpeg));
  }
  Ifd& raw_ifd = options.small_preview != SmallPreview::kNone ? ifds.emplace_back() : ifds[0];
  add_image(raw_ifd,
            RawEntries(picture.width, picture.height, static_cast<std::uint32_t>(raw.size())),
            std::move(raw));
  if (ifds.size() > 1) ifds[0].entries.push_back(Longs(330, ifds.size() - 1));

  // Lay out: the header, the IFDs, then the strips.
  std::uint32_t at = 8;
  for (Ifd& ifd : ifds) {
    ifd.offset = at;
    at += ifd.Size();
  }
  std::vector<std::uint32_t> strip_at;
  for (const Bytes& strip : strips) {
    strip_at.push_back(at);
    at += static_cast<std::uint32_t>((strip.size() + 1) & ~std::size_t{1});
  }
  for (std::size_t i = 0; i < ifds.size(); ++i) {
    ifds[i].SetLong(273, 0, strip_at[ifds[i].strip]);
    if (i > 0) ifds[0].SetLong(330, i - 1, ifds[i].offset);
  }

  Bytes out = {'I', 'I', 42, 0};
  Put32(out, 8);
  for (const Ifd& ifd : ifds) ifd.Write(out);
  for (const Bytes& strip : strips) {
    out.insert(out.end(), strip.begin(), strip.end());
    if (strip.size() % 2 != 0) out.push_back(0);
  }
  return out;
}

}  // namespace quorvel::testkit
