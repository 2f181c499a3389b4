// One state of a catalogue: its bytes, held as pieces, and their index. An edit makes a new
// version that shares with the old one every piece and every disk's thumbnails it leaves alone,
// so that keeping the old one for the undo costs the size of the change.
#ifndef QUORVEL_CATALOG_CATALOG_VERSION_H_
#define QUORVEL_CATALOG_CATALOG_VERSION_H_

#include <filesystem>
#include <memory>

#include "catalog/catalog_index.h"
#include "catalog/piece_list.h"
#include "catalog/stream.h"

namespace quorvel {

struct CatalogVersion {
  PieceList bytes;
  CatalogIndex index;

  // The JPEG bytes of `thumb` of `disk` (both of `index`). Throws as PieceList::Read does.
  Bytes Jpeg(const CatInfo& disk, const Disc& thumb) const {
    return bytes.Read(disk.JpegPos(thumb), thumb.JpegSize);
  }
};

// A catalogue made in memory, indexed.
CatalogVersion VersionOfBytes(Bytes bytes);

// The catalogue file at `path`, opened for reading by position and indexed by one pass over its
// records' fixed parts. Throws CatalogError when it cannot be opened or read.
CatalogVersion VersionOfFile(const std::filesystem::path& path);

// Saves the bytes of `version` to `path` as SaveFileAtomically does, the unchanged ranges of
// the file it was opened from copied by the kernel. Throws as SaveFileAtomically does, and
// CatalogError (kChangedOutside) when that file was changed in place since it was opened.
void SaveVersion(const std::filesystem::path& path, const CatalogVersion& version,
                 FileIdentity* written = nullptr, const ProgressCallback& progress = {});

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_VERSION_H_
