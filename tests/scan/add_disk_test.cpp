#include "scan/add_disk.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalog/catalog_check.h"
#include "catalog/catalog_document.h"
#include "catalog/catalog_edits.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_index.h"
#include "catalog/catalog_merge.h"
#include "catalog/cp1251.h"
#include "catalog/disk_record_writer.h"
#include "catalog/field_codec.h"
#include "catalog/picture_facts.h"
#include "catalog/thumbnail_jpeg.h"
#include "platform/path_text.h"
#include "recording_scan_view.h"
#include "scan/capture_thumbnails.h"
#include "scan/placeholder_thumbnail.h"
#include "scan/test_pictures.h"
#include "scan/thumbnail_pipeline.h"
#include "scan/thumbnail_renderer.h"
#include "support/camera_jpeg.h"
#include "support/catalog_builder.h"
#include "support/fake_file_access.h"

namespace quorvel {
using namespace std::string_literals;
namespace {

namespace fs = std::filesystem;
using testkit::RecordingScanView;

const QString kAdding = QStringLiteral("Добавление эскиза: ");

// A 300 x 200 picture of `colour` with a gentle left-to-right gradient, so that its thumbnail's
// middle shows the colour.
bool WritePicture(const QString& path, QColor colour) {
  QImage image(300, 200, QImage::Format_RGB32);
  for (int x = 0; x < image.width(); ++x) {
    const QColor shade = colour.lighter(90 + x * 20 / image.width());
    for (int y = 0; y < image.height(); ++y) image.setPixel(x, y, shade.rgb());
  }
  return image.save(path);
}

class AddDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    folder_ = QDir::cleanPath(dir_.path()) + "/disk";
    QDir().mkpath(folder_);
    Open(testkit::BuildCatalog({{"CD1", {{"C:\\a.jpg", testkit::GradientJpeg(1)}}}}));
    state_.ScanFolder = folder_;
    state_.DiskName = Utf8ToCp1251("Отпуск");
    // The page's wait: unchecked box, so each file is waited for until it is rendered.
    state_.ScanActive = true;
  }

  void Open(const Bytes& bytes) {
    const fs::path path = QStringToPath(dir_.path() + "/cat.qrv");
    testkit::WriteFile(path, bytes);
    document_.UseFile(path);
    ASSERT_TRUE(document_.Reload(true).read_file);
    before_ = Shown();
  }

  QString Picture(const QString& name, QColor colour = Qt::red) {
    const QString path = folder_ + u'/' + name;
    EXPECT_TRUE(WritePicture(path, colour)) << path.toStdString();
    return path;
  }

  AddDiskSummary Add() { return AddDisk(document_, state_, view_, thumbs_); }

  Bytes Shown() const { return document_.Current().bytes.Flatten(); }

  const CatInfo& NewDisk() { return document_.Index().Disks.back(); }

  QTemporaryDir dir_;
  QString folder_;
  CatalogDocument document_;
  Bytes before_;
  ScanState state_;
  RecordingScanView view_;
  ThumbnailPipeline thumbs_;
};

