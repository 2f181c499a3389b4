// The thumbnail renderer as the scan uses it: asked by name, rendering on its workers, polled,
// and painted into a 100 x 100 canvas; with files that fail, renders that are overtaken, files
// read and rendered ahead, a medium that fails or stalls, and a control destroyed while it
// renders.
#include "scan/thumb_control.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <memory>

#include "scan/embedded_preview.h"
#include "scan/placeholder_thumbnail.h"
#include "scan/test_pictures.h"
#include "scan/thumbnail_renderer.h"
#include "support/camera_jpeg.h"
#include "support/fake_file_access.h"

namespace quorvel {
namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;

QImage Solid(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// What the capture does with the control: paint it into a 100 x 100 canvas.
QImage Painted(ThumbControl& control) {
  QImage canvas(100, 100, QImage::Format_RGB32);
  canvas.fill(Qt::black);  // anything the control leaves unpainted shows up
  control.render(&canvas);
  return canvas;
}

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24 &&
         std::abs(qBlue(a) - qBlue(b)) < 24;
}

}  // namespace

class ThumbControlTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void isA100By100WidgetNamedForTests();
  void acceptsFilesByTheirNameOnly();
  void rejectedNamesChangeNothing();
  void paintsTheThumbnailIntoTheCanvas();
  void showsTheThumbnailByItselfWhenVisible();
  void filesThatDoNotDecodeAreReportedFailed();
  void aHiddenControlReadsNothingUntilAsked();
  void aLaterFileWinsOverAnEarlierRender();
  void anEarlierFileNeverShowsOverALaterOne();
  void filesRenderedAheadAreTakenInOrder();
  void aNewListStopsTheOldOne();
  void aCameraJpegIsReadOnlyAsFarAsItsPreview();
  void anIoErrorShowsThePartRead();
  void aStalledReadIsLeftBehind();
  void canBeDestroyedWhileRendering();

 private:
  QString Write(const QString& name, const QImage& image, const char* format = "png");
  QString WriteBigJpeg(const QString& name);

  std::unique_ptr<QTemporaryDir> dir_;
};

void ThumbControlTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
}

QString ThumbControlTest::Write(const QString& name, const QImage& image, const char* format) {
  const QString path = dir_->filePath(name);
  const QByteArray bytes = testkit::EncodeWithQt(image, format, 95);
  if (bytes.isEmpty() || !testkit::WriteBytes(path, bytes))
    qFatal("cannot write %s", qPrintable(path));
  return path;
}

// A photo of 6000 x 4000: long enough to render that a test can act while it runs.
QString ThumbControlTest::WriteBigJpeg(const QString& name) {
  const QString path = dir_->filePath(name);
  const testkit::PhotoLikePicture photo(6000, 4000);
  if (!testkit::WriteJpegByRows(path, 6000, 4000, 90, photo.Painter())) {
    qFatal("cannot write %s", qPrintable(path));
  }
  return path;
}

void ThumbControlTest::isA100By100WidgetNamedForTests() {
  QWidget page;
  auto* control = new ThumbControl(&page);
  QCOMPARE(page.findChild<ThumbControl*>(QStringLiteral("ThumbControl")), control);
  QCOMPARE(control->size(), QSize(100, 100));
  QCOMPARE(control->minimumSize(), QSize(100, 100));
  QCOMPARE(control->maximumSize(), QSize(100, 100));
  QCOMPARE(control->RenderStatus(), ThumbControl::Status::kIdle);
  QVERIFY(!control->ThumbnailReady());
}

void ThumbControlTest::acceptsFilesByTheirNameOnly() {
  ThumbControl control;
  // None of these files exists: the answer comes from the name, and the render then fails.
  for (const char* name : {"x.jpg", "x.JPG", "x.png", "x.gif", "x.webp", "x.tif", "x.jpeg"}) {
    const QString path = dir_->filePath(QString::fromLatin1(name));
    QVERIFY2(control.CanShow(path), name);
    QVERIFY2(control.ShowFile(path), name);
    QTRY_VERIFY2(control.ThumbnailReady(), name);
    QVERIFY2(control.RenderFailed(), name);
    QVERIFY(!control.ErrorText().isEmpty());
  }
}

