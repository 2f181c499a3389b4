#include "qrvtool.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <thread>

#include "catalog/catalog_index.h"
#include "catalog/catalog_lock.h"
#include "catalog/cp1251.h"
#include "catalog/field_codec.h"
#include "catalog/picture_facts.h"
#include "catalog/stream.h"
#include "support/catalog_builder.h"

namespace quorvel::qrvtool {
namespace {

namespace fs = std::filesystem;
using testkit::GradientJpeg;
using testkit::ToBytes;

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result RunTool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = Run(args, out, err);
  return {status, out.str(), err.str()};
}

class QrvtoolTest : public ::testing::Test {
 protected:
  std::string Catalog(const std::string& name, const Bytes& bytes) {
    return temp_.File(name, bytes).string();
  }
  Bytes Sample() {
    return testkit::BuildCatalog(
        {{Utf8ToCp1251("Фото 2019"),
          {{Utf8ToCp1251("E:\\Фото\\лес.jpg"), GradientJpeg(1)}, {"E:\\b.jpg", GradientJpeg(2)}}},
         {"empty", {}},
         {"CD1", {{"C:\\a.jpg", GradientJpeg(3)}}}});
  }
  testkit::TempDir temp_;
};

TEST_F(QrvtoolTest, ListAndThumbsPrintTabSeparatedUtf8Lines) {
  const std::string path = Catalog("s.qrv", Sample());
  Result r = RunTool({"list", path});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "1\t2\tФото 2019\n2\t0\tempty\n3\t1\tCD1\n");

  r = RunTool({"thumbs", path, "1"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  const CatalogIndex index = BuildIndex(Sample());
  const CatInfo& disk = index.Disks[0];
  const Disc& a = disk.Thumbs[0];
  const Disc& b = disk.Thumbs[1];
  EXPECT_EQ(r.out, "1\t" + std::to_string(a.JpegSize) + "\t" + std::to_string(disk.JpegPos(a)) +
                       "\tE:\\\\Фото\\\\лес.jpg\n2\t" + std::to_string(b.JpegSize) + "\t" +
                       std::to_string(disk.JpegPos(b)) + "\tE:\\\\b.jpg\n");
  r = RunTool({"thumbs", path, "2"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "");
}

TEST_F(QrvtoolTest, TabsLineBreaksAndBackslashesInNamesPrintEscaped) {
  const std::string path = Catalog(
      "odd.qrv", testkit::BuildCatalog({{"a\tb\nc\\d\re", {{"x\ty\nz", GradientJpeg(1)}}}}));
  EXPECT_EQ(RunTool({"list", path}).out, "1\t1\ta\\tb\\nc\\\\d\\re\n");
  const std::string thumbs = RunTool({"thumbs", path, "1"}).out;
  EXPECT_EQ(thumbs.substr(thumbs.rfind('\t') + 1), "x\\ty\\nz\n");
}

TEST_F(QrvtoolTest, RepairWritesWhatCanBeReadAndSaysWhatWasDropped) {
  Bytes cut = Sample();
  const CatalogIndex index = BuildIndex(cut);
  const Disc& lost = index.Disks[0].Thumbs[1];
  const std::int64_t lost_start = index.Disks[0].ThumbRecordStart(lost);
  cut.resize(index.Disks[0].JpegPos(lost) + 100);  // inside the first disk's second JPEG
  const std::string path = Catalog("cut.qrv", cut);
  const std::string target = (temp_.path() / "read.qrv").string();
  Result r = RunTool({"repair", path, target});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "kept\t1\t1\tФото 2019\ndropped-thumbs\t1\t1\ndropped-disks\t2\n"
            "dropped-bytes\t" +
                std::to_string(lost_start) + "\t" + std::to_string(cut.size() - lost_start) +
                "\tdisk record 1 declares " + std::to_string(index.Disks[0].RecordEnd - 6) +
                " bytes, but " + std::to_string(cut.size() - 6) +
                " remain and its fixed part needs 17\n");
  EXPECT_EQ(RunTool({"check", target}).out, "ok\t1\t1\n");
  EXPECT_EQ(LoadFile(path), cut) << "the damaged file is kept as it was";

  // Its own file is not a target; a whole catalogue is copied as it is; other files are refused.
  EXPECT_EQ(RunTool({"repair", path, path}).status, kExitUsage);
  EXPECT_EQ(LoadFile(path), cut);
  r = RunTool({"repair", Catalog("s.qrv", Sample()), target});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "not-damaged\nkept\t1\t2\tФото 2019\nkept\t2\t0\tempty\nkept\t3\t1\tCD1\n");
  EXPECT_EQ(LoadFile(target), Sample());
  EXPECT_EQ(RunTool({"repair", Catalog("p.jpg", GradientJpeg(1)), target}).status, kExitBadCatalog);
}

TEST_F(QrvtoolTest, UsageErrorsExitTwo) {
  const std::string path = Catalog("s.qrv", Sample());
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"frobnicate", path},
                                             {"list"},
                                             {"list", path, "extra"},
                                             {"thumbs", path, "0"},
                                             {"thumbs", path, "one"},
                                             {"thumbs", path, "-1"},
                                             {"extract", path, "1"},
                                             {"similar", path, "1", "1", "--max", "0"},
                                             {"duplicates", path, "--all"}}) {
    const Result r = RunTool(args);
    EXPECT_EQ(r.status, kExitUsage) << (args.empty() ? "" : args[0]);
    EXPECT_NE(r.err.find("usage:"), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
  const Result r = RunTool({"thumbs", path, "4"});
  EXPECT_EQ(r.status, kExitBadCatalog) << "a disk number past the last disk";
}

TEST_F(QrvtoolTest, CheckAcceptsWellFormedCatalogues) {
  Result r = RunTool({"check", Catalog("s.qrv", Sample())});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "ok\t3\t3\n");
  r = RunTool({"check", Catalog("empty.qrv", {})});
  EXPECT_EQ(r.out, "ok\t0\t0\n");
  r = RunTool({"check", Catalog("header.qrv", testkit::BuildCatalog({}))});
  EXPECT_EQ(r.out, "ok\t0\t0\n");
}

