#include "scan/add_disk.h"

#include <utility>

#include "catalog/catalog_document.h"
#include "catalog/disk_record_writer.h"
#include "catalog/format.h"
#include "scan/capture_thumbnails.h"
#include "scan/find_images.h"
#include "scan/thumb_control.h"

namespace quorvel {

AddDiskSummary AddDisk(CatalogDocument& document, ScanState& state, ScanView& view,
                       ThumbControl& thumb) {
  ScanContext context;
  try {
    document.RequireRoomForDisk();
    DiskRecordBuilder record(state.DiskName);
    context.CaptureBitmap = QImage(kThumbSide, kThumbSide, QImage::Format_RGB888);
    context.CaptureBitmap.fill(Qt::white);
    thumb.SetUseEmbeddedPreviews(state.UseEmbeddedPreviews);
    FindImages(context, state, view, thumb);
    CaptureThumbnails(context, state, view, thumb, record);
    view.SetProgress(0);
    document.AppendDisk(std::move(record).Finish());
  } catch (...) {
    state.ScanActive = false;
    throw;
  }
  view.SetStatusLine(QString());
  view.SetCounterLine(QString());
  state.ScanActive = false;
  return {.found = context.FoundCount,
          .added = state.AddedCount,
          .unreadable = context.Unreadable,
          .skipped = context.Skipped,
          .read_errors = context.ReadErrors,
          .replaced_paths = context.ReplacedPathCount,
          .not_entered = context.NotEntered,
          .thumb_limit_reached = context.ThumbLimitReached};
}

}  // namespace quorvel
