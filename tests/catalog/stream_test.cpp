#include "catalog/stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "catalog/catalog_error.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testkit::ToBytes;

TEST(StreamTest, WriteAtOverwritesExtendsAndAppendsFromEitherOrigin) {
  Bytes s = ToBytes("abcdef");
  const std::uint8_t xy[] = {'X', 'Y'};
  WriteAt(s, Origin::kBeginning, 1, xy, 2);
  EXPECT_EQ(s, ToBytes("aXYdef"));
  WriteAt(s, Origin::kEnd, -2, xy, 2);
  EXPECT_EQ(s, ToBytes("aXYdXY"));
  WriteAt(s, Origin::kEnd, 0, xy, 2);  // appends
  EXPECT_EQ(s, ToBytes("aXYdXYXY"));
  WriteAt(s, Origin::kEnd, -1, xy, 2);  // straddles the end: overwrites then grows
  EXPECT_EQ(s, ToBytes("aXYdXYXXY"));
  Bytes gap = ToBytes("ab");
  WriteAt(gap, Origin::kBeginning, 4, xy, 1);
  EXPECT_EQ(gap, (Bytes{'a', 'b', 0, 0, 'X'}));
}

TEST(StreamTest, WriteAtRefusesPositionsBeforeTheStartAndLeavesTheStream) {
  Bytes s = ToBytes("abc");
  const std::uint8_t x = 'X';
  EXPECT_THROW(WriteAt(s, Origin::kEnd, -4, &x, 1), CatalogError);
  EXPECT_THROW(WriteAt(s, Origin::kBeginning, -1, &x, 1), CatalogError);
  EXPECT_THROW(WriteAt(s, Origin::kEnd, 1, &x, 1), CatalogError);
  EXPECT_EQ(s, ToBytes("abc"));
}

TEST(StreamTest, ReadAtGivesZerosForBytesOutsideTheStream) {
  const Bytes s = ToBytes("abcd");
  std::uint8_t buf[4] = {9, 9, 9, 9};
  EXPECT_EQ(ReadAt(s, Origin::kBeginning, 2, buf, 4), 2u);
  EXPECT_EQ(Bytes(buf, buf + 4), (Bytes{'c', 'd', 0, 0}));
  EXPECT_EQ(ReadAt(s, Origin::kEnd, -3, buf, 2), 2u);
  EXPECT_EQ(Bytes(buf, buf + 2), ToBytes("bc"));
  EXPECT_EQ(ReadAt(s, Origin::kEnd, -6, buf, 4), 2u);  // starts two bytes before the stream
  EXPECT_EQ(Bytes(buf, buf + 4), (Bytes{0, 0, 'a', 'b'}));
  EXPECT_EQ(ReadAt(s, Origin::kBeginning, 10, buf, 3), 0u);
  EXPECT_EQ(Bytes(buf, buf + 3), (Bytes{0, 0, 0}));
  EXPECT_EQ(ReadAt(Bytes{}, Origin::kBeginning, 0, buf, 2), 0u);
}

TEST(StreamTest, CopyCatalogRangeAppendsAndRefusesRangesOutsideTheCatalogue) {
  const Bytes catalog = ToBytes("0123456789");
  Bytes dest = ToBytes("ab");
  CopyCatalogRange(catalog, 3, 7, dest);  // the last three bytes
  EXPECT_EQ(dest, ToBytes("ab789"));
  EXPECT_THROW(CopyCatalogRange(catalog, 4, 7, dest), CatalogError);
  EXPECT_THROW(CopyCatalogRange(catalog, 1, -1, dest), CatalogError);
  EXPECT_THROW(CopyCatalogRange(catalog, -1, 0, dest), CatalogError);
  EXPECT_EQ(dest, ToBytes("ab789"));
}

class FileTest : public ::testing::Test {
 protected:
  fs::path File(const char* name, const Bytes& bytes) { return temp_.File(name, bytes); }
  testkit::TempDir temp_;
  const fs::path dir_ = temp_.path();
};

TEST_F(FileTest, IsCatalogFileLooksOnlyAtTheMagic) {
  EXPECT_TRUE(IsCatalogFile(File("empty.qrv", {})));
  EXPECT_TRUE(IsCatalogFile(File("magic.qrv", ToBytes("Ctlg"))));
  EXPECT_TRUE(IsCatalogFile(File("junk-after.qrv", ToBytes("Ctlg\xFF\xFF garbage"))));
  EXPECT_FALSE(IsCatalogFile(File("half.qrv", ToBytes("Ct"))));
  EXPECT_FALSE(IsCatalogFile(File("case.qrv", ToBytes("ctlg\x00\x00"))));
  EXPECT_FALSE(IsCatalogFile(File("text.qrv", ToBytes("hello world"))));
}

TEST_F(FileTest, UnreadableFilesAreErrorsNotVerdicts) {
  EXPECT_THROW(IsCatalogFile(dir_ / "missing.qrv"), CatalogError);
  EXPECT_THROW(IsCatalogFile(dir_), CatalogError) << "a folder is not an empty catalogue";
  EXPECT_THROW(LoadFile(dir_ / "missing.qrv"), CatalogError);
  EXPECT_THROW(LoadFile(dir_), CatalogError);
  try {
    LoadFile(dir_ / "missing.qrv");
  } catch (const CatalogError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file \"" + (dir_ / "missing.qrv").string()),
              std::string::npos);
  }
}

TEST_F(FileTest, OnlyRegularFilesAreReadAndNoneIsWaitedOn) {
  const fs::path fifo = dir_ / "fifo.qrv";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // With no writer, a FIFO opened for reading blocks this very call for good.
  for (const fs::path& odd : {fifo, fs::path("/dev/zero")}) {
    EXPECT_THROW(IsCatalogFile(odd), CatalogError) << odd;
    try {
      LoadFile(odd);
      ADD_FAILURE() << odd << " was read as a catalogue";
    } catch (const CatalogError& e) {
      EXPECT_EQ(std::string(e.what()),
                "Cannot open file \"" + odd.string() + "\". Not a regular file");
    }
  }
}

TEST_F(FileTest, LoadFileReadsEveryByte) {
  Bytes bytes(70000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  EXPECT_EQ(LoadFile(File("big.qrv", bytes)), bytes);
  EXPECT_EQ(LoadFile(File("empty.qrv", {})), Bytes{});
}

}  // namespace
}  // namespace quorvel
