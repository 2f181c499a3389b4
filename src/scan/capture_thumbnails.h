// The capture of the files the walk found: each one asked of the pipeline, waited for, put into
// the capture bitmap, shown, compressed and added to the disk record being built.
#ifndef QUORVEL_SCAN_CAPTURE_THUMBNAILS_H_
#define QUORVEL_SCAN_CAPTURE_THUMBNAILS_H_

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "catalog/disk_record_writer.h"
#include "catalog/stream.h"
#include "scan/scan_state.h"
#include "scan/scan_view.h"

namespace quorvel {

class ThumbnailPipeline;

// The files of a walk whose thumbnails already stand as they are to be stored: an update's
// unchanged files, which are then neither read nor rendered.
struct KeptThumbnails {
  // By index of ScanContext::FoundFiles: the stored thumbnail the file keeps, as `jpeg` knows
  // it, or -1 (also past the end) for a file to render.
  std::vector<int> source;
  // The JPEG bytes of stored thumbnail `source`, fetched when the capture comes to its file.
  std::function<Bytes(int source)> jpeg;

  int SourceOf(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < source.size() ? source[index] : -1;
  }
};

// The image name a capture stores for the file at `path`: its full path in Windows-1251,
// shortened from the left when longer than a record holds. `replaced` is set when a character
// Windows-1251 has not became "?".
std::string StoredImageName(const QString& path, bool* replaced = nullptr);

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
// The files that `kept` names are stored in their place with their kept JPEG, under their own
// path, counted and shown on the lines and the progress bar but not opened nor rendered (nor
// shown as a picture).
// Throws ScanError or CatalogError on a failure that must end the addition.
void CaptureThumbnails(ScanContext& context, ScanState& state, ScanView& view,
                       ThumbnailPipeline& thumbs, DiskRecordBuilder& record,
                       const KeptThumbnails& kept = {});

}  // namespace quorvel

#endif  // QUORVEL_SCAN_CAPTURE_THUMBNAILS_H_
