// One row of the disk list: a disk's name, its thumbnail count and its number in the catalogue.
#ifndef QUORVEL_MAINWINDOW_DISK_LIST_ITEM_H_
#define QUORVEL_MAINWINDOW_DISK_LIST_ITEM_H_

#include <QTreeWidgetItem>
#include <string>
#include <string_view>

namespace quorvel {

class DiskListItem : public QTreeWidgetItem {
 public:
  // Columns of the disk list, in display order.
  enum Column { kNameColumn = 0, kThumbCountColumn = 1, kDiskNumberColumn = 2 };

  // `name` is the disk name as stored (Windows-1251 bytes); `disk_number` is the disk's 1-based
  // position in the catalogue.
  DiskListItem(std::string_view name, int thumb_count, int disk_number);

  // The only link from a row to its disk: the list may be sorted in any order.
  int DiskNumber() const { return disk_number_; }
  int ThumbCount() const { return thumb_count_; }
  const std::string& Cp1251Name() const { return name_; }

  // The order of the tree's current sort column: names by their 1251 bytes (case-sensitive, a
  // prefix first), so that the order does not depend on the locale or on Unicode's code
  // points; counts and numbers by value, not as text.
  bool operator<(const QTreeWidgetItem& other) const override;

 private:
  std::string name_;
  int thumb_count_;
  int disk_number_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_DISK_LIST_ITEM_H_
