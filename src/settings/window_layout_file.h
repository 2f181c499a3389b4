// The main window's layout between runs: Qt's saved states of the window's geometry, of its
// splitter and of the disk list's header, kept as hex text in the settings file's [window]
// section, and beside them the order of the thumbnail view.
#ifndef QUORVEL_SETTINGS_WINDOW_LAYOUT_FILE_H_
#define QUORVEL_SETTINGS_WINDOW_LAYOUT_FILE_H_

#include <filesystem>
#include <string>

namespace quorvel {

// Each state as hex text; empty when none is stored.
struct WindowLayout {
  std::string geometry;
  std::string splitter;
  std::string disk_columns;
};

// The layout stored in the settings file at `ini_path`; empty fields when the file or a key is
// missing or the file cannot be read.
WindowLayout ReadWindowLayout(const std::filesystem::path& ini_path);

// Stores `layout` in the settings file at `ini_path`, keeping everything else it holds. Throws
// CatalogError (kFileAccess) when the file cannot be read or saved.
void WriteWindowLayout(const std::filesystem::path& ini_path, const WindowLayout& layout);

// Whether the thumbnail view is ordered by date taken (`order_by_date`, 1 or 0) in the settings
// file at `ini_path`; false when the file or the key is missing or the file cannot be read.
bool ReadOrderByDate(const std::filesystem::path& ini_path);

// Stores that choice, keeping everything else the file holds. Throws CatalogError
// (kFileAccess) when the file cannot be read or saved.
void WriteOrderByDate(const std::filesystem::path& ini_path, bool by_date);

}  // namespace quorvel

#endif  // QUORVEL_SETTINGS_WINDOW_LAYOUT_FILE_H_