void ThumbControlTest::rejectedNamesChangeNothing() {
  ThumbControl control;
  const QString picture = Write("shown.png", Solid(80, 80, qRgb(0, 0, 255)));
  QVERIFY(control.ShowFile(picture));
  QTRY_VERIFY(control.ThumbnailReady());
  const QImage before = Painted(control);
  for (const char* name : {"notes.txt", "photo.jpg.lnk", "README", "folder.jpg/README"}) {
    const QString path = dir_->filePath(QString::fromLatin1(name));
    QVERIFY2(!control.CanShow(path), name);
    QVERIFY2(!control.ShowFile(path), name);
    QCOMPARE(control.RenderStatus(), ThumbControl::Status::kReady);
    QCOMPARE(Painted(control), before);
  }
}

void ThumbControlTest::paintsTheThumbnailIntoTheCanvas() {
  const QString path = Write("wide.png", Solid(300, 150, qRgb(200, 30, 40)));
  ThumbControl control;
  QVERIFY(control.ShowFile(path));
  QTRY_VERIFY(control.ThumbnailReady());
  QCOMPARE(control.RenderStatus(), ThumbControl::Status::kReady);
  QVERIFY(!control.RenderFailed());
  QVERIFY(control.ErrorText().isEmpty());
  const QImage canvas = Painted(control);
  QCOMPARE(canvas, RenderThumbnail(path).convertToFormat(canvas.format()));
  QCOMPARE(canvas.pixel(50, 10), kWhite);
  QCOMPARE(canvas.pixel(50, 50), qRgb(200, 30, 40));
  QCOMPARE(canvas.pixel(50, 90), kWhite);
}

void ThumbControlTest::showsTheThumbnailByItselfWhenVisible() {
  const QString path = Write("seen.png", Solid(120, 120, qRgb(10, 160, 10)));
  QWidget page;
  page.resize(200, 200);
  auto* control = new ThumbControl(&page);
  control->move(8, 8);
  page.show();
  QVERIFY(QTest::qWaitForWindowExposed(&page));
  QVERIFY(control->ShowFile(path));
  // Never polled: painting the visible control starts the render, and its end repaints it.
  QTRY_VERIFY(!control->Thumbnail().isNull());
  QCOMPARE(control->grab().toImage().pixel(50, 50), qRgb(10, 160, 10));
}

void ThumbControlTest::filesThatDoNotDecodeAreReportedFailed() {
  ThumbControl control;
  const QString good = Write("good.jpg", Solid(100, 100, qRgb(250, 0, 0)), "jpg");
  QFile good_file(good);
  QVERIFY(good_file.open(QIODevice::ReadOnly));
  const QByteArray jpeg = good_file.readAll();
  const QString cut = dir_->filePath(QStringLiteral("cut.jpg"));
  QVERIFY(testkit::WriteBytes(cut, jpeg.left(jpeg.size() / 2)));
  const QString text = dir_->filePath(QStringLiteral("text.jpg"));
  QVERIFY(testkit::WriteBytes(text, "not a picture\n"));
  const QString phone = dir_->filePath(QStringLiteral("text.heic"));
  QVERIFY(testkit::WriteBytes(phone, "not a picture\n"));
  // A video goes to its own reader, which reads by seeking.
  const QString video = dir_->filePath(QStringLiteral("cut.mp4"));
  QVERIFY(testkit::WriteBytes(video, jpeg.left(jpeg.size() / 2)));

  for (const QString& broken : {cut, text, phone, video}) {
    // A good picture first: the failed file must not leave it on show.
    QVERIFY(control.ShowFile(good));
    QTRY_VERIFY(control.ThumbnailReady());
    QVERIFY(Near(Painted(control).pixel(50, 50), qRgb(250, 0, 0)));

    QVERIFY(control.ShowFile(broken));
    QTRY_VERIFY(control.ThumbnailReady());
    QVERIFY(control.RenderFailed());
    QCOMPARE(control.RenderStatus(), ThumbControl::Status::kFailed);
    QVERIFY(!control.ErrorText().isEmpty());
    QVERIFY(control.Thumbnail().isNull());
    // It shows what a catalogue stores for it.
    QImage placeholder(100, 100, QImage::Format_RGB32);
    QPainter painter(&placeholder);
    PaintPlaceholder(painter, placeholder.rect(), broken);
    painter.end();
    QCOMPARE(Painted(control), placeholder);
  }
}

