#include "catalog/catalog_merge.h"

#include <algorithm>
#include <utility>

#include "catalog/catalog_edits.h"
#include "catalog/catalog_fingerprints.h"

namespace quorvel {
namespace {

// The first disk of `index` named `name` that `taken` does not hold yet; -1 when none.
int FindDisk(const CatalogIndex& index, const std::string& name, const std::vector<bool>& taken) {
  for (std::size_t i = 0; i < index.Disks.size(); ++i) {
    if (!taken[i] && index.Disks[i].Name == name) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

CatalogEdit RemoveDisksEdit(const CatalogIndex& before, const std::vector<int>& removed) {
  CatalogEdit edit{.kind = CatalogEdit::Kind::kRemoveDisks};
  for (const int disk : removed) edit.disks.push_back(before.Disks.at(disk).Name);
  return edit;
}

CatalogEdit RenameDiskEdit(const CatalogIndex& before, int disk, std::string new_name) {
  return {.kind = CatalogEdit::Kind::kRenameDisk,
          .disks = {before.Disks.at(disk).Name},
          .new_name = std::move(new_name)};
}

CatalogEdit RemoveThumbsEdit(const CatalogIndex& before, std::span<const ThumbRef> removed) {
  CatalogEdit edit{.kind = CatalogEdit::Kind::kRemoveThumbs};
  std::vector<ThumbRef> sorted(removed.begin(), removed.end());
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  for (std::size_t k = 0; k < sorted.size(); ++k) {
    const CatInfo& disk = before.Disks.at(sorted[k].disk);
    if (k == 0 || sorted[k].disk != sorted[k - 1].disk) {
      edit.disks.push_back(disk.Name);
      edit.thumbs.emplace_back();
    }
    edit.thumbs.back().emplace_back(disk.Thumbs[static_cast<std::size_t>(sorted[k].thumb)].Name());
  }
  return edit;
}

CatalogEdit AddDisksEdit(std::shared_ptr<const CatalogVersion> added) {
  return {.kind = CatalogEdit::Kind::kAddDisks, .added = std::move(added)};
}

CatalogEdit UpdateDiskEdit(const CatalogIndex& before, int disk,
                           std::shared_ptr<const CatalogVersion> updated) {
  return {.kind = CatalogEdit::Kind::kUpdateDisk,
          .disks = {before.Disks.at(disk).Name},
          .added = std::move(updated)};
}

CatalogEdit RepairEdit() { return {.kind = CatalogEdit::Kind::kRepair}; }

CatalogEdit StoreFingerprintsEdit() { return {.kind = CatalogEdit::Kind::kStoreFingerprints}; }

CatalogVersion Replay(const CatalogVersion& onto, const CatalogEdit& edit,
                      std::vector<LeftOut>& left_out) {
  const CatalogIndex& index = onto.index;
  std::vector<bool> taken(index.Disks.size(), false);
  switch (edit.kind) {
    case CatalogEdit::Kind::kRemoveDisks: {
      for (const std::string& name : edit.disks) {
        const int disk = FindDisk(index, name, taken);
        if (disk < 0) {
          left_out.push_back({edit.kind, name, {}});
        } else {
          taken[static_cast<std::size_t>(disk)] = true;
        }
      }
      std::vector<int> kept;
      for (std::size_t i = 0; i < index.Disks.size(); ++i) {
        if (!taken[i]) kept.push_back(static_cast<int>(i));
      }
      std::stable_sort(kept.begin(), kept.end(), [&](int a, int b) {
        return index.Disks[static_cast<std::size_t>(a)].Name <
               index.Disks[static_cast<std::size_t>(b)].Name;
      });
      return CopyDisks(onto, kept);
    }
    case CatalogEdit::Kind::kRenameDisk: {
      const int disk = FindDisk(index, edit.disks.front(), taken);
      if (disk < 0) {
        left_out.push_back({edit.kind, edit.disks.front(), {}});
        return onto;
      }
      return RenameDisk(onto, disk, edit.new_name);
    }
    case CatalogEdit::Kind::kRemoveThumbs: {
      std::vector<ThumbRef> removed;
      for (std::size_t k = 0; k < edit.disks.size(); ++k) {
        const int disk = FindDisk(index, edit.disks[k], taken);
        if (disk < 0) {
          left_out.push_back({edit.kind, edit.disks[k], {}});
          continue;
        }
        taken[static_cast<std::size_t>(disk)] = true;
        const std::span<const Disc> thumbs = index.Disks[static_cast<std::size_t>(disk)].Thumbs;
        std::vector<bool> gone(thumbs.size(), false);
        for (const std::string& path : edit.thumbs[k]) {
          std::size_t j = 0;
          while (j < thumbs.size() && (gone[j] || thumbs[j].Name() != path)) ++j;
          if (j == thumbs.size()) {
            left_out.push_back({edit.kind, edit.disks[k], path});
            continue;
          }
          gone[j] = true;
          removed.push_back({disk, static_cast<std::int32_t>(j)});
        }
      }
      return removed.empty() ? onto : RemoveThumbs(onto, removed);
    }
    case CatalogEdit::Kind::kAddDisks:
      return ImportCatalog(onto, *edit.added);
    case CatalogEdit::Kind::kUpdateDisk: {
      const int disk = FindDisk(index, edit.disks.front(), taken);
      if (disk < 0 || index.Damage) {
        left_out.push_back({edit.kind, edit.disks.front(), {}});
        return onto;
      }
      const CatalogVersion& updated = *edit.added;
      return ReplaceDisk(onto, disk,
                         updated.bytes.Read(updated.index.Disks.front().RecordStart(),
                                            updated.index.Disks.front().RecordEnd -
                                                updated.index.Disks.front().RecordStart()));
    }
    case CatalogEdit::Kind::kRepair:
      left_out.push_back({edit.kind, {}, {}});
      return onto;
    case CatalogEdit::Kind::kStoreFingerprints: {
      if (index.Damage) {
        left_out.push_back({edit.kind, {}, {}});
        return onto;
      }
      CatalogFingerprints prints;
      prints.Update(onto);
      return StoreFingerprints(onto, prints);
    }
  }
  return onto;
}

}  // namespace quorvel
