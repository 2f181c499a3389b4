// Look-alikes and copies in the main window: "Найти похожие" shows the thumbnails like the
// current one as results, the most alike first; the "Повторы" page lists the groups of copies
// and each disk's thumbnails found nowhere else; the fingerprints' progress can be cancelled;
// storing the fingerprints is one change that the undo takes back.
#include <QApplication>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>

#include "catalog/catalog_fingerprints.h"
#include "window_fixture.h"

namespace quorvel {
namespace {

using testkit::PatchesJpeg;

// Two disks, listed by name as Зима, Лето. A picture on Лето has a lighter copy on Зима; the
// two others are unlike everything.
std::vector<DiskSpec> Disks() {
  return {
      {Utf8ToCp1251("Лето"), {{"E:\\a.jpg", PatchesJpeg(1)}, {"E:\\b.jpg", PatchesJpeg(2)}}},
      {Utf8ToCp1251("Зима"), {{"F:\\c.jpg", PatchesJpeg(3)}, {"F:\\d.jpg", PatchesJpeg(1, 12)}}}};
}

// Starts `s` on the catalogue with Лето's first thumbnail current.
bool StartOnFirstPicture(Session& s) {
  if (!s.Start(s.Write("l.qrv", BuildCatalog(Disks())))) return false;
  s.SetCurrentRow(1);
  View(s.window)->setCurrentIndex(View(s.window)->model()->index(0, 0));
  View(s.window)->setFocus();
  return ShownImages(s.window) == QStringList({"E:\\a.jpg", "E:\\b.jpg"});
}

// Clicks the fingerprints' dialog's "Отмена" as soon as it is shown, for as long as it lives.
class CancelProgress : public QObject {
 public:
  CancelProgress() { qApp->installEventFilter(this); }
  ~CancelProgress() override { qApp->removeEventFilter(this); }
  int cancelled = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* dialog = qobject_cast<QProgressDialog*>(watched);
    if (event->type() == QEvent::Show && dialog != nullptr && !dialog->wasCanceled()) {
      ++cancelled;
      dialog->findChild<QPushButton*>()->click();
    }
    return false;
  }
};

}  // namespace

class LookalikeTest : public QObject {
  Q_OBJECT

 private slots:
  void findSimilarShowsTheMostAlikeFirst();
  void copiesPageShowsGroupsAndUniqueCounts();
  void cancellingTheFingerprintsShowsNothing();
  void storingThePrintsIsOneUndoableChange();
};

void LookalikeTest::findSimilarShowsTheMostAlikeFirst() {
  Session s;
  QVERIFY(StartOnFirstPicture(s));
  QTest::keyClick(View(s.window), Qt::Key_L, Qt::ControlModifier);
  // The picture itself, then its copy, although Зима comes first in the list.
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\a.jpg", "F:\\d.jpg"}));
  QCOMPARE(StatusText(s.window), QStringLiteral("Похожих эскизов: 2, на дисках: 2."));
  QCOMPARE(s.Column(0), QStringList({"Зима", "Лето"}));
  auto* field = s.window.findChild<QLineEdit*>(QStringLiteral("SearchField"));
  QVERIFY(field->text().isEmpty());
  QCOMPARE(field->placeholderText(), QStringLiteral("Похожие на \"a.jpg\""));
  // Ordering by date leaves the order of likeness alone.
  s.Trigger("OrderByDate");
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\a.jpg", "F:\\d.jpg"}));

  // Escape goes back to the disk shown before, as after a search.
  QTest::keyClick(View(s.window), Qt::Key_Escape);
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\a.jpg", "E:\\b.jpg"}));
  QCOMPARE(s.SelectedNames(), QStringList({"Лето"}));
  QCOMPARE(field->placeholderText(), QStringLiteral("Поиск по всем дискам"));
  QVERIFY(s.prompts.unexpected.isEmpty());
}

