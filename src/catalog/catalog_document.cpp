#include "catalog/catalog_document.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "catalog/atomic_file.h"
#include "catalog/catalog_edits.h"
#include "catalog/catalog_error.h"

namespace quorvel {

void CatalogDocument::UseStartupFile(const std::filesystem::path& name) {
  std::error_code ec;
  if (name.empty() || !std::filesystem::exists(name, ec)) {
    Clear();  // told with the Reload(true) that follows
    return;
  }
  catalog_file_name_ = name;
  catalog_open_ = true;
}

ReloadOutcome CatalogDocument::Reload(bool load_from_file, const ProgressCallback& progress) {
  ReloadOutcome outcome;
  std::error_code ec;
  if (load_from_file && !catalog_file_name_.empty() &&
      std::filesystem::exists(catalog_file_name_, ec)) {
    file_identity_.reset();
    try {
      auto file = std::make_shared<const OpenedCatalogFile>(catalog_file_name_);
      const FileIdentity identity = file->Identity();
      CatalogVersion version{PieceList(std::move(file)), {}};
      version.index = BuildIndex(version.bytes, progress);
      StartHistory(std::move(version));
      file_identity_ = identity;
    } catch (const CatalogError& error) {
      Clear();
      outcome.load_error = error.what();
      Notify(DocumentChange::kReloaded);
      return outcome;
    }
    outcome.read_file = true;
    // The index reports a missing magic as damage at offset 0; such bytes are some other file.
    const CatalogIndex& index = Index();
    if (index.Damage && index.Damage->offset == 0) {
      Clear();
      outcome.not_a_catalogue = true;
    }
  } else if (load_from_file) {
    file_identity_.reset();
  }
  Notify(DocumentChange::kReloaded);
  return outcome;
}

void CatalogDocument::StartHistory(CatalogVersion version) {
  history_.clear();
  history_.push_back({std::move(version), {}, ++next_state_});
  position_ = 0;
  saved_state_ = Step().state;
}

void CatalogDocument::UseFile(const std::filesystem::path& path) {
  catalog_file_name_ = path;
  catalog_open_ = true;
}

void CatalogDocument::New(const std::filesystem::path& path) {
  FileIdentity identity;
  SaveFileAtomically(path, ByteView(), &identity);
  UseFile(path);
  file_identity_ = identity;
  Notify(DocumentChange::kCreated);
}

void CatalogDocument::RequireChangeable() const {
  if (const auto& damage = Index().Damage) {
    throw CatalogError("The catalogue is damaged at offset " + std::to_string(damage->offset) +
                           "; a change saved would lose every record that could not be read",
                       ErrorKind::kDamaged, catalog_file_name_);
  }
}

void CatalogDocument::ApplyChange(CatalogVersion version, CatalogEdit edit) {
  RequireChangeable();
  history_.resize(position_ + 1);  // what the redo held is gone
  history_.push_back({std::move(version), std::move(edit), ++next_state_});
  ++position_;
  Notify(DocumentChange::kEdited);
}

void CatalogDocument::RequireRoomForDisk() const {
  RequireChangeable();
  quorvel::RequireRoomForDisk(Current());
}

void CatalogDocument::AppendDisk(ByteView record) {
  RequireRoomForDisk();
  auto added = std::make_shared<const CatalogVersion>(DiskAsCatalogue(record));
  CatalogVersion version = ImportCatalog(Current(), *added);
  ApplyChange(std::move(version), AddDisksEdit(std::move(added)));
}

void CatalogDocument::Undo() {
  if (!CanUndo()) return;
  --position_;
  Notify(DocumentChange::kUndone);
}

void CatalogDocument::Redo() {
  if (!CanRedo()) return;
  ++position_;
  Notify(DocumentChange::kUndone);
}

void CatalogDocument::Save(const ProgressCallback& progress) {
  SaveAs(catalog_file_name_, progress);
}

void CatalogDocument::SaveAs(const std::filesystem::path& path, const ProgressCallback& progress) {
  WriteTo(path, progress);
  Notify(DocumentChange::kSaved);
}

void CatalogDocument::WriteTo(const std::filesystem::path& path, const ProgressCallback& progress) {
  FileIdentity identity;
  SaveVersion(path, Current(), &identity, progress);
  Written(path, identity);
}

void CatalogDocument::Written(const std::filesystem::path& path, const FileIdentity& identity) {
  UseFile(path);
  file_identity_ = identity;
  saved_state_ = Step().state;
  // From now on the content is read from the file just written, which holds the same bytes:
  // the blocks of the changes are let go. Should another program have replaced the file in
  // between, the content keeps its pieces, which still read what was saved.
  try {
    auto written = std::make_shared<const OpenedCatalogFile>(path);
    PieceList& bytes = history_[position_].version.bytes;
    if (written->Identity() == identity && written->Size() == bytes.Size()) {
      bytes = PieceList(std::move(written));
    }
  } catch (const CatalogError&) {
  }
}

bool CatalogDocument::FileChangedOnDisk() const {
  const std::optional<FileIdentity> now = IdentifyFile(catalog_file_name_);
  return now && now != file_identity_;
}

bool CatalogDocument::CanMerge() const {
  for (std::size_t step = 0; step <= position_; ++step) {
    if (history_[step].state == saved_state_) return true;
  }
  return false;
}

std::vector<LeftOut> CatalogDocument::Merge(const ProgressCallback& progress) {
  std::size_t first = 0;  // the step the file last held
  while (first <= position_ && history_[first].state != saved_state_) ++first;
  if (first > position_) {
    throw CatalogError("The changes since the catalogue was saved cannot be made again",
                       ErrorKind::kRefused, catalog_file_name_);
  }
  CatalogVersion merged = VersionOfFile(catalog_file_name_);
  if (merged.index.Damage) {
    throw CatalogError("The catalogue is damaged at offset " +
                           std::to_string(merged.index.Damage->offset) +
                           "; the changes cannot be made on it",
                       ErrorKind::kDamaged, catalog_file_name_);
  }
  std::vector<LeftOut> left_out;
  for (std::size_t step = first + 1; step <= position_; ++step) {
    merged = Replay(merged, history_[step].edit, left_out);
  }
  // Written before it is shown: until the file holds it, the document shows what it did.
  FileIdentity identity;
  SaveVersion(catalog_file_name_, merged, &identity, progress);
  StartHistory(std::move(merged));
  Written(catalog_file_name_, identity);
  Notify(DocumentChange::kReloaded);
  return left_out;
}

void CatalogDocument::Close() {
  Clear();
  Notify(DocumentChange::kClosed);
}

void CatalogDocument::Clear() {
  catalog_file_name_.clear();
  catalog_open_ = false;
  file_identity_.reset();
  StartHistory({});
}

int CatalogDocument::AddListener(Listener listener) {
  listeners_.emplace_back(next_listener_, std::move(listener));
  return next_listener_++;
}

void CatalogDocument::RemoveListener(int id) {
  std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void CatalogDocument::Notify(DocumentChange change) const {
  for (const auto& [id, listener] : listeners_) listener(change);
}

}  // namespace quorvel
