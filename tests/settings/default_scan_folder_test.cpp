#include "settings/default_scan_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/catalog_builder.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testkit::TempDir;
using Points = std::set<std::string>;

TEST(DefaultScanFolderTest, MountPointsAreTheFifthFieldWithEscapesUndone) {
  const std::string table =
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "95 22 8:17 / /media/me/MY\\040DISK rw,nosuid shared:50 - vfat /dev/sdb1 rw\n"
      "96 22 11:0 / /media/me/a\\134b\\011c rw - iso9660 /dev/sr0 ro\n"
      "short line\n";
  EXPECT_EQ(ParseMountPoints(table), (Points{"/", "/media/me/MY DISK", "/media/me/a\\b\tc"}));
}

TEST(DefaultScanFolderTest, FirstMountedMediumByNameElseHome) {
  TempDir dir;
  const fs::path media = dir.path() / "media";
  const fs::path run_media = dir.path() / "run-media";
  for (const char* name : {"A-unmounted", "C-stick"}) fs::create_directories(media / name);
  fs::create_directories(run_media / "B-disc");
  dir.File("media/0-file", {});
  const Points mounts{(media / "C-stick").string(), (run_media / "B-disc").string(),
                      (media / "0-file").string()};

  // A folder that is not mounted and a mount that is no folder are passed over; of the rest,
  // over both roots, the first name wins.
  EXPECT_EQ(FirstMountedMedium({media, run_media, dir.path() / "none"}, mounts, "/home/me"),
            (run_media / "B-disc").string());
  EXPECT_EQ(FirstMountedMedium({media}, mounts, "/home/me"), (media / "C-stick").string());
  EXPECT_EQ(FirstMountedMedium({media}, {}, "/home/me"), "/home/me");
}

}  // namespace
}  // namespace quorvel
