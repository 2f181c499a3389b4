// The table of contents of a catalogue stream: where every disk and thumbnail record lies.
//
// The index holds positions and names, never image bytes. Each disk's thumbnails are kept in
// storage of their own with positions counted from the disk's first thumbnail record, so that an
// edit makes a new index that shares every disk it leaves alone with the old one.
#ifndef QUORVEL_CATALOG_CATALOG_INDEX_H_
#define QUORVEL_CATALOG_CATALOG_INDEX_H_

#include <climits>
#include <cstddef>
#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <memory_resource>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "catalog/stream.h"

namespace quorvel {

class PieceList;

// One thumbnail record. Positions count from the start of its disk's thumbnail records
// (CatInfo::ThumbsStart), so that they hold wherever the disk record moves.
struct Disc {
  std::int64_t JpegOffset;  // position of the first JPEG byte
  const char* NamePtr;      // the image path, kept by the disk's storage
  std::int32_t JpegSize;    // number of JPEG bytes
  std::uint8_t NameLength;  // the stored image name length field M
  std::uint8_t NameSize;    // bytes of the name up to its first zero byte (at most M)
  bool WholeJpeg;           // the JPEG bytes begin with FF D8 and end with FF D9

  // Position of the record's "F" marker.
  std::int64_t RecordOffset() const { return JpegOffset - NameLength - 4; }
  // One past the record's last byte.
  std::int64_t EndOffset() const { return JpegOffset + JpegSize; }

  // The image path (Windows-1251 bytes).
  std::string_view Name() const { return {NamePtr, NameSize}; }
};

// What a search, an ordering and a list need of a thumbnail's facts (picture_facts.h), read
// from its JPEG while the index is built, so that no query parses a JPEG.
struct ThumbFacts {
  static constexpr std::int64_t kNoDate = INT64_MIN;
  std::int64_t taken = kNoDate;  // PictureFacts::taken
  std::int64_t file_size = -1;   // -1: unknown
  std::int32_t width = 0;        // 0 x 0: unknown
  std::int32_t height = 0;
  // CameraName(make, model) is DiskThumbs::cameras[camera_start, camera_start + camera_size).
  std::uint32_t camera_start = 0;
  std::uint16_t camera_size = 0;
  bool has_position = false;
};

// What an index holds of one disk's thumbnails; shared by every index that holds the disk.
struct DiskThumbs {
  DiskThumbs() = default;
  // Allocating from `arena`, which it keeps alive: the memory of the disks indexed in one pass
  // over a large catalogue, taken in a few large blocks instead of thousands of small ones.
  DiskThumbs(std::shared_ptr<void> arena, std::pmr::memory_resource* memory)
      : arena_(std::move(arena)), thumbs(memory), names(memory), facts(memory), cameras(memory) {}

 private:
  std::shared_ptr<void> arena_;  // declared first: it goes last

 public:
  std::pmr::vector<Disc> thumbs;
  std::pmr::string names;  // every thumbnail's name, back to back
  // Empty when no thumbnail of the disk has facts; else one entry per thumbnail, in order.
  std::pmr::vector<ThumbFacts> facts;
  std::pmr::string cameras;  // the camera names of `facts`, each kept once
};

// Fills DiskThumbs::facts and cameras thumbnail by thumbnail, as a disk's thumbnails are indexed
// or copied: nothing while no thumbnail has facts, and each camera name once.
class ThumbFactsCollector {
 public:
  explicit ThumbFactsCollector(DiskThumbs& thumbs) : thumbs_(thumbs) {}
  // The facts of thumbnail `thumb` (0-based), the thumbnails before it already collected;
  // `camera` is CameraName of its make and model. Facts that hold nothing the index keeps are
  // not added.
  void Add(std::size_t thumb, ThumbFacts facts, std::string_view camera);
  // The same with the facts read from the thumbnail's JPEG, `head` being its first
  // kFactsHeadBytes (or all of it when shorter).
  void AddFromJpegHead(std::size_t thumb, ByteView head);
  // Once every thumbnail is in `thumbs`: the last ones, without facts, get their empty entries.
  void Finish();

 private:
  struct CameraRange {
    std::uint32_t start;
    std::uint16_t size;
  };
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const {
      return std::hash<std::string_view>{}(name);
    }
  };
  using Cameras = std::unordered_map<std::string, CameraRange, NameHash, std::equal_to<>>;

  DiskThumbs& thumbs_;
  Cameras cameras_;
  const Cameras::value_type* last_ = nullptr;  // the camera of the thumbnail before, most often
};

// One disk record.
struct CatInfo {
  std::string Name;              // disk name (Windows-1251), up to its first zero byte
  std::int64_t FirstThumbPos;    // one past the first thumbnail's marker: record start + N + 9
  std::int64_t RecordEnd;        // one past the last byte of the record
  std::span<const Disc> Thumbs;  // in file order; owned by `Storage`
  std::int32_t ThumbCount;       // Thumbs.size()
  std::uint8_t NameLength;       // the stored name length field N (Name may be shorter)
  std::shared_ptr<const DiskThumbs> Storage;

