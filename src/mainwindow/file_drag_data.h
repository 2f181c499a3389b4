// What a drag of thumbnails out of the window carries: files, offered as a list of file URLs and
// written only when a drop target first asks for them, as the desktop's other programs do with
// the files they let go of.
#ifndef QUORVEL_MAINWINDOW_FILE_DRAG_DATA_H_
#define QUORVEL_MAINWINDOW_FILE_DRAG_DATA_H_

#include <QList>
#include <QMimeData>
#include <QString>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTemporaryDir;

namespace quorvel {

// The temporary folder dropped files are written under, made on first need and removed with
// this object: a drop target may read the files long after the drag has ended.
class DragFolders {
 public:
  DragFolders();
  ~DragFolders();
  DragFolders(const DragFolders&) = delete;
  DragFolders& operator=(const DragFolders&) = delete;

  // A new empty folder for one drop, so that no drop replaces the files of an earlier one that
  // a target may still be copying; empty when none can be made.
  QString NewFolder();

 private:
  std::unique_ptr<QTemporaryDir> root_;
  int folders_made_ = 0;
};

class FileDragData : public QMimeData {
  Q_OBJECT

 public:
  // `write_files` writes the files and returns those written; it runs once, when a target first
  // asks for the list.
  explicit FileDragData(std::function<std::vector<std::filesystem::path>()> write_files);

  // Only the file list: a target offered the pictures' bytes as well might take those instead
  // and make up a name of its own.
  QStringList formats() const override;

 protected:
  QVariant retrieveData(const QString& mime_type, QMetaType type) const override;

 private:
  std::function<std::vector<std::filesystem::path>()> write_files_;
  mutable std::optional<QList<QUrl>> files_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_FILE_DRAG_DATA_H_
