#include "settings/settings_state.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testkit::TempDir;
using testkit::ToBytes;
using Lines = std::vector<std::string>;

using testkit::ReadBytes;

// The folder the machine offers for cataloguing before one is stored.
constexpr char kFirstFolder[] = "/media/me/CD";

class SettingsStateTest : public ::testing::Test {
 protected:
  SettingsPaths Paths() const { return {dir_.path() / "quorvel.ini", dir_.path() / "Cat.dat"}; }
  void WriteIni(const std::string& bytes) const { dir_.File("quorvel.ini", ToBytes(bytes)); }
  SettingsState Loaded() const {
    SettingsState state(Paths(), kFirstFolder);
    EXPECT_EQ(state.Load(), Lines{});
    return state;
  }

  TempDir dir_;
};

TEST_F(SettingsStateTest, FirstStartGivesTheDefaultsAndCreatesAnEmptyList) {
  const SettingsState state = Loaded();
  const DialogSettings& v = state.values();
  EXPECT_EQ(v.opening_option, 0);
  EXPECT_FALSE(v.timeout_active);
  EXPECT_TRUE(v.include_subfolders);
  EXPECT_EQ(v.fixed_catalog_path, "");
  EXPECT_EQ(v.timeout_text, "100");
  EXPECT_EQ(v.folder, kFirstFolder);
  EXPECT_FALSE(v.timeout_field_enabled);
  EXPECT_TRUE(state.LastProperties().ExcludedExtensions.empty());
  ASSERT_TRUE(fs::is_regular_file(Paths().exclusion_list));
  EXPECT_EQ(fs::file_size(Paths().exclusion_list), 0u);
  EXPECT_FALSE(fs::exists(Paths().ini_file)) << "reading must not write the settings file";
}

TEST_F(SettingsStateTest, StoredValuesAreReadWithoutRegardToCaseAndAs1251) {
  WriteIni(
      "[FORM]\r\nRadioGroupIndex=1\r\nedit3=/data/\xEA\xE0\xF2.qrv\r\nEDIT4=250\r\n"
      "edit1=/media/cd\r\nedit4en=1\r\n[CheckBox2]\r\nchecked=1\r\n[CHECKBOX1]\r\nCHECKED=0\r\n");
  dir_.File("Cat.dat", ToBytes(".db\r\n\r\n.ini"));
  const SettingsState state = Loaded();
  const DialogSettings& v = state.values();
  EXPECT_EQ(v.opening_option, 1);
  EXPECT_TRUE(v.timeout_active);
  EXPECT_FALSE(v.include_subfolders);
  EXPECT_EQ(v.fixed_catalog_path, "/data/кат.qrv");
  EXPECT_EQ(v.timeout_text, "250");
  EXPECT_EQ(v.folder, "/media/cd");
  EXPECT_TRUE(v.timeout_field_enabled);
  EXPECT_EQ(state.LastProperties().ExcludedExtensions, (Lines{".db", "", ".ini"}));
}

TEST_F(SettingsStateTest, ValuesThatAreNoIntegerReadAsTheDefault) {
  WriteIni(
      "[form]\r\nradiogroupindex=two\r\nEdit4EN=yes\r\n[checkbox2]\r\nChecked=\r\n"
      "[checkbox1]\r\nChecked=0x0\r\n");
  const DialogSettings v = Loaded().values();
  EXPECT_EQ(v.opening_option, 0);
  EXPECT_FALSE(v.timeout_field_enabled);
  EXPECT_FALSE(v.timeout_active);
  EXPECT_TRUE(v.include_subfolders);
}

TEST_F(SettingsStateTest, AnyNonZeroIntegerIsTrue) {
  WriteIni("[checkbox2]\r\nChecked=-7\r\n[form]\r\nEdit4EN=2\r\n");
  const DialogSettings v = Loaded().values();
  EXPECT_TRUE(v.timeout_active);
  EXPECT_TRUE(v.timeout_field_enabled);
}

