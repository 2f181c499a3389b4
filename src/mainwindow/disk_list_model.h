// The disk list's rows: DiskListModel gives one row per disk of the open catalogue in file
// order, and DiskListProxy is what the list shows, in the order of its sort column and,
// while a filter is set, only the disks it lets through.
#ifndef QUORVEL_MAINWINDOW_DISK_LIST_MODEL_H_
#define QUORVEL_MAINWINDOW_DISK_LIST_MODEL_H_

#include <QAbstractTableModel>
#include <QIcon>
#include <QSortFilterProxyModel>
#include <QString>
#include <string>
#include <vector>

namespace quorvel {

class CatalogDocument;

class DiskListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Columns of the disk list, in display order.
  enum Column { kNameColumn = 0, kThumbCountColumn = 1, kDiskNumberColumn = 2 };

  // Reads the disks of `document`, which must outlive the model, from its index. Row r is the
  // disk Disks[r].
  explicit DiskListModel(const CatalogDocument& document, QObject* parent = nullptr);

  // Takes the disks of the document's index as it is now, in one reset: called once the
  // document has told of its change, before anything paints from the new index.
  void Reload();

  // Marks disk `disk` as mounted at `folder` (a drive icon beside its name, and the folder in its
  // tooltip and its description for screen readers), or unmarks it for an empty `folder`;
  // repaints that row alone. A Reload drops every mark.
  void MarkInserted(int disk, const QString& folder);

  // The disk's name as stored (Windows-1251 bytes), its thumbnail count.
  const std::string& Cp1251Name(int disk) const;
  int ThumbCount(int disk) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  const CatalogDocument& document_;
  int rows_ = 0;                   // Disks.size() at the last Reload
  std::vector<QString> inserted_;  // per disk: the folder it is mounted at, or empty
  QIcon drive_icon_;
};

class DiskListProxy : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  explicit DiskListProxy(DiskListModel& disks, QObject* parent = nullptr);

  // Shows only the disks d with shown[d] set (a disk past the end of `shown` is hidden), in the
  // current sort order; ShowAllDisks drops that filter.
  void ShowOnlyDisks(std::vector<bool> shown);
  void ShowAllDisks();

  // The disk (index in Disks) of display row `row` / of a cell of this model; -1 for none.
  int DiskOfRow(int row) const;
  int DiskOf(const QModelIndex& index) const;
  // The display row of disk `disk`; -1 when it is not shown.
  int RowOfDisk(int disk) const;
  // The shown disks, top to bottom.
  std::vector<int> DisksInOrder() const;

 protected:
  // The order of the sort column: names by their 1251 bytes (case-sensitive, a prefix first),
  // so that the order does not depend on the locale or on Unicode's code points; counts and
  // numbers by value, not as text.
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
  bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;

 private:
  const DiskListModel& disks_;
  bool filtered_ = false;
  std::vector<bool> shown_;  // with filtered_: shown_[d] lets disk d through
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_DISK_LIST_MODEL_H_
