#include "scan/test_pictures.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace quorvel::testkit {
namespace {

// A well-mixed hash of a pixel position, for noise that is the same on every run.
std::uint32_t Hash(std::uint32_t x, std::uint32_t y) {
  std::uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

void AppendLe16(QByteArray& out, int value) {
  out.append(static_cast<char>(value & 0xFF));
  out.append(static_cast<char>((value >> 8) & 0xFF));
}

// Packs GIF's LZW codes, least significant bit first, into 255-byte data sub-blocks.
class CodeWriter {
 public:
  explicit CodeWriter(QByteArray& out) : out_(out) {}
  void Put(int code, int width) {
    bits_ |= static_cast<std::uint32_t>(code) << count_;
    count_ += width;
    while (count_ >= 8) {
      Byte(static_cast<char>(bits_ & 0xFF));
      bits_ >>= 8;
      count_ -= 8;
    }
  }
  void Finish() {
    if (count_ > 0) Byte(static_cast<char>(bits_ & 0xFF));
    if (!block_.isEmpty()) Flush();
    out_.append('\0');
  }

 private:
  void Byte(char byte) {
    block_.append(byte);
    if (block_.size() == 255) Flush();
  }
  void Flush() {
    out_.append(static_cast<char>(block_.size()));
    out_.append(block_);
    block_.clear();
  }
  QByteArray& out_;
  QByteArray block_;
  std::uint32_t bits_ = 0;
  int count_ = 0;
};

}  // namespace

bool WriteJpegByRows(const QString& path, int width, int height, int quality,
                     const RowPainter& paint) {
  std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
  if (file == nullptr) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);  // a failure ends the test program with libjpeg's message
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    paint(static_cast<int>(cinfo.next_scanline), row.data());
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}

bool WriteCmykJpeg(const QString& path, int width, int height, const std::uint8_t stored[4]) {
  std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
  if (file == nullptr) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
  for (int x = 0; x < width; ++x)
    std::copy(stored, stored + 4, &row[static_cast<std::size_t>(x) * 4]);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}

QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation, bool little_endian) {
  QByteArray tiff;
  auto u16 = [&](int value) {
    const char high = static_cast<char>((value >> 8) & 0xFF);
    const char low = static_cast<char>(value & 0xFF);
    tiff.append(little_endian ? low : high);
    tiff.append(little_endian ? high : low);
  };
  auto u32 = [&](std::uint32_t value) {
    if (little_endian) {
      u16(static_cast<int>(value & 0xFFFF));
      u16(static_cast<int>(value >> 16));
    } else {
      u16(static_cast<int>(value >> 16));
      u16(static_cast<int>(value & 0xFFFF));
    }
  };
  tiff.append(little_endian ? "II" : "MM");
  u16(42);
  u32(8);       // IFD0 right after the header
  u16(1);       // one entry
  u16(0x0112);  // Orientation
  u16(3);       // SHORT
  u32(1);
  u16(orientation);
  u16(0);
  u32(0);  // no further IFD
  QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
  QByteArray segment("\xFF\xE1", 2);
  const int length = static_cast<int>(payload.size()) + 2;
  segment.append(static_cast<char>(length >> 8));
  segment.append(static_cast<char>(length & 0xFF));
  segment.append(payload);
  return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray EncodeGif(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  QList<QRgb> palette;
  QHash<QRgb, int> index_of;
  std::vector<int> indices;
  indices.reserve(static_cast<std::size_t>(image.width()) * image.height());
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb colour = line[x] | 0xFF000000u;
      auto found = index_of.constFind(colour);
      if (found != index_of.constEnd()) {
        indices.push_back(*found);
      } else if (palette.size() < 256) {
        index_of.insert(colour, static_cast<int>(palette.size()));
        indices.push_back(static_cast<int>(palette.size()));
        palette.append(colour);
      } else {
        indices.push_back(0);
      }
    }
  }
  QByteArray out("GIF89a");
  AppendLe16(out, image.width());
  AppendLe16(out, image.height());
  out.append(static_cast<char>(0xF7));  // a global table of 256 colours
  out.append('\0');
  out.append('\0');
  for (int i = 0; i < 256; ++i) {
    const QRgb colour = i < palette.size() ? palette[i] : 0;
    out.append(static_cast<char>(qRed(colour)));
    out.append(static_cast<char>(qGreen(colour)));
    out.append(static_cast<char>(qBlue(colour)));
  }
  out.append(',');
  AppendLe16(out, 0);
  AppendLe16(out, 0);
  AppendLe16(out, image.width());
  AppendLe16(out, image.height());
  out.append('\0');
  // Literal codes only, with a clear code before the table would outgrow 9-bit codes: valid LZW
  // that needs no dictionary on this side.
  constexpr int kMinCodeSize = 8;
  constexpr int kClear = 256;
  constexpr int kEnd = 257;
  constexpr int kWidth = 9;
  constexpr int kLiteralsPerClear = 250;
  out.append(static_cast<char>(kMinCodeSize));
  CodeWriter codes(out);
  codes.Put(kClear, kWidth);
  int since_clear = 0;
  for (int index : indices) {
    if (since_clear == kLiteralsPerClear) {
      codes.Put(kClear, kWidth);
      since_clear = 0;
    }
    codes.Put(index, kWidth);
    ++since_clear;
  }
  codes.Put(kEnd, kWidth);
  codes.Finish();
  out.append(';');
  return out;
}

