#include "catalog/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "catalog/catalog_error.h"
#include "catalog/catalog_lock.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testkit::ReadBytes;
using testkit::ToBytes;

constexpr uid_t kNobody = 65534;

// What a save of `text` to `path` failed with; empty when it was saved.
std::string SaveError(const fs::path& path, const std::string& text) {
  try {
    SaveFileAtomically(path, ToBytes(text));
    return {};
  } catch (const CatalogError& e) {
    return e.what();
  }
}

class AtomicFileTest : public ::testing::Test {
 protected:
  fs::path File(const std::string& name, const std::string& text) {
    return temp_.File(name, ToBytes(text));
  }
  // Saves `text` as a save of the catalogue does, under its lock.
  bool Save(const fs::path& path, const std::string& text) {
    const CatalogLock lock(path);
    return SaveError(path, text).empty();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  testkit::TempDir temp_;
  const fs::path dir_ = temp_.path();
};

TEST_F(AtomicFileTest, LeavesNoTemporaryAndRemovesWhatAKilledSaveLeft) {
  const fs::path c = File("c.qrv", "old");
  const fs::path d = File("d.qrv", "other");
  // What a save killed between naming its temporary and the rename leaves behind.
  const std::string stray = TemporaryNamePrefix(c) + "0badf00d.tmp";
  const std::string others = TemporaryNamePrefix(d) + "0badf00d.tmp";
  File(stray, "half");
  File(others, "half");
  ASSERT_TRUE(Save(c, "new"));
  EXPECT_EQ(ReadBytes(c), "new");
  std::vector<std::string> expected = {"c.qrv", "d.qrv", others};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(), expected) << "only c's stray goes, and neither lock nor temporary stays";
}

TEST_F(AtomicFileTest, ANameAsLongAsTheFileSystemAllowsSaves) {
  const fs::path c = dir_ / (std::string(251, 'x') + ".qrv");
  ASSERT_TRUE(Save(c, "first"));
  ASSERT_TRUE(Save(c, "second"));
  EXPECT_EQ(ReadBytes(c), "second");
  EXPECT_EQ(Names(), std::vector<std::string>{c.filename().string()});
}

TEST_F(AtomicFileTest, KeepsPermissionsAndRefusesAFileWithoutWritePermission) {
  const fs::path c = File("c.qrv", "old");
  fs::permissions(c, fs::perms(0640));
  ASSERT_TRUE(Save(c, "new"));
  EXPECT_EQ(fs::status(c).permissions(), fs::perms(0640));

  fs::permissions(c, fs::perms(0444));
  const bool root = geteuid() == 0;
  if (root) {
    // Root may write anything; the refusal is tried as another user who owns the file.
    ASSERT_EQ(chown(c.c_str(), kNobody, kNobody), 0);
    fs::permissions(dir_, fs::perms(0777));
  }
  const pid_t child = fork();
  if (child == 0) {
    if (root && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(3);
    const std::string error = SaveError(c, "refused");
    _exit(error.empty() ? 0 : error.ends_with(". Permission denied") ? 1 : 2);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 1) << "0: saved, 2: refused for another reason";
  EXPECT_EQ(ReadBytes(c), "new");
}

TEST_F(AtomicFileTest, KeepsTheOwnerWhenRootSavesAnotherUsersFile) {
  if (geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
  const fs::path c = File("c.qrv", "old");
  ASSERT_EQ(chown(c.c_str(), kNobody, kNobody), 0);
  ASSERT_TRUE(Save(c, "new"));
  struct stat st {};
  ASSERT_EQ(stat(c.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNobody);
}

TEST_F(AtomicFileTest, RefusesWhatIsNotARegularFile) {
  const fs::path fifo = dir_ / "f.qrv";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(SaveError(fifo, "new"), "Cannot create file \"" + fifo.string() + "\". Not a regular file");
  EXPECT_TRUE(fs::is_fifo(fifo));
  const fs::path folder = dir_ / "d.qrv";
  fs::create_directory(folder);
  EXPECT_NE(SaveError(folder, "new"), "");
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(Names(), (std::vector<std::string>{"d.qrv", "f.qrv"}));
}

TEST_F(AtomicFileTest, WritesThroughLinksAndKeepsThem) {
  const fs::path link = dir_ / "link.qrv";
  fs::create_symlink("new.qrv", link);
  ASSERT_TRUE(Save(link, "created"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(dir_ / "new.qrv"), "created");
  ASSERT_TRUE(Save(link, "replaced"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(dir_ / "new.qrv"), "replaced");
  EXPECT_EQ(Names(), (std::vector<std::string>{"link.qrv", "new.qrv"}));
}

}  // namespace
}  // namespace quorvel
