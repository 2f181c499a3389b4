// The thumbnail pipeline as the capture uses it: asked by name, rendering on its threads,
// waited for with a deadline, and handing over each file's 100 x 100 picture; with files that
// fail, renders that are overtaken, files read and rendered ahead, a medium that fails or stalls,
// and a pipeline destroyed while it renders.
#include "scan/thumbnail_pipeline.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <memory>
#include <thread>

#include "scan/embedded_preview.h"
#include "scan/test_pictures.h"
#include "scan/thumbnail_renderer.h"
#include "support/camera_jpeg.h"
#include "support/fake_file_access.h"

namespace quorvel {
namespace {

using Clock = ThumbnailPipeline::Clock;
using Status = ThumbnailResult::Status;
using std::chrono::milliseconds;

constexpr QRgb kWhite = 0xFFFFFFFF;

QImage Solid(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// The picture handed over for the last file asked for, once its render has ended; a null image
// when it failed or did not end within `timeout`.
QImage Handed(ThumbnailPipeline& pipeline, milliseconds timeout = milliseconds(20000)) {
  pipeline.WaitForResult(Clock::now() + timeout);
  return pipeline.Result().thumbnail;
}

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24 &&
         std::abs(qBlue(a) - qBlue(b)) < 24;
}

}  // namespace

class ThumbnailPipelineTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void acceptsFilesByTheirNameOnly();
  void rejectedNamesChangeNothing();
  void handsOverTheThumbnailCentredOnWhite();
  void filesThatDoNotDecodeAreReportedFailed();
  void askingWhetherAFileCanBeShownReadsNothing();
  void eachFileOfTheListArrivesInOrder();
  void aLaterFileWinsOverAnEarlierRender();
  void anEarlierFileNeverShowsOverALaterOne();
  void filesRenderedAheadAreTakenInOrder();
  void aNewListStopsTheOldOne();
  void aCameraJpegIsReadOnlyAsFarAsItsPreview();
  void anIoErrorShowsThePartRead();
  void aWaitEndsAtItsDeadlineOrAtOnceOnInterrupt();
  void aStalledReadIsLeftBehind();
  void canBeDestroyedWhileRendering();

 private:
  QString Write(const QString& name, const QImage& image, const char* format = "png");
  QString WriteBigJpeg(const QString& name);

  std::unique_ptr<QTemporaryDir> dir_;
};

void ThumbnailPipelineTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
}

QString ThumbnailPipelineTest::Write(const QString& name, const QImage& image, const char* format) {
  const QString path = dir_->filePath(name);
  const QByteArray bytes = testkit::EncodeWithQt(image, format, 95);
  if (bytes.isEmpty() || !testkit::WriteBytes(path, bytes))
    qFatal("cannot write %s", qPrintable(path));
  return path;
}

// A photo of 6000 x 4000: long enough to render that a test can act while it runs.
QString ThumbnailPipelineTest::WriteBigJpeg(const QString& name) {
  const QString path = dir_->filePath(name);
  const testkit::PhotoLikePicture photo(6000, 4000);
  if (!testkit::WriteJpegByRows(path, 6000, 4000, 90, photo.Painter())) {
    qFatal("cannot write %s", qPrintable(path));
  }
  return path;
}

void ThumbnailPipelineTest::acceptsFilesByTheirNameOnly() {
  ThumbnailPipeline pipeline;
  QCOMPARE(pipeline.Result().status, Status::kIdle);
  QVERIFY(!pipeline.ResultReady());
  // None of these files exists: the answer comes from the name, and the render then fails.
  for (const char* name : {"x.jpg", "x.JPG", "x.png", "x.gif", "x.webp", "x.tif", "x.jpeg"}) {
    const QString path = dir_->filePath(QString::fromLatin1(name));
    QVERIFY2(pipeline.CanShow(path), name);
    QVERIFY2(pipeline.ShowFile(path), name);
    QVERIFY2(pipeline.WaitForResult(Clock::now() + milliseconds(20000)), name);
    QCOMPARE(pipeline.Result().status, Status::kFailed);
    QVERIFY(!pipeline.Result().error.isEmpty());
  }
}

