// The search over every disk in the main window, typed as a user types it: the disk list
// narrowed to the disks with matches, their matches in the thumbnail view, the way back to a
// result's disk, and the commands on results of several disks.
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QTest>

#include "mainwindow/thumbnail_model.h"
#include "window_fixture.h"

namespace quorvel {
namespace {

// Three disks, stored in this order and listed by name as Архив, Зима, Лето 2019. "море"
// occurs in three paths, of two disks, in either case.
const std::vector<DiskSpec>& Disks() {
  static const std::vector<DiskSpec> disks = [] {
    const auto thumb = [](const char* path, std::uint32_t seed) {
      return ThumbSpec{Utf8ToCp1251(path), testkit::GradientJpeg(seed)};
    };
    return std::vector<DiskSpec>{
        {Utf8ToCp1251("Лето 2019"),
         {thumb("E:\\Море\\a.jpg", 1), thumb("E:\\Горы\\b.jpg", 2), thumb("E:\\МОРЕ\\c.jpg", 3)}},
        {Utf8ToCp1251("Зима"), {thumb("F:\\море\\d.jpg", 4), thumb("F:\\Лес\\e.jpg", 5)}},
        {Utf8ToCp1251("Архив"), {thumb("G:\\Дом\\f.jpg", 6)}},
    };
  }();
  return disks;
}

QLineEdit* Field(MainWindow& window) {
  return window.findChild<QLineEdit*>(QStringLiteral("SearchField"));
}

const QStringList kAllMatches = {"F:\\море\\d.jpg", "E:\\Море\\a.jpg", "E:\\МОРЕ\\c.jpg"};

}  // namespace

class SearchTest : public QObject {
  Q_OBJECT

