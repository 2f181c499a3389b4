// Opening a thumbnail's original picture, or its folder, from the thumbnail view: handed to the
// desktop where its disk is mounted, asked for by name where it is not.
#include <QDesktopServices>
#include <QDir>
#include <QListView>
#include <QTest>
#include <QUrl>

#include "window_fixture.h"

namespace quorvel {
namespace {

void SelectThumb(QListView* view, int row) {
  view->selectionModel()->select(view->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
}

}  // namespace

class OpenOriginalTest : public QObject {
  Q_OBJECT

 public slots:
  // Stands in for the desktop while a test runs.
  void Open(const QUrl& url) { opened.append(url); }

 private slots:
  void init() { opened.clear(); }
  void cleanup() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  void anOriginalThatIsHereGoesToTheDesktop();
  void anOriginalThatIsNotHereAsksForItsDisk();

 private:
  QList<QUrl> opened;
};

void OpenOriginalTest::anOriginalThatIsHereGoesToTheDesktop() {
  Session s;
  // One folder and file named in UTF-8 and stored in 1251, one file named in 1251 bytes.
  const QString folder = s.dir.filePath(QStringLiteral("Фото"));
  QVERIFY(QDir().mkpath(folder));
  const QString picture = folder + QStringLiteral("/Море.jpg");
  testkit::WriteFile(QStringToPath(picture), testkit::GradientJpeg(1));
  const std::string raw = PathBytes(folder) + "/" + Utf8ToCp1251("Крым.jpg");
  testkit::WriteFile(raw, testkit::GradientJpeg(2));
  const QString catalogue = s.Write(
      "o.qrv", BuildCatalog({{"d",
                              {{Utf8ToCp1251(picture.toStdString()), testkit::GradientJpeg(1)},
                               {Utf8ToCp1251(PathBytes(folder)) + "/" + Utf8ToCp1251("Крым.jpg"),
                                testkit::GradientJpeg(2)}}}}));
  QVERIFY(s.Start(catalogue));
  QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open");
  QListView* view = View(s.window);

  SelectThumb(view, 0);
  s.Action("OpenOriginal")->trigger();
  s.Action("ShowInFolder")->trigger();
  // A double click on the second, as the view reports it.
  SelectThumb(view, 1);
  emit view->doubleClicked(view->model()->index(1, 0));
  QCOMPARE(opened.size(), 3);
  QCOMPARE(opened[0], QUrl::fromLocalFile(picture));
  QCOMPARE(opened[1], QUrl::fromLocalFile(folder));
  QCOMPARE(opened[2].toEncoded(), QUrl::fromLocalFile(folder).toEncoded() + "/%CA%F0%FB%EC.jpg");

  // Nothing to open with two selected.
  view->selectAll();
  QVERIFY(!s.Action("OpenOriginal")->isEnabled() && !s.Action("ShowInFolder")->isEnabled());
  std::filesystem::remove(raw);  // a name that is not UTF-8 is past QTemporaryDir's cleaning
}

void OpenOriginalTest::anOriginalThatIsNotHereAsksForItsDisk() {
  Session s;
  const std::string missing = PathBytes(s.dir.filePath(QStringLiteral("нет.jpg")));
  QVERIFY(s.Start(s.Write(
      "n.qrv",
      BuildCatalog({{Utf8ToCp1251("Отпуск"), {{Utf8ToCp1251(missing), testkit::GradientJpeg(1)}}},
                    {"Win", {{"D:\\Photos\\a.jpg", testkit::GradientJpeg(2)}}}}))));
  QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open");
  QListView* view = View(s.window);
  for (const auto& [row, name] :
       {std::pair{0, QStringLiteral("Win")}, std::pair{1, QStringLiteral("Отпуск")}}) {
    s.SetCurrentRow(row);
    SelectThumb(view, 0);
    s.Action("OpenOriginal")->trigger();
    QCOMPARE(StatusText(s.window),
             QStringLiteral("Файл недоступен: вставьте диск \"%1\".").arg(name));
  }
  QVERIFY(opened.isEmpty());
}

}  // namespace quorvel

QTEST_MAIN(quorvel::OpenOriginalTest)
#include "open_original_test.moc"
