// Adding one disk to the open catalogue: the folder walked, the thumbnails captured into a
// record of their own, and the finished record appended as one change that can be undone.
#ifndef QUORVEL_SCAN_ADD_DISK_H_
#define QUORVEL_SCAN_ADD_DISK_H_

#include <QStringList>
#include <cstdint>

#include "scan/scan_state.h"
#include "scan/scan_view.h"

namespace quorvel {

class CatalogDocument;
class ThumbControl;

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
};

// Adds the disk `state.DiskName` with the images of `state.ScanFolder` to `document`, which
// must be open. The walk and the capture fill a record of their own; the document is touched
// once, at the end, by one change (Modified set, the index rebuilt, the undo snapshot the
// catalogue before it). A catalogue that cannot take another disk is refused before the walk.
// On failure the ScanError or CatalogError is rethrown and the document is exactly as it was,
// its undo included. ScanActive is false when it returns either way.
AddDiskSummary AddDisk(CatalogDocument& document, ScanState& state, ScanView& view,
                       ThumbControl& thumb);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_ADD_DISK_H_
