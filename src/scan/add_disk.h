// Adding one disk to the open catalogue: the record begun, the folder walked, the thumbnails
// captured, the record patched and counted, all as one change that can be undone.
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
  std::int32_t replaced_paths = 0;   // stored paths with characters that became "?"
  QStringList not_entered;           // sub-folders that could not be listed
  bool thumb_limit_reached = false;  // more were found than one disk can hold
};

// Adds the disk `state.DiskName` with the images of `state.ScanFolder` to `document`, which
// must be open, appending in place. Success is one change of the document (Modified set, the
// index rebuilt, the undo snapshot the catalogue before it). On failure, the catalogue is put
// back exactly as it was and the ScanError or CatalogError is rethrown: no record with
// placeholders ever stays. ScanActive is false when it returns either way.
AddDiskSummary AddDisk(CatalogDocument& document, ScanState& state, ScanView& view,
                       ThumbControl& thumb);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_ADD_DISK_H_
