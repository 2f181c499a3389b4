#include "catalog/catalog_document.h"

#include <system_error>
#include <utility>

#include "catalog/catalog_error.h"

namespace quorvel {

void CatalogDocument::UseStartupFile(const std::filesystem::path& name) {
  std::error_code ec;
  if (name.empty() || !std::filesystem::exists(name, ec)) {
    Close();
    return;
  }
  catalog_file_name_ = name;
  catalog_open_ = true;
}

ReloadOutcome CatalogDocument::Reload(bool load_from_file) {
  ReloadOutcome outcome;
  std::error_code ec;
  if (load_from_file && !catalog_file_name_.empty() &&
      std::filesystem::exists(catalog_file_name_, ec)) {
    try {
      catalog_stream_ = LoadFile(catalog_file_name_);
    } catch (const CatalogError& error) {
      Close();
      outcome.load_error = error.what();
      return outcome;
    }
    undo_stream_ = catalog_stream_;
    outcome.read_file = true;
  }
  BuildIndex(catalog_stream_, index_);
  // The index reports a missing magic as damage at offset 0; such bytes are some other file.
  if (outcome.read_file && index_.Damage && index_.Damage->offset == 0) {
    Close();
    outcome.not_a_catalogue = true;
  }
  return outcome;
}

void CatalogDocument::Close() {
  catalog_file_name_.clear();
  catalog_open_ = false;
  catalog_stream_.clear();
  undo_stream_.clear();
  index_ = CatalogIndex();
}

}  // namespace quorvel
