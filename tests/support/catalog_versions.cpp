#include "support/catalog_versions.h"

#include <cstddef>

namespace quorvel::testkit {
namespace {

std::string Where(std::size_t disk) { return "disk " + std::to_string(disk + 1) + ": "; }

}  // namespace

std::string IndexDifference(const CatalogIndex& a, const CatalogIndex& b) {
  if (a.DiskCount != b.DiskCount) {
    return "disk count " + std::to_string(a.DiskCount) + " / " + std::to_string(b.DiskCount);
  }
  if (a.Damage.has_value() != b.Damage.has_value() ||
      (a.Damage && a.Damage->offset != b.Damage->offset)) {
    return "damage differs";
  }
  if (a.Disks.size() != b.Disks.size()) {
    return "disks indexed " + std::to_string(a.Disks.size()) + " / " +
           std::to_string(b.Disks.size());
  }
  for (std::size_t d = 0; d < a.Disks.size(); ++d) {
    const CatInfo& x = a.Disks[d];
    const CatInfo& y = b.Disks[d];
    if (x.Name != y.Name || x.NameLength != y.NameLength) return Where(d) + "name";
    if (x.FirstThumbPos != y.FirstThumbPos || x.RecordEnd != y.RecordEnd) {
      return Where(d) + "record [" + std::to_string(x.RecordStart()) + ", " +
             std::to_string(x.RecordEnd) + ") / [" + std::to_string(y.RecordStart()) + ", " +
             std::to_string(y.RecordEnd) + ")";
    }
    if (x.ThumbCount != y.ThumbCount || x.Thumbs.size() != y.Thumbs.size() ||
        x.Thumbs.size() != static_cast<std::size_t>(x.ThumbCount)) {
      return Where(d) + "thumbnail count";
    }
    for (std::size_t t = 0; t < x.Thumbs.size(); ++t) {
      const Disc& p = x.Thumbs[t];
      const Disc& q = y.Thumbs[t];
      if (x.JpegPos(p) != y.JpegPos(q) || p.JpegSize != q.JpegSize ||
          p.NameLength != q.NameLength || p.Name() != q.Name() || p.WholeJpeg != q.WholeJpeg) {
        return Where(d) + "thumbnail " + std::to_string(t + 1);
      }
    }
    const auto facts_size = [](const CatInfo& disk) {
      return disk.Storage ? disk.Storage->facts.size() : 0;
    };
    if (facts_size(x) != facts_size(y)) return Where(d) + "facts";
    for (std::size_t t = 0; t < facts_size(x); ++t) {
      const ThumbFacts& f = *x.Facts(t);
      const ThumbFacts& g = *y.Facts(t);
      if (f.taken != g.taken || f.file_size != g.file_size || f.width != g.width ||
          f.height != g.height || f.has_position != g.has_position || x.Camera(f) != y.Camera(g)) {
        return Where(d) + "facts of thumbnail " + std::to_string(t + 1);
      }
    }
  }
  return {};
}

std::string IndexMismatch(const CatalogVersion& version) {
  return IndexDifference(version.index, BuildIndex(version.bytes.Flatten()));
}

}  // namespace quorvel::testkit
