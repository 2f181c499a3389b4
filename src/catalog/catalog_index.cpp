#include "catalog/catalog_index.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory_resource>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "catalog/format.h"
#include "catalog/picture_facts.h"
#include "catalog/piece_list.h"

namespace quorvel {
namespace {

std::uint32_t Big16(const std::uint8_t* p) { return std::uint32_t{p[0]} << 8 | p[1]; }
std::uint32_t Big32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::string ByteCount(std::int64_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

std::size_t NameSize(const std::uint8_t* name, std::uint8_t length) {
  const void* zero = std::memchr(name, 0, length);
  return zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - name) : length;
}

ThumbFacts Summary(const PictureFacts& facts) {
  ThumbFacts summary;
  summary.taken = facts.taken.value_or(ThumbFacts::kNoDate);
  summary.file_size = facts.file_size.value_or(-1);
  summary.width = facts.width;
  summary.height = facts.height;
  summary.has_position = facts.position.has_value();
  return summary;
}

// Memory for the index of a large catalogue: blocks that grow from 2 MB, each asked of the
// system at once and, on Linux, as huge pages where the system allows them for the asking. The
// index of a lifetime's catalogue is some 40 MB of small entries; taken page by page, the
// system's work of handing out 10,000 pages cost more than reading the file's records.
class LargeBlocks : public std::pmr::memory_resource {
 private:
  void* do_allocate(std::size_t bytes, [[maybe_unused]] std::size_t alignment) override {
#ifdef __linux__
    void* block =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    ::madvise(block, bytes, MADV_HUGEPAGE);
    return block;
#else
    return ::operator new(bytes, std::align_val_t(alignment));
#endif
  }
  void do_deallocate(void* block, std::size_t bytes,
                     [[maybe_unused]] std::size_t alignment) override {
#ifdef __linux__
    ::munmap(block, bytes);
#else
    ::operator delete(block, bytes, std::align_val_t(alignment));
#endif
  }
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
    return this == &other;
  }
};

struct IndexArena {
  LargeBlocks blocks;
  std::pmr::monotonic_buffer_resource pool{std::size_t{2} << 20, &blocks};
};

// Catalogues from this size on (a few thousand thumbnails) are indexed into an arena.
constexpr std::int64_t kArenaFrom = 512 << 10;

// What a piece list is read through: the bytes ahead of the walk, small enough to stay in the
// processor's cache while it is parsed.
constexpr std::int64_t kWindow = 256 << 10;

class IndexBuilder {
 public:
  IndexBuilder(ByteView stream, CatalogIndex& index)
      : d_(stream.data()), size_(static_cast<std::int64_t>(stream.size())), index_(index) {}
  IndexBuilder(const PieceList& pieces, CatalogIndex& index, const ProgressCallback& progress)
      : pieces_(&pieces), progress_(&progress), size_(pieces.Size()), index_(index) {
    if (size_ >= kArenaFrom) arena_ = std::make_shared<IndexArena>();
  }

  void Build() {
    if (size_ == 0) return;
    if (size_ < kMagicSize || std::memcmp(At(0, kMagicSize), kMagic, kMagicSize) != 0) {
      Fail(0, "the file does not begin with the catalogue magic \"Ctlg\"");
      return;
    }
    // A header cut after the magic reads its missing count bytes as zero.
    std::uint8_t count[kCountWidth] = {};
    const std::int64_t present = std::min<std::int64_t>(kCountWidth, size_ - kDiskCountOffset);
    if (present > 0) std::memcpy(count, At(kDiskCountOffset, present), present);
    index_.DiskCount = static_cast<std::int32_t>(Big16(count));
    // Never more entries than the bytes could hold, whatever the count claims.
    index_.Disks.reserve(static_cast<std::size_t>(std::min<std::int64_t>(
        index_.DiskCount, std::max<std::int64_t>(size_ - kHeaderSize, 0) / kDiskFixedSize)));

    std::int64_t pos = std::min(kHeaderSize, size_);
    for (std::int32_t i = 0; i < index_.DiskCount && !index_.Damage; ++i) pos = IndexDisk(i, pos);
    if (!index_.Damage && pos < size_) {
      record_ = pos;
      Fail(pos, "the file goes on for " + ByteCount(size_ - pos) + " after the last of the " +
                    std::to_string(index_.DiskCount) + " disk records");
    }
  }