 private slots:
  void typingNarrowsTheDisksAndShowsTheirMatches();
  void aResultLeadsToItsDisk();
  void downOrEnterGoesToTheFirstResultAndUpComesBack();
  void escapeBringsBackTheDiskViewAsItWas();
  void removingResultsOfTwoDisksIsOneChange();
  void savingResultsOfTwoDisksWritesEach();
};

void SearchTest::typingNarrowsTheDisksAndShowsTheirMatches() {
  Session s;
  QVERIFY(s.Start(s.Write("s.qrv", BuildCatalog(Disks()))));
  QVERIFY(QTest::qWaitForWindowActive(&s.window));
  s.SetCurrentRow(1);  // Зима, the disk view's choice
  const QString disk_status = StatusText(s.window);
  QLineEdit* field = Field(s.window);
  QCOMPARE(field->placeholderText(), QStringLiteral("Поиск по всем дискам"));

  QTest::keyClick(&s.window, Qt::Key_F, Qt::ControlModifier);
  QVERIFY(field->hasFocus());
  TypeText(field, QStringLiteral("море"));
  QCOMPARE(s.Column(0), QStringList({"Зима", "Лето 2019"}));
  QVERIFY(s.SelectedNames().isEmpty());
  QCOMPARE(ShownImages(s.window), kAllMatches);
  QCOMPARE(View(s.window)->model()->index(0, 0).data(ThumbnailModel::kDiskNameRole).toString(),
           QStringLiteral("Зима"));
  QCOMPARE(StatusText(s.window), QStringLiteral("Найдено эскизов: 3, на дисках: 2."));

  // Selected disks narrow the results; none selected shows them all again.
  s.SetCurrentRow(1);
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\Море\\a.jpg", "E:\\МОРЕ\\c.jpg"}));
  QCOMPARE(StatusText(s.window), QStringLiteral("Найдено эскизов: 2, на дисках: 1."));
  s.List()->clearSelection();
  QCOMPARE(ShownImages(s.window), kAllMatches);
  // The results follow the disk list's order.
  s.ClickHeader(0);
  QCOMPARE(ShownImages(s.window),
           QStringList({"E:\\Море\\a.jpg", "E:\\МОРЕ\\c.jpg", "F:\\море\\d.jpg"}));

  TypeText(field, QStringLiteral(" -a.jpg"));
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\МОРЕ\\c.jpg", "F:\\море\\d.jpg"}));
  TypeText(field, QStringLiteral(" нигде"));
  QCOMPARE(s.RowCount(), 0);
  QCOMPARE(StatusText(s.window), QStringLiteral("Найдено эскизов: 0, на дисках: 0."));

  // Escape: the disks and the choice as they were.
  QTest::keyClick(field, Qt::Key_Escape);
  QVERIFY(field->text().isEmpty());
  QCOMPARE(s.RowCount(), 3);
  QCOMPARE(s.SelectedNames(), QStringList({"Зима"}));
  QCOMPARE(ShownImages(s.window), QStringList({"F:\\море\\d.jpg", "F:\\Лес\\e.jpg"}));
  QCOMPARE(StatusText(s.window), disk_status);
}

void SearchTest::aResultLeadsToItsDisk() {
  Session s;
  QVERIFY(s.Start(s.Write("s.qrv", BuildCatalog(Disks()))));
  QVERIFY(QTest::qWaitForWindowActive(&s.window));
  QListView* view = View(s.window);
  const auto expect_shown = [&](const QString& disk, int row) {
    QVERIFY(Field(s.window)->text().isEmpty());
    QCOMPARE(s.SelectedNames(), QStringList({disk}));
    QCOMPARE(view->currentIndex().row(), row);
    QCOMPARE(view->selectionModel()->selectedIndexes(), QModelIndexList({view->currentIndex()}));
    QVERIFY(view->hasFocus());
  };

  TypeText(Field(s.window), QStringLiteral("море"));
  view->setFocus();
  view->setCurrentIndex(view->model()->index(2, 0));  // c.jpg, the third of Лето 2019
  QVERIFY(s.Action("ShowOnDisk")->isEnabled());
  QTest::keyClick(view, Qt::Key_Return);
  expect_shown(QStringLiteral("Лето 2019"), 2);
  QVERIFY(!s.Action("ShowOnDisk")->isEnabled());

  TypeText(Field(s.window), QStringLiteral("море"));
  const QPoint at = view->visualRect(view->model()->index(0, 0)).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
  expect_shown(QStringLiteral("Зима"), 0);

  Field(s.window)->setFocus();
  TypeText(Field(s.window), QStringLiteral("горы"));
  SelectThumbs(view, {0});
  s.Action("ShowOnDisk")->trigger();
  expect_shown(QStringLiteral("Лето 2019"), 1);
}

void SearchTest::downOrEnterGoesToTheFirstResultAndUpComesBack() {
  Session s;
  QVERIFY(s.Start(s.Write("s.qrv", BuildCatalog(Disks()))));
  QVERIFY(QTest::qWaitForWindowActive(&s.window));
  QListView* view = View(s.window);
  QLineEdit* field = Field(s.window);
  field->setFocus();
  TypeText(field, QStringLiteral("море"));
  QCOMPARE(ShownImages(s.window), kAllMatches);

  for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Return}) {
    QTest::keyClick(field, key);
    QVERIFY(view->hasFocus());
    QCOMPARE(view->currentIndex().row(), 0);
    QCOMPARE(view->selectionModel()->selectedIndexes(), QModelIndexList({view->currentIndex()}));
    QTest::keyClick(view, Qt::Key_Up);
    QVERIFY(field->hasFocus());
    QCOMPARE(field->text(), QStringLiteral("море"));
  }
  // Up from any other result stays among the results.
  QTest::keyClick(field, Qt::Key_Down);
  view->setCurrentIndex(view->model()->index(1, 0));
  QTest::keyClick(view, Qt::Key_Up);
  QVERIFY(view->hasFocus());
}

