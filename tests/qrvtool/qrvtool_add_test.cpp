#include "qrvtool_add.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "catalog/catalog_check.h"
#include "catalog/catalog_index.h"
#include "catalog/cp1251.h"
#include "catalog/picture_facts.h"
#include "catalog/thumbnail_jpeg.h"
#include "qrvtool.h"
#include "scan/test_pictures.h"
#include "support/camera_jpeg.h"
#include "support/catalog_builder.h"
#include "support/fact_fixtures.h"
#include "support/too_deep_folder.h"

namespace quorvel::qrvtool {
namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out;
  std::string err;
};

class QrvtoolAddTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    root_ = QDir::cleanPath(dir_.path()).toStdString();
    catalogue_ = root_ + "/cat.qrv";
  }
  // QTemporaryDir would miss the names that are not UTF-8.
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // A small real picture at `relative` below the temporary folder, its folders made first;
  // the path is bytes, which need not be UTF-8.
  void Picture(const std::string& relative) {
    const fs::path path = fs::path(root_) / relative;
    fs::create_directories(path.parent_path());
    const QByteArray bytes = testkit::EncodeWithQt(Gradient(), path.extension().c_str() + 1);
    ASSERT_FALSE(bytes.isEmpty());
    testkit::WriteFile(path, Bytes(bytes.begin(), bytes.end()));
  }
  static QImage Gradient() {
    QImage image(120, 80, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(2 * x, 3 * y, 90));
    }
    return image;
  }
  std::string Folder(const std::string& relative) {
    fs::create_directories(fs::path(root_) / relative);
    return root_ + "/" + relative;
  }

  // `args` are what follows "add" on the command line.
  Result Add(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunAdd(args, out, err, false);
    return {status, out.str(), err.str()};
  }

  CatalogIndex IndexOfCatalogue(Bytes* bytes = nullptr) {
    const std::string text = testkit::ReadBytes(catalogue_);
    const Bytes stream(text.begin(), text.end());
    EXPECT_TRUE(CheckCatalog(stream).ok());
    if (bytes) *bytes = stream;
    return BuildIndex(stream);
  }

  QTemporaryDir dir_;
  std::string root_;
  std::string catalogue_;
};

