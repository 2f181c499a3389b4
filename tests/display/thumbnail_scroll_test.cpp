// The thumbnail view on a real X server: whatever way it is scrolled, the screen must show what
// a full repaint of the view shows, and a click must pick the picture the user sees; a command
// chosen from its menu with the pointer must leave the window as the command means it.
#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include "catalog/thumbnail_jpeg.h"
#include "display/screen_grab.h"
#include "mainwindow/thumbnail_delegate.h"
#include "mainwindow/window_fixture.h"

namespace quorvel {
namespace {

using testkit::DifferingPixels;
using testkit::KeepForInspection;
using testkit::RepaintedImage;
using testkit::SettledScreenImage;

// Input through the X server, as a mouse gives it: `xdotool mousemove X Y click ...`.
void Pointer(QWidget* widget, QPoint at, const QStringList& clicks) {
  const QPoint global = widget->mapToGlobal(at);
  QStringList args{"mousemove", QString::number(global.x()), QString::number(global.y())};
  args << clicks;
  QVERIFY2(QProcess::execute(QStringLiteral("xdotool"), args) == 0,
           qPrintable(QStringLiteral("xdotool ") + args.join(' ')));
}

void Wheel(QWidget* widget, int notches) {
  // Buttons 4 and 5 are the wheel's notches up and down.
  Pointer(widget, widget->rect().center(),
          {"click", "--repeat", QString::number(std::abs(notches)), notches < 0 ? "4" : "5"});
}

QPoint SliderCentre(const QScrollBar* bar) {
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.subControls = QStyle::SC_All;
  option.orientation = bar->orientation();
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.sliderPosition = bar->sliderPosition();
  option.sliderValue = bar->value();
  option.singleStep = bar->singleStep();
  option.pageStep = bar->pageStep();
  return bar->style()
      ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar)
      .center();
}

// The pixels of a stored thumbnail as the view draws them, 1:1.
QImage Decoded(const Bytes& jpeg) {
  RgbImage rgb;
  if (!DecodeJpeg(ByteView(jpeg.data(), jpeg.size()), rgb)) return QImage();
  return QImage(rgb.pixels.data(), rgb.width, rgb.height, rgb.width * 3, QImage::Format_RGB888)
      .convertToFormat(QImage::Format_RGB32);
}

// Item tooltips are windows of their own that a resting pointer calls up over the view; they
// would cover what the test reads and clicks.
class NoToolTips : public QObject {
 protected:
  bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

}  // namespace

class ThumbnailScrollTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { qApp->installEventFilter(&no_tool_tips_); }
  void init();
  void cleanup();
  void theScreenFollowsEveryWayOfScrolling();
  void aClickSelectsThePictureUnderThePointer();
  void lookAlikesChosenFromTheMenuKeepTheirCountInTheStatus();

 private:
  // Fails unless the screen under the viewport, once settled, is what a full repaint shows.
  void ExpectScreenMatchesRepaint(const QString& step);
  QListView* View() const {
    return session_->window.findChild<QListView*>(QStringLiteral("thumbnail_view"));
  }

  NoToolTips no_tool_tips_;
  std::vector<ThumbSpec> thumbs_;
  std::unique_ptr<Session> session_;
};

void ThumbnailScrollTest::init() {
  session_ = std::make_unique<Session>();
  thumbs_ = Thumbs(60, 1);
  const QString file = session_->Write("sixty.qrv", BuildCatalog({{"sixty", thumbs_}}));
  QVERIFY(session_->Start(file));
  session_->window.resize(800, 560);
  session_->window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&session_->window));
  // The window manager places and sizes the window in its own time.
  testkit::SettledScreenImage(&session_->window);
  QCOMPARE(View()->model()->rowCount(), 60);
  QVERIFY(View()->verticalScrollBar()->maximum() > 0);
}

void ThumbnailScrollTest::cleanup() { session_.reset(); }

void ThumbnailScrollTest::ExpectScreenMatchesRepaint(const QString& step) {
  QWidget* port = View()->viewport();
  const QImage screen = SettledScreenImage(port);
  const QImage repainted = RepaintedImage(port);
  const qsizetype differing = DifferingPixels(screen, repainted);
  if (differing != 0) {
    QFAIL(qPrintable(QStringLiteral("%1: %2 pixels differ from a full repaint; %3")
                         .arg(step)
                         .arg(differing)
                         .arg(KeepForInspection(step, screen, repainted))));
  }
}

