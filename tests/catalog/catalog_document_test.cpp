#include "catalog/catalog_document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "catalog/catalog_error.h"
#include "catalog/disk_record_writer.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

using testkit::BuildCatalog;
using testkit::DiskSpec;
using testkit::GradientJpeg;
using testkit::TempDir;

std::vector<DiskSpec> TwoDisks() {
  return {DiskSpec{"CD1", {{"C:\\a.jpg", GradientJpeg(1)}}},
          DiskSpec{"CD2", {{"C:\\b.jpg", GradientJpeg(2)}, {"C:\\c.jpg", GradientJpeg(3)}}}};
}

Bytes TwoDiskCatalog() { return BuildCatalog(TwoDisks()); }

TEST(CatalogDocumentStartup, ExistingFileBecomesTheOpenCatalogue) {
  TempDir dir;
  const auto path = dir.File("cat.qrv", TwoDiskCatalog());
  CatalogDocument document;
  document.UseStartupFile(path);
  EXPECT_TRUE(document.CatalogOpen());
  EXPECT_EQ(document.CatalogFileName(), path);
  // Naming is not loading: the bytes come with the reload.
  EXPECT_TRUE(document.CatalogStream().empty());
}

TEST(CatalogDocumentStartup, MissingOrEmptyNameOpensNothing) {
  TempDir dir;
  for (const std::filesystem::path& name : {dir.path() / "missing.qrv", std::filesystem::path()}) {
    CatalogDocument document;
    document.UseStartupFile(dir.File("other.qrv", TwoDiskCatalog()));
    document.Reload(true);
    document.UseStartupFile(name);
    EXPECT_FALSE(document.CatalogOpen()) << name;
    EXPECT_TRUE(document.CatalogFileName().empty()) << name;
    EXPECT_TRUE(document.CatalogStream().empty()) << name;
    EXPECT_TRUE(document.Index().Disks.empty()) << name;
  }
}

TEST(CatalogDocumentReload, LoadingReadsTheFileAndTakesTheUndoSnapshot) {
  TempDir dir;
  const Bytes bytes = TwoDiskCatalog();
  const auto path = dir.File("cat.qrv", bytes);
  CatalogDocument document;
  document.UseStartupFile(path);
  const ReloadOutcome outcome = document.Reload(true);
  EXPECT_TRUE(outcome.read_file);
  EXPECT_TRUE(outcome.load_error.empty());
  EXPECT_FALSE(outcome.not_a_catalogue);
  EXPECT_EQ(document.CatalogStream(), bytes);
  EXPECT_EQ(document.UndoStream(), bytes);
  ASSERT_EQ(document.Index().Disks.size(), 2u);
  EXPECT_EQ(document.Index().Disks[1].Name, "CD2");
  EXPECT_EQ(document.Index().Disks[1].ThumbCount, 2);
  EXPECT_FALSE(document.Index().Damage);
}

TEST(CatalogDocumentReload, WithoutLoadingTheFileIsNotReadAgain) {
  TempDir dir;
  const Bytes bytes = TwoDiskCatalog();
  const auto path = dir.File("cat.qrv", bytes);
  CatalogDocument document;
  document.UseStartupFile(path);
  document.Reload(true);
  testkit::WriteFile(path, BuildCatalog({}));
  EXPECT_FALSE(document.Reload(false).read_file);
  EXPECT_EQ(document.CatalogStream(), bytes);
  EXPECT_EQ(document.Index().Disks.size(), 2u);
  // Loading again does read it.
  EXPECT_TRUE(document.Reload(true).read_file);
  EXPECT_EQ(document.Index().Disks.size(), 0u);
  EXPECT_EQ(document.UndoStream(), BuildCatalog({}));
}

TEST(CatalogDocumentReload, EmptyFileIsAnOpenEmptyCatalogue) {
  TempDir dir;
  CatalogDocument document;
  document.UseStartupFile(dir.File("empty.qrv", {}));
  const ReloadOutcome outcome = document.Reload(true);
  EXPECT_TRUE(outcome.read_file);
  EXPECT_FALSE(outcome.not_a_catalogue);
  EXPECT_TRUE(document.CatalogOpen());
  EXPECT_FALSE(document.CatalogFileName().empty());
  EXPECT_TRUE(document.Index().Disks.empty());
  EXPECT_FALSE(document.Index().Damage);
}

