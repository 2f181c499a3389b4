// The edits through the real window: removing and renaming disks, removing thumbnails, the
// context menus and the Delete key, import, export, saving thumbnails to a folder and dragging
// them out.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QScopeGuard>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "catalog/catalog_check.h"
#include "catalog/catalog_index.h"
#include "catalog/field_codec.h"
#include "catalog/stream.h"
#include "mainwindow/thumbnail_actions.h"
#include "window_fixture.h"

namespace quorvel {
namespace {

Bytes Read(const QString& path) { return LoadFile(QStringToPath(path)); }

bool WellFormed(const Bytes& stream) { return CheckCatalog(stream).ok(); }

}  // namespace

class EditCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void removingDisksStoresTheRestByName();
  void removingEveryDiskLeavesTheHeader();
  void renameAsksAgainUntilANameFits();
  void removingThumbnailsAsksAndKeepsTheRest();
  void contextMenusAndTheDeleteKey();
  void importAppendsAndCanBeUndone();
  void exportWritesTheSelectedDisksInListOrder();
  void savedThumbnailsStayInsideTheChosenFolder();
  void draggedThumbnailsAreWrittenAsSavedOnlyWhenDropped();
  void damagedCatalogueRefusesEveryChange_data();
  void damagedCatalogueRefusesEveryChange();
};

void EditCommandsTest::removingDisksStoresTheRestByName() {
  Session s;
  QVERIFY(s.Start(s.Write("bac.qrv", BuildCatalog({Disk("b", 1), Disk("a", 2), Disk("c", 3)}))));
  s.SelectRows({2});  // c
  s.prompts.answers = {Answer::kNo};
  s.Trigger("RemoveDisk");
  QCOMPARE(s.prompts.Texts("confirm"),
           QStringList({QStringLiteral("Вы действительно хотите удалить диск \r\"c\" ?")}));
  QCOMPARE(s.RowCount(), 3);
  QVERIFY(!s.document.Modified());

  s.prompts.answers = {Answer::kYes};
  s.Trigger("RemoveDisk");
  QCOMPARE(s.Rows(), QList<QStringList>({{"a", "2", "1"}, {"b", "1", "2"}}));
  QCOMPARE(s.SelectedNames().first(), QStringLiteral("a"));
  QCOMPARE(ReadField(s.document.Current().bytes.Flatten(), 4, 2), 2u);
  QVERIFY(WellFormed(s.document.Current().bytes.Flatten()));
  QVERIFY(s.document.Modified());

  s.SelectRows({0, 1});
  s.prompts.answers = {Answer::kNo};
  s.Trigger("RemoveDisk");
  QCOMPARE(s.prompts.Texts("confirm").last(),
           QStringLiteral("Вы действительно хотите удалить эти диски (2 шт.) ?"));
}

void EditCommandsTest::removingEveryDiskLeavesTheHeader() {
  Session s;
  QVERIFY(s.Start(s.Write("two.qrv", BuildCatalog({Disk("x", 4), Disk("y", 2)}))));
  s.SelectRows({0, 1});
  s.prompts.answers = {Answer::kYes};
  s.Trigger("RemoveDisk");
  QCOMPARE(s.document.Current().bytes.Flatten(), testkit::ToBytes(std::string("Ctlg\0\0", 6)));
  QCOMPARE(s.RowCount(), 0);
  QCOMPARE(View(s.window)->model()->rowCount(), 0);
  QVERIFY(ShownImages(s.window).isEmpty());
}