void ThumbnailScrollTest::theScreenFollowsEveryWayOfScrolling() {
  QListView* view = View();
  QScrollBar* bar = view->verticalScrollBar();
  ExpectScreenMatchesRepaint("start");

  Wheel(view->viewport(), 3);
  QTRY_VERIFY(bar->value() > 0);
  ExpectScreenMatchesRepaint("wheel-down");
  Wheel(view->viewport(), -1);
  ExpectScreenMatchesRepaint("wheel-up");

  // The scroll bar: its arrow below clicked, then its slider dragged. The pointer goes there
  // first, since a pointer leaving the view repaints the whole of it.
  const QPoint arrow(bar->width() / 2, bar->height() - 3);
  Pointer(bar, arrow, {});
  SettledScreenImage(view->viewport());
  int before = bar->value();
  Pointer(bar, arrow, {"click", "1"});
  QTRY_VERIFY(bar->value() > before);
  ExpectScreenMatchesRepaint("arrow");
  before = bar->value();
  Pointer(bar, SliderCentre(bar),
          {"mousedown", "1", "mousemove_relative", "0", "40", "mouseup", "1"});
  QTRY_VERIFY(bar->value() > before);
  ExpectScreenMatchesRepaint("slider");

  view->setFocus();
  for (const auto& [key, name] : {std::pair{Qt::Key_PageDown, "page-down"},
                                  {Qt::Key_End, "end"},
                                  {Qt::Key_PageUp, "page-up"},
                                  {Qt::Key_Home, "home"}}) {
    before = bar->value();
    QTest::keyClick(view, key);
    QVERIFY2(bar->value() != before, name);
    ExpectScreenMatchesRepaint(name);
  }

  QTest::keyClick(view, Qt::Key_End);
  session_->window.resize(session_->window.width() - 130, session_->window.height() - 60);
  ExpectScreenMatchesRepaint("resized");
}

void ThumbnailScrollTest::aClickSelectsThePictureUnderThePointer() {
  QListView* view = View();
  QWidget* port = view->viewport();
  Wheel(port, 3);
  QTRY_VERIFY(view->verticalScrollBar()->value() > 0);
  const QImage screen = SettledScreenImage(port);

  // The second picture the view places wholly on screen; the screen must show it there.
  QRect picture;
  for (int row = 0, seen = 0; row < 60 && seen < 2; ++row) {
    picture = ThumbnailDelegate::PictureRect(view->visualRect(view->model()->index(row, 0)));
    if (port->rect().contains(picture)) ++seen;
  }
  Pointer(port, picture.center(), {"click", "1"});
  QTRY_VERIFY(view->currentIndex().isValid());
  const QModelIndexList selected = view->selectionModel()->selectedIndexes();
  QCOMPARE(selected.size(), 1);
  QCOMPARE(selected[0], view->currentIndex());
  QCOMPARE(ThumbnailDelegate::PictureRect(view->visualRect(selected[0])), picture);

  const QImage shown = screen.copy(picture);
  const QImage chosen = Decoded(thumbs_[std::size_t(selected[0].row())].jpeg);
  if (DifferingPixels(shown, chosen) != 0) {
    QFAIL(qPrintable(QStringLiteral("the picture clicked is not that of row %1, which was "
                                    "selected; %2")
                         .arg(selected[0].row())
                         .arg(KeepForInspection("clicked", shown, chosen))));
  }
}

void ThumbnailScrollTest::lookAlikesChosenFromTheMenuKeepTheirCountInTheStatus() {
  // The closing menu gives the focus back to the view, which then makes an item current, whose
  // path would take the status's place.
  QWidget* port = View()->viewport();
  const QRect picture =
      ThumbnailDelegate::PictureRect(View()->visualRect(View()->model()->index(0, 0)));
  Pointer(port, picture.center(), {"click", "1", "click", "3"});
  auto* menu = session_->window.findChild<QMenu*>(QStringLiteral("thumbnail_menu"));
  QTRY_VERIFY(menu->isVisible());
  QAction* find = session_->window.findChild<QAction*>(QStringLiteral("FindSimilar"));
  Pointer(menu, menu->actionGeometry(find).center(), {"click", "1"});
  QTRY_VERIFY(!menu->isVisible());
  SettledScreenImage(port);
  QTRY_VERIFY(StatusText(session_->window).startsWith(QStringLiteral("Похожих эскизов: ")));
}

}  // namespace quorvel

QTEST_MAIN(quorvel::ThumbnailScrollTest)
#include "thumbnail_scroll_test.moc"
