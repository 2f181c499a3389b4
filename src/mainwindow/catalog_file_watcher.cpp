#include "mainwindow/catalog_file_watcher.h"

#include "platform/path_text.h"

namespace quorvel {
namespace {

// How long the file must stay quiet before it is looked at.
constexpr int kSettleMs = 150;
// How soon someone busy is asked again.
constexpr int kRetryMs = 500;

}  // namespace

CatalogFileWatcher::CatalogFileWatcher(QObject* parent) : QObject(parent) {
  setObjectName(QStringLiteral("catalog_file_watcher"));
  settle_.setSingleShot(true);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &CatalogFileWatcher::FileChanged);
  connect(&settle_, &QTimer::timeout, this, [this] {
    // A file replaced while it was quiet, or only now back after being replaced.
    Watch(QStringToPath(file_));
    emit Changed();
  });
}

void CatalogFileWatcher::Watch(const std::filesystem::path& file) {
  // Removed and added again even when the name is the same: the watch follows the file that
  // stood under the name when it was added, and one replaced by a rename (as every save
  // replaces it) is no longer that file. The watch of a file still held open elsewhere is not
  // always dropped by itself.
  if (!file_.isEmpty()) watcher_.removePath(file_);
  file_ = PathToQString(file);
  if (!file_.isEmpty()) watcher_.addPath(file_);
}

void CatalogFileWatcher::RetryLater() { settle_.start(kRetryMs); }

void CatalogFileWatcher::FileChanged() {
  Watch(QStringToPath(file_));
  settle_.start(kSettleMs);
}

}  // namespace quorvel
