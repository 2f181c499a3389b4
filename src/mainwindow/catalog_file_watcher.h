// Notices when another program writes the open catalogue's file.
#ifndef QUORVEL_MAINWINDOW_CATALOG_FILE_WATCHER_H_
#define QUORVEL_MAINWINDOW_CATALOG_FILE_WATCHER_H_

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <filesystem>

namespace quorvel {

class CatalogFileWatcher : public QObject {
  Q_OBJECT

 public:
  explicit CatalogFileWatcher(QObject* parent = nullptr);

  // Watches `file` from now on instead of what was watched; an empty name watches nothing.
  // Watching the same name again picks up the file that stands under it now.
  void Watch(const std::filesystem::path& file);

  // Changed once more after a while, for whoever could not look at the file just now.
  void RetryLater();

 signals:
  // The watched file was written, replaced or removed, and has been left alone for a moment:
  // a program writing it in place or replacing it sends a burst of changes, told here once.
  void Changed();

 private:
  void FileChanged();

  QFileSystemWatcher watcher_;
  QString file_;  // what is watched; empty: nothing
  QTimer settle_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_CATALOG_FILE_WATCHER_H_