void SearchTest::escapeBringsBackTheDiskViewAsItWas() {
  Session s;
  QVERIFY(s.Start(s.Write("long.qrv", BuildCatalog({Disk("long", 300), Disk("short", 5)}))));
  QVERIFY(QTest::qWaitForWindowActive(&s.window));
  QListView* view = View(s.window);
  QScrollBar* bar = view->verticalScrollBar();
  QLineEdit* field = Field(s.window);
  view->setFocus();
  // The current item, selected, and a scroll away from it, as the wheel leaves them.
  view->setCurrentIndex(view->model()->index(150, 0));
  bar->setValue(bar->maximum() / 3);
  const int scrolled = bar->value();
  QVERIFY(scrolled > 0);

  // Escape in the field, and among the results.
  for (QWidget* escape_in : {static_cast<QWidget*>(field), static_cast<QWidget*>(view)}) {
    field->setFocus();
    // Few results: the view's scroll range shrinks below the place to come back to.
    TypeText(field, QStringLiteral("short"));
    QCOMPARE(s.Column(0), QStringList({"short"}));
    QTRY_VERIFY(bar->maximum() < scrolled);
    escape_in->setFocus();
    QTest::keyClick(escape_in, Qt::Key_Escape);
    QVERIFY(field->text().isEmpty());
    QCOMPARE(s.SelectedNames(), QStringList({"long"}));
    QCOMPARE(view->model()->rowCount(), 300);
    QCOMPARE(bar->value(), scrolled);
    QCOMPARE(view->currentIndex().row(), 150);
    QCOMPARE(view->selectionModel()->selectedIndexes(), QModelIndexList({view->currentIndex()}));
    // Nothing the view does once it is laid out moves it.
    QTest::qWait(50);
    QCOMPARE(bar->value(), scrolled);
  }
}

void SearchTest::removingResultsOfTwoDisksIsOneChange() {
  Session s;
  QVERIFY(s.Start(s.Write("s.qrv", BuildCatalog(Disks()))));
  const Bytes before = s.document.Current().bytes.Flatten();
  QListView* view = View(s.window);
  TypeText(Field(s.window), QStringLiteral("море"));

  SelectThumbs(view, {0});
  s.prompts.answers = {Answer::kNo};
  QTest::keyClick(view, Qt::Key_Delete);
  QCOMPARE(s.prompts.Texts("confirm"),
           QStringList(
               {QStringLiteral("Вы действительно хотите удалить эскиз \r\"F:\\море\\d.jpg\" ?")}));

  SelectThumbs(view, {0, 2});
  s.prompts.answers = {Answer::kYes};
  QTest::keyClick(view, Qt::Key_Delete);
  QCOMPARE(s.prompts.Texts("confirm").last(),
           QStringLiteral("Вы действительно хотите удалить эти эскизы (2 шт.) ?"));
  QVERIFY(s.document.Modified());
  // The query stays and is answered from the catalogue as it is now.
  QCOMPARE(Field(s.window)->text(), QStringLiteral("море"));
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\Море\\a.jpg"}));
  QCOMPARE(s.Column(0), QStringList({"Лето 2019"}));
  QCOMPARE(s.document.Index().Disks[0].ThumbCount, 2);
  QCOMPARE(s.document.Index().Disks[1].ThumbCount, 1);

  s.Action("Undo")->trigger();
  QVERIFY(s.document.Current().bytes.Flatten() == before);
  QVERIFY(!s.document.Modified());
  QCOMPARE(ShownImages(s.window), kAllMatches);
}

void SearchTest::savingResultsOfTwoDisksWritesEach() {
  Session s;
  QVERIFY(s.Start(s.Write("s.qrv", BuildCatalog(Disks()))));
  TypeText(Field(s.window), QStringLiteral("море"));
  SelectThumbs(View(s.window), {0, 1});  // d.jpg of Зима, a.jpg of Лето 2019
  const QString out = s.dir.filePath("out");
  QVERIFY(QDir().mkpath(out));
  s.prompts.folders = {out};
  s.Action("SaveToFolder")->trigger();
  QCOMPARE(s.prompts.Texts("inform"), QStringList({QStringLiteral("Готово!!!")}));
  QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"a.jpg.jpg", "d.jpg.jpg"}));
  QCOMPARE(testkit::ReadBytes(QStringToPath(out + "/d.jpg.jpg")),
           std::string(Disks()[1].thumbs[0].jpeg.begin(), Disks()[1].thumbs[0].jpeg.end()));
  QCOMPARE(testkit::ReadBytes(QStringToPath(out + "/a.jpg.jpg")),
           std::string(Disks()[0].thumbs[0].jpeg.begin(), Disks()[0].thumbs[0].jpeg.end()));
}

}  // namespace quorvel

QTEST_MAIN(quorvel::SearchTest)
#include "search_test.moc"
