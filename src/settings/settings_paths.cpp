#include "settings/settings_paths.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>
#include <system_error>

namespace quorvel {
namespace {

namespace fs = std::filesystem;

constexpr char kIniName[] = "quorvel.ini";
constexpr char kExclusionListName[] = "Cat.dat";

// Permission bits and access() say nothing true for root or on a read-only mount; creating a
// file is the only answer that holds.
bool CanCreateFileIn(const fs::path& folder) {
  std::random_device device;
  const fs::path probe =
      folder /
      (".quorvel-probe-" + std::to_string(std::uniform_int_distribution<unsigned>()(device)));
  std::FILE* file = std::fopen(probe.string().c_str(), "wbx");
  if (!file) return false;
  std::fclose(file);
  std::error_code ec;
  fs::remove(probe, ec);
  return true;
}

fs::path MakeAbsolute(const fs::path& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  return ec ? path : absolute;
}

SettingsPaths InFolder(const fs::path& folder) {
  return {folder / kIniName, folder / kExclusionListName};
}

// Creates `folder` when missing; false with the reason in *error when it cannot be used.
bool EnsureFolder(const fs::path& folder, std::string* error) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!ec && fs::is_directory(folder, ec)) return true;
  if (error) {
    *error = "Cannot create the settings folder \"" + folder.string() +
             "\": " + (ec ? ec.message() : std::string("not a folder"));
  }
  return false;
}

}  // namespace

std::string ProcessEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? value : "";
}

SettingsPaths LocateSettings(const fs::path& executable_path, const EnvironmentLookup& environment,
                             std::string* error) {
  if (error) error->clear();
  try {
    if (const std::string dir = environment("QUORVEL_CONFIG_DIR"); !dir.empty()) {
      const fs::path folder = MakeAbsolute(dir);
      EnsureFolder(folder, error);
      return InFolder(folder);
    }

    const fs::path executable = MakeAbsolute(executable_path);
    SettingsPaths beside{fs::path(executable).replace_extension(".ini"),
                         executable.parent_path() / kExclusionListName};
    if (CanCreateFileIn(executable.parent_path())) return beside;

    fs::path base(environment("XDG_CONFIG_HOME"));
    if (!base.is_absolute()) {
      const fs::path home(environment("HOME"));
      if (!home.is_absolute()) {
        if (error) {
          *error = "No place for the settings: the folder \"" + executable.parent_path().string() +
                   "\" takes no new files and neither XDG_CONFIG_HOME nor HOME names a folder";
        }
        return beside;
      }
      base = home / ".config";
    }
    const fs::path folder = base / "quorvel";
    EnsureFolder(folder, error);
    return InFolder(folder);
  } catch (const std::exception& e) {
    if (error) *error = std::string("Cannot locate the settings: ") + e.what();
    return InFolder(executable_path.parent_path());
  }
}

}  // namespace quorvel
