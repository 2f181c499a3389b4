#include "catalog/catalog_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/catalog_builder.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

TEST(CatalogLockTest, EveryNameOfACatalogueSharesOneLockThatFitsBesideIt) {
  const testkit::TempDir temp;
  const fs::path c = temp.path() / "c.qrv";
  const fs::path link = temp.path() / "link.qrv";
  fs::create_symlink("c.qrv", link);
  EXPECT_EQ(CatalogLock::LockFileFor(link), temp.path() / ".c.qrv.lock");
  {
    const CatalogLock held(link);
    try {
      const CatalogLock second(c, std::chrono::milliseconds(100));
      ADD_FAILURE() << "two writers held the catalogue at once";
    } catch (const CatalogBusyError& e) {
      EXPECT_EQ(e.kind(), ErrorKind::kBusy);
      EXPECT_EQ(e.subject(), c);
    }
  }
  EXPECT_FALSE(fs::exists(temp.path() / ".c.qrv.lock")) << "released, the lock file goes";

  const std::string stem(251, 'x');
  const fs::path a = CatalogLock::LockFileFor(temp.path() / (stem + ".qrv"));
  const fs::path b = CatalogLock::LockFileFor(temp.path() / (stem + ".QRV"));
  EXPECT_LE(a.filename().string().size(), 255u);
  EXPECT_NE(a, b);
  EXPECT_EQ(a.parent_path(), temp.path());
  { const CatalogLock long_name(temp.path() / (stem + ".qrv")); }
}

}  // namespace
}  // namespace quorvel
