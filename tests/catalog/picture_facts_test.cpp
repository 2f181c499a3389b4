#include "catalog/picture_facts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "catalog/catalog_index.h"
#include "catalog/disk_record_writer.h"
#include "catalog/format.h"
#include "catalog/thumbnail_jpeg.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

using testkit::ToBytes;

// The JPEG of the one thumbnail DiskRecordBuilder writes for `facts`.
Bytes ThumbnailJpeg(const PictureFacts& facts) {
  Bytes pixels(100 * 100 * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);
  DiskRecordBuilder builder("CD");
  builder.AddThumbnail("a.jpg", RgbView{pixels.data(), 100, 100, 300}, nullptr, facts);
  Bytes stream;
  AppendDiskRecord(stream, std::move(builder).Finish());
  const CatalogIndex index = BuildIndex(stream);
  const CatInfo& disk = index.Disks.at(0);
  const Disc& thumb = disk.Thumbs[0];
  const auto begin = stream.begin() + disk.JpegPos(thumb);
  return Bytes(begin, begin + thumb.JpegSize);
}

// What exiftool says of `file` as "-j -n" JSON, or nothing when it cannot be run.
std::string ExiftoolJson(const std::string& file) {
  if (std::system("command -v exiftool >/dev/null 2>&1") != 0) return {};
  std::string json;
  if (FILE* pipe = popen(("exiftool -j -n '" + file + "' 2>&1").c_str(), "r")) {
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) json.append(buffer, n);
    pclose(pipe);
  }
  return json;
}

// The raw JSON value of `key`: a quoted string with its quotes, or a number.
std::string JsonValue(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\": ");
  if (at == std::string::npos) return "(none)";
  const std::size_t begin = at + key.size() + 4;
  return json.substr(begin, json.find_first_of(",\n", begin) - begin);
}

// The same picture as ThumbnailJpeg, encoded with `segments` and nothing computed.
Bytes EncodedJpeg(ByteView segments) {
  Bytes pixels(100 * 100 * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);
  Bytes jpeg;
  AppendJpeg(jpeg, RgbView{pixels.data(), 100, 100, 300}, segments);
  return jpeg;
}

const Fingerprint kPrint{0x0123456789ABCDEF, 0xFEDCBA9876543210};

TEST(PictureFactsTest, ThumbnailCarriesItsFactsToOtherReadersAndBackUnchanged) {
  PictureFacts facts = testkit::ExampleFacts();
  facts.fingerprint = kPrint;
  const Bytes plain = EncodedJpeg({});
  const Bytes jpeg = ThumbnailJpeg(facts);
  EXPECT_EQ(ReadPictureFacts(jpeg), facts);
  EXPECT_TRUE(ReadPictureFacts(plain).Empty());
  PictureFacts placeholder;
  placeholder.no_picture = true;
  EXPECT_EQ(ReadPictureFacts(ThumbnailJpeg(placeholder)), placeholder);
  EXPECT_TRUE(FactsFollowJfif(jpeg));
  EXPECT_FALSE(FactsFollowJfif(plain));
  // The facts lie before the frame: the first few hundred bytes hold them all.
  EXPECT_EQ(ReadPictureFacts(ByteView(jpeg).first(2 + 18 + kMaxFactsBytes)), facts);
  EXPECT_LE(jpeg.size() - plain.size(), kMaxFactsBytes);
  PictureFacts placed;  // a position alone: no Exif IFD before the GPS IFD
  placed.position = facts.position;
  EXPECT_EQ(ReadPictureFacts(ThumbnailJpeg(placed)).position, placed.position);

  RgbImage with, without;
  ASSERT_TRUE(DecodeJpeg(jpeg, with));
  ASSERT_TRUE(DecodeJpeg(plain, without));
  EXPECT_EQ(with.pixels, without.pixels);

  // Names far too long are cut, model first, and the rest still fits and reads back.
  PictureFacts wordy = facts;
  wordy.make = std::string(200, 'M');
  wordy.model = std::string(200, 'm');
  const Bytes long_jpeg = ThumbnailJpeg(wordy);
  EXPECT_LE(long_jpeg.size() - plain.size(), kMaxFactsBytes);
  const PictureFacts cut = ReadPictureFacts(long_jpeg);
  EXPECT_EQ(cut.make, wordy.make.substr(0, cut.make.size()));
  EXPECT_LT(cut.model.size(), cut.make.size());
  EXPECT_EQ(cut.taken, facts.taken);
  EXPECT_EQ(cut.position, facts.position);
  EXPECT_EQ(cut.duration_ms, facts.duration_ms);
  EXPECT_EQ(cut.fingerprint, facts.fingerprint) << "the fingerprint is never cut";

  testkit::TempDir dir;
  const std::string json = ExiftoolJson(dir.File("a.jpg", jpeg).string());
  if (json.empty()) GTEST_SKIP() << "exiftool is not installed";
  EXPECT_EQ(JsonValue(json, "DateTimeOriginal"), "\"2019:07:12 14:03:27\"");
  EXPECT_EQ(JsonValue(json, "Make"), "\"Canon\"");
  EXPECT_EQ(JsonValue(json, "Model"), "\"Canon EOS 70D\"");
  EXPECT_EQ(JsonValue(json, "ExifImageWidth"), "5472");
  EXPECT_EQ(JsonValue(json, "ExifImageHeight"), "3648");
  EXPECT_EQ(JsonValue(json, "GPSLatitude"), "-33.8568");
  EXPECT_EQ(JsonValue(json, "GPSLongitude"), "-70.6483");
  EXPECT_EQ(JsonValue(json, "Warning"), "(none)") << json;
}

