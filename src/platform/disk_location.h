// A catalogued disk found on this machine, wherever it is mounted now: the folder that holds
// what the folders of its stored paths held when it was catalogued.
#ifndef QUORVEL_PLATFORM_DISK_LOCATION_H_
#define QUORVEL_PLATFORM_DISK_LOCATION_H_

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "catalog/catalog_index.h"

namespace quorvel {

struct DiskLocation {
  // How many leading parts of each stored path (StoredPathParts) `folder` stands for.
  std::size_t stored_depth = 0;
  // Where those parts lead now.
  std::filesystem::path folder;
  // The folder an update walks unless the user names another: the mounted folder when the disk
  // was catalogued from the top of a medium, else `folder`.
  std::filesystem::path update_folder;
  friend bool operator==(const DiskLocation&, const DiskLocation&) = default;
};

// The most checks one disk's recognition makes.
inline constexpr int kMaxLocateProbes = 200;

// Whether `path` exists: a stat, never a read of what a file holds. Tests count the calls.
using PathProbe = std::function<bool(const std::filesystem::path& path)>;
PathProbe FileSystemProbe();

// Where the files of `disk` are below `mounted` (the folder of a mounted file system): the
// folder at or below it in which most of a sample of the disk's stored paths, taken below the
// folders they all share, exist. Makes at most kMaxLocateProbes calls of `probe`. Nullopt when
// there is none, and for a disk without thumbnails.
std::optional<DiskLocation> LocateDisk(const CatInfo& disk, const std::filesystem::path& mounted,
                                       const PathProbe& probe = FileSystemProbe());

// The regular file that `stored_path` (a thumbnail's path, Windows-1251) names on the disk at
// `location`, its parts converted as FindOriginalFile converts them; nullopt when it is not there.
std::optional<std::filesystem::path> FindOriginalFileAt(std::string_view stored_path,
                                                        const DiskLocation& location);

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_DISK_LOCATION_H_
