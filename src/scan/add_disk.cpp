#include "scan/add_disk.h"

#include "catalog/catalog_document.h"
#include "catalog/disk_record_writer.h"
#include "catalog/format.h"
#include "scan/capture_thumbnails.h"
#include "scan/find_images.h"

namespace quorvel {

AddDiskSummary AddDisk(CatalogDocument& document, ScanState& state, ScanView& view,
                       ThumbControl& thumb) {
  Bytes& stream = document.BeginAppend();
  ScanContext context;
  try {
    DiskRecordHead head = BeginDiskRecord(stream, state.DiskName);
    context.CaptureBitmap = QImage(kThumbSide, kThumbSide, QImage::Format_RGB888);
    context.CaptureBitmap.fill(Qt::white);
    FindImages(context, state, view, thumb);
    CaptureThumbnails(context, state, view, thumb, stream, head);
    view.SetProgress(0);
    FinishDiskRecord(stream, head);
  } catch (...) {
    document.EndAppend(false);
    state.ScanActive = false;
    throw;
  }
  view.SetStatusLine(QString());
  view.SetCounterLine(QString());
  document.EndAppend(true);
  state.ScanActive = false;
  return {.found = context.FoundCount,
          .added = state.AddedCount,
          .unreadable = context.Unreadable,
          .skipped = context.Skipped,
          .replaced_paths = context.ReplacedPathCount,
          .not_entered = context.NotEntered,
          .thumb_limit_reached = context.ThumbLimitReached};
}

}  // namespace quorvel
