// Finding thumbnails of every disk by words of their disk's name and image path, and by the facts
// of their pictures.
//
// A query is typed in Unicode and converted to Windows-1251 here, at the edge; matching runs over
// the catalogue's own 1251 bytes, ignoring the case of Latin and Cyrillic letters and treating
// "ё" as "е". The window and the command-line tool both search through this one implementation.
#ifndef QUORVEL_CATALOG_CATALOG_SEARCH_H_
#define QUORVEL_CATALOG_CATALOG_SEARCH_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog_index.h"
#include "catalog/search_fields.h"
#include "catalog/stream.h"

namespace quorvel {

// A query, parsed. Words are separated by blanks; "a phrase in quotes" is one word with its
// blanks; a word that begins with '-' must not occur; '*' (any run of characters) and '?' (one
// character) may stand inside a word. A word that begins with a field's name and a colon, outside
// quotes, asks for a fact instead (search_fields.h): "дата:2019..2020", "камера:\"eos 70d\"",
// "тип:raw", "место:есть"; a thumbnail whose picture's fact is unknown has no such fact to match
// or to exclude. A field word whose value means nothing ("дата:июль") matches nothing, and
// excludes nothing.
class SearchQuery {
 public:
  // Parses UTF-8 `text`. Text of nothing but blanks gives an empty query.
  static SearchQuery Parse(std::string_view utf8);

  // An empty query means no search.
  bool Empty() const { return words_.empty(); }

  struct Word {
    SearchField field = SearchField::kText;
    // kText and kCamera: case-folded 1251 bytes, '*' and '?' as typed.
    std::string pattern;
    SecondsRange days{};               // kDate
    FileKind kind = FileKind::kOther;  // kType
    bool excluded = false;             // began with '-': must not occur
    // Holds a character 1251 cannot hold, so matches no stored text; or a field's value that
    // names nothing.
    bool never_occurs = false;
  };
  const std::vector<Word>& Words() const { return words_; }

 private:
  std::vector<Word> words_;
};

// The folded image paths of one catalogue and its thumbnails' facts, kept so that every query
// does not fold the whole catalogue again nor read a fact from its index. Built from an index; it
// copies what it needs and does not refer to the index afterwards, so it describes the catalogue
// as it was when built: the caller builds it again after every change. Where one path ends and
// the next begins is not kept: each query takes it from the index the search was built from.
class CatalogSearch {
 public:
  CatalogSearch() = default;
  explicit CatalogSearch(const CatalogIndex& index) { Build(index); }

  void Build(const CatalogIndex& index);

  // The thumbnails that match `query`, disk by disk in file order and within a disk in
  // catalogue order. An empty query matches nothing. `index` must be the index the search was
  // last built from (an empty one before the first Build): the disk names are read from it, and
  // where each path ends. An index with another number of disks or thumbnails, or whose path
  // lengths are seen not to add up to the paths kept, throws CatalogError; whatever index is
  // given, nothing outside the paths kept is read.
  std::vector<ThumbRef> Find(const SearchQuery& query, const CatalogIndex& index) const;

  // Heap bytes held for searching.
  std::size_t MemoryBytes() const;

 private:
  void BuildFacts(const CatalogIndex& index);

  // Every image path, folded, back to back: disk d's paths are text_[disk_start_[d],
  // disk_start_[d + 1]), in catalogue order.
  std::string text_;
  std::vector<std::size_t> disk_start_{0};
  // Disk d's thumbnails are [thumb_start_[d], thumb_start_[d + 1]) of the arrays below.
  std::vector<std::int64_t> thumb_start_{0};
  // Each thumbnail's FileKind, with kHasPosition added when its picture's position is known.
  std::vector<std::uint8_t> traits_;
  // Each thumbnail's ThumbFacts::taken, and its camera's name as an index into cameras_ (0: no
  // name known). Both empty while no thumbnail has facts.
  std::vector<std::int64_t> taken_;
  std::vector<std::uint32_t> camera_;
  std::vector<std::string> cameras_{std::string()};  // folded 1251, each name once
  // How often each byte occurs in (a sample of) text_: a search looks for the rarest byte of a
  // word first.
  std::array<std::size_t, 256> byte_count_{};
};

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_SEARCH_H_
