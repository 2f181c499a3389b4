// The thumbnail view: the selected disk's thumbnails decoded from the catalogue as they are
// painted, the view's item texts, and what a thumbnail that does not decode looks like.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <filesystem>

#include "catalog/format.h"
#include "catalog/thumbnail_jpeg.h"
#include "mainwindow/thumbnail_delegate.h"
#include "window_fixture.h"

namespace quorvel {
namespace {

Bytes SolidJpeg(QRgb colour, int width = kThumbSide, int height = kThumbSide) {
  Bytes pixels(static_cast<std::size_t>(width * height * 3));
  for (std::size_t i = 0; i < pixels.size(); i += 3) {
    pixels[i] = static_cast<std::uint8_t>(qRed(colour));
    pixels[i + 1] = static_cast<std::uint8_t>(qGreen(colour));
    pixels[i + 2] = static_cast<std::uint8_t>(qBlue(colour));
  }
  Bytes jpeg;
  AppendJpeg(jpeg, RgbView{pixels.data(), width, height, width * 3});
  return jpeg;
}

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) < 12 && std::abs(qGreen(a) - qGreen(b)) < 12 &&
         std::abs(qBlue(a) - qBlue(b)) < 12;
}

// The view as painted now, and a pixel of it at a point of the view's viewport.
struct Painted {
  explicit Painted(QListView* view) : view(view), image(view->viewport()->grab().toImage()) {}
  QRgb At(QPoint p) const {
    const qreal r = image.devicePixelRatio();
    return image.pixel(int(p.x() * r), int(p.y() * r));
  }
  QRect Picture(int row) const {
    return ThumbnailDelegate::PictureRect(view->visualRect(view->model()->index(row, 0)));
  }
  QListView* view;
  QImage image;
};

}  // namespace

class ThumbnailViewTest : public QObject {
  Q_OBJECT

 private slots:
  void paintsEachThumbnailFromTheCatalogue();
  void aThumbnailOfAnotherSizeKeepsItsOwnSize();
  void undecodableThumbnailsShowAFrameAndOneNote();
  void aCatalogueRewrittenInPlaceIsNamedInTheStatus();
  void selectingADiskShowsItsFirstThumbnails();
  void labelsKeepTheFileNameWhole();
  void aResultIsLabelledWithItsDiskFolderAndFileName();
  void labelsAreDrawnWithTheirAccents();
  void itemsWrapAtTheWidthAndFollowKeysAndTheBand();
  void aScrollRightAfterAClickIsNotUndone();
};

void ThumbnailViewTest::labelsKeepTheFileNameWhole() {
  QFont font;
  font.setPointSize(ThumbnailDelegate::kLabelPointSize);
  const QFontMetrics metrics(font);
  const int width = ThumbnailDelegate::kItemWidth - 8;
  QCOMPARE(ThumbnailDelegate::LabelLines("E:\\a.jpg", metrics, width), QStringList({"E:\\a.jpg"}));
  const QStringList lines = ThumbnailDelegate::LabelLines(
      QStringLiteral("E:\\Фото\\2019\\Отпуск на море\\Крым\\IMG_0001.JPG"), metrics, width);
  QCOMPARE(lines.size(), 2);
  QCOMPARE(lines[1], QStringLiteral("IMG_0001.JPG"));
  QVERIFY(lines[0].endsWith(QStringLiteral("Крым\\")));
  QVERIFY(metrics.horizontalAdvance(lines[0]) <= width);
}