void ThumbControlTest::aHiddenControlReadsNothingUntilAsked() {
  const QString path = Write("later.png", Solid(60, 60, qRgb(0, 0, 200)));
  ThumbControl control;  // hidden, as during the folder walk
  QVERIFY(control.ShowFile(path));
  QTest::qWait(300);  // the walk processes events after each file
  // Had ShowFile started the render, it would be long done, from the file as it was.
  QVERIFY(QFile::remove(path));
  QTRY_VERIFY(control.ThumbnailReady());
  QVERIFY(control.RenderFailed());
}

void ThumbControlTest::aLaterFileWinsOverAnEarlierRender() {
  const QString big = WriteBigJpeg("big.jpg");
  const QString small = Write("small.png", Solid(50, 50, qRgb(0, 200, 0)));
  ThumbControl control;
  QVERIFY(control.ShowFile(big));
  QVERIFY(!control.ThumbnailReady());  // started, and far from done
  QVERIFY(control.ShowFile(small));
  QTRY_VERIFY(control.ThumbnailReady());
  QCOMPARE(Painted(control).pixel(50, 50), qRgb(0, 200, 0));
  // Whatever became of the big render, it shows nothing now.
  QTRY_COMPARE(control.RendersInFlight(), 0);
  QTest::qWait(100);
  QCOMPARE(control.RenderStatus(), ThumbControl::Status::kReady);
  QCOMPARE(Painted(control).pixel(50, 50), qRgb(0, 200, 0));
}

void ThumbControlTest::anEarlierFileNeverShowsOverALaterOne() {
  const QString small = Write("small.png", Solid(50, 50, qRgb(0, 200, 0)));
  const QString big = WriteBigJpeg("big.jpg");
  ThumbControl control;
  control.SetRenderThreads(2);  // the small render may well finish while the big one runs
  QVERIFY(control.ShowFile(small));
  control.ThumbnailReady();  // asking starts the render
  QVERIFY(control.ShowFile(big));
  for (int i = 0; i < 20 && !control.ThumbnailReady(); ++i) {
    QCOMPARE(control.RenderStatus(), ThumbControl::Status::kRendering);
    QVERIFY(control.Thumbnail().isNull());
    QTest::qWait(5);
  }
  QTRY_VERIFY_WITH_TIMEOUT(control.ThumbnailReady(), 20000);
  QCOMPARE(control.RenderStatus(), ThumbControl::Status::kReady);
  QCOMPARE(Painted(control), RenderThumbnail(big));
}

void ThumbControlTest::filesRenderedAheadAreTakenInOrder() {
  const QString a = Write("a.png", Solid(70, 70, qRgb(255, 0, 0)));
  const QString b = Write("b.png", Solid(70, 70, qRgb(0, 255, 0)));
  const QString c = Write("c.png", Solid(70, 70, qRgb(0, 0, 255)));
  ThumbControl control;
  control.ReadAhead({a, b, c, dir_->filePath(QStringLiteral("skipped.txt"))});
  QTRY_COMPARE(control.RendersInFlight(), 0);
  // Rendered ahead means rendered already: the files are no longer needed.
  for (const QString& path : {a, b, c}) QVERIFY(QFile::remove(path));

  QVERIFY(control.ShowFile(a));
  QVERIFY(control.ThumbnailReady());  // at once, without waiting
  QCOMPARE(Painted(control).pixel(50, 50), qRgb(255, 0, 0));
  QVERIFY(control.ShowFile(c));  // b passed over
  QVERIFY(control.ThumbnailReady());
  QCOMPARE(Painted(control).pixel(50, 50), qRgb(0, 0, 255));
  // b's render was dropped when c was taken: showing it now reads it anew, from a lost file.
  QVERIFY(control.ShowFile(b));
  QTRY_VERIFY(control.ThumbnailReady());
  QVERIFY(control.RenderFailed());
}

