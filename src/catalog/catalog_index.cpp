#include "catalog/catalog_index.h"

#include <algorithm>
#include <cstring>

#include "catalog/field_codec.h"
#include "catalog/format.h"

namespace quorvel {

// Names live in fixed blocks that never move, so the views into them stay valid as the pool
// grows and when the index is moved.
class CatalogIndex::NamePool {
 public:
  std::string_view Add(const std::uint8_t* bytes, std::size_t length) {
    if (length == 0) return {};
    if (blocks_.empty() || kBlockSize - used_ < length) {
      blocks_.push_back(std::make_unique<char[]>(kBlockSize));
      used_ = 0;
    }
    char* dest = blocks_.back().get() + used_;
    std::memcpy(dest, bytes, length);
    used_ += length;
    return {dest, length};
  }

 private:
  static constexpr std::size_t kBlockSize = 64 * 1024;  // far above the 255-byte name limit
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0;
};

CatalogIndex::CatalogIndex() : names_(std::make_unique<NamePool>()) {}
CatalogIndex::~CatalogIndex() = default;
CatalogIndex::CatalogIndex(CatalogIndex&&) noexcept = default;
CatalogIndex& CatalogIndex::operator=(CatalogIndex&&) noexcept = default;

std::int64_t CatalogIndex::TotalThumbs() const {
  std::int64_t total = 0;
  for (const CatInfo& disk : Disks) total += disk.ThumbCount;
  return total;
}

class IndexBuilder {
 public:
  explicit IndexBuilder(ByteView stream)
      : d_(stream.data()), size_(static_cast<std::int64_t>(stream.size())) {}

  CatalogIndex Build() {
    if (size_ == 0) return std::move(index_);
    if (size_ < kMagicSize || std::memcmp(d_, kMagic, kMagicSize) != 0) {
      Fail(0, "the file does not begin with the catalogue magic \"Ctlg\"");
      return std::move(index_);
    }
    // A header cut after the magic reads its missing count bytes as zero.
    std::uint8_t count[kCountWidth] = {};
    for (std::int64_t k = 0; k < kCountWidth && kDiskCountOffset + k < size_; ++k) {
      count[k] = d_[kDiskCountOffset + k];
    }
    index_.DiskCount = static_cast<std::int32_t>(DecodeField(count, kCountWidth));

    const std::int64_t room = std::max<std::int64_t>(size_ - kHeaderSize, 0) / kDiskFixedSize;
    index_.Disks.reserve(static_cast<std::size_t>(std::min<std::int64_t>(index_.DiskCount, room)));
    std::int64_t pos = std::min(kHeaderSize, size_);
    for (std::int32_t i = 0; i < index_.DiskCount && !index_.Damage; ++i) {
      pos = IndexDisk(i, pos);
    }
    if (!index_.Damage && pos < size_) {
      Fail(pos, std::to_string(size_ - pos) + " bytes follow the last of the " +
                    std::to_string(index_.DiskCount) + " disk records");
    }
    return std::move(index_);
  }

 private:
  // Indexes the disk record that starts at `s`; returns where the next one starts.
  std::int64_t IndexDisk(std::int32_t i, std::int64_t s) {
    // Reasons are spelled out only on failure: this loop runs once per record.
    const auto disk = [i] { return "disk record " + std::to_string(i + 1); };
    if (size_ - s < kDiskFixedSize) {
      Fail(s, disk() + " of " + std::to_string(index_.DiskCount) + " is missing or cut short");
      return s;
    }
    if (d_[s] != kDiskMarker) {
      Fail(s, disk() + " does not begin with the marker \"D\"");
      return s;
    }
    const std::uint8_t n = d_[s + 1];
    if (size_ - s < kDiskFixedSize + n) {
      Fail(s, disk() + " is cut short inside its name");
      return s;
    }
    const std::uint32_t thumb_count = DecodeField(d_ + s + 2, kCountWidth);
    const std::int64_t length = DecodeField(d_ + s + 4 + n, kRecordLengthWidth);
    const bool length_fits = length >= kDiskFixedSize + n && length <= size_ - s;
    if (!length_fits) {
      Fail(s, disk() + " declares " + std::to_string(length) + " bytes, but " +
                  std::to_string(size_ - s) + " remain and its fixed part needs " +
                  std::to_string(kDiskFixedSize + n));
    }
    // Even a disk whose length does not fit keeps the thumbnails that lie whole in the stream.
    const std::int64_t limit = length_fits ? s + length : size_;

    CatInfo& info = index_.Disks.emplace_back();
    info.NameLength = n;
    info.Name = Name(s + 4, n);
    info.FirstThumbPos = s + n + 9;
    std::int64_t p = s + kDiskFixedSize + n;
    info.Thumbs.reserve(std::min<std::int64_t>(thumb_count, (limit - p) / kThumbFixedSize));
    for (std::uint32_t j = 0; j < thumb_count; ++j) {
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
      const std::int32_t jpeg_size =
          static_cast<std::int32_t>(DecodeField(d_ + p + 2 + m, kJpegLengthWidth));
      const std::int64_t jpeg_pos = p + kThumbFixedSize + m;
      if (limit - jpeg_pos < jpeg_size) {
        Fail(p, thumb() + " is cut short inside its JPEG data");
        break;
      }
      info.Thumbs.push_back(Disc{Name(p + 2, m), jpeg_pos, jpeg_size, m});
      p = jpeg_pos + jpeg_size;
    }
    if (!index_.Damage && p != limit) {
      Fail(p, disk() + " holds " + std::to_string(limit - p) + " bytes after its " +
                  std::to_string(thumb_count) + " thumbnail records");
    }
    info.ThumbCount = static_cast<std::int32_t>(info.Thumbs.size());
    // A damaged record ends where its last whole thumbnail ends: nothing past it was indexed.
    info.RecordEnd = index_.Damage ? p : s + length;
    return info.RecordEnd;
  }

  std::string_view Name(std::int64_t pos, std::uint8_t length) {
    const void* zero = std::memchr(d_ + pos, 0, length);
    const std::size_t taken =
        zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - (d_ + pos))
             : length;
    return index_.names_->Add(d_ + pos, taken);
  }

  void Fail(std::int64_t offset, std::string reason) {
    if (!index_.Damage) index_.Damage = IndexDamage{offset, std::move(reason)};
  }

  const std::uint8_t* d_;
  const std::int64_t size_;
  CatalogIndex index_;
};

CatalogIndex BuildIndex(ByteView stream) { return IndexBuilder(stream).Build(); }

}  // namespace quorvel
