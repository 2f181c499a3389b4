#include "settings/recent_catalogs.h"

#include <algorithm>
#include <system_error>

#include "catalog/catalog_error.h"
#include "settings/ini_file.h"

namespace quorvel {
namespace {

constexpr char kRecentSection[] = "recent";

// "file1" for the most recent, up to "file10".
std::string KeyOf(std::size_t place) { return "file" + std::to_string(place + 1); }

}  // namespace

RecentCatalogs RecentCatalogs::Read(const std::filesystem::path& ini_path) {
  RecentCatalogs recent;
  IniFile ini;
  try {
    ini = IniFile::Load(ini_path);
  } catch (const CatalogError&) {
    // The options dialog tells the user of an unreadable settings file.
    return recent;
  }
  for (std::size_t place = 0; place < kMost; ++place) {
    const std::string path = ini.ReadString(kRecentSection, KeyOf(place), "");
    if (path.empty() || std::ranges::find(recent.paths_, path) != recent.paths_.end()) continue;
    recent.paths_.push_back(path);
  }
  return recent;
}

void RecentCatalogs::Write(const std::filesystem::path& ini_path) const {
  IniFile ini = IniFile::Load(ini_path);
  // The list never grows shorter than what was read, so every older name is overwritten.
  for (std::size_t place = 0; place < paths_.size(); ++place) {
    ini.WriteString(kRecentSection, KeyOf(place), paths_[place]);
  }
  ini.Save(ini_path);
}

bool RecentCatalogs::Add(const std::string& path) {
  if (path.empty() || (!paths_.empty() && paths_.front() == path)) return false;
  std::erase(paths_, path);
  paths_.insert(paths_.begin(), path);
  if (paths_.size() > kMost) paths_.resize(kMost);
  return true;
}

std::vector<RecentCatalogs::Entry> RecentCatalogs::Entries() const {
  std::vector<Entry> entries;
  for (const std::string& path : paths_) {
    std::error_code ec;
    const bool exists = std::filesystem::is_regular_file(std::filesystem::path(path), ec);
    entries.push_back({path, exists});
  }
  return entries;
}

}  // namespace quorvel
