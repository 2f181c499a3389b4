#include "adddisk/scan_summary_text.h"

#include <QString>

#include "catalog/format.h"

namespace quorvel {
namespace {

// How many names of files stored without a thumbnail of their own, and of folders that could
// not be opened, a notice lists for each cause.
constexpr int kNamesListed = 10;

// What an addition and an update alike tell of the files they read.
void AppendReadLines(const AddDiskSummary& summary, QStringList& lines) {
  if (summary.thumb_limit_reached) {
    lines.append(QStringLiteral("На диске может быть не больше %1 эскизов: добавлены первые %1 "
                                "из %2 найденных изображений.")
                     .arg(kMaxThumbsPerDisk)
                     .arg(summary.found));
  }
  const auto count_and_names = [&lines](const QString& count_line, const QStringList& names) {
    if (names.isEmpty()) return;
    lines.append(count_line.arg(names.size()));
    lines.append(names.mid(0, kNamesListed));
    if (names.size() > kNamesListed) lines.append(QStringLiteral("…"));
  };
  count_and_names(QStringLiteral("Не удалось прочитать изображений: %1."), summary.unreadable);
  count_and_names(QStringLiteral("Пропущено изображений: %1."), summary.skipped);
  count_and_names(
      QStringLiteral("Файлов с ошибками чтения: %1. Их эскизы сделаны по прочитанной части:"),
      summary.read_errors);
  count_and_names(QStringLiteral("Не удалось открыть папок: %1. Изображения в них не искались:"),
                  summary.not_entered);
  if (summary.replaced_paths > 0) {
    lines.append(
        QStringLiteral("Путей с заменёнными знаками («?»): %1.").arg(summary.replaced_paths));
  }
}

}  // namespace

QStringList AdditionSummaryLines(const AddDiskSummary& summary) {
  QStringList lines;
  if (summary.cancelled) {
    lines.append(QStringLiteral("Добавление прервано: добавлено %1 из %2.")
                     .arg(summary.added)
                     .arg(summary.found));
  }
  AppendReadLines(summary, lines);
  return lines;
}

QStringList UpdateSummaryLines(const DiskUpdateCounts& counts, const AddDiskSummary& summary) {
  QStringList lines{QStringLiteral("Новых: %1, изменённых: %2, удалённых: %3, без изменений: %4.")
                        .arg(counts.added)
                        .arg(counts.changed)
                        .arg(counts.removed)
                        .arg(counts.unchanged)};
  if (counts.without_facts > 0) {
    lines.append(QStringLiteral("Эскизы без сведений о файле сделаны заново: %1.")
                     .arg(counts.without_facts));
  }
  AppendReadLines(summary, lines);
  return lines;
}

}  // namespace quorvel
