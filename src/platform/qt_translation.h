// Qt's own texts (message box buttons, file dialogs, the folder picker) in the interface's
// language, whatever the system's locale is.
#ifndef QUORVEL_PLATFORM_QT_TRANSLATION_H_
#define QUORVEL_PLATFORM_QT_TRANSLATION_H_

#include <QString>

class QCoreApplication;

namespace quorvel {

// Qt's folder of installed translations.
QString QtTranslationsFolder();

// Makes Russian the default locale and installs Qt's Russian translation (qtbase_ru) from
// `folder` into `app`. When the translation is not there, says so on stderr and returns false;
// Qt's texts then stay English and the program runs on.
bool UseRussianQtTexts(QCoreApplication& app, const QString& folder = QtTranslationsFolder());

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_QT_TRANSLATION_H_
