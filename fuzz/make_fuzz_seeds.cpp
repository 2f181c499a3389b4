// make_fuzz_seeds CATALOG_DIR [JPEG_DIR [EXIF_DIR [RAW_DIR [FACTS_DIR]]]]: writes the seed
// corpora (folders created if missing): small catalogues, well-formed and not, made through the
// program's own writer, for fuzz_catalog; thumbnails for fuzz_jpeg; camera-like JPEGs with EXIF
// blocks for fuzz_exif; small DNGs for fuzz_raw; thumbnails with facts and camera EXIF blocks
// for fuzz_facts.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalog/cp1251.h"
#include "catalog/disk_record_writer.h"
#include "catalog/format.h"
#include "catalog/picture_facts.h"
#include "catalog/stream.h"
#include "catalog/thumbnail_jpeg.h"
#include "support/dng_writer.h"
#include "support/exif_segment.h"

namespace {

using quorvel::Bytes;

struct Thumb {
  std::string name;
  Bytes jpeg;
};

struct Disk {
  std::string name;
  std::vector<Thumb> thumbs;
};

// A JPEG stand-in: FF D8, `fill` bytes, FF D9. The index never looks inside it.
Bytes StandIn(std::size_t fill) {
  Bytes jpeg(fill + 4, 0x11);
  jpeg[0] = 0xFF, jpeg[1] = 0xD8, jpeg[fill + 2] = 0xFF, jpeg[fill + 3] = 0xD9;
  return jpeg;
}

// A real thumbnail as the encoder writes it (8 x 8 keeps the catalogue seeds small).
Bytes RealJpeg(int side = 8) {
  Bytes pixels(static_cast<std::size_t>(side * side * 3));
  for (std::size_t k = 0; k < pixels.size(); ++k) pixels[k] = static_cast<std::uint8_t>(k * 7);
  Bytes jpeg;
  quorvel::AppendJpeg(jpeg, quorvel::RgbView{pixels.data(), side, side, side * 3});
  return jpeg;
}

// A real thumbnail carrying `facts`.
Bytes WithFacts(const quorvel::PictureFacts& facts) {
  const Bytes pixels(8 * 8 * 3, 0x80);
  Bytes jpeg;
  quorvel::AppendJpeg(jpeg, quorvel::RgbView{pixels.data(), 8, 8, 24},
                      quorvel::EncodeFactsSegments(facts));
  return jpeg;
}

// A small picture for the DNG seeds: gradients, its left quarter bluer, so that a turn shows.
quorvel::testkit::RgbPicture Gradient(int width, int height) {
  quorvel::testkit::RgbPicture picture{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      picture.pixels.push_back(static_cast<std::uint8_t>(x * 255 / width));
      picture.pixels.push_back(static_cast<std::uint8_t>(y * 255 / height));
      picture.pixels.push_back(x < width / 4 ? 255 : 64);
    }
  }
  return picture;
}

Bytes Header() {
  Bytes stream(quorvel::kMagic, quorvel::kMagic + quorvel::kMagicSize);
  stream.resize(quorvel::kHeaderSize);
  return stream;
}

Bytes Catalog(const std::vector<Disk>& disks) {
  Bytes stream = Header();
  for (const Disk& disk : disks) {
    quorvel::DiskRecordHead head = quorvel::BeginDiskRecord(stream, disk.name);
    for (const Thumb& thumb : disk.thumbs) {
      quorvel::AppendThumbnailRecord(stream, head, thumb.name, quorvel::ByteView(thumb.jpeg));
    }
    quorvel::FinishDiskRecord(stream, head);
  }
  return stream;
}

Bytes Cut(Bytes stream, std::size_t size) {
  stream.resize(size);
  return stream;
}

// A camera-like JPEG: a small picture after an EXIF block holding a smaller one.
Bytes CameraJpeg(int orientation, bool little_endian) {
  quorvel::testkit::ExifFields fields;
  fields.orientation = orientation;
  fields.little_endian = little_endian;
  fields.thumbnail = RealJpeg(16);
  return quorvel::testkit::WithSegmentsAfterSoi(RealJpeg(32),
                                                quorvel::testkit::ExifSegment(fields));
}

