// The open catalogue as one document: its file name, its bytes, the undo snapshot and the index.
//
// Standard C++: the window reads it and asks it to reload; it never edits the bytes itself.
#ifndef QUORVEL_CATALOG_CATALOG_DOCUMENT_H_
#define QUORVEL_CATALOG_CATALOG_DOCUMENT_H_

#include <filesystem>
#include <string>

#include "catalog/catalog_index.h"
#include "catalog/stream.h"

namespace quorvel {

// How a reload went, beyond the index it left behind.
struct ReloadOutcome {
  bool read_file = false;        // the stream was replaced by the file's bytes
  bool not_a_catalogue = false;  // the file was read but lacks the magic; nothing is open now
  std::string load_error;        // non-empty: the file could not be read; nothing is open now
};

class CatalogDocument {
 public:
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

  const std::filesystem::path& CatalogFileName() const { return catalog_file_name_; }
  bool CatalogOpen() const { return catalog_open_; }
  const Bytes& CatalogStream() const { return catalog_stream_; }
  const Bytes& UndoStream() const { return undo_stream_; }
  const CatalogIndex& Index() const { return index_; }

 private:
  std::filesystem::path catalog_file_name_;  // CatalogFileName: empty when none
  bool catalog_open_ = false;                // CatalogOpen: a catalogue file is current
  Bytes catalog_stream_;                     // CatalogStream: the whole catalogue
  Bytes undo_stream_;                        // UndoStream: the one undo snapshot
  CatalogIndex index_;                       // Disks and DiskCount, rebuilt by every Reload
};

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_DOCUMENT_H_
