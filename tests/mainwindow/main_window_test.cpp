// The main window with real catalogue files, driven the way start-up drives it.
#include "mainwindow/main_window.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QListView>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <vector>

#include "catalog/catalog_check.h"
#include "catalog/format.h"
#include "window_fixture.h"

namespace quorvel {

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void layoutOfTheWindow();
  void nextWindowTakesTheLayoutTheLastOneClosedWith();
  void disksAreListedByNameWithTheirNumbers();
  void nameOrderFollowsTheStoredBytes();
  void countAndNumberColumnsSortByValue();
  void catalogueWithoutDisks_data();
  void catalogueWithoutDisks();
  void missingFileOpensNothingSilently();
  void damagedCatalogueShowsWhatWasReadAndWarnsOnce();
  void damagedCatalogueCanBeSavedAsWhatWasRead();
  void damageWarningCountsTheDisksTheRepairKeeps();
  void fileThatCannotBeACatalogueIsNotOpened_data();
  void fileThatCannotBeACatalogueIsNotOpened();
};

void MainWindowTest::layoutOfTheWindow() {
  Session s;
  QVERIFY(s.Start(QString()));

  QCOMPARE(s.window.objectName(), QStringLiteral("main_window"));
  QCOMPARE(s.window.windowTitle(), QStringLiteral("Quorvel"));
  QCOMPARE(s.window.frameGeometry().size(), QSize(528, 268));
  const QPoint offset =
      s.window.frameGeometry().center() - s.window.screen()->availableGeometry().center();
  QVERIFY2(offset.manhattanLength() <= 2, "the window is not centred on its screen");

  QTreeView* list = s.List();
  QVERIFY(list != nullptr);
  // A column whose header this desktop's font would cut is wider, and the list with it.
  const int growth =
      list->columnWidth(0) - 150 + list->columnWidth(1) - 70 + list->columnWidth(2) - 50;
  QCOMPARE(list->width(), 281 + growth);
  const auto header = [list](int column) {
    return list->model()->headerData(column, Qt::Horizontal).toString();
  };
  QCOMPARE(header(0), QStringLiteral("Диск"));
  QCOMPARE(header(1), QStringLiteral("Фреймов"));
  QCOMPARE(header(2), QStringLiteral("Номер диска"));
  QCOMPARE(list->model()->columnCount(), 3);
  QVERIFY(list->columnWidth(0) >= 150);
  QVERIFY(list->columnWidth(1) >= 70);
  QVERIFY(list->columnWidth(2) >= 50);
  QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
  QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  QCOMPARE(s.window.focusWidget(), list);

  // The list is painted in the button face, not in the white of an ordinary list.
  const QPalette palette = list->viewport()->palette();
  QVERIFY(palette.color(QPalette::Button) != palette.color(QPalette::Base));
  const QImage picture = list->viewport()->grab().toImage();
  QCOMPARE(picture.pixelColor(picture.width() / 2, picture.height() - 2),
           palette.color(QPalette::Button));

  auto* splitter = s.window.findChild<QSplitter*>(QStringLiteral("lists_splitter"));
  QVERIFY(splitter != nullptr);
  QCOMPARE(splitter->handleWidth(), 3);
  QCOMPARE(splitter->widget(0), list);

  auto* thumbnails = s.window.findChild<QListView*>(QStringLiteral("thumbnail_view"));
  QVERIFY(thumbnails != nullptr);
  QCOMPARE(splitter->widget(1), thumbnails);
  QCOMPARE(thumbnails->flow(), QListView::LeftToRight);
  QVERIFY(thumbnails->isWrapping());
  QCOMPARE(thumbnails->geometry().left(), list->geometry().right() + 1 + 3);

  auto* status = s.window.findChild<QStatusBar*>(QStringLiteral("status_bar"));
  QVERIFY(status != nullptr);
  QCOMPARE(status, s.window.statusBar());
  QVERIFY(status->geometry().top() > list->geometry().bottom());

  // Only the thumbnails take the room a larger window gives.
  s.window.resize(900, 500);
  QTRY_COMPARE(thumbnails->width(), 900 - 281 - growth - 3);
  QCOMPARE(list->width(), 281 + growth);
}

