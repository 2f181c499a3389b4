#include "catalog/catalog_edits.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "catalog/catalog_error.h"
#include "catalog/field_codec.h"
#include "catalog/format.h"
#include "catalog/picture_facts.h"

namespace quorvel {
namespace {

const CatInfo& DiskAt(const CatalogIndex& index, int disk) {
  if (disk < 0 || static_cast<std::size_t>(disk) >= index.Disks.size()) {
    throw CatalogError("There is no disk " + std::to_string(disk + 1) + " in the catalogue");
  }
  return index.Disks[static_cast<std::size_t>(disk)];
}

void AppendRange(Bytes& out, ByteView stream, std::int64_t from, std::int64_t to) {
  out.insert(out.end(), stream.begin() + from, stream.begin() + to);
}

void AppendField(Bytes& out, std::int64_t value, int width) {
  const auto bytes = EncodeField(value, width);
  out.insert(out.end(), bytes.begin(), bytes.begin() + width);
}

Bytes Header(std::int64_t disk_count) {
  Bytes out(kMagic, kMagic + kMagicSize);
  AppendField(out, disk_count, kCountWidth);
  return out;
}

// A disk record's fixed part: its marker, name field, `count` and `length`.
Bytes DiskHead(std::string_view name_field, std::int64_t count, std::int64_t length) {
  Bytes out{kDiskMarker, static_cast<std::uint8_t>(name_field.size())};
  AppendField(out, count, kCountWidth);
  out.insert(out.end(), name_field.begin(), name_field.end());
  AppendField(out, length, kRecordLengthWidth);
  return out;
}

// The stored name field of `disk`, all its N bytes (the index keeps them only up to a zero).
std::string NameField(const CatalogVersion& from, const CatInfo& disk) {
  const Bytes field = from.bytes.Read(disk.RecordStart() + 4, disk.NameLength);
  return {field.begin(), field.end()};
}

// Builds a version front to back: its pieces and, beside them, its index.
class VersionBuilder {
 public:
  explicit VersionBuilder(std::int64_t disk_count) {
    out_.bytes.Append(Header(disk_count));
    out_.index.DiskCount = static_cast<std::int32_t>(disk_count);
  }

  // The disk records of `from` [first, last), copied as they are.
  void CopyRecords(const CatalogVersion& from, std::size_t first, std::size_t last) {
    if (first >= last) return;
    const std::int64_t start = from.index.Disks[first].RecordStart();
    for (std::size_t i = first; i < last; ++i) {
      const CatInfo& disk = from.index.Disks[i];
      out_.index.Disks.push_back(disk.MovedTo(Position() + disk.RecordStart() - start));
    }
    out_.bytes.Append(from.bytes, start, from.index.Disks[last - 1].RecordEnd - start);
  }

  // `disk` of `from` as indexed: a well-formed record byte for byte; of a damaged one, the
  // thumbnails that could be read, under a head whose marker, count and length say so.
  void CopyIndexedDisk(const CatalogVersion& from, const CatInfo& disk) {
    const std::int64_t start = Position();
    out_.bytes.Append(
        DiskHead(NameField(from, disk), disk.ThumbCount, disk.RecordEnd - disk.RecordStart()));
    out_.bytes.Append(from.bytes, disk.ThumbsStart(), disk.RecordEnd - disk.ThumbsStart());
    out_.index.Disks.push_back(disk.MovedTo(start));
  }

  // A disk made here: its head, then its thumbnails' records taken from `from` at `ranges`
  // (thumbnail-record offsets from `disk`'s ThumbsStart, in order), indexed by `thumbs`.
  void AddDisk(const CatalogVersion& from, const CatInfo& disk, std::string_view name_field,
               std::string_view name, std::shared_ptr<const DiskThumbs> thumbs,
               std::span<const std::pair<std::int64_t, std::int64_t>> ranges) {
    PieceList records;
    for (const auto& [begin, end] : ranges) {
      records.Append(from.bytes, disk.ThumbsStart() + begin, end - begin);
    }
    AddDisk(name_field, name, std::move(thumbs), records);
  }

