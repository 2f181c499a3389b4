// A catalogued disk found on this machine, wherever it is mounted now: the folder that holds
// what the folders of its stored paths held when it was catalogued.
#ifndef QUORVEL_PLATFORM_DISK_LOCATION_H_
#define QUORVEL_PLATFORM_DISK_LOCATION_H_

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

#include "catalog/catalog_index.h"
#include "platform/stored_file_lookup.h"  // PathProbe, FileSystemProbe

namespace quorvel {

struct DiskLocation {
  // How many leading parts of each stored path (StoredPathParts) `folder` stands for.
  std::size_t stored_depth = 0;
  // Where those parts lead now.
  std::filesystem::path folder;
  // The folder an update walks unless the user names another: the mounted folder when the disk
  // was catalogued from the top of a medium, else `folder`. The top of a medium is where the
  // folders the disk's paths share lose exactly a medium's mount point on the way to `folder`:
  // a drive ("E:\\"), media/LABEL, media/USER/LABEL, run/media/USER/LABEL, mnt/NAME or
  // Volumes/LABEL.
  std::filesystem::path update_folder;
  friend bool operator==(const DiskLocation&, const DiskLocation&) = default;
};

// The most checks one disk's recognition makes.
inline constexpr int kMaxLocateProbes = 200;

// Where the files of `disk` are below `mounted` (the folder of a mounted file system): the
// folder at or below it in which most of a sample of the disk's stored paths, taken below the
// folders they all share, exist. The folders tried are `mounted` followed by the last n of the
// shared folders, n from all of them down to none (the disk may have been catalogued from a
// folder above or below the top of the medium). A sample is spread evenly over the disk, the
// same for the same disk; a folder is given up as soon as most of its sample can no longer be
// there, or when fewer than half of its first few are. Makes at most kMaxLocateProbes calls of
// `probe`, a handful for a disk that is not there. Nullopt when there is none, and for a disk
// without thumbnails.
std::optional<DiskLocation> LocateDisk(const CatInfo& disk, const std::filesystem::path& mounted,
                                       const PathProbe& probe = FileSystemProbe());

// The regular file that `stored_path` (a thumbnail's path, Windows-1251) names on the disk at
// `location`, its parts converted as FindOriginalFile converts them; nullopt when it is not there.
std::optional<std::filesystem::path> FindOriginalFileAt(std::string_view stored_path,
                                                        const DiskLocation& location);

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_DISK_LOCATION_H_
