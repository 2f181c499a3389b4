#include "mainwindow/thumbnail_model.h"

#include <QImage>
#include <algorithm>
#include <utility>

#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"
#include "catalog/thumbnail_jpeg.h"

namespace quorvel {

ThumbnailModel::ThumbnailModel(const CatalogDocument& document, QObject* parent)
    : QAbstractListModel(parent), document_(document) {}

void ThumbnailModel::ShowDisk(int disk) {
  beginResetModel();
  items_.clear();
  results_ = false;
  const std::vector<CatInfo>& disks = document_.Index().Disks;
  if (disk >= 0 && static_cast<std::size_t>(disk) < disks.size()) {
    const std::int32_t count = disks[static_cast<std::size_t>(disk)].ThumbCount;
    items_.reserve(static_cast<std::size_t>(count));
    for (std::int32_t thumb = 0; thumb < count; ++thumb) items_.push_back({disk, thumb});
  }
  endResetModel();
}

void ThumbnailModel::ShowResults(std::vector<ThumbRef> items) {
  beginResetModel();
  items_ = std::move(items);
  results_ = true;
  endResetModel();
}

void ThumbnailModel::ShowNothing() {
  beginResetModel();
  items_.clear();
  // Release what a large list held: the view may stay empty for a long time.
  items_.shrink_to_fit();
  results_ = false;
  endResetModel();
}

int ThumbnailModel::RowOf(ThumbRef item) const {
  const auto found = std::find(items_.begin(), items_.end(), item);
  return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

const Disc* ThumbnailModel::Thumb(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= items_.size()) return nullptr;
  const ThumbRef item = items_[static_cast<std::size_t>(row)];
  const std::vector<CatInfo>& disks = document_.Index().Disks;
  if (item.disk < 0 || static_cast<std::size_t>(item.disk) >= disks.size()) return nullptr;
  const std::span<const Disc> thumbs = disks[static_cast<std::size_t>(item.disk)].Thumbs;
  if (item.thumb < 0 || static_cast<std::size_t>(item.thumb) >= thumbs.size()) return nullptr;
  return &thumbs[static_cast<std::size_t>(item.thumb)];
}

Bytes ThumbnailModel::Jpeg(int row) const {
  const Disc* thumb = Thumb(row);
  if (thumb == nullptr) return {};
  const ThumbRef& item = items_[static_cast<std::size_t>(row)];
  return document_.Jpeg(document_.Index().Disks[static_cast<std::size_t>(item.disk)], *thumb);
}

QString ThumbnailModel::Name(int row) const {
  const Disc* thumb = Thumb(row);
  if (thumb == nullptr) return {};
  return QString::fromStdString(Cp1251ToUtf8(thumb->Name()));
}

QStringList ThumbnailModel::Names() const {
  QStringList names;
  names.reserve(static_cast<qsizetype>(items_.size()));
  for (std::size_t row = 0; row < items_.size(); ++row) names.append(Name(static_cast<int>(row)));
  return names;
}

QString ThumbnailModel::FileName(int row) const {
  const QString path = Name(row);
  // Stored paths are the scanning machine's: either separator, and a drive colon.
  return path.mid(std::max({path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')),
                            path.lastIndexOf(QLatin1Char(':'))}) +
                  1);
}

QString ThumbnailModel::DiskName(int row) const {
  const std::vector<CatInfo>& disks = document_.Index().Disks;
  const std::int32_t disk = items_[static_cast<std::size_t>(row)].disk;
  if (disk < 0 || static_cast<std::size_t>(disk) >= disks.size()) return {};
  return QString::fromStdString(Cp1251ToUtf8(disks[static_cast<std::size_t>(disk)].Name));
}

QImage ThumbnailModel::Picture(int row) const {
  RgbImage decoded;
  try {
    if (!DecodeJpeg(Jpeg(row), decoded)) return {};
  } catch (const CatalogError&) {
    return {};  // the paint of the item says why
  }
  return QImage(decoded.pixels.data(), decoded.width, decoded.height, decoded.width * 3,
                QImage::Format_RGB888)
      .copy();
}

int ThumbnailModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

QVariant ThumbnailModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= items_.size()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return Name(index.row());
    case kDiskNameRole:
      return results_ ? QVariant(DiskName(index.row())) : QVariant();
    case Qt::ToolTipRole:
      return results_ ? DiskName(index.row()) + QLatin1Char('\n') + Name(index.row())
                      : Name(index.row());
    case Qt::AccessibleTextRole:
      // Read out at each step between thumbnails: the file name, which the label ends with; a
      // result with its disk, which its label shows above it.
      return results_ ? DiskName(index.row()) + QStringLiteral(": ") + FileName(index.row())
                      : FileName(index.row());
    case Qt::AccessibleDescriptionRole:
      return Name(index.row());
    case kPictureRole:
      return Picture(index.row());
    default:
      return {};
  }
}

Qt::ItemFlags ThumbnailModel::flags(const QModelIndex& index) const {
  const Qt::ItemFlags flags = QAbstractListModel::flags(index);
  return index.isValid() ? flags | Qt::ItemIsDragEnabled : flags;
}

}  // namespace quorvel
