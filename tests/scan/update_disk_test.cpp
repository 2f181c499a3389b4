#include "scan/update_disk.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <string>

#include "catalog/catalog_document.h"
#include "catalog/catalog_edits.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_merge.h"
#include "catalog/stream.h"
#include "platform/path_text.h"
#include "recording_scan_view.h"
#include "scan/add_disk.h"
#include "scan/capture_thumbnails.h"
#include "scan/thumbnail_pipeline.h"
#include "support/catalog_builder.h"
#include "support/fake_file_access.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testkit::RecordingScanView;

const QString kAdding = QStringLiteral("Добавление эскиза: ");

// A catalogue whose second disk "D" is to be updated from a folder under a temporary one; the
// first disk is there to show that only the updated one changes.
class UpdateDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    folder_ = Folder("a/DISK");
    const fs::path path = QStringToPath(dir_.path() + "/cat.qrv");
    testkit::WriteFile(path,
                       testkit::BuildCatalog({{"CD1", {{"C:\\a.jpg", testkit::GradientJpeg(1)}}}}));
    document_.UseFile(path);
    ASSERT_TRUE(document_.Reload(true).read_file);
  }

  QString Folder(const QString& relative) const {
    const QString path = QDir::cleanPath(dir_.path()) + u'/' + relative;
    QDir().mkpath(path);
    return path;
  }

  // A picture `width` wide, of a colour `seed` chooses: another width gives another size.
  static QString Picture(const QString& path, int width, int seed) {
    QImage image(width, 120, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(seed * 67 % 360, 200, 200));
    for (int x = 0; x < width; x += 7) image.setPixel(x, x % 120, qRgb(x % 256, 0, seed));
    EXPECT_TRUE(image.save(path)) << path.toStdString();
    return path;
  }

  void AddDiskD(const QString& folder) {
    ScanState state;
    state.ScanFolder = folder;
    state.DiskName = "D";
    state.ScanActive = true;
    ThumbnailPipeline thumbs;
    AddDisk(document_, state, view_, thumbs);
  }

  // What a fresh addition of `folder` as disk "D" records.
  static Bytes FreshRecord(const QString& folder) {
    ScanState state;
    state.ScanFolder = folder;
    state.DiskName = "D";
    state.ScanActive = true;
    RecordingScanView view;
    ThumbnailPipeline thumbs;
    return ScanDisk(state, view, thumbs).record;
  }

  UpdatedDisk Update(const QString& folder) {
    state_.ScanFolder = folder;
    state_.ScanActive = true;
    return UpdateDisk(document_, 1, state_, view_, thumbs_);
  }

  Bytes Shown() const { return document_.Current().bytes.Flatten(); }

  // The bytes of disk `disk`'s record in the document.
  Bytes RecordOf(int disk) const {
    const CatInfo& info = document_.Index().Disks[disk];
    return document_.Current().bytes.Read(info.RecordStart(), info.RecordEnd - info.RecordStart());
  }

  QTemporaryDir dir_;
  QString folder_;
  CatalogDocument document_;
  ScanState state_;
  RecordingScanView view_;
  ThumbnailPipeline thumbs_;
};

TEST_F(UpdateDiskTest, KeepsUnchangedFilesUnreadAndGivesWhatAFreshAdditionGives) {
  const QString kept = Picture(folder_ + "/kept.png", 160, 1);
  const QString changed = Picture(folder_ + "/changed.png", 160, 2);
  const QString gone = Picture(folder_ + "/gone.png", 160, 3);
  AddDiskD(folder_);
  const Bytes before = Shown();
  const Bytes old_first_disk = RecordOf(0);

  // Another size, whatever the clock's second.
  Picture(changed, 200, 4);
  const QString added = Picture(folder_ + "/new.png", 180, 5);
  ASSERT_TRUE(QFile::remove(gone));
  auto medium = std::make_shared<testkit::FakeFileAccess>();
  thumbs_.SetFileAccess(medium);

  const UpdatedDisk updated = Update(folder_);
  EXPECT_FALSE(updated.summary.cancelled);
  EXPECT_EQ(updated.summary.found, 3);
  EXPECT_EQ(updated.summary.added, 3);
  EXPECT_EQ(updated.counts.added, 1);
  EXPECT_EQ(updated.counts.changed, 1);
  EXPECT_EQ(updated.counts.removed, 1);
  EXPECT_EQ(updated.counts.unchanged, 1);
  EXPECT_EQ(updated.counts.without_facts, 0);
  EXPECT_FALSE(state_.ScanActive);
  // Only what changed was read, each file once and whole.
  EXPECT_FALSE(medium->Opened().contains(kept)) << medium->Opened().join(' ').toStdString();
  EXPECT_EQ(medium->TotalRead(), QFileInfo(changed).size() + QFileInfo(added).size());
  EXPECT_EQ(medium->Stats(), 2);

  EXPECT_EQ(updated.record, FreshRecord(folder_));
  ASSERT_EQ(document_.Index().Disks.size(), 2u);
  EXPECT_EQ(RecordOf(1), updated.record);
  EXPECT_EQ(RecordOf(0), old_first_disk);
  EXPECT_TRUE(view_.status_lines.back().isEmpty());

  document_.Undo();
  EXPECT_EQ(Shown(), before);
}

