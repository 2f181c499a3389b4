// The folder the add-disk page offers until the user has chosen one: on Windows the first drive,
// elsewhere the first mounted removable medium, else the home folder.
#ifndef QUORVEL_SETTINGS_DEFAULT_SCAN_FOLDER_H_
#define QUORVEL_SETTINGS_DEFAULT_SCAN_FOLDER_H_

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_paths.h"

namespace quorvel {

// The mount points listed in `mountinfo`, a table in the format of /proc/self/mountinfo, with
// the table's octal escapes (such as \040 for a blank) undone. Lines it cannot read are skipped.
std::set<std::string> ParseMountPoints(std::string_view mountinfo);

// The first, in name order, of the folders directly inside any of `media_roots` that is one of
// `mount_points`; `home` when there is none.
std::string FirstMountedMedium(const std::vector<std::filesystem::path>& media_roots,
                               const std::set<std::string>& mount_points, const std::string& home);

// For this process: "c:\" on Windows; elsewhere FirstMountedMedium over /media/USER and
// /run/media/USER (USER: $USER, else $LOGNAME, else the account's name), the mounts of
// /proc/self/mountinfo and the home folder ($HOME, else the account's).
std::string DefaultScanFolder(const EnvironmentLookup& environment);

}  // namespace quorvel

#endif  // QUORVEL_SETTINGS_DEFAULT_SCAN_FOLDER_H_
