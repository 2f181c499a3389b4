// The words of a query that ask for a fact of a picture rather than for text of its path: a field
// name, a colon and a value, as in "дата:2019-07", "камера:canon", "тип:видео", "место:есть".
#ifndef QUORVEL_CATALOG_SEARCH_FIELDS_H_
#define QUORVEL_CATALOG_SEARCH_FIELDS_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quorvel {

enum class SearchField : std::uint8_t {
  kText,    // not a field: text of the disk's name or the path
  kDate,    // дата, date: the day taken, in a range of days
  kCamera,  // камера, camera: text of the camera's name
  kType,    // тип, type: what kind of file, by its suffix
  kPlace,   // место, gps: a position is known
};

// The field that UTF-8 `name` (the text before a colon) names, in either alphabet and any case;
// kText when it names none.
SearchField FieldNamed(std::string_view name);

// What a file holds, as far as a search tells kinds apart.
enum class FileKind : std::uint8_t { kOther, kVideo, kRaw, kHeic, kAvif };

// The kind of the file at `path` (1251 or UTF-8 bytes) by its name's suffix, in any case.
// The scan decides by the suffix lists of its readers, which this layer cannot link; the lists
// behind this are copies of theirs, kept the same by a test of the scan.
FileKind KindOfPath(std::string_view path);
// The suffixes (small letters, no dot) of `kind`; none for kOther.
std::span<const std::string_view> SuffixesOf(FileKind kind);

// The kind a value of "тип:" names: "видео" or "video", "raw", "heic" (HEIC and HEIF), "avif".
std::optional<FileKind> KindNamed(std::string_view value);

// Whether a value of "место:" asks for a known position: "есть" or "yes".
bool AsksForPosition(std::string_view value);

// The seconds, by the camera's clock, from the first to the last second of the days a value of
// "дата:" names: a year "2019", a month "2019-07", a day "2019-07-01", or a range of two of these
// joined by "..", either end left open ("2019..", "..2019-06"), in either order. nullopt when the
// value is none of these or no such day exists.
struct SecondsRange {
  std::int64_t first;
  std::int64_t last;
};
std::optional<SecondsRange> ParseDays(std::string_view value);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_SEARCH_FIELDS_H_
