#include "catalog/facts_listing.h"

#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"

namespace quorvel {
namespace {

// `text` as one field of RFC 4180: in quotes, its quotes doubled, when it holds a character that
// would end the field or the row.
std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string field = "\"";
  for (const char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  field += '"';
  return field;
}

template <typename Fields>
void WriteRow(std::ostream& out, const Fields& fields) {
  std::string row;
  for (const auto& field : fields) {
    if (!row.empty()) row += ',';
    row += CsvField(field);
  }
  out << row << "\r\n";
}

std::string NumberOrNothing(std::int64_t number, bool known) {
  return known ? std::to_string(number) : std::string();
}

}  // namespace

void WriteFactsCsv(std::ostream& out, const CatalogIndex& index, std::span<const ThumbRef> thumbs,
                   const std::array<std::string_view, kCsvColumns>& header) {
  // Every reference is checked before a byte is written, so that a refusal writes nothing.
  for (const ThumbRef& ref : thumbs) {
    if (ref.disk < 0 || static_cast<std::size_t>(ref.disk) >= index.Disks.size() || ref.thumb < 0 ||
        ref.thumb >= index.Disks[static_cast<std::size_t>(ref.disk)].ThumbCount) {
      throw CatalogError("Thumbnail " + std::to_string(ref.thumb + 1) + " of disk " +
                         std::to_string(ref.disk + 1) + " is not in the catalogue");
    }
  }
  out << "\xEF\xBB\xBF";
  WriteRow(out, header);
  std::array<std::string, kCsvColumns> row;
  for (const ThumbRef& ref : thumbs) {
    const CatInfo& disk = index.Disks[static_cast<std::size_t>(ref.disk)];
    const auto thumb = static_cast<std::size_t>(ref.thumb);
    const ThumbFacts* facts = disk.Facts(thumb);
    const ThumbFacts none;
    const ThumbFacts& known = facts ? *facts : none;
    const bool sized = known.width > 0 || known.height > 0;
    row = {Cp1251ToUtf8(disk.Name),
           Cp1251ToUtf8(disk.Thumbs[thumb].Name()),
           known.taken != ThumbFacts::kNoDate ? IsoDateTime(known.taken) : std::string(),
           facts ? std::string(disk.Camera(known)) : std::string(),
           NumberOrNothing(known.width, sized),
           NumberOrNothing(known.height, sized),
           NumberOrNothing(known.file_size, known.file_size >= 0)};
    WriteRow(out, row);
  }
}

std::array<std::string, kFactsFields> FactsFields(const PictureFacts& facts) {
  const bool sized = facts.width > 0 || facts.height > 0;
  return {facts.taken ? IsoDateTime(*facts.taken) : std::string(),
          facts.make,
          facts.model,
          NumberOrNothing(facts.width, sized),
          NumberOrNothing(facts.height, sized),
          NumberOrNothing(facts.file_size.value_or(0), facts.file_size.has_value()),
          facts.modified ? IsoDateTime(*facts.modified) + "Z" : std::string()};
}

}  // namespace quorvel
