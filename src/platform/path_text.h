// File names cross between Qt's text and the standard library's paths here, and only here.
#ifndef QUORVEL_PLATFORM_PATH_TEXT_H_
#define QUORVEL_PLATFORM_PATH_TEXT_H_

#include <QString>
#include <filesystem>

namespace quorvel {

// The path as the user typed or picked it; never throws, even for names that are not valid in
// the platform's file-name encoding (those characters show as replacement characters).
QString PathToQString(const std::filesystem::path& path);

// The path that names the same file as `text` does for Qt's own file classes.
std::filesystem::path QStringToPath(const QString& text);

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_PATH_TEXT_H_
