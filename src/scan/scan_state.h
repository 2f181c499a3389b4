// The state of a disk being added: the flags and parameters the page's buttons and the running
// scan share, and the working record that the walk and the capture are lent. The scan runs on a
// thread of its own; the buttons set its flags from the window's.
#ifndef QUORVEL_SCAN_SCAN_STATE_H_
#define QUORVEL_SCAN_SCAN_STATE_H_

#include <QImage>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "catalog/catalog_error.h"
#include "catalog/thumbnail_jpeg.h"
#include "scan/scan_wake.h"

namespace quorvel {

// A value one thread sets while another may read it.
template <typename T>
class Guarded {
 public:
  T Get() const {
    const std::lock_guard lock(mutex_);
    return value_;
  }
  void Set(T value) {
    const std::lock_guard lock(mutex_);
    value_ = std::move(value);
  }

 private:
  mutable std::mutex mutex_;
  T value_{};
};

// One per program, owned by the add-disk page (and by `qrvtool add`). The flags may be set from
// any thread; the parameters are set before a scan starts and read by it.
struct ScanState {
  std::atomic<bool> ScanActive = false;     // an addition is running; cleared to stop it
  std::atomic<bool> SkipRequested = false;  // the user asked to end the current wait
  // Woken whenever a flag is set through RequestSkip or RequestStop, so that a wait sees it at
  // once; the pipeline wakes it too when a render ends.
  std::shared_ptr<ScanWake> Wake = std::make_shared<ScanWake>();
  bool IncludeSubfolders = true;
  // Whether a camera JPEG is rendered from the preview it holds, when that is usable.
  bool UseEmbeddedPreviews = true;
  QString ScanFolder;
  std::string DiskName;         // Windows-1251
  std::int32_t AddedCount = 0;  // thumbnails written for the disk being added
  // The image last handed to the capture; kept between additions.
  Guarded<QString> CurrentImageFile;

  // "Пропустить": ends the current wait.
  void RequestSkip() {
    SkipRequested = true;
    Wake->Notify();
  }
  // "Отмена" during an addition: ends the current wait and stops; the file being waited for is
  // stored only if its render has ended.
  void RequestStop() {
    ScanActive = false;
    SkipRequested = true;
    Wake->Notify();
  }
};

// One per addition.
struct ScanContext {
  QStringList FoundFiles;  // full paths, in the order the walk found them
  std::int32_t FoundCount = 0;
  // Whole 100 ms steps waited with the time-out box checked in the current wait.
  std::int32_t WaitSteps = 0;
  QImage CaptureBitmap;     // 100 x 100, reused for every file and never cleared
  JpegEncoder CaptureJpeg;  // quality 90, colour, baseline; reused for every file
  // The files stored with the placeholder instead of a thumbnail, so that the catalogue still
  // lists them: those the renderer could not decode, and those still rendering when the wait
  // ended (by its time-out or "Пропустить"; one that "Отмена" cut short is not stored).
  QStringList Unreadable;
  QStringList Skipped;
  // The files whose reading ended at an I/O error: their thumbnails were made from the part
  // that was read, or are the placeholder when that part could not be decoded.
  QStringList ReadErrors;
  // Stored paths in which a character Windows-1251 has not became "?".
  std::int32_t ReplacedPathCount = 0;
  // The sub-folders that could not be listed (no permission, a path too long for the system):
  // their pictures were never looked for.
  QStringList NotEntered;
  bool ThumbLimitReached = false;  // the capture stopped at the most thumbnails a disk holds
};

// A failure that ends the addition; the catalogue is then put back as it was.
class ScanError : public CatalogError {
 public:
  using CatalogError::CatalogError;
};

}  // namespace quorvel

#endif  // QUORVEL_SCAN_SCAN_STATE_H_
