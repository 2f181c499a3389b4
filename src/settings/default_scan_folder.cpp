#include "settings/default_scan_folder.h"

#include <optional>
#include <system_error>

#include "platform/mount_table.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace quorvel {

namespace fs = std::filesystem;

std::set<std::string> ParseMountPoints(std::string_view mountinfo) {
  std::set<std::string> points;
  for (const MountedFolder& mount : ReadMountTable(mountinfo)) points.insert(mount.folder);
  return points;
}

std::string FirstMountedMedium(const std::vector<fs::path>& media_roots,
                               const std::set<std::string>& mount_points, const std::string& home) {
  std::optional<fs::path> first;
  for (const fs::path& root : media_roots) {
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
      const fs::path& medium = it->path();
      std::error_code kind_ec;
      if (!mount_points.contains(medium.string()) || !it->is_directory(kind_ec)) continue;
      if (!first || medium.filename() < first->filename()) first = medium;
    }
  }
  return first ? first->string() : home;
}

std::string DefaultScanFolder(const EnvironmentLookup& environment) {
#ifdef _WIN32
  (void)environment;
  return "c:\\";
#else
  // A session started without a login shell may lack these variables; the account has both.
  const passwd* account = getpwuid(geteuid());
  std::string user = environment("USER");
  if (user.empty()) user = environment("LOGNAME");
  if (user.empty() && account) user = account->pw_name;
  std::string home = environment("HOME");
  if (home.empty() && account) home = account->pw_dir;
  if (home.empty()) home = "/";

  std::vector<fs::path> roots;
  if (!user.empty() && user.find('/') == std::string::npos) {
    roots = {fs::path("/media") / user, fs::path("/run/media") / user};
  }
  return FirstMountedMedium(roots, ParseMountPoints(MountInfoText()), home);
#endif
}

}  // namespace quorvel
