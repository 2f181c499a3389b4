#include "settings/ini_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testkit::TempDir;
using testkit::ToBytes;

using testkit::ReadBytes;

// The names in a folder, so that a test can tell that a save left no temporary file behind.
std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Saves and loads again, as the next start of the program would see it.
IniFile Reloaded(const IniFile& ini, const TempDir& dir) {
  const fs::path path = dir.path() / "reloaded.ini";
  ini.Save(path);
  return IniFile::Load(path);
}

TEST(IniFileTest, SectionAndKeyNamesMatchWithoutCase) {
  TempDir dir;
  const fs::path path =
      dir.File("quorvel.ini", ToBytes("[Form]\r\nCatalogname=/data/a.qrv\r\nEdit1=c:\\\r\n"));
  IniFile ini = IniFile::Load(path);
  EXPECT_EQ(ini.ReadString("form", "catalogname", ""), "/data/a.qrv");
  EXPECT_EQ(ini.ReadString("FORM", "EDIT1", ""), "c:\\");
  EXPECT_EQ(ini.ReadString("Form", "Edit3", "none"), "none");

  // The dialog writes "form" and the main window "Form": both must land in the one section,
  // keeping the spelling already in the file.
  ini.WriteInteger("form", "radiogroupindex", 2);
  ini.WriteString("form", "EDIT1", "/media/cd");
  ini.Save(path);
  EXPECT_EQ(ReadBytes(path),
            "[Form]\r\nCatalogname=/data/a.qrv\r\nEdit1=/media/cd\r\nradiogroupindex=2\r\n");
}

TEST(IniFileTest, TextIsStoredAsWindows1251) {
  TempDir dir;
  IniFile ini;
  ini.WriteString("form", "Edit3", "/home/катя/Каталог.qrv");
  ini.WriteString("form", "Edit1", "日本 €");
  const fs::path path = dir.path() / "quorvel.ini";
  ini.Save(path);
  EXPECT_EQ(ReadBytes(path),
            "[form]\r\n"
            "Edit3=/home/\xEA\xE0\xF2\xFF/\xCA\xE0\xF2\xE0\xEB\xEE\xE3.qrv\r\n"
            "Edit1=?? \x88\r\n");
  const IniFile loaded = IniFile::Load(path);
  EXPECT_EQ(loaded.ReadString("form", "Edit3", ""), "/home/катя/Каталог.qrv");
  EXPECT_EQ(loaded.ReadString("form", "Edit1", ""), "?? €");

  // A file written by the Windows program reads back as Unicode, names included.
  const fs::path old = dir.File("old.ini", ToBytes("[\xD4\xEE\xF0\xEC\xE0]\r\n"
                                                   "\xCA\xEB\xFE\xF7=\xC4\xE8\xF1\xEA 1\r\n"));
  EXPECT_EQ(IniFile::Load(old).ReadString("Форма", "Ключ", ""), "Диск 1");
}

TEST(IniFileTest, IntegersReadAsDefaultUnlessDecimal32Bit) {
  TempDir dir;
  const fs::path path = dir.File("quorvel.ini", ToBytes("[form]\r\n"
                                                        "plain=42\r\n"
                                                        "negative=-7\r\n"
                                                        "plus=+5\r\n"
                                                        "blanks=  12 \t\r\n"
                                                        "max=2147483647\r\n"
                                                        "min=-2147483648\r\n"
                                                        "empty=\r\n"
                                                        "suffix=12abc\r\n"
                                                        "word=abc\r\n"
                                                        "over=2147483648\r\n"
                                                        "under=-2147483649\r\n"
                                                        "huge=99999999999999999999\r\n"
                                                        "hex=0x10\r\n"
                                                        "fraction=1.5\r\n"
                                                        "inner=1 2\r\n"
                                                        "signs=+-3\r\n"
                                                        "sign=-\r\n"));
  const IniFile ini = IniFile::Load(path);
  EXPECT_EQ(ini.ReadInteger("form", "plain", -1), 42);
  EXPECT_EQ(ini.ReadInteger("form", "negative", -1), -7);
  EXPECT_EQ(ini.ReadInteger("form", "plus", -1), 5);
  EXPECT_EQ(ini.ReadInteger("form", "blanks", -1), 12);
  EXPECT_EQ(ini.ReadInteger("form", "max", -1), 2147483647);
  EXPECT_EQ(ini.ReadInteger("form", "min", -1), -2147483647 - 1);
  for (const char* key : {"empty", "suffix", "word", "over", "under", "huge", "hex", "fraction",
                          "inner", "signs", "sign", "missing"}) {
    EXPECT_EQ(ini.ReadInteger("form", key, 77), 77) << key;
  }
  EXPECT_EQ(ini.ReadInteger("nosuchsection", "plain", 77), 77);
  // A value that is no integer still reads as text.
  EXPECT_EQ(ini.ReadString("form", "suffix", ""), "12abc");

  IniFile written;
  written.WriteInteger("form", "radiogroupindex", -1);
  written.WriteInteger("form", "Edit4", -2147483647 - 1);
  const IniFile loaded = Reloaded(written, dir);
  EXPECT_EQ(loaded.ReadString("form", "radiogroupindex", ""), "-1");
  EXPECT_EQ(loaded.ReadInteger("form", "radiogroupindex", 0), -1);
  EXPECT_EQ(loaded.ReadInteger("form", "Edit4", 0), -2147483647 - 1);
}

