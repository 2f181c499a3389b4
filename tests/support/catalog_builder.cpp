#include "support/catalog_builder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "catalog/disk_record_writer.h"
#include "catalog/format.h"
#include "catalog/thumbnail_jpeg.h"

namespace quorvel::testkit {

Bytes BuildCatalog(const std::vector<DiskSpec>& disks) {
  Bytes stream(kMagic, kMagic + kMagicSize);
  stream.resize(kHeaderSize);
  for (const DiskSpec& disk : disks) {
    DiskRecordHead head = BeginDiskRecord(stream, disk.name);
    for (const ThumbSpec& thumb : disk.thumbs) {
      AppendThumbnailRecord(stream, head, thumb.name, ByteView(thumb.jpeg));
    }
    FinishDiskRecord(stream, head);
  }
  return stream;
}

Bytes GradientJpeg(std::uint32_t seed, const PictureFacts& facts) {
  Bytes pixels(kThumbSide * kThumbSide * 3);
  const int r0 = static_cast<int>(seed * 73 % 256), g0 = static_cast<int>(seed * 151 % 256),
            b0 = static_cast<int>(seed * 199 % 256);
  for (int y = 0; y < kThumbSide; ++y) {
    for (int x = 0; x < kThumbSide; ++x) {
      std::uint8_t* p = &pixels[(y * kThumbSide + x) * 3];
      p[0] = static_cast<std::uint8_t>((r0 + x * 2) % 256);
      p[1] = static_cast<std::uint8_t>((g0 + y * 2) % 256);
      p[2] = static_cast<std::uint8_t>((b0 + x + y) % 256);
    }
  }
  Bytes jpeg;
  AppendJpeg(jpeg, RgbView{pixels.data(), kThumbSide, kThumbSide, kThumbSide * 3},
             EncodeFactsSegments(facts));
  return jpeg;
}

Bytes PatchesJpeg(std::uint32_t seed, int lighter) {
  // A 6 x 6 grid of levels from a small linear congruential generator, blended between cells.
  constexpr int kCells = 6;
  std::uint32_t state = seed * 2654435761u + 1;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  int levels[kCells][kCells];
  for (auto& row : levels) {
    for (int& level : row) level = 30 + static_cast<int>(next() % 170);
  }
  Bytes pixels(kThumbSide * kThumbSide * 3);
  for (int y = 0; y < kThumbSide; ++y) {
    for (int x = 0; x < kThumbSide; ++x) {
      const double fx = x * (kCells - 1) / double(kThumbSide - 1);
      const double fy = y * (kCells - 1) / double(kThumbSide - 1);
      const int cx = std::min(static_cast<int>(fx), kCells - 2);
      const int cy = std::min(static_cast<int>(fy), kCells - 2);
      const double tx = fx - cx, ty = fy - cy;
      const double level = (levels[cy][cx] * (1 - tx) + levels[cy][cx + 1] * tx) * (1 - ty) +
                           (levels[cy + 1][cx] * (1 - tx) + levels[cy + 1][cx + 1] * tx) * ty;
      const int noise = lighter == 0 ? 0 : static_cast<int>(next() % 7) - 3;
      const int value = std::clamp(static_cast<int>(level) + lighter + noise, 0, 255);
      std::uint8_t* p = &pixels[(y * kThumbSide + x) * 3];
      p[0] = static_cast<std::uint8_t>(value);
      p[1] = static_cast<std::uint8_t>(std::clamp(value - 20, 0, 255));
      p[2] = static_cast<std::uint8_t>(std::clamp(value + 10, 0, 255));
    }
  }
  Bytes jpeg;
  AppendJpeg(jpeg, RgbView{pixels.data(), kThumbSide, kThumbSide, kThumbSide * 3});
  return jpeg;
}

PictureFacts ExampleFacts() {
  PictureFacts facts;
  facts.taken = ParseIsoDateTime("2019-07-12T14:03:27");
  facts.make = "Canon";
  facts.model = "Canon EOS 70D";
  facts.width = 5472;
  facts.height = 3648;
  facts.position = GeoPosition{-33.8568, -70.6483};
  facts.file_size = 7'654'321;
  facts.modified = 1'562'940'207;
  facts.duration_ms = 93'500;
  return facts;
}

std::vector<DiskSpec> DisksWithFacts() {
  PictureFacts nikon;
  nikon.make = "NIKON CORPORATION";
  nikon.model = "NIKON D750";
  return {{"old", {{"1", GradientJpeg(1)}, {"2", GradientJpeg(2)}}},
          {"new",
           {{"a", GradientJpeg(3, ExampleFacts())},
            {"b", GradientJpeg(4)},
            {"c", GradientJpeg(5, nikon)},
            {"d", GradientJpeg(6, ExampleFacts())},
            {"e", GradientJpeg(7)}}}};
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::File(const std::string& name, const Bytes& bytes) const {
  WriteFile(path_ / name, bytes);
  return path_ / name;
}

}  // namespace quorvel::testkit