TEST_F(SettingsStateTest, StoredOptionIsTakenAsARadioGroupTakesIt) {
  WriteIni("[form]\r\nradiogroupindex=7\r\n");
  EXPECT_EQ(Loaded().values().opening_option, 2);
  WriteIni("[form]\r\nradiogroupindex=-5\r\n");
  EXPECT_EQ(Loaded().values().opening_option, -1);
  WriteIni("[form]\r\nradiogroupindex=-1\r\n");
  EXPECT_EQ(Loaded().values().opening_option, -1);
}

TEST_F(SettingsStateTest, SaveWritesEveryKeyBesideWhatTheFileHolds) {
  WriteIni("; kept\r\n[Form]\r\nCatalogname=/data/a.qrv\r\n[other]\r\nx=1\r\n");
  SettingsState state = Loaded();
  DialogSettings& v = state.values();
  v.opening_option = -1;
  v.fixed_catalog_path = "/data/кат.qrv";
  v.timeout_active = true;
  v.include_subfolders = false;
  v.timeout_text = "300";
  v.folder = "/media/cd";
  v.timeout_field_enabled = true;
  state.LastProperties().ExcludedExtensions = {".db", ""};
  ASSERT_EQ(state.Save(), Lines{});

  EXPECT_EQ(ReadBytes(Paths().ini_file),
            "; kept\r\n[Form]\r\nCatalogname=/data/a.qrv\r\nradiogroupindex=-1\r\n"
            "Edit3=/data/\xEA\xE0\xF2.qrv\r\nEdit4=300\r\nEdit1=/media/cd\r\nEdit4EN=1\r\n"
            "[other]\r\nx=1\r\n\r\n[checkbox2]\r\nChecked=1\r\n\r\n[checkbox1]\r\nChecked=0\r\n"
            "\r\n[checkbox3]\r\nChecked=1\r\n");
  EXPECT_EQ(ReadBytes(Paths().exclusion_list), ".db\r\n\r\n");

  const SettingsState next = Loaded();
  EXPECT_EQ(next.values().opening_option, -1);
  EXPECT_EQ(next.values().fixed_catalog_path, "/data/кат.qrv");
  EXPECT_TRUE(next.values().timeout_active);
  EXPECT_FALSE(next.values().include_subfolders);
  EXPECT_EQ(next.values().timeout_text, "300");
  EXPECT_EQ(next.values().folder, "/media/cd");
  // The first drive of Windows, stored by earlier builds, gives way to this machine's folder.
  WriteIni("[form]\r\nEdit1=c:\\\r\n");
  EXPECT_EQ(Loaded().values().folder, kFirstFolder);
  EXPECT_TRUE(next.values().timeout_field_enabled);
  EXPECT_EQ(next.LastProperties().ExcludedExtensions, (Lines{".db", ""}));
}

TEST_F(SettingsStateTest, FirstSaveWritesTheKeysInTheirOrder) {
  SettingsState state = Loaded();
  ASSERT_EQ(state.Save(), Lines{});
  EXPECT_EQ(
      ReadBytes(Paths().ini_file),
      "[form]\r\nradiogroupindex=0\r\nEdit3=\r\nEdit4=100\r\nEdit1=/media/me/CD\r\nEdit4EN=0\r\n"
      "\r\n[checkbox2]\r\nChecked=0\r\n\r\n[checkbox1]\r\nChecked=1\r\n"
      "\r\n[checkbox3]\r\nChecked=1\r\n");
}

TEST_F(SettingsStateTest, EmbeddedPreviewsAreUsedUntilTurnedOffAndStayOff) {
  EXPECT_TRUE(Loaded().values().use_embedded_previews);
  SettingsState state = Loaded();
  state.values().use_embedded_previews = false;
  ASSERT_EQ(state.Save(), Lines{});
  EXPECT_NE(ReadBytes(Paths().ini_file).find("[checkbox3]\r\nChecked=0\r\n"), std::string::npos);
  EXPECT_FALSE(Loaded().values().use_embedded_previews);
}

