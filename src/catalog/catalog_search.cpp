#include "catalog/catalog_search.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <span>
#include <unordered_map>

#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"

namespace quorvel {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// One word of a query, ready to be looked for: the parts of its pattern between the '*'s, in
// order, and its longest run of plain bytes, which a search looks for first by its rarest byte.
struct Matcher {
  std::vector<std::string_view> pieces;  // never empty strings; '?' stands for any byte
  std::string_view driver;               // empty when the word is nothing but '*' and '?'
  std::size_t rare = 0;                  // the place in `driver` of its rarest byte
  std::size_t rare_count = 0;            // how often that byte occurs
};

// Finds `word` in [begin, end) by its byte at `rare`, the one the text holds fewest of: memchr
// skips to each place of that byte far faster than any general substring search moves, and
// only those places are compared whole.
const char* FindRare(const char* begin, const char* end, std::string_view word, std::size_t rare) {
  if (static_cast<std::size_t>(end - begin) < word.size()) return nullptr;
  const char* const last = end - word.size() + rare;  // in the last place the word fits
  for (const char* p = begin + rare; p <= last; ++p) {
    p = static_cast<const char*>(
        std::memchr(p, word[rare], static_cast<std::size_t>(last - p) + 1));
    if (!p || word.size() == 1) return p;
    if (std::memcmp(p - rare, word.data(), word.size()) == 0) return p - rare;
  }
  return nullptr;
}

Matcher MakeMatcher(std::string_view pattern, const std::array<std::size_t, 256>& byte_count) {
  Matcher m;
  for (std::size_t begin = 0; begin <= pattern.size();) {
    const std::size_t end = std::min(pattern.find('*', begin), pattern.size());
    if (end > begin) m.pieces.push_back(pattern.substr(begin, end - begin));
    begin = end + 1;
  }
  for (const std::string_view piece : m.pieces) {
    for (std::size_t begin = 0; begin <= piece.size();) {
      const std::size_t end = std::min(piece.find('?', begin), piece.size());
      if (end - begin > m.driver.size()) m.driver = piece.substr(begin, end - begin);
      begin = end + 1;
    }
  }
  const auto count = [&](std::size_t i) {
    return byte_count[static_cast<unsigned char>(m.driver[i])];
  };
  for (std::size_t k = 1; k < m.driver.size(); ++k) {
    if (count(k) < count(m.rare)) m.rare = k;
  }
  if (!m.driver.empty()) m.rare_count = count(m.rare);
  return m;
}

// Where `piece` first occurs in `text` at or after `from`, '?' standing for any one byte.
std::size_t FindPiece(std::string_view text, std::string_view piece, std::size_t from) {
  if (piece.find('?') == std::string_view::npos) return text.find(piece, from);
  for (std::size_t i = from; i + piece.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < piece.size() && (piece[k] == '?' || piece[k] == text[i + k])) ++k;
    if (k == piece.size()) return i;
  }
  return std::string_view::npos;
}

// Whether the word occurs in `text`: its pieces in order, any run of bytes between them. The
// leftmost place of each piece leaves the most room for the ones after it.
bool Occurs(const Matcher& m, std::string_view text) {
  std::size_t from = 0;
  for (const std::string_view piece : m.pieces) {
    const std::size_t at = FindPiece(text, piece, from);
    if (at == std::string_view::npos) return false;
    from = at + piece.size();
  }
  return true;
}

[[noreturn]] void ThrowOtherIndex() {
  throw CatalogError("The search was built from another state of the catalogue");
}

// The paths of one disk, back to back in [begin, end), one after another by the lengths in
// `thumbs`. Lengths that do not add up to the disk's bytes throw rather than read past them.
class PathWalk {
 public:
  PathWalk(const char* begin, const char* end, std::span<const Disc> thumbs)
      : end_(end), path_end_(begin), thumbs_(thumbs) {}

  // Moves on to the next path.
  void Next() {
    if (++thumb_ == static_cast<std::ptrdiff_t>(thumbs_.size())) ThrowOtherIndex();
    path_ = path_end_;
    const std::size_t size = thumbs_[static_cast<std::size_t>(thumb_)].NameSize;
    if (static_cast<std::size_t>(end_ - path_) < size) ThrowOtherIndex();
    path_end_ = path_ + size;
  }
  // Moves on to the path that holds `at`, which lies before the disk's end and not before the
  // current path.
  void MoveTo(const char* at) {
    while (at >= path_end_) Next();
  }
  // Whether every path has been walked and the disk's bytes are used up exactly.
  bool AtEnd() const {
    return thumb_ + 1 == static_cast<std::ptrdiff_t>(thumbs_.size()) && path_end_ == end_;
  }

