#include "catalog/folder_writer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

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

  FolderWriteResult WriteAll(std::vector<testkit::ThumbSpec> thumbs) {
    const CatalogVersion catalog =
        VersionOfBytes(testkit::BuildCatalog({{"d", std::move(thumbs)}}));
    std::vector<ThumbRef> list;
    for (std::int32_t t = 0; t < catalog.index.Disks[0].ThumbCount; ++t) list.push_back({0, t});
    FolderWriter writer(out_);
    return writer.WriteThumbnails(catalog, list);
  }

  std::size_t FilesInOut() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(out_), fs::directory_iterator()));
  }

  testkit::TempDir temp_;
  const fs::path out_ = temp_.path() / "out";
};

TEST_F(FolderWriterTest, ReplacesALinkInsteadOfWritingThroughIt) {
  const fs::path victim = temp_.File("victim.txt", ToBytes("keep"));
  fs::create_symlink("../victim.txt", out_ / "a.jpg");
  WriteAll({{"E:\\a", ToBytes("new")}});
  EXPECT_EQ(ReadBytes(victim), "keep");
  EXPECT_FALSE(fs::is_symlink(out_ / "a.jpg"));
  EXPECT_EQ(ReadBytes(out_ / "a.jpg"), "new");
}

TEST_F(FolderWriterTest, WritesALongNameShortenedAndTheThumbnailsAfterIt) {
  WriteAll({{"E:\\" + std::string(200, '\xE4'), ToBytes("long")}, {"b", ToBytes("next")}});
  std::u8string shortened;
  for (int i = 0; i < 125; ++i) shortened += u8"д";
  EXPECT_EQ(ReadBytes(out_ / fs::path(shortened + u8".jpg")), "long");
  EXPECT_EQ(ReadBytes(out_ / "b.jpg"), "next");
}

TEST_F(FolderWriterTest, AFailedWriteIsReportedAndLeavesNothingBehind) {
  fs::create_directory(out_ / "a.jpg");
  EXPECT_EQ(WriteAll({{"a", ToBytes("x")}}).unwritten.size(), 1u);
  EXPECT_EQ(std::distance(fs::directory_iterator(out_), fs::directory_iterator()), 1);
}

TEST_F(FolderWriterTest, SameNamesInOneRunGetNumberedFilesOfTheirOwn) {
  temp_.File("out/IMG_0001.JPG.jpg", ToBytes("from before"));
  const FolderWriteResult result = WriteAll({{"DCIM\\100CANON\\IMG_0001.JPG", ToBytes("100")},
                                             {"DCIM/101CANON/IMG_0001.JPG", ToBytes("101")},
                                             {"E:\\IMG_0001.JPG (2)", ToBytes("own")},
                                             {"/", ToBytes("root")},
                                             {"dir/", ToBytes("dir")},
                                             {"D:", ToBytes("drive")}});
  EXPECT_TRUE(result.unwritten.empty());
  EXPECT_EQ(result.written.size(), 6u);
  EXPECT_EQ(ReadBytes(out_ / "IMG_0001.JPG.jpg"), "100");
  // " (2)" is left to the thumbnail whose own name it is.
  EXPECT_EQ(ReadBytes(out_ / "IMG_0001.JPG (3).jpg"), "101");
  EXPECT_EQ(ReadBytes(out_ / "IMG_0001.JPG (2).jpg"), "own");
  EXPECT_EQ(ReadBytes(out_ / ".jpg"), "root");
  EXPECT_EQ(ReadBytes(out_ / " (2).jpg"), "dir");
  EXPECT_EQ(ReadBytes(out_ / " (3).jpg"), "drive");
  EXPECT_EQ(FilesInOut(), 6u);
}

TEST_F(FolderWriterTest, ABlockedNameIsReportedAndTheOthersAreWritten) {
  fs::create_directory(out_ / "up.jpg.jpg");
  const FolderWriteResult result = WriteAll({{"a", ToBytes("a")},
                                             {"C:\\up.jpg", ToBytes("blocked")},
                                             {"D:\\up.jpg", ToBytes("second")},
                                             {"b", ToBytes("b")}});
  ASSERT_EQ(result.unwritten.size(), 1u);
  EXPECT_EQ(result.unwritten[0].path, out_ / "up.jpg.jpg");
  EXPECT_EQ(result.unwritten[0].reason, std::strerror(EISDIR));
  EXPECT_EQ(result.written,
            (std::vector<fs::path>{out_ / "a.jpg", out_ / "up.jpg (2).jpg", out_ / "b.jpg"}));
  EXPECT_EQ(ReadBytes(out_ / "a.jpg"), "a");
  EXPECT_EQ(ReadBytes(out_ / "up.jpg (2).jpg"), "second");
  EXPECT_EQ(ReadBytes(out_ / "b.jpg"), "b");
  EXPECT_TRUE(fs::is_empty(out_ / "up.jpg.jpg"));
  EXPECT_EQ(FilesInOut(), 4u);
}

}  // namespace
}  // namespace quorvel
