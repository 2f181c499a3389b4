// The closer look at a thumbnail: Space in the thumbnail view opens a window that follows the
// view's current item, showing the original picture where its disk is here and the thumbnail
// enlarged, with the reason, where it is not.
#include "mainwindow/picture_preview.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QThreadPool>

#include "window_fixture.h"

namespace quorvel {
namespace {

// A picture file of one colour, `size`, in the format its suffix names.
QString WritePicture(Session& s, const QString& name, QSize size, Qt::GlobalColor colour) {
  QImage picture(size, QImage::Format_RGB32);
  picture.fill(colour);
  const QString path = s.dir.filePath(name);
  return picture.save(path) ? path : QString();
}

// A catalogue of one disk whose thumbnails store `paths`, opened in the session's window, the
// thumbnail view focused on its first item.
bool StartOn(Session& s, const QStringList& paths) {
  std::vector<ThumbSpec> thumbs;
  for (const QString& path : paths) {
    thumbs.push_back({Utf8ToCp1251(path.toStdString()), testkit::GradientJpeg(7)});
  }
  if (!s.Start(s.Write("p.qrv", BuildCatalog({{"d", thumbs}})))) return false;
  View(s.window)->setFocus(Qt::TabFocusReason);
  return View(s.window)->currentIndex().row() == 0;
}

PicturePreview* Preview(Session& s) { return s.window.findChild<PicturePreview*>(); }

QString Note(Session& s) {
  const auto* note = Preview(s)->findChild<QLabel*>(QStringLiteral("preview_note"));
  return note->isVisible() ? note->text() : QString();
}

QString PictureName(Session& s) {
  return Preview(s)->findChild<QLabel*>(QStringLiteral("preview_picture"))->accessibleName();
}

}  // namespace

class PicturePreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void followsTheCurrentItemShowingItsOriginal();
  void withoutAReadableOriginalShowsTheThumbnailAndWhy();
  void spaceInTheViewOrSpaceOrEscapeInThePreviewClosesIt();
};

void PicturePreviewTest::followsTheCurrentItemShowingItsOriginal() {
  Session s;
  // Large enough to be still decoding when the second, small one is done.
  const QString wide = WritePicture(s, QStringLiteral("wide.png"), {4000, 2000}, Qt::red);
  const QString tall = WritePicture(s, QStringLiteral("tall.jpg"), {120, 240}, Qt::blue);
  QVERIFY(StartOn(s, {wide, tall}));
  QListView* view = View(s.window);
  view->setFixedWidth(view->visualRect(view->model()->index(0, 0)).width() + 40);  // one column

  QTest::keyClick(view, Qt::Key_Space);
  QVERIFY(Preview(s) != nullptr && Preview(s)->isVisible());
  QCOMPARE(Preview(s)->windowTitle(), QStringLiteral("wide.png"));
  QCOMPARE(PictureName(s), QStringLiteral("wide.png"));
  // The arrow moves on before the first picture is decoded: only the second is shown.
  QTest::keyClick(view, Qt::Key_Down);
  QTest::keyClick(view, Qt::Key_Down);
  QCOMPARE(view->currentIndex().row(), 1);
  QCOMPARE(Preview(s)->windowTitle(), QStringLiteral("tall.jpg"));
  QTRY_COMPARE(Preview(s)->Picture().size(), QSize(120, 240));
  QThreadPool::globalInstance()->waitForDone();
  QCoreApplication::processEvents();
  QCOMPARE(Preview(s)->Picture().size(), QSize(120, 240));
  QVERIFY(qBlue(Preview(s)->Picture().pixel(60, 120)) > 200);
  QCOMPARE(PictureName(s), QStringLiteral("tall.jpg"));
  QCOMPARE(Note(s), QString());
  QVERIFY(view->hasFocus());
}

void PicturePreviewTest::withoutAReadableOriginalShowsTheThumbnailAndWhy() {
  Session s;
  const QString unreadable = s.Write("broken.jpg", testkit::ToBytes("not a picture"));
  QVERIFY(StartOn(s, {s.dir.filePath(QStringLiteral("absent.jpg")), unreadable}));
  QListView* view = View(s.window);

  s.Trigger("Preview");
  QVERIFY(Preview(s)->isVisible());
  QCOMPARE(Note(s), QStringLiteral("Диск не вставлен: показан эскиз"));
  QCOMPARE(Preview(s)->Picture().size(), QSize(100, 100));
  QCOMPARE(PictureName(s), QStringLiteral("absent.jpg"));

  view->setCurrentIndex(view->model()->index(1, 0));
  QTRY_COMPARE(Note(s), QStringLiteral("Не удалось прочитать файл: показан эскиз"));
  QCOMPARE(Preview(s)->Picture().size(), QSize(100, 100));
}

void PicturePreviewTest::spaceInTheViewOrSpaceOrEscapeInThePreviewClosesIt() {
  Session s;
  QVERIFY(StartOn(s, {s.dir.filePath(QStringLiteral("absent.jpg"))}));
  QListView* view = View(s.window);
  // Space in a text field is a space.
  auto* field = s.window.findChild<QLineEdit*>(QStringLiteral("SearchField"));
  QTest::keyClick(field, Qt::Key_Space);
  QVERIFY(Preview(s) == nullptr);

  for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Escape}) {
    QTest::keyClick(view, Qt::Key_Space);
    QVERIFY(Preview(s)->isVisible());
    QTest::keyClick(Preview(s), key);
    QVERIFY(!Preview(s)->isVisible());
  }
  QTest::keyClick(view, Qt::Key_Space);
  QVERIFY(Preview(s)->isVisible());
  QTest::keyClick(view, Qt::Key_Space);
  QVERIFY(!Preview(s)->isVisible());
}

}  // namespace quorvel

QTEST_MAIN(quorvel::PicturePreviewTest)
#include "picture_preview_test.moc"