  std::int32_t Thumb() const { return static_cast<std::int32_t>(thumb_); }
  const char* PathEnd() const { return path_end_; }
  std::string_view Path() const { return {path_, static_cast<std::size_t>(path_end_ - path_)}; }

 private:
  const char* const end_;
  const char* path_ = nullptr;
  const char* path_end_;
  std::ptrdiff_t thumb_ = -1;
  std::span<const Disc> thumbs_;
};

// A thumbnail's traits: its FileKind in the low bits, and this bit when its position is known.
constexpr std::uint8_t kHasPosition = 0x80;

// The field words of a query, put to thumbnails by their places in the search's arrays.
class FactFilter {
 public:
  FactFilter(std::span<const std::uint8_t> traits, std::span<const std::int64_t> taken,
             std::span<const std::uint32_t> camera, std::span<const std::string> cameras,
             const std::array<std::size_t, 256>& byte_count)
      : traits_(traits),
        taken_(taken),
        camera_(camera),
        cameras_(cameras),
        byte_count_(byte_count) {}

  void Add(const SearchQuery::Word& word) {
    Test test{word.field, word.excluded, word.days, word.kind, {}};
    // The mark of an unknown date lies below every date: an open range starts above it.
    test.days.first = std::max(test.days.first, ThumbFacts::kNoDate + 1);
    if (word.field == SearchField::kCamera) {
      // Each camera's name is looked at once a query, not once a thumbnail; none is name 0.
      const Matcher matcher = MakeMatcher(word.pattern, byte_count_);
      test.cameras.resize(cameras_.size());
      for (std::size_t k = 1; k < cameras_.size(); ++k) {
        test.cameras[k] = Occurs(matcher, cameras_[k]);
      }
    }
    tests_.push_back(std::move(test));
  }

  // Whether thumbnail `at` (of all disks) has every fact asked for and none excluded.
  bool Passes(std::int64_t at) const {
    const auto i = static_cast<std::size_t>(at);
    for (const Test& test : tests_) {
      if (Has(test, i) == test.excluded) return false;
    }
    return true;
  }

 private:
  struct Test {
    SearchField field;
    bool excluded;
    SecondsRange days;
    FileKind kind;
    std::vector<char> cameras;  // whether each of the search's camera names holds the word
  };

  bool Has(const Test& test, std::size_t i) const {
    switch (test.field) {
      case SearchField::kDate:
        return !taken_.empty() && taken_[i] >= test.days.first && taken_[i] <= test.days.last;
      case SearchField::kCamera:
        return !camera_.empty() && test.cameras[camera_[i]];
      case SearchField::kType:
        return static_cast<FileKind>(traits_[i] & ~kHasPosition) == test.kind;
      case SearchField::kPlace:
        return (traits_[i] & kHasPosition) != 0;
      case SearchField::kText:
        break;
    }
    return false;
  }

  std::span<const std::uint8_t> traits_;
  std::span<const std::int64_t> taken_;
  std::span<const std::uint32_t> camera_;
  std::span<const std::string> cameras_;
  const std::array<std::size_t, 256>& byte_count_;
  std::vector<Test> tests_;
};

}  // namespace

SearchQuery SearchQuery::Parse(std::string_view utf8) {
  SearchQuery query;
  for (std::size_t i = 0; i < utf8.size();) {
    if (IsBlank(utf8[i])) {
      ++i;
      continue;
    }
    Word word;
    if (utf8[i] == '-') {
      word.excluded = true;
      ++i;
    }
    // Quotes may open and close anywhere in a word; blanks between them belong to the word.
    std::string text;
    std::size_t first_quote = std::string::npos;  // in `text`
    for (bool quoted = false; i < utf8.size() && (quoted || !IsBlank(utf8[i])); ++i) {
      if (utf8[i] == '"') {
        quoted = !quoted;
        first_quote = std::min(first_quote, text.size());
      } else {
        text.push_back(utf8[i]);
      }
    }
    if (text.empty()) continue;
    // A field's name and colon in quotes are text to find, so that a path holding "date:" can
    // still be looked for.
    const std::size_t colon = text.find(':');
    if (colon != std::string::npos && colon < first_quote) {
      word.field = FieldNamed(std::string_view(text).substr(0, colon));
    }
    const std::string_view value =
        word.field == SearchField::kText ? text : std::string_view(text).substr(colon + 1);
    switch (word.field) {
      case SearchField::kText:
      case SearchField::kCamera:
        // Stored text never holds a zero byte, nor a character that 1251 cannot hold; such a
        // character must not turn into a '?' that would stand for any byte.
        word.never_occurs = value.empty() || value.find('\0') != std::string::npos ||
                            !CharactersNotInCp1251(value).empty();
        word.pattern = Utf8ToCp1251(value);
        FoldCp1251(word.pattern.data(), word.pattern.size());
        break;
      case SearchField::kDate: {
        const std::optional<SecondsRange> days = ParseDays(value);
        word.never_occurs = !days;
        if (days) word.days = *days;
        break;
      }
      case SearchField::kType: {
        const std::optional<FileKind> kind = KindNamed(value);
        word.never_occurs = !kind;
        if (kind) word.kind = *kind;
        break;
      }
      case SearchField::kPlace:
        word.never_occurs = !AsksForPosition(value);
        break;
    }
    query.words_.push_back(std::move(word));
  }
  return query;
}