void ThumbnailPipelineTest::rejectedNamesChangeNothing() {
  ThumbnailPipeline pipeline;
  const QString picture = Write("shown.png", Solid(80, 80, qRgb(0, 0, 255)));
  QVERIFY(pipeline.ShowFile(picture));
  const QImage before = Handed(pipeline);
  QVERIFY(!before.isNull());
  for (const char* name : {"notes.txt", "photo.jpg.lnk", "README", "folder.jpg/README"}) {
    const QString path = dir_->filePath(QString::fromLatin1(name));
    QVERIFY2(!pipeline.CanShow(path), name);
    QVERIFY2(!pipeline.ShowFile(path), name);
    QCOMPARE(pipeline.Result().status, Status::kReady);
    QCOMPARE(pipeline.Result().thumbnail, before);
  }
}

void ThumbnailPipelineTest::handsOverTheThumbnailCentredOnWhite() {
  const QString path = Write("wide.png", Solid(300, 150, qRgb(200, 30, 40)));
  ThumbnailPipeline pipeline;
  QVERIFY(pipeline.ShowFile(path));
  QVERIFY(pipeline.WaitForResult(Clock::now() + milliseconds(20000)));
  const ThumbnailResult result = pipeline.Result();
  QCOMPARE(result.status, Status::kReady);
  QVERIFY(result.error.isEmpty());
  QVERIFY(result.read_error.isEmpty());
  QCOMPARE(result.thumbnail.size(), QSize(100, 100));
  QCOMPARE(result.thumbnail, RenderThumbnail(path));
  QCOMPARE(result.thumbnail.pixel(50, 10), kWhite);
  QCOMPARE(result.thumbnail.pixel(50, 50), qRgb(200, 30, 40));
  QCOMPARE(result.thumbnail.pixel(50, 90), kWhite);
}

void ThumbnailPipelineTest::filesThatDoNotDecodeAreReportedFailed() {
  ThumbnailPipeline pipeline;
  const QString good = Write("good.jpg", Solid(100, 100, qRgb(250, 0, 0)), "jpg");
  QFile good_file(good);
  QVERIFY(good_file.open(QIODevice::ReadOnly));
  const QByteArray jpeg = good_file.readAll();
  const QString cut = dir_->filePath(QStringLiteral("cut.jpg"));
  QVERIFY(testkit::WriteBytes(cut, jpeg.left(jpeg.size() / 2)));
  const QString text = dir_->filePath(QStringLiteral("text.jpg"));
  QVERIFY(testkit::WriteBytes(text, "not a picture\n"));
  // A video goes to its own reader, which reads by seeking.
  const QString video = dir_->filePath(QStringLiteral("cut.mp4"));
  QVERIFY(testkit::WriteBytes(video, jpeg.left(jpeg.size() / 2)));
  const QString phone = dir_->filePath(QStringLiteral("text.heic"));
  QVERIFY(testkit::WriteBytes(phone, "not a picture\n"));

  for (const QString& broken : {cut, text, video, phone}) {
    // A good picture first: the failed file must not be handed its picture.
    QVERIFY(pipeline.ShowFile(good));
    QVERIFY(Near(Handed(pipeline).pixel(50, 50), qRgb(250, 0, 0)));

    QVERIFY(pipeline.ShowFile(broken));
    QVERIFY(pipeline.WaitForResult(Clock::now() + milliseconds(20000)));
    const ThumbnailResult result = pipeline.Result();
    QCOMPARE(result.status, Status::kFailed);
    QVERIFY(!result.error.isEmpty());
    QVERIFY(result.thumbnail.isNull());
  }
}

void ThumbnailPipelineTest::askingWhetherAFileCanBeShownReadsNothing() {
  const QString path = Write("later.png", Solid(60, 60, qRgb(0, 0, 200)));
  auto medium = std::make_shared<testkit::FakeFileAccess>();
  ThumbnailPipeline pipeline;
  pipeline.SetFileAccess(medium);
  QVERIFY(pipeline.CanShow(path));  // as the folder walk asks
  QTest::qWait(100);
  QCOMPARE(medium->Opened(), QStringList());
  QCOMPARE(pipeline.RendersInFlight(), 0);
  QCOMPARE(pipeline.Result().status, Status::kIdle);
}

