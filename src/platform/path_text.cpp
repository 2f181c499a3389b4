#include "platform/path_text.h"

#include <QByteArray>
#include <QFile>

namespace quorvel {

#ifdef _WIN32

QString PathToQString(const std::filesystem::path& path) {
  return QString::fromStdWString(path.native());
}

std::filesystem::path QStringToPath(const QString& text) {
  return std::filesystem::path(text.toStdWString());
}

#else

// POSIX names are bytes; going through Qt's file-name codec (rather than the standard library's
// UTF-8 conversion, which throws on stray bytes) keeps a catalogue with an odd name openable.
QString PathToQString(const std::filesystem::path& path) {
  const std::string& native = path.native();
  return QFile::decodeName(QByteArray(native.data(), static_cast<qsizetype>(native.size())));
}

std::filesystem::path QStringToPath(const QString& text) {
  return std::filesystem::path(QFile::encodeName(text).toStdString());
}

#endif

}  // namespace quorvel