  // A disk made here: its head, then `records`, its thumbnails' records back to back, indexed
  // by `thumbs`.
  void AddDisk(std::string_view name_field, std::string_view name,
               std::shared_ptr<const DiskThumbs> thumbs, const PieceList& records) {
    const auto n = static_cast<std::int64_t>(name_field.size());
    const std::int64_t start = Position();
    const auto count = static_cast<std::int64_t>(thumbs->thumbs.size());
    out_.bytes.Append(DiskHead(name_field, count, kDiskFixedSize + n + records.Size()));
    out_.bytes.Append(records, 0, records.Size());
    CatInfo& info = out_.index.Disks.emplace_back();
    info.Name = name;
    info.NameLength = static_cast<std::uint8_t>(n);
    info.FirstThumbPos = start + n + 9;
    info.RecordEnd = Position();
    info.ThumbCount = static_cast<std::int32_t>(count);
    info.Thumbs = thumbs->thumbs;
    info.Storage = std::move(thumbs);
  }

  std::int64_t Position() const { return out_.bytes.Size(); }
  CatalogVersion Finish() && { return std::move(out_); }

 private:
  CatalogVersion out_;
};

// A disk's thumbnail storage made thumbnail by thumbnail, as an edit keeps or changes them.
class ThumbsBuilder {
 public:
  ThumbsBuilder() : thumbs_(std::make_shared<DiskThumbs>()), facts_(*thumbs_) {}

  // `thumb`, its positions those of the new disk, named `name`; then its facts, if any, with
  // Facts().
  void Add(const Disc& thumb, std::string_view name) {
    name_starts_.push_back(static_cast<std::uint32_t>(thumbs_->names.size()));
    thumbs_->names.append(name);
    thumbs_->thumbs.push_back(thumb);
  }
  ThumbFactsCollector& Facts() { return facts_; }
  std::size_t Last() const { return thumbs_->thumbs.size() - 1; }

  std::shared_ptr<const DiskThumbs> Finish() && {
    facts_.Finish();
    for (std::size_t j = 0; j < thumbs_->thumbs.size(); ++j) {
      thumbs_->thumbs[j].NamePtr = thumbs_->names.data() + name_starts_[j];
    }
    return std::move(thumbs_);
  }

