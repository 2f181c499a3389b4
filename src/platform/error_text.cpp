#include "platform/error_text.h"

#include "catalog/catalog_error.h"
#include "platform/path_text.h"

namespace quorvel {

QString ErrorText(const std::exception& error) {
  const auto* ours = dynamic_cast<const CatalogError*>(&error);
  if (!ours) return QString::fromLocal8Bit(error.what());
  switch (ours->kind()) {
    case ErrorKind::kBusy:
      return QStringLiteral("Каталог \"%1\" сейчас изменяет другая программа.")
          .arg(PathToQString(ours->subject()));
    case ErrorKind::kDamaged:
      return QStringLiteral(
          "Каталог повреждён, поэтому изменять его нельзя: при сохранении пропало бы всё, что не "
          "удалось прочитать. Чтобы работать с ним дальше, откройте его снова и сохраните "
          "прочитанное в новый каталог.");
    case ErrorKind::kChangedOutside:
      return QStringLiteral("Файл \"%1\" изменён другой программой после открытия.")
          .arg(PathToQString(ours->subject()));
    case ErrorKind::kRefused:
    case ErrorKind::kFileAccess:
    case ErrorKind::kFull:
      break;
  }
  return QString::fromStdString(ours->what());
}

}  // namespace quorvel