void MainWindowTest::nextWindowTakesTheLayoutTheLastOneClosedWith() {
  Session s;
  QVERIFY(s.Start(QString()));
  auto* splitter = s.window.findChild<QSplitter*>(QStringLiteral("lists_splitter"));
  s.window.setGeometry(QRect(40, 50, 700, 420));
  QTRY_COMPARE(s.window.geometry(), QRect(40, 50, 700, 420));
  splitter->setSizes({200, 497});
  s.List()->setColumnWidth(0, 111);
  const QList<int> split = splitter->sizes();
  QVERIFY(s.window.close());

  MainWindow next(s.document, s.prompts, s.SettingsFile(), s.opening);
  next.show();
  QVERIFY(QTest::qWaitForWindowExposed(&next));
  QCoreApplication::processEvents();
  QCOMPARE(next.geometry(), QRect(40, 50, 700, 420));
  QCOMPARE(next.findChild<QSplitter*>(QStringLiteral("lists_splitter"))->sizes(), split);
  QCOMPARE(next.findChild<QTreeView*>(QStringLiteral("disk_list"))->columnWidth(0), 111);
}

void MainWindowTest::disksAreListedByNameWithTheirNumbers() {
  Session s;
  const QString path = s.Write(QStringLiteral("Каталог.qrv"),
                               BuildCatalog({Disk("b", 2), Disk("a", 5), Disk("c", 1)}));
  QVERIFY(s.Start(path));

  const QList<QStringList> expected = {{"a", "5", "2"}, {"b", "2", "1"}, {"c", "1", "3"}};
  QCOMPARE(s.Rows(), expected);
  QCOMPARE(s.window.windowTitle(), Caption(path, 3));
  QVERIFY(s.prompts.warnings.empty());

  // Start-up selects the first row alone and leaves the list ready for the next header click.
  QCOMPARE(s.SelectedNames(), QStringList({"a"}));
  QCOMPARE(s.window.focusWidget(), s.List());
  QCOMPARE(s.SortColumn(), 0);
  QCOMPARE(s.NextSortAscending(), false);

  // A reload rebuilds the rows instead of adding to them, and takes the focus back.
  s.window.findChild<QListView*>(QStringLiteral("thumbnail_view"))->setFocus();
  QVERIFY(s.window.focusWidget() != s.List());
  s.document.Reload(false);
  QCOMPARE(s.Rows(), expected);
  QCOMPARE(s.window.focusWidget(), s.List());
}

void MainWindowTest::nameOrderFollowsTheStoredBytes() {
  Session s;
  // In Windows-1251 "ё" (B8) comes before every other Cyrillic letter, capitals (C0-DF) come
  // before small letters (E0-FF), and Latin capitals before Latin small letters.
  const std::vector<std::string> names = {"я", "Отпуск 2019", "ё", "а", "Б", "b", "B", "ab", "a"};
  std::vector<DiskSpec> disks;
  for (const std::string& name : names) disks.push_back(Disk(name));
  s.window.OpenStartupCatalog(s.Write(QStringLiteral("names.qrv"), BuildCatalog(disks)));

  QCOMPARE(s.Column(0), QStringList({"B", "a", "ab", "b", "ё", "Б", "Отпуск 2019", "а", "я"}));
  QCOMPARE(s.Column(2), QStringList({"7", "9", "8", "6", "3", "5", "2", "4", "1"}));
}

void MainWindowTest::countAndNumberColumnsSortByValue() {
  Session s;
  std::vector<DiskSpec> disks;
  const int counts[] = {9, 10, 2, 0, 1, 3, 4, 5, 6, 7};
  for (int i = 0; i < 10; ++i) disks.push_back(Disk("disk" + std::to_string(i), counts[i]));
  QVERIFY(s.Start(s.Write(QStringLiteral("counts.qrv"), BuildCatalog(disks))));

  // The reload leaves the next sort descending; every sort flips the direction.
  s.ClickHeader(1);
  QCOMPARE(s.SortColumn(), 1);
  QCOMPARE(s.Column(1), QStringList({"10", "9", "7", "6", "5", "4", "3", "2", "1", "0"}));
  s.ClickHeader(1);
  QCOMPARE(s.Column(1), QStringList({"0", "1", "2", "3", "4", "5", "6", "7", "9", "10"}));
  s.ClickHeader(2);
  QCOMPARE(s.SortColumn(), 2);
  QCOMPARE(s.Column(2), QStringList({"10", "9", "8", "7", "6", "5", "4", "3", "2", "1"}));
  // Rows keep their cells together whatever the order.
  QCOMPARE(s.Rows().first(), QStringList({"disk9", "7", "10"}));

  // A reload goes back to ascending names.
  s.document.Reload(false);
  QCOMPARE(s.SortColumn(), 0);
  QCOMPARE(s.Column(0).first(), QStringLiteral("disk0"));
  QCOMPARE(s.Column(0).last(), QStringLiteral("disk9"));
}

void MainWindowTest::catalogueWithoutDisks_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("empty file") << QByteArray();
  const Bytes header = BuildCatalog({});
  QTest::newRow("header alone") << QByteArray(reinterpret_cast<const char*>(header.data()),
                                              static_cast<qsizetype>(header.size()));
}

