// What the window makes of the facts stored in thumbnails: a thumbnail's facts after its path,
// the thumbnail view ordered by the date taken (a choice kept between runs), and the list of
// thumbnails exported for a spreadsheet.
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <sstream>

#include "catalog/facts_listing.h"
#include "catalog/picture_facts.h"
#include "window_fixture.h"

namespace quorvel {
namespace {

PictureFacts TakenAt(const char* iso) {
  PictureFacts facts;
  facts.taken = ParseIsoDateTime(iso);
  return facts;
}

ThumbSpec Picture(const char* path, std::uint32_t seed, const PictureFacts& facts = {}) {
  return ThumbSpec{path, testkit::GradientJpeg(seed, facts)};
}

// Stored as Отпуск then Дом, listed as Дом, Отпуск. Отпуск's pictures were taken in another
// order than they were catalogued, and two have no date.
std::vector<DiskSpec> Disks() {
  PictureFacts first = TakenAt("2019-07-12T14:03:00");
  first.make = "Canon";
  first.model = "Canon EOS 70D";
  first.width = 5472;
  first.height = 3648;
  first.file_size = 7'549'747;
  PictureFacts undated;
  undated.make = "Apple";
  undated.model = "iPhone 12";
  return {
      {Utf8ToCp1251("Отпуск"),
       {Picture("E:\\a.jpg", 1, first), Picture("E:\\b.jpg", 2),
        Picture("E:\\c.jpg", 3, TakenAt("2018-01-01T10:00:00")),
        Picture("E:\\d.jpg", 4, TakenAt("2019-01-01T00:00:00")), Picture("E:\\e.jpg", 5, undated)}},
      {Utf8ToCp1251("Дом"),
       {Picture("F:\\f.jpg", 6, TakenAt("2020-05-05T05:05:05")),
        Picture("F:\\g.jpg", 7, TakenAt("2017-02-02T02:02:02"))}}};
}

const QStringList kByDate = {"E:\\c.jpg", "E:\\d.jpg", "E:\\a.jpg", "E:\\b.jpg", "E:\\e.jpg"};

// The names of the thumbnail view's selected items, in its order.
QStringList SelectedImages(MainWindow& window) {
  QStringList names;
  const QModelIndexList selected = View(window)->selectionModel()->selectedIndexes();
  for (int row = 0; row < View(window)->model()->rowCount(); ++row) {
    if (selected.contains(View(window)->model()->index(row, 0))) {
      names.append(View(window)->model()->index(row, 0).data().toString());
    }
  }
  return names;
}

void Search(MainWindow& window, const QString& text) {
  auto* field = window.findChild<QLineEdit*>(QStringLiteral("SearchField"));
  field->clear();
  TypeText(field, text);
}

std::string Csv(const CatalogDocument& document, const std::vector<ThumbRef>& thumbs) {
  std::ostringstream csv;
  WriteFactsCsv(csv, document.Index(), thumbs,
                {"Диск", "Путь", "Дата съёмки", "Камера", "Ширина", "Высота", "Размер файла"});
  return csv.str();
}

}  // namespace

class FactsViewTest : public QObject {
  Q_OBJECT

