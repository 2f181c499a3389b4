#include "mainwindow/thumbnail_model.h"

#include <utility>

namespace quorvel {

ThumbnailModel::ThumbnailModel(const CatalogDocument& document, QObject* parent)
    : QAbstractListModel(parent), document_(document) {}

void ThumbnailModel::ShowDisk(int disk, QStringList names) {
  beginResetModel();
  disk_ = disk;
  names_ = std::move(names);
  endResetModel();
}

void ThumbnailModel::ShowNothing() {
  beginResetModel();
  disk_ = -1;
  names_.clear();
  endResetModel();
}

ByteView ThumbnailModel::Jpeg(int row) const {
  const std::vector<CatInfo>& disks = document_.Index().Disks;
  if (disk_ < 0 || static_cast<std::size_t>(disk_) >= disks.size()) return {};
  const std::span<const Disc> thumbs = disks[static_cast<std::size_t>(disk_)].Thumbs;
  if (row < 0 || static_cast<std::size_t>(row) >= thumbs.size()) return {};
  const Disc& thumb = thumbs[static_cast<std::size_t>(row)];
  const ByteView stream(document_.CatalogStream());
  // The index lies inside the stream it was built from, and the stream only grows while an old
  // index is shown; the check keeps a stale index from ever reading past the end.
  if (thumb.JpegPos + thumb.JpegSize > static_cast<std::int64_t>(stream.size())) return {};
  return stream.subspan(static_cast<std::size_t>(thumb.JpegPos),
                        static_cast<std::size_t>(thumb.JpegSize));
}

int ThumbnailModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

QVariant ThumbnailModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= names_.size()) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole) {
    return names_[index.row()];
  }
  return {};
}

}  // namespace quorvel
