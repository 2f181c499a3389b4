#include "settings/settings_state.h"

#include <charconv>
#include <system_error>
#include <utility>

#include "catalog/catalog_error.h"
#include "settings/exclusion_list_file.h"
#include "settings/ini_file.h"

namespace quorvel {
namespace {

// The dialog names its section in lower case; the names match without regard to case, so this
// is the main window's "Form" too.
constexpr char kFormSection[] = "form";
constexpr char kOptionKey[] = "radiogroupindex";
constexpr char kFixedCatalogKey[] = "Edit3";
constexpr char kTimeoutKey[] = "Edit4";
constexpr char kFolderKey[] = "Edit1";
constexpr char kTimeoutEnabledKey[] = "Edit4EN";
constexpr char kTimeoutBoxSection[] = "checkbox2";
constexpr char kSubfoldersBoxSection[] = "checkbox1";
constexpr char kPreviewsBoxSection[] = "checkbox3";
constexpr char kWindowsFirstDrive[] = "c:\\";
constexpr char kCheckedKey[] = "Checked";

}  // namespace

int ClampOpeningOption(int index) {
  if (index < kNoOpeningOption) return kNoOpeningOption;
  if (index > kOpenFixedCatalog) return kOpenFixedCatalog;
  return index;
}

std::optional<std::int32_t> ParseInt32Text(std::string_view text) {
  // from_chars takes a minus sign but no plus sign.
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

bool AcceptedInTimeoutField(char32_t typed) {
  return (typed >= U'0' && typed <= U'9') || typed == U'\b';
}

SettingsState::SettingsState(SettingsPaths paths, std::string first_folder)
    : paths_(std::move(paths)), first_folder_(std::move(first_folder)) {
  values_.folder = first_folder_;
}

std::vector<std::string> SettingsState::Load() {
  std::vector<std::string> problems;
  DialogSettings first_start;
  first_start.folder = first_folder_;
  values_ = first_start;

  IniFile ini;
  ini_unreadable_ = false;
  try {
    ini = IniFile::Load(paths_.ini_file);
  } catch (const CatalogError& error) {
    ini_unreadable_ = true;
    problems.push_back(error.what());
  }
  values_.opening_option =
      ClampOpeningOption(ini.ReadInteger(kFormSection, kOptionKey, first_start.opening_option));
  values_.timeout_active =
      ini.ReadBool(kTimeoutBoxSection, kCheckedKey, first_start.timeout_active);
  values_.include_subfolders =
      ini.ReadBool(kSubfoldersBoxSection, kCheckedKey, first_start.include_subfolders);
  values_.use_embedded_previews =
      ini.ReadBool(kPreviewsBoxSection, kCheckedKey, first_start.use_embedded_previews);
  values_.fixed_catalog_path =
      ini.ReadString(kFormSection, kFixedCatalogKey, first_start.fixed_catalog_path);
  values_.timeout_text = ini.ReadString(kFormSection, kTimeoutKey, first_start.timeout_text);
  values_.folder = ini.ReadString(kFormSection, kFolderKey, first_start.folder);
  // Earlier builds offered and stored the first Windows drive on every system; where this
  // machine's own first folder differs, that stored value names nothing here.
  if (values_.folder == kWindowsFirstDrive && !first_start.folder.empty()) {
    values_.folder = first_start.folder;
  }
  values_.timeout_field_enabled =
      ini.ReadBool(kFormSection, kTimeoutEnabledKey, first_start.timeout_field_enabled);

  std::vector<std::string>& endings = last_properties_.ExcludedExtensions;
  endings.clear();
  exclusion_list_unreadable_ = false;
  std::optional<std::vector<std::string>> read;
  try {
    read = ReadExclusionList(paths_.exclusion_list);
  } catch (const CatalogError& error) {
    exclusion_list_unreadable_ = true;
    problems.push_back(error.what());
  }
  if (read) {
    endings = std::move(*read);
  } else if (!exclusion_list_unreadable_) {
    try {
      WriteExclusionList(paths_.exclusion_list, {});
    } catch (const CatalogError& error) {
      problems.push_back(error.what());
    }
  }
  return problems;
}

std::vector<std::string> SettingsState::Save() const {
  std::vector<std::string> problems;
  if (ini_unreadable_) {
    problems.push_back("The settings file \"" + paths_.ini_file.string() +
                       "\" was not saved: it could not be read at start-up");
  } else {
    try {
      IniFile ini = IniFile::Load(paths_.ini_file);
      ini.WriteInteger(kFormSection, kOptionKey, values_.opening_option);
      ini.WriteString(kFormSection, kFixedCatalogKey, values_.fixed_catalog_path);
      ini.WriteBool(kTimeoutBoxSection, kCheckedKey, values_.timeout_active);
      ini.WriteBool(kSubfoldersBoxSection, kCheckedKey, values_.include_subfolders);
      ini.WriteBool(kPreviewsBoxSection, kCheckedKey, values_.use_embedded_previews);
      ini.WriteString(kFormSection, kTimeoutKey, values_.timeout_text);
      ini.WriteString(kFormSection, kFolderKey, values_.folder);
      ini.WriteBool(kFormSection, kTimeoutEnabledKey, values_.timeout_field_enabled);
      ini.Save(paths_.ini_file);
    } catch (const CatalogError& error) {
      problems.push_back(error.what());
    }
  }

  if (exclusion_list_unreadable_) {
    problems.push_back("The exclusion list \"" + paths_.exclusion_list.string() +
                       "\" was not saved: it could not be read at start-up");
  } else {
    try {
      WriteExclusionList(paths_.exclusion_list, last_properties_.ExcludedExtensions);
    } catch (const CatalogError& error) {
      problems.push_back(error.what());
    }
  }
  return problems;
}

std::optional<bool> SettingsState::OpeningOptionChosen(int index) {
  values_.opening_option = index;
  switch (index) {
    case kOpenNoCatalog:
      opening_.AutoLoadLast = false;
      opening_.StartupCatalog.clear();
      return false;
    case kOpenLastCatalog:
      opening_.AutoLoadLast = true;
      opening_.StartupCatalog.clear();
      return false;
    case kOpenFixedCatalog:
      opening_.AutoLoadLast = false;
      // The path the field shows is the one the option promises, also when it was put there
      // while another option cleared StartupCatalog.
      if (!values_.fixed_catalog_path.empty()) opening_.StartupCatalog = values_.fixed_catalog_path;
      return true;
    default:
      return std::nullopt;
  }
}

void SettingsState::FixedCatalogPathChanged(std::string text) {
  values_.fixed_catalog_path = std::move(text);
  if (!values_.fixed_catalog_path.empty()) opening_.StartupCatalog = values_.fixed_catalog_path;
}

std::string SettingsState::TimeoutTextChanged(std::string text) {
  if (ParseInt32Text(text)) {
    values_.timeout_text = text;
    last_timeout_text_ = std::move(text);
  }
  return last_timeout_text_;
}

void SettingsState::TakeSnapshot(std::vector<std::string> items) {
  last_properties_.ExcludedExtensions = std::move(items);
  last_properties_.OpeningOption = values_.opening_option;
  last_properties_.CatalogPath = values_.fixed_catalog_path;
}

}  // namespace quorvel
