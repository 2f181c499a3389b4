#include "mainwindow/picture_facts_text.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <array>

namespace quorvel {
namespace {

// The interface's language, whatever the system's: Qt's own data sizes say "байты" and "кБ".
const QLocale& Russian() {
  static const QLocale russian(QLocale::Russian, QLocale::Russia);
  return russian;
}

QString DurationText(std::int64_t milliseconds) {
  const std::int64_t seconds = (milliseconds + 500) / 1000;
  const auto two_digits = [](std::int64_t value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
  };
  if (seconds < 3600) return QString::number(seconds / 60) + u':' + two_digits(seconds % 60);
  return QString::number(seconds / 3600) + u':' + two_digits(seconds / 60 % 60) + u':' +
         two_digits(seconds % 60);
}

}  // namespace

QString DataSizeText(std::int64_t bytes) {
  static const std::array<QString, 4> kUnits = {QStringLiteral("Б"), QStringLiteral("КБ"),
                                                QStringLiteral("МБ"), QStringLiteral("ГБ")};
  if (bytes < 1024) return Russian().toString(bytes) + u' ' + kUnits[0];
  double value = static_cast<double>(bytes);
  std::size_t unit = 0;
  // 1,048,575 bytes is "1,0 МБ", not "1024,0 КБ": the unit is chosen by the rounded value.
  while (unit + 1 < kUnits.size() && value >= 1024 - 0.05) {
    value /= 1024;
    ++unit;
  }
  return Russian().toString(value, 'f', 1) + u' ' + kUnits[unit];
}

QString PictureFactsText(const PictureFacts& facts) {
  QStringList parts;
  if (facts.taken) {
    // The camera's clock knows no zone: its seconds are shown as they were counted.
    parts.append(QStringLiteral("Снято: ") + QDateTime::fromSecsSinceEpoch(*facts.taken, Qt::UTC)
                                                 .toString(QStringLiteral("dd.MM.yyyy HH:mm")));
  }
  if (const std::string camera = CameraName(facts.make, facts.model); !camera.empty()) {
    parts.append(QString::fromStdString(camera));
  }
  if (facts.width > 0 && facts.height > 0) {
    parts.append(QStringLiteral("%1 x %2").arg(facts.width).arg(facts.height));
  }
  if (facts.file_size) parts.append(DataSizeText(*facts.file_size));
  if (facts.duration_ms) parts.append(DurationText(*facts.duration_ms));
  return parts.join(QStringLiteral(", "));
}

}  // namespace quorvel