  void BuildFrom(std::int64_t start, std::int32_t first_disk) {
    follow_lengths_ = true;
    disk_base_ = first_disk;
    std::int64_t pos = std::clamp<std::int64_t>(start, 0, size_);
    for (std::int32_t i = 0; pos < size_ && !index_.Damage; ++i) {
      if (index_.Disks.size() >= kMaxDisks) {
        record_ = pos;
        Fail(pos, "a catalogue holds at most 65535 disk records");
        break;
      }
      pos = IndexDisk(i, pos);
    }
    index_.DiskCount = static_cast<std::int32_t>(index_.Disks.size());
  }

  void BuildDamaged(std::int64_t start, std::int32_t disk) {
    follow_lengths_ = true;
    salvage_ = true;
    disk_base_ = disk;
    if (start >= 0 && start < size_) IndexDisk(0, start);
    index_.DiskCount = static_cast<std::int32_t>(index_.Disks.size());
  }

 private:
  // The `n` bytes at `pos`, which lie within the stream; valid until the next call.
  const std::uint8_t* At(std::int64_t pos, std::int64_t n) {
    if (d_) return d_ + pos;
    if (pos < window_start_ ||
        pos + n > window_start_ + static_cast<std::int64_t>(window_.size())) {
      window_start_ = pos;
      window_.resize(static_cast<std::size_t>(std::min(std::max(n, kWindow), size_ - pos)));
      pieces_->Read(pos, window_);
      if (*progress_) (*progress_)(pos + static_cast<std::int64_t>(window_.size()), size_);
    }
    return window_.data() + (pos - window_start_);
  }

