// The items of the thumbnail view: the thumbnails of one disk, described by the index and read
// from the catalogue stream. It stores the image names and nothing else per item.
#ifndef QUORVEL_MAINWINDOW_THUMBNAIL_MODEL_H_
#define QUORVEL_MAINWINDOW_THUMBNAIL_MODEL_H_

#include <QAbstractListModel>
#include <QStringList>
#include <optional>

#include "catalog/catalog_document.h"
#include "catalog/catalog_index.h"

namespace quorvel {

class ThumbnailModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit ThumbnailModel(const CatalogDocument& document, QObject* parent = nullptr);

  // Shows the thumbnails of disk `disk` (an index into the document's Disks), whose image names
  // are `names`, in one reset; ShowNothing empties the view the same way.
  void ShowDisk(int disk, QStringList names);
  void ShowNothing();

  // SelectedDiskImages: the image names of the shown disk, in catalogue order.
  const QStringList& Names() const { return names_; }

  // The stored JPEG bytes of item `row`; empty when there is no such item.
  ByteView Jpeg(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const CatalogDocument& document_;
  int disk_ = -1;
  QStringList names_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_THUMBNAIL_MODEL_H_
