#include "settings/settings_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "support/catalog_builder.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testkit::TempDir;
using testkit::ToBytes;

EnvironmentLookup Environment(std::map<std::string, std::string> values) {
  return [values = std::move(values)](const std::string& name) {
    const auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
  };
}

std::size_t EntryCount(const fs::path& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
  return count;
}

// Runs a test inside its temporary folder, since relative paths resolve against the current one.
class InFolder {
 public:
  explicit InFolder(const fs::path& folder) : old_(fs::current_path()) { fs::current_path(folder); }
  ~InFolder() { fs::current_path(old_); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  fs::path old_;
};

class LocateSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bin_ = dir_.path() / "bin";
    fs::create_directory(bin_);
    executable_ = dir_.File("bin/quorvel", ToBytes("#!"));
    home_ = dir_.path() / "home";
    fs::create_directory(home_);
    xdg_ = dir_.path() / "xdg";
  }

  // An executable whose folder cannot take files for anyone, root included: its "folder" is a
  // plain file.
  fs::path UnwritableExecutable() const {
    dir_.File("not-a-folder", ToBytes("x"));
    return dir_.path() / "not-a-folder" / "quorvel";
  }

  TempDir dir_;
  fs::path bin_, executable_, home_, xdg_;
};

TEST_F(LocateSettingsTest, BesideAWritableExecutable) {
  std::string error = "stale";
  const SettingsPaths paths = LocateSettings(
      executable_, Environment({{"HOME", home_.string()}, {"XDG_CONFIG_HOME", xdg_.string()}}),
      &error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(paths.ini_file, bin_ / "quorvel.ini");
  EXPECT_EQ(paths.exclusion_list, bin_ / "Cat.dat");
  EXPECT_EQ(EntryCount(bin_), 1u) << "the probe file must be gone";
  EXPECT_FALSE(fs::exists(xdg_));

  // The settings file is named after the executable, whatever its extension.
  dir_.File("bin/quorvel.exe", ToBytes("MZ"));
  EXPECT_EQ(LocateSettings(bin_ / "quorvel.exe", Environment({}), nullptr).ini_file,
            bin_ / "quorvel.ini");
}

TEST_F(LocateSettingsTest, RelativeExecutablePathIsMadeAbsolute) {
  const InFolder in_bin(bin_);
  const SettingsPaths paths = LocateSettings("quorvel", Environment({}), nullptr);
  EXPECT_EQ(paths.ini_file, bin_ / "quorvel.ini");

  const SettingsPaths overridden =
      LocateSettings("quorvel", Environment({{"QUORVEL_CONFIG_DIR", "conf"}}), nullptr);
  EXPECT_EQ(overridden.ini_file, bin_ / "conf" / "quorvel.ini");
}

TEST_F(LocateSettingsTest, UnwritableFolderMovesToXdgConfigHome) {
  std::string error;
  const SettingsPaths paths = LocateSettings(
      UnwritableExecutable(),
      Environment({{"HOME", home_.string()}, {"XDG_CONFIG_HOME", xdg_.string()}}), &error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(paths.ini_file, xdg_ / "quorvel" / "quorvel.ini");
  EXPECT_EQ(paths.exclusion_list, xdg_ / "quorvel" / "Cat.dat");
  EXPECT_TRUE(fs::is_directory(xdg_ / "quorvel"));
}

TEST_F(LocateSettingsTest, ReadOnlyFolderMovesToXdgConfigHome) {
  fs::permissions(bin_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                            fs::perms::group_exec | fs::perms::others_read |
                            fs::perms::others_exec);
  const bool bypassed = [&] {
    std::ofstream(bin_ / "try") << "x";
    std::error_code ec;
    return fs::remove(bin_ / "try", ec);
  }();
  if (bypassed) {
    fs::permissions(bin_, fs::perms::owner_all);
    GTEST_SKIP() << "permission bits do not stop this user (root); the plain-file case covers it";
  }
  const SettingsPaths paths = LocateSettings(
      executable_, Environment({{"HOME", home_.string()}, {"XDG_CONFIG_HOME", xdg_.string()}}),
      nullptr);
  fs::permissions(bin_, fs::perms::owner_all);
  EXPECT_EQ(paths.ini_file, xdg_ / "quorvel" / "quorvel.ini");
}

TEST_F(LocateSettingsTest, XdgUnsetEmptyOrRelativeMeansHomeConfig) {
  const fs::path expected = home_ / ".config" / "quorvel";
  const std::map<std::string, std::string> cases[] = {
      {{"HOME", home_.string()}},
      {{"HOME", home_.string()}, {"XDG_CONFIG_HOME", ""}},
      {{"HOME", home_.string()}, {"XDG_CONFIG_HOME", "relative/config"}},
  };
  const InFolder in_temp(dir_.path());
  for (const auto& env : cases) {
    std::string error;
    const SettingsPaths paths = LocateSettings(UnwritableExecutable(), Environment(env), &error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(paths.ini_file, expected / "quorvel.ini");
    EXPECT_EQ(paths.exclusion_list, expected / "Cat.dat");
    EXPECT_TRUE(fs::is_directory(expected));
    fs::remove_all(home_ / ".config");
  }
  EXPECT_FALSE(fs::exists(dir_.path() / "relative"));
}

TEST_F(LocateSettingsTest, OverrideWinsEverywhere) {
  const fs::path config = dir_.path() / "override" / "deep";
  std::string error;
  const SettingsPaths paths = LocateSettings(
      executable_,
      Environment({{"QUORVEL_CONFIG_DIR", config.string()}, {"XDG_CONFIG_HOME", xdg_.string()}}),
      &error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(paths.ini_file, config / "quorvel.ini");
  EXPECT_EQ(paths.exclusion_list, config / "Cat.dat");
  EXPECT_TRUE(fs::is_directory(config));

  // An empty override is no override.
  EXPECT_EQ(
      LocateSettings(executable_, Environment({{"QUORVEL_CONFIG_DIR", ""}}), nullptr).ini_file,
      bin_ / "quorvel.ini");
}

TEST_F(LocateSettingsTest, NoUsablePlaceIsReported) {
  std::string error;
  LocateSettings(UnwritableExecutable(), Environment({}), &error);
  EXPECT_NE(error.find("HOME"), std::string::npos) << error;

  // A configuration folder that cannot be created: its parent is a plain file.
  const fs::path blocked = dir_.File("blocked", ToBytes("x"));
  error.clear();
  const SettingsPaths paths = LocateSettings(
      UnwritableExecutable(), Environment({{"XDG_CONFIG_HOME", blocked.string()}}), &error);
  EXPECT_NE(error.find("blocked"), std::string::npos) << error;
  EXPECT_EQ(paths.ini_file, blocked / "quorvel" / "quorvel.ini");

  error.clear();
  LocateSettings(executable_, Environment({{"QUORVEL_CONFIG_DIR", (blocked / "sub").string()}}),
                 &error);
  EXPECT_NE(error, "");
}

}  // namespace
}  // namespace quorvel