 private:
  std::shared_ptr<DiskThumbs> thumbs_;
  ThumbFactsCollector facts_;
  std::vector<std::uint32_t> name_starts_;
};

const Disc& ThumbAt(const CatalogIndex& index, const ThumbRef& ref) {
  const CatInfo& disk = DiskAt(index, ref.disk);
  if (ref.thumb < 0 || static_cast<std::size_t>(ref.thumb) >= disk.Thumbs.size()) {
    throw CatalogError("Disk " + std::to_string(ref.disk + 1) + " has no thumbnail " +
                       std::to_string(ref.thumb + 1));
  }
  return disk.Thumbs[static_cast<std::size_t>(ref.thumb)];
}

}  // namespace

void AppendIndexedDisk(Bytes& out, ByteView stream, const CatInfo& disk) {
  const std::int64_t start = disk.RecordStart();
  const std::int64_t out_start = static_cast<std::int64_t>(out.size());
  AppendRange(out, stream, start, disk.RecordEnd);
  out[static_cast<std::size_t>(out_start)] = kDiskMarker;
  WriteField(out, out_start + 2, disk.ThumbCount, kCountWidth);
  WriteField(out, out_start + 4 + disk.NameLength, disk.RecordEnd - start, kRecordLengthWidth);
}

CatalogVersion CopyDisks(const CatalogVersion& from, std::span<const int> kept) {
  if (kept.size() > kMaxDisks) {
    throw CatalogError("A catalogue holds at most 65535 disks", ErrorKind::kFull);
  }
  for (const int disk : kept) DiskAt(from.index, disk);
  VersionBuilder out(static_cast<std::int64_t>(kept.size()));
  for (std::size_t k = 0; k < kept.size();) {
    const auto first = static_cast<std::size_t>(kept[k]);
    if (from.index.Damage) {
      // Only the records that were read, each made whole.
      out.CopyIndexedDisk(from, from.index.Disks[first]);
      ++k;
      continue;
    }
    // Disks kept in their file order go over as one range.
    std::size_t last = first + 1;
    for (++k; k < kept.size() && static_cast<std::size_t>(kept[k]) == last; ++k) ++last;
    out.CopyRecords(from, first, last);
  }
  return std::move(out).Finish();
}

CatalogVersion RenameDisk(const CatalogVersion& from, int disk, std::string_view name) {
  const CatInfo& info = DiskAt(from.index, disk);
  if (name.size() > kMaxNameBytes) {
    throw CatalogError("The disk name is " + std::to_string(name.size()) +
                       " bytes long; at most 255 can be stored");
  }
  const auto d = static_cast<std::size_t>(disk);
  VersionBuilder out(from.index.DiskCount);
  out.CopyRecords(from, 0, d);
  const std::pair<std::int64_t, std::int64_t> all{0, info.RecordEnd - info.ThumbsStart()};
  out.AddDisk(from, info, name, name.substr(0, name.find('\0')), info.Storage, {&all, 1});
  out.CopyRecords(from, d + 1, from.index.Disks.size());
  return std::move(out).Finish();
}

CatalogVersion RemoveThumbs(const CatalogVersion& from, std::span<const ThumbRef> removed) {
  std::vector<ThumbRef> drop(removed.begin(), removed.end());
  for (const ThumbRef& ref : drop) ThumbAt(from.index, ref);
  std::sort(drop.begin(), drop.end());
  drop.erase(std::unique(drop.begin(), drop.end()), drop.end());
  VersionBuilder out(from.index.DiskCount);
  std::size_t copied = 0;  // disks of `from` before this one are in `out`
  for (auto next = drop.begin(); next != drop.end();) {
    const auto disk = static_cast<std::size_t>(next->disk);
    const CatInfo& info = from.index.Disks[disk];
    out.CopyRecords(from, copied, disk);
    ThumbsBuilder thumbs;
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;  // neighbours go over as one
    std::int64_t length = 0;  // of the kept records so far
    for (std::size_t j = 0; j < info.Thumbs.size(); ++j) {
      if (next != drop.end() && static_cast<std::size_t>(next->disk) == disk &&
          static_cast<std::size_t>(next->thumb) == j) {
        ++next;
        continue;
      }
      const Disc& thumb = info.Thumbs[j];
      if (!ranges.empty() && ranges.back().second == thumb.RecordOffset()) {
        ranges.back().second = thumb.EndOffset();
      } else {
        ranges.emplace_back(thumb.RecordOffset(), thumb.EndOffset());
      }
      Disc kept = thumb;
      kept.JpegOffset = length + (thumb.JpegOffset - thumb.RecordOffset());
      length += thumb.EndOffset() - thumb.RecordOffset();
      thumbs.Add(kept, thumb.Name());
      if (const ThumbFacts* facts = info.Facts(j)) {
        thumbs.Facts().Add(thumbs.Last(), *facts, info.Camera(*facts));
      }
    }
    out.AddDisk(from, info, NameField(from, info), info.Name, std::move(thumbs).Finish(), ranges);
    copied = disk + 1;
  }
  out.CopyRecords(from, copied, from.index.Disks.size());
  return std::move(out).Finish();
}

CatalogVersion ReplaceJpegs(const CatalogVersion& from, std::span<const JpegReplacement> replaced) {
  if (from.index.Damage) {
    throw CatalogError("The catalogue is damaged at offset " +
                           std::to_string(from.index.Damage->offset) + ": " +
                           from.index.Damage->reason,
                       ErrorKind::kDamaged);
  }
  std::vector<const JpegReplacement*> order;
  for (const JpegReplacement& r : replaced) {
    ThumbAt(from.index, r.ref);
    if (r.jpeg.size() > kMaxJpegBytes) {
      throw CatalogError("The thumbnail's JPEG data is " + std::to_string(r.jpeg.size()) +
                         " bytes long; at most 65535 can be stored");
    }
    order.push_back(&r);
  }
  std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->ref < b->ref; });
  for (std::size_t k = 1; k < order.size(); ++k) {
    if (order[k]->ref == order[k - 1]->ref) {
      throw CatalogError("Thumbnail " + std::to_string(order[k]->ref.thumb + 1) + " of disk " +
                         std::to_string(order[k]->ref.disk + 1) + " is replaced twice");
    }
  }
  VersionBuilder out(from.index.DiskCount);
  std::size_t copied = 0;  // disks of `from` before this one are in `out`
  for (auto next = order.begin(); next != order.end();) {
    const auto disk = static_cast<std::size_t>((*next)->ref.disk);
    const CatInfo& info = from.index.Disks[disk];
    out.CopyRecords(from, copied, disk);
    ThumbsBuilder thumbs;
    PieceList records;
    Bytes fresh;  // the rewritten records not yet in `records`, neighbours in one block
    for (std::size_t j = 0; j < info.Thumbs.size(); ++j) {
      const Disc& thumb = info.Thumbs[j];
      const std::int64_t head_size = thumb.JpegOffset - thumb.RecordOffset();
      Disc made = thumb;
      made.JpegOffset = records.Size() + static_cast<std::int64_t>(fresh.size()) + head_size;
      if (next == order.end() || static_cast<std::size_t>((*next)->ref.disk) != disk ||
          static_cast<std::size_t>((*next)->ref.thumb) != j) {
        records.Append(std::exchange(fresh, {}));
        records.Append(from.bytes, info.ThumbRecordStart(thumb), head_size + thumb.JpegSize);
        thumbs.Add(made, thumb.Name());
        if (const ThumbFacts* facts = info.Facts(j)) {
          thumbs.Facts().Add(thumbs.Last(), *facts, info.Camera(*facts));
        }
        continue;
      }
      const Bytes& jpeg = (*next++)->jpeg;
      const Bytes head = from.bytes.Read(info.ThumbRecordStart(thumb), head_size);
      fresh.insert(fresh.end(), head.begin(), head.end());
      WriteField(fresh, static_cast<std::int64_t>(fresh.size()) - kJpegLengthWidth,
                 static_cast<std::int64_t>(jpeg.size()), kJpegLengthWidth);
      fresh.insert(fresh.end(), jpeg.begin(), jpeg.end());
      made.JpegSize = static_cast<std::int32_t>(jpeg.size());
      made.WholeJpeg = jpeg.size() >= 4 && jpeg[0] == 0xFF && jpeg[1] == 0xD8 &&
                       jpeg[jpeg.size() - 2] == 0xFF && jpeg[jpeg.size() - 1] == 0xD9;
      thumbs.Add(made, thumb.Name());
      thumbs.Facts().AddFromJpegHead(
          thumbs.Last(), ByteView(jpeg).first(std::min<std::size_t>(jpeg.size(), kFactsHeadBytes)));
    }
    records.Append(std::move(fresh));
    if (kDiskFixedSize + info.NameLength + records.Size() > kMaxDiskRecordLength) {
      throw CatalogError("The disk record would grow past 2 GB and cannot be stored",
                         ErrorKind::kFull);
    }
    out.AddDisk(NameField(from, info), info.Name, std::move(thumbs).Finish(), records);
    copied = disk + 1;
  }
  out.CopyRecords(from, copied, from.index.Disks.size());
  return std::move(out).Finish();
}