TEST(IniFileTest, BooleansAreNonZeroIntegers) {
  TempDir dir;
  const fs::path path = dir.File(
      "quorvel.ini",
      ToBytes("[checkbox1]\r\none=1\r\nzero=0\r\nfive=5\r\nminus=-1\r\nletter=x\r\nempty=\r\n"));
  const IniFile ini = IniFile::Load(path);
  EXPECT_TRUE(ini.ReadBool("checkbox1", "one", false));
  EXPECT_FALSE(ini.ReadBool("checkbox1", "zero", true));
  EXPECT_TRUE(ini.ReadBool("checkbox1", "five", false));
  EXPECT_TRUE(ini.ReadBool("checkbox1", "minus", false));
  for (const char* key : {"letter", "empty", "missing"}) {
    EXPECT_TRUE(ini.ReadBool("checkbox1", key, true)) << key;
    EXPECT_FALSE(ini.ReadBool("checkbox1", key, false)) << key;
  }

  IniFile written;
  written.WriteBool("checkbox1", "Checked", true);
  written.WriteBool("checkbox2", "Checked", false);
  const fs::path out = dir.path() / "out.ini";
  written.Save(out);
  EXPECT_EQ(ReadBytes(out), "[checkbox1]\r\nChecked=1\r\n\r\n[checkbox2]\r\nChecked=0\r\n");
}

TEST(IniFileTest, AcceptsEveryLineEndAndWritesCrLf) {
  TempDir dir;
  const std::string expected = "[form]\r\na=1\r\n\r\nb=2\r\n[other]\r\nc=3\r\n";
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"CR LF", expected},
      {"LF", "[form]\na=1\n\nb=2\n[other]\nc=3\n"},
      {"CR", "[form]\ra=1\r\rb=2\r[other]\rc=3\r"},
      {"mixed, no final line end", "[form]\ra=1\n\r\nb=2\r\n[other]\nc=3"},
  };
  for (const auto& c : cases) {
    const fs::path path = dir.File("in.ini", ToBytes(c.bytes));
    IniFile ini = IniFile::Load(path);
    EXPECT_EQ(ini.ReadString("form", "a", ""), "1") << c.name;
    EXPECT_EQ(ini.ReadString("form", "b", ""), "2") << c.name;
    EXPECT_EQ(ini.ReadString("other", "c", ""), "3") << c.name;
    ini.Save(path);
    EXPECT_EQ(ReadBytes(path), expected) << c.name;
  }
}

