#include "catalog/disk_record_writer.h"

#include <string>
#include <utility>

#include "catalog/catalog_error.h"
#include "catalog/field_codec.h"
#include "catalog/format.h"
#include "catalog/picture_fingerprint.h"

namespace quorvel {
namespace {

void CheckNameLength(std::string_view name, const char* what) {
  if (name.size() > kMaxNameBytes) {
    throw CatalogError(std::string(what) + " is " + std::to_string(name.size()) +
                       " bytes long; at most 255 can be stored");
  }
}

void Append(Bytes& stream, const void* bytes, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  stream.insert(stream.end(), p, p + count);
}

// Appends "F", M, the name and the JPEG length placeholder; returns where the JPEG data starts.
std::int64_t BeginThumbRecord(Bytes& stream, const DiskRecordHead& head, std::string_view name) {
  CheckNameLength(name, "The image path");
  if (head.thumb_count >= kMaxThumbsPerDisk) {
    throw CatalogError("A disk holds at most 65535 thumbnails", ErrorKind::kFull);
  }
  stream.push_back(kThumbMarker);
  stream.push_back(static_cast<std::uint8_t>(name.size()));
  Append(stream, name.data(), name.size());
  Append(stream, kJpegLengthPlaceholder, sizeof kJpegLengthPlaceholder);
  return static_cast<std::int64_t>(stream.size());
}

// Patches the JPEG length of the record whose data starts at `jpeg_pos`, or removes the whole
// record again when the data is too long for its field.
void EndThumbRecord(Bytes& stream, DiskRecordHead& head, std::int64_t jpeg_pos,
                    std::size_t name_length) {
  const std::int64_t jpeg_size = static_cast<std::int64_t>(stream.size()) - jpeg_pos;
  if (jpeg_size > kMaxJpegBytes) {
    stream.resize(static_cast<std::size_t>(jpeg_pos) - name_length - kThumbFixedSize);
    throw CatalogError("The thumbnail's JPEG data is " + std::to_string(jpeg_size) +
                       " bytes long; at most 65535 can be stored");
  }
  WriteField(stream, jpeg_pos - kJpegLengthWidth, jpeg_size, kJpegLengthWidth);
  ++head.thumb_count;
}

// An empty stream gets the header with disk count 0; one cut short (1 to 5 bytes) is completed
// with zero bytes, which is the count those bytes already spell.
void CompleteHeader(Bytes& stream) {
  if (stream.size() >= static_cast<std::size_t>(kHeaderSize)) return;
  if (stream.empty()) Append(stream, kMagic, kMagicSize);
  stream.resize(kHeaderSize);
}

// Appends the head of a disk record named `name`, which the caller has checked, with its
// placeholders.
DiskRecordHead AppendDiskHead(Bytes& stream, std::string_view name) {
  DiskRecordHead head;
  head.start = static_cast<std::int64_t>(stream.size());
  head.name_length = static_cast<std::uint8_t>(name.size());
  stream.push_back(kDiskMarker);
  stream.push_back(head.name_length);
  Append(stream, kThumbCountPlaceholder, sizeof kThumbCountPlaceholder);
  Append(stream, name.data(), name.size());
  Append(stream, kRecordLengthPlaceholder, sizeof kRecordLengthPlaceholder);
  return head;
}

// The length of the record `head` begins, which runs to the end of the stream; throws
// CatalogError when its field cannot hold it.
std::int64_t RecordLength(const Bytes& stream, const DiskRecordHead& head) {
  const std::int64_t length = static_cast<std::int64_t>(stream.size()) - head.start;
  if (length > kMaxDiskRecordLength) {
    throw CatalogError("The disk record has grown past 2 GB and cannot be stored", ErrorKind::kFull);
  }
  return length;
}

void PatchDiskHead(Bytes& stream, const DiskRecordHead& head, std::int64_t length) {
  WriteField(stream, head.start + 4 + head.name_length, length, kRecordLengthWidth);
  WriteField(stream, head.start + 2, head.thumb_count, kCountWidth);
}

}  // namespace

std::string StorableImagePath(std::string_view path) {
  if (path.size() <= kMaxNameBytes) return std::string(path);
  std::string shortened(1, kShortenedPathMark);
  shortened.append(path.substr(path.size() - (kMaxNameBytes - 1)));
  return shortened;
}

DiskRecordHead BeginDiskRecord(Bytes& stream, std::string_view name) {
  CheckNameLength(name, "The disk name");
  RequireRoomForDisk(stream);
  CompleteHeader(stream);
  return AppendDiskHead(stream, name);
}

void AppendThumbnailRecord(Bytes& stream, DiskRecordHead& head, std::string_view name,
                           const RgbView& image, JpegEncoder* encoder, const PictureFacts& facts) {
  const std::int64_t jpeg_pos = BeginThumbRecord(stream, head, name);
  const auto encode = [&](ByteView segments) {
    return encoder ? encoder->Append(stream, image, segments) : AppendJpeg(stream, image, segments);
  };
  try {
    PictureFacts stored = facts;
    if (!stored.fingerprint && !stored.no_picture) {
      stored.fingerprint = FingerprintOfPixels(image, facts.width, facts.height);
    }
    const Bytes segments = EncodeFactsSegments(stored);
    if (encode(segments) > kMaxJpegBytes && !segments.empty()) {
      // Better a thumbnail without its facts than none.
      stream.resize(static_cast<std::size_t>(jpeg_pos));
      encode({});
    }
  } catch (const CatalogError&) {
    stream.resize(static_cast<std::size_t>(jpeg_pos) - name.size() - kThumbFixedSize);
    throw;
  }
  EndThumbRecord(stream, head, jpeg_pos, name.size());
}

void AppendThumbnailRecord(Bytes& stream, DiskRecordHead& head, std::string_view name,
                           ByteView jpeg) {
  const std::int64_t jpeg_pos = BeginThumbRecord(stream, head, name);
  stream.insert(stream.end(), jpeg.begin(), jpeg.end());
  EndThumbRecord(stream, head, jpeg_pos, name.size());
}

void FinishDiskRecord(Bytes& stream, const DiskRecordHead& head) {
  const std::int64_t length = RecordLength(stream, head);
  const std::int64_t disks = ReadField(stream, kDiskCountOffset, kCountWidth) + 1;
  // Encode all three fields before writing any, so a refusal leaves the stream as it was.
  EncodeField(disks, kCountWidth);
  PatchDiskHead(stream, head, length);
  WriteField(stream, kDiskCountOffset, disks, kCountWidth);
}

void RequireRoomForDisk(const Bytes& stream) {
  // A header cut short counts the disks its bytes spell, the missing ones read as zero.
  if (ReadField(stream, kDiskCountOffset, kCountWidth) >= kMaxDisks) {
    throw CatalogError("A catalogue holds at most 65535 disks", ErrorKind::kFull);
  }
}

void AppendDiskRecord(Bytes& stream, ByteView record) {
  RequireRoomForDisk(stream);
  CompleteHeader(stream);
  stream.insert(stream.end(), record.begin(), record.end());
  WriteField(stream, kDiskCountOffset, ReadField(stream, kDiskCountOffset, kCountWidth) + 1,
             kCountWidth);
}

DiskRecordBuilder::DiskRecordBuilder(std::string_view name) {
  CheckNameLength(name, "The disk name");
  head_ = AppendDiskHead(record_, name);
}

void DiskRecordBuilder::AddThumbnail(std::string_view name, const RgbView& image,
                                     JpegEncoder* encoder, const PictureFacts& facts) {
  AppendThumbnailRecord(record_, head_, name, image, encoder, facts);
}

void DiskRecordBuilder::AddThumbnail(std::string_view name, ByteView jpeg) {
  AppendThumbnailRecord(record_, head_, name, jpeg);
}

Bytes DiskRecordBuilder::Finish() && {
  PatchDiskHead(record_, head_, RecordLength(record_, head_));
  return std::move(record_);
}

}  // namespace quorvel