TEST_F(QrvtoolTest, EveryDamagedVariantExitsOneWithItsOffset) {
  const Bytes good = Sample();
  const CatalogIndex index = BuildIndex(good);
  const std::int64_t second = index.Disks[1].RecordStart();
  struct Variant {
    const char* what;
    Bytes bytes;
    std::int64_t offset;
  };
  std::vector<Variant> variants;
  variants.push_back({"not a catalogue", ToBytes("Ct"), 0});
  Bytes v = good;
  v.resize(v.size() - 1);
  variants.push_back({"truncated", v, index.Disks[2].RecordStart()});
  v = good;
  WriteField(v, 4, 4, 2);
  variants.push_back({"disk count too high", v, static_cast<std::int64_t>(good.size())});
  v = good;
  WriteField(v, 4, 2, 2);
  variants.push_back({"disk count too low", v, index.Disks[2].RecordStart()});
  v = good;
  WriteField(v, second + 4 + 5, 8 + 5 + 1, 4);  // one byte longer than the empty disk is
  variants.push_back({"record length lies", v, second + 8 + 5});
  v = good;
  WriteField(v, second + 4 + 5, 8 + 5 - 1, 4);
  variants.push_back({"record length below its fixed part", v, second});
  v = good;
  const CatInfo& first = index.Disks[0];
  v[static_cast<std::size_t>(first.JpegPos(first.Thumbs[1]))] = 0;
  variants.push_back({"JPEG without FF D8", v, first.ThumbRecordStart(first.Thumbs[1])});
  v = good;
  v.push_back(0);
  variants.push_back({"a byte after the end", v, static_cast<std::int64_t>(good.size())});
  for (const Variant& variant : variants) {
    const std::string path = Catalog("bad.qrv", variant.bytes);
    Result r = RunTool({"check", path});
    EXPECT_EQ(r.status, kExitBadCatalog) << variant.what;
    EXPECT_EQ(r.out, "") << variant.what;
    EXPECT_NE(r.err.find("offset " + std::to_string(variant.offset) + ":"), std::string::npos)
        << variant.what << ": " << r.err;
  }
  // The listing commands refuse a damaged catalogue rather than print part of it as the whole.
  const std::string truncated = Catalog("t.qrv", variants[1].bytes);
  EXPECT_EQ(RunTool({"list", truncated}).status, kExitBadCatalog);
  EXPECT_EQ(RunTool({"check", (temp_.path() / "missing.qrv").string()}).status, kExitBadCatalog);
}

