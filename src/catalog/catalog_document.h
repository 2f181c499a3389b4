// The open catalogue as one document: its file name, its bytes, the undo snapshot and the index.
//
// Standard C++: the window reads it and asks it to reload; it never edits the bytes itself.
// Whoever shows it listens for its changes (AddListener) instead of being told by each caller.
#ifndef QUORVEL_CATALOG_CATALOG_DOCUMENT_H_
#define QUORVEL_CATALOG_CATALOG_DOCUMENT_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalog/catalog_index.h"
#include "catalog/file_identity.h"
#include "catalog/stream.h"

namespace quorvel {

// How a reload went, beyond the index it left behind.
struct ReloadOutcome {
  bool read_file = false;        // the stream was replaced by the file's bytes
  bool not_a_catalogue = false;  // the file was read but lacks the magic; nothing is open now
  std::string load_error;        // non-empty: the file could not be read; nothing is open now
};

// What a change of the document was. Each names a call that finished: the listener reads the
// document as it is now, whatever the way its bytes are held.
enum class DocumentChange {
  kEdited,    // ApplyChange or AppendDisk: the catalogue's content changed
  kUndone,    // Undo
  kReloaded,  // Reload: the index was rebuilt, from the file when it was asked to read it
  kSaved,     // Save or SaveAs: the same content, now unmodified, maybe under another file name
  kCreated,   // New: the file name changed; the content arrives with the next Reload(true)
  kClosed,    // Close
};

class CatalogDocument {
 public:
  using Listener = std::function<void(DocumentChange)>;

  CatalogDocument() = default;
  CatalogDocument(const CatalogDocument&) = delete;
  CatalogDocument& operator=(const CatalogDocument&) = delete;

  // Makes `name` the catalogue to load when a file of that name exists; otherwise leaves no
  // catalogue open. The bytes arrive only with the next Reload(true).
  void UseStartupFile(const std::filesystem::path& name);

  // Rebuilds the index from CatalogStream. With `load_from_file` set and CatalogFileName naming
  // an existing file, first replaces the stream by the whole file and takes the undo snapshot.
  // A file that cannot be read, or that is not empty and does not begin with the magic, closes
  // the document instead, so that nothing is ever saved or appended over such a file.
  ReloadOutcome Reload(bool load_from_file);

  // No catalogue: empty name, empty streams, empty index.
  void Close();

  // Makes `path` the current catalogue file (New, Open, Save As); its bytes arrive with the
  // next Reload(true), which also clears Modified.
  void UseFile(const std::filesystem::path& path);

  // Creates `path` as an empty file (an existing one is cut to nothing) and makes it current.
  // Throws CatalogError ("Cannot create file ...") with nothing changed when it cannot.
  void New(const std::filesystem::path& path);

  // Throws CatalogError, whose text says so, when the catalogue must not be changed: its bytes
  // are damaged, and a change built from the part that could be read would lose the rest once
  // saved. Every change below refuses in the same way, with nothing changed.
  void RequireChangeable() const;

  // Makes `bytes` the catalogue as one change: the stream as it was becomes the undo snapshot,
  // the index is rebuilt and Modified is set.
  void ApplyChange(Bytes bytes);

  // Throws CatalogError, whose text says so, when AppendDisk would refuse: the catalogue is
  // damaged or already holds 65535 disks. Asked before a scan, so that no one waits for nothing.
  void RequireRoomForDisk() const;

  // Appends the disk `record` (DiskRecordBuilder::Finish) as one change, like ApplyChange: an
  // empty stream first gets the header, one cut short is completed, and the disk is counted.
  // Refuses as RequireRoomForDisk does, with nothing changed.
  void AppendDisk(ByteView record);

  // Puts back the catalogue as it was before the last change; the snapshot stays. Modified
  // stays set unless that is the state last read from or written to the file, so closing still
  // asks about changes that were never saved.
  void Undo();

  // Writes the stream to CatalogFileName; the old file is replaced only once the whole stream
  // is written, so a failure leaves it intact. Clears Modified. Throws CatalogError ("Cannot
  // create file ...") with the document unchanged, Modified included.
  void Save();

  // The same to `path`, which then is the current file (the caller reloads from it).
  void SaveAs(const std::filesystem::path& path);

  // True when CatalogFileName names a file other than the one last read from or written to it
  // (another program has replaced or changed it since), or a file that appeared there when
  // there was none. False when there is no such file now: saving then loses nothing.
  bool FileChangedOnDisk() const;

  bool Modified() const { return catalog_open_ && state_ != saved_state_; }

  const std::filesystem::path& CatalogFileName() const { return catalog_file_name_; }
  bool CatalogOpen() const { return catalog_open_; }
  const Bytes& CatalogStream() const { return catalog_stream_; }
  // The catalogue that Undo puts back: right after a load, the stream itself.
  const Bytes& UndoStream() const { return undo_is_stream_ ? catalog_stream_ : undo_stream_; }
  const CatalogIndex& Index() const { return index_; }

  // Calls `listener` once after each of Reload, Close, New, ApplyChange, AppendDisk, Undo, Save
  // and SaveAs has finished (not when one refuses or fails), in the order the listeners were
  // added. UseStartupFile and UseFile only name the file; the Reload(true) that follows them
  // tells. The returned id removes the listener, which must happen before it goes away if the
  // document outlives it. A listener must not add or remove listeners.
  int AddListener(Listener listener);
  void RemoveListener(int id);

 private:
  void Notify(DocumentChange change) const;
  // Close without telling the listeners, for the calls that tell them once at their end.
  void Clear();

  std::filesystem::path catalog_file_name_;  // CatalogFileName: empty when none
  bool catalog_open_ = false;                // CatalogOpen: a catalogue file is current
  Bytes catalog_stream_;                     // CatalogStream: the whole catalogue
  Bytes undo_stream_;                        // UndoStream: the one undo snapshot
  // Set from a load until the first change: the snapshot would be a copy of the stream, so it
  // is not made (a whole extra copy of a large catalogue on every open).
  bool undo_is_stream_ = false;
  CatalogIndex index_;  // Disks and DiskCount, rebuilt by every Reload
  // The file as last read or written, so that a change made by someone else is noticed.
  std::optional<FileIdentity> file_identity_;

  // Every content the stream takes gets a number, so that Modified can tell whether the stream
  // holds what the file holds, and Undo which state it returns to.
  std::uint64_t state_ = 0;           // the stream's content now
  std::uint64_t snapshot_state_ = 0;  // the content UndoStream holds
  std::uint64_t saved_state_ = 0;     // the content last read from or written to the file
  std::uint64_t next_state_ = 0;

  std::vector<std::pair<int, Listener>> listeners_;
  int next_listener_ = 0;
};

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_DOCUMENT_H_
