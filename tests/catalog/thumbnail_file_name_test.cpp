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

TEST(ThumbnailFileNameTest, ShortensALongNameAtACharacterBoundaryKeepingTheExtension) {
  EXPECT_EQ(ThumbnailFileName(std::string(251, 'a')), std::string(251, 'a') + ".jpg");
  EXPECT_EQ(ThumbnailFileName("x/" + std::string(300, 'a')), std::string(251, 'a') + ".jpg");
  std::string ya;  // "я" is two bytes, so 251 bytes would split the last one
  for (int i = 0; i < 150; ++i) ya += "\xD1\x8F";
  EXPECT_EQ(ThumbnailFileName(ya), ya.substr(0, 250) + ".jpg");
  EXPECT_EQ(NumberedThumbnailFileName(std::string(251, 'a'), 12),
            std::string(246, 'a') + " (12).jpg");
}

}  // namespace
}  // namespace quorvel
