// The capture of the files the walk found: each one asked of the pipeline, waited for, put into
// the capture bitmap, shown, compressed and added to the disk record being built.
#ifndef QUORVEL_SCAN_CAPTURE_THUMBNAILS_H_
#define QUORVEL_SCAN_CAPTURE_THUMBNAILS_H_

#include "catalog/disk_record_writer.h"
#include "scan/scan_state.h"
#include "scan/scan_view.h"

namespace quorvel {

class ThumbnailPipeline;

// Adds one thumbnail record per file of `context.FoundFiles` to `record`, in order, each named
// by its full path (in Windows-1251, shortened from the left when longer than a record holds)
// and holding the facts the pipeline read of the file.
// Renders the next files ahead on the pipeline's threads while the current one is added; each
// file's wait sleeps on `state.Wake`, which the pipeline notifies when a render ends. Shows
// each stored picture through `view.ShowThumbnail`. A file that cannot be decoded, or is still
// rendering when its wait ends, is stored with the placeholder and listed in Unreadable or
// Skipped; one whose reading ended at an I/O error is listed in ReadErrors only, whatever its
// thumbnail. Stops at the first file after ScanActive has turned false (the file whose wait a
// stop ended before its render did is not stored), and after the most thumbnails a disk holds
// (ThumbLimitReached).
// Throws ScanError or CatalogError on a failure that must end the addition.
void CaptureThumbnails(ScanContext& context, ScanState& state, ScanView& view,
                       ThumbnailPipeline& thumbs, DiskRecordBuilder& record);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_CAPTURE_THUMBNAILS_H_