TEST(IniFileTest, RewriteKeepsEverythingItDoesNotTouch) {
  TempDir dir;
  const fs::path path = dir.File("quorvel.ini", ToBytes("; written by hand\n"
                                                        "orphan=before any section\n"
                                                        "\n"
                                                        "[form]\n"
                                                        "  Edit1  =  c:\\  \n"
                                                        "; the time-out\n"
                                                        "Edit4=100\n"
                                                        "a line without an equals sign\n"
                                                        "[broken header\n"
                                                        "Edit4=second copy\n"
                                                        "\n"
                                                        "[plugins]\n"
                                                        "Zeta=z\n"
                                                        "alpha=a\n"));
  IniFile ini = IniFile::Load(path);
  EXPECT_EQ(ini.ReadString("form", "Edit1", ""), "c:\\");
  EXPECT_EQ(ini.ReadString("form", "Edit4", ""), "100") << "the first of two keys wins";
  ini.WriteString("form", "Edit1", "/mnt/cdrom");
  ini.WriteString("form", "Edit4", "250");
  ini.Save(path);
  EXPECT_EQ(ReadBytes(path),
            "; written by hand\r\n"
            "orphan=before any section\r\n"
            "\r\n"
            "[form]\r\n"
            "  Edit1  =  /mnt/cdrom\r\n"
            "; the time-out\r\n"
            "Edit4=250\r\n"
            "a line without an equals sign\r\n"
            "[broken header\r\n"
            "Edit4=second copy\r\n"
            "\r\n"
            "[plugins]\r\n"
            "Zeta=z\r\n"
            "alpha=a\r\n");
  EXPECT_EQ(IniFile::Load(path).ReadString("form", "orphan", "none"), "none")
      << "a key before any section belongs to none";
}

TEST(IniFileTest, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheEnd) {
  TempDir dir;
  const fs::path path = dir.File("quorvel.ini", ToBytes("[form]\r\n"
                                                        "Edit1=c:\\\r\n"
                                                        "\r\n"
                                                        "; about the boxes\r\n"
                                                        "[checkbox1]\r\n"
                                                        "[form]\r\n"
                                                        "Edit1=shadowed\r\n"
                                                        "Edit3=/x.qrv\r\n"));
  IniFile ini = IniFile::Load(path);
  // A repeated section reads as part of the first.
  EXPECT_EQ(ini.ReadString("form", "Edit1", ""), "c:\\");
  EXPECT_EQ(ini.ReadString("form", "Edit3", ""), "/x.qrv");
  ini.WriteString("form", "Edit4", "100");
  ini.WriteString("form", "Edit3", "/y.qrv");
  ini.WriteBool("checkbox1", "Checked", true);
  ini.WriteBool("checkbox2", "Checked", false);
  ini.Save(path);
  EXPECT_EQ(ReadBytes(path),
            "[form]\r\n"
            "Edit1=c:\\\r\n"
            "Edit4=100\r\n"
            "\r\n"
            "; about the boxes\r\n"
            "[checkbox1]\r\n"
            "Checked=1\r\n"
            "[form]\r\n"
            "Edit1=shadowed\r\n"
            "Edit3=/y.qrv\r\n"
            "\r\n"
            "[checkbox2]\r\n"
            "Checked=0\r\n");
}

TEST(IniFileTest, ValuesReadBackAsWritten) {
  TempDir dir;
  IniFile ini;
  const std::vector<std::string> values = {
      "",   " leading",           "trailing\t", "  both  ",       "\"quoted\"",
      "\"", "a \"middle\" quote", "x=y;z",      "[not a section]"};
  for (std::size_t i = 0; i < values.size(); ++i) {
    ini.WriteString("form", "k" + std::to_string(i), values[i]);
  }
  const IniFile loaded = Reloaded(ini, dir);
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(loaded.ReadString("form", "k" + std::to_string(i), "default"), values[i]) << i;
  }

  // Quotes written by hand come off as the Windows reader takes them off.
  const fs::path path = dir.File("hand.ini", ToBytes("[form]\r\nEdit1 = \"c:\\my photos\" \r\n"));
  EXPECT_EQ(IniFile::Load(path).ReadString("form", "Edit1", ""), "c:\\my photos");
}

TEST(IniFileTest, LineBreaksCannotInjectLines) {
  TempDir dir;
  IniFile ini;
  ini.WriteString("form", "Edit1", "c:\\\r\n[form]\r\nCatalogname=/evil.qrv");
  ini.WriteString("form\n[x", "key\r\n=", "v");
  ini.WriteString("other", ";comment", "1");
  ini.WriteString("other", "[section]", "2");
  const fs::path path = dir.path() / "quorvel.ini";
  ini.Save(path);
  const IniFile loaded = IniFile::Load(path);
  EXPECT_EQ(loaded.ReadString("form", "Catalogname", "none"), "none");
  EXPECT_EQ(loaded.ReadString("form", "Edit1", ""), "c:\\??[form]??Catalogname=/evil.qrv");
  EXPECT_EQ(loaded.ReadString("x", "key", "none"), "none");
  // Names go into their stored form on reading too, so what was written is found again.
  EXPECT_EQ(loaded.ReadString("form\n[x", "key\r\n=", ""), "v");
  EXPECT_EQ(loaded.ReadString("other", ";comment", ""), "1");
  EXPECT_EQ(loaded.ReadString("other", "[section]", ""), "2");
  // The expected text is split after "key???" since "??=" would be a trigraph.
  EXPECT_EQ(ReadBytes(path),
            "[form]\r\n"
            "Edit1=c:\\??[form]??Catalogname=/evil.qrv\r\n"
            "\r\n"
            "[form?[x]\r\n"
            "key???"
            "=v\r\n"
            "\r\n"
            "[other]\r\n"
            "?comment=1\r\n"
            "?section]=2\r\n");
}

