// Recognising a newly mounted medium: every disk of a catalogue of 1,000 disks x 500 realistic
// paths is looked for below one mounted folder that holds one of them, counting the looks (stats)
// it takes. The figures to hold: all 1,000 disks in under a second, at most 200 looks a disk.
// First on a folder of the temporary folder's file system, warm; then, when run as root with
// mkfs.vfat at hand, on a loop-mounted FAT image right after the kernel's caches are dropped, to
// come near a slow medium's cold lookups. A plain program that prints a table.
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

  if (geteuid() != 0 || !Shell("command -v mkfs.vfat >/dev/null")) {
    std::printf("FAT image: skipped (needs root and mkfs.vfat)\n");
    return 0;
  }
  const fs::path image = tmp.path() / "fat.img";
  const fs::path mounted = tmp.path() / "fat";
  fs::create_directories(mounted);
  const std::string mount =
      "mount -o loop,iocharset=utf8 " + image.string() + " " + mounted.string();
  const std::string umount = "umount " + mounted.string();
  if (!Shell("truncate -s 64M " + image.string() + " && mkfs.vfat -n PHOTOS " + image.string() +
             " >/dev/null") ||
      !Shell(mount)) {
    std::printf("FAT image: skipped (cannot make or mount it)\n");
    return 0;
  }
  CopyDiskTo(held, mounted);
  // Unmounted and mounted again, the caches dropped: nothing of the medium is in memory.
  const bool cold =
      Shell(umount) && Shell("sync; echo 3 > /proc/sys/vm/drop_caches") && Shell(mount);
  if (cold) {
    Print("FAT image, just mounted, cold", LocateAll(index, mounted));
    Print("FAT image, warm", LocateAll(index, mounted));
  } else {
    std::printf("FAT image: could not remount it cold\n");
  }
  Shell(umount);
  return 0;
}
