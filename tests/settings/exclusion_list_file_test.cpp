#include "settings/exclusion_list_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "catalog/catalog_error.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testkit::TempDir;
using testkit::ToBytes;
using Lines = std::vector<std::string>;

using testkit::ReadBytes;

TEST(ParseExclusionListTest, EveryKindOfLineEndEndsALine) {
  EXPECT_EQ(ParseExclusionList(".db\r\n.ini\r\n"), (Lines{".db", ".ini"}));
  EXPECT_EQ(ParseExclusionList(".db\n.ini\n"), (Lines{".db", ".ini"}));
  EXPECT_EQ(ParseExclusionList(".db\r.ini\r"), (Lines{".db", ".ini"}));
  EXPECT_EQ(ParseExclusionList(".db\r\n.ini\n.txt\r.bak"), (Lines{".db", ".ini", ".txt", ".bak"}));
  // CR LF is one line end, not an empty line between CR and LF; LF CR is two.
  EXPECT_EQ(ParseExclusionList("a\r\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(ParseExclusionList("a\n\rb"), (Lines{"a", "", "b"}));
}

TEST(ParseExclusionListTest, EmptyLinesAreEntriesAndTheLastLineNeedsNoEnd) {
  EXPECT_EQ(ParseExclusionList(""), Lines{});
  EXPECT_EQ(ParseExclusionList("\r\n"), Lines{""});
  EXPECT_EQ(ParseExclusionList(".db\r\n\r\n.ini"), (Lines{".db", "", ".ini"}));
  EXPECT_EQ(ParseExclusionList(".db\r\n\r\n"), (Lines{".db", ""}));
  EXPECT_EQ(ParseExclusionList(".db"), Lines{".db"});
}

TEST(ParseExclusionListTest, TextIsKeptExactlyAndReadAs1251) {
  // Blanks, case, duplicates and a missing dot stay as they are.
  EXPECT_EQ(ParseExclusionList(" .JPG \r\n.jpg\r\n.jpg\r\njpg\r\n"),
            (Lines{" .JPG ", ".jpg", ".jpg", "jpg"}));
  EXPECT_EQ(ParseExclusionList("\xEC\xE8\xED\xE8.jpg\r\n"), Lines{"мини.jpg"});
}

TEST(FormatExclusionListTest, EachEntryEndsWithCrLfIn1251) {
  EXPECT_EQ(FormatExclusionList({}), "");
  EXPECT_EQ(FormatExclusionList({".db", "", "мини.jpg"}), ".db\r\n\r\n\xEC\xE8\xED\xE8.jpg\r\n");
  // What 1251 cannot hold, and a break that would split the entry, become "?".
  EXPECT_EQ(FormatExclusionList({"a€b", "日.png", "a\r\nb"}),
            "a\x88"
            "b\r\n?.png\r\na??b\r\n");
}

TEST(FormatExclusionListTest, ParsingWhatWasFormattedGivesTheSameEntries) {
  const Lines endings = {".db", "", "", " x ", "мини.jpg", ".db"};
  EXPECT_EQ(ParseExclusionList(FormatExclusionList(endings)), endings);
}

TEST(ExclusionListFileTest, ReadsWhatWasWritten) {
  TempDir dir;
  const fs::path path = dir.path() / "Cat.dat";
  WriteExclusionList(path, {".db", "", ".ini"});
  EXPECT_EQ(ReadBytes(path), ".db\r\n\r\n.ini\r\n");
  EXPECT_EQ(ReadExclusionList(path), (Lines{".db", "", ".ini"}));
}

TEST(ExclusionListFileTest, WritingReplacesTheWholeFile) {
  TempDir dir;
  const fs::path path = dir.File("Cat.dat", ToBytes("one\r\ntwo\r\nthree\r\n"));
  WriteExclusionList(path, {"x"});
  EXPECT_EQ(ReadBytes(path), "x\r\n");
  WriteExclusionList(path, {});
  EXPECT_EQ(ReadBytes(path), "");
}

TEST(ExclusionListFileTest, MissingAndUnreadableFilesAreToldApart) {
  TempDir dir;
  EXPECT_EQ(ReadExclusionList(dir.path() / "Cat.dat"), std::nullopt);

  fs::create_directory(dir.path() / "folder");
  try {
    ReadExclusionList(dir.path() / "folder");
    ADD_FAILURE() << "a folder read as the exclusion list";
  } catch (const CatalogError& error) {
    EXPECT_EQ(error.kind(), ErrorKind::kFileAccess);
    EXPECT_NE(std::string(error.what()).find("folder"), std::string::npos) << error.what();
  }
}

TEST(ExclusionListFileTest, AFailedWriteSaysWhyAndLeavesTheOldFile) {
  TempDir dir;
  const fs::path path = dir.File("Cat.dat", ToBytes("old\r\n"));
  try {
    WriteExclusionList(dir.path() / "no-such-folder" / "Cat.dat", {"x"});
    ADD_FAILURE() << "written into a folder that is not there";
  } catch (const CatalogError& error) {
    EXPECT_NE(std::string(error.what()).find("no-such-folder"), std::string::npos)
        << error.what();
  }
  EXPECT_EQ(ReadBytes(path), "old\r\n");
}

}  // namespace
}  // namespace quorvel