TEST_F(AddDiskTest, AppendsOneDiskOfEveryPictureFound) {
  QDir().mkpath(folder_ + "/sub");
  const QList<QColor> colours = {Qt::red, Qt::green, Qt::blue};
  const QStringList pictures = {Picture("one.jpg", colours[0]), Picture("two.png", colours[1]),
                                Picture("sub/three.jpg", colours[2])};
  const QString bad = folder_ + "/bad.jpg";
  testkit::WriteFile(QStringToPath(bad), testkit::ToBytes("not a picture at all"));
  testkit::WriteFile(QStringToPath(folder_ + "/notes.txt"), testkit::ToBytes("text"));

  const AddDiskSummary summary = Add();
  EXPECT_EQ(summary.found, 4);
  EXPECT_EQ(summary.added, 4);
  EXPECT_EQ(summary.unreadable, QStringList{bad});
  EXPECT_EQ(summary.skipped, QStringList());
  EXPECT_FALSE(summary.thumb_limit_reached);
  EXPECT_FALSE(state_.ScanActive);
  EXPECT_TRUE(document_.Modified());

  const Bytes stream = Shown();
  const CheckResult check = CheckCatalog(stream);
  ASSERT_TRUE(check.ok()) << check.violation->reason;
  EXPECT_EQ(ReadField(stream, 4, 2), 2u);
  EXPECT_EQ(document_.Index().DiskCount, 2);
  ASSERT_EQ(document_.Index().Disks.size(), 2u);
  const CatInfo& disk = NewDisk();
  EXPECT_EQ(disk.Name, state_.DiskName);
  ASSERT_EQ(disk.ThumbCount, 4);
  // The record holds exactly its head and its thumbnail records.
  std::int64_t thumbs_size = 0;
  for (const Disc& thumb : disk.Thumbs) thumbs_size += 4 + thumb.NameLength + thumb.JpegSize;
  EXPECT_EQ(std::int64_t{ReadField(stream, disk.RecordStart() + 4 + disk.NameLength, 4)},
            8 + disk.NameLength + thumbs_size);
  EXPECT_EQ(disk.RecordEnd, static_cast<std::int64_t>(stream.size()));
  for (const Disc& thumb : disk.Thumbs) {
    const QString name = QString::fromStdString(Cp1251ToUtf8(thumb.Name()));
    if (name == bad) continue;  // its placeholder: see PicturesWithoutAThumbnailGetAPlaceholder
    const qsizetype which = pictures.indexOf(name);
    ASSERT_GE(which, 0) << name.toStdString();
    RgbImage decoded;
    ASSERT_TRUE(DecodeJpeg(document_.Jpeg(disk, thumb), decoded));
    EXPECT_EQ(decoded.width, 100);
    EXPECT_EQ(decoded.height, 100);
    // The middle of the thumbnail is the picture's, not the blank capture bitmap's.
    const std::uint8_t* middle = decoded.pixels.data() + (50 * 100 + 50) * 3;
    const QColor expected = colours[which];
    EXPECT_LT(std::abs(middle[0] - expected.red()) + std::abs(middle[1] - expected.green()) +
                  std::abs(middle[2] - expected.blue()),
              90)
        << name.toStdString();
  }

  document_.Undo();
  EXPECT_EQ(Shown(), before_);
}

TEST_F(AddDiskTest, FolderWithoutPicturesGivesAnEmptyDisk) {
  testkit::WriteFile(QStringToPath(folder_ + "/notes.txt"), testkit::ToBytes("text"));
  const AddDiskSummary summary = Add();
  EXPECT_EQ(summary.found, 0);
  EXPECT_EQ(summary.added, 0);
  const Bytes stream = Shown();
  ASSERT_TRUE(CheckCatalog(stream).ok());
  const CatInfo& disk = NewDisk();
  EXPECT_EQ(disk.ThumbCount, 0);
  EXPECT_EQ(ReadField(stream, disk.RecordStart() + 4 + disk.NameLength, 4), disk.NameLength + 8u);
  EXPECT_EQ(stream.size(), before_.size() + disk.NameLength + 8);
}

TEST_F(AddDiskTest, EmptyCatalogueGetsItsHeaderFirst) {
  Open({});
  Picture("one.jpg");
  EXPECT_EQ(Add().added, 1);
  const Bytes stream = Shown();
  ASSERT_TRUE(CheckCatalog(stream).ok());
  EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 7), testkit::ToBytes("Ctlg\0\1D"s));
}

TEST_F(AddDiskTest, FolderThatVanishedLeavesTheCatalogueAsItWas) {
  for (const bool modified_before : {false, true}) {
    if (modified_before) {
      document_.ApplyChange(RenameDisk(document_.Current(), 0, "other"),
                            RenameDiskEdit(document_.Index(), 0, "other"));
    }
    const Bytes before = Shown();
    state_.ScanActive = true;
    state_.ScanFolder = folder_ + "/gone";
    EXPECT_THROW(Add(), ScanError);
    EXPECT_EQ(Shown(), before) << modified_before;
    EXPECT_EQ(document_.CanUndo(), modified_before) << "nothing came into the history";
    EXPECT_FALSE(document_.CanRedo()) << modified_before;
    EXPECT_EQ(document_.Modified(), modified_before);
    EXPECT_FALSE(state_.ScanActive);
  }
}