TEST_F(QrvtoolAddTest, CreatesTheCatalogueAndReportsWhatItFoundAndAdded) {
  Picture("photos/a.jpg");
  Picture("photos/b.png");
  testkit::WriteFile(root_ + "/photos/bad.jpg", testkit::ToBytes("garbage"));
  ASSERT_FALSE(fs::exists(catalogue_));
  const Result r = Add({catalogue_, Folder("photos"), "Фото"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  // The file that cannot be decoded is stored too, with the "no preview" placeholder.
  EXPECT_EQ(r.out, "found\t3\nadded\t3\n");
  EXPECT_NE(r.err.find("could not read images: 1\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("bad.jpg"), std::string::npos) << r.err;
  const CatalogIndex index = IndexOfCatalogue();
  ASSERT_EQ(index.Disks.size(), 1u);
  EXPECT_EQ(index.Disks[0].Name, Utf8ToCp1251("Фото"));
  EXPECT_EQ(index.Disks[0].ThumbCount, 3);
}

TEST_F(QrvtoolAddTest, SecondAddAppendsAndLeavesTheFirstDiskAsItWas) {
  Picture("one/a.jpg");
  Picture("two/b.jpg");
  Picture("two/c.jpg");
  ASSERT_EQ(Add({catalogue_, Folder("one"), "first"}).status, kExitOk);
  const std::string first = testkit::ReadBytes(catalogue_);
  const Result r = Add({catalogue_, Folder("two"), "second"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "found\t2\nadded\t2\n");
  Bytes bytes;
  const CatalogIndex index = IndexOfCatalogue(&bytes);
  ASSERT_EQ(index.Disks.size(), 2u);
  EXPECT_EQ(index.DiskCount, 2);
  EXPECT_EQ(index.Disks[1].Name, "second");
  // Everything after the header's count is the first disk, byte for byte.
  ASSERT_GT(bytes.size(), first.size());
  EXPECT_EQ(std::string(bytes.begin() + 6, bytes.begin() + first.size()), first.substr(6));
}

TEST_F(QrvtoolAddTest, NoSubfoldersAndExclusionsNarrowTheWalk) {
  Picture("disk/a.jpg");
  Picture("disk/b.png");
  Picture("disk/sub/c.jpg");
  const std::string folder = Folder("disk");
  EXPECT_EQ(Add({catalogue_, folder, "all"}).out, "found\t3\nadded\t3\n");
  EXPECT_EQ(Add({catalogue_, folder, "top", "--no-subfolders"}).out, "found\t2\nadded\t2\n");
  EXPECT_EQ(Add({catalogue_, folder, "jpg", "--exclude", ".PNG", "--timeout", "5000"}).out,
            "found\t2\nadded\t2\n");
  EXPECT_EQ(Add({"--exclude", "a.jpg", catalogue_, folder, "--exclude", "c.jpg", "one"}).out,
            "found\t1\nadded\t1\n");
  EXPECT_EQ(IndexOfCatalogue().Disks.size(), 4u);
}

TEST_F(QrvtoolAddTest, EmbeddedPreviewsServeUnlessTurnedOff) {
  // A blue picture whose camera kept a red preview: the stored thumbnail tells which was read.
  QImage blue(640, 480, QImage::Format_RGB32);
  blue.fill(qRgb(0, 0, 255));
  QImage red(160, 120, QImage::Format_RGB32);
  red.fill(qRgb(255, 0, 0));
  const QByteArray jpeg = testkit::CameraJpeg(blue, {.thumbnail = testkit::EncodeJpeg(red)});
  ASSERT_FALSE(jpeg.isEmpty());
  const std::string folder = Folder("camera");
  testkit::WriteFile(folder + "/dsc.jpg", Bytes(jpeg.begin(), jpeg.end()));
  ASSERT_EQ(Add({catalogue_, folder, "previews"}).status, kExitOk);
  ASSERT_EQ(Add({catalogue_, folder, "whole", "--no-embedded"}).status, kExitOk);
  Bytes bytes;
  const CatalogIndex index = IndexOfCatalogue(&bytes);
  ASSERT_EQ(index.Disks.size(), 2u);
  // The middle of the disk's thumbnail; black when it does not decode.
  const auto middle_of = [&](int disk) {
    const Disc& thumb = index.Disks[disk].Thumbs[0];
    RgbImage decoded;
    const std::int64_t jpeg = index.Disks[disk].JpegPos(thumb);
    if (!DecodeJpeg(ByteView(bytes).subspan(jpeg, thumb.JpegSize), decoded)) return 0u;
    const std::uint8_t* p = decoded.pixels.data() + (50 * decoded.width + 50) * 3;
    return qRgb(p[0], p[1], p[2]);
  };
  const auto near = [](QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
               std::abs(qBlue(a) - qBlue(b)) <
           60;
  };
  EXPECT_TRUE(near(middle_of(0), qRgb(255, 0, 0))) << "the preview";
  EXPECT_TRUE(near(middle_of(1), qRgb(0, 0, 255))) << "the picture itself";
}

TEST_F(QrvtoolAddTest, ThumbnailsKeepTheFactsOfTheirFiles) {
  const std::string folder = Folder("facts");
  const QString field = QString::fromStdString(folder + "/field.jpg");
  ASSERT_TRUE(testkit::WriteBytes(field, testkit::EncodeJpeg(Gradient())));
  ASSERT_TRUE(testkit::WriteExifTags(field, testkit::FieldCameraTags()));
  const QString bad = QString::fromStdString(folder + "/bad.jpg");
  ASSERT_TRUE(testkit::WriteBytes(bad, "garbage"));
  ASSERT_EQ(Add({catalogue_, folder, "facts"}).status, kExitOk);
  Bytes bytes;
  const CatalogIndex index = IndexOfCatalogue(&bytes);
  ASSERT_EQ(index.Disks.size(), 1u);
  ASSERT_EQ(index.Disks[0].Thumbs.size(), 2u);
  // The file that does not decode keeps its size and time under its placeholder.
  std::map<std::string, PictureFacts> expected = {
      {field.toStdString(), testkit::FieldCameraFacts(120, 80)}, {bad.toStdString(), {}}};
  for (const Disc& thumb : index.Disks[0].Thumbs) {
    const std::string path(thumb.Name());
    ASSERT_TRUE(expected.contains(path)) << path;
    PictureFacts& facts = expected[path];
    const QFileInfo info(QString::fromStdString(path));
    facts.file_size = info.size();
    facts.modified = info.lastModified().toSecsSinceEpoch();
    const ByteView jpeg = ByteView(bytes).subspan(index.Disks[0].JpegPos(thumb), thumb.JpegSize);
    testkit::ExpectFacts(ReadPictureFacts(jpeg), facts, QString::fromStdString(path));
  }
}

TEST_F(QrvtoolAddTest, UsageErrorsExitWithTwoAndWriteNothing) {
  const std::string folder = Folder("disk");
  testkit::WriteFile(root_ + "/file.jpg", testkit::ToBytes("x"));
  const std::vector<std::vector<std::string>> wrong = {
      {catalogue_, folder},
      {catalogue_, folder, "n", "--timeout", "abc"},
      {catalogue_, folder, "n", "--timeout", "-1"},
      {catalogue_, folder, "n", "--timeout"},
      {catalogue_, root_ + "/file.jpg", "n"},
      {catalogue_, root_ + "/missing", "n"},
      {catalogue_, folder, ""},
      {catalogue_, folder, std::string(256, 'n')},
      {catalogue_, folder, "n", "--recursive"},
  };
  for (const auto& args : wrong) {
    const Result r = Add(args);
    EXPECT_EQ(r.status, kExitUsage) << args.back();
    EXPECT_NE(r.err.find("usage: qrvtool add"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_FALSE(fs::exists(catalogue_)) << args.back();
  }
}

TEST_F(QrvtoolAddTest, NameLimitCountsWindows1251Bytes) {
  // 200 letters are 400 bytes of UTF-8 but 200 in Windows-1251, which is what is stored.
  std::string name;
  for (int i = 0; i < 200; ++i) name += "ж";
  const Result r = Add({catalogue_, Folder("disk"), name});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(IndexOfCatalogue().Disks[0].Name, Utf8ToCp1251(name));
  EXPECT_EQ(Add({catalogue_, Folder("disk"), std::string(255, 'n')}).status, kExitOk);
  const Result refused = Add({catalogue_, Folder("disk"), "Диск 😀 日本"});
  EXPECT_EQ(refused.status, kExitUsage);
  EXPECT_NE(refused.err.find("cannot store: 😀 日 本"), std::string::npos) << refused.err;
  EXPECT_EQ(IndexOfCatalogue().DiskCount, 2);
}

TEST_F(QrvtoolAddTest, FileThatIsNoCatalogueIsRefusedAndKept) {
  Picture("disk/a.jpg");
  const std::string notes = root_ + "/notes.txt";
  testkit::WriteFile(notes, testkit::ToBytes("shopping list"));
  const Result r = Add({notes, Folder("disk"), "n"});
  EXPECT_EQ(r.status, kExitBadCatalog);
  EXPECT_NE(r.err.find("not a catalogue"), std::string::npos) << r.err;
  EXPECT_EQ(testkit::ReadBytes(notes), "shopping list");
}

TEST_F(QrvtoolAddTest, FifoNamedLikeAPictureIsPassedOverAndTheAddEnds) {
  Picture("disk/b.jpg");
  // Opening it for reading would wait for a writer for ever.
  ASSERT_EQ(::mkfifo((root_ + "/disk/a.jpg").c_str(), 0644), 0);
  const Result r = Add({catalogue_, root_ + "/disk", "n"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "found\t1\nadded\t1\n");
}

TEST_F(QrvtoolAddTest, FolderThatCannotBeListedIsNamedWithoutAWait) {
  Picture("disk/a.jpg");
  const testkit::TooDeepFolder deep(root_ + "/disk");
  // Without --timeout only "Пропустить", which no one can press here, would end a wait.
  const Result r = Add({catalogue_, root_ + "/disk", "n"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "found\t1\nadded\t1\n");
  EXPECT_NE(r.err.find("cannot be opened: " + deep.path() + "\n"), std::string::npos) << r.err;
}

TEST_F(QrvtoolAddTest, NamesThatAreNotUtf8AreStoredAsTheirBytes) {
  // "При" in Windows-1251, as an old disc holds it, in a folder named in UTF-8.
  Picture("фото/\xcf\xf0\xe8.jpg");
  const Result r = Add({catalogue_, root_ + "/фото", "n"});
  EXPECT_EQ(r.out, "found\t1\nadded\t1\n") << r.err;
  const CatalogIndex index = IndexOfCatalogue();
  EXPECT_EQ(index.Disks[0].Thumbs[0].Name(), root_ + Utf8ToCp1251("/фото/") + "\xcf\xf0\xe8.jpg");
}

TEST_F(QrvtoolAddTest, PathsOnTheCommandLineAreTakenAsTheirBytes) {
  Picture("dir\xff/a.jpg");
  const std::string catalogue = root_ + "/cat\xff.qrv";
  const Result r = Add({catalogue, root_ + "/dir\xff", "n"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "found\t1\nadded\t1\n");
  EXPECT_TRUE(fs::is_regular_file(catalogue));
  // The folder and the catalogue, and nothing written under another name.
  EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 2);
}

TEST_F(QrvtoolAddTest, ImageReadersNotesStayOffStderr) {
  // A colour profile that is no profile and a cut picture: libpng has words for both, some
  // through Qt and some printed by itself.
  const QByteArray png = testkit::EncodeWithQt(Gradient(), "png");
  const QByteArray profile = "bad" + QByteArray(2, '\0') + qCompress("no profile").mid(4);
  testkit::WriteBytes(QString::fromStdString(Folder("disk") + "/profile.png"),
                      testkit::WithPngChunk(png, "iCCP", profile));
  testkit::WriteBytes(QString::fromStdString(root_ + "/disk/cut.png"), png.left(png.size() / 2));
  QProcess tool;
  // The tool picks a platform that needs no display itself.
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    environment.remove(QString::fromLatin1(name));
  }
  tool.setProcessEnvironment(environment);
  tool.start(QStringLiteral(QRVTOOL_PATH), {"add", QString::fromStdString(catalogue_),
                                            QString::fromStdString(root_ + "/disk"), "n"});
  ASSERT_TRUE(tool.waitForFinished(60000));
  EXPECT_EQ(tool.exitCode(), kExitOk);
  EXPECT_EQ(tool.readAllStandardOutput(), "found\t2\nadded\t2\n");
  EXPECT_EQ(tool.readAllStandardError().toStdString(),
            "qrvtool: could not read images: 1\n"
            "qrvtool: cannot be decoded, stored as \"no preview\": " +
                root_ + "/disk/cut.png\n");
}

// The whole program, as a user runs it: the disk is named by its number, as for every command.
TEST_F(QrvtoolAddTest, UpdateReportsWhatChangedAndRefusesADiskThatIsNotThere) {
  Picture("disk/a.jpg");
  Picture("disk/b.png");
  const std::string folder = Folder("disk");
  ASSERT_EQ(Add({catalogue_, folder, "D"}).status, kExitOk);
  fs::remove(root_ + "/disk/b.png");
  Picture("disk/c.jpg");
  const auto update = [&](const std::string& disk) {
    QProcess tool;
    tool.start(QStringLiteral(QRVTOOL_PATH),
               {"update", QString::fromStdString(catalogue_), QString::fromStdString(disk),
                QString::fromStdString(folder)});
    EXPECT_TRUE(tool.waitForFinished(60000));
    return Result{tool.exitCode(), tool.readAllStandardOutput().toStdString(),
                  tool.readAllStandardError().toStdString()};
  };
  const Result r = update("1");
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "found\t2\nnew\t1\nchanged\t0\nremoved\t1\nunchanged\t1\nwithout_facts\t0\n");
  const CatalogIndex index = IndexOfCatalogue();
  ASSERT_EQ(index.Disks.size(), 1u);
  ASSERT_EQ(index.Disks[0].ThumbCount, 2);
  EXPECT_TRUE(index.Disks[0].Thumbs[0].Name().ends_with("/a.jpg") ||
              index.Disks[0].Thumbs[1].Name().ends_with("/a.jpg"));

  const std::string updated = testkit::ReadBytes(catalogue_);
  const Result missing = update("2");
  EXPECT_EQ(missing.status, kExitBadCatalog);
  EXPECT_NE(missing.err.find("the catalogue has 1 disks; there is no DISK 2"), std::string::npos)
      << missing.err;
  EXPECT_EQ(update("D").status, kExitUsage);
  EXPECT_EQ(testkit::ReadBytes(catalogue_), updated);
}

// The whole program is asked, as a user would ask it, so that the formats are those of the
// plugins and libraries it starts with.
TEST(QrvtoolFormatsTest, ListsEveryFamilyWithItsLibrarySortedOneALine) {
  QProcess tool;
  tool.start(QStringLiteral(QRVTOOL_PATH), {"formats"});
  ASSERT_TRUE(tool.waitForFinished(60000));
  EXPECT_EQ(tool.exitCode(), kExitOk);
  EXPECT_TRUE(tool.readAllStandardError().isEmpty());
  std::map<std::string, std::string> library_of;
  std::string previous;
  std::istringstream lines(tool.readAllStandardOutput().toStdString());
  for (std::string line; std::getline(lines, line);) {
    const std::size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    const std::string suffix = line.substr(0, tab);
    EXPECT_LT(previous, suffix) << "not sorted, or twice";
    EXPECT_EQ(line.find('\t', tab + 1), std::string::npos) << line;
    library_of[suffix] = line.substr(tab + 1);
    previous = suffix;
  }
  const std::pair<const char*, const char*> expected[] = {
      {"jpg", "libjpeg"}, {"png", "Qt "},       {"mp4", "FFmpeg "},
      {"dng", "LibRaw "}, {"heic", "libheif "}, {"avif", "libheif "}};
  for (const auto& [suffix, library] : expected) {
    EXPECT_EQ(library_of[suffix].rfind(library, 0), 0u) << suffix << ": " << library_of[suffix];
  }
}

}  // namespace
}  // namespace quorvel::qrvtool
