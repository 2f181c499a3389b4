// Where the settings file and the exclusion list live.
//
// They sit beside the executable when its folder takes new files, as on Windows; an installed
// program's folder usually does not, and then they go to the user's configuration folder.
#ifndef QUORVEL_SETTINGS_SETTINGS_PATHS_H_
#define QUORVEL_SETTINGS_SETTINGS_PATHS_H_

#include <filesystem>
#include <functional>
#include <string>

namespace quorvel {

struct SettingsPaths {
  std::filesystem::path ini_file;        // the settings file
  std::filesystem::path exclusion_list;  // Cat.dat
};

// The value of an environment variable, empty when it is unset.
using EnvironmentLookup = std::function<std::string(const std::string& name)>;

// The environment of this process, for LocateSettings.
std::string ProcessEnvironment(const std::string& name);

// In this order: $QUORVEL_CONFIG_DIR when set, as "quorvel.ini" and "Cat.dat" there; beside
// the executable when a file can be created in its folder, as `executable_path` with the
// extension ".ini" and "Cat.dat"; else in $XDG_CONFIG_HOME/quorvel/ (or $HOME/.config/quorvel/
// when that is unset or not absolute). Creates the chosen configuration folder. Relative paths
// are made absolute now, so that a later change of the current folder does not move the files.
// When no place can be used, *error (if given) says why and the paths returned are the best
// guess, where reading finds nothing and saving fails with its own message.
SettingsPaths LocateSettings(const std::filesystem::path& executable_path,
                             const EnvironmentLookup& environment, std::string* error);

}  // namespace quorvel

#endif  // QUORVEL_SETTINGS_SETTINGS_PATHS_H_
