// The settings file: an ini text of [sections] and key=value lines stored as Windows-1251 bytes.
//
// The interface speaks UTF-8; text becomes 1251 only where it is stored, and a character that
// 1251 cannot hold is stored as "?". Section and key names match without regard to ASCII case, so
// "[form]" and "[Form]" are one section. Everything the program does not touch (comments, other
// sections, unknown lines, their order) survives a load and save unchanged.
#ifndef QUORVEL_SETTINGS_INI_FILE_H_
#define QUORVEL_SETTINGS_INI_FILE_H_

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

class IniFile {
 public:
  IniFile() = default;

  // The file's contents; an empty IniFile when there is no such file. Throws CatalogError
  // (kFileAccess) when the file exists but cannot be read.
  static IniFile Load(const std::filesystem::path& path);

  // The value of the first `key` in the sections named `section` (duplicate sections read as
  // one), with the blanks around it removed and one pair of enclosing double quotes taken off;
  // `default_value` when there is no such key. A key with an empty value reads as "".
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;
  // The value as a decimal 32-bit integer with an optional sign; `default_value` when the key is
  // missing or its value is anything else (empty, "12abc", "0x10", out of range).
  int ReadInteger(std::string_view section, std::string_view key, int default_value) const;
  // True exactly when the value is a non-zero integer; `default_value` when it is no integer.
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;

  // Replaces the value of the first matching key in place, or adds the key at the end of the
  // first matching section, or adds the section with the key at the end of the file. Values that
  // begin or end with blanks or are enclosed in quotes are stored quoted, so they read back as
  // written; line breaks in names or values are stored as "?" since a line cannot hold them.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  // Stored as "1" or "0".
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Writes every line ended by CR LF to a temporary file beside `path`, then renames it over
  // `path`, so that a failure leaves the old file as it was. A symbolic link is written through
  // to its target, and the old file's permissions are kept. Throws CatalogError (kFileAccess)
  // when it cannot be saved.
  void Save(const std::filesystem::path& path) const;

 private:
  enum class LineKind { kOther, kSection, kEntry };

  // One line of the file without its line end, in 1251 bytes, with what it declares.
  struct Line {
    std::string text;
    LineKind kind = LineKind::kOther;
    std::string name;           // kSection, kEntry: the name, blanks removed
    std::size_t value_pos = 0;  // kEntry: where the value begins, after "=" and blanks
  };

  static Line ParseLine(std::string text);
  // Index of the first entry `key` among the sections named `section`; names in 1251.
  std::optional<std::size_t> FindEntry(const std::string& section, const std::string& key) const;
  // Where a new key of the first section named `section` goes: after its last entry, or after
  // its header when it has none.
  std::optional<std::size_t> SectionInsertPoint(const std::string& section) const;
  // The stored value of an entry, 1251 bytes, blanks and enclosing quotes removed.
  std::optional<std::string> ReadValue(std::string_view section, std::string_view key) const;

  std::vector<Line> lines_;
};

}  // namespace quorvel

#endif  // QUORVEL_SETTINGS_INI_FILE_H_
