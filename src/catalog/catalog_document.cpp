#include "catalog/catalog_document.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "catalog/atomic_file.h"
#include "catalog/catalog_error.h"
#include "catalog/disk_record_writer.h"
#include "catalog/format.h"

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

ReloadOutcome CatalogDocument::Reload(bool load_from_file) {
  ReloadOutcome outcome;
  std::error_code ec;
  if (load_from_file) file_identity_.reset();
  if (load_from_file && !catalog_file_name_.empty() &&
      std::filesystem::exists(catalog_file_name_, ec)) {
    try {
      FileIdentity identity;
      catalog_stream_ = LoadFile(catalog_file_name_, &identity);
      file_identity_ = identity;
    } catch (const CatalogError& error) {
      Clear();
      outcome.load_error = error.what();
      Notify(DocumentChange::kReloaded);
      return outcome;
    }
    undo_stream_ = Bytes();  // released, not just emptied
    undo_is_stream_ = true;
    state_ = snapshot_state_ = saved_state_ = ++next_state_;
    outcome.read_file = true;
  }
  BuildIndex(catalog_stream_, index_);
  // The index reports a missing magic as damage at offset 0; such bytes are some other file.
  if (outcome.read_file && index_.Damage && index_.Damage->offset == 0) {
    Clear();
    outcome.not_a_catalogue = true;
  }
  Notify(DocumentChange::kReloaded);
  return outcome;
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
  if (index_.Damage) {
    throw CatalogError("The catalogue is damaged at offset " +
                           std::to_string(index_.Damage->offset) +
                           "; a change saved would lose every record that could not be read",
                       ErrorKind::kDamaged, catalog_file_name_);
  }
}

void CatalogDocument::ApplyChange(Bytes bytes) {
  RequireChangeable();
  // The old stream is the snapshot: moved, not copied, so a change of a large catalogue holds
  // at most the stream, the outgoing snapshot and the new bytes at once.
  undo_stream_ = std::move(catalog_stream_);
  undo_is_stream_ = false;
  catalog_stream_ = std::move(bytes);
  snapshot_state_ = state_;
  state_ = ++next_state_;
  BuildIndex(catalog_stream_, index_);
  Notify(DocumentChange::kEdited);
}

void CatalogDocument::RequireRoomForDisk() const {
  RequireChangeable();
  quorvel::RequireRoomForDisk(catalog_stream_);
}

void CatalogDocument::AppendDisk(ByteView record) {
  RequireRoomForDisk();
  Bytes bytes;
  bytes.reserve(std::max(catalog_stream_.size(), static_cast<std::size_t>(kHeaderSize)) +
                record.size());
  bytes.assign(catalog_stream_.begin(), catalog_stream_.end());
  AppendDiskRecord(bytes, record);
  ApplyChange(std::move(bytes));
}

void CatalogDocument::Undo() {
  // The snapshot moves back: the stream then is the snapshot again, so a second Undo is the same
  // state, and no copy of a large catalogue is made.
  if (!undo_is_stream_) {
    catalog_stream_ = std::move(undo_stream_);
    undo_stream_ = Bytes();
    undo_is_stream_ = true;
  }
  state_ = snapshot_state_;
  BuildIndex(catalog_stream_, index_);
  Notify(DocumentChange::kUndone);
}

void CatalogDocument::Save() { SaveAs(catalog_file_name_); }

void CatalogDocument::SaveAs(const std::filesystem::path& path) {
  FileIdentity identity;
  SaveFileAtomically(path, catalog_stream_, &identity);
  UseFile(path);
  file_identity_ = identity;
  saved_state_ = state_;
  Notify(DocumentChange::kSaved);
}

bool CatalogDocument::FileChangedOnDisk() const {
  const std::optional<FileIdentity> now = IdentifyFile(catalog_file_name_);
  return now && now != file_identity_;
}

void CatalogDocument::Close() {
  Clear();
  Notify(DocumentChange::kClosed);
}

void CatalogDocument::Clear() {
  catalog_file_name_.clear();
  catalog_open_ = false;
  catalog_stream_ = Bytes();
  undo_stream_ = Bytes();
  undo_is_stream_ = false;
  index_ = CatalogIndex();
  file_identity_.reset();
  state_ = snapshot_state_ = saved_state_ = ++next_state_;
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
