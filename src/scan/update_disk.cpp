#include "scan/update_disk.h"

#include <algorithm>
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "catalog/catalog_document.h"
#include "catalog/catalog_edits.h"
#include "catalog/catalog_merge.h"
#include "catalog/cp1251.h"
#include "catalog/format.h"
#include "catalog/picture_facts.h"
#include "catalog/stored_path.h"
#include "platform/path_text.h"
#include "scan/find_images.h"
#include "scan/thumbnail_pipeline.h"

namespace quorvel {
namespace {

// What the old disk says of one of its files: only what matching needs, so that a disk of
// 65,535 thumbnails costs its names and two numbers each, never its pictures.
struct OldThumb {
  std::string_view name;  // kept by the catalogued version's index
  std::optional<std::int64_t> size;
  std::optional<std::int64_t> modified;
};

std::vector<OldThumb> ReadOldThumbs(const CatalogVersion& catalogued, const CatInfo& disk) {
  std::vector<OldThumb> old;
  old.reserve(disk.Thumbs.size());
  for (const Disc& thumb : disk.Thumbs) {
    const auto head_size =
        std::min<std::int64_t>(thumb.JpegSize, static_cast<std::int64_t>(kFactsHeadBytes));
    const PictureFacts facts = ReadOwnFacts(catalogued.bytes.Read(disk.JpegPos(thumb), head_size));
    old.push_back({thumb.Name(), facts.file_size, facts.modified});
  }
  return old;
}

// A path too long for its record, stored as an ellipsis and its end: its folders are unknown.
bool Shortened(std::string_view stored) { return stored.starts_with(kShortenedPathMark); }

// The old thumbnail each walked file continues (-1: none), by their paths below the folders
// they are in: the walk's root for the files, and for the old paths the depth of their shared
// folders that makes the most pairs (the deepest of equals). Equal paths pair in order.
std::vector<int> MatchOldThumbs(const QStringList& found, const QString& root, const CatInfo& disk,
                                const std::vector<OldThumb>& old) {
  const std::size_t root_depth = StoredPathParts(FileNameToCp1251(PathBytes(root))).size();
  std::unordered_map<std::string, int> walked;  // relative path: how many files have it
  std::vector<std::string> relative;
  relative.reserve(found.size());
  for (const QString& path : found) {
    // Unshortened, so that a long path still tells its folders.
    relative.push_back(PathBelow(FileNameToCp1251(PathBytes(path)), root_depth));
    ++walked[relative.back()];
  }
  std::size_t best_depth = 0;
  std::size_t best_pairs = 0;
  const std::size_t shared = SharedStoredFolders(disk).size();
  for (std::size_t depth = 0; depth <= shared; ++depth) {
    std::unordered_map<std::string, int> left = walked;
    std::size_t pairs = 0;
    for (const OldThumb& thumb : old) {
      if (Shortened(thumb.name)) continue;
      const auto it = left.find(PathBelow(thumb.name, depth));
      if (it != left.end() && it->second > 0) {
        --it->second;
        ++pairs;
      }
    }
    if (pairs >= best_pairs) {
      best_pairs = pairs;
      best_depth = depth;
    }
  }
  std::unordered_map<std::string, std::deque<int>> by_path;
  for (std::size_t k = 0; k < old.size(); ++k) {
    // A shortened path pairs with nothing: its file is made again and its thumbnail dropped.
    if (!Shortened(old[k].name)) {
      by_path[PathBelow(old[k].name, best_depth)].push_back(static_cast<int>(k));
    }
  }
  std::vector<int> match(found.size(), -1);
  for (std::size_t i = 0; i < relative.size(); ++i) {
    const auto it = by_path.find(relative[i]);
    if (it == by_path.end() || it->second.empty()) continue;
    match[i] = it->second.front();
    it->second.pop_front();
  }
  return match;
}

// Decides, file by file, what the capture keeps, counting each kind into `counts`.
KeptThumbnails PlanUpdate(const ScanContext& walked, const QString& root,
                          const CatalogVersion& catalogued, const CatInfo& disk,
                          ThumbnailPipeline& thumbs, DiskUpdateCounts& counts) {
  const std::vector<OldThumb> old = ReadOldThumbs(catalogued, disk);
  const std::vector<int> match = MatchOldThumbs(walked.FoundFiles, root, disk, old);
  KeptThumbnails plan;
  plan.source.assign(match.size(), -1);
  int matched = 0;
  for (std::size_t i = 0; i < match.size(); ++i) {
    if (match[i] < 0) {
      ++counts.added;
      continue;
    }
    ++matched;
    const OldThumb& before = old[match[i]];
    if (!before.size || !before.modified) {
      ++counts.without_facts;
      continue;
    }
    const std::optional<FileStamp> now = thumbs.Stat(walked.FoundFiles[i]);
    if (!now || now->size != *before.size || now->modified != *before.modified) {
      ++counts.changed;
      continue;
    }
    ++counts.unchanged;
    plan.source[i] = match[i];
  }
  counts.removed = static_cast<std::int32_t>(old.size()) - matched;
  plan.jpeg = [&catalogued, &disk](int thumb) { return catalogued.Jpeg(disk, disk.Thumbs[thumb]); };
  return plan;
}

}  // namespace

UpdatedDisk ScanDiskUpdate(const CatalogVersion& catalogued, int disk, ScanState& state,
                           ScanView& view, ThumbnailPipeline& thumbs) {
  const auto& disks = catalogued.index.Disks;
  if (disk < 0 || static_cast<std::size_t>(disk) >= disks.size()) {
    throw CatalogError("No disk " + std::to_string(disk + 1) + " in the catalogue",
                       ErrorKind::kRefused);
  }
  const CatInfo& old_disk = disks[disk];
  state.DiskName = old_disk.Name;
  UpdatedDisk updated;
  updated.disk_name = old_disk.Name;
  const QString root = ScanRoot(state.ScanFolder);
  ScannedDisk scanned = ScanDisk(state, view, thumbs, [&](const ScanContext& walked) {
    return PlanUpdate(walked, root, catalogued, old_disk, thumbs, updated.counts);
  });
  updated.record = std::move(scanned.record);
  updated.summary = std::move(scanned.summary);
  return updated;
}

void ApplyUpdatedDisk(CatalogDocument& document, int disk, ScanView& view,
                      const UpdatedDisk& updated) {
  if (updated.summary.cancelled) {
    throw CatalogError("The update was cancelled", ErrorKind::kRefused);
  }
  const auto& disks = document.Index().Disks;
  if (disk < 0 || static_cast<std::size_t>(disk) >= disks.size() ||
      disks[disk].Name != updated.disk_name) {
    throw CatalogError("The disk updated is no longer in the catalogue", ErrorKind::kRefused);
  }
  document.RequireChangeable();
  CatalogVersion version = ReplaceDisk(document.Current(), disk, updated.record);
  CatalogEdit edit = UpdateDiskEdit(
      document.Index(), disk, std::make_shared<CatalogVersion>(DiskAsCatalogue(updated.record)));
  document.ApplyChange(std::move(version), std::move(edit));
  view.SetStatusLine(QString());
  view.SetCounterLine(QString());
}

UpdatedDisk UpdateDisk(CatalogDocument& document, int disk, ScanState& state, ScanView& view,
                       ThumbnailPipeline& thumbs) {
  UpdatedDisk updated;
  try {
    document.RequireChangeable();
    updated = ScanDiskUpdate(document.Current(), disk, state, view, thumbs);
    if (!updated.summary.cancelled) ApplyUpdatedDisk(document, disk, view, updated);
  } catch (...) {
    state.ScanActive = false;
    throw;
  }
  state.ScanActive = false;
  return updated;
}

}  // namespace quorvel