TEST_F(AddDiskTest, CatalogueWithoutRoomIsRefusedBeforeTheWalk) {
  Open(testkit::BuildCatalog(std::vector<testkit::DiskSpec>(65535, {"d", {}})));
  Picture("one.jpg");
  EXPECT_THROW(Add(), CatalogError);
  EXPECT_TRUE(view_.status_lines.isEmpty()) << "no one waits for a walk that cannot be kept";
  EXPECT_EQ(Shown(), before_);
  EXPECT_FALSE(document_.CanUndo());
  EXPECT_FALSE(document_.Modified());
  EXPECT_FALSE(state_.ScanActive);
}

TEST_F(AddDiskTest, FilesCutShortByTheMediumAreNamedOnceAsReadErrors) {
  const QString half = Picture("half.png");
  const QString none = Picture("none.png");
  Picture("whole.png");
  auto medium = std::make_shared<testkit::FakeFileAccess>();
  medium->FailAfter(half, QFileInfo(half).size() / 2);
  medium->FailAfter(none, 0);  // nothing to decode: the placeholder
  thumbs_.SetFileAccess(medium);
  const AddDiskSummary summary = Add();
  EXPECT_EQ(summary.added, 3);
  QStringList read_errors = summary.read_errors;
  read_errors.sort();
  EXPECT_EQ(read_errors, QStringList({half, none}));
  EXPECT_EQ(summary.unreadable, QStringList());
  // A thumbnail of part of a file keeps no modification time, so that an update reads it again.
  const CatInfo& disk = document_.Index().Disks.back();
  for (const Disc& thumb : disk.Thumbs) {
    const bool cut = thumb.Name().ends_with("half.png") || thumb.Name().ends_with("none.png");
    EXPECT_EQ(ReadOwnFacts(document_.Jpeg(disk, thumb)).modified.has_value(), !cut) << thumb.Name();
  }
}

TEST_F(AddDiskTest, CancelKeepsTheFileBeingAddedAndStopsBeforeTheNext) {
  for (int i = 0; i < 5; ++i) Picture(QStringLiteral("p%1.jpg").arg(i));
  int adding = 0;
  // What the page's "Отмена" does while the second file is on the status line.
  view_.on_status = [&](const QString& text) {
    if (text.startsWith(kAdding) && ++adding == 2) {
      state_.ScanActive = false;
      state_.SkipRequested = true;
    }
  };
  const AddDiskSummary summary = Add();
  EXPECT_EQ(summary.found, 5);
  EXPECT_EQ(summary.added, 2);
  EXPECT_EQ(adding, 2);
  ASSERT_TRUE(CheckCatalog(Shown()).ok());
  EXPECT_EQ(NewDisk().ThumbCount, 2);
}

TEST_F(AddDiskTest, CancelDuringARenderStoresNothingForThatFile) {
  for (int i = 0; i < 5; ++i) Picture(QStringLiteral("p%1.jpg").arg(i));
  const QString cut = folder_ + "/p2.jpg";
  // Its render never ends on its own: the stop lands while it is being read.
  auto medium = std::make_shared<testkit::FakeFileAccess>();
  medium->Block(cut);
  thumbs_.SetFileAccess(medium);
  QString adding;
  view_.on_status = [&](const QString& text) { adding = text; };
  view_.on_waiting = [&] {
    if (adding == kAdding + cut) state_.RequestStop();
  };
  const AddDiskSummary summary = Add();
  medium->Release();
  EXPECT_TRUE(summary.cancelled);
  EXPECT_EQ(summary.found, 5);
  EXPECT_EQ(summary.added, 2);
  EXPECT_EQ(summary.skipped, QStringList());
  ASSERT_TRUE(CheckCatalog(Shown()).ok());
  ASSERT_EQ(NewDisk().ThumbCount, 2);
  for (const Disc& thumb : NewDisk().Thumbs) {
    EXPECT_NE(QString::fromStdString(Cp1251ToUtf8(thumb.Name())), cut);
  }
}

TEST_F(AddDiskTest, ProgressFollowsTheFilesAndEndsEmpty) {
  for (int i = 0; i < 8; ++i) Picture(QStringLiteral("p%1.png").arg(i));
  EXPECT_EQ(Add().added, 8);
  EXPECT_EQ(view_.progress, (std::vector<int>{-1, 12, 24, 36, 49, 62, 74, 86, 0}));
  // The lines are cleared once the disk is in.
  EXPECT_EQ(view_.status_lines.last(), QString());
  EXPECT_EQ(view_.counter_lines.last(), QString());
}