TEST(IniFileTest, MissingFileIsEmptyAndUnreadableOneIsReported) {
  TempDir dir;
  const IniFile missing = IniFile::Load(dir.path() / "quorvel.ini");
  EXPECT_EQ(missing.ReadString("Form", "Catalogname", "default"), "default");
  EXPECT_EQ(IniFile::Load(dir.path() / "no" / "such" / "folder.ini").ReadInteger("f", "k", 3), 3);

  const fs::path folder = dir.path() / "folder.ini";
  fs::create_directory(folder);
  try {
    IniFile::Load(folder);
    ADD_FAILURE() << "a folder read as a settings file";
  } catch (const CatalogError& error) {
    EXPECT_EQ(error.kind(), ErrorKind::kFileAccess);
    EXPECT_EQ(error.subject(), folder);
  }
}

// A save that fails must leave the old file byte for byte and no temporary file beside it.
class IniFileSaveFailureTest : public ::testing::Test {
 protected:
  static constexpr const char* kOld = "; mine\r\n[form]\r\nEdit1=c:\\\r\n";

  void SetUp() override {
    path_ = dir_.File("quorvel.ini", ToBytes(kOld));
    ini_ = IniFile::Load(path_);
    ini_.WriteString("form", "Edit1", std::string(2000, 'x'));
  }

  TempDir dir_;
  fs::path path_;
  IniFile ini_;
};

TEST_F(IniFileSaveFailureTest, WriteFailureKeepsTheOldFile) {
  // A file size limit holds for root too, unlike permission bits, and makes the write itself
  // fail part-way: the case a direct rewrite would turn into a truncated settings file.
  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit low = old_limit;
  low.rlim_cur = 1024;
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
  std::string error;
  try {
    ini_.Save(path_);
  } catch (const CatalogError& e) {
    error = e.what();
  }
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_NE(error.find("quorvel.ini"), std::string::npos) << error;
  EXPECT_EQ(ReadBytes(path_), kOld);
  EXPECT_EQ(Listing(dir_.path()), std::vector<std::string>{"quorvel.ini"});
}

TEST_F(IniFileSaveFailureTest, RenameFailureKeepsTheTarget) {
  // A folder in the target's place cannot be replaced by a file, whoever runs the test.
  const fs::path blocked = dir_.path() / "blocked.ini";
  fs::create_directory(blocked);
  testkit::WriteFile(blocked / "inside", ToBytes("x"));
  EXPECT_THROW(ini_.Save(blocked), CatalogError);
  EXPECT_TRUE(fs::is_directory(blocked));
  EXPECT_EQ(ReadBytes(blocked / "inside"), "x");
  EXPECT_EQ(Listing(dir_.path()), (std::vector<std::string>{"blocked.ini", "quorvel.ini"}));
}

TEST_F(IniFileSaveFailureTest, MissingFolderIsReported) {
  try {
    ini_.Save(dir_.path() / "gone" / "quorvel.ini");
    ADD_FAILURE() << "saved into a folder that is not there";
  } catch (const CatalogError& error) {
    EXPECT_NE(std::string(error.what()).find("gone"), std::string::npos) << error.what();
  }
  EXPECT_FALSE(fs::exists(dir_.path() / "gone"));
}

TEST(IniFileTest, SaveKeepsPermissionsAndWritesThroughLinks) {
  TempDir dir;
  const fs::path real = dir.File("real.ini", ToBytes("[form]\r\nEdit1=a\r\n"));
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
  const fs::path link = dir.path() / "quorvel.ini";
  fs::create_symlink(real, link);

  IniFile ini = IniFile::Load(link);
  ini.WriteString("form", "Edit1", "b");
  ini.Save(link);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(real), "[form]\r\nEdit1=b\r\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace quorvel
