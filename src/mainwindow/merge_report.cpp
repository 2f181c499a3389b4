#include "mainwindow/merge_report.h"

#include <QStringList>

#include "catalog/cp1251.h"

namespace quorvel {
namespace {

QString FromCp1251(const std::string& bytes) { return QString::fromStdString(Cp1251ToUtf8(bytes)); }

QString LeftOutLine(const LeftOut& item) {
  const QString disk = FromCp1251(item.disk);
  switch (item.kind) {
    case CatalogEdit::Kind::kRenameDisk:
      return QStringLiteral("Не найден диск \"%1\": переименование не применено.").arg(disk);
    case CatalogEdit::Kind::kRemoveDisks:
      return QStringLiteral("Не найден диск \"%1\": удаление не применено.").arg(disk);
    case CatalogEdit::Kind::kRemoveThumbs:
      if (item.thumb.empty()) {
        return QStringLiteral("Не найден диск \"%1\": удаление эскизов не применено.").arg(disk);
      }
      return QStringLiteral("Не найден эскиз \"%1\" на диске \"%2\": удаление не применено.")
          .arg(FromCp1251(item.thumb), disk);
    case CatalogEdit::Kind::kAddDisks:
      // An addition always applies today; should that change, the user still hears of it.
      return QStringLiteral("Не удалось добавить диски.");
    case CatalogEdit::Kind::kUpdateDisk:
      return QStringLiteral("Не найден диск \"%1\": обновление не применено.").arg(disk);
    case CatalogEdit::Kind::kStoreFingerprints:
      return QStringLiteral("Отпечатки эскизов не сохранены: каталог повреждён.");
    case CatalogEdit::Kind::kRepair:
      break;
  }
  return QStringLiteral("Исправление повреждённого каталога нельзя применить повторно.");
}

}  // namespace

QString LeftOutText(const std::vector<LeftOut>& left_out) {
  QStringList lines;
  for (const LeftOut& item : left_out) lines.append(LeftOutLine(item));
  return lines.join(QLatin1Char('\n'));
}

}  // namespace quorvel
