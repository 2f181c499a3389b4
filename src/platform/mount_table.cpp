#include "platform/mount_table.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace quorvel {
namespace {

// A field of mountinfo with its "\040"-style escapes (space, tab, newline, backslash) decoded.
std::string Unescape(std::string_view field) {
  std::string text;
  text.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    const auto octal = [&](std::size_t at) { return field[at] >= '0' && field[at] <= '7'; };
    if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                (field[i + 3] - '0'));
      i += 3;
    } else {
      text += field[i];
    }
  }
  return text;
}

// The fields of one line, split at spaces.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t from = 0;
  while (from < line.size()) {
    const std::size_t end = std::min(line.find(' ', from), line.size());
    if (end > from) fields.push_back(line.substr(from, end - from));
    from = end + 1;
  }
  return fields;
}

}  // namespace

std::vector<MountedFolder> ReadMountTable(std::string_view mountinfo) {
  std::vector<MountedFolder> mounts;
  std::size_t from = 0;
  while (from < mountinfo.size()) {
    const std::size_t end = std::min(mountinfo.find('\n', from), mountinfo.size());
    const std::vector<std::string_view> fields = Fields(mountinfo.substr(from, end - from));
    from = end + 1;
    // ID, parent ID, major:minor, root, mount point, options, optional fields up to "-", then
    // the file system's type, its source and its own options.
    const auto separator = std::find(fields.begin() + std::min<std::size_t>(fields.size(), 6),
                                     fields.end(), std::string_view("-"));
    if (fields.size() < 6 || fields.end() - separator < 3) continue;
    mounts.push_back({.folder = Unescape(fields[4]),
                      .device = Unescape(separator[2]),
                      .type = std::string(separator[1])});
  }
  return mounts;
}

std::string MountInfoText() {
  // procfs reports no size, so the text is read to its end rather than by a size asked first.
  std::ifstream file("/proc/self/mountinfo", std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace quorvel