void ThumbnailPipelineTest::eachFileOfTheListArrivesInOrder() {
  // More files than are read ahead, each of its own colour.
  QStringList files;
  QList<QRgb> colours;
  for (int i = 0; i < ThumbnailPipeline::kMaxReadAheadFiles + 4; ++i) {
    colours.append(qRgb(20 * i, 255 - 20 * i, (i % 2) * 255));
    files.append(Write(QStringLiteral("%1.png").arg(i), Solid(70, 70, colours.last())));
  }
  ThumbnailPipeline pipeline;
  pipeline.SetRenderThreads(3);  // later files may well end before earlier ones
  pipeline.ReadAhead(files);
  for (int i = 0; i < files.size(); ++i) {
    QVERIFY(pipeline.ShowFile(files[i]));
    QCOMPARE(Handed(pipeline).pixel(50, 50), colours[i]);
  }
}

void ThumbnailPipelineTest::aLaterFileWinsOverAnEarlierRender() {
  const QString big = WriteBigJpeg("big.jpg");
  const QString small = Write("small.png", Solid(50, 50, qRgb(0, 200, 0)));
  ThumbnailPipeline pipeline;
  QVERIFY(pipeline.ShowFile(big));
  QVERIFY(!pipeline.ResultReady());  // started, and far from done
  QVERIFY(pipeline.ShowFile(small));
  QCOMPARE(Handed(pipeline).pixel(50, 50), qRgb(0, 200, 0));
  // Whatever became of the big render, it is handed over as nothing now.
  QTRY_COMPARE(pipeline.RendersInFlight(), 0);
  QTest::qWait(100);
  QCOMPARE(pipeline.Result().status, Status::kReady);
  QCOMPARE(pipeline.Result().thumbnail.pixel(50, 50), qRgb(0, 200, 0));
}

void ThumbnailPipelineTest::anEarlierFileNeverShowsOverALaterOne() {
  const QString small = Write("small.png", Solid(50, 50, qRgb(0, 200, 0)));
  const QString big = WriteBigJpeg("big.jpg");
  ThumbnailPipeline pipeline;
  pipeline.SetRenderThreads(2);  // the small render may well finish while the big one runs
  QVERIFY(pipeline.ShowFile(small));
  QVERIFY(pipeline.ShowFile(big));
  for (int i = 0; i < 20 && !pipeline.ResultReady(); ++i) {
    QCOMPARE(pipeline.Result().status, Status::kRendering);
    QVERIFY(pipeline.Result().thumbnail.isNull());
    QTest::qWait(5);
  }
  QVERIFY(pipeline.WaitForResult(Clock::now() + milliseconds(20000)));
  QCOMPARE(pipeline.Result().status, Status::kReady);
  QCOMPARE(pipeline.Result().thumbnail, RenderThumbnail(big));
}

void ThumbnailPipelineTest::filesRenderedAheadAreTakenInOrder() {
  const QString a = Write("a.png", Solid(70, 70, qRgb(255, 0, 0)));
  const QString b = Write("b.png", Solid(70, 70, qRgb(0, 255, 0)));
  const QString c = Write("c.png", Solid(70, 70, qRgb(0, 0, 255)));
  ThumbnailPipeline pipeline;
  pipeline.ReadAhead({a, b, c, dir_->filePath(QStringLiteral("skipped.txt"))});
  QTRY_COMPARE(pipeline.RendersInFlight(), 0);
  // Rendered ahead means rendered already: the files are no longer needed.
  for (const QString& path : {a, b, c}) QVERIFY(QFile::remove(path));

  QVERIFY(pipeline.ShowFile(a));
  QVERIFY(pipeline.ResultReady());  // at once, without waiting
  QCOMPARE(pipeline.Result().thumbnail.pixel(50, 50), qRgb(255, 0, 0));
  QVERIFY(pipeline.ShowFile(c));  // b passed over
  QVERIFY(pipeline.ResultReady());
  QCOMPARE(pipeline.Result().thumbnail.pixel(50, 50), qRgb(0, 0, 255));
  // b's render was dropped when c was taken: asking for it now reads it anew, from a lost file.
  QVERIFY(pipeline.ShowFile(b));
  QVERIFY(pipeline.WaitForResult(Clock::now() + milliseconds(20000)));
  QCOMPARE(pipeline.Result().status, Status::kFailed);
}