void EditCommandsTest::renameAsksAgainUntilANameFits() {
  Session s;
  QVERIFY(s.Start(s.Write("r.qrv", BuildCatalog({Disk("CD1", 2), Disk("zz")}))));
  const std::size_t size = s.document.Current().bytes.Flatten().size();
  s.SelectRows({0});
  s.prompts.inputs = {QString(), QString(300, 'x'), QStringLiteral("Диск 😀"),
                      QStringLiteral("Диск5")};
  s.Trigger("RenameDisk");
  QCOMPARE(s.prompts.Texts("input"), QStringList({"CD1", "CD1", "CD1", "CD1"}));  // the preset
  const QStringList errors = s.prompts.Texts("error");
  QCOMPARE(errors.size(), 3);
  QCOMPARE(errors[0], QStringLiteral("Нужно указать название диска!"));
  QVERIFY(errors[1].contains(QStringLiteral("255")));
  QVERIFY2(errors[2].contains(QStringLiteral("«😀»")), qPrintable(errors[2]));
  QCOMPARE(s.document.Current().bytes.Flatten().size(), size + 2);  // 3 bytes to 5
  QCOMPARE(s.Rows().first(), QStringList({"zz", "1", "2"}));
  QCOMPARE(s.Rows().last(), QStringList({"Диск5", "2", "1"}));
  QCOMPARE(s.SelectedNames().first(), QStringLiteral("Диск5"));
  QVERIFY(WellFormed(s.document.Current().bytes.Flatten()));

  // Cancel keeps the name, and still counts as a change.
  s.document.Save();
  QVERIFY(!s.document.Modified());
  const Bytes saved = s.document.Current().bytes.Flatten();
  s.prompts.inputs = {std::nullopt};
  s.Trigger("RenameDisk");
  QCOMPARE(s.document.Current().bytes.Flatten(), saved);
  QVERIFY(s.document.Modified());
}

void EditCommandsTest::removingThumbnailsAsksAndKeepsTheRest() {
  Session s;
  QVERIFY(s.Start(s.Write("t.qrv", BuildCatalog({Disk("a", 4), Disk("b", 1)}))));
  QListView* view = View(s.window);
  SelectThumbs(view, {1});
  s.prompts.answers = {Answer::kNo};
  s.Trigger("RemoveThumb");
  QCOMPARE(
      s.prompts.Texts("confirm"),
      QStringList({QStringLiteral("Вы действительно хотите удалить эскиз \r\"E:\\img1.jpg\" ?")}));

  SelectThumbs(view, {0, 2});
  s.prompts.answers = {Answer::kYes};
  s.Trigger("RemoveThumb");
  QCOMPARE(s.prompts.Texts("confirm").last(),
           QStringLiteral("Вы действительно хотите удалить эти эскизы (2 шт.) ?"));
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\img1.jpg", "E:\\img3.jpg"}));
  QCOMPARE(s.Rows().first(), QStringList({"a", "2", "1"}));
  QVERIFY(WellFormed(s.document.Current().bytes.Flatten()));

  // Every thumbnail of a disk: the disk stays with 0.
  SelectThumbs(view, {0, 1});
  s.prompts.answers = {Answer::kYes};
  s.Trigger("RemoveThumb");
  QCOMPARE(s.Rows().first(), QStringList({"a", "0", "1"}));
  QCOMPARE(view->model()->rowCount(), 0);
}

void EditCommandsTest::contextMenusAndTheDeleteKey() {
  Session s;
  QVERIFY(s.Start(s.Write("m.qrv", BuildCatalog({Disk("a", 3), Disk("b"), Disk("c")}))));
  s.SelectRows({0, 1});
  RequestContextMenu(s.List(), QPoint(5, 5));
  QTRY_VERIFY(s.Menu("disk_menu")->isVisible());
  QCOMPARE(s.Action("RemoveDisk")->iconText(), QStringLiteral("Удалить диски"));
  QVERIFY(s.Action("RemoveDisk")->isEnabled());
  QVERIFY(!s.Action("RenameDisk")->isEnabled());
  s.Menu("disk_menu")->close();
  s.SelectRows({2});
  RequestContextMenu(s.List(), QPoint(5, 5));
  QCOMPARE(s.Action("RemoveDisk")->iconText(), QStringLiteral("Удалить диск"));
  QVERIFY(s.Action("RenameDisk")->isEnabled());
  s.Menu("disk_menu")->close();

  // With nothing selected, neither the menus nor Delete do anything.
  s.List()->clearSelection();
  RequestContextMenu(s.List(), QPoint(5, 5));
  QVERIFY(!s.Menu("disk_menu")->isVisible());
  QTest::keyClick(s.List(), Qt::Key_Delete);
  QTest::keyClick(View(s.window), Qt::Key_Delete);
  QVERIFY(s.prompts.prompts.empty());

  // Delete in either list asks about the selected rows.
  s.SelectRows({0});
  QListView* view = View(s.window);
  SelectThumbs(view, {0, 1});
  RequestContextMenu(View(s.window), QPoint(5, 5));
  QCOMPARE(s.Action("RemoveThumb")->iconText(), QStringLiteral("Удалить эскизы"));
  QVERIFY(s.Action("SaveToFolder")->isEnabled());
  s.Menu("thumbnail_menu")->close();
  s.prompts.answers = {Answer::kNo, Answer::kNo};
  QTest::keyClick(view, Qt::Key_Delete);
  QTest::keyClick(s.List(), Qt::Key_Delete);
  QCOMPARE(s.prompts.Texts("confirm"),
           QStringList({QStringLiteral("Вы действительно хотите удалить эти эскизы (2 шт.) ?"),
                        QStringLiteral("Вы действительно хотите удалить диск \r\"a\" ?")}));
}

