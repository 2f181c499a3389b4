// The catalogues opened or saved last, most recent first, kept in the settings file's [recent]
// section for "Недавние каталоги".
#ifndef QUORVEL_SETTINGS_RECENT_CATALOGS_H_
#define QUORVEL_SETTINGS_RECENT_CATALOGS_H_

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvel {

class RecentCatalogs {
 public:
  // How many catalogues the list keeps.
  static constexpr std::size_t kMost = 10;

  struct Entry {
    std::string path;  // UTF-8
    bool exists;       // a file of that name is there now; the menu offers only those
  };

  // The list stored in the settings file at `ini_path`: empty when the file or the keys are
  // missing or the file cannot be read; empty names and repeats dropped.
  static RecentCatalogs Read(const std::filesystem::path& ini_path);
  // Stores the list in the settings file at `ini_path`, keeping everything else it holds.
  // Throws CatalogError (kFileAccess) when the file cannot be read or saved.
  void Write(const std::filesystem::path& ini_path) const;

  // Puts `path` first, taking it out of where it was; the oldest beyond kMost goes. Returns
  // whether the list changed.
  bool Add(const std::string& path);

  const std::vector<std::string>& Paths() const { return paths_; }
  // The paths in order, each with whether its file exists now.
  std::vector<Entry> Entries() const;

 private:
  std::vector<std::string> paths_;
};

}  // namespace quorvel

#endif  // QUORVEL_SETTINGS_RECENT_CATALOGS_H_