// The mean difference per channel between the stored thumbnail and `expected`.
double MeanDifference(ByteView jpeg, const QImage& expected) {
  RgbImage decoded;
  if (!DecodeJpeg(jpeg, decoded) || decoded.width != 100 || decoded.height != 100) return 255;
  const QImage rgb = expected.convertToFormat(QImage::Format_RGB888);
  double sum = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 300; ++x) {
      sum += std::abs(decoded.pixels[static_cast<std::size_t>(y * 300 + x)] - rgb.scanLine(y)[x]);
    }
  }
  return sum / (100 * 300);
}

QImage Placeholder(const QString& path) {
  QImage image(100, 100, QImage::Format_RGB888);
  QPainter painter(&image);
  PaintPlaceholder(painter, image.rect(), path);
  return image;
}

TEST_F(AddDiskTest, PicturesWithoutAThumbnailGetAPlaceholder) {
  ScanContext context;
  context.CaptureBitmap = QImage(100, 100, QImage::Format_RGB888);
  const QString bad = folder_ + "/bad.PNG";
  testkit::WriteFile(QStringToPath(bad), testkit::ToBytes("not a picture at all"));
  // Far from rendered when "Пропустить" is pressed in its wait.
  const QString big = folder_ + "/big.jpg";
  const testkit::PhotoLikePicture photo(6000, 4000);
  ASSERT_TRUE(testkit::WriteJpegByRows(big, 6000, 4000, 90, photo.Painter()));
  context.FoundFiles = {bad, Picture("good.png"), big};
  context.FoundCount = 3;
  QString shown;
  view_.on_status = [&](const QString& text) { shown = text; };
  view_.on_waiting = [&] {
    if (shown == kAdding + big) state_.RequestSkip();
  };
  DiskRecordBuilder record("disk");
  CaptureThumbnails(context, state_, view_, thumbs_, record);
  Bytes stream = before_;
  AppendDiskRecord(stream, std::move(record).Finish());

  EXPECT_EQ(context.Unreadable, QStringList{bad});
  EXPECT_EQ(context.Skipped, QStringList{big});
  EXPECT_EQ(state_.AddedCount, 3);
  // Each picture stored is the one shown, the placeholder as the thumbnail.
  ASSERT_EQ(view_.thumbnails.size(), 3);
  EXPECT_EQ(view_.thumbnails[0], Placeholder(bad));
  EXPECT_EQ(view_.thumbnails[1],
            RenderThumbnail(context.FoundFiles[1]).convertToFormat(QImage::Format_RGB888));
  EXPECT_EQ(view_.thumbnails[2], Placeholder(big));
  const CatalogIndex index = BuildIndex(stream);
  ASSERT_EQ(index.Disks.back().Thumbs.size(), 3u);
  const auto& thumbs = index.Disks.back().Thumbs;
  for (std::size_t i = 0; i < 3; ++i) {
    const QString path = context.FoundFiles[static_cast<qsizetype>(i)];
    EXPECT_EQ(thumbs[i].Name(), PathBytes(path));
    const double difference = MeanDifference(
        ByteView(stream).subspan(index.Disks.back().JpegPos(thumbs[i]), thumbs[i].JpegSize),
        Placeholder(path));
    if (path == bad || path == big) {
      EXPECT_LT(difference, 3.0) << path.toStdString();
    } else {
      EXPECT_GT(difference, 30.0) << "a picture of its own";
    }
  }
}

// The picture that PhotoLikePicture paints, as a QImage.
QImage PhotoLikeImage(int width, int height) {
  const testkit::PhotoLikePicture photo(width, height);
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y) photo.PaintRow(y, image.scanLine(y));
  return image;
}

