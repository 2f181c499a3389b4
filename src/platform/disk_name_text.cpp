#include "platform/disk_name_text.h"

#include <string>

#include "catalog/cp1251.h"
#include "catalog/format.h"

namespace quorvel {

QString DiskNameRefusal(const QString& name) {
  if (name.isEmpty()) return QStringLiteral("Нужно указать название диска!");
  const std::string utf8 = name.toStdString();
  const std::string lost = CharactersNotInCp1251(utf8);
  if (!lost.empty()) {
    return QStringLiteral(
               "В названии диска есть знаки, которые нельзя сохранить в каталоге: "
               "«%1». Измените название.")
        .arg(QString::fromStdString(lost));
  }
  const std::size_t bytes = Utf8ToCp1251(utf8).size();
  if (bytes > kMaxNameBytes) {
    return QStringLiteral("Название диска слишком длинное: %1 байт, можно не больше %2.")
        .arg(bytes)
        .arg(kMaxNameBytes);
  }
  return {};
}

}  // namespace quorvel
