// The items of the thumbnail view: any list of thumbnails, each named by its disk and its place
// on that disk, described by the index and read from the catalogue stream. The thumbnails of one
// disk and the results of a search are the same model with different lists, shown in catalogue
// order or by the date the pictures were taken. It keeps nothing per item beyond that pair;
// names are converted, and facts read, only when the view asks for them.
#ifndef QUORVEL_MAINWINDOW_THUMBNAIL_MODEL_H_
#define QUORVEL_MAINWINDOW_THUMBNAIL_MODEL_H_

#include <QAbstractListModel>
#include <QStringList>
#include <vector>

#include "catalog/catalog_document.h"
#include "catalog/catalog_index.h"

class QImage;

namespace quorvel {

// Orders each run of `items` of one disk: by the date taken that `index` holds for them, those
// without one after them in catalogue order; unless `by_date`, all in catalogue order. The runs
// stay where they are, so results keep their disks' order.
void OrderThumbs(const CatalogIndex& index, bool by_date, std::vector<ThumbRef>& items);

class ThumbnailModel : public QAbstractListModel {
  Q_OBJECT

 public:
  // The name of the item's disk, given only while search results are shown: the label then
  // names the disk above the image's folder and file name.
  static constexpr int kDiskNameRole = Qt::UserRole + 1;
  // The item's picture decoded (a QImage), null when it does not decode; asked for once per
  // drag, while the delegate decodes for each paint into a buffer of its own.
  static constexpr int kPictureRole = Qt::UserRole + 2;

  explicit ThumbnailModel(const CatalogDocument& document, QObject* parent = nullptr);

  // Each shows its items in one reset, in the order chosen (OrderThumbs). ShowDisk: every
  // thumbnail of disk `disk` (an index into the document's Disks); ShowResults: `items`, runs of
  // each disk's in catalogue order, each labelled with its disk, or with `ranked` in the order
  // given (the most alike first), which no choice of order changes; ShowNothing: no items.
  void ShowDisk(int disk);
  void ShowResults(std::vector<ThumbRef> items, bool ranked = false);
  void ShowNothing();

  bool ShowsResults() const { return results_; }
  // Orders the items shown now and later by date taken, or in catalogue order; the view's
  // selection and current item stay on the same items.
  void SetOrderByDate(bool by_date);
  bool OrdersByDate() const { return by_date_; }
  const std::vector<ThumbRef>& Items() const { return items_; }
  // The row of `item`, or -1 when it is not shown.
  int RowOf(ThumbRef item) const;

  // The stored image path of item `row`; empty when there is no such item.
  QString Name(int row) const;
  // The file name that ends it: after its last separator or drive colon.
  QString FileName(int row) const;
  // The image names of every item, in order (computed on each call).
  QStringList Names() const;

  // The index entry of item `row`, or null when there is none (or the index has changed under a
  // list that was not refreshed yet).
  const Disc* Thumb(int row) const;
  // The stored JPEG bytes of item `row`, read from the catalogue; empty when there is no such
  // item. Throws CatalogError when the catalogue's file can no longer be read.
  Bytes Jpeg(int row) const;
  // Item `row`'s stored thumbnail decoded; null when it cannot be read or does not decode (the
  // item's paint says why).
  QImage Picture(int row) const;
  // The facts stored in item `row`'s thumbnail, in words (PictureFactsText); empty when none
  // are known or it cannot be read.
  QString FactsText(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // Items are dragged out as copies only: the view's order is not the user's to change.
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

 private:
  QString DiskName(int row) const;

  const CatalogDocument& document_;
  std::vector<ThumbRef> items_;
  bool results_ = false;
  bool ranked_ = false;
  bool by_date_ = false;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_THUMBNAIL_MODEL_H_
