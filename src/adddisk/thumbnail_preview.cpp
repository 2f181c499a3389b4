#include "adddisk/thumbnail_preview.h"

#include <QPaintEvent>
#include <QPainter>

#include "catalog/format.h"

namespace quorvel {

ThumbnailPreview::ThumbnailPreview(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("thumbnail_preview"));
  setFixedSize(kThumbSide, kThumbSide);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ThumbnailPreview::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void ThumbnailPreview::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::white);
  if (!picture_.isNull()) painter.drawImage(0, 0, picture_);
}

}  // namespace quorvel