void ThumbnailPipelineTest::aNewListStopsTheOldOne() {
  const QString a = Write("a.png", Solid(70, 70, qRgb(255, 0, 0)));
  const QString b = Write("b.png", Solid(70, 70, qRgb(0, 255, 0)));
  ThumbnailPipeline pipeline;
  pipeline.ReadAhead({a, b});
  pipeline.ReadAhead({b});  // a is no longer to be read
  QTRY_COMPARE(pipeline.RendersInFlight(), 0);
  QVERIFY(QFile::remove(a));
  QVERIFY(QFile::remove(b));
  QVERIFY(pipeline.ShowFile(b));
  QVERIFY(pipeline.ResultReady());
  QCOMPARE(pipeline.Result().thumbnail.pixel(50, 50), qRgb(0, 255, 0));
  QVERIFY(pipeline.ShowFile(a));
  QVERIFY(pipeline.WaitForResult(Clock::now() + milliseconds(20000)));
  QCOMPARE(pipeline.Result().status, Status::kFailed);
}

void ThumbnailPipelineTest::aCameraJpegIsReadOnlyAsFarAsItsPreview() {
  const testkit::PhotoLikePicture photo(2400, 1800);
  QImage picture(2400, 1800, QImage::Format_RGB888);
  for (int y = 0; y < picture.height(); ++y) photo.PaintRow(y, picture.scanLine(y));
  testkit::CameraJpegOptions options;
  // Green where the picture is not: what is handed over tells which was decoded.
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
    ThumbnailPipeline pipeline;
    pipeline.SetFileAccess(medium);
    pipeline.SetUseEmbeddedPreviews(use_previews);
    pipeline.ReadAhead(cameras + QStringList{next});
    for (const QString& camera : cameras) {
      QVERIFY(pipeline.ShowFile(camera));
      QCOMPARE(Near(Handed(pipeline).pixel(50, 50), qRgb(0, 200, 0)), use_previews);
    }
    QVERIFY(pipeline.ShowFile(next));
    QCOMPARE(Handed(pipeline).pixel(50, 50), qRgb(0, 0, 255));
    for (int i = 0; i < cameras.size(); ++i) {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(jpegs[i].constData());
      const auto head = static_cast<qint64>(PreviewHeadLength({bytes, kPreviewHeadBytes}));
      QCOMPARE(head > static_cast<qint64>(kPreviewHeadBytes), i == 1);
      QCOMPARE(medium->BytesRead(cameras[i]), use_previews ? head : jpegs[i].size());
    }
    QCOMPARE(medium->BytesRead(next), QFileInfo(next).size());
  }
}

void ThumbnailPipelineTest::anIoErrorShowsThePartRead() {
  const QString cut = WriteBigJpeg("scratched.jpg");
  const QString next = Write("next.png", Solid(70, 70, qRgb(0, 0, 255)));
  auto medium = std::make_shared<testkit::FakeFileAccess>();
  medium->FailAfter(cut, QFileInfo(cut).size() / 2);
  ThumbnailPipeline pipeline;
  pipeline.SetFileAccess(medium);
  pipeline.ReadAhead({cut, next});
  QVERIFY(pipeline.ShowFile(cut));
  QVERIFY(pipeline.WaitForResult(Clock::now() + milliseconds(20000)));
  const ThumbnailResult result = pipeline.Result();
  QCOMPARE(result.status, Status::kReady);
  QVERIFY(!result.read_error.isEmpty());
  // The top of the picture was read, the bottom was not: it is plain grey.
  const QImage& thumbnail = result.thumbnail;
  const QImage whole = RenderThumbnail(cut);
  QVERIFY(Near(thumbnail.pixel(50, 25), whole.pixel(50, 25)));
  QVERIFY(thumbnail.pixel(50, 25) != thumbnail.pixel(30, 25));
  QVERIFY(Near(thumbnail.pixel(50, 75), qRgb(128, 128, 128)));
  QCOMPARE(thumbnail.pixel(50, 75), thumbnail.pixel(30, 75));
  QVERIFY(pipeline.ShowFile(next));
  QCOMPARE(Handed(pipeline).pixel(50, 50), qRgb(0, 0, 255));
  QVERIFY(pipeline.Result().read_error.isEmpty());
  QCOMPARE(medium->Opened(), QStringList({cut, next}));
  QCOMPARE(pipeline.BytesRead(), QFileInfo(cut).size() / 2 + QFileInfo(next).size());
}