void EditCommandsTest::importAppendsAndCanBeUndone() {
  Session s;
  const QString path = s.Write("three.qrv", BuildCatalog({Disk("c"), Disk("a"), Disk("e")}));
  const QString other = s.Write("two.qrv", BuildCatalog({Disk("b", 2), Disk("d", 3)}));
  QVERIFY(s.Start(path));
  const Bytes before = s.document.Current().bytes.Flatten();
  s.prompts.files = {other};
  s.Trigger("Import");
  QCOMPARE(
      s.Rows(),
      QList<QStringList>(
          {{"a", "1", "2"}, {"b", "2", "4"}, {"c", "1", "1"}, {"d", "3", "5"}, {"e", "1", "3"}}));
  QVERIFY(WellFormed(s.document.Current().bytes.Flatten()));
  QVERIFY(s.document.Modified());  // closing will ask, so the imported disks are not lost
  s.Trigger("Undo");
  QCOMPARE(s.document.Current().bytes.Flatten(), before);

  // Its own file, another kind of file, and a damaged catalogue change nothing.
  Bytes cut = BuildCatalog({Disk("x", 2)});
  cut.resize(cut.size() - 10);
  s.prompts.files = {path, s.Write("photo.qrv", testkit::GradientJpeg(1)), s.Write("cut.qrv", cut)};
  for (int k = 0; k < 3; ++k) s.Trigger("Import");
  QCOMPARE(s.document.Current().bytes.Flatten(), before);
  QCOMPARE(s.prompts.Texts("error").size(), 1);  // only the damaged one is worth a word
}

void EditCommandsTest::exportWritesTheSelectedDisksInListOrder() {
  Session s;
  QVERIFY(s.Start(s.Write(
      "five.qrv", BuildCatalog({Disk("e"), Disk("b", 2), Disk("d"), Disk("a", 3), Disk("c")}))));
  s.SelectRows({3, 1});  // d and b, shown in that order: b above d
  s.prompts.files = {s.dir.filePath("part")};
  s.Trigger("Export");
  const Bytes part = Read(s.dir.filePath("part.qrv"));
  QCOMPARE(ReadField(part, 4, 2), 2u);
  const CatalogIndex index = BuildIndex(part);
  QVERIFY(!index.Damage);
  QCOMPARE(index.Disks[0].Name, std::string("b"));
  QCOMPARE(index.Disks[1].Name, std::string("d"));

  // Every disk: a copy of the catalogue as stored.
  s.SelectRows({0, 1, 2, 3, 4});
  s.prompts.files = {s.dir.filePath("ALL.QRV")};
  s.Trigger("Export");
  QCOMPARE(Read(s.dir.filePath("ALL.QRV")), s.document.Current().bytes.Flatten());

  // No to the replace question leaves the file.
  s.SelectRows({0});
  s.prompts.files = {s.dir.filePath("part.qrv")};
  s.prompts.answers = {Answer::kNo};
  s.Trigger("Export");
  QCOMPARE(s.prompts.Texts("warn-yes-no"),
           QStringList({"\"" + s.dir.filePath("part.qrv") + "\"\r уже существует. Заменить?"}));
  QCOMPARE(Read(s.dir.filePath("part.qrv")), part);
  QVERIFY(!s.document.Modified());
}