TEST(CatalogDocumentReload, FileWithoutTheMagicClosesTheDocument) {
  TempDir dir;
  CatalogDocument document;
  document.UseStartupFile(dir.File("notes.txt", testkit::ToBytes("Ctl? not a catalogue")));
  const ReloadOutcome outcome = document.Reload(true);
  EXPECT_TRUE(outcome.not_a_catalogue);
  EXPECT_FALSE(document.CatalogOpen());
  EXPECT_TRUE(document.CatalogFileName().empty());
  EXPECT_TRUE(document.CatalogStream().empty());
  EXPECT_TRUE(document.UndoStream().empty());
  EXPECT_FALSE(document.Index().Damage);
}

TEST(CatalogDocumentReload, UnreadableFileClosesTheDocumentWithTheReason) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "folder.qrv");
  CatalogDocument document;
  document.UseStartupFile(dir.File("good.qrv", TwoDiskCatalog()));
  document.Reload(true);
  // A folder exists under the name, so the start-up check passes and the read fails.
  document.UseStartupFile(dir.path() / "folder.qrv");
  ASSERT_TRUE(document.CatalogOpen());
  const ReloadOutcome outcome = document.Reload(true);
  EXPECT_NE(outcome.load_error.find("folder.qrv"), std::string::npos) << outcome.load_error;
  EXPECT_FALSE(document.CatalogOpen());
  EXPECT_TRUE(document.CatalogFileName().empty());
  EXPECT_TRUE(document.CatalogStream().empty());
  EXPECT_TRUE(document.Index().Disks.empty());
}

TEST(CatalogDocumentReload, DamagedCatalogueStaysOpenWithWhatCouldBeIndexed) {
  TempDir dir;
  Bytes bytes = TwoDiskCatalog();
  bytes.resize(bytes.size() - 10);  // inside the last JPEG of the second disk
  CatalogDocument document;
  document.UseStartupFile(dir.File("cut.qrv", bytes));
  const ReloadOutcome outcome = document.Reload(true);
  EXPECT_FALSE(outcome.not_a_catalogue);
  EXPECT_TRUE(document.CatalogOpen());
  ASSERT_TRUE(document.Index().Damage);
  ASSERT_EQ(document.Index().Disks.size(), 2u);
  EXPECT_EQ(document.Index().Disks[0].ThumbCount, 1);
  EXPECT_EQ(document.Index().Disks[1].ThumbCount, 1);

  // Once the file is whole again, nothing of the damaged index lingers.
  testkit::WriteFile(document.CatalogFileName(), TwoDiskCatalog());
  document.Reload(true);
  EXPECT_FALSE(document.Index().Damage);
  ASSERT_EQ(document.Index().Disks.size(), 2u);
  EXPECT_EQ(document.Index().Disks[1].ThumbCount, 2);
  EXPECT_EQ(document.Index().TotalThumbs(), 3);
}

TEST(CatalogDocumentReload, DamagedCatalogueRefusesEveryChange) {
  TempDir dir;
  Bytes bytes = TwoDiskCatalog();
  bytes.resize(bytes.size() - 10);
  CatalogDocument document;
  document.UseStartupFile(dir.File("cut.qrv", bytes));
  document.Reload(true);
  EXPECT_THROW(document.RequireChangeable(), CatalogError);
  // Built from the part that could be read, a change would drop the rest once saved.
  EXPECT_THROW(document.ApplyChange(BuildCatalog({})), CatalogError);
  EXPECT_THROW(document.AppendDisk(DiskRecordBuilder("new").Finish()), CatalogError);
  EXPECT_EQ(document.CatalogStream(), bytes);
  EXPECT_FALSE(document.Modified());
}

