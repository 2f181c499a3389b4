#include "catalog/catalog_search.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"
#include "support/catalog_builder.h"
#include "support/hand_facts.h"

namespace quorvel {
namespace {

using Refs = std::vector<ThumbRef>;

class CatalogSearchTest : public ::testing::Test {
 protected:
  void Use(const std::vector<testkit::DiskSpec>& disks) {
    index_ = BuildIndex(testkit::BuildCatalog(disks));
    search_.Build(index_);
  }
  Refs Find(const std::string& utf8) const {
    return search_.Find(SearchQuery::Parse(utf8), index_);
  }

  // Names are written as UTF-8 here and stored as 1251, as the program stores them.
  static testkit::DiskSpec Disk(const std::string& name, const std::vector<std::string>& paths) {
    testkit::DiskSpec disk{Utf8ToCp1251(name), {}};
    for (const std::string& path : paths) disk.thumbs.push_back({Utf8ToCp1251(path), {0xFF, 0xD9}});
    return disk;
  }

  void SetUp() override {
    Use({Disk("Отпуск 2004 CD3",
              {"/media/cdrom/Фото 2004/Отпуск Крым/IMG_0412.JPG",
               "/media/cdrom/Фото 2004/Ёлка/DSC0001.jpg", "/media/cdrom/readme.txt.jpg"}),
         Disk("Berlin",
              {"/mnt/usb/Photos/2011-07 Berlin/DSC01234.jpg", "/mnt/usb/Photos/Paris/a.jpg"}),
         Disk("Пусто", {}), Disk("Їжак", {"E:\\Ґанок\\x.jpg"})});
  }