void EditCommandsTest::savedThumbnailsStayInsideTheChosenFolder() {
  Session s;
  const Bytes jpeg = testkit::GradientJpeg(5);
  QVERIFY(s.Start(s.Write("h.qrv", BuildCatalog({{"h",
                                                  {{"E:\\photos\\img001.jpg", jpeg},
                                                   {"..\\..\\escape", jpeg},
                                                   {"C:/x/../../up", jpeg},
                                                   {"skipped.jpg", jpeg}}}}))));
  const QString out = s.dir.filePath("deep/out");
  QVERIFY(QDir().mkpath(out));
  SelectThumbs(View(s.window), {0, 1, 2});
  s.prompts.folders = {out + "/"};  // a folder name ending in its separator, as a root does
  s.Trigger("SaveToFolder");
  QCOMPARE(s.prompts.Texts("inform"), QStringList({QStringLiteral("Готово!!!")}));
  QCOMPARE(QDir(out).entryList(QDir::Files),
           QStringList({"escape.jpg", "img001.jpg.jpg", "up.jpg"}));
  QCOMPARE(Read(out + "/img001.jpg.jpg"), jpeg);
  QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), QStringList({"h.qrv"}));

  // Cancelling the picker says nothing; a folder that cannot be written says why, not "done".
  s.prompts.folders = {QString(), s.dir.filePath("missing")};
  s.Trigger("SaveToFolder");
  s.Trigger("SaveToFolder");
  QCOMPARE(s.prompts.Texts("inform").size(), 1);
  QCOMPARE(s.prompts.Texts("error").size(), 1);
  QVERIFY(s.prompts.Texts("error")[0].startsWith(QStringLiteral("Cannot open folder")));

  // A name held by a folder does not stop the others; one message names it instead of "done".
  const QString blocked = s.dir.filePath("blocked");
  QVERIFY(QDir().mkpath(blocked + "/up.jpg"));
  s.prompts.folders = {blocked};
  s.Trigger("SaveToFolder");
  QCOMPARE(s.prompts.Texts("inform").size(), 1);
  QCOMPARE(s.prompts.Texts("error").size(), 2);
  QVERIFY(s.prompts.Texts("error")[1].startsWith(QStringLiteral("Не записано файлов: 1\n") +
                                                 blocked + QStringLiteral("/up.jpg: ")));
  QCOMPARE(QDir(blocked).entryList(QDir::Files), QStringList({"escape.jpg", "img001.jpg.jpg"}));
}

