// The add-disk page's picture of the scan: the last thumbnail stored, 100 x 100, as the user
// watches each one arrive.
#ifndef QUORVEL_ADDDISK_THUMBNAIL_PREVIEW_H_
#define QUORVEL_ADDDISK_THUMBNAIL_PREVIEW_H_

#include <QImage>
#include <QWidget>

class QPaintEvent;

namespace quorvel {

class ThumbnailPreview : public QWidget {
  Q_OBJECT

 public:
  explicit ThumbnailPreview(QWidget* parent = nullptr);

  // Shows `picture` (100 x 100) from now on; a null one shows white.
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

}  // namespace quorvel

#endif  // QUORVEL_ADDDISK_THUMBNAIL_PREVIEW_H_
