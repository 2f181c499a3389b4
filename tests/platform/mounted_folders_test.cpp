#include "platform/mounted_folders.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>

#include "support/catalog_builder.h"

namespace quorvel {
namespace {

TEST(ParseMountInfoTest, ListsMediaAndLeavesOutTheSystemsOwn) {
  const std::string mountinfo =
      "22 28 0:21 / /proc rw,relatime - proc proc rw\n"
      "24 28 0:6 / /dev rw,relatime - devtmpfs devtmpfs rw,size=12334164k\n"
      "28 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
      "29 28 8:1 / /boot/efi rw,relatime shared:2 - vfat /dev/sda1 rw,fmask=0077\n"
      "30 28 0:26 / /run rw,nosuid shared:5 - tmpfs tmpfs rw,mode=755\n"
      "31 28 0:27 / /run/user/1000 rw shared:6 - tmpfs tmpfs rw,mode=700\n"
      "32 23 0:29 / /sys/fs/cgroup rw,relatime - cgroup2 cgroup2 rw\n"
      "33 28 7:3 / /snap/core22/1380 ro,nodev,relatime shared:7 - squashfs /dev/loop3 ro\n"
      "34 28 8:5 / /home rw,relatime shared:8 - ext4 /dev/sda5 rw\n"
      "35 30 11:0 / /run/media/anna/\\320\\244\\320\\276\\321\\202\\320\\276\\0402004 "
      "ro,nosuid shared:9 master:3 - iso9660 /dev/sr0 ro,iocharset=utf8\n"
      "36 28 8:17 / /media/anna/USB\\040DISK rw,nosuid shared:10 - vfat /dev/sdb1 rw\n"
      "37 28 8:33 / /mnt/backup rw,relatime shared:11 - exfat /dev/sdc1 rw\n"
      "38 28 0:45 / /var/lib/docker/overlay2/abc/merged rw - overlay overlay rw\n"
      "39 28 0:46 / /mnt/tmp rw - tmpfs none rw\n"
      "40 28 8:49 / /data rw - ntfs3 /dev/sdd1 rw\n"
      "41 28 0:50 / /media/cifs rw - cifs //nas/photo\\134share rw\n"
      "truncated line\n";
  const std::vector<MountedFolder> expected = {
      {"/home", "/dev/sda5", "ext4"},
      {"/run/media/anna/Фото 2004", "/dev/sr0", "iso9660"},
      {"/media/anna/USB DISK", "/dev/sdb1", "vfat"},
      {"/mnt/backup", "/dev/sdc1", "exfat"},
      {"/data", "/dev/sdd1", "ntfs3"},
      {"/media/cifs", "//nas/photo\\share", "cifs"},
  };
  EXPECT_EQ(ParseMountInfo(mountinfo), expected);
}

// Needs root, to mount a file system in a temporary folder.
TEST(MountWatchTest, ToldWhenAFileSystemIsMountedAndUnmounted) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  const testkit::TempDir tmp;
  MountWatch watch;
  QSignalSpy changed(&watch, &MountWatch::Changed);
  if (mount("none", tmp.path().c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "cannot mount here";
  }
  EXPECT_TRUE(changed.wait(5000));
  // Once told, the watch is quiet until the next change: a flag left up would fire without end.
  // Other programs (and tests) may mount meanwhile, so a few more are allowed.
  QTest::qWait(300);
  EXPECT_LT(changed.count(), 10);
  const int before = changed.count();
  ASSERT_EQ(umount(tmp.path().c_str()), 0);
  EXPECT_TRUE(changed.wait(5000));
  EXPECT_GT(changed.count(), before);
}

}  // namespace
}  // namespace quorvel
