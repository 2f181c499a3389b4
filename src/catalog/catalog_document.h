// The open catalogue as one document: its file name, the version of its content shown now and
// the versions the undo and redo go to. A version holds the file as it was opened plus the bytes
// written since (a piece table): opening reads the records' fixed parts, a thumbnail's JPEG is
// read when it is wanted, and each change costs the size of what it changes.
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
#include "catalog/catalog_merge.h"
#include "catalog/catalog_version.h"
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
  kUndone,    // Undo or Redo
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
  // catalogue open. The content arrives only with the next Reload(true).
  void UseStartupFile(const std::filesystem::path& name);

  // With `load_from_file` set and CatalogFileName naming an existing file, opens it anew and
  // indexes it: the history starts again from it. A file that cannot be read, or that is not
  // empty and does not begin with the magic, closes the document instead, so that nothing is
  // ever saved or appended over such a file. Without, only tells the listeners again.
  ReloadOutcome Reload(bool load_from_file, const ProgressCallback& progress = {});

  // No catalogue: empty name, empty content, no history.
  void Close();

  // Makes `path` the current catalogue file (New, Open, Save As); its content arrives with the
  // next Reload(true), which also clears Modified.
  void UseFile(const std::filesystem::path& path);

  // Creates `path` as an empty file (an existing one is cut to nothing) and makes it current.
  // Throws CatalogError ("Cannot create file ...") with nothing changed when it cannot.
  void New(const std::filesystem::path& path);

  // Throws CatalogError, whose text says so, when the catalogue must not be changed: its bytes
  // are damaged, and a change built from the part that could be read would lose the rest once
  // saved. Every change below refuses in the same way, with nothing changed.
  void RequireChangeable() const;

  // Makes `version` (built from Current by one of the changes of catalog_edits.h, which `edit`
  // tells) the catalogue as one change: what the redo held is dropped, Modified is set.
  void ApplyChange(CatalogVersion version, CatalogEdit edit);

  // Throws CatalogError, whose text says so, when AppendDisk would refuse: the catalogue is
  // damaged or already holds 65535 disks. Asked before a scan, so that no one waits for nothing.
  void RequireRoomForDisk() const;

  // Appends the disk `record` (DiskRecordBuilder::Finish) as one change, like ApplyChange: an
  // empty catalogue first gets the header, one cut short is completed, and the disk is counted.
  // Refuses as RequireRoomForDisk does, with nothing changed.
  void AppendDisk(ByteView record);

  // Goes back one change, or forward again one that was undone; each costs what the change
  // did. Modified stays set unless that is the state last read from or written to the file, so
  // closing still asks about changes that were never saved.
  bool CanUndo() const { return position_ > 0; }
  bool CanRedo() const { return position_ + 1 < history_.size(); }
  void Undo();
  void Redo();

  // Writes the content to CatalogFileName: the unchanged ranges of the opened file are copied by
  // the kernel, and the old file is replaced only once the whole content is written, so a
  // failure leaves it intact. Clears Modified. Throws CatalogError ("Cannot create file ...",
  // or the opened file changed in place since) with the document unchanged, Modified included.
  void Save(const ProgressCallback& progress = {});

  // The same to `path`, which then is the current file.
  void SaveAs(const std::filesystem::path& path, const ProgressCallback& progress = {});

  // True when CatalogFileName names a file other than the one last read from or written to it
  // (another program has replaced or changed it since), or a file that appeared there when
  // there was none. False when there is no such file now: saving then loses nothing.
  bool FileChangedOnDisk() const;

  // True when the changes made since the file was last read or written can be made again on
  // another version of it (Merge): the way there is a line of changes, none of them undone
  // past that point.
  bool CanMerge() const;

  // Opens the file as it is now, makes this document's changes since it was last read or
  // written again on it, and saves the result; the history then starts from it, and the
  // listeners hear kReloaded once it is written (until then the document shows what it did).
  // What no longer applies is left out and returned. Throws as Reload and Save do, with the
  // document unchanged.
  std::vector<LeftOut> Merge(const ProgressCallback& progress = {});

  bool Modified() const { return catalog_open_ && Step().state != saved_state_; }

  const std::filesystem::path& CatalogFileName() const { return catalog_file_name_; }
  bool CatalogOpen() const { return catalog_open_; }
  const CatalogVersion& Current() const { return Step().version; }
  const CatalogIndex& Index() const { return Step().version.index; }
  // The JPEG bytes of a thumbnail of Index(). Throws CatalogError when the file can no longer
  // be read (kChangedOutside: another program cut or rewrote it in place).
  Bytes Jpeg(const CatInfo& disk, const Disc& thumb) const { return Current().Jpeg(disk, thumb); }

  // Calls `listener` once after each of Reload, Close, New, ApplyChange, AppendDisk, Undo, Redo,
  // Save, SaveAs and Merge has finished (not when one refuses or fails), in the order the
  // listeners were added. UseStartupFile and UseFile only name the file; the Reload(true) that
  // follows them tells. The returned id removes the listener, which must happen before it goes
  // away if the document outlives it. A listener must not add or remove listeners.
  int AddListener(Listener listener);
  void RemoveListener(int id);

 private:
  // One state of the history: a version and the change that led to it.
  struct HistoryStep {
    CatalogVersion version;
    CatalogEdit edit;         // what made it from the step before; unused for the first
    std::uint64_t state = 0;  // tells states apart, for Modified
  };

  const HistoryStep& Step() const { return history_[position_]; }
  // The history as one step of `version`, read from or written to the file.
  void StartHistory(CatalogVersion version);
  // Writes the current content to `path`; the current version then reads the new file.
  void WriteTo(const std::filesystem::path& path, const ProgressCallback& progress);
  // After the current content was written to `path` as `identity`: that is the saved state.
  void Written(const std::filesystem::path& path, const FileIdentity& identity);
  void Notify(DocumentChange change) const;
  // Close without telling the listeners, for the calls that tell them once at their end.
  void Clear();

  std::filesystem::path catalog_file_name_;  // CatalogFileName: empty when none
  bool catalog_open_ = false;                // CatalogOpen: a catalogue file is current
  std::vector<HistoryStep> history_ = std::vector<HistoryStep>(1);  // never empty
  std::size_t position_ = 0;                 // the current step
  // The file as last read or written, so that a change made by someone else is noticed.
  std::optional<FileIdentity> file_identity_;
  std::uint64_t saved_state_ = 0;  // the content last read from or written to the file
  std::uint64_t next_state_ = 0;

  std::vector<std::pair<int, Listener>> listeners_;
  int next_listener_ = 0;
};

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_DOCUMENT_H_