void CatalogSearch::Build(const CatalogIndex& index) {
  std::size_t total = 0;
  for (const CatInfo& disk : index.Disks) {
    for (const Disc& thumb : disk.Thumbs) total += thumb.Name().size();
  }
  // A fresh string reserves exactly what it is asked for; the old text goes first, so that a
  // rebuild does not hold two copies at once.
  text_ = std::string();
  text_.reserve(total);
  disk_start_.clear();
  disk_start_.reserve(index.Disks.size() + 1);
  for (const CatInfo& disk : index.Disks) {
    disk_start_.push_back(text_.size());
    for (const Disc& thumb : disk.Thumbs) text_ += thumb.Name();
  }
  disk_start_.push_back(text_.size());
  FoldCp1251(text_.data(), text_.size());
  // Only which bytes are rare matters, so a large text is sampled: a run of bytes out of every
  // block, spread over all of it.
  constexpr std::size_t kRun = 256;
  const std::size_t stride = text_.size() < (std::size_t{1} << 20) ? kRun : 16 * kRun;
  byte_count_.fill(0);
  for (std::size_t at = 0; at < text_.size(); at += stride) {
    const std::size_t run_end = std::min(at + kRun, text_.size());
    for (std::size_t i = at; i < run_end; ++i) ++byte_count_[static_cast<unsigned char>(text_[i])];
  }
  BuildFacts(index);
}

void CatalogSearch::BuildFacts(const CatalogIndex& index) {
  const auto thumbs = static_cast<std::size_t>(index.TotalThumbs());
  const bool any_facts = std::any_of(index.Disks.begin(), index.Disks.end(), [](const CatInfo& d) {
    return d.Storage && !d.Storage->facts.empty();
  });
  thumb_start_.clear();
  thumb_start_.reserve(index.Disks.size() + 1);
  traits_ = std::vector<std::uint8_t>();
  traits_.reserve(thumbs);
  taken_ = std::vector<std::int64_t>();
  camera_ = std::vector<std::uint32_t>();
  cameras_.assign(1, std::string());
  if (any_facts) {
    taken_.reserve(thumbs);
    camera_.reserve(thumbs);
  }
  // A disk keeps each camera's name once, so each is folded once a disk and looked up once.
  std::unordered_map<std::string, std::uint32_t> camera_number;
  std::unordered_map<std::uint32_t, std::uint32_t> disk_camera;  // by ThumbFacts::camera_start
  for (const CatInfo& disk : index.Disks) {
    thumb_start_.push_back(static_cast<std::int64_t>(traits_.size()));
    disk_camera.clear();
    for (std::size_t j = 0; j < disk.Thumbs.size(); ++j) {
      const ThumbFacts* facts = disk.Facts(j);
      const bool has_position = facts && facts->has_position;
      traits_.push_back(static_cast<std::uint8_t>(KindOfPath(disk.Thumbs[j].Name())) |
                        (has_position ? kHasPosition : 0));
      if (!any_facts) continue;
      taken_.push_back(facts ? facts->taken : ThumbFacts::kNoDate);
      std::uint32_t camera = 0;
      if (facts && facts->camera_size > 0) {
        const auto [known, added] = disk_camera.try_emplace(facts->camera_start, 0);
        if (added) {
          std::string name = Utf8ToCp1251(disk.Camera(*facts));
          FoldCp1251(name.data(), name.size());
          const auto [number, named] =
              camera_number.try_emplace(name, static_cast<std::uint32_t>(cameras_.size()));
          if (named) cameras_.push_back(std::move(name));
          known->second = number->second;
        }
        camera = known->second;
      }
      camera_.push_back(camera);
    }
  }
  thumb_start_.push_back(static_cast<std::int64_t>(traits_.size()));
}