TEST_F(SettingsStateTest, FilesThatCouldNotBeReadAreNotReplaced) {
  fs::create_directory(Paths().ini_file);
  dir_.File("Cat.dat", ToBytes(""));
  fs::remove(Paths().exclusion_list);
  fs::create_directory(Paths().exclusion_list);
  SettingsState state(Paths(), kFirstFolder);
  const Lines problems = state.Load();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("quorvel.ini"), std::string::npos) << problems[0];
  EXPECT_NE(problems[1].find("Cat.dat"), std::string::npos) << problems[1];
  EXPECT_EQ(state.values().folder, kFirstFolder);

  // Made readable in between, the files still hold what this run never saw.
  fs::remove(Paths().ini_file);
  fs::remove(Paths().exclusion_list);
  WriteIni("[form]\r\nEdit1=/mine\r\n");
  dir_.File("Cat.dat", ToBytes(".mine\r\n"));
  EXPECT_EQ(state.Save().size(), 2u);
  EXPECT_EQ(ReadBytes(Paths().ini_file), "[form]\r\nEdit1=/mine\r\n");
  EXPECT_EQ(ReadBytes(Paths().exclusion_list), ".mine\r\n");
}

TEST_F(SettingsStateTest, ASaveThatFailsSaysWhich) {
  SettingsState state({dir_.path() / "gone" / "quorvel.ini", dir_.path() / "gone" / "Cat.dat"});
  EXPECT_EQ(state.Load().size(), 1u) << "Cat.dat cannot be created in a missing folder";
  const Lines problems = state.Save();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("quorvel.ini"), std::string::npos) << problems[0];
  EXPECT_NE(problems[1].find("Cat.dat"), std::string::npos) << problems[1];
}

TEST(OpeningOptionTest, EachOptionSetsTheCatalogueOpening) {
  SettingsState state({});
  state.FixedCatalogPathChanged("/data/a.qrv");
  ASSERT_EQ(state.opening().StartupCatalog, "/data/a.qrv");

  EXPECT_EQ(state.OpeningOptionChosen(1), std::optional<bool>(false));
  EXPECT_TRUE(state.opening().AutoLoadLast);
  EXPECT_EQ(state.opening().StartupCatalog, "");

  EXPECT_EQ(state.OpeningOptionChosen(0), std::optional<bool>(false));
  EXPECT_FALSE(state.opening().AutoLoadLast);
  EXPECT_EQ(state.opening().StartupCatalog, "");
  EXPECT_EQ(state.values().fixed_catalog_path, "/data/a.qrv") << "the field keeps its path";

  EXPECT_EQ(state.OpeningOptionChosen(1), std::optional<bool>(false));
  EXPECT_EQ(state.OpeningOptionChosen(2), std::optional<bool>(true));
  EXPECT_FALSE(state.opening().AutoLoadLast);
  // The option promises the path the field shows, though option 0 cleared it before.
  EXPECT_EQ(state.opening().StartupCatalog, "/data/a.qrv");
  EXPECT_EQ(state.values().opening_option, 2);
}

TEST(OpeningOptionTest, NoOptionChangesNothing) {
  SettingsState state({});
  state.OpeningOptionChosen(1);
  state.FixedCatalogPathChanged("/data/a.qrv");
  EXPECT_EQ(state.OpeningOptionChosen(-1), std::nullopt);
  EXPECT_TRUE(state.opening().AutoLoadLast);
  EXPECT_EQ(state.opening().StartupCatalog, "/data/a.qrv");
  EXPECT_EQ(state.values().opening_option, -1) << "written back as no option";
}

TEST(OpeningOptionTest, OptionTwoWithAnEmptyFieldOpensNothing) {
  SettingsState state({});
  EXPECT_EQ(state.OpeningOptionChosen(2), std::optional<bool>(true));
  EXPECT_EQ(state.opening().StartupCatalog, "");
  EXPECT_FALSE(state.opening().AutoLoadLast);
}

