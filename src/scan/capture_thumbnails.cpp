#include "scan/capture_thumbnails.h"

#include <QPainter>
#include <string>

#include "catalog/cp1251.h"
#include "catalog/format.h"
#include "platform/path_text.h"
#include "scan/placeholder_thumbnail.h"
#include "scan/scan_rules.h"
#include "scan/thumbnail_pipeline.h"

namespace quorvel {
namespace {

const QString kAdding = QStringLiteral("Добавление эскиза: ");

}  // namespace

std::string StoredImageName(const QString& path, bool* replaced) {
  return StorableImagePath(FileNameToCp1251(PathBytes(path), replaced));
}

void CaptureThumbnails(ScanContext& context, ScanState& state, ScanView& view,
                       ThumbnailPipeline& thumbs, DiskRecordBuilder& record,
                       const KeptThumbnails& kept) {
  state.AddedCount = 0;
  thumbs.SetWake(state.Wake);
  QStringList rendered;
  for (int i = 0; i < context.FoundFiles.size(); ++i) {
    if (kept.SourceOf(i) < 0) rendered.append(context.FoundFiles[i]);
  }
  thumbs.ReadAhead(rendered);
  struct StopReading {
    ThumbnailPipeline& thumbs;
    ~StopReading() { thumbs.StopReading(); }
  } stop_reading{thumbs};
  const int count = static_cast<int>(context.FoundFiles.size());
  for (int i = 0; i < count; ++i) {
    if (record.ThumbCount() >= kMaxThumbsPerDisk) {
      context.ThumbLimitReached = true;
      return;
    }
    const QString path = context.FoundFiles[i];
    const int kept_source = kept.SourceOf(i);
    if (kept_source < 0 && !thumbs.ShowFile(path)) continue;
    if (!state.ScanActive) return;
    view.SetStatusLine(kAdding + path);
    view.SetCounterLine(
        QStringLiteral("Добавлено %1 из %2.").arg(state.AddedCount).arg(context.FoundCount));
    state.CurrentImageFile.Set(path);
    view.SetProgress(CaptureProgress(i, static_cast<int>(context.FoundFiles.size())));
    if (kept_source >= 0) {
      bool replaced = false;
      const std::string name = StoredImageName(path, &replaced);
      record.AddThumbnail(name, kept.jpeg(kept_source));
      if (replaced) ++context.ReplacedPathCount;
      ++state.AddedCount;
      continue;
    }
    state.SkipRequested = false;
    context.WaitSteps = 0;
    if (!thumbs.ResultReady()) {
      view.SetWaiting(true);
      ScanWait(view, state, context, [&thumbs] { return thumbs.ResultReady(); });
      view.SetWaiting(false);
    }
    const ThumbnailResult result = thumbs.Result();
    // "Отмена" ended the wait: the file was never seen whole, and a placeholder would stand in
    // the catalogue for a picture that may be good.
    if (!state.ScanActive && result.status == ThumbnailResult::Status::kRendering) return;
    // A file cut short by its medium is named for that, also when its part gave no picture.
    const bool read_failed = !result.read_error.isEmpty();
    if (read_failed) context.ReadErrors.append(path);
    if (result.status == ThumbnailResult::Status::kReady) {
      // The thumbnail covers the whole square and is opaque: its pixels as they are.
      context.CaptureBitmap = result.thumbnail.convertToFormat(QImage::Format_RGB888);
    } else {
      if (!read_failed) {
        (result.status == ThumbnailResult::Status::kFailed ? context.Unreadable : context.Skipped)
            .append(path);
      }
      QPainter painter(&context.CaptureBitmap);
      PaintPlaceholder(painter, context.CaptureBitmap.rect(), path);
    }
    view.ShowThumbnail(context.CaptureBitmap, path);
    ++state.AddedCount;
    bool replaced = false;
    const std::string name = StoredImageName(path, &replaced);
    if (replaced) ++context.ReplacedPathCount;
    const QImage& bitmap = context.CaptureBitmap;
    // The facts are the file's, not its picture's: a placeholder keeps those known too (the
    // size and time of a file that does not decode, what its header held before the damage),
    // so that the file is found by them. A file skipped while it rendered has none yet. A
    // placeholder says that it shows no picture, so that it is never taken for a copy of another.
    PictureFacts facts = result.facts;
    facts.no_picture = result.status != ThumbnailResult::Status::kReady;
    // A thumbnail of the part read cannot pass for the whole file's: without its time, an
    // update reads the file again rather than keep it.
    if (read_failed) facts.modified.reset();
    record.AddThumbnail(name,
                        RgbView{bitmap.constBits(), bitmap.width(), bitmap.height(),
                                static_cast<int>(bitmap.bytesPerLine())},
                        &context.CaptureJpeg, facts);
  }
}

}  // namespace quorvel
