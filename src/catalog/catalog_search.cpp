#include "catalog/catalog_search.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

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
    for (bool quoted = false; i < utf8.size() && (quoted || !IsBlank(utf8[i])); ++i) {
      if (utf8[i] == '"') {
        quoted = !quoted;
      } else {
        text.push_back(utf8[i]);
      }
    }
    if (text.empty()) continue;
    // Stored text never holds a zero byte, nor a character that 1251 cannot hold; such a
    // character must not turn into a '?' that would stand for any byte.
    word.never_occurs =
        text.find('\0') != std::string::npos || !CharactersNotInCp1251(text).empty();
    word.pattern = Utf8ToCp1251(text);
    FoldCp1251(word.pattern.data(), word.pattern.size());
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
  thumb_count_ = index.TotalThumbs();
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
}

std::vector<ThumbRef> CatalogSearch::Find(const SearchQuery& query,
                                          const CatalogIndex& index) const {
  if (index.Disks.size() + 1 != disk_start_.size() || index.TotalThumbs() != thumb_count_) {
    ThrowOtherIndex();
  }
  std::vector<ThumbRef> found;
  std::vector<Matcher> required;
  std::vector<Matcher> excluded;
  for (const SearchQuery::Word& word : query.Words()) {
    if (word.never_occurs) {
      if (!word.excluded) return found;
      continue;
    }
    (word.excluded ? excluded : required).push_back(MakeMatcher(word.pattern, byte_count_));
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
        if (matches(walk.Path())) found.push_back({disk, thumb});
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
      if (hit_is_match || matches(walk.Path())) found.push_back({disk, walk.Thumb()});
    }
  }
  return found;
}

std::size_t CatalogSearch::MemoryBytes() const {
  return text_.capacity() + disk_start_.capacity() * sizeof(std::size_t);
}

}  // namespace quorvel