  // Indexes the disk record that starts at `s`; returns where the next one starts.
  std::int64_t IndexDisk(std::int32_t i, std::int64_t s) {
    // Reasons are spelled out only on failure: this loop runs once per record.
    const auto disk = [this, i] { return "disk record " + std::to_string(disk_base_ + i + 1); };
    record_ = s;
    if (size_ - s < kDiskFixedSize) {
      Fail(s, disk() + (follow_lengths_ ? "" : " of " + std::to_string(index_.DiskCount)) +
                  " is missing or cut short");
      return s;
    }
    // A salvage reads the head whatever its marker; so, for the next record's place, does a
    // walk that stops at a wrong one.
    const bool marked = *At(s, 1) == kDiskMarker || salvage_;
    if (!marked) Fail(s, disk() + " does not begin with the marker \"D\"");
    const std::uint8_t n = At(s, kDiskFixedSize)[1];
    if (size_ - s < kDiskFixedSize + n) {
      Fail(s, disk() + " is cut short inside its name");
      return s;
    }
    const std::uint8_t* head = At(s, kDiskFixedSize + n);
    const std::uint32_t thumb_count = Big16(head + 2);
    const std::int64_t length = Big32(head + 4 + n);
    const bool length_fits = length >= kDiskFixedSize + n && length <= size_ - s;
    if (!marked) {
      if (length_fits) index_.Damage->next_record = s + length;
      return s;
    }
    if (!length_fits) {
      Fail(s, disk() + " declares " + std::to_string(length) + " bytes, but " +
                  std::to_string(size_ - s) + " remain and its fixed part needs " +
                  std::to_string(kDiskFixedSize + n));
    } else if (salvage_ && length != size_ - s) {
      Fail(s, disk() + " declares " + std::to_string(length) + " bytes, but the next disk record " +
                  "starts " + ByteCount(size_ - s) + " after it");
    }
    // Even a disk whose length does not fit keeps the thumbnails that lie whole in the stream;
    // a salvage, which trusts no length, keeps those up to where the next record starts.
    const std::int64_t limit = length_fits && !salvage_ ? s + length : size_;

    CatInfo& info = index_.Disks.emplace_back();
    info.NameLength = n;
    info.Name.assign(reinterpret_cast<const char*>(head + 4), NameSize(head + 4, n));
    info.FirstThumbPos = s + n + 9;
    const std::int64_t base = s + kDiskFixedSize + n;
    auto storage = arena_ ? std::make_shared<DiskThumbs>(arena_, &arena_->pool)
                          : std::make_shared<DiskThumbs>();
    // Never more entries than the bytes could hold, whatever the count claims.
    storage->thumbs.reserve(static_cast<std::size_t>(std::min<std::int64_t>(
        thumb_count, std::max<std::int64_t>(limit - base, 0) / kThumbFixedSize)));
    std::vector<std::uint32_t> name_starts;
    name_starts.reserve(storage->thumbs.capacity());
    storage->names.reserve(storage->thumbs.capacity() * 64);  // a typical path's length
    ThumbFactsCollector collect_facts(*storage);
    std::int64_t p = base;
    // A repair trusts a length that fits over the count: the records must fill it exactly.
    const bool fill_length = follow_lengths_ && (length_fits || salvage_);
    for (std::uint32_t j = 0; fill_length ? p < limit && j < kMaxThumbsPerDisk : j < thumb_count;
         ++j) {
      const auto thumb = [&] {
        return "thumbnail record " + std::to_string(j + 1) + " of " + disk();
      };
      if (limit - p < kThumbFixedSize) {
        Fail(p, thumb() + " is missing or cut short");
        break;
      }
      const std::uint8_t* fixed = At(p, kThumbFixedSize);
      if (fixed[0] != kThumbMarker) {
        Fail(p, thumb() + " does not begin with the marker \"F\"");
        break;
      }
      const std::uint8_t m = fixed[1];
      if (limit - p < kThumbFixedSize + m) {
        Fail(p, thumb() + " is cut short inside its name");
        break;
      }
      const std::uint8_t* record = At(p, kThumbFixedSize + m);
      const auto jpeg_size = static_cast<std::int32_t>(Big16(record + 2 + m));
      const std::int64_t jpeg_pos = p + kThumbFixedSize + m;
      if (limit - jpeg_pos < jpeg_size) {
        Fail(p, thumb() + " is cut short inside its JPEG data");
        break;
      }
      const auto name_size = static_cast<std::uint8_t>(NameSize(record + 2, m));
      name_starts.push_back(static_cast<std::uint32_t>(storage->names.size()));
      storage->names.append(reinterpret_cast<const char*>(record + 2), name_size);
      // Asked while its bytes pass by, so that opening reads the file no more than before: the
      // head, which holds the facts when there are any, then the last two bytes.
      const std::int64_t head_size = std::min<std::int64_t>(jpeg_size, kFactsHeadBytes);
      const ByteView head(At(jpeg_pos, head_size), static_cast<std::size_t>(head_size));
      collect_facts.AddFromJpegHead(storage->thumbs.size(), head);
      bool whole_jpeg = false;
      if (jpeg_size >= 4) {
        whole_jpeg = head[0] == 0xFF && head[1] == 0xD8;
        const std::uint8_t* last = At(jpeg_pos + jpeg_size - 2, 2);
        whole_jpeg = whole_jpeg && last[0] == 0xFF && last[1] == 0xD9;
      }
      storage->thumbs.push_back(
          Disc{jpeg_pos - base, nullptr, jpeg_size, m, name_size, whole_jpeg});
      p = jpeg_pos + jpeg_size;
    }
    collect_facts.Finish();
    // The names are in place now: point each thumbnail at its own.
    for (std::size_t j = 0; j < storage->thumbs.size(); ++j) {
      storage->thumbs[j].NamePtr = storage->names.data() + name_starts[j];
    }
    info.ThumbCount = static_cast<std::int32_t>(storage->thumbs.size());
    info.Thumbs = storage->thumbs;
    info.Storage = std::move(storage);
    if (!index_.Damage && p != limit) {
      Fail(p, disk() + " holds " + ByteCount(limit - p) + " after its " +
                  std::to_string(info.ThumbCount) + " thumbnail records");
    }
    if (index_.Damage && length_fits) index_.Damage->next_record = s + length;
    // A damaged record ends where its last whole thumbnail ends: nothing past it was indexed.
    info.RecordEnd = index_.Damage || salvage_ ? p : s + length;
    return info.RecordEnd;
  }

  void Fail(std::int64_t offset, std::string reason) {
    if (!index_.Damage) index_.Damage = IndexDamage{offset, std::move(reason), record_};
  }

  const std::uint8_t* d_ = nullptr;    // the whole stream, when it is in memory
  const PieceList* pieces_ = nullptr;  // else the pieces, read through `window_`
  const ProgressCallback* progress_ = nullptr;
  Bytes window_;
  std::int64_t window_start_ = 0;
  std::shared_ptr<IndexArena> arena_;  // set for a large catalogue
  const std::int64_t size_;
  CatalogIndex& index_;
  bool follow_lengths_ = false;  // walking for a repair: lengths over counts
  bool salvage_ = false;         // reading one damaged record for a repair: no length trusted
  std::int32_t disk_base_ = 0;   // the number of disk records before the walk's first
  std::int64_t record_ = 0;      // start of the disk record being read, for Damage
};

}  // namespace

