#include "catalog/catalog_document.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "catalog/catalog_edits.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_lock.h"
#include "catalog/disk_record_writer.h"
#include "support/catalog_builder.h"
#include "support/catalog_versions.h"
#include "support/error_kind.h"

namespace quorvel {
namespace {

using testkit::KindOf;

using testkit::BuildCatalog;
using testkit::DiskSpec;
using testkit::GradientJpeg;
using testkit::TempDir;

std::vector<DiskSpec> TwoDisks() {
  return {DiskSpec{"CD1", {{"C:\\a.jpg", GradientJpeg(1)}}},
          DiskSpec{"CD2", {{"C:\\b.jpg", GradientJpeg(2)}, {"C:\\c.jpg", GradientJpeg(3)}}}};
}

Bytes TwoDiskCatalog() { return BuildCatalog(TwoDisks()); }

// Replaces `path` by a new file of `bytes` renamed over it, as a save of another program does.
void ReplaceFile(const std::filesystem::path& path, const Bytes& bytes) {
  const std::filesystem::path written = path.string() + ".new";
  testkit::WriteFile(written, bytes);
  std::filesystem::rename(written, path);
}

// The change of the window's "remove disk" on the first disk.
void RemoveFirstDisk(CatalogDocument& document) {
  std::vector<int> kept;
  for (int d = 1; d < static_cast<int>(document.Index().Disks.size()); ++d) kept.push_back(d);
  document.ApplyChange(CopyDisks(document.Current(), kept), RemoveDisksEdit(document.Index(), {0}));
}

TEST(CatalogDocumentStartup, ExistingFileBecomesTheOpenCatalogue) {
  TempDir dir;
  const auto path = dir.File("cat.qrv", TwoDiskCatalog());
  CatalogDocument document;
  document.UseStartupFile(path);
  EXPECT_TRUE(document.CatalogOpen());
  EXPECT_EQ(document.CatalogFileName(), path);
  // Naming is not loading: the bytes come with the reload.
  EXPECT_EQ(document.Current().bytes.Size(), 0);
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
    EXPECT_EQ(document.Current().bytes.Size(), 0) << name;
    EXPECT_TRUE(document.Index().Disks.empty()) << name;
    EXPECT_FALSE(document.CanUndo()) << name;
  }
}

TEST(CatalogDocumentReload, LoadingReadsTheFileAndStartsTheHistory) {
  TempDir dir;
  const Bytes bytes = TwoDiskCatalog();
  const auto path = dir.File("cat.qrv", bytes);
  CatalogDocument document;
  document.UseStartupFile(path);
  const ReloadOutcome outcome = document.Reload(true);
  EXPECT_TRUE(outcome.read_file);
  EXPECT_TRUE(outcome.load_error.empty());
  EXPECT_FALSE(outcome.not_a_catalogue);
  EXPECT_EQ(document.Current().bytes.Flatten(), bytes);
  EXPECT_FALSE(document.CanUndo());
  EXPECT_FALSE(document.CanRedo());
  EXPECT_FALSE(document.Modified());
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
  document.AppendDisk(DiskRecordBuilder("CD3").Finish());
  ReplaceFile(path, BuildCatalog({}));
  EXPECT_FALSE(document.Reload(false).read_file);
  EXPECT_EQ(document.Index().Disks.size(), 3u);
  EXPECT_TRUE(document.CanUndo());
  document.Undo();
  EXPECT_EQ(document.Current().bytes.Flatten(), bytes);
  // Loading again does read it, and the history starts from it.
  EXPECT_TRUE(document.Reload(true).read_file);
  EXPECT_EQ(document.Index().Disks.size(), 0u);
  EXPECT_EQ(document.Current().bytes.Flatten(), BuildCatalog({}));
  EXPECT_FALSE(document.CanUndo());
  EXPECT_FALSE(document.CanRedo());
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
  EXPECT_EQ(document.Current().bytes.Size(), 0);
  EXPECT_FALSE(document.CanUndo());
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
  EXPECT_EQ(document.Current().bytes.Size(), 0);
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
  EXPECT_THROW(RemoveFirstDisk(document), CatalogError);
  EXPECT_THROW(document.AppendDisk(DiskRecordBuilder("new").Finish()), CatalogError);
  EXPECT_EQ(document.Current().bytes.Flatten(), bytes);
  EXPECT_FALSE(document.CanUndo());
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
  EXPECT_THROW(RemoveFirstDisk(document), CatalogError);
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
    before_ = document_.Current().bytes.Flatten();
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
  EXPECT_EQ(document_.Current().bytes.Flatten(), BuildCatalog(three));
  ASSERT_EQ(document_.Index().Disks.size(), 3u);
  EXPECT_EQ(document_.Index().DiskCount, 3);
  EXPECT_EQ(document_.Index().Disks[2].Thumbs[0].Name(), "C:\\d.jpg");
  EXPECT_EQ(document_.Jpeg(document_.Index().Disks[2], document_.Index().Disks[2].Thumbs[0]),
            cd3.thumbs[0].jpeg);
  EXPECT_TRUE(document_.CanUndo());
  EXPECT_FALSE(document_.CanRedo());

  document_.Undo();
  EXPECT_EQ(document_.Current().bytes.Flatten(), before_);
  EXPECT_EQ(document_.Index().Disks.size(), 2u);
  // Back at what the file holds: nothing left to save.
  EXPECT_FALSE(document_.Modified());
  EXPECT_FALSE(document_.CanUndo());
  document_.Redo();
  EXPECT_EQ(document_.Current().bytes.Flatten(), BuildCatalog(three));
  EXPECT_TRUE(document_.Modified());
}

TEST_F(CatalogDocumentAppend, EmptyOrCutHeaderIsCompletedFirst) {
  for (const Bytes& start : {Bytes{}, testkit::ToBytes("Ctlg")}) {
    Load(start);
    document_.AppendDisk(RecordOf({"new", {}}));
    EXPECT_EQ(document_.Current().bytes.Flatten(), BuildCatalog({{"new", {}}})) << start.size();
    document_.Undo();
    EXPECT_EQ(document_.Current().bytes.Flatten(), start) << start.size();
  }
}

TEST_F(CatalogDocumentAppend, RefusalAtTheMostDisksChangesNothingUndoIncluded) {
  // Two disks and as many imported as a catalogue can hold besides.
  const auto imported = std::make_shared<const CatalogVersion>(
      VersionOfBytes(BuildCatalog(std::vector<DiskSpec>(65533, DiskSpec{"d", {}}))));
  document_.ApplyChange(ImportCatalog(document_.Current(), *imported), AddDisksEdit(imported));
  const Bytes full = document_.Current().bytes.Flatten();
  EXPECT_THROW(document_.RequireRoomForDisk(), CatalogError);
  EXPECT_THROW(document_.AppendDisk(RecordOf({"one more", {}})), CatalogError);
  EXPECT_EQ(document_.Current().bytes.Flatten(), full);
  EXPECT_TRUE(document_.Modified());
  EXPECT_EQ(document_.Index().DiskCount, 65535);
  EXPECT_FALSE(document_.CanRedo());
  document_.Undo();
  EXPECT_EQ(document_.Current().bytes.Flatten(), before_);
  EXPECT_FALSE(document_.CanUndo()) << "the refusals left nothing in the history";
}

// A document of a file, its content held as ranges of that file.
class CatalogDocumentOfFile : public ::testing::Test {
 protected:
  void Open(const std::string& name, const Bytes& bytes) {
    path_ = dir_.File(name, bytes);
    document_.UseFile(path_);
    ASSERT_TRUE(document_.Reload(true).read_file);
    ASSERT_FALSE(document_.Index().Damage);
  }
  Bytes Shown() const { return document_.Current().bytes.Flatten(); }
  Bytes OnDisk() const {
    const std::string text = testkit::ReadBytes(path_);
    return Bytes(text.begin(), text.end());
  }
  // The change of the window's rename of `disk`, and of its removal of `thumbs`.
  void Rename(int disk, const std::string& name) {
    document_.ApplyChange(RenameDisk(document_.Current(), disk, name),
                          RenameDiskEdit(document_.Index(), disk, name));
  }
  void RemoveThumbnails(const std::vector<ThumbRef>& thumbs) {
    document_.ApplyChange(RemoveThumbs(document_.Current(), thumbs),
                          RemoveThumbsEdit(document_.Index(), thumbs));
  }

