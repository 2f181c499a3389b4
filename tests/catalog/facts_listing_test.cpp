#include "catalog/facts_listing.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"
#include "support/catalog_builder.h"
#include "support/hand_facts.h"

namespace quorvel {
namespace {

TEST(FactsListingTest, CsvIsUtf8WithAMarkCrLfAndFieldsQuotedWhereTheyMustBe) {
  const auto thumb = [](const std::string& utf8) {
    return testkit::ThumbSpec{Utf8ToCp1251(utf8), testkit::GradientJpeg(1)};
  };
  CatalogIndex index = BuildIndex(testkit::BuildCatalog(
      {{Utf8ToCp1251("Фото, 2019"),
        {thumb("E:\\Крым\\\"пляж\".jpg"), thumb("E:\\a\r\nb.jpg"), thumb("E:\\c.jpg")}},
       {"CD1", {thumb("C:\\d.jpg")}}}));
  testkit::GiveFacts(
      index, 0,
      {{testkit::ClockSeconds(2019, 7, 12, 14, 3), "Canon EOS 70D", 5472, 3648, 123456, true},
       {ThumbFacts::kNoDate, "Acme, \"Pro\""},
       {}});
  std::ostringstream out;
  const std::vector<ThumbRef> refs = {{1, 0}, {0, 0}, {0, 1}, {0, 2}};
  WriteFactsCsv(out, index, refs, {"диск", "путь", "date", "camera", "w", "h", "size"});
  EXPECT_EQ(out.str(),
            "\xEF\xBB\xBF"
            "диск,путь,date,camera,w,h,size\r\n"
            "CD1,C:\\d.jpg,,,,,\r\n"
            "\"Фото, 2019\",\"E:\\Крым\\\"\"пляж\"\".jpg\",2019-07-12T14:03:00,Canon EOS 70D,5472,"
            "3648,123456\r\n"
            "\"Фото, 2019\",\"E:\\a\r\nb.jpg\",,\"Acme, \"\"Pro\"\"\",,,\r\n"
            "\"Фото, 2019\",E:\\c.jpg,,,,,\r\n");

  std::ostringstream refused;
  const std::vector<ThumbRef> outside = {{0, 0}, {0, 3}};
  EXPECT_THROW(WriteFactsCsv(refused, index, outside, {"a", "b", "c", "d", "e", "f", "g"}),
               CatalogError);
  EXPECT_EQ(refused.str(), "") << "nothing is written before every thumbnail is known";
}

}  // namespace
}  // namespace quorvel