TEST(CatalogDocumentListeners, EachFinishedCallIsToldOnceAndARefusalNotAtAll) {
  TempDir dir;
  CatalogDocument document;
  std::vector<DocumentChange> told;
  // Each notice is given with the document already in its new state.
  std::vector<std::size_t> disks_seen;
  const int id = document.AddListener([&](DocumentChange change) {
    told.push_back(change);
    disks_seen.push_back(document.Index().Disks.size());
  });
  document.UseStartupFile(dir.File("cat.qrv", TwoDiskCatalog()));
  document.Reload(true);
  document.AppendDisk(DiskRecordBuilder("CD3").Finish());
  document.Undo();
  document.Save();
  document.New(dir.path() / "new.qrv");
  document.Close();
  document.Reload(false);
  using C = DocumentChange;
  EXPECT_EQ(told, (std::vector<C>{C::kReloaded, C::kEdited, C::kUndone, C::kSaved, C::kCreated,
                                  C::kClosed, C::kReloaded}));
  EXPECT_EQ(disks_seen, (std::vector<std::size_t>{2, 3, 2, 2, 2, 0, 0}));

  // A file that is not a catalogue closes the document within the reload: told once, as that.
  told.clear();
  document.UseStartupFile(dir.File("photo.qrv", GradientJpeg(1)));
  document.Reload(true);
  EXPECT_EQ(told, std::vector<C>{C::kReloaded});

  Bytes cut = TwoDiskCatalog();
  cut.resize(cut.size() - 10);
  document.UseStartupFile(dir.File("cut.qrv", cut));
  document.Reload(true);
  told.clear();
  EXPECT_THROW(document.ApplyChange(BuildCatalog({})), CatalogError);
  EXPECT_THROW(document.AppendDisk(DiskRecordBuilder("d").Finish()), CatalogError);
  document.RemoveListener(id);
  document.Close();
  EXPECT_TRUE(told.empty());
}

// A document loaded from a two-disk file, as the add-disk page finds it.
class CatalogDocumentAppend : public ::testing::Test {
 protected:
  void SetUp() override { Load(TwoDiskCatalog()); }
  void Load(const Bytes& bytes) {
    document_.UseStartupFile(dir_.File("cat.qrv", bytes));
    ASSERT_TRUE(document_.Reload(true).read_file);
    before_ = document_.CatalogStream();
  }

  TempDir dir_;
  CatalogDocument document_;
  Bytes before_;
};

Bytes RecordOf(const DiskSpec& disk) {
  DiskRecordBuilder builder(disk.name);
  for (const testkit::ThumbSpec& thumb : disk.thumbs) {
    builder.AddThumbnail(thumb.name, ByteView(thumb.jpeg));
  }
  return std::move(builder).Finish();
}

TEST_F(CatalogDocumentAppend, AppendedDiskIsOneChangeThatUndoTakesBack) {
  const DiskSpec cd3{"CD3", {{"C:\\d.jpg", GradientJpeg(4)}}};
  document_.AppendDisk(RecordOf(cd3));

  EXPECT_TRUE(document_.Modified());
  std::vector<DiskSpec> three = TwoDisks();
  three.push_back(cd3);
  EXPECT_EQ(document_.CatalogStream(), BuildCatalog(three));
  ASSERT_EQ(document_.Index().Disks.size(), 3u);
  EXPECT_EQ(document_.Index().DiskCount, 3);
  EXPECT_EQ(document_.Index().Disks[2].Thumbs[0].Name(document_.CatalogStream()), "C:\\d.jpg");
  EXPECT_EQ(document_.UndoStream(), before_);

  document_.Undo();
  EXPECT_EQ(document_.CatalogStream(), before_);
  EXPECT_EQ(document_.Index().Disks.size(), 2u);
  // Back at what the file holds: nothing left to save.
  EXPECT_FALSE(document_.Modified());
}

TEST_F(CatalogDocumentAppend, EmptyOrCutHeaderIsCompletedFirst) {
  for (const Bytes& start : {Bytes{}, testkit::ToBytes("Ctlg")}) {
    Load(start);
    document_.AppendDisk(RecordOf({"new", {}}));
    EXPECT_EQ(document_.CatalogStream(), BuildCatalog({{"new", {}}})) << start.size();
    EXPECT_EQ(document_.UndoStream(), start) << start.size();
  }
}

TEST_F(CatalogDocumentAppend, RefusalAtTheMostDisksChangesNothingUndoIncluded) {
  const Bytes full = BuildCatalog(std::vector<DiskSpec>(65535, DiskSpec{"d", {}}));
  document_.ApplyChange(full);
  EXPECT_THROW(document_.RequireRoomForDisk(), CatalogError);
  EXPECT_THROW(document_.AppendDisk(RecordOf({"one more", {}})), CatalogError);
  EXPECT_EQ(document_.CatalogStream(), full);
  EXPECT_EQ(document_.UndoStream(), before_);
  EXPECT_TRUE(document_.Modified());
  EXPECT_EQ(document_.Index().DiskCount, 65535);
}

}  // namespace
}  // namespace quorvel
