// Updating a catalogued disk from a folder: the walk of an addition, with the files that have
// not changed since they were catalogued (the same path below the disk's folder, size and
// modification time as their thumbnails' facts) kept byte for byte without being opened, the
// new and changed ones read and rendered, and the thumbnails of files gone left out. The new
// record is built away from the document (on any thread) and replaces the old one as one change.
#ifndef QUORVEL_SCAN_UPDATE_DISK_H_
#define QUORVEL_SCAN_UPDATE_DISK_H_

#include <cstdint>
#include <string>

#include "catalog/catalog_version.h"
#include "catalog/stream.h"
#include "scan/add_disk.h"
#include "scan/scan_state.h"
#include "scan/scan_view.h"

namespace quorvel {

class CatalogDocument;
class ThumbnailPipeline;

// What an update found, file by file.
struct DiskUpdateCounts {
  std::int32_t added = 0;          // files without a thumbnail before
  std::int32_t changed = 0;        // files whose size or time differ from their facts
  std::int32_t removed = 0;        // thumbnails whose file the walk did not find
  std::int32_t unchanged = 0;      // thumbnails kept byte for byte
  std::int32_t without_facts = 0;  // thumbnails without a stored size and time: made again
};

// A disk walked again, not yet in the catalogue.
struct UpdatedDisk {
  Bytes record;  // the disk's new record, under its name, for ApplyUpdatedDisk
  // The disk's name (Windows-1251) when it was scanned: the disk ApplyUpdatedDisk replaces
  // must still bear it.
  std::string disk_name;
  // As an addition's: `found` and `added` count every file, kept ones included; the lists name
  // only files read now. Cancelled: the record must not replace the disk.
  AddDiskSummary summary;
  DiskUpdateCounts counts;
};

// Walks `state.ScanFolder` with the addition's rules and builds the new record of disk `disk` of
// `catalogued` (a copy of the document's version, so that this may run on a thread of its own),
// its thumbnails in the walk's order; sets `state.DiskName` to the disk's name. Each file is
// matched with the old thumbnail of the same path below the folders the two share. Throws as
// ScanDisk does, and CatalogError when there is no disk `disk`. Leaves ScanActive as it is.
UpdatedDisk ScanDiskUpdate(const CatalogVersion& catalogued, int disk, ScanState& state,
                           ScanView& view, ThumbnailPipeline& thumbs);

// Replaces disk `disk` of `document` by `updated.record` as one change that can be undone,
// then clears the view's lines. Throws CatalogError, the document unchanged, when the update was
// cancelled, the disk is no longer the one scanned (another name) or the catalogue must not be
// changed.
void ApplyUpdatedDisk(CatalogDocument& document, int disk, ScanView& view,
                      const UpdatedDisk& updated);

// Both on one thread (`qrvtool update`). Cancelled, the document is unchanged (the result says
// so); on failure the error is rethrown, the document unchanged. ScanActive is false when it
// returns either way.
UpdatedDisk UpdateDisk(CatalogDocument& document, int disk, ScanState& state, ScanView& view,
                       ThumbnailPipeline& thumbs);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_UPDATE_DISK_H_