void MainWindowTest::catalogueWithoutDisks() {
  QFETCH(QByteArray, bytes);
  Session s;
  const QString path = s.Write(QStringLiteral("none.qrv"), Bytes(bytes.begin(), bytes.end()));
  QVERIFY(s.Start(path));

  QCOMPARE(s.RowCount(), 0);
  QCOMPARE(s.window.windowTitle(), Caption(path, 0));
  QVERIFY(s.document.CatalogOpen());
  QVERIFY(s.prompts.warnings.empty());
}

void MainWindowTest::missingFileOpensNothingSilently() {
  Session s;
  QVERIFY(s.Start(s.dir.filePath(QStringLiteral("gone.qrv"))));

  QCOMPARE(s.RowCount(), 0);
  QCOMPARE(s.window.windowTitle(), QStringLiteral("Quorvel"));
  QVERIFY(!s.document.CatalogOpen());
  QVERIFY(s.document.CatalogFileName().empty());
  QVERIFY(s.prompts.warnings.empty());
}

void MainWindowTest::damagedCatalogueShowsWhatWasReadAndWarnsOnce() {
  Session s;
  Bytes bytes = BuildCatalog({Disk("first", 3), Disk("second", 4), Disk("third", 2)});
  const Bytes whole_first = BuildCatalog({Disk("first", 3)});
  const Bytes through_second = BuildCatalog({Disk("first", 3), Disk("second", 4)});
  // Cut inside the JPEG of the second disk's third thumbnail: two of its four lie whole before.
  const std::size_t second_record = through_second.size() - whole_first.size();
  bytes.resize(whole_first.size() + second_record * 2 / 3);
  const QString path = s.Write(QStringLiteral("cut.qrv"), bytes);
  s.prompts.answers = {Answer::kNo, Answer::kNo};
  s.window.OpenStartupCatalog(path);
  // The warning waits for the window, so that it does not open alone on the screen.
  QVERIFY(s.prompts.prompts.empty());
  s.window.show();
  QTRY_COMPARE(s.prompts.Texts("warn-yes-no").size(), 1);

  QCOMPARE(s.Rows().size(), 2);
  QCOMPARE(s.Rows()[0], QStringList({"first", "3", "1"}));
  QCOMPARE(s.Rows()[1], QStringList({"second", "2", "2"}));
  QCOMPARE(s.window.windowTitle(), Caption(path, 2));
  QVERIFY(s.document.CatalogOpen());

  QCoreApplication::processEvents();
  QCOMPARE(s.prompts.prompts.size(), std::size_t{1});
  const RecordingPrompts::Prompt& warning = s.prompts.prompts[0];
  QCOMPARE(warning.parent, &s.window);
  QCOMPARE(warning.title, QStringLiteral("Quorvel"));
  QVERIFY2(warning.text.contains(QStringLiteral("повреждён")), qPrintable(warning.text));
  QVERIFY2(warning.text.contains(path), qPrintable(warning.text));
  QVERIFY2(warning.text.contains(QString::number(s.document.Index().Damage->offset)),
           qPrintable(warning.text));
  // The question comes last; No leaves the catalogue open for viewing, and writes nothing.
  QVERIFY2(warning.text.endsWith(QStringLiteral("\rСохранить прочитанное в новый каталог?")),
           qPrintable(warning.text));
  QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), QStringList({"cut.qrv"}));

  // Rebuilding from memory, as every edit does, does not repeat the warning...
  s.document.Reload(false);
  QCOMPARE(s.prompts.prompts.size(), std::size_t{1});
  QCOMPARE(s.Rows().size(), 2);
  // ...reading the file again does.
  s.LoadFromFile();
  QCOMPARE(s.prompts.Texts("warn-yes-no").size(), 2);
  QVERIFY(s.prompts.unexpected.isEmpty());
}

void MainWindowTest::damageWarningCountsTheDisksTheRepairKeeps() {
  Session s;
  Bytes bytes = BuildCatalog({Disk("a", 2), Disk("b", 3), Disk("c", 1), Disk("d", 2)});
  // The third disk's marker flipped: reading stops there, the repair reads past it.
  const std::size_t third = BuildCatalog({Disk("a", 2), Disk("b", 3)}).size();
  QCOMPARE(bytes[third], std::uint8_t{kDiskMarker});
  bytes[third] ^= 0x20;
  const QString path = s.Write(QStringLiteral("flipped.qrv"), bytes);
  s.prompts.answers = {Answer::kNo};
  QVERIFY(s.Start(path));
  QCOMPARE(s.RowCount(), 2);
  QCOMPARE(s.window.windowTitle(), Caption(path, 2));
  QTRY_COMPARE(s.prompts.Texts("warn-yes-no").size(), 1);
  const QStringList warnings = s.prompts.Texts("warn-yes-no");
  QVERIFY2(warnings[0].contains(QStringLiteral("можно сохранить дисков: 4 из 4.")),
           qPrintable(warnings[0]));
}

