#include "catalog/catalog_check.h"

#include <string>

namespace quorvel {

CheckResult CheckCatalog(ByteView stream) { return CheckCatalog(BuildIndex(stream)); }

CheckResult CheckCatalog(const CatalogIndex& index) {
  CheckResult result;
  result.disk_count = static_cast<std::int64_t>(index.Disks.size());
  result.thumb_count = index.TotalThumbs();
  // Report whichever comes first in the file: a bad JPEG or the structural damage.
  result.violation = index.Damage;
  for (std::size_t i = 0; i < index.Disks.size(); ++i) {
    const CatInfo& disk = index.Disks[i];
    for (std::size_t j = 0; j < disk.Thumbs.size(); ++j) {
      if (!disk.Thumbs[j].WholeJpeg) {
        const std::int64_t start = disk.ThumbRecordStart(disk.Thumbs[j]);
        if (index.Damage && index.Damage->offset < start) return result;
        result.violation =
            IndexDamage{start, "thumbnail record " + std::to_string(j + 1) + " of disk record " +
                                   std::to_string(i + 1) +
                                   " does not hold a JPEG from FF D8 to FF D9"};
        return result;
      }
    }
  }
  return result;
}

}  // namespace quorvel