QByteArray EncodeWithQt(const QImage& image, const char* format, int quality) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, format, quality)) return {};
  return bytes;
}

QByteArray WithPngChunk(const QByteArray& png, const char* type, const QByteArray& data) {
  constexpr qsizetype kAfterHeader = 8 + 4 + 4 + 13 + 4;  // signature, then IHDR's chunk
  QByteArray chunk = QByteArray(type, 4) + data;
  std::uint32_t crc = 0xFFFFFFFF;
  for (const char c : chunk) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  crc = ~crc;
  auto big_endian = [](std::uint32_t v) {
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
  };
  chunk = big_endian(static_cast<std::uint32_t>(data.size())) + chunk + big_endian(crc);
  return png.left(kAfterHeader) + chunk + png.mid(kAfterHeader);
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

PhotoLikePicture::PhotoLikePicture(int width, int height)
    : width_(width),
      column_waves_(static_cast<std::size_t>(width) * 4),
      row_waves_(static_cast<std::size_t>(height) * 4) {
  // Waves of several lengths, from the whole picture down to a few pixels (texture).
  for (int x = 0; x < width; ++x) {
    const double u = static_cast<double>(x) / width;
    float* w = &column_waves_[static_cast<std::size_t>(x) * 4];
    w[0] = static_cast<float>(std::sin(u * 3.1 + 0.4));
    w[1] = static_cast<float>(std::cos(u * 17.0));
    w[2] = static_cast<float>(std::sin(u * 61.0 + 1.0));
    w[3] = static_cast<float>(std::sin(x * 0.9));
  }
  for (int y = 0; y < height; ++y) {
    const double v = static_cast<double>(y) / height;
    float* w = &row_waves_[static_cast<std::size_t>(y) * 4];
    w[0] = static_cast<float>(std::cos(v * 2.3));
    w[1] = static_cast<float>(std::sin(v * 13.0 + 0.7));
    w[2] = static_cast<float>(std::cos(v * 47.0));
    w[3] = static_cast<float>(std::cos(y * 1.3));
  }
}

void PhotoLikePicture::PaintRow(int y, std::uint8_t* rgb) const {
  const float* row = &row_waves_[static_cast<std::size_t>(y) * 4];
  for (int x = 0; x < width_; ++x) {
    const float* column = &column_waves_[static_cast<std::size_t>(x) * 4];
    const float sky = 70.0f * column[0] * row[0];
    const float shapes = 35.0f * column[1] * row[1];
    const float detail = 18.0f * column[2] * row[2];
    const float texture = 8.0f * column[3] * row[3];
    const std::uint32_t noise = Hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
    const float n[3] = {static_cast<float>(noise & 0xFF) / 255.0f - 0.5f,
                        static_cast<float>((noise >> 8) & 0xFF) / 255.0f - 0.5f,
                        static_cast<float>((noise >> 16) & 0xFF) / 255.0f - 0.5f};
    const float base[3] = {120.0f + sky + shapes, 110.0f + sky - shapes * 0.5f + detail,
                           100.0f - sky * 0.6f + detail - shapes * 0.3f};
    for (int c = 0; c < 3; ++c) {
      const float value = base[c] + texture + 24.0f * n[c];
      rgb[x * 3 + c] = static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f);
    }
  }
}