// A JPEG head: SOI, then `segment`, then a frame header.
Bytes JpegWith(const Bytes& segment) {
  Bytes jpeg = {0xFF, 0xD8};
  jpeg.insert(jpeg.end(), segment.begin(), segment.end());
  jpeg.insert(jpeg.end(), {0xFF, 0xC0, 0x00, 0x02});
  return jpeg;
}

// Our own segment with `version` and `fields` (tag, length, value) after the signature.
Bytes OwnSegment(std::uint8_t version, const Bytes& fields) {
  Bytes segment = {0xFF, kOwnFactsMarker, 0, 0};
  segment.insert(segment.end(), std::begin(kOwnFactsSignature), std::end(kOwnFactsSignature));
  segment.push_back(version);
  segment.insert(segment.end(), fields.begin(), fields.end());
  segment[3] = static_cast<std::uint8_t>(segment.size() - 2);
  return segment;
}

TEST(PictureFactsTest, OwnSegmentSkipsUnknownTagsAndIgnoresANewerMajorVersion) {
  // Minor version 15 with a field of an unknown tag 7F between two known ones.
  // A fingerprint field of a length it cannot have is skipped like an unknown one.
  const Bytes fields = {kFileSizeTag, 2, 0x01, 0x00, 0x7F, 3, 9, 9, 9, kFingerprintTag, 3, 1, 2, 3,
                        kDurationTag, 1, 0x80};
  const PictureFacts read = ReadPictureFacts(JpegWith(OwnSegment(0x1F, fields)));
  EXPECT_EQ(read.file_size, 256);
  EXPECT_EQ(read.duration_ms, -128) << "values are signed";
  EXPECT_FALSE(read.modified);
  EXPECT_FALSE(read.fingerprint);
  EXPECT_FALSE(read.no_picture);
  EXPECT_TRUE(ReadPictureFacts(JpegWith(OwnSegment(0x20, fields))).Empty());
  // A field cut short by the segment's end ends the reading; what came before stands.
  const Bytes cut = {kFileSizeTag, 1, 0x05, kModifiedTag, 8, 1, 2};
  EXPECT_EQ(ReadPictureFacts(JpegWith(OwnSegment(0x10, cut))).file_size, 5);
  EXPECT_FALSE(ReadPictureFacts(JpegWith(OwnSegment(0x10, cut))).modified);
}

// A fingerprint stored afterwards completes the facts a thumbnail has, or gives it its own
// segment, and leaves the picture's bytes alone.
TEST(PictureFactsTest, FingerprintIsAddedToAThumbnailsFacts) {
  PictureFacts wordy = testkit::ExampleFacts();  // facts that fill the room, as written before
  wordy.make = std::string(200, 'M');
  for (PictureFacts facts : {PictureFacts{}, testkit::ExampleFacts(), wordy}) {
    const Bytes before = EncodedJpeg(EncodeFactsSegments(facts));
    const std::optional<Bytes> after = WithFingerprint(before, kPrint);
    ASSERT_TRUE(after);
    const PictureFacts read = ReadPictureFacts(ByteView(*after).first(kFactsHeadBytes));
    EXPECT_EQ(read.fingerprint, kPrint);
    EXPECT_EQ(read.taken, facts.taken);
    EXPECT_EQ(read.file_size, facts.file_size);
    EXPECT_TRUE(FactsFollowJfif(*after));
    EXPECT_EQ(*after, EncodedJpeg(EncodeFactsSegments(read))) << "only the facts change";
  }
  const Bytes newer = JpegWith(OwnSegment(0x20, {}));
  EXPECT_FALSE(WithFingerprint(newer, kPrint)) << "a newer major version is not ours to change";
}