TEST_F(QrvtoolTest, ABadPictureIsReportedByCheckAndKeptByEveryOtherCommand) {
  Bytes bad = Sample();
  const CatalogIndex index = BuildIndex(bad);
  bad[index.Disks[0].JpegPos(index.Disks[0].Thumbs[1])] = 0;  // no FF D8
  const std::string path = Catalog("bad.qrv", bad);
  EXPECT_EQ(RunTool({"check", path}).status, kExitBadCatalog);
  EXPECT_EQ(RunTool({"thumbs", path, "1"}).status, kExitOk);
  const std::string into = Catalog("into.qrv", testkit::BuildCatalog({}));
  EXPECT_EQ(RunTool({"import", into, path}).status, kExitOk);
  EXPECT_EQ(LoadFile(into), bad);
  ASSERT_EQ(RunTool({"rename", path, "3", "CD2"}).status, kExitOk);
  const Bytes renamed = LoadFile(path);
  EXPECT_TRUE(std::equal(bad.begin(), bad.begin() + index.Disks[2].RecordStart(), renamed.begin()));
}

TEST_F(QrvtoolTest, ExtractWritesEachJpegUnderItsFileName) {
  const std::string path = Catalog("s.qrv", Sample());
  const fs::path out = temp_.path() / "out";
  fs::create_directory(out);
  const Result r = RunTool({"extract", path, "1", out.string()});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const Bytes stream = Sample();
  const CatalogIndex index = BuildIndex(stream);
  const Disc& first = index.Disks[0].Thumbs[0];
  const std::int64_t jpeg = index.Disks[0].JpegPos(first);
  EXPECT_EQ(LoadFile(out / fs::u8path("лес.jpg.jpg")),
            Bytes(stream.begin() + jpeg, stream.begin() + jpeg + first.JpegSize));
  EXPECT_TRUE(fs::exists(out / "b.jpg.jpg"));
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);
  EXPECT_EQ(RunTool({"extract", path, "1", (temp_.path() / "nowhere").string()}).status,
            kExitBadCatalog);

  // A name taken by a folder is named on stderr; the thumbnails after it are still written.
  const fs::path blocked = temp_.path() / "blocked";
  fs::create_directories(blocked / fs::u8path("лес.jpg.jpg"));
  const Result partly = RunTool({"extract", path, "1", blocked.string()});
  EXPECT_EQ(partly.status, kExitBadCatalog);
  EXPECT_EQ(partly.err, "qrvtool: Cannot create file \"" +
                            (blocked / fs::u8path("лес.jpg.jpg")).string() +
                            "\". Is a directory\n");
  EXPECT_EQ(partly.out, (blocked / "b.jpg.jpg").string() + "\n");
}

TEST_F(QrvtoolTest, ExtractNeverWritesOutsideTheFolder) {
  const Bytes jpeg = GradientJpeg(9);
  const std::string path =
      Catalog("hostile.qrv", testkit::BuildCatalog({{"x",
                                                     {{"..\\..\\escape", jpeg},
                                                      {"C:/tmp/../../up", jpeg},
                                                      {"..", jpeg},
                                                      {"D:", jpeg},
                                                      {"a/b\\c:..", jpeg}}}}));
  const fs::path out = temp_.path() / "deep" / "out";
  fs::create_directories(out);
  const Result r = RunTool({"extract", path, "1", out.string()});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(temp_.path())) {
    if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), temp_.path()).string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::string>{"deep/out/.. (2).jpg", "deep/out/...jpg", "deep/out/.jpg",
                                      "deep/out/escape.jpg", "deep/out/up.jpg", "hostile.qrv"}));
}