CatalogVersion ImportCatalog(const CatalogVersion& from, const CatalogVersion& other) {
  // Only the structure matters here: a thumbnail whose JPEG is bad is a picture that cannot be
  // shown, and it travels like any other.
  if (other.index.Damage) {
    throw CatalogError("The catalogue to import is damaged at offset " +
                       std::to_string(other.index.Damage->offset) + ": " +
                       other.index.Damage->reason);
  }
  if (other.index.Disks.empty()) return from;
  const std::int64_t disks =
      std::int64_t{from.index.DiskCount} + static_cast<std::int64_t>(other.index.Disks.size());
  if (disks > kMaxDisks) {
    throw CatalogError("Together the two catalogues hold " + std::to_string(disks) +
                       " disks; a catalogue holds at most 65535",
                       ErrorKind::kFull);
  }
  VersionBuilder out(disks);
  out.CopyRecords(from, 0, from.index.Disks.size());
  out.CopyRecords(other, 0, other.index.Disks.size());
  return std::move(out).Finish();
}

CatalogVersion ReplaceDisk(const CatalogVersion& from, int disk, ByteView record) {
  DiskAt(from.index, disk);
  if (from.index.Damage) {
    throw CatalogError("The catalogue is damaged at offset " +
                       std::to_string(from.index.Damage->offset) + ": " +
                       from.index.Damage->reason);
  }
  const CatalogVersion replacement = DiskAsCatalogue(record);
  if (replacement.index.Damage || replacement.index.Disks.size() != 1) {
    throw CatalogError("The new disk record is not one well-formed record");
  }
  const auto d = static_cast<std::size_t>(disk);
  VersionBuilder out(from.index.DiskCount);
  out.CopyRecords(from, 0, d);
  out.CopyRecords(replacement, 0, 1);
  out.CopyRecords(from, d + 1, from.index.Disks.size());
  return std::move(out).Finish();
}

void RequireRoomForDisk(const CatalogVersion& from) {
  if (static_cast<std::uint32_t>(from.index.DiskCount) >= kMaxDisks) {
    throw CatalogError("A catalogue holds at most 65535 disks", ErrorKind::kFull);
  }
}

CatalogVersion DiskAsCatalogue(ByteView record) {
  Bytes bytes = Header(1);
  bytes.insert(bytes.end(), record.begin(), record.end());
  return VersionOfBytes(std::move(bytes));
}

CatalogVersion AppendDisk(const CatalogVersion& from, ByteView record) {
  RequireRoomForDisk(from);
  return ImportCatalog(from, DiskAsCatalogue(record));
}

}  // namespace quorvel
