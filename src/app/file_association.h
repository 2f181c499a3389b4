// Registering Quorvel as the program that opens catalogue files, rewritten at every start so
// that a moved program re-points the association the next time it runs.
#ifndef QUORVEL_APP_FILE_ASSOCIATION_H_
#define QUORVEL_APP_FILE_ASSOCIATION_H_

#include <QString>
#include <filesystem>

namespace quorvel {

// The command-line form of `path` for a desktop entry's Exec key: quoted when it holds a blank
// or another reserved character, with the characters that quoting does not cover escaped.
QString DesktopExecArgument(const QString& path);

// The desktop entry that starts `executable` with a catalogue's path as its first argument; a
// path with a '%' is started through env.
QString DesktopEntryText(const QString& executable);

// Writes, under `data_home` (the user's data folder: $XDG_DATA_HOME or ~/.local/share), the
// desktop entry applications/quorvel.desktop, the file type mime/packages/quorvel.xml (files
// named *.qrv or beginning with "Ctlg") and the icon icons/hicolor/scalable/apps/quorvel.svg,
// then refreshes the desktop and file-type databases when their tools exist and
// `refresh_databases` is set. Anything that fails is skipped without a word: start-up goes on.
void WriteFileAssociation(const QString& executable, const std::filesystem::path& data_home,
                          bool refresh_databases);

#ifdef _WIN32
// The Windows form: the five registry keys under HKEY_CLASSES_ROOT.
void WriteRegistryAssociation(const QString& executable);
#endif

}  // namespace quorvel

#endif  // QUORVEL_APP_FILE_ASSOCIATION_H_
