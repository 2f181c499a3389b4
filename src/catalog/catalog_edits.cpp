#include "catalog/catalog_edits.h"

#include <algorithm>
#include <string>
#include <vector>

#include "catalog/catalog_error.h"
#include "catalog/field_codec.h"
#include "catalog/format.h"

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

void AppendHeader(Bytes& out, std::int64_t disk_count) {
  out.insert(out.end(), kMagic, kMagic + kMagicSize);
  AppendField(out, disk_count, kCountWidth);
}

std::uint32_t HeaderDiskCount(ByteView stream) {
  std::uint8_t count[kCountWidth] = {};
  for (std::int64_t k = 0; k < kCountWidth; ++k) {
    if (kDiskCountOffset + k < static_cast<std::int64_t>(stream.size())) {
      count[k] = stream[static_cast<std::size_t>(kDiskCountOffset + k)];
    }
  }
  return DecodeField(count, kCountWidth);
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

Bytes CopyDisks(ByteView stream, const CatalogIndex& index, std::span<const int> kept) {
  if (kept.size() > kMaxDisks) throw CatalogError("A catalogue holds at most 65535 disks", ErrorKind::kFull);
  std::int64_t size = kHeaderSize;
  for (const int disk : kept) {
    const CatInfo& info = DiskAt(index, disk);
    size += info.RecordEnd - info.RecordStart();
  }
  Bytes out;
  out.reserve(static_cast<std::size_t>(size));
  AppendHeader(out, static_cast<std::int64_t>(kept.size()));
  for (const int disk : kept) {
    AppendIndexedDisk(out, stream, index.Disks[static_cast<std::size_t>(disk)]);
  }
  return out;
}

Bytes RenameDisk(ByteView stream, const CatalogIndex& index, int disk, std::string_view name) {
  const CatInfo& info = DiskAt(index, disk);
  if (name.size() > kMaxNameBytes) {
    throw CatalogError("The disk name is " + std::to_string(name.size()) +
                       " bytes long; at most 255 can be stored");
  }
  const std::int64_t start = info.RecordStart();
  // The record as indexed: for a well-formed catalogue this is its stored length.
  const std::int64_t length =
      info.RecordEnd - start + static_cast<std::int64_t>(name.size()) - info.NameLength;
  const std::int64_t thumbs_start = start + kDiskFixedSize + info.NameLength;
  Bytes out;
  out.reserve(stream.size() + name.size());
  AppendRange(out, stream, 0, start + 1);  // everything before, and the disk marker
  out.push_back(static_cast<std::uint8_t>(name.size()));
  AppendField(out, info.ThumbCount, kCountWidth);
  out.insert(out.end(), name.begin(), name.end());
  AppendField(out, length, kRecordLengthWidth);
  AppendRange(out, stream, thumbs_start, static_cast<std::int64_t>(stream.size()));
  return out;
}

Bytes RemoveThumbs(ByteView stream, const CatalogIndex& index, std::span<const ThumbRef> removed) {
  std::vector<ThumbRef> drop(removed.begin(), removed.end());
  for (const ThumbRef& ref : drop) {
    if (ref.thumb < 0 ||
        static_cast<std::size_t>(ref.thumb) >= DiskAt(index, ref.disk).Thumbs.size()) {
      throw CatalogError("Disk " + std::to_string(ref.disk + 1) + " has no thumbnail " +
                         std::to_string(ref.thumb + 1));
    }
  }
  // In file order, so that the catalogue is copied front to back once.
  std::sort(drop.begin(), drop.end());
  drop.erase(std::unique(drop.begin(), drop.end()), drop.end());
  Bytes out;
  out.reserve(stream.size());
  std::int64_t copied = 0;  // the stream is in `out` up to here
  for (auto next = drop.begin(); next != drop.end();) {
    const std::int32_t disk = next->disk;
    const CatInfo& info = index.Disks[static_cast<std::size_t>(disk)];
    const std::int64_t thumbs_start = info.RecordStart() + kDiskFixedSize + info.NameLength;
    AppendRange(out, stream, copied, thumbs_start);
    const std::int64_t start =
        static_cast<std::int64_t>(out.size()) - (thumbs_start - info.RecordStart());
    std::int64_t kept = 0;
    // Neighbouring kept records go over as one range.
    std::int64_t run_start = thumbs_start;
    std::int64_t run_end = thumbs_start;
    for (std::size_t j = 0; j < info.Thumbs.size(); ++j) {
      if (next != drop.end() && next->disk == disk && static_cast<std::size_t>(next->thumb) == j) {
        ++next;
        continue;
      }
      const Disc& thumb = info.Thumbs[j];
      if (thumb.RecordStart() != run_end) {
        AppendRange(out, stream, run_start, run_end);
        run_start = thumb.RecordStart();
      }
      run_end = thumb.JpegPos + thumb.JpegSize;
      ++kept;
    }
    AppendRange(out, stream, run_start, run_end);
    WriteField(out, start + 2, kept, kCountWidth);
    WriteField(out, start + 4 + info.NameLength, static_cast<std::int64_t>(out.size()) - start,
               kRecordLengthWidth);
    copied = info.RecordEnd;
  }
  AppendRange(out, stream, copied, static_cast<std::int64_t>(stream.size()));
  return out;
}

Bytes ImportCatalog(ByteView stream, ByteView other) {
  // Only the structure matters here: a thumbnail whose JPEG is bad is a picture that cannot be
  // shown, and it travels like any other.
  const CatalogIndex index = BuildIndex(other);
  if (index.Damage) {
    throw CatalogError("The catalogue to import is damaged at offset " +
                       std::to_string(index.Damage->offset) + ": " + index.Damage->reason);
  }
  const auto other_disks = static_cast<std::int64_t>(index.Disks.size());
  if (other_disks == 0) return Bytes(stream.begin(), stream.end());
  const std::int64_t disks = HeaderDiskCount(stream) + other_disks;
  if (disks > kMaxDisks) {
    throw CatalogError("Together the two catalogues hold " + std::to_string(disks) +
                       " disks; a catalogue holds at most 65535",
                       ErrorKind::kFull);
  }
  Bytes out;
  out.reserve(std::max<std::size_t>(stream.size(), kHeaderSize) + other.size() - kHeaderSize);
  if (stream.size() < static_cast<std::size_t>(kHeaderSize)) {
    AppendHeader(out, disks);  // an empty catalogue has no header yet
  } else {
    out.assign(stream.begin(), stream.end());
    WriteField(out, kDiskCountOffset, disks, kCountWidth);
  }
  AppendRange(out, other, kHeaderSize, static_cast<std::int64_t>(other.size()));
  return out;
}

}  // namespace quorvel
