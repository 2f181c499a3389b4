#include "platform/mounted_folders.h"

#include <QSocketNotifier>
#include <algorithm>
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

}  // namespace

std::vector<MountedFolder> ParseMountInfo(std::string_view mountinfo) {
  std::vector<MountedFolder> mounts = ReadMountTable(mountinfo);
  std::erase_if(mounts, [](const MountedFolder& mount) {
    return std::ranges::find(kPseudoTypes, mount.type) != std::end(kPseudoTypes) ||
           IsSystemFolder(mount.folder.string());
  });
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
  return ParseMountInfo(MountInfoText());
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
