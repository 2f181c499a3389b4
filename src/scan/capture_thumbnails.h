// The capture of the files the walk found: each one shown by the renderer, waited for, painted
// into the capture bitmap, compressed and appended to the disk record being written.
#ifndef QUORVEL_SCAN_CAPTURE_THUMBNAILS_H_
#define QUORVEL_SCAN_CAPTURE_THUMBNAILS_H_

#include "catalog/disk_record_writer.h"
#include "catalog/stream.h"
#include "scan/scan_state.h"
#include "scan/scan_view.h"

namespace quorvel {

class ThumbControl;

// Appends one thumbnail record per file of `context.FoundFiles` to `stream`, in order, each
// named by its full path (in Windows-1251, shortened from the left when longer than a record
// holds). Renders the next files ahead on the renderer's threads while the current one is
// appended. A file that cannot be decoded, or is still rendering when its wait ends, is stored
// with the placeholder and listed in Unreadable or Skipped. Stops at the first file after
// ScanActive has turned false, and after the most thumbnails a disk holds (ThumbLimitReached).
// Throws ScanError or CatalogError on a failure that must end the addition.
void CaptureThumbnails(ScanContext& context, ScanState& state, ScanView& view, ThumbControl& thumb,
                       Bytes& stream, DiskRecordHead& head);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_CAPTURE_THUMBNAILS_H_