void ThumbnailPipelineTest::aWaitEndsAtItsDeadlineOrAtOnceOnInterrupt() {
  const QString stuck = Write("stuck.png", Solid(70, 70, qRgb(0, 255, 0)));
  auto medium = std::make_shared<testkit::FakeFileAccess>();
  medium->Block(stuck);
  ThumbnailPipeline pipeline;
  pipeline.SetFileAccess(medium);
  QVERIFY(pipeline.ShowFile(stuck));
  QTRY_COMPARE(medium->ReadsBlocked(), 1);

  Clock::time_point start = Clock::now();
  QVERIFY(!pipeline.WaitForResult(start + milliseconds(300)));
  QVERIFY(Clock::now() - start >= milliseconds(300));

  // No deadline: only the interruption ends it.
  std::thread interrupt([&pipeline] {
    std::this_thread::sleep_for(milliseconds(50));
    pipeline.Interrupt();
  });
  start = Clock::now();
  QVERIFY(!pipeline.WaitForResult(std::nullopt));
  interrupt.join();
  QVERIFY(Clock::now() - start < milliseconds(5000));
  QCOMPARE(pipeline.Result().status, Status::kRendering);

  // The medium gives way: the result arrives and ends a wait without a deadline.
  medium->Release();
  QVERIFY(pipeline.WaitForResult(std::nullopt));
  QCOMPARE(pipeline.Result().thumbnail.pixel(50, 50), qRgb(0, 255, 0));
}

void ThumbnailPipelineTest::aStalledReadIsLeftBehind() {
  const QString first = Write("first.png", Solid(70, 70, qRgb(255, 0, 0)));
  const QString stuck = Write("stuck.png", Solid(70, 70, qRgb(0, 255, 0)));
  const QString after = Write("after.png", Solid(70, 70, qRgb(0, 0, 255)));
  auto medium = std::make_shared<testkit::FakeFileAccess>();
  medium->Block(stuck);
  const auto started = std::chrono::steady_clock::now();
  {
    ThumbnailPipeline pipeline;
    pipeline.SetFileAccess(medium);
    pipeline.ReadAhead({first, stuck, after});
    QVERIFY(pipeline.ShowFile(first));
    QVERIFY(!Handed(pipeline).isNull());
    QVERIFY(pipeline.ShowFile(stuck));
    QTRY_COMPARE(medium->ReadsBlocked(), 1);
    // The capture's wait runs out.
    QVERIFY(!pipeline.WaitForResult(Clock::now() + milliseconds(300)));
    // The next file is read all the same, while the stuck read still waits.
    QVERIFY(pipeline.ShowFile(after));
    QCOMPARE(Handed(pipeline).pixel(50, 50), qRgb(0, 0, 255));
    QVERIFY(pipeline.ShowFile(stuck));  // asked for again: read alone, and stuck again
    QVERIFY(!pipeline.ResultReady());
    QTRY_COMPARE(medium->ReadsBlocked(), 2);
  }
  // Destroyed without waiting for the medium.
  QVERIFY(std::chrono::steady_clock::now() - started < std::chrono::seconds(5));
  QCOMPARE(medium->ReadsBlocked(), 2);
  medium->Release();
  QTRY_COMPARE(medium->ReadsBlocked(), 0);
}

void ThumbnailPipelineTest::canBeDestroyedWhileRendering() {
  const QString big = WriteBigJpeg("big.jpg");
  QStringList ahead;
  for (int i = 0; i < 4; ++i) {
    const QString copy = dir_->filePath(QStringLiteral("copy%1.jpg").arg(i));
    QVERIFY(QFile::copy(big, copy));
    ahead << copy;
  }
  for (int round = 0; round < 3; ++round) {
    auto pipeline = std::make_unique<ThumbnailPipeline>();
    QVERIFY(pipeline->ShowFile(big));
    QVERIFY(!pipeline->ResultReady());
    pipeline->ReadAhead(ahead);
    QTest::qWait(round * 20);
    pipeline.reset();
  }
  // A new pipeline renders as usual afterwards.
  ThumbnailPipeline pipeline;
  QVERIFY(pipeline.ShowFile(big));
  QVERIFY(pipeline.WaitForResult(Clock::now() + milliseconds(20000)));
  QCOMPARE(pipeline.Result().status, Status::kReady);
}

}  // namespace quorvel

QTEST_MAIN(quorvel::ThumbnailPipelineTest)
#include "thumbnail_pipeline_test.moc"