bool WriteSeeds(const std::filesystem::path& dir,
                const std::vector<std::pair<std::string, Bytes>>& seeds, const char* extension) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  for (const auto& [name, bytes] : seeds) {
    const std::filesystem::path path = dir / (name + extension);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return false;
    }
  }
  std::printf("wrote %zu seeds to %s\n", seeds.size(), dir.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 6) {
    std::fprintf(
        stderr, "usage: make_fuzz_seeds CATALOG_DIR [JPEG_DIR [EXIF_DIR [RAW_DIR [FACTS_DIR]]]]\n");
    return 2;
  }
  const Bytes one_disk = Catalog({{"CD1", {{"C:\\a.jpg", StandIn(12)}}}});
  const std::string zero_name("CD\0X", 4);
  const std::string zero_path("C:\\\0b.jpg", 8);
  const std::vector<std::pair<std::string, Bytes>> seeds = {
      {"empty", {}},
      {"half_magic", {'C', 't'}},
      {"magic_only", {'C', 't', 'l', 'g'}},
      {"header_only", Header()},
      {"one_disk", one_disk},
      {"disk_without_thumbnails", Catalog({{"Empty", {}}})},
      {"three_disks", Catalog({{"B", {{"B:\\1.jpg", StandIn(4)}}},
                               {"A", {}},
                               {"C", {{"C:\\1.jpg", StandIn(0)}, {"C:\\2.jpg", StandIn(8)}}}})},
      {"cyrillic_names", Catalog({{quorvel::Utf8ToCp1251("Диск 1"),
                                   {{quorvel::Utf8ToCp1251("D:\\Фото\\лето.jpg"), StandIn(6)}}}})},
      {"zero_byte_in_names", Catalog({{zero_name, {{zero_path, StandIn(2)}}}})},
      {"not_a_jpeg", Catalog({{"CD1", {{"C:\\a.jpg", Bytes{1, 2, 3, 4, 5}}}}})},
      {"real_jpeg", Catalog({{"CD1", {{"C:\\a.jpg", RealJpeg()}}}})},
      {"truncated_in_jpeg", Cut(one_disk, one_disk.size() - 5)},
      {"truncated_in_disk_head", Cut(one_disk, 10)},
  };
  if (!WriteSeeds(argv[1], seeds, ".qrv")) return 1;
  if (argc >= 3) {
    const Bytes thumb = RealJpeg(100);
    const std::vector<std::pair<std::string, Bytes>> jpegs = {
        {"thumbnail", thumb}, {"small", RealJpeg()}, {"cut", Cut(thumb, thumb.size() / 2)}};
    if (!WriteSeeds(argv[2], jpegs, ".jpg")) return 1;
  }
  if (argc >= 4) {
    const Bytes camera = CameraJpeg(6, true);
    const std::vector<std::pair<std::string, Bytes>> heads = {
        {"camera_le", camera},
        {"camera_be", CameraJpeg(0, false)},
        {"no_thumbnail",
         quorvel::testkit::WithSegmentsAfterSoi(RealJpeg(), quorvel::testkit::ExifSegment({}))},
        {"after_padding",
         quorvel::testkit::WithSegmentsAfterSoi(camera, quorvel::testkit::PaddingSegments(300))},
        {"cut_in_exif", Cut(camera, camera.size() / 4)}};
    if (!WriteSeeds(argv[3], heads, ".jpg")) return 1;
  }
  if (argc >= 5) {
    using quorvel::testkit::DngFile;
    const quorvel::testkit::RgbPicture picture = Gradient(32, 24);
    const Bytes with_preview = DngFile(picture, {});
    const std::vector<std::pair<std::string, Bytes>> raws = {
        {"preview", with_preview},
        {"no_preview", DngFile(picture, {.preview = false})},
        {"two_previews",
         DngFile(picture, {.small_preview = quorvel::testkit::SmallPreview::kJpeg})},
        {"rgb_preview", DngFile(picture, {.preview = false,
                                          .small_preview = quorvel::testkit::SmallPreview::kRgb})},
        {"turned", DngFile(picture, {.orientation = 6})},
        {"cut_in_raw", Cut(with_preview, with_preview.size() * 3 / 4)}};
    if (!WriteSeeds(argv[4], raws, ".dng")) return 1;
  }
  if (argc == 6) {
    quorvel::PictureFacts facts;
    facts.taken = 1'562'940'207;
    facts.make = "Canon";
    facts.model = "Canon EOS 70D";
    facts.width = 5472;
    facts.height = 3648;
    facts.position = quorvel::GeoPosition{-33.8568, -70.6483};
    facts.file_size = 7'654'321;
    facts.modified = 1'562'940'207;
    facts.duration_ms = 93'500;
    quorvel::PictureFacts own_only;
    own_only.file_size = 1234;
    const Bytes with_facts = WithFacts(facts);
    const Bytes exif = quorvel::testkit::ExifSegment({.little_endian = false});
    const std::vector<std::pair<std::string, Bytes>> heads = {
        {"thumbnail", with_facts},
        {"own_only", WithFacts(own_only)},
        {"camera_exif", Bytes(exif.begin() + 4, exif.end())},
        {"cut", Cut(with_facts, with_facts.size() / 3)}};
    if (!WriteSeeds(argv[5], heads, ".jpg")) return 1;
  }
  return 0;
}
