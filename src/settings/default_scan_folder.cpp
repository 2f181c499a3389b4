#include "settings/default_scan_folder.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace quorvel {
namespace {

namespace fs = std::filesystem;

// The mount point is the fifth field of a mountinfo line.
constexpr int kMountPointField = 4;

// `field` with each backslash and three octal digits replaced by the byte they give.
std::string Unescape(std::string_view field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const auto octal = [&](std::size_t k) {
      return i + k < field.size() && field[i + k] >= '0' && field[i + k] <= '7';
    };
    if (field[i] == '\\' && octal(1) && octal(2) && octal(3)) {
      text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                (field[i + 3] - '0'));
      i += 3;
    } else {
      text += field[i];
    }
  }
  return text;
}

}  // namespace

std::set<std::string> ParseMountPoints(std::string_view mountinfo) {
  std::set<std::string> points;
  std::istringstream lines{std::string(mountinfo)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string field;
    int index = 0;
    while (index <= kMountPointField && fields >> field) ++index;
    if (index > kMountPointField) points.insert(Unescape(field));
  }
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
  std::ifstream table("/proc/self/mountinfo");
  const std::string mountinfo{std::istreambuf_iterator<char>(table),
                              std::istreambuf_iterator<char>()};
  return FirstMountedMedium(roots, ParseMountPoints(mountinfo), home);
#endif
}

}  // namespace quorvel
