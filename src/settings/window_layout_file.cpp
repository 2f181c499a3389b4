#include "settings/window_layout_file.h"

#include "catalog/catalog_error.h"
#include "settings/ini_file.h"

namespace quorvel {
namespace {

constexpr char kWindowSection[] = "window";
constexpr char kGeometryKey[] = "geometry";
constexpr char kSplitterKey[] = "splitter";
constexpr char kDiskColumnsKey[] = "disk_columns";
constexpr char kOrderByDateKey[] = "order_by_date";

}  // namespace

WindowLayout ReadWindowLayout(const std::filesystem::path& ini_path) {
  WindowLayout layout;
  try {
    const IniFile ini = IniFile::Load(ini_path);
    layout.geometry = ini.ReadString(kWindowSection, kGeometryKey, "");
    layout.splitter = ini.ReadString(kWindowSection, kSplitterKey, "");
    layout.disk_columns = ini.ReadString(kWindowSection, kDiskColumnsKey, "");
  } catch (const CatalogError&) {
    // The options dialog tells the user of an unreadable settings file; the window starts as
    // on a first start.
  }
  return layout;
}

void WriteWindowLayout(const std::filesystem::path& ini_path, const WindowLayout& layout) {
  IniFile ini = IniFile::Load(ini_path);
  ini.WriteString(kWindowSection, kGeometryKey, layout.geometry);
  ini.WriteString(kWindowSection, kSplitterKey, layout.splitter);
  ini.WriteString(kWindowSection, kDiskColumnsKey, layout.disk_columns);
  ini.Save(ini_path);
}

bool ReadOrderByDate(const std::filesystem::path& ini_path) {
  try {
    return IniFile::Load(ini_path).ReadBool(kWindowSection, kOrderByDateKey, false);
  } catch (const CatalogError&) {
    return false;  // as for the layout: the options dialog tells of an unreadable file
  }
}

void WriteOrderByDate(const std::filesystem::path& ini_path, bool by_date) {
  IniFile ini = IniFile::Load(ini_path);
  ini.WriteBool(kWindowSection, kOrderByDateKey, by_date);
  ini.Save(ini_path);
}

}  // namespace quorvel
