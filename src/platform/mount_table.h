// The kernel's table of mounted file systems (/proc/self/mountinfo), read without judging what
// each mount is for: standard C++ only, for the settings' default folder and the mount list.
#ifndef QUORVEL_PLATFORM_MOUNT_TABLE_H_
#define QUORVEL_PLATFORM_MOUNT_TABLE_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

struct MountedFolder {
  std::filesystem::path folder;  // where it is mounted
  std::string device;            // what is mounted there ("/dev/sr0")
  std::string type;              // its file system ("iso9660", "vfat")
  friend bool operator==(const MountedFolder&, const MountedFolder&) = default;
};

// Every mount that `mountinfo` (text in the format of /proc/self/mountinfo) lists, in its order,
// with the table's octal escapes ("\040" for a blank) undone. Lines it cannot read are skipped.
std::vector<MountedFolder> ReadMountTable(std::string_view mountinfo);

// The text of /proc/self/mountinfo now; empty where there is none.
std::string MountInfoText();

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_MOUNT_TABLE_H_
