// Thumbnails listed with their facts, for people and for spreadsheets: the lines of
// `qrvtool facts` and the CSV that the window and `qrvtool csv` export. Both read the facts the
// index holds and the JPEG heads, nothing else.
#ifndef QUORVEL_CATALOG_FACTS_LISTING_H_
#define QUORVEL_CATALOG_FACTS_LISTING_H_

#include <array>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "catalog/catalog_index.h"
#include "catalog/picture_facts.h"

namespace quorvel {

// The columns of the CSV, in order: disk, path, date taken, camera, width, height, file size.
inline constexpr std::size_t kCsvColumns = 7;

// Writes RFC 4180 CSV in UTF-8, beginning with a byte-order mark so that a spreadsheet reads
// Cyrillic right: the row `header` (words chosen by the caller, in the reader's language), then
// one row per thumbnail of `thumbs`, in that order. Names and paths are turned from 1251 into
// UTF-8; a missing fact is an empty field; lines end in CR LF. Throws CatalogError when a
// reference is not in `index`.
void WriteFactsCsv(std::ostream& out, const CatalogIndex& index, std::span<const ThumbRef> thumbs,
                   const std::array<std::string_view, kCsvColumns>& header);

// The facts of one picture as `qrvtool facts` lists them, read from its thumbnail's JPEG (the
// index holds its camera's name, not the make and model apart): date taken (ISO 8601, no zone),
// make, model, width, height, file size in bytes, and modification time (ISO 8601 in UTC, ending
// in "Z"); each empty when unknown.
inline constexpr std::size_t kFactsFields = 7;
std::array<std::string, kFactsFields> FactsFields(const PictureFacts& facts);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_FACTS_LISTING_H_
