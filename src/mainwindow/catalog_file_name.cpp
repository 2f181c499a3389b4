#include "mainwindow/catalog_file_name.h"

#include <QDir>
#include <QFileInfo>

#include "catalog/catalog_document.h"
#include "platform/path_text.h"

namespace quorvel {

QString CompleteCatalogName(const QString& name) {
  if (name.size() >= 4 && name.right(4).compare(QStringLiteral(".qrv"), Qt::CaseInsensitive) == 0) {
    return name;
  }
  return name + QStringLiteral(".qrv");
}

QString CatalogFolder(const CatalogDocument& document) {
  const QString current = PathToQString(document.CatalogFileName());
  if (current.isEmpty()) return QString();
  const QDir folder = QFileInfo(current).absoluteDir();
  return folder.exists() ? folder.path() : QString();
}

}  // namespace quorvel