void EditCommandsTest::draggedThumbnailsAreWrittenAsSavedOnlyWhenDropped() {
  Session s;
  // The drags' temporary folder goes where the test can watch it.
  const QString temp = s.dir.filePath("temp");
  QVERIFY(QDir().mkpath(temp));
  const QByteArray old_temp = qgetenv("TMPDIR");
  const auto restore = qScopeGuard([&] {
    if (old_temp.isNull()) {
      qunsetenv("TMPDIR");
    } else {
      qputenv("TMPDIR", old_temp);
    }
  });
  qputenv("TMPDIR", QFile::encodeName(temp));
  const auto temp_files = [&] {
    QStringList files;
    for (const QFileInfo& file :
         QDir(temp).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
      files.append(file.fileName());
      if (file.isDir())
        files += QDir(file.filePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }
    return files;
  };
  QVERIFY(s.Start(s.Write(
      "d.qrv", BuildCatalog({{"d",
                              {{"E:\\a\\img.jpg", testkit::GradientJpeg(1)},
                               {"E:\\b\\img.jpg", testkit::GradientJpeg(2)},
                               {Utf8ToCp1251("E:\\c\\Лес.png"), testkit::GradientJpeg(3)}}}}))));
  SelectThumbs(View(s.window), {0, 1, 2});
  auto* thumbnails = s.window.findChild<ThumbnailActions*>();
  QVERIFY(View(s.window)->dragEnabled());
  QCOMPARE(View(s.window)->dragDropMode(), QAbstractItemView::DragOnly);

  s.window.SetScanRunning(true);
  QVERIFY2(thumbnails->DragData({0, 1, 2}) == nullptr, "no drag during an addition");
  s.window.SetScanRunning(false);
  std::unique_ptr<QMimeData> data(thumbnails->DragData({0, 1, 2}));
  QVERIFY(data != nullptr);
  QCOMPARE(data->formats(), QStringList({"text/uri-list"}));
  QCOMPARE(temp_files(), QStringList());

  const QList<QUrl> urls = data->urls();
  const QString saved = s.dir.filePath("saved");
  QVERIFY(QDir().mkpath(saved));
  s.prompts.folders = {saved};
  s.Trigger("SaveToFolder");
  QStringList dropped;
  for (const QUrl& url : urls) {
    const QFileInfo file(url.toLocalFile());
    QVERIFY(file.filePath().startsWith(temp + "/"));
    dropped.append(file.fileName());
    QCOMPARE(Read(file.filePath()), Read(saved + "/" + file.fileName()));
  }
  dropped.sort();
  QCOMPARE(dropped, QDir(saved).entryList(QDir::Files));
  QCOMPARE(dropped.size(), 3);
  // Asked again, as a target asks for each of its formats, the same files are given.
  QCOMPARE(data->urls(), urls);
  QVERIFY(!s.document.Modified());
}

void EditCommandsTest::damagedCatalogueRefusesEveryChange_data() {
  QTest::addColumn<bool>("cut");
  QTest::newRow("spoiled marker") << false;
  QTest::newRow("cut file") << true;
}

void EditCommandsTest::damagedCatalogueRefusesEveryChange() {
  QFETCH(bool, cut);
  Session s;
  Bytes bytes = BuildCatalog({Disk("Диск A", 6), Disk("B", 6)});
  const CatalogIndex index = BuildIndex(bytes);
  if (cut) {
    bytes.resize(index.Disks[1].JpegPos(index.Disks[1].Thumbs[0]) + 500);
  } else {
    const CatInfo& disk = index.Disks[0];
    bytes[disk.ThumbRecordStart(disk.Thumbs[1])] = 'X';  // spoils its "F" marker
  }
  const QString path = s.Write("damaged.qrv", bytes);
  s.prompts.answers = {Answer::kNo};  // not now to saving what could be read
  QVERIFY(s.Start(path));
  // "B" sorts first by its bytes; of a cut file it shows the thumbnails that lie whole: none.
  const QList<QStringList> first_disk = {{"Диск A", cut ? "6" : "1", "1"}};
  const QList<QStringList> rows =
      cut ? QList<QStringList>({{"B", "0", "2"}}) + first_disk : first_disk;
  QCOMPARE(s.Rows(), rows);
  const int row = cut ? 1 : 0;
  s.SelectRows({row});
  SelectThumbs(View(s.window), {0});

  // Each is refused before it asks anything, with the same words, and nothing changes.
  s.Trigger("RemoveDisk");
  s.Trigger("RenameDisk");
  s.Trigger("RemoveThumb");
  s.Trigger("Import");
  const QStringList errors = s.prompts.Texts("error");
  QCOMPARE(errors.size(), 4);
  QCOMPARE(errors.count(errors[0]), 4);
  QVERIFY2(errors[0].contains(QStringLiteral("повреждён")), qPrintable(errors[0]));
  QVERIFY(s.prompts.unexpected.isEmpty());
  QCOMPARE(s.prompts.prompts.size(), std::size_t{5});
  QCOMPARE(s.document.Current().bytes.Flatten(), bytes);
  QVERIFY(!s.document.Modified());
  QVERIFY(!s.Action("Save")->isEnabled());
  QCOMPARE(Read(path), bytes);

  // Exporting what was read stays possible, and gives a well-formed catalogue.
  const QString out = s.dir.filePath("out.qrv");
  s.prompts.files = {out};
  s.Trigger("Export");
  QVERIFY(WellFormed(Read(out)));
  QCOMPARE(BuildIndex(Read(out)).TotalThumbs(), cut ? 6 : 1);
}

}  // namespace quorvel

QTEST_MAIN(quorvel::EditCommandsTest)
#include "edit_commands_test.moc"