void ThumbFactsCollector::AddFromJpegHead(std::size_t thumb, ByteView head) {
  if (!FactsFollowJfif(head)) return;  // a look at a few bytes passes over a thumbnail without them
  const PictureFacts facts = ReadPictureFacts(head);
  if (!facts.Empty()) Add(thumb, Summary(facts), CameraName(facts.make, facts.model));
}

void ThumbFactsCollector::Add(std::size_t thumb, ThumbFacts facts, std::string_view camera) {
  if (camera.empty() && facts.taken == ThumbFacts::kNoDate && facts.file_size < 0 &&
      facts.width == 0 && facts.height == 0 && !facts.has_position) {
    return;  // nothing that the index keeps
  }
  if (thumbs_.facts.empty()) thumbs_.facts.reserve(std::max(thumbs_.thumbs.capacity(), thumb + 1));
  thumbs_.facts.resize(thumb);  // the thumbnails before it without facts
  facts.camera_start = 0;
  facts.camera_size = 0;
  if (!camera.empty()) {
    if (!last_ || last_->first != camera) {
      auto known = cameras_.find(camera);
      if (known == cameras_.end()) {
        const CameraRange range{static_cast<std::uint32_t>(thumbs_.cameras.size()),
                                static_cast<std::uint16_t>(std::min<std::size_t>(
                                    camera.size(), std::numeric_limits<std::uint16_t>::max()))};
        thumbs_.cameras.append(camera.substr(0, range.size));
        known = cameras_.emplace(std::string(camera), range).first;
      }
      last_ = &*known;
    }
    facts.camera_start = last_->second.start;
    facts.camera_size = last_->second.size;
  }
  thumbs_.facts.push_back(facts);
}

void ThumbFactsCollector::Finish() {
  if (!thumbs_.facts.empty()) thumbs_.facts.resize(thumbs_.thumbs.size());
}

CatalogIndex BuildIndex(ByteView stream) {
  CatalogIndex index;
  IndexBuilder(stream, index).Build();
  return index;
}

CatalogIndex BuildIndex(const PieceList& pieces, const ProgressCallback& progress) {
  CatalogIndex index;
  IndexBuilder(pieces, index, progress).Build();
  return index;
}

CatalogIndex IndexRecordsFrom(ByteView stream, std::int64_t start, std::int32_t first_disk) {
  CatalogIndex index;
  IndexBuilder(stream, index).BuildFrom(start, first_disk);
  return index;
}

CatalogIndex IndexDamagedDisk(ByteView stream, std::int64_t start, std::int64_t end,
                              std::int32_t disk) {
  CatalogIndex index;
  // The stream is cut where the next record starts, so that no thumbnail is taken from beyond it.
  const auto size = static_cast<std::int64_t>(stream.size());
  IndexBuilder(stream.first(static_cast<std::size_t>(std::clamp<std::int64_t>(end, 0, size))),
               index)
      .BuildDamaged(start, disk);
  return index;
}

std::int64_t FindDiskRecord(ByteView stream, std::int64_t from, std::int64_t& budget) {
  const std::uint8_t* d = stream.data();
  const auto size = static_cast<std::int64_t>(stream.size());
  for (std::int64_t s = std::max<std::int64_t>(from, 0); size - s >= kDiskFixedSize; ++s) {
    const void* marker =
        std::memchr(d + s, kDiskMarker, static_cast<std::size_t>(size - kDiskFixedSize + 1 - s));
    if (!marker) break;
    s = static_cast<const std::uint8_t*>(marker) - d;
    // Most "D" bytes lie inside JPEG data and fail on these few reads, before any walk.
    const std::uint8_t n = d[s + 1];
    if (size - s < kDiskFixedSize + n) continue;
    const std::int64_t length = Big32(d + s + 4 + n);
    if (length < kDiskFixedSize + n || length > size - s) continue;
    const std::int64_t end = s + length;
    std::int64_t p = s + kDiskFixedSize + n;
    for (std::uint32_t j = 0; j < kMaxThumbsPerDisk && end - p >= kThumbFixedSize; ++j) {
      if (d[p] != kThumbMarker) break;
      if (--budget < 0) return -1;
      const std::uint8_t m = d[p + 1];
      if (end - p < kThumbFixedSize + m) break;
      p += kThumbFixedSize + m + Big16(d + p + 2 + m);
    }
    if (p == end) return s;
  }
  return -1;
}

}  // namespace quorvel
