#include "settings/ini_file.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <system_error>

#include "catalog/atomic_file.h"
#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool IsEnclosedInQuotes(std::string_view s) {
  return s.size() >= 2 && s.front() == '"' && s.back() == '"';
}

// A line break inside a stored name or value would start a new line that reads as something
// else (another key, another section), so it is stored as the code page's stand-in character.
std::string ReplaceLineBreaks(std::string s) {
  for (char& c : s) {
    if (c == '\r' || c == '\n') c = '?';
  }
  return s;
}

// Names are put into their stored form before every lookup as well as every write, so that a
// name which cannot be stored as given still finds what was written under it.
std::string SectionName(std::string_view utf8) {
  std::string name = ReplaceLineBreaks(Utf8ToCp1251(utf8));
  for (char& c : name) {
    if (c == ']') c = '?';  // would end the header early
  }
  return std::string(Trim(name));
}

std::string KeyName(std::string_view utf8) {
  std::string name = ReplaceLineBreaks(Utf8ToCp1251(utf8));
  for (char& c : name) {
    if (c == '=') c = '?';  // would end the key early
  }
  name = std::string(Trim(name));
  // A line starting so would read as a comment or a section header rather than a key.
  if (!name.empty() && (name.front() == ';' || name.front() == '[')) name.front() = '?';
  return name;
}

std::string StoredValue(std::string_view utf8) {
  std::string value = ReplaceLineBreaks(Utf8ToCp1251(utf8));
  // Reading removes blanks around a value and one pair of enclosing quotes; quoting such a value
  // makes it read back exactly as written.
  if (!value.empty() &&
      (IsBlank(value.front()) || IsBlank(value.back()) || IsEnclosedInQuotes(value))) {
    return "\"" + value + "\"";
  }
  return value;
}

std::optional<int> ParseInt32(std::string_view text) {
  // from_chars takes no plus sign; a leading one is accepted as a sign, as Windows does.
  if (text.size() >= 2 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

std::string ErrnoText() { return std::strerror(errno); }

}  // namespace

IniFile::Line IniFile::ParseLine(std::string text) {
  Line line;
  line.text = std::move(text);
  const std::string_view trimmed = Trim(line.text);
  if (trimmed.empty() || trimmed.front() == ';') return line;
  if (trimmed.front() == '[') {
    const std::size_t close = trimmed.find(']');
    if (close == std::string_view::npos) return line;
    line.kind = LineKind::kSection;
    line.name = std::string(Trim(trimmed.substr(1, close - 1)));
    return line;
  }
  const std::size_t equals = line.text.find('=');
  if (equals == std::string::npos) return line;
  line.kind = LineKind::kEntry;
  line.name = std::string(Trim(std::string_view(line.text).substr(0, equals)));
  line.value_pos = equals + 1;
  while (line.value_pos < line.text.size() && IsBlank(line.text[line.value_pos])) ++line.value_pos;
  return line;
}

IniFile IniFile::Load(const fs::path& path) {
  const auto fail = [&](const std::string& reason) {
    return CatalogError("Cannot read the settings file \"" + path.string() + "\": " + reason,
                        ErrorKind::kFileAccess, path);
  };
  IniFile ini;
  std::string bytes;
  try {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) return ini;
    if (ec) throw fail(ec.message());
    if (!fs::is_regular_file(status)) throw fail("not a file");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw fail(ErrnoText());
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) throw fail(ErrnoText());
  } catch (const CatalogError&) {
    throw;
  } catch (const std::exception& e) {
    throw fail(e.what());
  }
  std::size_t begin = 0;
  while (begin < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = bytes.size();
    ini.lines_.push_back(ParseLine(bytes.substr(begin, end - begin)));
    begin = end + 1;
    if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n') ++begin;
  }
  return ini;
}

std::optional<std::size_t> IniFile::FindEntry(const std::string& section,
                                              const std::string& key) const {
  bool in_section = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind == LineKind::kSection) {
      in_section = NamesEqual(line.name, section);
    } else if (in_section && line.kind == LineKind::kEntry && NamesEqual(line.name, key)) {
      return i;
    }
  }
  return std::nullopt;
}

std::optional<std::size_t> IniFile::SectionInsertPoint(const std::string& section) const {
  std::size_t i = 0;
  while (i < lines_.size() &&
         !(lines_[i].kind == LineKind::kSection && NamesEqual(lines_[i].name, section))) {
    ++i;
  }
  if (i == lines_.size()) return std::nullopt;
  std::size_t insert_at = i + 1;
  for (++i; i < lines_.size() && lines_[i].kind != LineKind::kSection; ++i) {
    if (lines_[i].kind == LineKind::kEntry) insert_at = i + 1;
  }
  return insert_at;
}

std::optional<std::string> IniFile::ReadValue(std::string_view section,
                                              std::string_view key) const {
  const std::optional<std::size_t> at = FindEntry(SectionName(section), KeyName(key));
  if (!at) return std::nullopt;
  const Line& line = lines_[*at];
  std::string_view value = Trim(std::string_view(line.text).substr(line.value_pos));
  if (IsEnclosedInQuotes(value)) value = value.substr(1, value.size() - 2);
  return std::string(value);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view default_value) const {
  const std::optional<std::string> value = ReadValue(section, key);
  return value ? Cp1251ToUtf8(*value) : std::string(default_value);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int default_value) const {
  const std::optional<std::string> value = ReadValue(section, key);
  if (!value) return default_value;
  return ParseInt32(*value).value_or(default_value);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string section_name = SectionName(section);
  const std::string key_name = KeyName(key);
  const std::string stored = StoredValue(value);
  if (const std::optional<std::size_t> at = FindEntry(section_name, key_name)) {
    Line& line = lines_[*at];
    line = ParseLine(line.text.substr(0, line.value_pos) + stored);
    return;
  }
  Line entry = ParseLine(key_name + "=" + stored);
  if (const std::optional<std::size_t> at = SectionInsertPoint(section_name)) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*at), std::move(entry));
    return;
  }
  if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(ParseLine(""));
  lines_.push_back(ParseLine("[" + section_name + "]"));
  lines_.push_back(std::move(entry));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::Save(const fs::path& path) const {
  std::string bytes;
  for (const Line& line : lines_) {
    bytes += line.text;
    bytes += "\r\n";
  }
  SaveFileAtomically(path,
                     ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace quorvel
