#include "catalog/picture_facts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "catalog/format.h"
#include "catalog/tiff_block.h"

namespace quorvel {
namespace {

constexpr std::uint8_t kMarkerSoi = 0xD8;
constexpr std::uint8_t kMarkerEoi = 0xD9;
constexpr std::uint8_t kMarkerSos = 0xDA;
constexpr std::uint8_t kMarkerApp0 = 0xE0;
constexpr std::uint8_t kOwnFactsMajor = kOwnFactsVersion >> 4;

// The tags we write and read.

constexpr std::uint16_t kMakeTag = 0x010F;
constexpr std::uint16_t kModelTag = 0x0110;
constexpr std::uint16_t kExifIfdTag = 0x8769;
constexpr std::uint16_t kGpsIfdTag = 0x8825;
constexpr std::uint16_t kDateTimeOriginalTag = 0x9003;
constexpr std::uint16_t kDateTimeDigitizedTag = 0x9004;
constexpr std::uint16_t kPixelXDimensionTag = 0xA002;
constexpr std::uint16_t kPixelYDimensionTag = 0xA003;
constexpr std::uint16_t kGpsVersionIdTag = 0x0000;
constexpr std::uint16_t kGpsLatitudeRefTag = 0x0001;
constexpr std::uint16_t kGpsLatitudeTag = 0x0002;
constexpr std::uint16_t kGpsLongitudeRefTag = 0x0003;
constexpr std::uint16_t kGpsLongitudeTag = 0x0004;

// Positions are written as one rational of degrees in ten-millionths (about a centimetre), so
// that seven decimals come back exactly.
constexpr double kGeoDenominator = 1e7;
constexpr std::int64_t kSecondsPerDay = 86400;

bool StartsWith(ByteView bytes, const std::uint8_t* prefix, std::size_t size) {
  return bytes.size() >= size && std::memcmp(bytes.data(), prefix, size) == 0;
}

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\0' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

struct CivilTime {
  std::int64_t year;
  int month, day, hour, minute, second;
};

std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilTime CivilFromSeconds(std::int64_t seconds) {
  std::int64_t days = seconds / kSecondsPerDay;
  std::int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  CivilTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = yoe + era * 400 + (t.month <= 2);
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

int DaysInMonth(std::int64_t year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// "YYYY?MM?DD?HH:MM:SS" with the given separators between the date's parts and before the time;
// nullopt for anything else, the zeros and blanks of a camera that knew no date included.
std::optional<std::int64_t> ParseDateTime(std::string_view text, std::string_view date_marks,
                                          std::string_view time_marks) {
  if (text.size() != 19) return std::nullopt;
  int fields[6];
  std::size_t at = 0;
  for (int i = 0; i < 6; ++i) {
    const std::size_t width = i == 0 ? 4 : 2;
    int value = 0;
    for (std::size_t k = 0; k < width; ++k, ++at) {
      if (text[at] < '0' || text[at] > '9') return std::nullopt;
      value = value * 10 + (text[at] - '0');
    }
    fields[i] = value;
    if (i == 5) break;
    const std::string_view marks = i < 2 ? date_marks : i == 2 ? time_marks : std::string_view(":");
    if (marks.find(text[at++]) == std::string_view::npos) return std::nullopt;
  }
  const auto [year, month, day, hour, minute, second] = fields;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
      minute > 59 || second > 59) {
    return std::nullopt;
  }
  return DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

std::string_view Text(const TiffBlock& tiff, const TiffEntry& entry) {
  if (entry.type != kTiffAscii || entry.value_at == 0) return {};
  const ByteView bytes = tiff.Span(entry.value_at, entry.count);
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return Trimmed(text.substr(0, text.find('\0')));
}

// Degrees from the three rationals of degrees, minutes and seconds (fewer are taken as zero).
std::optional<double> Degrees(const TiffBlock& tiff, const TiffEntry& entry) {
  if ((entry.type != kTiffRational && entry.type != kTiffSRational) || entry.value_at == 0) {
    return std::nullopt;
  }
  double degrees = 0;
  double unit = 1;
  for (std::uint32_t i = 0; i < std::min<std::uint32_t>(entry.count, 3); ++i, unit *= 60) {
    const std::uint32_t numerator = *tiff.U32(entry.value_at + 8 * i);
    const std::uint32_t denominator = *tiff.U32(entry.value_at + 8 * i + 4);
    if (denominator == 0) return std::nullopt;  // how cameras without a fix often write it
    degrees += entry.type == kTiffRational
                   ? double(numerator) / double(denominator) / unit
                   : double(std::int32_t(numerator)) / double(std::int32_t(denominator)) / unit;
  }
  return degrees;
}

struct GpsParts {
  std::optional<double> latitude, longitude;
  char latitude_ref = 'N', longitude_ref = 'E';
};

std::optional<GeoPosition> Position(const GpsParts& gps) {
  if (!gps.latitude || !gps.longitude) return std::nullopt;
  const double latitude = gps.latitude_ref == 'S' ? -*gps.latitude : *gps.latitude;
  const double longitude = gps.longitude_ref == 'W' ? -*gps.longitude : *gps.longitude;
  if (!(std::fabs(latitude) <= 90) || !(std::fabs(longitude) <= 180)) return std::nullopt;
  return GeoPosition{latitude, longitude};
}

// Big-endian two's complement in as few bytes as hold it, 1 to 8.
void AppendField(Bytes& out, std::uint8_t tag, std::int64_t value) {
  std::size_t size = 8;
  while (size > 1) {
    const std::int64_t limit = std::int64_t{1} << (8 * (size - 1) - 1);
    if (value < -limit || value >= limit) break;
    --size;
  }
  out.push_back(tag);
  out.push_back(static_cast<std::uint8_t>(size));
  for (std::size_t i = size; i-- > 0;) {
    out.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i)));
  }
}

std::optional<std::int64_t> FieldValue(ByteView value) {
  if (value.empty() || value.size() > 8) return std::nullopt;
  std::uint64_t bits = value[0] & 0x80 ? ~std::uint64_t{0} : 0;
  for (const std::uint8_t byte : value) bits = bits << 8 | byte;
  return static_cast<std::int64_t>(bits);
}

void BeginSegment(Bytes& out, std::uint8_t marker) { out.insert(out.end(), {0xFF, marker, 0, 0}); }

void EndSegment(Bytes& out, std::size_t start) {
  const std::size_t length = out.size() - start - 2;
  out[start + 2] = static_cast<std::uint8_t>(length >> 8);
  out[start + 3] = static_cast<std::uint8_t>(length);
}

void AppendU64(Bytes& out, std::uint64_t value) {
  for (int i = 7; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t U64At(ByteView bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < 8; ++i) value = value << 8 | bytes[i];
  return value;
}

// The fingerprint field: 16 bytes, or none at all for a thumbnail that shows no picture.
void AppendFingerprintField(Bytes& out, const std::optional<Fingerprint>& print) {
  out.push_back(kFingerprintTag);
  out.push_back(print ? kFingerprintBytes : 0);
  if (print) {
    AppendU64(out, print->shape);
    AppendU64(out, print->detail);
  }
}

Bytes OwnSegment(const PictureFacts& facts) {
  Bytes out;
  if (!facts.file_size && !facts.modified && !facts.duration_ms && !facts.fingerprint &&
      !facts.no_picture) {
    return out;
  }
  BeginSegment(out, kOwnFactsMarker);
  out.insert(out.end(), std::begin(kOwnFactsSignature), std::end(kOwnFactsSignature));
  out.push_back(kOwnFactsVersion);
  if (facts.file_size) AppendField(out, kFileSizeTag, *facts.file_size);
  if (facts.modified) AppendField(out, kModifiedTag, *facts.modified);
  if (facts.duration_ms) AppendField(out, kDurationTag, *facts.duration_ms);
  if (facts.fingerprint || facts.no_picture) AppendFingerprintField(out, facts.fingerprint);
  EndSegment(out, 0);
  return out;
}

void ReadOwnSegment(ByteView payload, PictureFacts& facts) {
  payload = payload.subspan(sizeof kOwnFactsSignature);
  if (payload.empty() || payload[0] >> 4 > kOwnFactsMajor) return;
  std::size_t at = 1;
  while (payload.size() - at >= 2) {
    const std::uint8_t tag = payload[at];
    const std::size_t size = payload[at + 1];
    at += 2;
    if (payload.size() - at < size) return;  // a field cut short ends the segment
    const ByteView bytes = payload.subspan(at, size);
    at += size;
    if (tag == kFingerprintTag) {
      // Any other length is a field this reader cannot take: skipped like an unknown one.
      if (size == kFingerprintBytes) {
        facts.fingerprint = Fingerprint{U64At(bytes), U64At(bytes.subspan(8))};
        facts.no_picture = false;
      } else if (size == 0) {
        facts.fingerprint.reset();
        facts.no_picture = true;
      }
      continue;
    }
    const auto value = FieldValue(bytes);
    if (!value) continue;
    if (tag == kFileSizeTag) facts.file_size = value;
    if (tag == kModifiedTag) facts.modified = value;
    if (tag == kDurationTag) facts.duration_ms = value;
  }
}

// One entry to write: its value bytes, big-endian, go inline or after the IFD.
struct OutEntry {
  std::uint16_t tag, type;
  std::uint32_t count;
  Bytes value;
};

void PutU16(Bytes& out, std::uint32_t v) {
  out.insert(out.end(), {std::uint8_t(v >> 8), std::uint8_t(v)});
}
void PutU32(Bytes& out, std::uint32_t v) {
  out.insert(out.end(),
             {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
}

Bytes U32Bytes(std::uint32_t v) {
  Bytes out;
  PutU32(out, v);
  return out;
}

OutEntry AsciiEntry(std::uint16_t tag, std::string_view text) {
  Bytes value(text.begin(), text.end());
  value.push_back(0);
  return {tag, kTiffAscii, static_cast<std::uint32_t>(value.size()), std::move(value)};
}

OutEntry DegreesEntry(std::uint16_t tag, double degrees) {
  Bytes value =
      U32Bytes(static_cast<std::uint32_t>(std::llround(std::fabs(degrees) * kGeoDenominator)));
  PutU32(value, static_cast<std::uint32_t>(kGeoDenominator));
  for (int i = 0; i < 2; ++i) {  // minutes and seconds: 0/1
    PutU32(value, 0);
    PutU32(value, 1);
  }
  return {tag, kTiffRational, 3, std::move(value)};
}

std::size_t IfdSize(const std::vector<OutEntry>& ifd) {
  std::size_t size = 2 + kTiffEntrySize * ifd.size() + 4;
  for (const OutEntry& entry : ifd) size += entry.value.size() > 4 ? entry.value.size() : 0;
  return size;
}

// Writes the IFD that starts at TIFF offset `offset`, its long values right after it.
void WriteIfd(Bytes& tiff, std::size_t offset, const std::vector<OutEntry>& ifd) {
  PutU16(tiff, static_cast<std::uint32_t>(ifd.size()));
  std::size_t data_at = offset + 2 + kTiffEntrySize * ifd.size() + 4;
  for (const OutEntry& entry : ifd) {
    PutU16(tiff, entry.tag);
    PutU16(tiff, entry.type);
    PutU32(tiff, entry.count);
    if (entry.value.size() <= 4) {
      Bytes inline_value = entry.value;
      inline_value.resize(4);
      tiff.insert(tiff.end(), inline_value.begin(), inline_value.end());
    } else {
      PutU32(tiff, static_cast<std::uint32_t>(data_at));
      data_at += entry.value.size();
    }
  }
  PutU32(tiff, 0);  // no next IFD
  for (const OutEntry& entry : ifd) {
    if (entry.value.size() > 4) tiff.insert(tiff.end(), entry.value.begin(), entry.value.end());
  }
}

std::optional<std::string> ExifDate(std::int64_t seconds) {
  const CivilTime t = CivilFromSeconds(seconds);
  if (t.year < 0 || t.year > 9999) return std::nullopt;
  char text[32];
  std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", static_cast<int>(t.year),
                t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

// The APP1 segment of the standard facts, written big-endian; empty when there are none.
Bytes ExifSegment(const PictureFacts& facts, std::string_view make, std::string_view model,
                  bool gps_version) {
  std::vector<OutEntry> ifd0, exif, gps;
  if (!make.empty()) ifd0.push_back(AsciiEntry(kMakeTag, make));
  if (!model.empty()) ifd0.push_back(AsciiEntry(kModelTag, model));
  if (facts.taken) {
    if (const auto date = ExifDate(*facts.taken)) {
      exif.push_back(AsciiEntry(kDateTimeOriginalTag, *date));
    }
  }
  if (facts.width > 0 && facts.height > 0) {
    exif.push_back({kPixelXDimensionTag, kTiffLong, 1, U32Bytes(std::uint32_t(facts.width))});
    exif.push_back({kPixelYDimensionTag, kTiffLong, 1, U32Bytes(std::uint32_t(facts.height))});
  }
  const auto& p = facts.position;
  if (p && std::fabs(p->latitude) <= 90 && std::fabs(p->longitude) <= 180) {
    if (gps_version) gps.push_back({kGpsVersionIdTag, kTiffByte, 4, {2, 2, 0, 0}});
    gps.push_back(AsciiEntry(kGpsLatitudeRefTag, p->latitude < 0 ? "S" : "N"));
    gps.push_back(DegreesEntry(kGpsLatitudeTag, p->latitude));
    gps.push_back(AsciiEntry(kGpsLongitudeRefTag, p->longitude < 0 ? "W" : "E"));
    gps.push_back(DegreesEntry(kGpsLongitudeTag, p->longitude));
  }
  if (ifd0.empty() && exif.empty() && gps.empty()) return {};
  // The pointers' values are fixed once every IFD's size is known; the sizes do not depend on
  // them.
  if (!exif.empty()) ifd0.push_back({kExifIfdTag, kTiffLong, 1, U32Bytes(0)});
  if (!gps.empty()) ifd0.push_back({kGpsIfdTag, kTiffLong, 1, U32Bytes(0)});
  const std::size_t exif_at = kTiffHeaderSize + IfdSize(ifd0);
  const std::size_t gps_at = exif_at + (exif.empty() ? 0 : IfdSize(exif));
  for (OutEntry& entry : ifd0) {
    if (entry.tag == kExifIfdTag) entry.value = U32Bytes(std::uint32_t(exif_at));
    if (entry.tag == kGpsIfdTag) entry.value = U32Bytes(std::uint32_t(gps_at));
  }
  Bytes tiff = {'M', 'M', 0, 42, 0, 0, 0, kTiffHeaderSize};
  WriteIfd(tiff, kTiffHeaderSize, ifd0);
  if (!exif.empty()) WriteIfd(tiff, exif_at, exif);
  if (!gps.empty()) WriteIfd(tiff, gps_at, gps);

  Bytes out;
  BeginSegment(out, kExifSegmentMarker);
  out.insert(out.end(), std::begin(kExifSignature), std::end(kExifSignature));
  out.insert(out.end(), tiff.begin(), tiff.end());
  EndSegment(out, 0);
  return out;
}

// `text` cut to at most `size` bytes, never inside a UTF-8 character, blanks trimmed.
std::string_view Shortened(std::string_view text, std::size_t size) {
  if (text.size() <= size) return text;
  while (size > 0 && (static_cast<std::uint8_t>(text[size]) & 0xC0) == 0x80) --size;
  return Trimmed(text.substr(0, size));
}

bool IsFrameHeader(std::uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool StandsAlone(std::uint8_t marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

bool IsExifPayload(ByteView payload) {
  return StartsWith(payload, kExifSignature, sizeof kExifSignature);
}
bool IsOwnPayload(ByteView payload) {
  return StartsWith(payload, kOwnFactsSignature, sizeof kOwnFactsSignature);
}

// Calls visit(marker, at, length) for each marker segment with a length before the first frame
// header: `at` is where its FF stands, `length` its length field, the segment lying whole in
// `jpeg`. Stops at the first byte that is not a marker and at a segment it does not hold whole.
template <typename Visit>
void ForEachSegment(ByteView jpeg, Visit visit) {
  if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != kMarkerSoi) return;
  std::size_t at = 2;
  while (jpeg.size() - at >= 2) {
    if (jpeg[at] != 0xFF) break;
    const std::uint8_t marker = jpeg[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (StandsAlone(marker)) {
      at += 2;
      continue;
    }
    if (IsFrameHeader(marker) || marker == kMarkerSos || marker == kMarkerEoi ||
        marker == kMarkerSoi || jpeg.size() - at < 4) {
      break;
    }
    const std::size_t length = std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3];
    if (length < 2 || jpeg.size() - at - 2 < length) break;  // a segment we do not hold whole
    visit(marker, at, length);
    at += 2 + length;
  }
}

}  // namespace

Bytes EncodeFactsSegments(const PictureFacts& facts) {
  Bytes own = OwnSegment(facts);
  const std::size_t room = kMaxFactsBytes - own.size();
  std::string_view make = Trimmed(std::string_view(facts.make).substr(0, facts.make.find('\0')));
  std::string_view model = Trimmed(std::string_view(facts.model).substr(0, facts.model.find('\0')));
  // The GPS version goes first, then the model's tail, then the make's: the date and the
  // position always fit.
  Bytes exif = ExifSegment(facts, make, model, true);
  if (exif.size() > room) exif = ExifSegment(facts, make, model, false);
  while (exif.size() > room && !(make.empty() && model.empty())) {
    const std::size_t excess = exif.size() - room;
    if (!model.empty()) {
      model = Shortened(model, model.size() > excess ? model.size() - excess : 0);
    } else {
      make = Shortened(make, make.size() > excess ? make.size() - excess : 0);
    }
    exif = ExifSegment(facts, make, model, false);
  }
  exif.insert(exif.end(), own.begin(), own.end());
  return exif;
}

bool FactsFollowJfif(ByteView head) {
  if (head.size() < 8 || head[0] != 0xFF || head[1] != kMarkerSoi || head[2] != 0xFF ||
      head[3] != kMarkerApp0) {
    return false;
  }
  const std::size_t next = 4 + (std::size_t{head[4]} << 8 | head[5]);
  return next + 1 < head.size() && head[next] == 0xFF &&
         (head[next + 1] == kExifSegmentMarker || head[next + 1] == kOwnFactsMarker);
}

PictureFacts ReadPictureFacts(ByteView jpeg) {
  PictureFacts facts;
  bool exif_read = false, own_read = false;
  ForEachSegment(jpeg, [&](std::uint8_t marker, std::size_t at, std::size_t length) {
    const ByteView payload = jpeg.subspan(at + 4, length - 2);
    if (marker == kExifSegmentMarker && !exif_read && IsExifPayload(payload)) {
      exif_read = true;
      PictureFacts exif = ReadExifFacts(payload);
      facts.taken = exif.taken;
      facts.make = std::move(exif.make);
      facts.model = std::move(exif.model);
      facts.width = exif.width;
      facts.height = exif.height;
      facts.position = exif.position;
    } else if (marker == kOwnFactsMarker && !own_read && IsOwnPayload(payload)) {
      own_read = true;
      ReadOwnSegment(payload, facts);
    }
  });
  return facts;
}

PictureFacts ReadOwnFacts(ByteView jpeg) {
  PictureFacts facts;
  bool own_read = false;
  ForEachSegment(jpeg, [&](std::uint8_t marker, std::size_t at, std::size_t length) {
    const ByteView payload = jpeg.subspan(at + 4, length - 2);
    if (marker == kOwnFactsMarker && !own_read && IsOwnPayload(payload)) {
      own_read = true;
      ReadOwnSegment(payload, facts);
    }
  });
  return facts;
}

std::optional<Bytes> WithFingerprint(ByteView jpeg, const Fingerprint& print) {
  if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != kMarkerSoi) return std::nullopt;
  // The facts segments that follow the JFIF header (or the SOI) back to back, as the writer
  // puts them, and the APP10 segment that readers take, wherever it stands.
  std::size_t facts_at = 2, facts_end = 2;
  std::optional<std::size_t> own_at;
  std::size_t own_end = 0;
  bool first = true, in_run = true, exif_seen = false;
  ForEachSegment(jpeg, [&](std::uint8_t marker, std::size_t at, std::size_t length) {
    const ByteView payload = jpeg.subspan(at + 4, length - 2);
    const bool exif = marker == kExifSegmentMarker && !exif_seen && IsExifPayload(payload);
    const bool own = marker == kOwnFactsMarker && !own_at && IsOwnPayload(payload);
    if (first && marker == kMarkerApp0) {
      facts_at = facts_end = at + 2 + length;
    } else if (in_run && (exif || own)) {
      facts_end = at + 2 + length;
    } else {
      in_run = false;
    }
    first = false;
    exif_seen = exif_seen || exif;
    if (own) {
      own_at = at;
      own_end = at + 2 + length;
    }
  });

  Bytes field;
  AppendFingerprintField(field, print);
  Bytes out(jpeg.begin(), jpeg.end());
  std::size_t added = field.size();
  if (own_at) {
    const std::size_t version_at = *own_at + 4 + sizeof kOwnFactsSignature;
    // A segment without a version, or of a newer major one, is not ours to add to.
    if (version_at >= own_end || jpeg[version_at] >> 4 != kOwnFactsMajor) return std::nullopt;
    const std::size_t length = own_end - *own_at - 2 + field.size();
    if (length > 0xFFFF) return std::nullopt;
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(own_end), field.begin(), field.end());
    out[*own_at + 2] = static_cast<std::uint8_t>(length >> 8);
    out[*own_at + 3] = static_cast<std::uint8_t>(length);
    out[version_at] = std::max(jpeg[version_at], kOwnFactsVersion);
    if (*own_at < facts_at || *own_at >= facts_end) added = 0;
  } else {
    PictureFacts only_print;
    only_print.fingerprint = print;
    const Bytes segment = OwnSegment(only_print);
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(facts_end), segment.begin(),
               segment.end());
    added = segment.size();
  }
  if (facts_end - facts_at + added <= kMaxFactsBytes) return out;
  // Facts written before the fingerprint had a place may fill the room: written again, they
  // are cut as any others are, so that the fingerprint still fits.
  PictureFacts facts = ReadPictureFacts(jpeg);
  facts.fingerprint = print;
  facts.no_picture = false;
  const Bytes segments = EncodeFactsSegments(facts);
  out.assign(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(facts_at));
  out.insert(out.end(), segments.begin(), segments.end());
  out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(facts_end), jpeg.end());
  return out;
}

PictureFacts ReadExifFacts(ByteView payload) {
  PictureFacts facts;
  if (StartsWith(payload, kExifSignature, sizeof kExifSignature)) {
    payload = payload.subspan(sizeof kExifSignature);
  }
  TiffBlock tiff(payload);
  if (!tiff.ReadByteOrder()) return facts;
  std::optional<std::uint32_t> exif_at, gps_at;
  WalkIfd(tiff, tiff.U32(4).value_or(0), [&](const TiffEntry& entry) {
    if (entry.tag == kMakeTag) facts.make = Text(tiff, entry);
    if (entry.tag == kModelTag) facts.model = Text(tiff, entry);
    if (entry.tag == kExifIfdTag) exif_at = TiffNumber(tiff, entry);
    if (entry.tag == kGpsIfdTag) gps_at = TiffNumber(tiff, entry);
  });
  // Neither sub-IFD is followed further, so no chain of offsets can loop.
  std::optional<std::int64_t> original, digitized;
  std::optional<std::uint32_t> width, height;
  if (exif_at) {
    WalkIfd(tiff, *exif_at, [&](const TiffEntry& entry) {
      if (entry.tag == kDateTimeOriginalTag) {
        original = ParseDateTime(Text(tiff, entry), ":-", " T");
      }
      if (entry.tag == kDateTimeDigitizedTag) {
        digitized = ParseDateTime(Text(tiff, entry), ":-", " T");
      }
      if (entry.tag == kPixelXDimensionTag) width = TiffNumber(tiff, entry);
      if (entry.tag == kPixelYDimensionTag) height = TiffNumber(tiff, entry);
    });
  }
  facts.taken = original ? original : digitized;
  if (width && height && *width > 0 && *height > 0 && *width <= INT32_MAX && *height <= INT32_MAX) {
    facts.width = static_cast<std::int32_t>(*width);
    facts.height = static_cast<std::int32_t>(*height);
  }
  if (gps_at) {
    GpsParts gps;
    WalkIfd(tiff, *gps_at, [&](const TiffEntry& entry) {
      if (entry.tag == kGpsLatitudeRefTag || entry.tag == kGpsLongitudeRefTag) {
        const std::string_view ref = Text(tiff, entry);
        if (!ref.empty())
          (entry.tag == kGpsLatitudeRefTag ? gps.latitude_ref : gps.longitude_ref) = ref[0];
      }
      if (entry.tag == kGpsLatitudeTag) gps.latitude = Degrees(tiff, entry);
      if (entry.tag == kGpsLongitudeTag) gps.longitude = Degrees(tiff, entry);
    });
    facts.position = Position(gps);
  }
  return facts;
}

std::string CameraName(std::string_view make, std::string_view model) {
  make = Trimmed(make);
  model = Trimmed(model);
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  const bool repeated = !make.empty() && model.size() >= make.size() &&
                        std::equal(make.begin(), make.end(), model.begin(),
                                   [&](char a, char b) { return lower(a) == lower(b); });
  if (make.empty() || repeated) return std::string(model);
  if (model.empty()) return std::string(make);
  std::string name(make);
  name += ' ';
  name += model;
  return name;
}

std::string IsoDateTime(std::int64_t seconds) {
  const CivilTime t = CivilFromSeconds(seconds);
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d",
                static_cast<long long>(t.year), t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

std::optional<std::int64_t> ParseIsoDateTime(std::string_view text) {
  return ParseDateTime(text, "-", "T");
}

}  // namespace quorvel
