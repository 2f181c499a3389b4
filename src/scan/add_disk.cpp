#include "scan/add_disk.h"

#include <utility>

#include "catalog/catalog_document.h"
#include "catalog/disk_record_writer.h"
#include "catalog/format.h"
#include "scan/capture_thumbnails.h"
#include "scan/find_images.h"
#include "scan/thumbnail_pipeline.h"

namespace quorvel {

ScannedDisk ScanDisk(ScanState& state, ScanView& view, ThumbnailPipeline& thumbs,
                     const KeepPlan& plan) {
  ScanContext context;
  DiskRecordBuilder record(state.DiskName);
  context.CaptureBitmap = QImage(kThumbSide, kThumbSide, QImage::Format_RGB888);
  context.CaptureBitmap.fill(Qt::white);
  thumbs.SetUseEmbeddedPreviews(state.UseEmbeddedPreviews);
  FindImages(context, state, view, thumbs);
  // After "Отмена" in the walk nothing is captured: no plan is worth its stats then.
  const KeptThumbnails kept = plan && state.ScanActive ? plan(context) : KeptThumbnails{};
  CaptureThumbnails(context, state, view, thumbs, record, kept);
  view.SetProgress(0);
  return {.record = std::move(record).Finish(),
          .summary = {.found = context.FoundCount,
                      .added = state.AddedCount,
                      .unreadable = context.Unreadable,
                      .skipped = context.Skipped,
                      .read_errors = context.ReadErrors,
                      .replaced_paths = context.ReplacedPathCount,
                      .not_entered = context.NotEntered,
                      .thumb_limit_reached = context.ThumbLimitReached,
                      // Only a stop clears it while the disk is scanned.
                      .cancelled = !state.ScanActive}};
}

void AppendScannedDisk(CatalogDocument& document, ScanView& view, const ScannedDisk& disk) {
  document.AppendDisk(disk.record);
  view.SetStatusLine(QString());
  view.SetCounterLine(QString());
}

AddDiskSummary AddDisk(CatalogDocument& document, ScanState& state, ScanView& view,
                       ThumbnailPipeline& thumbs) {
  AddDiskSummary summary;
  try {
    document.RequireRoomForDisk();
    const ScannedDisk disk = ScanDisk(state, view, thumbs);
    AppendScannedDisk(document, view, disk);
    summary = disk.summary;
  } catch (...) {
    state.ScanActive = false;
    throw;
  }
  state.ScanActive = false;
  return summary;
}

}  // namespace quorvel
