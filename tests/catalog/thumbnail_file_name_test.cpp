#include "catalog/thumbnail_file_name.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(ThumbnailFileNameTest, TakesThePartAfterTheLastSeparator) {
  EXPECT_EQ(ThumbnailFileName("E:\\photos\\img001.jpg"), "img001.jpg.jpg");
  EXPECT_EQ(ThumbnailFileName("E:img.png"), "img.png.jpg");
  EXPECT_EQ(ThumbnailFileName("/media/cd/a.b"), "a.b.jpg");
  EXPECT_EQ(ThumbnailFileName("plain"), "plain.jpg");
  EXPECT_EQ(ThumbnailFileName("dir\\"), ".jpg");
  EXPECT_EQ(ThumbnailFileName("C:/x/..\\..\\up"), "up.jpg");
  EXPECT_EQ(ThumbnailFileName(".."), "...jpg");
}

}  // namespace
}  // namespace quorvel