  // Stream position of the record's "D" marker.
  std::int64_t RecordStart() const { return FirstThumbPos - NameLength - 9; }
  // Stream position of the first thumbnail record: where the record's fixed part ends.
  std::int64_t ThumbsStart() const { return FirstThumbPos - 1; }
  // Stream positions of a thumbnail of this disk.
  std::int64_t JpegPos(const Disc& thumb) const { return ThumbsStart() + thumb.JpegOffset; }
  std::int64_t ThumbRecordStart(const Disc& thumb) const {
    return ThumbsStart() + thumb.RecordOffset();
  }
  // The facts of thumbnail `thumb` (0-based), or null when it has none.
  const ThumbFacts* Facts(std::size_t thumb) const {
    return Storage && thumb < Storage->facts.size() ? &Storage->facts[thumb] : nullptr;
  }
  std::string_view Camera(const ThumbFacts& facts) const {
    return std::string_view(Storage->cameras).substr(facts.camera_start, facts.camera_size);
  }
  // The same record at `start` instead, every thumbnail shared.
  CatInfo MovedTo(std::int64_t start) const {
    CatInfo moved = *this;
    moved.FirstThumbPos = start + (FirstThumbPos - RecordStart());
    moved.RecordEnd = start + (RecordEnd - RecordStart());
    return moved;
  }
};

// One thumbnail of a catalogue: its disk's index in CatalogIndex::Disks and its own index in
// that disk's Thumbs (both 0-based).
struct ThumbRef {
  std::int32_t disk;
  std::int32_t thumb;
  friend bool operator==(const ThumbRef&, const ThumbRef&) = default;
  friend auto operator<=>(const ThumbRef&, const ThumbRef&) = default;
};

// Where and why the walk stopped on bytes that are not a well-formed catalogue.
struct IndexDamage {
  std::int64_t offset;  // start of the first record (or header) that does not fit
  std::string reason;   // one English sentence for logs and the command line
  // Start of the disk record that was being read: the first byte past the last whole record
  // (for a file that goes on after its records, where they end; 0 for a bad header).
  std::int64_t record = 0;
  // Where the next disk record starts by the declared length of the damaged disk record, when
  // its head and that length fit the stream, whatever its marker; -1 when the damage leaves no
  // such place. A repair looks there first.
  std::int64_t next_record = -1;
};

// The result of BuildIndex. Copying it copies the disk list only: the thumbnails are shared.
class CatalogIndex {
 public:
  std::int32_t DiskCount = 0;         // the header's disk count
  std::vector<CatInfo> Disks;         // every disk record that was indexed, in file order
  std::optional<IndexDamage> Damage;  // set when the stream is not a well-formed catalogue

  std::int64_t TotalThumbs() const {
    std::int64_t total = 0;
    for (const CatInfo& disk : Disks) total += disk.ThumbCount;
    return total;
  }
  // Thumbnail entries allocated: never more than the stream's thumbnail records could need.
  std::size_t ThumbStorage() const {
    std::size_t total = 0;
    for (const CatInfo& disk : Disks) total += disk.Storage ? disk.Storage->thumbs.capacity() : 0;
    return total;
  }
};

// Indexes `stream` in one pass. An empty stream is an empty catalogue. A well-formed catalogue
// indexes every record. For damaged bytes the index holds every record before the first one
// that does not fit, plus the thumbnails of that disk that lie whole within the stream and its
// declared length, and Damage says where and why. Never reads outside the stream; allocates no
// more entries than the stream could hold (a disk record needs 8 bytes, a thumbnail record 4).
CatalogIndex BuildIndex(ByteView stream);

// The same over a catalogue held as pieces, read front to back through a window of a few
// megabytes: the records' fixed parts and names are kept, the JPEG data only passed over. Throws
// as PieceList::Read does when the file can no longer be read. `progress`, when given, hears
// after each read how far the walk has come (bytes of the whole).
using ProgressCallback = std::function<void(std::int64_t done, std::int64_t total)>;
CatalogIndex BuildIndex(const PieceList& pieces, const ProgressCallback& progress = {});

// For repairing damaged bytes: indexes the disk records that follow one another from `start` to
// the end of `stream`, however many the header claims, and within each record whose declared
// length fits the stream, the thumbnail records that fill that length, whatever its count
// claims; so a wrong count loses nothing. Records are walked as BuildIndex walks them, up to the
// first that does not fit, and counted from `first_disk` (0-based) in Damage's reason.
// DiskCount is the number of records indexed.
CatalogIndex IndexRecordsFrom(ByteView stream, std::int64_t start, std::int32_t first_disk);

// For repairing: indexes the one damaged disk record at `start` as far as it can be read before
// `end`, trusting neither its marker, its count nor its length: its head and the whole thumbnail
// records that follow it back to back. No disk is indexed when its head does not fit before
// `end`. Damage is unset only when those records end exactly at `end` and the record's length
// says so too. `disk` (0-based) numbers it in Damage's reason.
CatalogIndex IndexDamagedDisk(ByteView stream, std::int64_t start, std::int64_t end,
                              std::int32_t disk);

// For repairing: the first place from `from` on where a whole disk record stands: the marker
// "D", a head that fits, and thumbnail records that fill its declared length exactly (whatever
// its count says), so that bytes inside a JPEG that merely look like a disk head are passed
// over. -1 when there is none. Each thumbnail record walked takes one from `budget`; when it is
// spent the search gives up with -1, which only bytes made to look like many records can cause.
std::int64_t FindDiskRecord(ByteView stream, std::int64_t from, std::int64_t& budget);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_INDEX_H_