// `record` (as the document holds it) made again with each thumbnail named by its path below
// `folder`, in '/', and the thumbnails in the order of those names: the same bytes wherever the
// temporary folder is and whatever order the file system lists the files in.
Bytes WithNamesBelow(const CatalogVersion& catalog, const CatInfo& disk, const QString& folder) {
  std::vector<std::pair<std::string, Bytes>> thumbs;
  for (const Disc& thumb : disk.Thumbs) {
    QString name = QString::fromStdString(Cp1251ToUtf8(thumb.Name()));
    name = QDir::fromNativeSeparators(name).mid(folder.size() + 1);
    thumbs.emplace_back(name.toStdString(), catalog.Jpeg(disk, thumb));
  }
  std::sort(thumbs.begin(), thumbs.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  DiskRecordBuilder record(disk.Name);
  for (const auto& [name, jpeg] : thumbs) record.AddThumbnail(name, ByteView(jpeg));
  return std::move(record).Finish();
}

// The disk record of a small mixed folder, byte for byte: the same pictures must keep giving
// the same stored thumbnails whatever the way they are rendered and handed to the capture.
// The golden file was written by this test, run with QUORVEL_WRITE_GOLDEN=1, from the capture
// that painted each picture on a white 100 x 100 widget and grabbed it into an RGB888 bitmap:
//   QUORVEL_WRITE_GOLDEN=1 build/tests/scan/scan_tests --gtest_filter='*GoldenRecord*'
// Its placeholder is drawn with the fonts of the machine it was made on (Debian 12's default).
TEST_F(AddDiskTest, MixedFolderGivesTheGoldenRecord) {
  const QString golden_path = QStringLiteral(QUORVEL_TEST_DATA_DIR "/mixed_folder_disk.rec");
  ASSERT_TRUE(testkit::WriteJpegByRows(folder_ + "/photo.jpg", 640, 480, 90,
                                       testkit::PhotoLikePicture(640, 480).Painter()));
  ASSERT_TRUE(testkit::WriteBytes(folder_ + "/drawing.png",
                                  testkit::EncodeWithQt(PhotoLikeImage(300, 200), "png")));
  const QImage camera_picture = PhotoLikeImage(800, 600).mirrored(true, false);
  testkit::CameraJpegOptions camera;
  camera.thumbnail = testkit::EncodeJpeg(testkit::LetterboxedThumbnail(camera_picture));
  ASSERT_TRUE(
      testkit::WriteBytes(folder_ + "/camera.jpg", testkit::CameraJpeg(camera_picture, camera)));
  testkit::WriteFile(QStringToPath(folder_ + "/broken.jpg"),
                     testkit::ToBytes("not a picture at all"));
  // Each thumbnail keeps its file's modification time: one fixed time for all.
  for (const char* name : {"photo.jpg", "drawing.png", "camera.jpg", "broken.jpg"}) {
    QFile file(folder_ + "/" + QLatin1String(name));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(1600000000, Qt::UTC),
                                 QFileDevice::FileModificationTime));
  }
  state_.DiskName = "golden";

  const AddDiskSummary summary = Add();
  EXPECT_EQ(summary.added, 4);
  EXPECT_EQ(summary.unreadable, QStringList{folder_ + "/broken.jpg"});
  const Bytes record = WithNamesBelow(document_.Current(), NewDisk(), folder_);
  if (qEnvironmentVariableIsSet("QUORVEL_WRITE_GOLDEN")) {
    std::ofstream(QStringToPath(golden_path), std::ios::binary)
        .write(reinterpret_cast<const char*>(record.data()),
               static_cast<std::streamsize>(record.size()));
  }
  std::ifstream golden_file(QStringToPath(golden_path), std::ios::binary);
  ASSERT_TRUE(golden_file) << golden_path.toStdString();
  const Bytes golden((std::istreambuf_iterator<char>(golden_file)),
                     std::istreambuf_iterator<char>());
  EXPECT_EQ(record.size(), golden.size());
  EXPECT_TRUE(record == golden) << "the stored thumbnails differ from the golden record";
}

TEST_F(AddDiskTest, CaptureStopsAtTheMostThumbnailsADiskHolds) {
  ScanContext context;
  context.CaptureBitmap = QImage(100, 100, QImage::Format_RGB888);
  for (int i = 0; i < 3; ++i) context.FoundFiles.append(Picture(QStringLiteral("p%1.png").arg(i)));
  context.FoundCount = 3;
  DiskRecordBuilder record("full");
  // 65534 thumbnails in already: one more fits.
  const Bytes tiny_jpeg = {0xFF, 0xD8, 0xFF, 0xD9};
  for (int i = 0; i < 65534; ++i) record.AddThumbnail("p", ByteView(tiny_jpeg));
  CaptureThumbnails(context, state_, view_, thumbs_, record);
  EXPECT_TRUE(context.ThumbLimitReached);
  EXPECT_EQ(record.ThumbCount(), 65535);
  EXPECT_EQ(state_.AddedCount, 1);
}

}  // namespace
}  // namespace quorvel
