#include "support/exif_segment.h"

#include <algorithm>

namespace quorvel::testkit {
namespace {

constexpr std::size_t kMaxSegmentPayload = 0xFFFF - 2;

// A TIFF block written front to back; an IFD entry's value too long to sit in the entry goes to
// the data area after the IFD, its offset patched in when the area is laid out.
class TiffWriter {
 public:
  explicit TiffWriter(bool little_endian) : little_endian_(little_endian) {}

  std::size_t size() const { return bytes_.size(); }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

  void U16(std::uint32_t value) {
    const auto high = static_cast<std::uint8_t>(value >> 8 & 0xFF);
    const auto low = static_cast<std::uint8_t>(value & 0xFF);
    bytes_.push_back(little_endian_ ? low : high);
    bytes_.push_back(little_endian_ ? high : low);
  }
  void U32(std::uint32_t value) {
    U16(little_endian_ ? value & 0xFFFF : value >> 16);
    U16(little_endian_ ? value >> 16 : value & 0xFFFF);
  }
  void PutU32At(std::size_t at, std::uint32_t value) {
    TiffWriter patch(little_endian_);
    patch.U32(value);
    std::copy(patch.bytes_.begin(), patch.bytes_.end(), bytes_.begin() + static_cast<long>(at));
  }
  void Append(const std::vector<std::uint8_t>& data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }

 private:
  bool little_endian_;
  std::vector<std::uint8_t> bytes_;
};

struct Entry {
  Entry(std::uint16_t tag, std::uint16_t type, std::uint32_t number)
      : tag(tag), type(type), number(number) {}
  std::uint16_t tag;
  std::uint16_t type;  // 2 ASCII, 3 SHORT, 4 LONG
  std::uint32_t number;
  std::vector<std::uint8_t> text;  // ASCII values with their NUL
};

Entry Ascii(std::uint16_t tag, const std::string& text) {
  Entry entry(tag, 2, 0);
  entry.text.assign(text.begin(), text.end());
  entry.text.push_back(0);
  return entry;
}

// Writes an IFD of `entries` (sorted by tag, as TIFF wants) at the writer's end, its long texts
// after it. Returns the offsets of the next-IFD link and of each entry's value field.
std::size_t WriteIfd(TiffWriter& tiff, const std::vector<Entry>& entries,
                     std::vector<std::size_t>* value_at) {
  const std::size_t start = tiff.size();
  std::size_t data = start + 2 + entries.size() * 12 + 4;
  tiff.U16(static_cast<std::uint32_t>(entries.size()));
  for (const Entry& entry : entries) {
    tiff.U16(entry.tag);
    tiff.U16(entry.type);
    value_at->push_back(tiff.size() + 4);
    if (entry.type == 2) {
      tiff.U32(static_cast<std::uint32_t>(entry.text.size()));
      if (entry.text.size() <= 4) {
        std::vector<std::uint8_t> inline_text = entry.text;
        inline_text.resize(4, 0);
        tiff.Append(inline_text);
      } else {
        tiff.U32(static_cast<std::uint32_t>(data));
        data += entry.text.size();
      }
    } else if (entry.type == 3) {
      tiff.U32(1);
      tiff.U16(entry.number);
      tiff.U16(0);
    } else {
      tiff.U32(1);
      tiff.U32(entry.number);
    }
  }
  const std::size_t next_link = tiff.size();
  tiff.U32(0);
  for (const Entry& entry : entries) {
    if (entry.type == 2 && entry.text.size() > 4) tiff.Append(entry.text);
  }
  return next_link;
}

void AppendU16BigEndian(std::vector<std::uint8_t>& out, std::size_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8 & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace

std::vector<std::uint8_t> ExifSegment(const ExifFields& fields) {
  TiffWriter tiff(fields.little_endian);
  tiff.U16(fields.little_endian ? 0x4949 : 0x4D4D);  // "II" or "MM" either way round
  tiff.U16(42);
  tiff.U32(8);
  std::vector<Entry> ifd0 = {Ascii(0x010F, fields.make), Ascii(0x0110, fields.model)};
  if (fields.orientation != 0) {
    ifd0.push_back({0x0112, 3, static_cast<std::uint32_t>(fields.orientation)});
  }
  ifd0.push_back(Ascii(0x0132, fields.date_time));
  std::vector<std::size_t> values;
  const std::size_t next_link = WriteIfd(tiff, ifd0, &values);
  if (!fields.thumbnail.empty()) {
    tiff.PutU32At(next_link, static_cast<std::uint32_t>(tiff.size()));
    values.clear();
    WriteIfd(tiff,
             {{0x0103, 3, 6},
              {0x0201, 4, 0},
              {0x0202, 4, static_cast<std::uint32_t>(fields.thumbnail.size())}},
             &values);
    tiff.PutU32At(values[1], static_cast<std::uint32_t>(tiff.size()));
    tiff.Append(fields.thumbnail);
  }
  const std::vector<std::uint8_t> block = tiff.Take();
  const std::size_t payload = 6 + block.size();
  if (payload > kMaxSegmentPayload) return {};
  std::vector<std::uint8_t> segment = {0xFF, 0xE1};
  AppendU16BigEndian(segment, payload + 2);
  for (char c : {'E', 'x', 'i', 'f', '\0', '\0'}) segment.push_back(static_cast<std::uint8_t>(c));
  segment.insert(segment.end(), block.begin(), block.end());
  return segment;
}

std::vector<std::uint8_t> PaddingSegments(std::size_t bytes) {
  std::vector<std::uint8_t> out;
  while (bytes >= 4) {
    // A last piece too short to be a segment of its own is given to this one.
    std::size_t payload = std::min(bytes - 4, kMaxSegmentPayload);
    if (bytes - 4 - payload > 0 && bytes - 4 - payload < 4) payload -= 4;
    out.push_back(0xFF);
    out.push_back(0xFE);
    AppendU16BigEndian(out, payload + 2);
    out.insert(out.end(), payload, static_cast<std::uint8_t>('.'));
    bytes -= payload + 4;
  }
  return out;
}

std::vector<std::uint8_t> WithSegmentsAfterSoi(const std::vector<std::uint8_t>& jpeg,
                                               const std::vector<std::uint8_t>& segments) {
  std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + std::min<long>(2, jpeg.size()));
  out.insert(out.end(), segments.begin(), segments.end());
  if (jpeg.size() > 2) out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

}  // namespace quorvel::testkit