 private slots:
  void aThumbnailsFactsFollowItsPathInTheTooltipAndTheStatusBar();
  void theViewOrderedByDateKeepsTheSelectionAndTheNextStartKeepsTheOrder();
  void theListOfTheSelectedDisksOrOfTheResultsIsExported();
};

void FactsViewTest::aThumbnailsFactsFollowItsPathInTheTooltipAndTheStatusBar() {
  Session s;
  QVERIFY(s.Start(s.Write("f.qrv", BuildCatalog(Disks()))));
  s.SetCurrentRow(1);  // Отпуск
  QListView* view = View(s.window);
  const QAbstractItemModel& items = *view->model();
  QCOMPARE(
      items.index(0, 0).data(Qt::ToolTipRole).toString(),
      QStringLiteral("E:\\a.jpg\nСнято: 12.07.2019 14:03, Canon EOS 70D, 5472 x 3648, 7,2 МБ"));
  QCOMPARE(items.index(1, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("E:\\b.jpg"));

  view->setCurrentIndex(items.index(4, 0));
  QCOMPARE(StatusText(s.window), QStringLiteral("E:\\e.jpg — Apple iPhone 12"));
  view->setCurrentIndex(items.index(1, 0));
  QCOMPARE(StatusText(s.window), QStringLiteral("E:\\b.jpg"));
  // Another disk shown: the status tells of it again.
  s.SetCurrentRow(0);
  QCOMPARE(StatusText(s.window), QStringLiteral("Колличество изображений на диске \"Дом\" - 2."));
}

void FactsViewTest::theViewOrderedByDateKeepsTheSelectionAndTheNextStartKeepsTheOrder() {
  const QStringList by_catalogue = {"E:\\a.jpg", "E:\\b.jpg", "E:\\c.jpg", "E:\\d.jpg",
                                    "E:\\e.jpg"};
  Session s;
  const QString path = s.Write("f.qrv", BuildCatalog(Disks()));
  QVERIFY(s.Start(path));
  s.SetCurrentRow(1);
  QCOMPARE(ShownImages(s.window), by_catalogue);
  QListView* view = View(s.window);
  view->setCurrentIndex(view->model()->index(2, 0));  // c
  view->selectionModel()->select(view->model()->index(4, 0), QItemSelectionModel::Select);
  QAction* order = s.Action("OrderByDate");
  QVERIFY(s.Menu("thumbnail_menu")->actions().contains(order));
  QVERIFY(!order->isChecked());

  order->trigger();
  QCOMPARE(ShownImages(s.window), kByDate);
  QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("E:\\c.jpg"));
  QCOMPARE(SelectedImages(s.window), QStringList({"E:\\c.jpg", "E:\\e.jpg"}));

  {
    CatalogDocument document;
    RecordingPrompts prompts;
    CatalogOpening opening;
    MainWindow next(document, prompts, s.SettingsFile(), opening);
    next.OpenStartupCatalog(path);
    QVERIFY(next.findChild<QAction*>(QStringLiteral("OrderByDate"))->isChecked());
    auto* list = next.findChild<QTreeView*>(QStringLiteral("disk_list"));
    list->setCurrentIndex(list->model()->index(1, 0));
    QCOMPARE(ShownImages(next), kByDate);
  }

  // Results: each disk's by date, the disks in the list's order.
  Search(s.window, QStringLiteral("jpg"));
  QCOMPARE(ShownImages(s.window), QStringList({"F:\\g.jpg", "F:\\f.jpg"}) + kByDate);
  // Back in catalogue order meanwhile, the search ends on the thumbnail it began on.
  order->trigger();
  Search(s.window, QString());
  QCOMPARE(ShownImages(s.window), by_catalogue);
  QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("E:\\c.jpg"));
}

void FactsViewTest::theListOfTheSelectedDisksOrOfTheResultsIsExported() {
  Session s;
  QVERIFY(s.Start(s.Write("f.qrv", BuildCatalog(Disks()))));
  QAction* export_list = s.Action("ExportList");
  QVERIFY(s.Menu("file_menu")->actions().contains(export_list));
  QVERIFY(s.Menu("disk_menu")->actions().contains(export_list));
  s.List()->clearSelection();
  QVERIFY(!export_list->isEnabled());

  // The disks top to bottom, each's thumbnails as the view orders them.
  s.Action("OrderByDate")->trigger();
  s.SelectRows({0, 1});
  const QString disks = s.dir.filePath(QStringLiteral("disks.csv"));
  s.prompts.files.push_back(disks);
  export_list->trigger();
  QCOMPARE(testkit::ReadBytes(QStringToPath(disks)),
           Csv(s.document, {{1, 1}, {1, 0}, {0, 2}, {0, 3}, {0, 0}, {0, 1}, {0, 4}}));

  // One disk: the file is proposed under its name, beside the catalogue.
  s.SetCurrentRow(1);
  s.prompts.files.push_back(QString());
  export_list->trigger();
  auto* dialog = s.window.findChild<QFileDialog*>(QStringLiteral("csv_dialog"));
  QCOMPARE(dialog->selectedFiles().value(0), s.dir.filePath(QStringLiteral("Отпуск.csv")));

  // While searching: the results shown.
  Search(s.window, QStringLiteral("jpg -b"));
  const QString results = s.dir.filePath(QStringLiteral("results.csv"));
  s.prompts.files.push_back(results);
  export_list->trigger();
  QCOMPARE(testkit::ReadBytes(QStringToPath(results)),
           Csv(s.document, {{1, 1}, {1, 0}, {0, 2}, {0, 3}, {0, 0}, {0, 4}}));

  // A file that cannot be written is said to be so, as every failed write is.
  s.prompts.files.push_back(s.dir.filePath(QStringLiteral("нет/results.csv")));
  export_list->trigger();
  QCOMPARE(s.prompts.Texts(QStringLiteral("error")).size(), 1);
  QVERIFY(s.prompts.unexpected.isEmpty());
}

}  // namespace quorvel

QTEST_MAIN(quorvel::FactsViewTest)
#include "facts_view_test.moc"
