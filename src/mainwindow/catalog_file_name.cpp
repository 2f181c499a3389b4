#include "mainwindow/catalog_file_name.h"

namespace quorvel {

QString CompleteCatalogName(const QString& name) {
  if (name.size() >= 4 && name.right(4).compare(QStringLiteral(".qrv"), Qt::CaseInsensitive) == 0) {
    return name;
  }
  return name + QStringLiteral(".qrv");
}

}  // namespace quorvel
