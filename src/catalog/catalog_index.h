// The table of contents of a catalogue stream: where every disk and thumbnail record lies.
//
// The index holds positions and names, never image bytes; it is rebuilt from the stream after
// every change and never edited in place.
#ifndef QUORVEL_CATALOG_CATALOG_INDEX_H_
#define QUORVEL_CATALOG_CATALOG_INDEX_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/stream.h"

namespace quorvel {

// One thumbnail record. Names are Windows-1251 bytes owned by the CatalogIndex they came from.
struct Disc {
  std::string_view Name;    // image path, up to the first zero byte of the stored name
  std::int64_t JpegPos;     // stream position of the first JPEG byte
  std::int32_t JpegSize;    // number of JPEG bytes
  std::uint8_t NameLength;  // the stored name length field (Name may be shorter)

  // Stream position of the record's "F" marker.
  std::int64_t RecordStart() const { return JpegPos - NameLength - 4; }
};

// One disk record.
struct CatInfo {
  std::string_view Name;       // disk name, up to the first zero byte of the stored name
  std::int64_t FirstThumbPos;  // one past the first thumbnail's marker: record start + N + 9
  std::int64_t RecordEnd;      // one past the last byte of the record
  std::vector<Disc> Thumbs;    // in file order
  std::int32_t ThumbCount;     // Thumbs.size()
  std::uint8_t NameLength;     // the stored name length field N (Name may be shorter)

  // Stream position of the record's "D" marker.
  std::int64_t RecordStart() const { return FirstThumbPos - NameLength - 9; }
};

// Where and why the walk stopped on bytes that are not a well-formed catalogue.
struct IndexDamage {
  std::int64_t offset;  // start of the first record (or header) that does not fit
  std::string reason;   // one English sentence for logs and the command line
};

// The result of BuildIndex. Move-only: the names point into storage the index owns.
class CatalogIndex {
 public:
  CatalogIndex();
  ~CatalogIndex();
  CatalogIndex(CatalogIndex&&) noexcept;
  CatalogIndex& operator=(CatalogIndex&&) noexcept;
  CatalogIndex(const CatalogIndex&) = delete;
  CatalogIndex& operator=(const CatalogIndex&) = delete;

  std::int32_t DiskCount = 0;         // the header's disk count
  std::vector<CatInfo> Disks;         // every disk record that was indexed, in file order
  std::optional<IndexDamage> Damage;  // set when the stream is not a well-formed catalogue

  std::int64_t TotalThumbs() const;

 private:
  friend class IndexBuilder;
  class NamePool;
  std::unique_ptr<NamePool> names_;
};

// Indexes `stream` in one pass. An empty stream is an empty catalogue. A well-formed catalogue
// indexes every record. For damaged bytes the index holds every record before the first one
// that does not fit, plus the thumbnails of that disk that lie whole within the stream and its
// declared length, and Damage says where and why. Never reads outside the stream; allocates no
// more entries than the stream could hold (a disk record needs 8 bytes, a thumbnail record 4).
CatalogIndex BuildIndex(ByteView stream);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_INDEX_H_
