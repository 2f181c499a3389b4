#include "platform/disk_location.h"

#include <algorithm>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "catalog/cp1251.h"
#include "catalog/stored_path.h"

namespace quorvel {
namespace {

// Thumbnails whose files are looked for in one folder: most of them must be there.
constexpr std::size_t kSampleSize = 16;
// After this many looks, a folder where fewer than half were found is given up.
constexpr std::size_t kFirstLooks = 8;

// `probe`, counted: once kMaxLocateProbes calls are made, every further one finds nothing.
class ProbeBudget {
 public:
  explicit ProbeBudget(const PathProbe& probe) : probe_(probe) {}
  bool operator()(const std::filesystem::path& path) {
    if (left_ == 0) return false;
    --left_;
    return probe_(path);
  }
  bool Spent() const { return left_ == 0; }

 private:
  const PathProbe& probe_;
  int left_ = kMaxLocateProbes;
};

// Whether the first `n` of the folders the disk's paths share are a medium's mount point (see
// DiskLocation::update_folder).
bool IsMediumTop(const CatInfo& disk, std::span<const std::string_view> shared, std::size_t n) {
  const std::string_view first_path = disk.Thumbs.front().Name();
  const bool drive = first_path.size() >= 2 && first_path[1] == ':';
  if (drive) return n == 0;
  if (n == 0) return false;
  const std::string_view top = shared[0];
  if (top == "media") return n == 2 || n == 3;
  if (top == "mnt" || top == "Volumes") return n == 2;
  return top == "run" && n == 4 && shared[1] == "media";
}

// Whether most of an even spread of the disk's files are below `folder`.
bool HoldsDisk(const CatInfo& disk, std::size_t depth, const std::filesystem::path& folder,
               ProbeBudget& probe) {
  const std::size_t thumbs = disk.Thumbs.size();
  const std::size_t sample = std::min(thumbs, kSampleSize);
  const std::size_t needed = sample / 2 + 1;
  std::size_t found = 0;
  for (std::size_t looked = 0; looked < sample && !probe.Spent(); ++looked) {
    const std::size_t index = (2 * looked + 1) * thumbs / (2 * sample);
    const std::vector<std::string_view> parts = StoredPathParts(disk.Thumbs[index].Name());
    if (parts.size() > depth) {
      const auto below = std::span(parts).subspan(depth);
      // Most discs hold names that are UTF-8 here, whatever their parts: one look for those.
      std::filesystem::path utf8 = folder;
      bool converted = false;
      for (const std::string_view part : below) {
        std::string name = Cp1251ToUtf8(part);
        converted = converted || name != part;
        utf8 /= std::move(name);
      }
      if (probe(utf8) || (converted && ExistingStoredPath(folder, below, std::ref(probe)))) {
        ++found;
      }
    }
    if (found >= needed) return true;
    const std::size_t done = looked + 1;
    if (found + (sample - done) < needed) return false;
    if (done == kFirstLooks && 2 * found < done) return false;
  }
  return false;
}

}  // namespace

std::optional<DiskLocation> LocateDisk(const CatInfo& disk, const std::filesystem::path& mounted,
                                       const PathProbe& probe) {
  if (disk.Thumbs.empty()) return std::nullopt;
  const std::vector<std::string_view> shared = SharedStoredFolders(disk);
  const std::size_t depth = shared.size();
  ProbeBudget budget(probe);
  for (std::size_t from = 0; from <= depth && !budget.Spent(); ++from) {
    const std::optional<std::filesystem::path> folder =
        ExistingStoredPath(mounted, std::span(shared).subspan(from), std::ref(budget));
    if (!folder || !HoldsDisk(disk, depth, *folder, budget)) continue;
    return DiskLocation{.stored_depth = depth,
                        .folder = *folder,
                        .update_folder = IsMediumTop(disk, shared, from) ? mounted : *folder};
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> FindOriginalFileAt(std::string_view stored_path,
                                                        const DiskLocation& location) {
  const std::vector<std::string_view> parts = StoredPathParts(stored_path);
  if (parts.size() <= location.stored_depth) return std::nullopt;
  return FindStoredFile(location.folder, std::span(parts).subspan(location.stored_depth));
}

}  // namespace quorvel