std::vector<ThumbRef> CatalogSearch::Find(const SearchQuery& query,
                                          const CatalogIndex& index) const {
  if (index.Disks.size() + 1 != thumb_start_.size()) ThrowOtherIndex();
  for (std::size_t d = 0; d < index.Disks.size(); ++d) {
    if (index.Disks[d].ThumbCount != thumb_start_[d + 1] - thumb_start_[d]) ThrowOtherIndex();
  }
  std::vector<ThumbRef> found;
  std::vector<Matcher> required;
  std::vector<Matcher> excluded;
  FactFilter facts(traits_, taken_, camera_, cameras_, byte_count_);
  for (const SearchQuery::Word& word : query.Words()) {
    if (word.never_occurs) {
      if (!word.excluded) return found;
      continue;
    }
    if (word.field != SearchField::kText) {
      facts.Add(word);
    } else {
      (word.excluded ? excluded : required).push_back(MakeMatcher(word.pattern, byte_count_));
    }
  }
  if (query.Empty()) return found;

  std::vector<const Matcher*> open;  // the required words a disk's name does not hold
  const auto holds_none = [&](std::string_view text) {
    return std::none_of(excluded.begin(), excluded.end(),
                        [&](const Matcher& m) { return Occurs(m, text); });
  };
  const auto matches = [&](std::string_view path) {
    return std::all_of(open.begin(), open.end(),
                       [&](const Matcher* m) { return Occurs(*m, path); }) &&
           holds_none(path);
  };
  std::string name;  // the disk's name, folded
  for (std::size_t d = 0; d < index.Disks.size(); ++d) {
    const auto disk = static_cast<std::int32_t>(d);
    const std::int64_t first = thumb_start_[d];
    if (required.empty() && excluded.empty()) {
      // Facts alone: no path need be looked at.
      for (std::int32_t thumb = 0; thumb < index.Disks[d].ThumbCount; ++thumb) {
        if (facts.Passes(first + thumb)) found.push_back({disk, thumb});
      }
      continue;
    }
    name = index.Disks[d].Name;
    FoldCp1251(name.data(), name.size());
    if (!holds_none(name)) continue;
    open.clear();
    // The word looked for first is the one whose rarest byte is rarest, the longer on a tie.
    const Matcher* driver = nullptr;
    for (const Matcher& m : required) {
      if (Occurs(m, name)) continue;
      open.push_back(&m);
      if (m.driver.empty()) continue;
      if (!driver || m.rare_count < driver->rare_count ||
          (m.rare_count == driver->rare_count && m.driver.size() > driver->driver.size())) {
        driver = &m;
      }
    }
    const char* const end = text_.data() + disk_start_[d + 1];
    PathWalk walk(text_.data() + disk_start_[d], end, index.Disks[d].Thumbs);
    if (!driver) {
      // Nothing to look for first (the disk's name holds every required word, or they are all
      // wildcards): every path of the disk is a candidate.
      for (std::int32_t thumb = 0; thumb < index.Disks[d].ThumbCount; ++thumb) {
        walk.Next();
        if (facts.Passes(first + thumb) && matches(walk.Path())) found.push_back({disk, thumb});
      }
      if (!walk.AtEnd()) ThrowOtherIndex();
      continue;
    }
    // The driver's plain bytes are found across the disk's paths at once; only the paths they
    // occur in are looked at whole. A hit that runs on into the next path is none, and neither
    // is any later place in the same path. A plain word that is the only thing to check is
    // proven by its hit alone.
    const bool hit_is_match = open.size() == 1 && excluded.empty() && driver->pieces.size() == 1 &&
                              driver->pieces[0] == driver->driver;
    for (const char* cursor = walk.PathEnd(); cursor < end; cursor = walk.PathEnd()) {
      const char* hit = FindRare(cursor, end, driver->driver, driver->rare);
      if (!hit) break;
      walk.MoveTo(hit);
      if (hit + driver->driver.size() > walk.PathEnd()) continue;
      if (facts.Passes(first + walk.Thumb()) && (hit_is_match || matches(walk.Path()))) {
        found.push_back({disk, walk.Thumb()});
      }
    }
  }
  return found;
}

std::size_t CatalogSearch::MemoryBytes() const {
  std::size_t camera_bytes = cameras_.capacity() * sizeof(std::string);
  for (const std::string& name : cameras_) {
    if (name.capacity() > std::string().capacity()) camera_bytes += name.capacity();
  }
  return text_.capacity() + disk_start_.capacity() * sizeof(std::size_t) +
         thumb_start_.capacity() * sizeof(std::int64_t) + traits_.capacity() +
         taken_.capacity() * sizeof(std::int64_t) + camera_.capacity() * sizeof(std::uint32_t) +
         camera_bytes;
}

}  // namespace quorvel