TEST_F(UpdateDiskTest, MovedFolderKeepsEveryThumbnailUnderItsNewPathAndAStopChangesNothing) {
  Picture(folder_ + "/one.png", 160, 1);
  Folder("a/DISK/sub");
  Picture(folder_ + "/sub/two.png", 170, 2);
  // Too long for its record: stored shortened, which tells no folders, so it is made again.
  const QString long_name = QString(150, u'f') + u'/' + QString(100, u'n') + ".png";
  Folder("a/DISK/" + QString(150, u'f'));
  Picture(folder_ + u'/' + long_name, 150, 3);
  AddDiskD(folder_);
  Folder("b");
  const QString moved = QDir::cleanPath(dir_.path()) + "/b/OTHER";
  fs::rename(QStringToPath(folder_), QStringToPath(moved));
  const Bytes before = Shown();

  // "Отмена" as the first file is added: nothing of the update reaches the document.
  view_.on_status = [this](const QString& text) {
    if (text.startsWith(kAdding)) state_.RequestStop();
  };
  const UpdatedDisk stopped = Update(moved);
  EXPECT_TRUE(stopped.summary.cancelled);
  EXPECT_EQ(Shown(), before);
  EXPECT_THROW(ApplyUpdatedDisk(document_, 1, view_, stopped), CatalogError);
  EXPECT_EQ(Shown(), before);
  view_.on_status = nullptr;

  auto medium = std::make_shared<testkit::FakeFileAccess>();
  thumbs_.SetFileAccess(medium);
  const UpdatedDisk updated = Update(moved);
  EXPECT_EQ(updated.counts.unchanged, 2);
  EXPECT_EQ(updated.counts.added, 1);
  EXPECT_EQ(updated.counts.removed, 1);
  EXPECT_EQ(updated.counts.changed, 0);
  EXPECT_EQ(medium->Opened(), QStringList{moved + u'/' + long_name});
  EXPECT_EQ(updated.record, FreshRecord(moved));
  const CatInfo& disk = document_.Index().Disks[1];
  ASSERT_EQ(disk.ThumbCount, 3);
  for (const Disc& thumb : disk.Thumbs) {
    if (thumb.NameSize == 255) continue;
    EXPECT_TRUE(thumb.Name().starts_with(StoredImageName(moved) + '/')) << thumb.Name();
  }
}

TEST_F(UpdateDiskTest, ThumbnailsWithoutFactsAreMadeAgainAndOnlyIntoTheDiskScanned) {
  const QString one = Picture(folder_ + "/one.png", 160, 1);
  const QString two = Picture(folder_ + "/two.png", 170, 2);
  // Thumbnails of an older program: no size nor time stored.
  const fs::path path = QStringToPath(dir_.path() + "/old.qrv");
  testkit::WriteFile(path,
                     testkit::BuildCatalog({{"CD1", {{"C:\\a.jpg", testkit::GradientJpeg(1)}}},
                                            {"D",
                                             {{StoredImageName(one), testkit::GradientJpeg(2)},
                                              {StoredImageName(two), testkit::GradientJpeg(3)}}}}));
  document_.UseFile(path);
  ASSERT_TRUE(document_.Reload(true).read_file);
  const Bytes before = Shown();

  state_.ScanFolder = folder_;
  state_.ScanActive = true;
  const UpdatedDisk updated = ScanDiskUpdate(document_.Current(), 1, state_, view_, thumbs_);
  EXPECT_EQ(state_.DiskName, "D");
  EXPECT_EQ(updated.counts.without_facts, 2);
  EXPECT_EQ(updated.counts.changed + updated.counts.unchanged + updated.counts.added, 0);
  EXPECT_EQ(updated.record, FreshRecord(folder_));

  // Renamed meanwhile, the disk is not the one scanned.
  document_.ApplyChange(RenameDisk(document_.Current(), 1, "E"),
                        RenameDiskEdit(document_.Index(), 1, "E"));
  const Bytes renamed = Shown();
  EXPECT_THROW(ApplyUpdatedDisk(document_, 1, view_, updated), CatalogError);
  EXPECT_THROW(ApplyUpdatedDisk(document_, 2, view_, updated), CatalogError);
  EXPECT_EQ(Shown(), renamed);
  document_.Undo();
  ApplyUpdatedDisk(document_, 1, view_, updated);
  EXPECT_EQ(RecordOf(1), updated.record);
  document_.Undo();
  EXPECT_EQ(Shown(), before);
}

}  // namespace
}  // namespace quorvel
