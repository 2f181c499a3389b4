#include "platform/qt_translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <iostream>

namespace quorvel {

QString QtTranslationsFolder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool UseRussianQtTexts(QCoreApplication& app, const QString& folder) {
  const QLocale russian(QLocale::Russian, QLocale::Russia);
  // Dates, numbers and the locale-aware widgets agree with the texts.
  QLocale::setDefault(russian);
  auto* translator = new QTranslator(&app);
  if (!translator->load(russian, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
    delete translator;
    std::cerr << "quorvel: Qt's Russian translation (qtbase_ru.qm) is not in "
              << QDir::toNativeSeparators(folder).toStdString()
              << "; Qt's buttons and dialogs stay in English\n";
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace quorvel