void LookalikeTest::copiesPageShowsGroupsAndUniqueCounts() {
  Session s;
  QVERIFY(StartOnFirstPicture(s));
  s.Trigger("Copies");
  auto* groups = s.window.findChild<QTreeView*>(QStringLiteral("copy_groups"));
  auto* disks = s.window.findChild<QTreeView*>(QStringLiteral("unique_counts"));
  QVERIFY(groups != nullptr && groups->isVisible());
  const QAbstractItemModel& group_rows = *groups->model();
  QCOMPARE(group_rows.rowCount(), 1);
  QCOMPARE(group_rows.index(0, 0).data().toString(), QStringLiteral("Группа 1: эскизов 2"));
  QCOMPARE(group_rows.index(0, 1).data().toString(), QStringLiteral("Лето, Зима"));
  QCOMPARE(group_rows.rowCount(group_rows.index(0, 0)), 2);
  const QAbstractItemModel& disk_rows = *disks->model();
  QCOMPARE(disk_rows.rowCount(), 2);
  QCOMPARE(disk_rows.index(1, 0).data().toString(), QStringLiteral("Зима"));
  QCOMPARE(disk_rows.index(1, 1).data().toString(), QStringLiteral("Только на этом диске: 1"));

  QTest::mouseClick(groups->viewport(), Qt::LeftButton, Qt::NoModifier,
                    groups->visualRect(group_rows.index(0, 0)).center());
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\a.jpg", "F:\\d.jpg"}));
  QCOMPARE(StatusText(s.window), QStringLiteral("Похожих эскизов: 2, на дисках: 2."));

  // Removing one of the copies leaves no group, and the page says so after the change.
  SelectThumbs(View(s.window), {1});
  s.prompts.answers.push_back(Answer::kYes);
  s.Trigger("RemoveThumb");
  QCoreApplication::processEvents();
  QCOMPARE(group_rows.rowCount(), 0);
  QCOMPARE(ShownImages(s.window), QStringList());
  QVERIFY(s.prompts.unexpected.isEmpty());
}

void LookalikeTest::cancellingTheFingerprintsShowsNothing() {
  Session s;
  QVERIFY(StartOnFirstPicture(s));
  const QString status = StatusText(s.window);
  {
    CancelProgress cancel;
    QTest::keyClick(View(s.window), Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(cancel.cancelled, 1);
  }
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\a.jpg", "E:\\b.jpg"}));
  QCOMPARE(StatusText(s.window), status);
  QCOMPARE(s.Column(0), QStringList({"Зима", "Лето"}));
  QVERIFY(!s.Action("StorePrints")->isEnabled());
  // Asked again, they are computed and shown.
  s.Trigger("FindSimilar");
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\a.jpg", "F:\\d.jpg"}));
}

void LookalikeTest::storingThePrintsIsOneUndoableChange() {
  Session s;
  QVERIFY(StartOnFirstPicture(s));
  const auto computed = [&s] {
    CatalogFingerprints prints;
    return prints.Update(s.document.Current()) ? prints.ComputedCount(s.document.Index()) : -1;
  };
  QCOMPARE(computed(), 4);
  QVERIFY(!s.Action("StorePrints")->isEnabled());
  QTest::keyClick(View(s.window), Qt::Key_L, Qt::ControlModifier);
  QVERIFY(s.Action("StorePrints")->isEnabled());

  s.Trigger("StorePrints");
  QVERIFY(s.document.Modified());
  QCOMPARE(computed(), 0);
  QVERIFY(!s.Action("StorePrints")->isEnabled());
  // The look-alikes shown are the same, now read from the thumbnails.
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\a.jpg", "F:\\d.jpg"}));

  s.Trigger("Undo");
  QVERIFY(!s.document.Modified());
  QVERIFY(!s.document.CanUndo());
  QCOMPARE(computed(), 4);

  // Stored from a disk's view, that disk stays shown.
  QTest::keyClick(View(s.window), Qt::Key_Escape);
  s.Trigger("StorePrints");
  QCOMPARE(s.SelectedNames(), QStringList({"Лето"}));
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\a.jpg", "E:\\b.jpg"}));
  QVERIFY(s.prompts.unexpected.isEmpty());
}

}  // namespace quorvel

QTEST_MAIN(quorvel::LookalikeTest)
#include "lookalike_test.moc"