void ThumbControlTest::aNewListStopsTheOldOne() {
  const QString a = Write("a.png", Solid(70, 70, qRgb(255, 0, 0)));
  const QString b = Write("b.png", Solid(70, 70, qRgb(0, 255, 0)));
  ThumbControl control;
  control.ReadAhead({a, b});
  control.ReadAhead({b});  // a is no longer to be read
  QTRY_COMPARE(control.RendersInFlight(), 0);
  QVERIFY(QFile::remove(a));
  QVERIFY(QFile::remove(b));
  QVERIFY(control.ShowFile(b));
  QVERIFY(control.ThumbnailReady());
  QCOMPARE(Painted(control).pixel(50, 50), qRgb(0, 255, 0));
  QVERIFY(control.ShowFile(a));
  QTRY_VERIFY(control.ThumbnailReady());
  QVERIFY(control.RenderFailed());
}

void ThumbControlTest::aCameraJpegIsReadOnlyAsFarAsItsPreview() {
  const testkit::PhotoLikePicture photo(2400, 1800);
  QImage picture(2400, 1800, QImage::Format_RGB888);
  for (int y = 0; y < picture.height(); ++y) photo.PaintRow(y, picture.scanLine(y));
  testkit::CameraJpegOptions options;
  // Green where the picture is not: what is shown tells which was decoded.
  options.thumbnail = testkit::EncodeJpeg(Solid(160, 120, qRgb(0, 200, 0)));
  // One EXIF block within the first 64 KB, one that begins there and ends past them.
  QStringList cameras;
  QList<QByteArray> jpegs;
  for (const int padding : {0, 65000}) {
    options.padding_before_exif = padding;
    jpegs << testkit::CameraJpeg(picture, options);
    cameras << dir_->filePath(QStringLiteral("camera%1.jpg").arg(padding));
    QVERIFY(testkit::WriteBytes(cameras.last(), jpegs.last()));
  }
  const QString next = Write("next.png", Solid(70, 70, qRgb(0, 0, 255)));
  for (const bool use_previews : {true, false}) {
    auto medium = std::make_shared<testkit::FakeFileAccess>();
    ThumbControl control;
    control.SetFileAccess(medium);
    control.SetUseEmbeddedPreviews(use_previews);
    control.ReadAhead(cameras + QStringList{next});
    for (const QString& camera : cameras) {
      QVERIFY(control.ShowFile(camera));
      QTRY_VERIFY_WITH_TIMEOUT(control.ThumbnailReady(), 20000);
      QCOMPARE(Near(Painted(control).pixel(50, 50), qRgb(0, 200, 0)), use_previews);
    }
    QVERIFY(control.ShowFile(next));
    QTRY_VERIFY(control.ThumbnailReady());
    QCOMPARE(Painted(control).pixel(50, 50), qRgb(0, 0, 255));
    for (int i = 0; i < cameras.size(); ++i) {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(jpegs[i].constData());
      const auto head = static_cast<qint64>(PreviewHeadLength({bytes, kPreviewHeadBytes}));
      QCOMPARE(head > static_cast<qint64>(kPreviewHeadBytes), i == 1);
      QCOMPARE(medium->BytesRead(cameras[i]), use_previews ? head : jpegs[i].size());
    }
    QCOMPARE(medium->BytesRead(next), QFileInfo(next).size());
  }
}

