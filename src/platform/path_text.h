// File names cross between Qt's text and the standard library's paths here, and only here.
#ifndef QUORVEL_PLATFORM_PATH_TEXT_H_
#define QUORVEL_PLATFORM_PATH_TEXT_H_

#include <QString>
#include <filesystem>
#include <string>

namespace quorvel {

// The path as text, for showing and for the program's own handling. Never throws. On POSIX a
// name is bytes that need not be UTF-8 (names written in Windows-1251 by an older system): each
// byte that is not part of valid UTF-8 becomes one of the lone code units U+DC80 to U+DCFF, so
// that QStringToPath gives back exactly the same bytes. Qt's own file classes do not know that
// convention: hand such text to the file system through QStringToPath only.
QString PathToQString(const std::filesystem::path& path);

// The path that `text`, from PathToQString or typed by the user, names.
std::filesystem::path QStringToPath(const QString& text);

// The bytes of the path that `text` names: the file system's own bytes on POSIX, UTF-8 on
// Windows.
std::string PathBytes(const QString& text);

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_PATH_TEXT_H_
