// The disk list's proxy: a filter of disks that keeps the rows in the order of the sort column.
#include "mainwindow/disk_list_model.h"

#include <QTest>

#include "window_fixture.h"

namespace quorvel {

class DiskListModelTest : public QObject {
  Q_OBJECT

 private slots:
  void showOnlyDisksKeepsTheSortOrderUntilAllAreShownAgain();
};

void DiskListModelTest::showOnlyDisksKeepsTheSortOrderUntilAllAreShownAgain() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("f.qrv"));
  testkit::WriteFile(QStringToPath(path),
                     BuildCatalog({Disk("d", 1), Disk("b", 3), Disk("c", 2), Disk("a", 4)}));
  CatalogDocument document;
  document.UseStartupFile(QStringToPath(path));
  document.Reload(true);
  DiskListModel model(document);
  DiskListProxy proxy(model);
  model.Reload();
  proxy.sort(DiskListModel::kThumbCountColumn, Qt::DescendingOrder);
  QCOMPARE(proxy.DisksInOrder(), std::vector<int>({3, 1, 2, 0}));

  // Disk 3 (a) and disk 2 (c) pass, in the count order; a disk past the list's end does not.
  proxy.ShowOnlyDisks({false, false, true, true});
  QCOMPARE(proxy.DisksInOrder(), std::vector<int>({3, 2}));
  QCOMPARE(proxy.index(1, DiskListModel::kNameColumn).data().toString(), QStringLiteral("c"));
  QCOMPARE(proxy.DiskOfRow(1), 2);
  QCOMPARE(proxy.RowOfDisk(2), 1);
  QCOMPARE(proxy.RowOfDisk(1), -1);
  QCOMPARE(proxy.DiskOfRow(2), -1);
  proxy.ShowOnlyDisks({true});
  QCOMPARE(proxy.DisksInOrder(), std::vector<int>({0}));

  // A new sort applies to the filtered rows, and dropping the filter brings every disk back.
  proxy.ShowOnlyDisks({true, true, false, true});
  proxy.sort(DiskListModel::kNameColumn, Qt::AscendingOrder);
  QCOMPARE(proxy.DisksInOrder(), std::vector<int>({3, 1, 0}));
  proxy.ShowAllDisks();
  QCOMPARE(proxy.DisksInOrder(), std::vector<int>({3, 1, 2, 0}));
}

}  // namespace quorvel

QTEST_MAIN(quorvel::DiskListModelTest)
#include "disk_list_model_test.moc"
