#include "mainwindow/dropped_item.h"

#include <QFileInfo>

#include "mainwindow/catalog_file_name.h"

namespace quorvel {

DroppedItem DroppedItemOf(const QList<QUrl>& urls) {
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  const QString path = urls.front().toLocalFile();
  const QFileInfo file(path);
  if (file.isDir()) return {DroppedItem::Kind::kFolder, path};
  // Named as the catalogue dialogs complete names.
  if (file.isFile() && CompleteCatalogName(path) == path) {
    return {DroppedItem::Kind::kCatalogue, path};
  }
  return {};
}

}  // namespace quorvel