void ThumbnailViewTest::aResultIsLabelledWithItsDiskFolderAndFileName() {
  QFont font;
  font.setPointSize(ThumbnailDelegate::kLabelPointSize);
  const QFontMetrics metrics(font);
  const int width = ThumbnailDelegate::kItemWidth - 8;
  const QString path = QStringLiteral("E:\\Фото\\2019\\Отпуск на море\\Крым\\IMG_0001.JPG");
  QCOMPARE(ThumbnailDelegate::ResultLines("Лето", "E:\\a\\b.jpg", metrics, width),
           QStringList({"Лето", "E:\\a\\", "b.jpg"}));
  QCOMPARE(ThumbnailDelegate::ResultLines("Лето", "b.jpg", metrics, width),
           QStringList({"Лето", "b.jpg"}));
  const QStringList lines = ThumbnailDelegate::ResultLines("Лето", path, metrics, width);
  QCOMPARE(lines.size(), 3);
  QCOMPARE(lines[2], QStringLiteral("IMG_0001.JPG"));
  // Too wide for the item: both ends of the folder stay.
  QVERIFY2(lines[1].startsWith(QStringLiteral("E:\\Ф")) &&
               lines[1].endsWith(QStringLiteral("м\\")) && lines[1].contains(QChar(0x2026)),
           qPrintable(lines[1]));
  QVERIFY(metrics.horizontalAdvance(lines[1]) <= width);

  // In the window a result's item grows by that line, a disk's own does not; the tool tip and
  // a screen reader's description keep the whole path.
  Session s;
  QVERIFY(s.Start(s.Write(
      QStringLiteral("r.qrv"),
      BuildCatalog({{Utf8ToCp1251("Лето"), {{Utf8ToCp1251(path.toStdString()), SolidJpeg(0)}}}}))));
  QListView* view = View(s.window);
  const QModelIndex item = view->model()->index(0, 0);
  const int disk_height = view->visualRect(item).height();
  auto* field = s.window.findChild<QLineEdit*>(QStringLiteral("SearchField"));
  TypeText(field, QStringLiteral("крым"));
  const QModelIndex result = view->model()->index(0, 0);
  QCOMPARE(result.data(Qt::ToolTipRole).toString(), QStringLiteral("Лето\n") + path);
  QCOMPARE(result.data(Qt::AccessibleDescriptionRole).toString(), path);
  const int growth = view->visualRect(result).height() - disk_height;
  QVERIFY2(growth >= metrics.height() && growth < 2 * metrics.height(),
           qPrintable(QString::number(growth)));
  QTest::keyClick(field, Qt::Key_Escape);
  QCOMPARE(view->visualRect(view->model()->index(0, 0)).height(), disk_height);
}

// The rows of `area` in which some pixel differs from the row's first.
int InkRows(const QImage& image, const QRect& area) {
  int rows = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const QRgb background = image.pixel(area.left(), y);
    for (int x = area.left() + 1; x <= area.right(); ++x) {
      if (image.pixel(x, y) != background) {
        ++rows;
        break;
      }
    }
  }
  return rows;
}

void ThumbnailViewTest::labelsAreDrawnWithTheirAccents() {
  const QString text = QStringLiteral("ЁЁЁ");
  Session s;
  QVERIFY(s.Start(s.Write(
      QStringLiteral("e.qrv"),
      BuildCatalog({{"d", {{Utf8ToCp1251(text.toStdString()), SolidJpeg(qRgb(0, 0, 0))}}}}))));
  QListView* view = View(s.window);
  view->clearSelection();
  view->setCurrentIndex(QModelIndex());
  const Painted painted(view);
  QCOMPARE(painted.image.devicePixelRatio(), 1.0);
  const QRect item = view->visualRect(view->model()->index(0, 0));
  const QRect below(item.left() + 2, painted.Picture(0).bottom() + 1, item.width() - 4,
                    item.bottom() - painted.Picture(0).bottom());

  // The same text drawn whole, with nothing to cut it.
  QFont font = view->font();
  font.setPointSize(ThumbnailDelegate::kLabelPointSize);
  QImage whole(item.width(), 4 * below.height(), QImage::Format_RGB32);
  whole.fill(Qt::white);
  {
    QPainter painter(&whole);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(4, 2 * below.height()), text);
  }
  QVERIFY(InkRows(whole, whole.rect()) > 0);
  QCOMPARE(InkRows(painted.image, below), InkRows(whole, whole.rect()));
}

void ThumbnailViewTest::paintsEachThumbnailFromTheCatalogue() {
  Session s;
  const QRgb colours[] = {qRgb(220, 30, 30), qRgb(30, 200, 40), qRgb(40, 60, 230)};
  DiskSpec disk{"colours", {}};
  for (int k = 0; k < 3; ++k) {
    disk.thumbs.push_back(
        {Utf8ToCp1251("D:\\Фото\\" + std::to_string(k) + ".jpg"), SolidJpeg(colours[k])});
  }
  QVERIFY(s.Start(s.Write(QStringLiteral("c.qrv"), BuildCatalog({disk}))));
  s.window.resize(900, 400);
  QListView* view = View(s.window);
  QTRY_VERIFY(view->width() > 3 * ThumbnailDelegate::kItemWidth);

  QCOMPARE(view->model()->rowCount(), 3);
  QCOMPARE(view->model()->index(1, 0).data().toString(), QStringLiteral("D:\\Фото\\1.jpg"));
  const Painted painted(view);
  for (int k = 0; k < 3; ++k) {
    const QRect picture = painted.Picture(k);
    QVERIFY2(Near(painted.At(picture.center()), colours[k]), qPrintable(QString::number(k)));
    QVERIFY(Near(painted.At(picture.topLeft() + QPoint(1, 1)), colours[k]));
    QVERIFY(Near(painted.At(picture.bottomRight() - QPoint(1, 1)), colours[k]));
  }
  // Items flow left to right: the second item stands beside the first.
  QCOMPARE(painted.Picture(1).top(), painted.Picture(0).top());
  QVERIFY(painted.Picture(1).left() >= painted.Picture(0).right());
}

