#include "catalog/catalog_check.h"

#include <gtest/gtest.h>

#include "catalog/field_codec.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

using testkit::ToBytes;

Bytes TwoDisks() {
  return testkit::BuildCatalog(
      {{"A", {{"a1", testkit::GradientJpeg(1)}}},
       {"B", {{"b1", testkit::GradientJpeg(2)}, {"b2", testkit::GradientJpeg(3)}}}});
}

TEST(CheckCatalogTest, AcceptsWellFormedCataloguesAndCountsThem) {
  const CheckResult two = CheckCatalog(TwoDisks());
  EXPECT_TRUE(two.ok());
  EXPECT_EQ(two.disk_count, 2);
  EXPECT_EQ(two.thumb_count, 3);
  EXPECT_TRUE(CheckCatalog(Bytes{}).ok());
  EXPECT_TRUE(CheckCatalog(testkit::BuildCatalog({})).ok());
}

TEST(CheckCatalogTest, RefusesAThumbnailThatIsNotAJpeg) {
  const Bytes stream = testkit::BuildCatalog(
      {{"A", {{"good", testkit::GradientJpeg(1)}, {"bad", ToBytes("not a jpeg")}}}});
  const CheckResult result = CheckCatalog(stream);
  ASSERT_FALSE(result.ok());
  const CatalogIndex index = BuildIndex(stream);
  EXPECT_EQ(result.violation->offset, index.Disks[0].ThumbRecordStart(index.Disks[0].Thumbs[1]));
}

TEST(CheckCatalogTest, ReportsTheEarlierOfABadJpegAndStructuralDamage) {
  Bytes stream = testkit::BuildCatalog({{"A", {{"bad", ToBytes("xx")}}}, {"B", {}}});
  stream.resize(stream.size() - 1);  // disk B cut short, after the bad JPEG
  CheckResult result = CheckCatalog(stream);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.violation->offset, 6 + 8 + 1) << "the bad JPEG comes first";

  Bytes lying = testkit::BuildCatalog({{"A", {{"bad", ToBytes("xx")}}}});
  WriteField(lying, 6 + 4 + 1, 100000, 4);  // record length far past the end: damage at 6
  result = CheckCatalog(lying);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.violation->offset, 6);
}

}  // namespace
}  // namespace quorvel
