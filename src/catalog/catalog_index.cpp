#include "catalog/catalog_index.h"

#include <algorithm>
#include <cstring>

#include "catalog/format.h"

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

}  // namespace

class IndexBuilder {
 public:
  IndexBuilder(ByteView stream, CatalogIndex& index)
      : d_(stream.data()), size_(static_cast<std::int64_t>(stream.size())), index_(index) {}

  void Build() {
    Clear();
    if (size_ == 0) return;
    if (size_ < kMagicSize || std::memcmp(d_, kMagic, kMagicSize) != 0) {
      Fail(0, "the file does not begin with the catalogue magic \"Ctlg\"");
      return;
    }
    // A header cut after the magic reads its missing count bytes as zero.
    std::uint8_t count[kCountWidth] = {};
    for (std::int64_t k = 0; k < kCountWidth && kDiskCountOffset + k < size_; ++k) {
      count[k] = d_[kDiskCountOffset + k];
    }
    index_.DiskCount = static_cast<std::int32_t>(Big16(count));
    Reserve();

    std::int64_t pos = std::min(kHeaderSize, size_);
    for (std::int32_t i = 0; i < index_.DiskCount && !index_.Damage; ++i) pos = IndexDisk(i, pos);
    if (!index_.Damage && pos < size_) {
      record_ = pos;
      Fail(pos, "the file goes on for " + ByteCount(size_ - pos) + " after the last of the " +
                    std::to_string(index_.DiskCount) + " disk records");
    }
    PointDisksAtThumbs();
  }

  void BuildFrom(std::int64_t start, std::int32_t first_disk) {
    Clear();
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
    PointDisksAtThumbs();
  }

  void BuildDamaged(std::int64_t start, std::int32_t disk) {
    Clear();
    follow_lengths_ = true;
    salvage_ = true;
    disk_base_ = disk;
    if (start >= 0 && start < size_) IndexDisk(0, start);
    index_.DiskCount = static_cast<std::int32_t>(index_.Disks.size());
    PointDisksAtThumbs();
  }

 private:
  void Clear() {
    index_.DiskCount = 0;
    index_.Disks.clear();
    index_.Damage.reset();
    index_.thumbs_.clear();
  }

  // The thumbnail storage is final now; point each disk at its share of it.
  void PointDisksAtThumbs() {
    std::size_t first = 0;
    for (CatInfo& disk : index_.Disks) {
      const auto count_of_disk = static_cast<std::size_t>(disk.ThumbCount);
      disk.Thumbs = std::span<const Disc>(index_.thumbs_).subspan(first, count_of_disk);
      first += count_of_disk;
    }
  }

  // Sizes the storage in one step from a walk over the disk records alone (a few thousand
  // steps), so that the thumbnail walk never regrows it. Every bound is what the bytes could
  // hold, whatever the counts claim.
  void Reserve() {
    std::int64_t disks = 0;
    std::int64_t thumbs = 0;
    std::int64_t pos = kHeaderSize;
    while (disks < index_.DiskCount && size_ - pos >= kDiskFixedSize) {
      const std::uint8_t n = d_[pos + 1];
      if (size_ - pos < kDiskFixedSize + n) break;
      const std::int64_t length = Big32(d_ + pos + 4 + n);
      const std::int64_t room = std::min(length, size_ - pos) - kDiskFixedSize - n;
      ++disks;
      if (room < 0) break;
      thumbs += std::min<std::int64_t>(Big16(d_ + pos + 2), room / kThumbFixedSize);
      if (length > size_ - pos) break;
      pos += std::max<std::int64_t>(length, 1);
    }
    index_.Disks.reserve(static_cast<std::size_t>(disks));
    const auto wanted = static_cast<std::size_t>(thumbs);
    // Keep the storage of an earlier, larger catalogue unless it is far larger than needed.
    if (index_.thumbs_.capacity() > 4 * wanted + 4096) std::vector<Disc>().swap(index_.thumbs_);
    index_.thumbs_.reserve(wanted);
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
    const bool marked = d_[s] == kDiskMarker || salvage_;
    if (!marked) Fail(s, disk() + " does not begin with the marker \"D\"");
    const std::uint8_t n = d_[s + 1];
    if (size_ - s < kDiskFixedSize + n) {
      Fail(s, disk() + " is cut short inside its name");
      return s;
    }
    const std::uint32_t thumb_count = Big16(d_ + s + 2);
    const std::int64_t length = Big32(d_ + s + 4 + n);
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
    info.Name.assign(reinterpret_cast<const char*>(d_ + s + 4), NameSize(d_ + s + 4, n));
    info.FirstThumbPos = s + n + 9;
    const std::size_t first_thumb = index_.thumbs_.size();
    std::int64_t p = s + kDiskFixedSize + n;
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
      if (d_[p] != kThumbMarker) {
        Fail(p, thumb() + " does not begin with the marker \"F\"");
        break;
      }
      const std::uint8_t m = d_[p + 1];
      if (limit - p < kThumbFixedSize + m) {
        Fail(p, thumb() + " is cut short inside its name");
        break;
      }
      const auto jpeg_size = static_cast<std::int32_t>(Big16(d_ + p + 2 + m));
      const std::int64_t jpeg_pos = p + kThumbFixedSize + m;
      if (limit - jpeg_pos < jpeg_size) {
        Fail(p, thumb() + " is cut short inside its JPEG data");
        break;
      }
      index_.thumbs_.push_back(
          Disc{jpeg_pos, jpeg_size, m, static_cast<std::uint8_t>(NameSize(d_ + p + 2, m))});
      p = jpeg_pos + jpeg_size;
    }
    info.ThumbCount = static_cast<std::int32_t>(index_.thumbs_.size() - first_thumb);
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

  const std::uint8_t* d_;
  const std::int64_t size_;
  CatalogIndex& index_;
  bool follow_lengths_ = false;  // walking for a repair: lengths over counts
  bool salvage_ = false;         // reading one damaged record for a repair: no length trusted
  std::int32_t disk_base_ = 0;   // the number of disk records before the walk's first
  std::int64_t record_ = 0;      // start of the disk record being read, for Damage
};

void BuildIndex(ByteView stream, CatalogIndex& index) { IndexBuilder(stream, index).Build(); }

CatalogIndex BuildIndex(ByteView stream) {
  CatalogIndex index;
  BuildIndex(stream, index);
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
