#include "mainwindow/disk_list_model.h"

#include <QApplication>
#include <QStyle>
#include <cstddef>
#include <string_view>
#include <utility>

#include "catalog/catalog_document.h"
#include "catalog/catalog_index.h"
#include "catalog/cp1251.h"

namespace quorvel {

DiskListModel::DiskListModel(const CatalogDocument& document, QObject* parent)
    : QAbstractTableModel(parent),
      document_(document),
      drive_icon_(QApplication::style()->standardIcon(QStyle::SP_DriveCDIcon)) {}

void DiskListModel::Reload() {
  beginResetModel();
  rows_ = static_cast<int>(document_.Index().Disks.size());
  inserted_.assign(static_cast<std::size_t>(rows_), QString());
  endResetModel();
}

void DiskListModel::MarkInserted(int disk, const QString& folder) {
  if (disk < 0 || disk >= rows_) return;
  inserted_[static_cast<std::size_t>(disk)] = folder;
  // Without the sort's role the proxy keeps its order and only repaints the row.
  const QModelIndex cell = index(disk, kNameColumn);
  emit dataChanged(cell, cell,
                   {Qt::DecorationRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}

const std::string& DiskListModel::Cp1251Name(int disk) const {
  return document_.Index().Disks[static_cast<std::size_t>(disk)].Name;
}

int DiskListModel::ThumbCount(int disk) const {
  return document_.Index().Disks[static_cast<std::size_t>(disk)].ThumbCount;
}

int DiskListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int DiskListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant DiskListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_) return {};
  const int disk = index.row();
  const QString& inserted = inserted_[static_cast<std::size_t>(disk)];
  if (index.column() == kNameColumn && !inserted.isEmpty()) {
    switch (role) {
      case Qt::DecorationRole:
        return drive_icon_;
      case Qt::ToolTipRole:
      case Qt::AccessibleDescriptionRole:
        return QStringLiteral("Вставлен: %1").arg(inserted);
      default:
        break;
    }
  }
  // Texts are made when asked for: the list asks only for the rows it paints.
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kNameColumn:
      return QString::fromStdString(Cp1251ToUtf8(Cp1251Name(disk)));
    case kThumbCountColumn:
      return QString::number(ThumbCount(disk));
    case kDiskNumberColumn:
      return QString::number(disk + 1);
    default:
      return {};
  }
}

QVariant DiskListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kNameColumn:
      return QStringLiteral("Диск");
    case kThumbCountColumn:
      return QStringLiteral("Фреймов");
    case kDiskNumberColumn:
      return QStringLiteral("Номер диска");
    default:
      return {};
  }
}

DiskListProxy::DiskListProxy(DiskListModel& disks, QObject* parent)
    : QSortFilterProxyModel(parent), disks_(disks) {
  setSourceModel(&disks);
}

void DiskListProxy::ShowOnlyDisks(std::vector<bool> shown) {
  filtered_ = true;
  shown_ = std::move(shown);
  invalidateRowsFilter();
}

void DiskListProxy::ShowAllDisks() {
  if (!filtered_) return;
  filtered_ = false;
  shown_.clear();
  invalidateRowsFilter();
}

int DiskListProxy::DiskOfRow(int row) const { return DiskOf(index(row, 0)); }

int DiskListProxy::DiskOf(const QModelIndex& index) const {
  if (!index.isValid()) return -1;
  return mapToSource(index).row();
}

int DiskListProxy::RowOfDisk(int disk) const { return mapFromSource(disks_.index(disk, 0)).row(); }

std::vector<int> DiskListProxy::DisksInOrder() const {
  std::vector<int> disks;
  const int rows = rowCount();
  disks.reserve(static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row) disks.push_back(DiskOfRow(row));
  return disks;
}

bool DiskListProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const int a = left.row();
  const int b = right.row();
  switch (left.column()) {
    case DiskListModel::kThumbCountColumn:
      return disks_.ThumbCount(a) < disks_.ThumbCount(b);
    case DiskListModel::kDiskNumberColumn:
      return a < b;
    default:
      // char_traits<char> compares as unsigned char, which is the 1251 code order.
      return std::string_view(disks_.Cp1251Name(a)) < std::string_view(disks_.Cp1251Name(b));
  }
}

bool DiskListProxy::filterAcceptsRow(int source_row, const QModelIndex& source_parent) const {
  (void)source_parent;
  if (!filtered_) return true;
  return static_cast<std::size_t>(source_row) < shown_.size() &&
         shown_[static_cast<std::size_t>(source_row)];
}

}  // namespace quorvel
