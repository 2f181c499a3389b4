#include "mainwindow/file_drag_data.h"

#include <QDir>
#include <QTemporaryDir>
#include <utility>

#include "platform/original_file.h"

namespace quorvel {
namespace {

const QString kUriList = QStringLiteral("text/uri-list");

}  // namespace

DragFolders::DragFolders() = default;
DragFolders::~DragFolders() = default;

QString DragFolders::NewFolder() {
  if (!root_) {
    root_ =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quorvel-drag-XXXXXX"));
  }
  if (!root_->isValid()) return {};
  const QString name = QString::number(++folders_made_);
  return QDir(root_->path()).mkdir(name) ? root_->filePath(name) : QString();
}

FileDragData::FileDragData(std::function<std::vector<std::filesystem::path>()> write_files)
    : write_files_(std::move(write_files)) {}

QStringList FileDragData::formats() const { return {kUriList}; }

QVariant FileDragData::retrieveData(const QString& mime_type, QMetaType type) const {
  if (mime_type != kUriList) return {};
  if (!files_) {
    files_.emplace();
    for (const std::filesystem::path& file : write_files_()) {
      files_->append(LocalFileUrl(file));
    }
  }
  if (type.id() == QMetaType::QByteArray) {
    // The list's own format, for the targets of other programs.
    QByteArray list;
    for (const QUrl& file : *files_) list += file.toEncoded() + "\r\n";
    return list;
  }
  QVariantList urls;
  for (const QUrl& file : *files_) urls.append(file);
  return urls;
}

}  // namespace quorvel
