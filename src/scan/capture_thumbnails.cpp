#include "scan/capture_thumbnails.h"

#include <QPainter>
#include <QRegion>
#include <string>

#include "catalog/cp1251.h"
#include "catalog/format.h"
#include "platform/path_text.h"
#include "scan/placeholder_thumbnail.h"
#include "scan/scan_rules.h"
#include "scan/thumb_control.h"

namespace quorvel {
namespace {

const QString kAdding = QStringLiteral("Добавление эскиза: ");

void PaintInto(ThumbControl& thumb, QImage& bitmap) {
  thumb.render(&bitmap, QPoint(0, 0), QRegion(0, 0, kThumbSide, kThumbSide),
               QWidget::DrawWindowBackground | QWidget::DrawChildren);
}

}  // namespace

void CaptureThumbnails(ScanContext& context, ScanState& state, ScanView& view, ThumbControl& thumb,
                       DiskRecordBuilder& record) {
  state.AddedCount = 0;
  thumb.setVisible(true);
  thumb.ReadAhead(context.FoundFiles);
  struct StopReading {
    ThumbControl& thumb;
    ~StopReading() { thumb.StopReading(); }
  } stop_reading{thumb};
  const int count = static_cast<int>(context.FoundFiles.size());
  for (int i = 0; i < count; ++i) {
    if (record.ThumbCount() >= kMaxThumbsPerDisk) {
      context.ThumbLimitReached = true;
      return;
    }
    const QString path = context.FoundFiles[i];
    if (!thumb.ShowFile(path)) continue;
    if (!state.ScanActive) return;
    thumb.update();
    view.SetStatusLine(kAdding + path);
    view.SetCounterLine(
        QStringLiteral("Добавлено %1 из %2.").arg(state.AddedCount).arg(context.FoundCount));
    state.CurrentImageFile = path;
    view.SetProgress(CaptureProgress(i, static_cast<int>(context.FoundFiles.size())));
    state.SkipRequested = false;
    view.ProcessMessages();
    context.WaitSteps = 0;
    if (!thumb.ThumbnailReady()) {
      view.SetWaiting(true);
      ScanWait(view, state, context, [&thumb] { return thumb.ThumbnailReady(); });
      view.ProcessMessages();
      view.SetWaiting(false);
    }
    view.ProcessMessages();
    const ThumbControl::Status status = thumb.RenderStatus();
    // A file cut short by its medium is named for that, also when its part gave no picture.
    const bool read_failed = !thumb.ReadErrorText().isEmpty();
    if (read_failed) context.ReadErrors.append(path);
    if (status == ThumbControl::Status::kReady) {
      PaintInto(thumb, context.CaptureBitmap);
    } else {
      if (!read_failed) {
        (status == ThumbControl::Status::kFailed ? context.Unreadable : context.Skipped)
            .append(path);
      }
      QPainter painter(&context.CaptureBitmap);
      PaintPlaceholder(painter, context.CaptureBitmap.rect(), path);
    }
    ++state.AddedCount;
    bool replaced = false;
    const std::string name = FileNameToCp1251(PathBytes(path), &replaced);
    if (replaced) ++context.ReplacedPathCount;
    const QImage& bitmap = context.CaptureBitmap;
    record.AddThumbnail(StorableImagePath(name),
                        RgbView{bitmap.constBits(), bitmap.width(), bitmap.height(),
                                static_cast<int>(bitmap.bytesPerLine())},
                        &context.CaptureJpeg);
  }
}

}  // namespace quorvel
