#include "scan/find_images.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <filesystem>

#include "platform/path_text.h"
#include "recording_scan_view.h"
#include "scan/thumbnail_pipeline.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testkit::RecordingScanView;

const QString kSearching = QStringLiteral("Поиск изображений в: ");

// `wanted` in the order the walk must find them: each folder's entries in the order the system
// lists them, the folder's own files before those of its sub-folders.
QStringList InWalkOrder(const QString& folder, const QSet<QString>& wanted) {
  QStringList files;
  QStringList below;
  for (const fs::directory_entry& entry : fs::directory_iterator(QStringToPath(folder))) {
    const QString path = folder + u'/' + PathToQString(entry.path().filename());
    if (entry.is_directory()) {
      below += InWalkOrder(path, wanted);
    } else if (wanted.contains(path)) {
      files.append(path);
    }
  }
  return files + below;
}

class FindImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    root_ = QDir::cleanPath(dir_.path());
    state_.ScanFolder = root_;
    state_.ScanActive = true;
  }

  // Creates the empty file `relative` below the root (and its folders); returns its full path.
  QString Touch(const QString& relative) {
    const QString path = root_ + u'/' + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    return path;
  }
  QStringList Touch(const QStringList& relatives) {
    QStringList paths;
    for (const QString& relative : relatives) paths.append(Touch(relative));
    return paths;
  }

  const QStringList& Find() {
    FindImages(context_, state_, view_, thumbs_);
    return context_.FoundFiles;
  }

  QTemporaryDir dir_;
  QString root_;
  ScanState state_;
  ScanContext context_;
  RecordingScanView view_;
  ThumbnailPipeline thumbs_;
};

TEST_F(FindImagesTest, FolderFilesComeBeforeSubfolderFilesInTheSystemsOrder) {
  const QStringList images =
      Touch({"a.jpg", "b.png", "c.jpg", ".h.jpg", "sub1/d.jpg", "sub1/e.png", "sub1/deep/f.jpg",
             "sub1/deep/f2.png", "sub2/g.jpg", "sub2/g2.jpg", "album.jpg/h.jpg"});
  Touch({"notes.txt", "sub1/readme.txt", "sub2/data.bin"});
  const QSet<QString> wanted(images.begin(), images.end());
  const QStringList& found = Find();
  EXPECT_EQ(found, InWalkOrder(root_, wanted));
  EXPECT_EQ(context_.FoundCount, images.size());
  // A folder named like a picture is walked, never listed.
  EXPECT_FALSE(found.contains(root_ + "/album.jpg"));
}

TEST_F(FindImagesTest, ShortcutMarkerIsMatchedCaseSensitively) {
  Touch({"x.lnk.jpg", "y.lnk.png"});
  const QString upper = Touch("X.LNK.jpg");
  EXPECT_EQ(Find(), QStringList{upper});
}

TEST_F(FindImagesTest, ExclusionLooksAtTheFileNameOnly) {
  const QStringList kept = Touch({"a.jpg", "sub2/g.jpg", "skip/k.jpg"});
  Touch({"b.PNG", "sub2/gone.jpg"});
  view_.excluded = {".png", "2/g.jpg", "skip", "ONE.JPG"};
  const QStringList& found = Find();
  EXPECT_EQ(QSet<QString>(found.begin(), found.end()), QSet<QString>(kept.begin(), kept.end()));
  // Counted only once let through.
  EXPECT_EQ(view_.counter_lines.size(), kept.size());
  EXPECT_EQ(view_.counter_lines.last(), QStringLiteral("Найдено 3 изображений."));
}

TEST_F(FindImagesTest, WithoutSubfoldersOnlyTheFolderItselfIsListed) {
  const QStringList own = Touch({"a.jpg", "b.png"});
  Touch({"sub/c.jpg", "sub/deeper/d.jpg"});
  state_.IncludeSubfolders = false;
  const QStringList& found = Find();
  EXPECT_EQ(QSet<QString>(found.begin(), found.end()), QSet<QString>(own.begin(), own.end()));
}

