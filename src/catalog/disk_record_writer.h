// Writing a disk record: head with placeholders, thumbnail records, then the patched length and
// counts. A scan builds the record on its own (DiskRecordBuilder) and the document appends it
// whole; the functions that append in place serve the tools that write whole catalogues.
#ifndef QUORVEL_CATALOG_DISK_RECORD_WRITER_H_
#define QUORVEL_CATALOG_DISK_RECORD_WRITER_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "catalog/picture_facts.h"
#include "catalog/stream.h"
#include "catalog/thumbnail_jpeg.h"

namespace quorvel {

// Where an unfinished disk record starts, and how many thumbnail records it holds so far.
struct DiskRecordHead {
  std::int64_t start = 0;
  std::uint8_t name_length = 0;
  std::int64_t thumb_count = 0;
};

// Appends the head of a new disk record named `name` (1251 bytes): "D", the name length, the
// count placeholder, the name and the length placeholder. An empty stream first gets the header
// with disk count 0; a header cut short (1 to 5 bytes) is completed with zero bytes first.
// Throws CatalogError, stream unchanged, when the name exceeds 255 bytes or the catalogue
// already holds 65535 disks.
DiskRecordHead BeginDiskRecord(Bytes& stream, std::string_view name);

// `path` (1251 bytes) as an image name can hold it: unchanged when it fits the one-byte length,
// else shortened from the left to an ellipsis (0x85) and its last 254 bytes, so that the file
// name, which saving thumbnails to a folder takes from it, survives.
std::string StorableImagePath(std::string_view path);

// Appends one thumbnail record for image `name` (1251 bytes) whose JPEG data the encoder writes
// straight to the end of the stream, then patches its JPEG length. Throws CatalogError, with the
// stream cut back to where the record began, when the name exceeds 255 bytes, the JPEG exceeds
// 65535 bytes, the disk already holds 65535 thumbnails, or encoding fails.
// `encoder`, when given, is the one reused for every thumbnail of the disk. The JPEG carries
// `facts` (EncodeFactsSegments) unless that would take it past 65535 bytes: then it is stored
// without them. Facts without a fingerprint gain the one of `image` (FingerprintOfPixels),
// unless they say it shows no picture.
void AppendThumbnailRecord(Bytes& stream, DiskRecordHead& head, std::string_view name,
                           const RgbView& image, JpegEncoder* encoder = nullptr,
                           const PictureFacts& facts = {});

// The same with JPEG data that already exists (copied byte for byte).
void AppendThumbnailRecord(Bytes& stream, DiskRecordHead& head, std::string_view name,
                           ByteView jpeg);

// Patches the record length and thumbnail count of `head` and raises the header's disk count.
// Throws CatalogError, stream unchanged, when the record has grown to 2^31 bytes or more.
void FinishDiskRecord(Bytes& stream, const DiskRecordHead& head);

// Throws CatalogError when the catalogue `stream` already holds 65535 disks.
void RequireRoomForDisk(const Bytes& stream);

// Appends `record`, as DiskRecordBuilder::Finish made it, to the catalogue `stream` and counts
// it in the header; an empty stream first gets the header, one cut short is completed. Throws
// CatalogError, stream unchanged, when the catalogue already holds 65535 disks.
void AppendDiskRecord(Bytes& stream, ByteView record);

// One disk record built on its own, away from the catalogue: a failure anywhere just drops the
// builder, and the catalogue never holds a record with placeholders.
class DiskRecordBuilder {
 public:
  // Throws CatalogError when `name` (1251 bytes) exceeds 255 bytes.
  explicit DiskRecordBuilder(std::string_view name);

  // Adds a thumbnail record as AppendThumbnailRecord does, with its limits; a refused one
  // leaves the record as it was.
  void AddThumbnail(std::string_view name, const RgbView& image, JpegEncoder* encoder = nullptr,
                    const PictureFacts& facts = {});
  void AddThumbnail(std::string_view name, ByteView jpeg);

  std::int64_t ThumbCount() const { return head_.thumb_count; }

  // The finished record, length and thumbnail count patched, for AppendDiskRecord. Throws
  // CatalogError when it has grown to 2^31 bytes or more.
  Bytes Finish() &&;

 private:
  Bytes record_;
  DiskRecordHead head_;
};

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_DISK_RECORD_WRITER_H_