void ThumbnailViewTest::aThumbnailOfAnotherSizeKeepsItsOwnSize() {
  Session s;
  const QRgb red = qRgb(230, 20, 20);
  QVERIFY(s.Start(s.Write(QStringLiteral("small.qrv"),
                          BuildCatalog({{"d", {{"small", SolidJpeg(red, 40, 30)}}}}))));
  const Painted painted(View(s.window));
  const QRect picture = painted.Picture(0);
  QVERIFY(Near(painted.At(picture.topLeft() + QPoint(20, 15)), red));
  QVERIFY(!Near(painted.At(picture.topLeft() + QPoint(60, 15)), red));
  QVERIFY(!Near(painted.At(picture.topLeft() + QPoint(20, 50)), red));
}

void ThumbnailViewTest::undecodableThumbnailsShowAFrameAndOneNote() {
  Session s;
  const QRgb green = qRgb(30, 200, 40);
  Bytes cut = SolidJpeg(green);
  cut.resize(cut.size() / 2);
  QVERIFY(s.Start(s.Write(
      QStringLiteral("bad.qrv"),
      BuildCatalog(
          {{"bad", {{"good", SolidJpeg(green)}, {"cut", cut}, {"text", {'n', 'o', 'p', 'e'}}}},
           {"fine", {{"ok", SolidJpeg(green)}}}}))));
  s.window.resize(900, 400);
  QListView* view = View(s.window);
  QTRY_VERIFY(view->width() > 3 * ThumbnailDelegate::kItemWidth);
  // Painting over and over (scrolling, exposing) must neither pile up boxes nor notes.
  for (int k = 0; k < 5; ++k) view->viewport()->repaint();
  const Painted painted(view);
  QVERIFY(Near(painted.At(painted.Picture(0).center()), green));
  for (int row : {1, 2}) {
    const QRect frame = painted.Picture(row);
    QVERIFY(!Near(painted.At(frame.center() + QPoint(10, 0)), green));
    QCOMPARE(painted.At(frame.center() + QPoint(10, 0)),
             view->palette().color(QPalette::Base).rgb());
  }
  QVERIFY(s.prompts.warnings.empty());
  const QString note = StatusText(s.window);
  QVERIFY2(note.startsWith(QStringLiteral("Колличество изображений на диске \"bad\" - 3.")),
           qPrintable(note));
  QCOMPARE(note.count(QStringLiteral("не читаются")), 1);

  // Another disk, all of whose thumbnails decode, carries no note.
  s.SetCurrentRow(1);
  view->viewport()->repaint();
  QCOMPARE(StatusText(s.window), QStringLiteral("Колличество изображений на диске \"fine\" - 1."));
}

void ThumbnailViewTest::aCatalogueRewrittenInPlaceIsNamedInTheStatus() {
  Session s;
  const QString path = s.Write(QStringLiteral("a.qrv"), BuildCatalog({Disk("a", 3)}));
  QVERIFY(s.Start(path));
  // Another program cuts the file where it lies: its thumbnails can no longer be read.
  std::filesystem::resize_file(QStringToPath(path), 100);
  View(s.window)->viewport()->repaint();
  QCOMPARE(StatusText(s.window),
           QStringLiteral("Файл \"") + path +
               QStringLiteral("\" изменён другой программой после открытия."));
}

void ThumbnailViewTest::selectingADiskShowsItsFirstThumbnails() {
  Session s;
  QVERIFY(s.Start(
      s.Write(QStringLiteral("many.qrv"), BuildCatalog({Disk("many", 300), Disk("other", 5)}))));
  QListView* view = View(s.window);
  QCOMPARE(view->model()->rowCount(), 300);
  view->scrollToBottom();
  QTRY_VERIFY(view->verticalScrollBar()->value() > 0);

  s.SetCurrentRow(1);
  QCOMPARE(view->model()->rowCount(), 5);
  s.SetCurrentRow(0);
  QCOMPARE(view->model()->rowCount(), 300);
  QCOMPARE(view->verticalScrollBar()->value(), 0);
  QVERIFY(view->viewport()->rect().intersects(view->visualRect(view->model()->index(0, 0))));
}

