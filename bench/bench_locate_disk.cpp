// Recognising a newly mounted medium: every disk of a catalogue of 1,000 disks x 500 realistic
// paths is looked for below one mounted folder that holds one of them, counting the looks (stats)
// it takes. The figures to hold: all 1,000 disks in under a second, at most 200 looks a disk.
// First on a folder of the temporary folder's file system, warm; then, when run as root, on a
// loop-mounted FAT image (mkfs.vfat; ext4 where the kernel has no FAT) right after the kernel's
// caches are dropped, to come near a slow medium's cold lookups. A plain program that prints a
// table.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "catalog/catalog_index.h"
#include "catalog/cp1251.h"
#include "catalog/stored_path.h"
#include "platform/disk_location.h"
#include "support/catalog_builder.h"
#include "support/realistic_catalog.h"

namespace {

namespace fs = std::filesystem;
using quorvel::CatInfo;

constexpr int kDisks = 1000;
constexpr int kThumbsPerDisk = 500;
constexpr int kHeldDisk = 500;  // the disk that the medium holds
constexpr int kWarmRuns = 5;

struct Run {
  double seconds = 0;
  long long looks = 0;
  int most_looks = 0;  // of one disk
  int found = 0;
  bool held_found = false;
};

Run LocateAll(const quorvel::CatalogIndex& index, const fs::path& mounted) {
  Run run;
  int looks = 0;
  const quorvel::PathProbe stat_counted = [&looks](const fs::path& path) {
    ++looks;
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
  };
  const auto start = std::chrono::steady_clock::now();
  for (int d = 0; d < kDisks; ++d) {
    looks = 0;
    const std::optional<quorvel::DiskLocation> location =
        quorvel::LocateDisk(index.Disks[d], mounted, stat_counted);
    run.looks += looks;
    run.most_looks = std::max(run.most_looks, looks);
    if (location) {
      ++run.found;
      run.held_found = run.held_found || d == kHeldDisk;
    }
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return run;
}

// The files of `disk` below `medium`, as a copy of the disk made from the folders its paths share.
void CopyDiskTo(const CatInfo& disk, const fs::path& medium) {
  std::vector<std::string_view> shared = quorvel::StoredPathParts(disk.Thumbs.front().Name());
  std::size_t depth = shared.size() - 1;
  for (const quorvel::Disc& thumb : disk.Thumbs) {
    depth = quorvel::SharedFolders(std::span(shared).first(depth + 1),
                                   quorvel::StoredPathParts(thumb.Name()));
  }
  for (const quorvel::Disc& thumb : disk.Thumbs) {
    const fs::path file = medium / quorvel::Cp1251ToUtf8(quorvel::PathBelow(thumb.Name(), depth));
    fs::create_directories(file.parent_path());
    std::ofstream(file).put('x');
  }
}

void Print(const char* where, const Run& run) {
  std::printf("%-34s %9.1f %10lld %9.1f %9d %6d %s\n", where, run.seconds * 1000, run.looks,
              static_cast<double>(run.looks) / kDisks, run.most_looks, run.found,
              run.held_found ? "yes" : "NO");
}

// A file system to make on an image and mount through a loop device.
struct Medium {
  const char* name;
  const char* make;     // the command that makes it, the image's path to follow
  const char* options;  // mount's options
};

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

}  // namespace

int main() {
  const quorvel::CatalogIndex index =
      quorvel::BuildIndex(quorvel::testkit::RealisticCatalog(kDisks, kThumbsPerDisk, 2004));
  const CatInfo& held = index.Disks[kHeldDisk];
  std::printf("%d disks x %d paths; the medium holds disk %d, first path %s\n", kDisks,
              kThumbsPerDisk, kHeldDisk, quorvel::Cp1251ToUtf8(held.Thumbs[0].Name()).c_str());
  std::printf("%-34s %9s %10s %9s %9s %6s %s\n", "mounted folder", "ms", "looks", "looks/disk",
              "most/disk", "found", "held disk found");

  const quorvel::testkit::TempDir tmp;
  const fs::path folder = tmp.path() / "folder";
  CopyDiskTo(held, folder);
  for (int i = 0; i < kWarmRuns; ++i) Print("temporary folder, warm", LocateAll(index, folder));
  if (const auto location = quorvel::LocateDisk(held, folder)) {
    std::printf("held disk: %zu folders below %s, update from %s\n", location->stored_depth,
                location->folder.c_str(), location->update_folder.c_str());
  }

  if (geteuid() != 0) {
    std::printf("image: skipped (mounting needs root)\n");
    return 0;
  }
  // FAT as on a stick or a card; where the kernel has no FAT, ext4, still a block device read
  // cold.
  const fs::path image = tmp.path() / "medium.img";
  const fs::path mounted = tmp.path() / "medium";
  fs::create_directories(mounted);
  const std::string umount = "umount " + mounted.string();
  const Medium media[] = {
      {"FAT image", "mkfs.vfat -n PHOTOS", "-o loop,iocharset=utf8"},
      {"ext4 image", "mkfs.ext4 -q -F", "-o loop"},
  };
  for (const Medium& medium : media) {
    const std::string mount =
        "mount " + std::string(medium.options) + " " + image.string() + " " + mounted.string();
    if (!Shell("rm -f " + image.string() + " && truncate -s 64M " + image.string() + " && " +
               medium.make + " " + image.string() + " >/dev/null 2>&1") ||
        !Shell(mount + " 2>/dev/null")) {
      std::printf("%s: cannot be made or mounted here\n", medium.name);
      continue;
    }
    CopyDiskTo(held, mounted);
    // Unmounted and mounted again, the caches dropped: nothing of the medium is in memory.
    if (Shell(umount) && Shell("sync; echo 3 > /proc/sys/vm/drop_caches") && Shell(mount)) {
      Print((std::string(medium.name) + ", just mounted, cold").c_str(), LocateAll(index, mounted));
      Print((std::string(medium.name) + ", warm").c_str(), LocateAll(index, mounted));
    } else {
      std::printf("%s: could not be mounted again cold\n", medium.name);
    }
    Shell(umount);
    break;
  }
  return 0;
}
