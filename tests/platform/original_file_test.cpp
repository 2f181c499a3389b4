#include "platform/original_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "catalog/cp1251.h"
#include "platform/path_text.h"

namespace quorvel {
namespace {

bool Touch(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write("picture") == 7;
}

TEST(FindOriginalFileTest, NameStoredWithQuestionMarksFindsTheOneFileItMatches) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString folder = QDir::cleanPath(dir.path());
  const QString smile = folder + QStringLiteral("/Ёлка \U0001F600.jpg");
  ASSERT_TRUE(Touch(smile));
  ASSERT_TRUE(Touch(folder + QStringLiteral("/Ёлка ab.jpg")));  // one character too many
  // As a scan stores it: the emoji, one character, became one "?".
  bool replaced = false;
  const std::string stored = FileNameToCp1251(PathBytes(smile), &replaced);
  ASSERT_TRUE(replaced);
  ASSERT_TRUE(stored.ends_with(Utf8ToCp1251("/Ёлка ?.jpg")));
  EXPECT_EQ(FindOriginalFile(stored), QStringToPath(smile));

  // Once another name matches as well, neither is taken for it.
  ASSERT_TRUE(Touch(folder + QStringLiteral("/Ёлка \U0001F642.jpg")));
  EXPECT_EQ(FindOriginalFile(stored), std::nullopt);
}

}  // namespace
}  // namespace quorvel
