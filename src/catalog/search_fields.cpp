#include "catalog/search_fields.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <initializer_list>
#include <string>
#include <vector>

#include "catalog/cp1251.h"

namespace quorvel {
namespace {

// Copies of the scan's suffix lists (its video, camera RAW and HEIF readers).
constexpr std::string_view kVideoSuffixes[] = {"mp4",  "m4v", "mov", "avi", "mkv",  "webm", "mpg",
                                               "mpeg", "wmv", "3gp", "mts", "m2ts", "vob",  "flv"};
constexpr std::string_view kRawSuffixes[] = {"cr2", "cr3", "crw", "nef", "nrw", "arw", "srf", "sr2",
                                             "orf", "rw2", "raf", "pef", "dng", "srw", "x3f", "erf",
                                             "mef", "mos", "mrw", "kdc", "dcr", "3fr", "iiq"};
constexpr std::string_view kHeicSuffixes[] = {"heic", "heif", "hif"};
constexpr std::string_view kAvifSuffixes[] = {"avif"};

constexpr FileKind kKinds[] = {FileKind::kVideo, FileKind::kRaw, FileKind::kHeic, FileKind::kAvif};

// The longest suffix of any list.
constexpr std::size_t kLongestSuffix = 4;

// A suffix of at most kLongestSuffix bytes as one number, Latin letters made small: different
// suffixes give different numbers, since no suffix holds a zero byte.
std::uint32_t SuffixKey(std::string_view suffix) {
  std::uint32_t key = 0;
  for (const char c : suffix) {
    key = key << 8 | static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return key;
}

// `utf8` as 1251 bytes with case folded, as the search compares text.
std::string Folded(std::string_view utf8) {
  std::string text = Utf8ToCp1251(utf8);
  FoldCp1251(text.data(), text.size());
  return text;
}

// Whether `utf8` is one of `words`, case aside.
bool IsOneOf(std::string_view utf8, std::initializer_list<std::string_view> words) {
  const std::string folded = Folded(utf8);
  return std::any_of(words.begin(), words.end(),
                     [&](std::string_view word) { return Folded(word) == folded; });
}

// A number of `min_digits` to `max_digits` ASCII digits at the front of `text`, taken off it.
std::optional<int> TakeNumber(std::string_view& text, std::size_t min_digits,
                              std::size_t max_digits) {
  std::size_t n = 0;
  int number = 0;
  while (n < text.size() && n < max_digits && text[n] >= '0' && text[n] <= '9') {
    number = number * 10 + (text[n++] - '0');
  }
  if (n < min_digits) return std::nullopt;
  text.remove_prefix(n);
  return number;
}

bool TakeDash(std::string_view& text) {
  if (text.empty() || text.front() != '-') return false;
  text.remove_prefix(1);
  return true;
}

constexpr std::int64_t kDaySeconds = 86400;

std::int64_t DayStart(const std::chrono::year_month_day& day) {
  return std::chrono::sys_days(day).time_since_epoch().count() * kDaySeconds;
}

// The seconds of the year, month or day that `text` names wholly.
std::optional<SecondsRange> ParseDayOrLonger(std::string_view text) {
  using namespace std::chrono;
  const std::optional<int> y = TakeNumber(text, 4, 4);
  if (!y) return std::nullopt;
  const year the_year{*y};
  if (text.empty()) {
    return SecondsRange{DayStart(the_year / January / 1),
                        DayStart(the_year / December / 31) + kDaySeconds - 1};
  }
  const std::optional<int> m = TakeDash(text) ? TakeNumber(text, 1, 2) : std::nullopt;
  if (!m || *m < 1 || *m > 12) return std::nullopt;
  const year_month month = the_year / static_cast<unsigned>(*m);
  if (text.empty()) {
    return SecondsRange{DayStart(month / 1), DayStart(month / last) + kDaySeconds - 1};
  }
  const std::optional<int> d = TakeDash(text) ? TakeNumber(text, 1, 2) : std::nullopt;
  const year_month_day day = month / static_cast<unsigned>(d.value_or(0));
  if (!d || !text.empty() || !day.ok()) return std::nullopt;
  return SecondsRange{DayStart(day), DayStart(day) + kDaySeconds - 1};
}

}  // namespace

SearchField FieldNamed(std::string_view name) {
  if (IsOneOf(name, {"дата", "date"})) return SearchField::kDate;
  if (IsOneOf(name, {"камера", "camera"})) return SearchField::kCamera;
  if (IsOneOf(name, {"тип", "type"})) return SearchField::kType;
  if (IsOneOf(name, {"место", "gps"})) return SearchField::kPlace;
  return SearchField::kText;
}

std::span<const std::string_view> SuffixesOf(FileKind kind) {
  switch (kind) {
    case FileKind::kVideo:
      return kVideoSuffixes;
    case FileKind::kRaw:
      return kRawSuffixes;
    case FileKind::kHeic:
      return kHeicSuffixes;
    case FileKind::kAvif:
      return kAvifSuffixes;
    case FileKind::kOther:
      break;
  }
  return {};
}

FileKind KindOfPath(std::string_view path) {
  // A search is built over every path of a catalogue, a million of them and more: a suffix is
  // looked up as one number among the sorted numbers of every listed one.
  struct Listed {
    std::uint32_t key;
    FileKind kind;
  };
  static const std::vector<Listed> listed = [] {
    std::vector<Listed> all;
    for (const FileKind kind : kKinds) {
      for (const std::string_view suffix : SuffixesOf(kind))
        all.push_back({SuffixKey(suffix), kind});
    }
    std::sort(all.begin(), all.end(), [](Listed a, Listed b) { return a.key < b.key; });
    return all;
  }();
  const std::string_view tail =
      path.substr(path.size() - std::min(path.size(), kLongestSuffix + 1));
  const std::size_t dot = tail.rfind('.');
  if (dot == std::string_view::npos) return FileKind::kOther;
  const std::uint32_t key = SuffixKey(tail.substr(dot + 1));
  const auto found = std::lower_bound(listed.begin(), listed.end(), key,
                                      [](Listed a, std::uint32_t k) { return a.key < k; });
  return found != listed.end() && found->key == key ? found->kind : FileKind::kOther;
}

std::optional<FileKind> KindNamed(std::string_view value) {
  if (IsOneOf(value, {"видео", "video"})) return FileKind::kVideo;
  if (IsOneOf(value, {"raw"})) return FileKind::kRaw;
  if (IsOneOf(value, {"heic", "heif"})) return FileKind::kHeic;
  if (IsOneOf(value, {"avif"})) return FileKind::kAvif;
  return std::nullopt;
}

bool AsksForPosition(std::string_view value) { return IsOneOf(value, {"есть", "yes"}); }

std::optional<SecondsRange> ParseDays(std::string_view value) {
  const std::size_t dots = value.find("..");
  if (dots == std::string_view::npos) return ParseDayOrLonger(value);
  const std::string_view from = value.substr(0, dots);
  const std::string_view to = value.substr(dots + 2);
  if (from.empty() && to.empty()) return std::nullopt;
  const SecondsRange open{INT64_MIN, INT64_MAX};
  const std::optional<SecondsRange> a = from.empty() ? open : ParseDayOrLonger(from);
  const std::optional<SecondsRange> b = to.empty() ? open : ParseDayOrLonger(to);
  if (!a || !b) return std::nullopt;
  if (from.empty()) return SecondsRange{open.first, b->last};
  if (to.empty()) return SecondsRange{a->first, open.last};
  return SecondsRange{std::min(a->first, b->first), std::max(a->last, b->last)};
}

}  // namespace quorvel
