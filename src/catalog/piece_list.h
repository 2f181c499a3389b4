// A catalogue as the file it was read from plus the bytes written since: a list of pieces, each
// a range of that file or a block of new bytes. An edit makes a new list that shares every
// unchanged piece with the old one, so that it costs the size of the change, not of the file,
// and the old list stays whole for the undo.
#ifndef QUORVEL_CATALOG_PIECE_LIST_H_
#define QUORVEL_CATALOG_PIECE_LIST_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "catalog/file_identity.h"
#include "catalog/stream.h"

namespace quorvel {

// A catalogue file held open for reading, read by position, never mapped: another program that
// cuts or rewrites it in place makes a read fail with a CatalogError, never the process crash.
// A file replaced by rename (the usual save) goes on being read as it was opened.
class OpenedCatalogFile {
 public:
  // Opens `path` (a regular file only). Throws CatalogError (kFileAccess) when it cannot.
  explicit OpenedCatalogFile(const std::filesystem::path& path);
  ~OpenedCatalogFile();
  OpenedCatalogFile(const OpenedCatalogFile&) = delete;
  OpenedCatalogFile& operator=(const OpenedCatalogFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The file's size and identity when it was opened.
  std::int64_t Size() const { return static_cast<std::int64_t>(identity_.size); }
  const FileIdentity& Identity() const { return identity_; }

  // Reads `out.size()` bytes at `offset` (within Size()). Throws CatalogError (kChangedOutside)
  // when the file no longer holds them, or they are no longer the bytes it held when it was
  // opened as far as its size and modification time tell; kFileAccess for a read error.
  void Read(std::int64_t offset, std::span<std::uint8_t> out) const;

  // Throws CatalogError (kChangedOutside) when the open file is no longer the version that was
  // opened, as far as its size and modification time tell.
  void RequireUnchanged() const;

  int Descriptor() const { return fd_; }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  FileIdentity identity_;
};

class PieceList {
 public:
  // An empty catalogue.
  PieceList() = default;
  // The whole of `file`, as one piece.
  explicit PieceList(std::shared_ptr<const OpenedCatalogFile> file);
  // `bytes`, as one block (a catalogue made in memory).
  explicit PieceList(Bytes bytes);

  std::int64_t Size() const { return size_; }
  // How many pieces: an edit adds at most two.
  std::size_t PieceCount() const { return pieces_.size(); }

  // The bytes at [offset, offset + out.size()), which must lie within Size(). Throws as
  // OpenedCatalogFile::Read does for the file's pieces.
  void Read(std::int64_t offset, std::span<std::uint8_t> out) const;
  Bytes Read(std::int64_t offset, std::int64_t count) const;

  // The list with the bytes at [offset, offset + count) replaced by `bytes` (either may be
  // empty: an insertion, a removal). Throws CatalogError (kRefused) for a range outside the list.
  PieceList Replaced(std::int64_t offset, std::int64_t count, Bytes bytes) const;
  // The list with `other`'s bytes [offset, offset + count) appended, sharing its pieces.
  PieceList Appended(const PieceList& other, std::int64_t offset, std::int64_t count) const;

  // The same two in place, for building a list front to back.
  void Append(Bytes bytes);
  void Append(const PieceList& other, std::int64_t offset, std::int64_t count);

  // Writes the whole list to `fd` from its current position: the file's pieces by
  // copy_file_range, so that the kernel copies (or, where the file system can, shares) them
  // without passing through the program, with read and write where it cannot. Throws
  // CatalogError (kFileAccess) naming `target` when a write fails, and as Read does.
  // `progress`, when given, hears how many bytes are written of Size() now and then.
  void WriteTo(int fd, const std::filesystem::path& target,
               const std::function<void(std::int64_t, std::int64_t)>& progress = {}) const;

  // Every byte, in one block: for small catalogues and the tests.
  Bytes Flatten() const { return Read(0, size_); }

 private:
  struct Piece {
    std::shared_ptr<const Bytes> block;             // set: a block of new bytes
    std::shared_ptr<const OpenedCatalogFile> file;  // else a range of this file
    std::int64_t start = 0;                         // in the block, or in the file
    std::int64_t length = 0;
  };

  // Appends `piece` (non-empty), joining it to the last one when they continue each other.
  void Add(const Piece& piece);
  // Calls visit(piece, start in its block or file, length, bytes before it) for each part of a
  // piece that [offset, offset + count) covers, front to back.
  template <typename Visit>
  void ForEachPart(std::int64_t offset, std::int64_t count, Visit visit) const;
  // Adds this list's pieces over [offset, offset + count) to `to`.
  void CopyRange(std::int64_t offset, std::int64_t count, PieceList& to) const;
  // The index of the piece holding `offset` and that piece's first position in the list.
  std::pair<std::size_t, std::int64_t> Locate(std::int64_t offset) const;

  std::vector<Piece> pieces_;
  std::vector<std::int64_t> starts_;  // each piece's first position in the list
  std::int64_t size_ = 0;
};

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_PIECE_LIST_H_
