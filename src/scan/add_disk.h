// Adding one disk to the open catalogue: the folder walked and the thumbnails captured into a
// record of their own, away from the document (on any thread), then the finished record
// appended as one change that can be undone (on the document's thread).
#ifndef QUORVEL_SCAN_ADD_DISK_H_
#define QUORVEL_SCAN_ADD_DISK_H_

#include <QStringList>
#include <cstdint>
#include <functional>

#include "catalog/stream.h"
#include "scan/capture_thumbnails.h"
#include "scan/scan_state.h"
#include "scan/scan_view.h"

namespace quorvel {

class CatalogDocument;
class ThumbnailPipeline;

// What an addition did, for the user to be told.
struct AddDiskSummary {
  std::int32_t found = 0;
  std::int32_t added = 0;
  QStringList unreadable;            // stored with the placeholder: they cannot be decoded
  QStringList skipped;               // stored with the placeholder: the wait for them ended
  QStringList read_errors;           // stored from the part read before an I/O error
  std::int32_t replaced_paths = 0;   // stored paths with characters that became "?"
  QStringList not_entered;           // sub-folders that could not be listed
  bool thumb_limit_reached = false;  // more were found than one disk can hold
  bool cancelled = false;            // stopped by the user: `added` of `found` are in
};

// A disk walked and captured, not yet in any catalogue.
struct ScannedDisk {
  Bytes record;  // the finished disk record, for CatalogDocument::AppendDisk
  AddDiskSummary summary;
};

// Chooses, once the walk has ended, the found files whose thumbnails are kept as they are.
using KeepPlan = std::function<KeptThumbnails(const ScanContext& walked)>;

// Walks `state.ScanFolder` and captures the disk `state.DiskName` of its images into a record of
// its own; touches no document. With `plan`, the files it keeps are stored without rendering
// (an update). Throws ScanError or CatalogError on a failure that ends the addition. Leaves
// ScanActive as it is; the lines are left showing where it ended.
ScannedDisk ScanDisk(ScanState& state, ScanView& view, ThumbnailPipeline& thumbs,
                     const KeepPlan& plan = {});

// Appends `disk` to `document` by one change (Modified set, the index rebuilt, the undo
// snapshot the catalogue before it), then clears the view's lines. On failure the CatalogError
// is rethrown and the document is exactly as it was, its undo included.
void AppendScannedDisk(CatalogDocument& document, ScanView& view, const ScannedDisk& disk);

// Both on one thread: adds the disk `state.DiskName` with the images of `state.ScanFolder` to
// `document`, which must be open. A catalogue that cannot take another disk is refused before
// the walk. On failure the ScanError or CatalogError is rethrown and the document is exactly as
// it was, its undo included. ScanActive is false when it returns either way.
AddDiskSummary AddDisk(CatalogDocument& document, ScanState& state, ScanView& view,
                       ThumbnailPipeline& thumbs);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_ADD_DISK_H_
