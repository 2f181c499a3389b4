// The settings of the options dialog as its controls hold them, the two files that keep them
// between runs, and the rules by which a change of one control moves the others.
//
// Standard C++ only, so that the rules are tested without widgets and a scan without a window
// can read the same settings. Text is UTF-8 here; the files hold it as Windows-1251.
#ifndef QUORVEL_SETTINGS_SETTINGS_STATE_H_
#define QUORVEL_SETTINGS_SETTINGS_STATE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/catalog_opening.h"
#include "settings/settings_paths.h"

namespace quorvel {

// The values the settings file keeps for the dialog, with those of a first start (but the
// folder, which depends on the machine: see SettingsState).
struct DialogSettings {
  int opening_option = 0;              // the catalogue-opening option; -1: no option chosen
  bool timeout_active = false;         // "Пропустить если прошло"
  bool include_subfolders = true;      // "Поддиректории"
  std::string fixed_catalog_path;      // the catalogue option 2 always opens
  std::string timeout_text = "100";    // the time-out in milliseconds
  std::string folder;                  // the folder to catalogue
  bool timeout_field_enabled = false;  // whether the time-out field takes input
  // "Использовать встроенные эскизы снимков": a camera JPEG's thumbnail is made from the
  // preview it holds, when that is usable, and the rest of the file is not read.
  bool use_embedded_previews = true;
};

// The exclusion list between Cat.dat and the list on the page, and what "Отмена" puts back.
struct TLastProperties {
  // The lines of Cat.dat after loading; the list's items at the last showing of the dialog;
  // the items again just before Cat.dat is written.
  std::vector<std::string> ExcludedExtensions;
  int OpeningOption = 0;    // the catalogue-opening option at the last showing
  std::string CatalogPath;  // the fixed catalogue's text at the last showing
};

// The catalogue-opening options of the settings page.
inline constexpr int kNoOpeningOption = -1;
inline constexpr int kOpenNoCatalog = 0;
inline constexpr int kOpenLastCatalog = 1;
inline constexpr int kOpenFixedCatalog = 2;

// The text the time-out field holds before the settings are read, and so the text a stored
// time-out that is no number falls back to.
inline constexpr char kUnreadTimeoutText[] = "5000";

// The item index a radio group of the three options takes when asked for `index`: one past the
// last option chooses the last, anything below -1 chooses none.
int ClampOpeningOption(int index);

// `text` as a decimal 32-bit signed integer (an optional sign, then digits, nothing else);
// nullopt for anything else, empty text and numbers out of range included.
std::optional<std::int32_t> ParseInt32Text(std::string_view text);

// Whether a character typed into the time-out field is kept: the digits 0 to 9 and backspace.
bool AcceptedInTimeoutField(char32_t typed);

class SettingsState {
 public:
  // `first_folder` is the folder to catalogue until one is stored (DefaultScanFolder).
  explicit SettingsState(SettingsPaths paths, std::string first_folder = {});

  const SettingsPaths& paths() const { return paths_; }

  // Reads the settings file into values() (a missing file or key, or a value that is no
  // integer where one is expected, gives the first start's value) and Cat.dat into
  // LastProperties().ExcludedExtensions, creating Cat.dat empty when it is missing. What
  // could be read is kept either way. Returns the files that could not be read or created, each with why;
  // empty when all went well.
  std::vector<std::string> Load();

  // Writes values() into the settings file, keeping everything else it holds, and
  // LastProperties().ExcludedExtensions into Cat.dat, each replaced atomically. A file that
  // could not be read at Load is not replaced, since that would lose what it held. Returns the
  // files that were not written, each with why; empty when both were.
  std::vector<std::string> Save() const;

  DialogSettings& values() { return values_; }
  const DialogSettings& values() const { return values_; }

  TLastProperties& LastProperties() { return last_properties_; }
  const TLastProperties& LastProperties() const { return last_properties_; }

  // AutoLoadLast and StartupCatalog, which the main window reads when it writes the catalogue
  // name of the next start.
  const CatalogOpening& opening() const { return opening_; }

  // The last text of the time-out field that was a number.
  const std::string& LastTimeoutText() const { return last_timeout_text_; }
  void SetLastTimeoutText(std::string text) { last_timeout_text_ = std::move(text); }

  // The catalogue-opening option became `index`: sets AutoLoadLast and StartupCatalog for that
  // option. Returns whether the fixed catalogue's field and its button take input now, or
  // nullopt when no option is chosen and everything stays as it was.
  std::optional<bool> OpeningOptionChosen(int index);

  // The fixed catalogue's field now holds `text`: a non-empty path becomes StartupCatalog;
  // emptying the field leaves StartupCatalog as it was.
  void FixedCatalogPathChanged(std::string text);

  // The time-out field now holds `text`: returns the text it must hold, `text` itself when it
  // is a number, else the last text that was one.
  std::string TimeoutTextChanged(std::string text);

  // The snapshot of a showing of the dialog: the list's `items`, the option and the fixed
  // catalogue's text.
  void TakeSnapshot(std::vector<std::string> items);

 private:
  SettingsPaths paths_;
  std::string first_folder_;
  DialogSettings values_;
  TLastProperties last_properties_;
  CatalogOpening opening_;
  std::string last_timeout_text_ = kUnreadTimeoutText;
  bool ini_unreadable_ = false;
  bool exclusion_list_unreadable_ = false;
};

}  // namespace quorvel

#endif  // QUORVEL_SETTINGS_SETTINGS_STATE_H_
