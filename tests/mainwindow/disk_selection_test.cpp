// Start-up's choice of catalogue, the stored name at exit, and the disk list driven by real
// mouse events: selection, header-click sorting and row colours.
#include <QLabel>
#include <QListView>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "catalog/stream.h"
#include "mainwindow/disk_list_model.h"
#include "mainwindow/main_window.h"
#include "settings/ini_file.h"
#include "window_fixture.h"

namespace quorvel {
namespace {

QString Expected(const QString& disk, int count) {
  return QStringLiteral("Колличество изображений на диске \"") + disk + QStringLiteral("\" - ") +
         QString::number(count) + QStringLiteral(".");
}

void WriteStoredName(const std::filesystem::path& ini, const QString& name) {
  IniFile settings = IniFile::Load(ini);
  settings.WriteString("Form", "Catalogname", name.toStdString());
  settings.Save(ini);
}

std::string StoredName(const std::filesystem::path& ini) {
  return IniFile::Load(ini).ReadString("Form", "Catalogname", "<missing>");
}

void Click(QTreeView* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, RowRect(list, row).center());
}

}  // namespace

class DiskSelectionTest : public QObject {
  Q_OBJECT

 private slots:
  void startupOpensTheArgumentOrElseTheStoredName();
  void exitStoresTheCatalogueTheOptionChooses();
  void startupSelectsTheFirstNameAndShowsItsDisk();
  void clickAndControlClickShowTheRowJustSelected();
  void headerClicksAlternateTheDirectionWhateverTheColumn();
  void selectedRowsAreBlackAndTheOthersSilver();
};

void DiskSelectionTest::startupOpensTheArgumentOrElseTheStoredName() {
  {
    // No settings file and no argument: nothing is open.
    Session s;
    QVERIFY(s.Start(QString()));
    QVERIFY(!s.document.CatalogOpen());
    QCOMPARE(s.RowCount(), 0);
    QVERIFY(ShownImages(s.window).isEmpty());
  }
  {
    // The stored name, in Cyrillic (Windows-1251 in the file), opens when no argument is given.
    Session s;
    const QString stored = s.Write(QStringLiteral("Архив.qrv"), BuildCatalog({Disk("stored")}));
    WriteStoredName(s.SettingsFile(), stored);
    QVERIFY(s.Start(QString()));
    QCOMPARE(PathToQString(s.document.CatalogFileName()), stored);
    QCOMPARE(s.Column(0), QStringList({"stored"}));
  }
  {
    // An argument wins over the stored name...
    Session s;
    WriteStoredName(s.SettingsFile(),
                    s.Write(QStringLiteral("stored.qrv"), BuildCatalog({Disk("stored")})));
    const QString argument =
        s.Write(QStringLiteral("argument.qrv"), BuildCatalog({Disk("argument")}));
    QVERIFY(s.Start(argument));
    QCOMPARE(s.Column(0), QStringList({"argument"}));
  }
  {
    // ...even when it names a missing file: then nothing opens, and nothing is said.
    Session s;
    WriteStoredName(s.SettingsFile(),
                    s.Write(QStringLiteral("stored.qrv"), BuildCatalog({Disk("stored")})));
    QVERIFY(s.Start(s.dir.filePath(QStringLiteral("missing.qrv"))));
    QVERIFY(!s.document.CatalogOpen());
    QCOMPARE(s.RowCount(), 0);
    QCOMPARE(s.window.windowTitle(), QStringLiteral("Quorvel"));
    QVERIFY(s.prompts.warnings.empty());
  }
}

void DiskSelectionTest::exitStoresTheCatalogueTheOptionChooses() {
  QTemporaryDir dir;
  const std::filesystem::path ini = QStringToPath(dir.filePath(QStringLiteral("quorvel.ini")));
  const QString open_path = dir.filePath(QStringLiteral("open.qrv"));
  testkit::WriteFile(QStringToPath(open_path), BuildCatalog({Disk("x")}));
  const auto run = [&](const CatalogOpening& opening, const QString& argument) {
    CatalogDocument document;
    RecordingPrompts prompts;
    auto window = std::make_unique<MainWindow>(document, prompts, ini, opening);
    window->OpenStartupCatalog(argument);
    window.reset();  // destruction writes the name
  };

  WriteStoredName(ini, QStringLiteral("/before.qrv"));
  run(CatalogOpening{}, open_path);
  QCOMPARE(StoredName(ini), std::string());  // without the option the stored name is cleared

  run(CatalogOpening{true, {}}, open_path);
  QCOMPARE(QString::fromStdString(StoredName(ini)), open_path);

  WriteStoredName(ini, QStringLiteral("/kept.qrv"));
  run(CatalogOpening{true, {}}, QString());  // nothing open at exit
  QCOMPARE(StoredName(ini), std::string("/kept.qrv"));

  run(CatalogOpening{true, "/always/Фото.qrv"}, open_path);
  QCOMPARE(StoredName(ini), std::string("/always/Фото.qrv"));
}