// A little-endian EXIF payload as cameras write it: IFD0 with Make, Model and the Exif and GPS
// pointers; an Exif IFD with DateTimeDigitized only and SHORT dimensions; a GPS IFD.
Bytes CameraExif() {
  Bytes b = ToBytes(std::string("Exif\0\0II*\0\x08\0\0\0", 14));
  const auto u16 = [&](std::uint32_t v) {
    b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
  };
  const auto u32 = [&](std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  const auto entry = [&](std::uint32_t tag, std::uint32_t type, std::uint32_t count,
                         std::uint32_t value) {
    u16(tag);
    u16(type);
    u32(count);
    u32(value);
  };
  // Offsets count from "II": IFD0 at 8 (4 entries, 54 bytes), its text at 62 and 74, the Exif
  // IFD at 90 (3 entries, 42 bytes), its date at 132, the GPS IFD at 152 (4 entries), its
  // rationals at 206 and 230.
  u16(4);
  entry(0x010F, 2, 12, 62);
  entry(0x0110, 2, 16, 74);
  entry(0x8769, 4, 1, 90);
  entry(0x8825, 4, 1, 152);
  u32(0);
  const std::string make("  NIKON CORP", 12), model("NIKON D750 \0\0\0\0\0", 16);
  b.insert(b.end(), make.begin(), make.end());
  b.insert(b.end(), model.begin(), model.end());
  u16(3);
  entry(0x9004, 2, 20, 132);
  entry(0xA002, 3, 1, 6016);
  entry(0xA003, 3, 1, 4016);
  u32(0);
  const std::string date("2016:02:29 23:59:58", 20);
  b.insert(b.end(), date.begin(), date.end());
  u16(4);
  entry(0x0001, 2, 2, 'N');
  entry(0x0002, 5, 3, 206);
  entry(0x0003, 2, 2, 'W');
  entry(0x0004, 5, 3, 230);
  u32(0);
  for (std::uint32_t v : {48u, 1u, 30u, 1u, 36u, 1u, 2u, 1u, 15u, 1u, 0u, 1u}) u32(v);
  return b;
}

TEST(PictureFactsTest, ReadsCameraExifAndRejectsWhatDoesNotFit) {
  const Bytes exif = CameraExif();
  const PictureFacts facts = ReadExifFacts(exif);
  EXPECT_EQ(facts.make, "NIKON CORP");
  EXPECT_EQ(facts.model, "NIKON D750");
  EXPECT_EQ(facts.taken, ParseIsoDateTime("2016-02-29T23:59:58"));
  EXPECT_EQ(facts.width, 6016);
  EXPECT_EQ(facts.height, 4016);
  ASSERT_TRUE(facts.position);
  EXPECT_DOUBLE_EQ(facts.position->latitude, 48.51);
  EXPECT_DOUBLE_EQ(facts.position->longitude, -2.25);
  EXPECT_EQ(ReadExifFacts(ByteView(exif).subspan(6)), facts) << "a bare TIFF block";

  // Every cut of the block reads safely, and one that loses the GPS rationals loses the position.
  for (std::size_t size = 0; size < exif.size(); ++size) ReadExifFacts(ByteView(exif).first(size));
  EXPECT_FALSE(ReadExifFacts(ByteView(exif).first(exif.size() - 1)).position);
  // An offset pointing far outside the block is refused, not followed.
  Bytes wild = exif;
  wild[6 + 8 + 2 + 2 * 12 + 8] = 0xF0;  // the Exif IFD pointer's high byte
  wild[6 + 8 + 2 + 2 * 12 + 11] = 0xF0;
  const PictureFacts without_exif_ifd = ReadExifFacts(wild);
  EXPECT_FALSE(without_exif_ifd.taken);
  EXPECT_EQ(without_exif_ifd.model, "NIKON D750");
}

TEST(PictureFactsTest, CameraNamesAndCivilTimes) {
  EXPECT_EQ(CameraName("Canon", "Canon EOS 70D"), "Canon EOS 70D");
  EXPECT_EQ(CameraName("SONY ", "sony ILCE-7M3"), "sony ILCE-7M3");
  EXPECT_EQ(CameraName("Apple", "iPhone 12"), "Apple iPhone 12");
  EXPECT_EQ(CameraName("NIKON CORPORATION", "NIKON D750"), "NIKON CORPORATION NIKON D750");
  EXPECT_EQ(CameraName("", "X100V"), "X100V");
  EXPECT_EQ(CameraName("FUJIFILM", ""), "FUJIFILM");
  EXPECT_EQ(CameraName("", ""), "");

  EXPECT_EQ(IsoDateTime(0), "1970-01-01T00:00:00");
  EXPECT_EQ(IsoDateTime(951'868'799), "2000-02-29T23:59:59");
  EXPECT_EQ(IsoDateTime(-1), "1969-12-31T23:59:59");
  for (const std::int64_t t : {std::int64_t{-62'135'596'800}, std::int64_t{0},
                               std::int64_t{4'107'542'399}, std::int64_t{253'402'300'799}}) {
    EXPECT_EQ(ParseIsoDateTime(IsoDateTime(t)), t) << t;
  }
  for (const char* bad : {"2019-02-29T10:00:00", "2019-13-01T10:00:00", "2019-01-01 10:00:00",
                          "2019-01-01T24:00:00", "0000:00:00 00:00:00", "2019-01-01T10:00"}) {
    EXPECT_FALSE(ParseIsoDateTime(bad)) << bad;
  }
}

}  // namespace
}  // namespace quorvel