TEST_F(QrvtoolTest, EditsRewriteTheCatalogueInPlace) {
  const std::string path = Catalog("s.qrv", Sample());
  Result r = RunTool({"rename", path, "3", "Диск №5"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(RunTool({"list", path}).out, "1\t2\tФото 2019\n2\t0\tempty\n3\t1\tДиск №5\n");

  r = RunTool({"remove-thumbs", path, "1", "1"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(RunTool({"list", path}).out, "1\t1\tФото 2019\n2\t0\tempty\n3\t1\tДиск №5\n");
  EXPECT_NE(RunTool({"thumbs", path, "1"}).out.find("E:\\\\b.jpg"), std::string::npos);

  // The disks that stay are stored by name: "empty" (Latin) before the Cyrillic names.
  r = RunTool({"remove", path, "1"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(RunTool({"list", path}).out, "1\t0\tempty\n2\t1\tДиск №5\n");
  EXPECT_EQ(RunTool({"check", path}).out, "ok\t2\t1\n");

  const std::string other = Catalog("other.qrv", Sample());
  ASSERT_EQ(RunTool({"import", path, other}).status, kExitOk);
  EXPECT_EQ(RunTool({"check", path}).out, "ok\t5\t4\n");
  r = RunTool({"remove", path, "1", "2", "3", "4", "5"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(LoadFile(path), ToBytes(std::string("Ctlg\0\0", 6)));
}

TEST_F(QrvtoolTest, ExportWritesTheDisksInTheOrderGiven) {
  const Bytes stream = Sample();
  const std::string path = Catalog("s.qrv", stream);
  const std::string target = (temp_.path() / "out.qrv").string();
  ASSERT_EQ(RunTool({"export", path, target, "3", "1"}).status, kExitOk);
  EXPECT_EQ(RunTool({"list", target}).out, "1\t1\tCD1\n2\t2\tФото 2019\n");
  ASSERT_EQ(RunTool({"export", path, target, "1", "2", "3"}).status, kExitOk);
  EXPECT_EQ(LoadFile(target), stream) << "every disk in stored order is a byte copy";
  EXPECT_EQ(LoadFile(path), stream) << "export leaves the catalogue as it was";
}

TEST_F(QrvtoolTest, RefusedEditsLeaveTheFileAsItWas) {
  const Bytes stream = Sample();
  const std::string path = Catalog("s.qrv", stream);
  EXPECT_EQ(RunTool({"rename", path, "1", std::string(300, 'x')}).status, kExitBadCatalog);
  EXPECT_EQ(RunTool({"rename", path, "1", "Диск 😀"}).status, kExitBadCatalog);
  EXPECT_EQ(RunTool({"remove-thumbs", path, "1", "3"}).status, kExitBadCatalog);
  EXPECT_EQ(RunTool({"remove", path, "9"}).status, kExitBadCatalog);
  EXPECT_EQ(RunTool({"remove", path}).status, kExitUsage);
  Bytes cut = Sample();
  cut.pop_back();
  EXPECT_EQ(RunTool({"import", path, Catalog("cut.qrv", cut)}).status, kExitBadCatalog);
  EXPECT_EQ(LoadFile(path), stream);
  EXPECT_EQ(std::distance(fs::directory_iterator(temp_.path()), fs::directory_iterator()), 2)
      << "no temporary file is left behind";
}

TEST_F(QrvtoolTest, SearchPrintsEveryMatchOfEveryDiskOrItsCount) {
  const std::string path = Catalog("s.qrv", Sample());
  Result r = RunTool({"search", path, "ФОТО"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "1\t1\tФото 2019\tE:\\\\Фото\\\\лес.jpg\n1\t2\tФото 2019\tE:\\\\b.jpg\n");
  EXPECT_EQ(RunTool({"search", path, "jpg -фото"}).out, "3\t1\tCD1\tC:\\\\a.jpg\n");
  EXPECT_EQ(RunTool({"search", path, "jpg", "--count"}).out, "3\n");
  r = RunTool({"search", "--count", path, "nowhere"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "0\n");
  r = RunTool({"search", path, "nowhere"});
  EXPECT_EQ(r.status, kExitOk) << "finding nothing is no error";
  EXPECT_EQ(r.out, "");

  Bytes cut = Sample();
  cut.pop_back();
  EXPECT_EQ(RunTool({"search", Catalog("cut.qrv", cut), "jpg"}).status, kExitBadCatalog);
  EXPECT_EQ(RunTool({"search", path}).status, kExitUsage);
  EXPECT_EQ(RunTool({"search", path, "a", "b"}).status, kExitUsage);
}

TEST_F(QrvtoolTest, SimilarAndDuplicatesFindTheSamePictureOnAnotherDisk) {
  // Thumbnail 1 of disk 1 stored again as the only thumbnail of disk 3.
  Bytes stream = testkit::BuildCatalog(
      {{Utf8ToCp1251("Фото 2019"),
        {{Utf8ToCp1251("E:\\Фото\\лес.jpg"), GradientJpeg(1)}, {"E:\\b.jpg", GradientJpeg(2)}}},
       {"empty", {}},
       {"CD1", {{"C:\\a.jpg", GradientJpeg(1)}}}});
  const std::string path = Catalog("s.qrv", stream);
  Result r = RunTool({"similar", path, "3", "1"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "0\t1\t1\tФото 2019\tE:\\\\Фото\\\\лес.jpg\n0\t3\t1\tCD1\tC:\\\\a.jpg\n")
      << "the copy and the thumbnail itself, in catalogue order";
  r = RunTool({"similar", path, "3", "1", "--max", "1"});
  EXPECT_EQ(r.out, "0\t1\t1\tФото 2019\tE:\\\\Фото\\\\лес.jpg\n");
  r = RunTool({"duplicates", path});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_NE(r.out.find("\t1\t1\tФото 2019\tE:\\\\Фото\\\\лес.jpg\n"), std::string::npos);
  EXPECT_NE(r.out.find("\t3\t1\tCD1\tC:\\\\a.jpg\n"), std::string::npos);
  r = RunTool({"duplicates", path, "--unique"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out.find("a.jpg"), std::string::npos);
  EXPECT_EQ(r.out.find("лес.jpg"), std::string::npos);
}

TEST_F(QrvtoolTest, FactsAndCsvListWhatTheThumbnailsCarry) {
  PictureFacts canon;
  canon.taken = ParseIsoDateTime("2019-07-12T14:03:00");
  canon.make = "Canon";
  canon.model = "Canon EOS 70D";
  canon.width = 5472;
  canon.height = 3648;
  canon.file_size = 123456;
  canon.modified = ParseIsoDateTime("2019-07-13T08:00:00");
  canon.position = GeoPosition{44.5, 34.2};
  PictureFacts nikon;
  nikon.taken = ParseIsoDateTime("2020-01-01T00:00:00");
  nikon.make = "NIKON\tCORPORATION";
  nikon.model = "NIKON D750";
  const std::string path = Catalog(
      "f.qrv",
      testkit::BuildCatalog({{Utf8ToCp1251("Лето, 2019"),
                              {{Utf8ToCp1251("E:\\Крым\\IMG_1.jpg"), GradientJpeg(1, canon)},
                               {"E:\\b.jpg", GradientJpeg(2)}}},
                             {"CD1", {{"C:\\d.NEF", GradientJpeg(3, nikon)}}}}));
  Result r = RunTool({"facts", path, "1"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "1\t2019-07-12T14:03:00\tCanon\tCanon EOS 70D\t5472\t3648\t123456\t2019-07-13T08:00:00Z"
            "\tE:\\\\Крым\\\\IMG_1.jpg\n"
            "2\t\t\t\t\t\t\t\tE:\\\\b.jpg\n");
  EXPECT_EQ(RunTool({"facts", path, "2"}).out,
            "1\t2020-01-01T00:00:00\tNIKON\\tCORPORATION\tNIKON D750\t\t\t\t\tC:\\\\d.NEF\n");

  const std::string header =
      "\xEF\xBB\xBF"
      "disk,path,date taken,camera,width,height,file size\r\n";
  const std::string canon_row =
      "\"Лето, 2019\",E:\\Крым\\IMG_1.jpg,2019-07-12T14:03:00,Canon EOS 70D,5472,3648,123456\r\n";
  r = RunTool({"csv", path});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, header + canon_row + "\"Лето, 2019\",E:\\b.jpg,,,,,\r\n" +
                       "CD1,C:\\d.NEF,2020-01-01T00:00:00,NIKON\tCORPORATION NIKON D750,,,\r\n");
  // The same words find them in `search` and `csv`.
  EXPECT_EQ(RunTool({"csv", path, "дата:2019 место:есть"}).out, header + canon_row);
  EXPECT_EQ(RunTool({"search", path, "камера:nikon тип:raw"}).out, "2\t1\tCD1\tC:\\\\d.NEF\n");
  EXPECT_EQ(RunTool({"csv", path, "a", "b"}).status, kExitUsage);
  EXPECT_EQ(RunTool({"facts", path, "3"}).status, kExitBadCatalog);
}

TEST_F(QrvtoolTest, AnEditWaitsForAnotherWriterThenGivesUp) {
  const Bytes stream = Sample();
  const std::string path = Catalog("s.qrv", stream);
  // Another program holds the catalogue for `hold`: the time a long `add` takes, or less.
  const auto hold = [&](std::chrono::milliseconds duration) {
    int ready[2];
    EXPECT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
      const CatalogLock lock(path);
      (void)!write(ready[1], "x", 1);
      std::this_thread::sleep_for(duration);
      _exit(0);
    }
    char byte = 0;
    EXPECT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    close(ready[1]);
    return child;
  };
  pid_t holder = hold(std::chrono::minutes(1));
  Result r = RunTool({"rename", path, "1", "X"});
  EXPECT_EQ(r.status, kExitBadCatalog);
  EXPECT_EQ(r.err, "qrvtool: " + path + ": " + kBusyMessage + "\n");
  EXPECT_EQ(LoadFile(path), stream);
  kill(holder, SIGKILL);  // a writer that dies lets go of the catalogue with it
  waitpid(holder, nullptr, 0);

  holder = hold(std::chrono::milliseconds(300));
  r = RunTool({"rename", path, "1", "X"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(RunTool({"list", path}).out.substr(0, 6), "1\t2\tX\n");
  waitpid(holder, nullptr, 0);
}

}  // namespace
}  // namespace quorvel::qrvtool