RowPainter PhotoLikePicture::Painter() const {
  return [this](int y, std::uint8_t* rgb) { PaintRow(y, rgb); };
}

QImage BlockAverage(const QImage& source, int factor) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  const int width = image.width() / factor;
  const int height = image.height() / factor;
  QImage out(width, height, QImage::Format_RGB32);
  std::vector<double> sums(static_cast<std::size_t>(width) * 3);
  for (int oy = 0; oy < height; ++oy) {
    std::fill(sums.begin(), sums.end(), 0.0);
    for (int y = oy * factor; y < (oy + 1) * factor; ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < width * factor; ++x) {
        double* sum = &sums[static_cast<std::size_t>(x / factor) * 3];
        sum[0] += qRed(line[x]);
        sum[1] += qGreen(line[x]);
        sum[2] += qBlue(line[x]);
      }
    }
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(oy));
    const double area = static_cast<double>(factor) * factor;
    for (int ox = 0; ox < width; ++ox) {
      const double* sum = &sums[static_cast<std::size_t>(ox) * 3];
      line[ox] = qRgb(static_cast<int>(std::lround(sum[0] / area)),
                      static_cast<int>(std::lround(sum[1] / area)),
                      static_cast<int>(std::lround(sum[2] / area)));
    }
  }
  return out;
}

namespace {

// For each output index, the input indices it covers with their weights (summing to 1).
std::vector<std::vector<std::pair<int, double>>> Coverage(int in, int out) {
  std::vector<std::vector<std::pair<int, double>>> coverage(static_cast<std::size_t>(out));
  const double step = static_cast<double>(in) / out;
  for (int o = 0; o < out; ++o) {
    const double low = o * step;
    const double high = (o + 1) * step;
    for (int i = static_cast<int>(low); i < in && i < high; ++i) {
      const double part = std::min<double>(i + 1, high) - std::max<double>(i, low);
      if (part > 0) coverage[static_cast<std::size_t>(o)].push_back({i, part / step});
    }
  }
  return coverage;
}

}  // namespace

QImage AreaAverage(const QImage& source, QSize size) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  const auto columns = Coverage(image.width(), size.width());
  const auto rows = Coverage(image.height(), size.height());
  // Across first: one row of sums per input row.
  std::vector<double> across(static_cast<std::size_t>(image.height()) * size.width() * 3);
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    double* out = &across[static_cast<std::size_t>(y) * size.width() * 3];
    for (int ox = 0; ox < size.width(); ++ox, out += 3) {
      for (const auto& [x, weight] : columns[static_cast<std::size_t>(ox)]) {
        out[0] += qRed(line[x]) * weight;
        out[1] += qGreen(line[x]) * weight;
        out[2] += qBlue(line[x]) * weight;
      }
    }
  }
  QImage result(size, QImage::Format_RGB32);
  for (int oy = 0; oy < size.height(); ++oy) {
    auto* line = reinterpret_cast<QRgb*>(result.scanLine(oy));
    for (int ox = 0; ox < size.width(); ++ox) {
      double sum[3] = {0, 0, 0};
      for (const auto& [y, weight] : rows[static_cast<std::size_t>(oy)]) {
        const double* in = &across[(static_cast<std::size_t>(y) * size.width() + ox) * 3];
        for (int c = 0; c < 3; ++c) sum[c] += in[c] * weight;
      }
      line[ox] = qRgb(static_cast<int>(std::lround(sum[0])), static_cast<int>(std::lround(sum[1])),
                      static_cast<int>(std::lround(sum[2])));
    }
  }
  return result;
}

double Psnr(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_RGB32);
  const QImage y = b.convertToFormat(QImage::Format_RGB32);
  if (x.size() != y.size() || x.isNull()) return 0.0;
  double squared = 0.0;
  for (int row = 0; row < x.height(); ++row) {
    const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
    const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
    for (int col = 0; col < x.width(); ++col) {
      const int dr = qRed(p[col]) - qRed(q[col]);
      const int dg = qGreen(p[col]) - qGreen(q[col]);
      const int db = qBlue(p[col]) - qBlue(q[col]);
      squared += dr * dr + dg * dg + db * db;
    }
  }
  const double mse = squared / (3.0 * x.width() * x.height());
  if (mse == 0.0) return std::numeric_limits<double>::infinity();
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace quorvel::testkit