  TempDir dir_;
  std::filesystem::path path_;
  CatalogDocument document_;
};

TEST_F(CatalogDocumentOfFile, UndoAndRedoGoThroughEveryChangeAndTheSaveKeepsTheOneShown) {
  Open("cat.qrv", TwoDiskCatalog());
  std::vector<DiskSpec> disks = TwoDisks();
  std::vector<Bytes> states = {Shown()};
  Rename(0, "Renamed");
  disks[0].name = "Renamed";
  states.push_back(BuildCatalog(disks));
  RemoveThumbnails({{1, 0}});
  disks[1].thumbs.erase(disks[1].thumbs.begin());
  states.push_back(BuildCatalog(disks));
  const DiskSpec cd3{"CD3", {{"C:\\d.jpg", GradientJpeg(4)}}};
  document_.AppendDisk(RecordOf(cd3));
  disks.push_back(cd3);
  states.push_back(BuildCatalog(disks));
  RemoveFirstDisk(document_);
  disks.erase(disks.begin());
  states.push_back(BuildCatalog(disks));
  ASSERT_EQ(Shown(), states[4]);

  // Back through every change to what the file holds, then forward again.
  for (std::size_t k = states.size() - 1; k > 0; --k) {
    ASSERT_TRUE(document_.CanUndo()) << k;
    document_.Undo();
    EXPECT_EQ(Shown(), states[k - 1]) << k;
  }
  EXPECT_FALSE(document_.CanUndo());
  EXPECT_FALSE(document_.Modified());
  for (std::size_t k = 1; k <= 3; ++k) {
    ASSERT_TRUE(document_.CanRedo()) << k;
    document_.Redo();
    EXPECT_EQ(Shown(), states[k]) << k;
    EXPECT_TRUE(document_.Modified()) << k;
  }
  EXPECT_TRUE(document_.CanRedo());

  document_.Save();
  EXPECT_FALSE(document_.Modified());
  EXPECT_EQ(OnDisk(), states[3]);
  CatalogDocument reopened;
  reopened.UseFile(path_);
  reopened.Reload(true);
  EXPECT_EQ(reopened.Current().bytes.Flatten(), states[3]);
  EXPECT_EQ(testkit::IndexDifference(reopened.Index(), document_.Index()), "");

  // The history outlives the save, and the states before it still read from the file that the
  // save replaced.
  document_.Undo();
  document_.Undo();
  EXPECT_EQ(Shown(), states[1]);
  EXPECT_TRUE(document_.Modified());
  document_.Redo();
  document_.Redo();
  EXPECT_FALSE(document_.Modified()) << "the state saved";
  document_.Redo();
  EXPECT_EQ(Shown(), states[4]);
  EXPECT_TRUE(document_.Modified());
  // A new change where the redo held more drops it.
  document_.Undo();
  Rename(0, "Again");
  EXPECT_FALSE(document_.CanRedo());
  document_.Undo();
  EXPECT_EQ(Shown(), states[3]);
}

TEST_F(CatalogDocumentOfFile, AFileChangedInPlaceFailsReadsAndSavesAndOneReplacedReadsAsOpened) {
  const Bytes bytes = TwoDiskCatalog();
  const std::vector<DiskSpec> disks = TwoDisks();

  // Cut short by another program: a thumbnail past the cut and one before it both fail.
  Open("cut.qrv", bytes);
  Rename(0, "Renamed");
  std::filesystem::resize_file(path_, bytes.size() / 2);
  const CatInfo& cd1 = document_.Index().Disks[0];
  const CatInfo& cd2 = document_.Index().Disks[1];
  EXPECT_EQ(KindOf([&] { document_.Jpeg(cd2, cd2.Thumbs[1]); }), ErrorKind::kChangedOutside);
  EXPECT_EQ(KindOf([&] { document_.Jpeg(cd1, cd1.Thumbs[0]); }), ErrorKind::kChangedOutside);
  EXPECT_EQ(KindOf([&] { document_.Save(); }), ErrorKind::kChangedOutside);
  EXPECT_TRUE(document_.Modified());
  EXPECT_EQ(std::filesystem::file_size(path_), bytes.size() / 2) << "the failed save replaced it";

  // Rewritten in place with as many bytes, only its modification time telling.
  Open("rewritten.qrv", bytes);
  {
    Bytes other = bytes;
    other[other.size() - 3] ^= 0xFF;
    std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
    file.write(reinterpret_cast<const char*>(other.data()),
               static_cast<std::streamsize>(other.size()));
  }
  std::filesystem::last_write_time(
      path_, std::filesystem::last_write_time(path_) + std::chrono::seconds(10));
  const CatInfo& first = document_.Index().Disks[0];
  EXPECT_EQ(KindOf([&] { document_.Jpeg(first, first.Thumbs[0]); }), ErrorKind::kChangedOutside);

  // Replaced by rename, as saves replace it: the opened file is still there to read.
  Open("replaced.qrv", bytes);
  ReplaceFile(path_, BuildCatalog({}));
  EXPECT_TRUE(document_.FileChangedOnDisk());
  const CatInfo& second = document_.Index().Disks[1];
  EXPECT_EQ(document_.Jpeg(second, second.Thumbs[1]), disks[1].thumbs[1].jpeg);
  EXPECT_EQ(Shown(), bytes);
}

// Runs the command-line tool with `args`, as another program changing the catalogue; returns its
// exit status.
int RunQrvtool(const std::vector<std::string>& args) {
  std::vector<char*> argv = {const_cast<char*>(QRVTOOL_PATH)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    execv(QRVTOOL_PATH, argv.data());
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(CatalogDocumentOfFile, MergeKeepsTheOtherProgramsChangeAndMakesOursAgainOrNamesThem) {
  std::vector<DiskSpec> disks = TwoDisks();
  disks.push_back({"CD3", {{"C:\\d.jpg", GradientJpeg(4)}}});
  Open("cat.qrv", BuildCatalog(disks));
  Rename(0, "Renamed");
  RemoveThumbnails({{1, 1}});
  EXPECT_FALSE(document_.FileChangedOnDisk());
  // Meanwhile another program removes the first disk.
  ASSERT_EQ(RunQrvtool({"remove", path_.string(), "1"}), 0);
  EXPECT_TRUE(document_.FileChangedOnDisk());
  ASSERT_TRUE(document_.CanMerge());

  const std::vector<LeftOut> left_out = document_.Merge();
  // The disk the rename was for is gone; the thumbnail's disk is still there.
  ASSERT_EQ(left_out.size(), 1u);
  EXPECT_EQ(left_out[0].kind, CatalogEdit::Kind::kRenameDisk);
  EXPECT_EQ(left_out[0].disk, "CD1");
  EXPECT_EQ(left_out[0].thumb, "");
  disks.erase(disks.begin());
  disks[0].thumbs.pop_back();
  const Bytes merged = BuildCatalog(disks);
  EXPECT_EQ(OnDisk(), merged);
  EXPECT_EQ(Shown(), merged);
  EXPECT_EQ(testkit::IndexMismatch(document_.Current()), "");
  EXPECT_FALSE(document_.Modified());
  EXPECT_FALSE(document_.FileChangedOnDisk());
  EXPECT_FALSE(document_.CanUndo()) << "the history starts from the merged file";

  // Once more with a change of the other program that adds: both are kept.
  Rename(0, "Renamed");
  const std::filesystem::path other = dir_.File("other.qrv", BuildCatalog({{"X", {}}}));
  ASSERT_EQ(RunQrvtool({"import", path_.string(), other.string()}), 0);
  EXPECT_TRUE(document_.Merge().empty());
  disks[0].name = "Renamed";
  disks.push_back({"X", {}});
  EXPECT_EQ(OnDisk(), BuildCatalog(disks));
}

TEST_F(CatalogDocumentOfFile, ASaveWaitsForTheLockThatAnotherProgramHolds) {
  const Bytes bytes = TwoDiskCatalog();
  Open("cat.qrv", bytes);
  Rename(1, "Renamed");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    const CatalogLock lock(path_);
    (void)!write(ready[1], "x", 1);
    std::this_thread::sleep_for(std::chrono::minutes(1));
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  close(ready[1]);

  // Saved as the window saves: under the lock, taken first.
  const auto save = [&](std::chrono::milliseconds patience) {
    const CatalogLock lock(path_, patience);
    document_.Save();
  };
  EXPECT_THROW(save(std::chrono::milliseconds(100)), CatalogBusyError);
  EXPECT_EQ(OnDisk(), bytes);
  EXPECT_TRUE(document_.Modified());
  kill(holder, SIGKILL);  // a writer that dies lets go of the catalogue with it
  waitpid(holder, nullptr, 0);

  save(std::chrono::milliseconds(100));
  EXPECT_EQ(OnDisk(), Shown());
  EXPECT_EQ(Shown(), BuildCatalog({TwoDisks()[0], {"Renamed", TwoDisks()[1].thumbs}}));
  EXPECT_FALSE(document_.Modified());
  EXPECT_FALSE(std::filesystem::exists(CatalogLock::LockFileFor(path_)));
}

}  // namespace
}  // namespace quorvel