TEST_F(FindImagesTest, ShowsTheFolderSearchedAndTheCountSoFar) {
  Touch({"a.jpg", "b.png", "sub/c.jpg", "sub/deep/d.jpg"});
  state_.ScanFolder = root_ + "/";  // a trailing separator is not doubled
  const QStringList& found = Find();
  ASSERT_EQ(found.size(), 4);
  ASSERT_EQ(view_.status_lines.size(), 4);
  ASSERT_EQ(view_.counter_lines.size(), 4);
  for (int i = 0; i < found.size(); ++i) {
    EXPECT_EQ(view_.status_lines[i], kSearching + QFileInfo(found[i]).path() + u'/');
    EXPECT_EQ(view_.counter_lines[i], QStringLiteral("Найдено %1 изображений.").arg(i + 1));
    EXPECT_FALSE(found[i].contains("//")) << found[i].toStdString();
  }
}

TEST_F(FindImagesTest, LinksBackUpTheTreeAreNotFollowedTwice) {
  Touch({"a.jpg", "sub/b.jpg", "sub/deep/c.jpg"});
  fs::create_directory_symlink(QStringToPath(root_), QStringToPath(root_ + "/sub/deep/back"));
  fs::create_directory_symlink(QStringToPath(root_ + "/sub"), QStringToPath(root_ + "/again"));
  const QStringList& found = Find();
  ASSERT_EQ(found.size(), 3);
  QSet<QString> files;
  for (const QString& path : found) files.insert(QFileInfo(path).canonicalFilePath());
  EXPECT_EQ(files.size(), 3) << found.join(' ').toStdString();
}

TEST_F(FindImagesTest, OnlyRegularFilesAreCollectedAndLinksCountAsWhatTheyLeadTo) {
  const QString picture = Touch("b.jpg");
  ASSERT_EQ(::mkfifo(QFile::encodeName(root_ + "/a.jpg").constData(), 0644), 0);
  fs::create_symlink(QStringToPath(picture), QStringToPath(root_ + "/to_picture.jpg"));
  fs::create_symlink(QStringToPath(root_ + "/a.jpg"), QStringToPath(root_ + "/to_fifo.jpg"));
  const QStringList& found = Find();
  EXPECT_EQ(QSet<QString>(found.begin(), found.end()),
            (QSet<QString>{picture, root_ + "/to_picture.jpg"}));
}

TEST_F(FindImagesTest, ClearingScanActiveStopsTheWalk) {
  Touch({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "sub/e.jpg", "sub/f.jpg"});
  view_.on_counter = [this](const QString&) {
    if (view_.counter_lines.size() == 2) state_.ScanActive = false;
  };
  EXPECT_EQ(Find().size(), 2);
  EXPECT_EQ(view_.status_lines.size(), 2);

  context_.FoundFiles.clear();
  context_.FoundCount = 0;
  view_.on_counter = nullptr;
  EXPECT_TRUE(Find().isEmpty()) << "still inactive";
}

TEST_F(FindImagesTest, SubfolderThatCannotBeEnteredStartsAWaitAndTheWalkGoesOn) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not hold for root";
  const QString a = Touch("a.jpg");
  Touch("locked/z.jpg");
  const QString y = Touch("open/y.jpg");
  const QString locked = root_ + "/locked";
  ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
  struct Unlock {
    QString path;
    ~Unlock() { ::chmod(QFile::encodeName(path).constData(), 0700); }
  } unlock{locked};

  view_.timeout_active = true;
  view_.timeout_text = QStringLiteral("100");
  const QStringList& found = Find();
  EXPECT_EQ(QSet<QString>(found.begin(), found.end()), (QSet<QString>{a, y}));
  EXPECT_EQ(context_.WaitSteps, 1);
  const QStringList wait = {QStringLiteral("waiting"),
                            QStringLiteral("status Поиск изображений в:") + locked,
                            QStringLiteral("not waiting")};
  const qsizetype at = view_.events.indexOf(wait[0]);
  ASSERT_GE(at, 0) << view_.events.join('\n').toStdString();
  EXPECT_EQ(view_.events.mid(at, 3), wait);
}

TEST_F(FindImagesTest, FolderThatDoesNotExistIsAnError) {
  state_.ScanFolder = root_ + "/gone";
  EXPECT_THROW(Find(), ScanError);
}

TEST(ScanRootTest, AbsoluteCleanAndWithoutTrailingSeparator) {
  EXPECT_EQ(ScanRoot(QStringLiteral("/tmp/a/../b/")), QStringLiteral("/tmp/b"));
  EXPECT_EQ(ScanRoot(QStringLiteral("/")), QStringLiteral("/"));
  EXPECT_TRUE(QDir::isAbsolutePath(ScanRoot(QStringLiteral("relative"))));
}

}  // namespace
}  // namespace quorvel
