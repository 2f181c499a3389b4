#include "settings/recent_catalogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/catalog_builder.h"

namespace quorvel {
namespace {

using testkit::TempDir;
using testkit::ToBytes;

// The list keeps the last ten catalogues, most recent first, each once, and through the settings
// file; a catalogue whose file is gone stays listed but is not offered.
TEST(RecentCatalogsTest, KeepsTheLastTenMostRecentFirstEachOnce) {
  TempDir dir;
  const std::string kept = dir.File("kept.qrv", ToBytes("x")).string();
  const std::string gone = (dir.path() / "gone.qrv").string();
  RecentCatalogs recent;
  for (int k = 1; k <= 11; ++k) recent.Add("/c/" + std::to_string(k) + ".qrv");
  ASSERT_EQ(recent.Paths().size(), RecentCatalogs::kMost);
  EXPECT_EQ(recent.Paths().front(), "/c/11.qrv");
  EXPECT_EQ(recent.Paths().back(), "/c/2.qrv");  // the oldest went

  EXPECT_TRUE(recent.Add("/c/5.qrv"));  // opened again: moves to the top, listed once
  EXPECT_FALSE(recent.Add("/c/5.qrv"));
  EXPECT_EQ(recent.Paths()[0], "/c/5.qrv");
  EXPECT_EQ(recent.Paths()[1], "/c/11.qrv");
  EXPECT_EQ(std::count(recent.Paths().begin(), recent.Paths().end(), "/c/5.qrv"), 1);
  EXPECT_EQ(recent.Paths().size(), RecentCatalogs::kMost);

  recent.Add(gone);
  recent.Add(kept);
  const std::filesystem::path ini = dir.path() / "quorvel.ini";
  recent.Write(ini);
  const RecentCatalogs read = RecentCatalogs::Read(ini);
  EXPECT_EQ(read.Paths(), recent.Paths());
  const std::vector<RecentCatalogs::Entry> entries = read.Entries();
  ASSERT_EQ(entries.size(), RecentCatalogs::kMost);
  EXPECT_EQ(entries[0].path, kept);
  EXPECT_TRUE(entries[0].exists);
  EXPECT_EQ(entries[1].path, gone);
  EXPECT_FALSE(entries[1].exists);
}

}  // namespace
}  // namespace quorvel
