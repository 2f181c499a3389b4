#include "catalog/folder_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "catalog/catalog_error.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testkit::ReadBytes;
using testkit::ToBytes;

// A folder "out" in a temporary folder, and a one-disk catalogue to write thumbnails from.
class FolderWriterTest : public ::testing::Test {
 protected:
  FolderWriterTest() { fs::create_directory(out_); }

  void Write(std::vector<testkit::ThumbSpec> thumbs) {
    const Bytes stream = testkit::BuildCatalog({{"d", std::move(thumbs)}});
    const CatalogIndex index = BuildIndex(stream);
    FolderWriter writer(out_);
    for (const Disc& thumb : index.Disks[0].Thumbs) writer.WriteThumbnail(stream, thumb);
  }

  testkit::TempDir temp_;
  const fs::path out_ = temp_.path() / "out";
};

TEST_F(FolderWriterTest, ReplacesALinkInsteadOfWritingThroughIt) {
  const fs::path victim = temp_.File("victim.txt", ToBytes("keep"));
  fs::create_symlink("../victim.txt", out_ / "a.jpg");
  Write({{"E:\\a", ToBytes("new")}});
  EXPECT_EQ(ReadBytes(victim), "keep");
  EXPECT_FALSE(fs::is_symlink(out_ / "a.jpg"));
  EXPECT_EQ(ReadBytes(out_ / "a.jpg"), "new");
}

TEST_F(FolderWriterTest, WritesALongNameShortenedAndTheThumbnailsAfterIt) {
  Write({{"E:\\" + std::string(200, '\xE4'), ToBytes("long")}, {"b", ToBytes("next")}});
  std::u8string shortened;
  for (int i = 0; i < 125; ++i) shortened += u8"д";
  EXPECT_EQ(ReadBytes(out_ / fs::path(shortened + u8".jpg")), "long");
  EXPECT_EQ(ReadBytes(out_ / "b.jpg"), "next");
}

TEST_F(FolderWriterTest, AFailedWriteIsReportedAndLeavesNothingBehind) {
  fs::create_directory(out_ / "a.jpg");
  EXPECT_THROW(Write({{"a", ToBytes("x")}}), CatalogError);
  EXPECT_EQ(std::distance(fs::directory_iterator(out_), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace quorvel
