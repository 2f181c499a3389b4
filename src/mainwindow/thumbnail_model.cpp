#include "mainwindow/thumbnail_model.h"

#include <QImage>
#include <algorithm>
#include <utility>

#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"
#include "catalog/picture_facts.h"
#include "catalog/thumbnail_jpeg.h"
#include "mainwindow/picture_facts_text.h"

namespace quorvel {
namespace {

// Where an item goes among its disk's: undated after dated, each in catalogue order.
struct DateKey {
  bool undated;
  std::int64_t taken;
  std::int32_t thumb;
  friend auto operator<=>(const DateKey&, const DateKey&) = default;
};

DateKey DateKeyOf(const CatInfo& disk, std::int32_t thumb) {
  const ThumbFacts* facts = disk.Facts(static_cast<std::size_t>(thumb));
  const bool undated = facts == nullptr || facts->taken == ThumbFacts::kNoDate;
  return {undated, undated ? 0 : facts->taken, thumb};
}

}  // namespace

void OrderThumbs(const CatalogIndex& index, bool by_date, std::vector<ThumbRef>& items) {
  for (auto run = items.begin(); run != items.end();) {
    const std::int32_t disk = run->disk;
    const auto end =
        std::find_if(run, items.end(), [disk](const ThumbRef& item) { return item.disk != disk; });
    if (!by_date || disk < 0 || static_cast<std::size_t>(disk) >= index.Disks.size()) {
      std::sort(run, end);
    } else {
      const CatInfo& info = index.Disks[static_cast<std::size_t>(disk)];
      std::sort(run, end, [&info](const ThumbRef& a, const ThumbRef& b) {
        return DateKeyOf(info, a.thumb) < DateKeyOf(info, b.thumb);
      });
    }
    run = end;
  }
}

ThumbnailModel::ThumbnailModel(const CatalogDocument& document, QObject* parent)
    : QAbstractListModel(parent), document_(document) {}

void ThumbnailModel::ShowDisk(int disk) {
  beginResetModel();
  items_.clear();
  results_ = false;
  ranked_ = false;
  const std::vector<CatInfo>& disks = document_.Index().Disks;
  if (disk >= 0 && static_cast<std::size_t>(disk) < disks.size()) {
    const std::int32_t count = disks[static_cast<std::size_t>(disk)].ThumbCount;
    items_.reserve(static_cast<std::size_t>(count));
    for (std::int32_t thumb = 0; thumb < count; ++thumb) items_.push_back({disk, thumb});
    if (by_date_) OrderThumbs(document_.Index(), true, items_);
  }
  endResetModel();
}

void ThumbnailModel::ShowResults(std::vector<ThumbRef> items, bool ranked) {
  beginResetModel();
  items_ = std::move(items);
  results_ = true;
  ranked_ = ranked;
  if (by_date_ && !ranked_) OrderThumbs(document_.Index(), true, items_);
  endResetModel();
}

void ThumbnailModel::ShowNothing() {
  beginResetModel();
  items_.clear();
  // Release what a large list held: the view may stay empty for a long time.
  items_.shrink_to_fit();
  results_ = false;
  ranked_ = false;
  endResetModel();
}

void ThumbnailModel::SetOrderByDate(bool by_date) {
  if (by_date == by_date_) return;
  by_date_ = by_date;
  if (ranked_) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<ThumbRef> ordered = items_;
  OrderThumbs(document_.Index(), by_date_, ordered);
  // Each item's new row, found by the item: a list holds each thumbnail once.
  std::vector<std::pair<ThumbRef, int>> rows;
  rows.reserve(ordered.size());
  for (std::size_t row = 0; row < ordered.size(); ++row) {
    rows.emplace_back(ordered[row], static_cast<int>(row));
  }
  std::sort(rows.begin(), rows.end());
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    const ThumbRef item = items_[static_cast<std::size_t>(index.row())];
    const auto found = std::lower_bound(rows.begin(), rows.end(), std::pair{item, -1});
    after.append(createIndex(found->second, 0));
  }
  items_ = std::move(ordered);
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
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

QString ThumbnailModel::FactsText(int row) const {
  try {
    return PictureFactsText(ReadPictureFacts(Jpeg(row)));
  } catch (const CatalogError&) {
    return {};  // the paint of the item says why
  }
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
    case Qt::ToolTipRole: {
      // The facts are read from the thumbnail only here, as the pointer rests on it.
      const QString tip = results_ ? DiskName(index.row()) + QLatin1Char('\n') + Name(index.row())
                                   : Name(index.row());
      const QString facts = FactsText(index.row());
      return facts.isEmpty() ? tip : tip + QLatin1Char('\n') + facts;
    }
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
