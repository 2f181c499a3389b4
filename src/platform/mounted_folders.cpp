#include "platform/mounted_folders.h"

#include <QSocketNotifier>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <QStorageInfo>

#include "platform/path_text.h"
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quorvel {
namespace {

// File systems that are the kernel's views, memory or containers' layers, never a medium.
// clang-format off
constexpr std::string_view kPseudoTypes[] = {
    "autofs", "aufs", "binfmt_misc", "bpf", "cgroup", "cgroup2", "configfs", "debugfs", "devpts",
    "devtmpfs", "efivarfs", "fusectl", "hugetlbfs", "mqueue", "nfsd", "nsfs", "overlay", "proc",
    "pstore", "ramfs", "rpc_pipefs", "securityfs", "selinuxfs", "sysfs", "tmpfs", "tracefs",
    "fuse.gvfsd-fuse", "fuse.lxcfs", "fuse.portal", "fuse.snapfuse", "fuse.xdg-document-portal"};
// clang-format on

// The system's own folders: what is mounted there is the system, not a medium.
constexpr std::string_view kSystemFolders[] = {"/boot", "/efi",  "/proc", "/sys", "/dev",
                                               "/run",  "/snap", "/usr",  "/var", "/etc"};
// Where desktops mount media, below a system folder.
constexpr std::string_view kRunMedia = "/run/media/";

bool IsAtOrBelow(std::string_view path, std::string_view folder) {
  return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

bool IsSystemFolder(std::string_view folder) {
  if (folder == "/") return true;
  if (folder.starts_with(kRunMedia)) return false;
  return std::ranges::any_of(
      kSystemFolders, [folder](std::string_view system) { return IsAtOrBelow(folder, system); });
}

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

std::vector<MountedFolder> ParseMountInfo(std::string_view mountinfo) {
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
    const std::string_view type = separator[1];
    const std::string folder = Unescape(fields[4]);
    if (std::ranges::find(kPseudoTypes, type) != std::end(kPseudoTypes) || IsSystemFolder(folder)) {
      continue;
    }
    mounts.push_back(
        {.folder = folder, .device = Unescape(separator[2]), .type = std::string(type)});
  }
  return mounts;
}

std::vector<MountedFolder> MountedFolders() {
#ifdef _WIN32
  std::vector<MountedFolder> mounts;
  const QString system = QStorageInfo::root().rootPath();
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !volume.isReady() || volume.rootPath() == system) continue;
    mounts.push_back({.folder = QStringToPath(volume.rootPath()),
                      .device = volume.device().toStdString(),
                      .type = volume.fileSystemType().toStdString()});
  }
  return mounts;
#else
  // procfs reports no size, so the text is read to its end rather than by a size asked first.
  std::ifstream file("/proc/self/mountinfo", std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return ParseMountInfo(text.str());
#endif
}

MountWatch::MountWatch(QObject* parent) : QObject(parent) {
#ifndef _WIN32
  // The kernel flags a reader of mountinfo with POLLPRI | POLLERR whenever the mount table
  // changes; a poll takes the flag down again, so nothing needs to be read.
  fd_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return;
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Exception, this);
  connect(notifier_, &QSocketNotifier::activated, this, &MountWatch::Changed);
#endif
}

MountWatch::~MountWatch() {
#ifndef _WIN32
  // The notifier, a child, would go after this body: it must stop watching before the fd closes.
  delete notifier_;
  if (fd_ >= 0) ::close(fd_);
#endif
}

}  // namespace quorvel