void ThumbnailViewTest::itemsWrapAtTheWidthAndFollowKeysAndTheBand() {
  Session s;
  QVERIFY(s.Start(s.Write(QStringLiteral("grid.qrv"), BuildCatalog({Disk("grid", 50)}))));
  s.window.resize(900, 400);
  QListView* view = View(s.window);
  QTRY_VERIFY(view->width() > 3 * ThumbnailDelegate::kItemWidth);
  QAbstractItemModel* model = view->model();
  auto rect = [&](int row) { return view->visualRect(model->index(row, 0)); };
  auto columns = [&] { return view->viewport()->width() / rect(0).width(); };

  const int wide = columns();
  QVERIFY(wide >= 3);
  QCOMPARE(rect(wide - 1).top(), rect(0).top());
  QCOMPARE(rect(wide).left(), rect(0).left());
  QCOMPARE(rect(wide).top(), rect(0).bottom() + 1);
  QCOMPARE(view->indexAt(rect(7).center()).row(), 7);
  // Beside the last item of a short last line there is no item.
  const int last_line_end = rect(49).right() + 1;
  if (last_line_end + 5 < view->viewport()->width()) {
    QVERIFY(!view->indexAt(QPoint(last_line_end + 5, rect(49).center().y())).isValid());
  }

  s.window.resize(600, 400);
  QTRY_VERIFY(columns() < wide);
  QCOMPARE(rect(columns()).left(), rect(0).left());
  QCOMPARE(rect(columns()).top(), rect(0).bottom() + 1);
  QVERIFY(view->verticalScrollBar()->maximum() > 0);

  const int n = columns();
  view->setFocus();
  view->setCurrentIndex(model->index(0, 0));
  QTest::keyClick(view, Qt::Key_Right);
  QCOMPARE(view->currentIndex().row(), 1);
  QTest::keyClick(view, Qt::Key_Down);
  QCOMPARE(view->currentIndex().row(), 1 + n);
  QTest::keyClick(view, Qt::Key_End);
  QCOMPARE(view->currentIndex().row(), 49);
  QVERIFY(view->viewport()->rect().contains(rect(49)));
  QTest::keyClick(view, Qt::Key_Home);
  QCOMPARE(view->currentIndex().row(), 0);
  QCOMPARE(view->verticalScrollBar()->value(), 0);
  QTest::keyClick(view, Qt::Key_End, Qt::ShiftModifier);
  QCOMPARE(view->selectionModel()->selectedIndexes().size(), 50);

  // A band starts beside the items (a press on an item drags it out): dragged from the right of
  // the second line to item 1, it selects the items of both lines from item 1's column on.
  QWidget* port = view->viewport();
  QVERIFY(n >= 2);
  const QPoint beside(rect(n - 1).right() + 3, rect(n).center().y());
  QVERIFY(beside.x() < port->width() && !view->indexAt(beside).isValid());
  QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, beside);
  QMouseEvent move(QEvent::MouseMove, QPointF(rect(1).center()),
                   QPointF(port->mapToGlobal(rect(1).center())), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(port, &move);
  QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, rect(1).center());
  QList<int> rows;
  for (const QModelIndex& index : view->selectionModel()->selectedIndexes()) {
    rows.append(index.row());
  }
  std::sort(rows.begin(), rows.end());
  QList<int> square;
  for (const int line_start : {0, n}) {
    for (int row = line_start + 1; row < line_start + n; ++row) square.append(row);
  }
  QCOMPARE(rows, square);
}

void ThumbnailViewTest::aScrollRightAfterAClickIsNotUndone() {
  Session s;
  QVERIFY(s.Start(s.Write(QStringLiteral("sixty.qrv"), BuildCatalog({Disk("sixty", 60)}))));
  QListView* view = View(s.window);
  QWidget* port = view->viewport();
  // A click on an item the bottom edge cuts brings it into view a moment later, unless the
  // user scrolls meanwhile.
  const QPoint cut(10, port->height() - 3);
  QVERIFY(view->indexAt(cut).isValid());
  QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, cut);
  QCOMPARE(view->currentIndex(), view->indexAt(cut));
  QScrollBar* bar = view->verticalScrollBar();
  bar->setValue(bar->maximum());
  QTest::qWait(QApplication::doubleClickInterval() + 300);
  QCOMPARE(bar->value(), bar->maximum());
}

}  // namespace quorvel

QTEST_MAIN(quorvel::ThumbnailViewTest)
#include "thumbnail_view_test.moc"