void MainWindowTest::damagedCatalogueCanBeSavedAsWhatWasRead() {
  Session s;
  Bytes bytes = BuildCatalog({Disk("first", 3), Disk("second", 4)});
  bytes.resize(bytes.size() - 700);  // inside the second disk's last thumbnails
  const QString path = s.Write(QStringLiteral("cut.qrv"), bytes);
  const QString repaired = s.dir.filePath(QStringLiteral("read.qrv"));
  s.prompts.answers = {Answer::kYes, Answer::kYes};
  s.prompts.files = {path, s.dir.filePath(QStringLiteral("read"))};
  QVERIFY(s.Start(path));

  // Its own file is refused, so the damaged file stays as it was; a new name is asked again.
  QCOMPARE(s.prompts.Texts("error").size(), 1);
  QCOMPARE(testkit::ReadBytes(QStringToPath(path)), std::string(bytes.begin(), bytes.end()));
  QVERIFY(s.document.Index().Damage);
  s.LoadFromFile();
  QStringList dialogs;
  for (const RecordingPrompts::Prompt& p : s.prompts.prompts) {
    if (p.kind == QStringLiteral("file")) dialogs.append(p.title);
  }
  QCOMPARE(dialogs, QStringList({"save_dialog", "save_dialog"}));
  QVERIFY(s.prompts.unexpected.isEmpty());

  QCOMPARE(PathToQString(s.document.CatalogFileName()), repaired);
  const Bytes written = LoadFile(QStringToPath(repaired));
  QVERIFY(CheckCatalog(written).ok());
  QCOMPARE(s.document.Current().bytes.Flatten(), written);
  QVERIFY(!s.document.Index().Damage && !s.document.Modified());
  QCOMPARE(s.Column(0), QStringList({"first", "second"}));
  QCOMPARE(s.window.windowTitle(), Caption(repaired, 2));
  QCOMPARE(testkit::ReadBytes(QStringToPath(path)), std::string(bytes.begin(), bytes.end()));
}

void MainWindowTest::fileThatCannotBeACatalogueIsNotOpened_data() {
  QTest::addColumn<QString>("kind");
  QTest::newRow("foreign bytes") << QStringLiteral("bytes");
  QTest::newRow("unreadable") << QStringLiteral("folder");
  // Reading one would wait for a writer that never comes.
  QTest::newRow("fifo") << QStringLiteral("fifo");
}

void MainWindowTest::fileThatCannotBeACatalogueIsNotOpened() {
  QFETCH(QString, kind);
  // At start-up, and when the open catalogue's file has been replaced by the time it is read.
  for (const bool catalogue_open_before : {false, true}) {
    Session s;
    const QString path = s.dir.filePath(QStringLiteral("photo.qrv"));
    if (catalogue_open_before) {
      s.Write(QStringLiteral("photo.qrv"), BuildCatalog({Disk("a")}));
      QVERIFY(s.Start(path));
      QCOMPARE(s.RowCount(), 1);
      QCOMPARE(s.window.windowTitle(), Caption(path, 1));
      QVERIFY(QFile::remove(path));
    }
    if (kind == QStringLiteral("folder")) {
      QVERIFY(QDir().mkdir(path));
    } else if (kind == QStringLiteral("fifo")) {
      QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
      s.Write(QStringLiteral("photo.qrv"), testkit::GradientJpeg(7));
    }
    if (catalogue_open_before) {
      s.LoadFromFile();
    } else {
      QVERIFY(s.Start(path));
    }

    QCOMPARE(s.RowCount(), 0);
    QCOMPARE(s.window.windowTitle(), QStringLiteral("Quorvel"));
    QVERIFY(!s.document.CatalogOpen());
    QVERIFY(s.document.Current().bytes.Flatten().empty());
    QCOMPARE(s.prompts.warnings.size(), std::size_t{1});
    QCOMPARE(s.prompts.warnings[0].title, QStringLiteral("Quorvel"));
    QVERIFY2(s.prompts.warnings[0].text.contains(path), qPrintable(s.prompts.warnings[0].text));
  }
}

}  // namespace quorvel

QTEST_MAIN(quorvel::MainWindowTest)
#include "main_window_test.moc"
