#include "catalog/catalog_check.h"

#include <string>

namespace quorvel {
namespace {

bool IsWholeJpeg(ByteView stream, const Disc& thumb) {
  if (thumb.JpegSize < 4) return false;
  const std::uint8_t* jpeg = stream.data() + thumb.JpegPos;
  const std::size_t n = static_cast<std::size_t>(thumb.JpegSize);
  return jpeg[0] == 0xFF && jpeg[1] == 0xD8 && jpeg[n - 2] == 0xFF && jpeg[n - 1] == 0xD9;
}

}  // namespace

CheckResult CheckCatalog(ByteView stream) {
  const CatalogIndex index = BuildIndex(stream);
  CheckResult result;
  result.disk_count = static_cast<std::int64_t>(index.Disks.size());
  result.thumb_count = index.TotalThumbs();
  // Report whichever comes first in the file: a bad JPEG or the structural damage.
  result.violation = index.Damage;
  for (std::size_t i = 0; i < index.Disks.size(); ++i) {
    const CatInfo& disk = index.Disks[i];
    for (std::size_t j = 0; j < disk.Thumbs.size(); ++j) {
      if (!IsWholeJpeg(stream, disk.Thumbs[j])) {
        if (index.Damage && index.Damage->offset < disk.Thumbs[j].RecordStart()) return result;
        result.violation =
            IndexDamage{disk.Thumbs[j].RecordStart(),
                        "thumbnail record " + std::to_string(j + 1) + " of disk record " +
                            std::to_string(i + 1) + " does not hold a JPEG from FF D8 to FF D9"};
        return result;
      }
    }
  }
  return result;
}

}  // namespace quorvel