void DiskSelectionTest::startupSelectsTheFirstNameAndShowsItsDisk() {
  Session s;
  QVERIFY(s.Start(s.Write(QStringLiteral("bac.qrv"),
                          BuildCatalog({Disk("b", 2), Disk("a", 3), Disk("c", 0)}))));
  QCOMPARE(s.Column(0), QStringList({"a", "b", "c"}));
  QCOMPARE(s.window.SelectedDisk(), 1);
  QCOMPARE(StatusText(s.window), Expected("a", 3));
  QCOMPARE(ShownImages(s.window), QStringList({"E:\\img0.jpg", "E:\\img1.jpg", "E:\\img2.jpg"}));
  auto* view = s.window.findChild<QListView*>(QStringLiteral("thumbnail_view"));
  QCOMPARE(view->model()->rowCount(), 3);

  // A disk without thumbnails empties the view and says so.
  Click(s.List(), 2);
  QCOMPARE(s.window.SelectedDisk(), 2);
  QCOMPARE(StatusText(s.window), Expected("c", 0));
  QCOMPARE(view->model()->rowCount(), 0);
}

void DiskSelectionTest::clickAndControlClickShowTheRowJustSelected() {
  Session s;
  QVERIFY(s.Start(s.Write(QStringLiteral("three.qrv"),
                          BuildCatalog({Disk("Фото", 4), Disk("Музыка", 1), Disk("Архив", 2)}))));
  QTreeView* list = s.List();
  auto* view = s.window.findChild<QListView*>(QStringLiteral("thumbnail_view"));
  QCOMPARE(s.Column(0), QStringList({"Архив", "Музыка", "Фото"}));

  // Clicking the row that is already selected keeps it, and its thumbnails, shown.
  Click(list, 0);
  QCOMPARE(s.SelectedNames().size(), 1);
  QCOMPARE(view->model()->rowCount(), 2);

  Click(list, 2);
  QCOMPARE(s.SelectedNames().size(), 1);
  QCOMPARE(s.window.SelectedDisk(), 0);
  QCOMPARE(StatusText(s.window), Expected("Фото", 4));
  QCOMPARE(view->model()->rowCount(), 4);

  // Control-click adds a row: the view shows that row's disk, the first row stays selected.
  Click(list, 1, Qt::ControlModifier);
  QCOMPARE(s.SelectedNames().size(), 2);
  QCOMPARE(s.window.SelectedDisk(), 1);
  QCOMPARE(StatusText(s.window), Expected("Музыка", 1));
  QCOMPARE(view->model()->rowCount(), 1);

  // Control-click on a selected row takes it out: the view empties, and with it the status text
  // that named its disk.
  Click(list, 1, Qt::ControlModifier);
  QCOMPARE(s.SelectedNames().size(), 1);
  QCOMPARE(view->model()->rowCount(), 0);
  QCOMPARE(StatusText(s.window), QString());
  QCOMPARE(s.window.SelectedDisk(), 1);  // kept when rows are unselected
}

void DiskSelectionTest::headerClicksAlternateTheDirectionWhateverTheColumn() {
  Session s;
  std::vector<DiskSpec> disks;
  const int counts[] = {9, 10, 2, 1};
  for (int i = 0; i < 4; ++i) disks.push_back(Disk("d" + std::to_string(i), counts[i]));
  QVERIFY(s.Start(s.Write(QStringLiteral("sort.qrv"), BuildCatalog(disks))));
  QTreeView* list = s.List();

  s.ClickHeader(DiskListModel::kThumbCountColumn);
  QCOMPARE(s.Column(1), QStringList({"10", "9", "2", "1"}));
  s.ClickHeader(DiskListModel::kThumbCountColumn);
  QCOMPARE(s.Column(1), QStringList({"1", "2", "9", "10"}));
  // The next click sorts descending, whichever column it is on.
  s.ClickHeader(DiskListModel::kNameColumn);
  QCOMPARE(s.Column(0), QStringList({"d3", "d2", "d1", "d0"}));
  s.ClickHeader(DiskListModel::kDiskNumberColumn);
  QCOMPARE(s.Column(2), QStringList({"1", "2", "3", "4"}));
  QCOMPARE(s.SortColumn(), DiskListModel::kDiskNumberColumn);

  // Sorting moves rows, not their link to the disk: selecting the top row shows disk d0.
  Click(list, 0);
  QCOMPARE(s.window.SelectedDisk(), 0);
  QCOMPARE(StatusText(s.window), Expected("d0", 9));
}

void DiskSelectionTest::selectedRowsAreBlackAndTheOthersSilver() {
  Session s;
  QVERIFY(s.Start(s.Write(QStringLiteral("colours.qrv"),
                          BuildCatalog({Disk("MMMMMMMM", 1), Disk("WWWWWWWW", 1)}))));
  QTreeView* list = s.List();
  Click(list, 0);
  const QImage image = list->viewport()->grab().toImage();
  const qreal ratio = image.devicePixelRatio();
  const auto darkest = [&](int row) {
    const QRect rect = RowRect(list, row);
    int least = 255;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      for (int x = rect.left(); x < rect.left() + 140; ++x) {
        least = std::min(least, qGray(image.pixel(int(x * ratio), int(y * ratio))));
      }
    }
    return least;
  };
  QVERIFY2(darkest(0) < 60, "the selected row's text is black");
  const int unselected = darkest(1);
  QVERIFY2(
      unselected > 150 && unselected <= 200,
      qPrintable(QStringLiteral("unselected text is silver, darkest grey %1").arg(unselected)));
}

}  // namespace quorvel

QTEST_MAIN(quorvel::DiskSelectionTest)
#include "disk_selection_test.moc"
