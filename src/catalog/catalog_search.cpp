#include "catalog/catalog_search.h"

#include <algorithm>
#include <array>
#include <cstring>

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

// The zero bytes in [begin, end), that is the paths that end there. Blocks of a fixed length
// let the compiler count many bytes at once.
std::size_t CountZeros(const char* begin, const char* end) {
  constexpr std::size_t kBlock = 64;
  std::size_t count = 0;
  for (; end - begin >= static_cast<std::ptrdiff_t>(kBlock); begin += kBlock) {
    unsigned block = 0;
    for (std::size_t i = 0; i < kBlock; ++i) block += begin[i] == 0;
    count += block;
  }
  for (; begin < end; ++begin) count += *begin == 0;
  return count;
}

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

void CatalogSearch::Build(ByteView stream, const CatalogIndex& index) {
  std::size_t total = 0;
  for (const CatInfo& disk : index.Disks) {
    for (const Disc& thumb : disk.Thumbs) total += thumb.Name(stream).size() + 1;
  }
  // A fresh string reserves exactly what it is asked for; the old text goes first, so that a
  // rebuild does not hold two copies at once.
  text_ = std::string();
  text_.reserve(total);
  disk_start_.clear();
  disk_start_.reserve(index.Disks.size() + 1);
  disk_names_.clear();
  disk_names_.reserve(index.Disks.size());
  for (const CatInfo& disk : index.Disks) {
    disk_start_.push_back(text_.size());
    disk_names_.push_back(disk.Name);
    FoldCp1251(disk_names_.back().data(), disk_names_.back().size());
    for (const Disc& thumb : disk.Thumbs) {
      text_ += thumb.Name(stream);
      text_.push_back('\0');
    }
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

std::vector<ThumbRef> CatalogSearch::Find(const SearchQuery& query) const {
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
  for (std::size_t d = 0; d < disk_names_.size(); ++d) {
    const auto disk = static_cast<std::int32_t>(d);
    if (!holds_none(disk_names_[d])) continue;
    open.clear();
    // The word looked for first is the one whose rarest byte is rarest, the longer on a tie.
    const Matcher* driver = nullptr;
    for (const Matcher& m : required) {
      if (Occurs(m, disk_names_[d])) continue;
      open.push_back(&m);
      if (m.driver.empty()) continue;
      if (!driver || m.rare_count < driver->rare_count ||
          (m.rare_count == driver->rare_count && m.driver.size() > driver->driver.size())) {
        driver = &m;
      }
    }
    const char* const begin = text_.data() + disk_start_[d];
    const char* const end = text_.data() + disk_start_[d + 1];
    if (!driver) {
      // Nothing to look for first (the disk's name holds every required word, or they are all
      // wildcards): every path of the disk is a candidate.
      std::int32_t thumb = 0;
      for (const char* p = begin; p < end; ++thumb) {
        const char* stop = static_cast<const char*>(std::memchr(p, 0, end - p));
        if (matches({p, static_cast<std::size_t>(stop - p)})) found.push_back({disk, thumb});
        p = stop + 1;
      }
      continue;
    }
    // The driver's plain bytes are found across the disk's paths at once; only the paths they
    // occur in are looked at whole. A hit never spans two paths: no word holds a zero byte.
    // A plain word that is the only thing to check is proven by its hit alone.
    const bool hit_is_match = open.size() == 1 && excluded.empty() && driver->pieces.size() == 1 &&
                              driver->pieces[0] == driver->driver;
    std::int32_t thumb = 0;
    for (const char* cursor = begin; cursor < end;) {
      const char* hit = FindRare(cursor, end, driver->driver, driver->rare);
      if (!hit) break;
      // Hits come mostly in the path at the cursor or soon after it.
      const char* start = cursor;
      if (std::memchr(cursor, 0, static_cast<std::size_t>(hit - cursor))) {
        start = hit;
        while (start[-1] != 0) --start;
        thumb += static_cast<std::int32_t>(CountZeros(cursor, start));
      }
      const char* stop = static_cast<const char*>(std::memchr(hit, 0, end - hit));
      if (hit_is_match || matches({start, static_cast<std::size_t>(stop - start)})) {
        found.push_back({disk, thumb});
      }
      cursor = stop + 1;
      ++thumb;
    }
  }
  return found;
}

std::size_t CatalogSearch::MemoryBytes() const {
  std::size_t bytes = text_.capacity() + disk_start_.capacity() * sizeof(std::size_t) +
                      disk_names_.capacity() * sizeof(std::string);
  for (const std::string& name : disk_names_) {
    if (name.capacity() > std::string().capacity()) bytes += name.capacity() + 1;
  }
  return bytes;
}

}  // namespace quorvel
