#include "app/file_association.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include "platform/path_text.h"

namespace quorvel {
namespace {

QByteArray Resource(const QString& name) {
  QFile file(QStringLiteral(":/quorvel/") + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// Replaces `path` by `bytes` unless it already holds them, so that the databases are only
// rebuilt when something changed.
bool WriteIfChanged(const QString& path, const QByteArray& bytes) {
  QFile existing(path);
  if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes) return false;
  existing.close();
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(bytes) == bytes.size() && file.flush();
}

void RunIfPresent(const QString& tool, const QStringList& arguments) {
  const QString program = QStandardPaths::findExecutable(tool);
  if (program.isEmpty()) return;
  // Started and left alone: start-up does not wait for a database rebuild.
  QProcess::startDetached(program, arguments);
}

}  // namespace

QString DesktopExecArgument(const QString& path) {
  static const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  bool needs_quotes = path.isEmpty();
  for (const QChar c : path) needs_quotes = needs_quotes || kReserved.contains(c);
  QString argument = path;
  if (needs_quotes) {
    QString quoted;
    for (const QChar c : path) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
      quoted += c;
    }
    argument = '"' + quoted + '"';
  }
  // A lone '%' would start a field code, quoted or not.
  argument.replace('%', QStringLiteral("%%"));
  // The key's value is itself a string in which a backslash escapes: double every one, and
  // write the control characters it can hold only as escapes.
  argument.replace('\\', QStringLiteral("\\\\"));
  argument.replace('\n', QStringLiteral("\\n"));
  argument.replace('\t', QStringLiteral("\\t"));
  argument.replace('\r', QStringLiteral("\\r"));
  return argument;
}

QString DesktopEntryText(const QString& executable) {
  QString command = DesktopExecArgument(executable);
  // GLib (and so GNOME's file managers) looks for the program under its name with "%%" still
  // in it and, finding none, refuses the whole entry; started through env, the program's path is
  // only an argument, which is expanded before it is used.
  if (executable.contains('%')) command.prepend(QStringLiteral("env "));
  QString text = QString::fromUtf8(Resource(QStringLiteral("quorvel.desktop.in")));
  text.replace(QStringLiteral("@EXEC@"), command);
  return text;
}

void WriteFileAssociation(const QString& executable, const std::filesystem::path& data_home,
                          bool refresh_databases) {
  if (data_home.empty()) return;
  const QDir home(PathToQString(data_home));
  const bool entry = WriteIfChanged(home.filePath(QStringLiteral("applications/quorvel.desktop")),
                                    DesktopEntryText(executable).toUtf8());
  const bool mime = WriteIfChanged(home.filePath(QStringLiteral("mime/packages/quorvel.xml")),
                                   Resource(QStringLiteral("quorvel-mime.xml")));
  WriteIfChanged(home.filePath(QStringLiteral("icons/hicolor/scalable/apps/quorvel.svg")),
                 Resource(QStringLiteral("quorvel.svg")));
  if (!refresh_databases) return;
  if (mime) RunIfPresent(QStringLiteral("update-mime-database"), {home.filePath("mime")});
  if (entry) {
    RunIfPresent(QStringLiteral("update-desktop-database"), {home.filePath("applications")});
  }
}

}  // namespace quorvel