TEST(OpeningOptionTest, EmptyingTheFieldKeepsTheStartupCatalogue) {
  SettingsState state({});
  state.OpeningOptionChosen(2);
  state.FixedCatalogPathChanged("/data/a.qrv");
  state.FixedCatalogPathChanged("/data/b.qrv");
  EXPECT_EQ(state.opening().StartupCatalog, "/data/b.qrv");
  state.FixedCatalogPathChanged("");
  EXPECT_EQ(state.opening().StartupCatalog, "/data/b.qrv");
  EXPECT_EQ(state.values().fixed_catalog_path, "");
}

TEST(OpeningOptionTest, ClampingFollowsARadioGroupOfThree) {
  EXPECT_EQ(ClampOpeningOption(-100), -1);
  EXPECT_EQ(ClampOpeningOption(-2), -1);
  EXPECT_EQ(ClampOpeningOption(-1), -1);
  EXPECT_EQ(ClampOpeningOption(0), 0);
  EXPECT_EQ(ClampOpeningOption(2), 2);
  EXPECT_EQ(ClampOpeningOption(3), 2);
  EXPECT_EQ(ClampOpeningOption(std::numeric_limits<int>::max()), 2);
}

TEST(TimeoutFieldTest, OnlyDecimal32BitIntegersAreNumbers) {
  EXPECT_EQ(ParseInt32Text("100"), 100);
  EXPECT_EQ(ParseInt32Text("0"), 0);
  EXPECT_EQ(ParseInt32Text("007"), 7);
  EXPECT_EQ(ParseInt32Text("-5"), -5);
  EXPECT_EQ(ParseInt32Text("+5"), 5);
  EXPECT_EQ(ParseInt32Text("2147483647"), 2147483647);
  EXPECT_EQ(ParseInt32Text("-2147483648"), std::numeric_limits<std::int32_t>::min());
  for (const char* text : {"", "2147483648", "-2147483649", "99999999999", "12a", "a12", " 12",
                           "12 ", "+", "-", "+-5", "0x10", "$10", "1.5", "1e3", "١٢"}) {
    EXPECT_EQ(ParseInt32Text(text), std::nullopt) << '"' << text << '"';
  }
}

TEST(TimeoutFieldTest, OnlyDigitsAndBackspaceAreTyped) {
  for (char32_t c = U'0'; c <= U'9'; ++c) EXPECT_TRUE(AcceptedInTimeoutField(c));
  EXPECT_TRUE(AcceptedInTimeoutField(U'\b'));
  for (char32_t c : {U'a', U'-', U'+', U' ', U'.', U'\r', U'\x7f', U'٣', U'５'}) {
    EXPECT_FALSE(AcceptedInTimeoutField(c)) << static_cast<unsigned>(c);
  }
}

TEST(TimeoutFieldTest, TextThatIsNoNumberGoesBackToTheLastNumber) {
  SettingsState state({});
  EXPECT_EQ(state.LastTimeoutText(), kUnreadTimeoutText);
  EXPECT_EQ(state.TimeoutTextChanged("abc"), "5000") << "a stored time-out of letters";
  EXPECT_EQ(state.TimeoutTextChanged("100"), "100");
  EXPECT_EQ(state.LastTimeoutText(), "100");
  EXPECT_EQ(state.values().timeout_text, "100");
  EXPECT_EQ(state.TimeoutTextChanged(""), "100");
  EXPECT_EQ(state.TimeoutTextChanged("1001x"), "100");
  EXPECT_EQ(state.TimeoutTextChanged("99999999999"), "100");
  EXPECT_EQ(state.values().timeout_text, "100");
  EXPECT_EQ(state.TimeoutTextChanged("1001"), "1001");
  EXPECT_EQ(state.LastTimeoutText(), "1001");
}

TEST(SnapshotTest, KeepsTheListTheOptionAndThePath) {
  SettingsState state({});
  state.OpeningOptionChosen(2);
  state.FixedCatalogPathChanged("/data/a.qrv");
  state.TakeSnapshot({".db", ""});
  EXPECT_EQ(state.LastProperties().ExcludedExtensions, (Lines{".db", ""}));
  EXPECT_EQ(state.LastProperties().OpeningOption, 2);
  EXPECT_EQ(state.LastProperties().CatalogPath, "/data/a.qrv");
}

}  // namespace
}  // namespace quorvel
