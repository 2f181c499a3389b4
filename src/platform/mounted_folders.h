// The file systems mounted on this machine that may hold a catalogued disk, and a watch that
// tells when one is mounted or unmounted.
#ifndef QUORVEL_PLATFORM_MOUNTED_FOLDERS_H_
#define QUORVEL_PLATFORM_MOUNTED_FOLDERS_H_

#include <QObject>
#include <string_view>
#include <vector>

#include "platform/mount_table.h"

class QSocketNotifier;

namespace quorvel {

// The mounts that `mountinfo` (the text of /proc/self/mountinfo) lists, in its order, without
// the system's own: the kernel's and memory's file systems (proc, sysfs, tmpfs, cgroup, overlay,
// ...), the root, and what is mounted at or below /boot, /efi, /proc, /sys, /dev, /run (but
// /run/media), /snap, /usr, /var or /etc. Escaped characters in paths ("\040") are decoded.
std::vector<MountedFolder> ParseMountInfo(std::string_view mountinfo);

// The same, read now. On Windows: the drives but the system's.
std::vector<MountedFolder> MountedFolders();

// Tells when the table of mounts changes (the kernel flags /proc/self/mountinfo); where that
// cannot be watched, Changed is never emitted and the caller looks again when it has reason to.
class MountWatch : public QObject {
  Q_OBJECT

 public:
  explicit MountWatch(QObject* parent = nullptr);
  ~MountWatch() override;

 signals:
  void Changed();

 private:
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;  // a child
};

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_MOUNTED_FOLDERS_H_
