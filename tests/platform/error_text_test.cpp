// The words an error box shows for the core's errors.
#include "platform/error_text.h"

#include <gtest/gtest.h>

#include <new>

#include "catalog/catalog_error.h"
#include "catalog/catalog_lock.h"

namespace quorvel {
namespace {

TEST(ErrorText, KindsWithWordsOfTheirOwnAreToldInRussianOthersByTheirDetail) {
  EXPECT_EQ(ErrorText(CatalogBusyError("/media/фото.qrv")),
            QStringLiteral("Каталог \"/media/фото.qrv\" сейчас изменяет другая программа."));
  EXPECT_TRUE(
      ErrorText(CatalogError("damaged at offset 9", ErrorKind::kDamaged, "/a.qrv"))
          .startsWith(QStringLiteral("Каталог повреждён, поэтому изменять его нельзя")));
  EXPECT_EQ(ErrorText(CannotCreateFile("/ro/a.qrv", "Permission denied")),
            QStringLiteral("Cannot create file \"/ro/a.qrv\". Permission denied"));
  EXPECT_EQ(ErrorText(std::bad_alloc()), QString::fromLocal8Bit(std::bad_alloc().what()));
}

}  // namespace
}  // namespace quorvel