void ThumbControlTest::anIoErrorShowsThePartRead() {
  const QString cut = WriteBigJpeg("scratched.jpg");
  const QString next = Write("next.png", Solid(70, 70, qRgb(0, 0, 255)));
  auto medium = std::make_shared<testkit::FakeFileAccess>();
  medium->FailAfter(cut, QFileInfo(cut).size() / 2);
  ThumbControl control;
  control.SetFileAccess(medium);
  control.ReadAhead({cut, next});
  QVERIFY(control.ShowFile(cut));
  QTRY_VERIFY_WITH_TIMEOUT(control.ThumbnailReady(), 20000);
  QCOMPARE(control.RenderStatus(), ThumbControl::Status::kReady);
  QVERIFY(!control.ReadErrorText().isEmpty());
  // The top of the picture was read, the bottom was not: it is plain grey.
  const QImage canvas = Painted(control);
  const QImage whole = RenderThumbnail(cut);
  QVERIFY(Near(canvas.pixel(50, 25), whole.pixel(50, 25)));
  QVERIFY(canvas.pixel(50, 25) != canvas.pixel(30, 25));
  QVERIFY(Near(canvas.pixel(50, 75), qRgb(128, 128, 128)));
  QCOMPARE(canvas.pixel(50, 75), canvas.pixel(30, 75));
  QVERIFY(control.ShowFile(next));
  QTRY_VERIFY(control.ThumbnailReady());
  QCOMPARE(Painted(control).pixel(50, 50), qRgb(0, 0, 255));
  QVERIFY(control.ReadErrorText().isEmpty());
  QCOMPARE(medium->Opened(), QStringList({cut, next}));
  QCOMPARE(control.BytesRead(), QFileInfo(cut).size() / 2 + QFileInfo(next).size());
}

void ThumbControlTest::aStalledReadIsLeftBehind() {
  const QString first = Write("first.png", Solid(70, 70, qRgb(255, 0, 0)));
  const QString stuck = Write("stuck.png", Solid(70, 70, qRgb(0, 255, 0)));
  const QString after = Write("after.png", Solid(70, 70, qRgb(0, 0, 255)));
  auto medium = std::make_shared<testkit::FakeFileAccess>();
  medium->Block(stuck);
  const auto started = std::chrono::steady_clock::now();
  {
    ThumbControl control;
    control.SetFileAccess(medium);
    control.ReadAhead({first, stuck, after});
    QVERIFY(control.ShowFile(first));
    QTRY_VERIFY(control.ThumbnailReady());
    QVERIFY(control.ShowFile(stuck));
    QTRY_COMPARE(medium->ReadsBlocked(), 1);
    // The capture's wait runs out.
    QTest::qWait(300);
    QVERIFY(!control.ThumbnailReady());
    // The next file is read all the same, while the stuck read still waits.
    QVERIFY(control.ShowFile(after));
    QTRY_VERIFY(control.ThumbnailReady());
    QCOMPARE(Painted(control).pixel(50, 50), qRgb(0, 0, 255));
    QVERIFY(control.ShowFile(stuck));  // shown again: read alone, and stuck again
    QVERIFY(!control.ThumbnailReady());
    QTRY_COMPARE(medium->ReadsBlocked(), 2);
  }
  // Destroyed without waiting for the medium.
  QVERIFY(std::chrono::steady_clock::now() - started < std::chrono::seconds(5));
  QCOMPARE(medium->ReadsBlocked(), 2);
  medium->Release();
  QTRY_COMPARE(medium->ReadsBlocked(), 0);
}

void ThumbControlTest::canBeDestroyedWhileRendering() {
  const QString big = WriteBigJpeg("big.jpg");
  QStringList ahead;
  for (int i = 0; i < 4; ++i) {
    const QString copy = dir_->filePath(QStringLiteral("copy%1.jpg").arg(i));
    QVERIFY(QFile::copy(big, copy));
    ahead << copy;
  }
  for (int round = 0; round < 3; ++round) {
    auto control = std::make_unique<ThumbControl>();
    QVERIFY(control->ShowFile(big));
    QVERIFY(!control->ThumbnailReady());
    control->ReadAhead(ahead);
    QTest::qWait(round * 20);
    control.reset();
    // Notices the workers might have posted must not reach the destroyed control.
    QTest::qWait(50);
    QCoreApplication::sendPostedEvents();
  }
  // A new control renders as usual afterwards.
  ThumbControl control;
  QVERIFY(control.ShowFile(big));
  QTRY_VERIFY_WITH_TIMEOUT(control.ThumbnailReady(), 20000);
  QVERIFY(!control.RenderFailed());
}

}  // namespace quorvel

QTEST_MAIN(quorvel::ThumbControlTest)
#include "thumb_control_test.moc"