  CatalogIndex index_;
  CatalogSearch search_;
};

TEST_F(CatalogSearchTest, CaseOfBothAlphabetsAndYoAreIgnored) {
  EXPECT_EQ(Find("крым"), (Refs{{0, 0}}));
  EXPECT_EQ(Find("КрЫм img_0412.jpg"), (Refs{{0, 0}}));
  EXPECT_EQ(Find("елка"), (Refs{{0, 1}}));
  EXPECT_EQ(Find("ЁЛКА"), (Refs{{0, 1}}));
  EXPECT_EQ(Find("ҐАНОК"), (Refs{{3, 0}}));
  EXPECT_EQ(Find("BERLIN"), (Refs{{1, 0}, {1, 1}})) << "the disk's name holds it";
}

TEST_F(CatalogSearchTest, EveryWordInTheDiskNameOrThePathAndNoExcludedOne) {
  EXPECT_EQ(Find("berlin paris"), (Refs{{1, 1}}));
  EXPECT_EQ(Find("cd3 dsc"), (Refs{{0, 1}}));
  EXPECT_EQ(Find("jpg -dsc"), (Refs{{0, 0}, {0, 2}, {1, 1}, {3, 0}}));
  EXPECT_EQ(Find("jpg -berlin -отпуск"), (Refs{{3, 0}})) << "excluded by the disk's name";
  EXPECT_EQ(Find("-media"), (Refs{{1, 0}, {1, 1}, {3, 0}}));
  EXPECT_EQ(Find("\"отпуск крым\""), (Refs{{0, 0}}));
  EXPECT_EQ(Find("\"крым отпуск\""), Refs{});
  EXPECT_EQ(Find("фото -\"отпуск крым\""), (Refs{{0, 1}}));
  EXPECT_EQ(Find("ф\"ото 20\"04 \"отпуск кр"), (Refs{{0, 0}})) << "an unclosed quote runs on";
  EXPECT_EQ(Find("\"\" - jpg"), Find("jpg")) << "a lone '-' and empty quotes are no word";
  EXPECT_EQ(Find("--"), (Refs{{0, 0}, {0, 1}, {0, 2}, {1, 1}, {3, 0}})) << "excludes '-'";
}

TEST_F(CatalogSearchTest, WildcardsStandInsideOneNameOrPath) {
  EXPECT_EQ(Find("img_*.jpg"), (Refs{{0, 0}}));
  EXPECT_EQ(Find("dsc0?234"), (Refs{{1, 0}}));
  EXPECT_EQ(Find("фото*ёлка*.jpg"), (Refs{{0, 1}}));
  EXPECT_EQ(Find("*"), Find("?"));
  EXPECT_EQ(Find("*").size(), 6u);
  EXPECT_EQ(Find("?????????????????????????????????????????????"), (Refs{{0, 0}}));
  // Never from one path into the next, nor from the disk's name into a path.
  EXPECT_EQ(Find("jpg*readme"), Refs{});
  EXPECT_EQ(Find("jpg?/media"), Refs{});
  EXPECT_EQ(Find("jpg/media"), Refs{});
  EXPECT_EQ(Find("cd3*крым"), Refs{});
  EXPECT_EQ(Find("Berlin?/mnt"), Refs{});
}

TEST_F(CatalogSearchTest, ACharacterThatNoStoredNameHoldsMatchesNothing) {
  const SearchQuery query = SearchQuery::Parse("крым 😀");
  ASSERT_EQ(query.Words().size(), 2u);
  EXPECT_TRUE(query.Words()[1].never_occurs);
  EXPECT_EQ(search_.Find(query, index_), Refs{})
      << "it did not become a '?' that stands for any byte";
  EXPECT_EQ(Find("крым -😀"), (Refs{{0, 0}}));
  EXPECT_EQ(Find(std::string("jpg -a\0b", 8)), Find("jpg"));
}

TEST_F(CatalogSearchTest, AnIndexOfAnotherStateOfTheCatalogueIsRefused) {
  const Bytes fewer = testkit::BuildCatalog({Disk("Berlin", {"/a.jpg"})});
  // As many disks and thumbnails, but shorter paths.
  const Bytes shorter = testkit::BuildCatalog(
      {Disk("Отпуск 2004 CD3", {"/a.jpg", "/b.jpg", "/c.jpg"}),
       Disk("Berlin", {"/d.jpg", "/e.jpg"}), Disk("Пусто", {}), Disk("Їжак", {"/f.jpg"})});
  for (const char* text : {"*", "jpg"}) {
    const SearchQuery query = SearchQuery::Parse(text);
    EXPECT_THROW(search_.Find(query, BuildIndex(fewer)), CatalogError) << text;
    EXPECT_THROW(search_.Find(query, BuildIndex(shorter)), CatalogError) << text;
  }
}

TEST_F(CatalogSearchTest, AnEmptyQueryIsNoSearch) {
  for (const std::string text : {"", "   ", " \t ", "-", "\"\""}) {
    EXPECT_TRUE(SearchQuery::Parse(text).Empty()) << text;
    EXPECT_EQ(Find(text), Refs{}) << text;
  }
}

TEST_F(CatalogSearchTest, ResultsComeDiskByDiskInCatalogueOrder) {
  std::vector<std::string> many;
  char name[32];
  for (int i = 0; i < 300; ++i) {
    std::snprintf(name, sizeof name, "/f%d/p%03d.jpg", i % 7, i);
    many.push_back(name);
  }
  Use({Disk("a", many), Disk("Пусто", {}), Disk("p2x7", {"x", "y"}), Disk("c", many)});
  Refs expected;
  for (int i = 207; i < 300; i += 10) expected.push_back({0, i});
  expected.insert(expected.end(), {{2, 0}, {2, 1}});  // the disk's name holds the word
  for (int i = 207; i < 300; i += 10) expected.push_back({3, i});
  EXPECT_EQ(Find("p2?7"), expected);
  EXPECT_EQ(Find("/f3/p10?"), (Refs{{0, 101}, {0, 108}, {3, 101}, {3, 108}}));
}

TEST_F(CatalogSearchTest, FieldWordsAskForThePicturesFacts) {
  using testkit::ClockSeconds;
  Use({Disk("Лето", {"/a/IMG_1.jpg", "/a/IMG_2.CR2", "/a/clip.MP4", "/a/x.heic", "/a/y.avif"}),
       Disk("Old", {"/b/old.jpg", "/b/film.avi", "/b/date:x.jpg"})});
  testkit::GiveFacts(index_, 0,
                     {{ClockSeconds(2019, 7, 1, 10), "Canon EOS 70D", 0, 0, -1, true},
                      {ClockSeconds(2019, 8, 15, 23, 59, 59), "Canon EOS 5D"},
                      {ClockSeconds(2020, 1, 1), "Apple iPhone 12", 0, 0, -1, true},
                      {},
                      {ClockSeconds(2019, 8, 16), "NIKON D750"}});
  search_.Build(index_);
  // Dates: a year, a month, a day, and ranges of days, inclusive, open or the wrong way round.
  EXPECT_EQ(Find("дата:2019"), (Refs{{0, 0}, {0, 1}, {0, 4}}));
  EXPECT_EQ(Find("date:2019-08"), (Refs{{0, 1}, {0, 4}}));
  EXPECT_EQ(Find("дата:2019-07-01"), (Refs{{0, 0}}));
  EXPECT_EQ(Find("дата:2019-7-1..2019-08-15"), (Refs{{0, 0}, {0, 1}}));
  EXPECT_EQ(Find("дата:2020..2019-08"), (Refs{{0, 1}, {0, 2}, {0, 4}}));
  EXPECT_EQ(Find("дата:..2019-07"), (Refs{{0, 0}}));
  EXPECT_EQ(Find("Дата:2019-08-16.."), (Refs{{0, 2}, {0, 4}}));
  // The camera: a word or a phrase of its name, any case.
  EXPECT_EQ(Find("камера:canon"), (Refs{{0, 0}, {0, 1}}));
  EXPECT_EQ(Find("CAMERA:\"eos 70d\""), (Refs{{0, 0}}));
  EXPECT_EQ(Find("КАМЕРА:iphone"), (Refs{{0, 2}}));
  // The kind of file, by its suffix, known for every thumbnail.
  EXPECT_EQ(Find("тип:видео"), (Refs{{0, 2}, {1, 1}}));
  EXPECT_EQ(Find("type:RAW"), (Refs{{0, 1}}));
  EXPECT_EQ(Find("тип:heic"), (Refs{{0, 3}}));
  EXPECT_EQ(Find("тип:avif"), (Refs{{0, 4}}));
  EXPECT_EQ(Find("место:есть"), (Refs{{0, 0}, {0, 2}}));
  EXPECT_EQ(Find("GPS:yes"), Find("место:есть"));
  // A fact that is not known neither matches nor is excluded.
  EXPECT_EQ(Find("-камера:canon"), (Refs{{0, 2}, {0, 3}, {0, 4}, {1, 0}, {1, 1}, {1, 2}}));
  EXPECT_EQ(Find("-дата:2019 -место:есть"), (Refs{{0, 3}, {1, 0}, {1, 1}, {1, 2}}));
  // With text words and exclusions.
  EXPECT_EQ(Find("img дата:2019-08"), (Refs{{0, 1}}));
  EXPECT_EQ(Find("дата:2019 -img"), (Refs{{0, 4}}));
  EXPECT_EQ(Find("-тип:видео лето"), (Refs{{0, 0}, {0, 1}, {0, 3}, {0, 4}}));
  EXPECT_EQ(Find("jpg -тип:raw камера:canon"), (Refs{{0, 0}}));
  // A value that names nothing matches nothing and excludes nothing; quoted, it is text.
  for (const char* text : {"дата:июль", "дата:2019-02-30", "дата:19", "дата:..", "тип:фото",
                           "место:нет", "камера:", "date:x"}) {
    EXPECT_EQ(Find(text), Refs{}) << text;
    EXPECT_EQ(Find(std::string("img -") + text), Find("img")) << text;
  }
  EXPECT_EQ(Find("\"date:x\""), (Refs{{1, 2}}));
  EXPECT_EQ(Find("\"date:\"x"), (Refs{{1, 2}}));
}

}  // namespace
}  // namespace quorvel
