#include "mainwindow/disk_list_item.h"

#include <QTreeWidget>

#include "catalog/cp1251.h"

namespace quorvel {

DiskListItem::DiskListItem(std::string_view name, int thumb_count, int disk_number)
    : QTreeWidgetItem(UserType), name_(name), thumb_count_(thumb_count), disk_number_(disk_number) {
  setText(kNameColumn, QString::fromStdString(Cp1251ToUtf8(name_)));
  setText(kThumbCountColumn, QString::number(thumb_count_));
  setText(kDiskNumberColumn, QString::number(disk_number_));
}

bool DiskListItem::operator<(const QTreeWidgetItem& other) const {
  const auto* row = dynamic_cast<const DiskListItem*>(&other);
  if (row == nullptr) return QTreeWidgetItem::operator<(other);
  const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : kNameColumn;
  switch (column) {
    case kThumbCountColumn:
      return thumb_count_ < row->thumb_count_;
    case kDiskNumberColumn:
      return disk_number_ < row->disk_number_;
    default:
      // char_traits<char> compares as unsigned char, which is the 1251 code order.
      return std::string_view(name_) < std::string_view(row->name_);
  }
}

}  // namespace quorvel
