#include "mainwindow/picture_preview.h"

#include <QFuture>
#include <QKeyEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QtConcurrent>
#include <algorithm>
#include <utility>

#include "platform/path_text.h"
#include "scan/thumbnail_renderer.h"

namespace quorvel {
namespace {

// The first size, where the screen has room for it.
constexpr QSize kFirstSize(800, 600);

}  // namespace

// A picture label that fits its picture to its own size, keeping the aspect ratio, whenever
// either changes; it asks for no size of its own, so that a large picture never grows the
// window.
class FittedPictureLabel : public QLabel {
 public:
  explicit FittedPictureLabel(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setMinimumSize(1, 1);
  }

  void SetPicture(const QImage& picture) {
    picture_ = picture;
    Fit();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Fit();
  }

 private:
  void Fit() {
    if (picture_.isNull()) {
      clear();
      return;
    }
    const qreal ratio = devicePixelRatioF();
    QPixmap fitted = QPixmap::fromImage(
        picture_.scaled(size() * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    fitted.setDevicePixelRatio(ratio);
    setPixmap(fitted);
  }

  QImage picture_;
};

PicturePreview::PicturePreview(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("picture_preview"));
  setModal(false);
  setAttribute(Qt::WA_ShowWithoutActivating);
  picture_label_ = new FittedPictureLabel(this);
  picture_label_->setObjectName(QStringLiteral("preview_picture"));
  note_label_ = new QLabel(this);
  note_label_->setObjectName(QStringLiteral("preview_note"));
  note_label_->setAlignment(Qt::AlignCenter);
  note_label_->hide();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(picture_label_, 1);
  layout->addWidget(note_label_);
  const QSize room = screen()->availableSize() * 3 / 4;
  resize(kFirstSize.boundedTo(room));
}

PicturePreview::~PicturePreview() { DropDecode(); }

void PicturePreview::ShowPicture(const QString& file_name, const QImage& thumbnail,
                                 const std::optional<std::filesystem::path>& original) {
  DropDecode();
  setWindowTitle(file_name);
  picture_label_->setAccessibleName(file_name);
  thumbnail_ = thumbnail;
  SetPicture(thumbnail_, original ? QString() : QStringLiteral("Диск не вставлен: показан эскиз"));
  if (!original) return;

  // The screen's size bounds the decode: a reader that can decode smaller (libjpeg's DCT
  // scaling, a camera's preview) then never decodes the whole of a large picture.
  const QSize screen_size = screen()->size() * screen()->devicePixelRatio();
  const int side = std::max(screen_size.width(), screen_size.height());
  const int request = request_;
  QtConcurrent::run([path = PathToQString(*original), side, stop = decode_stop_.get_token()] {
    return LoadFittedPicture(path, side, nullptr, stop);
  }).then(this, [this, request](const QImage& picture) {
    // The current item has moved on, or the window was closed, since this was asked for.
    if (request != request_) return;
    if (picture.isNull()) {
      SetPicture(thumbnail_, QStringLiteral("Не удалось прочитать файл: показан эскиз"));
    } else {
      SetPicture(picture, QString());
    }
  });
}

void PicturePreview::SetPicture(const QImage& picture, const QString& note) {
  picture_ = picture;
  picture_label_->SetPicture(picture_);
  note_label_->setText(note);
  note_label_->setVisible(!note.isEmpty());
}

void PicturePreview::DropDecode() {
  decode_stop_.request_stop();
  decode_stop_ = std::stop_source();
  ++request_;
}

void PicturePreview::keyPressEvent(QKeyEvent* event) {
  // Space closes it as it opened it; Escape closes it as any dialog.
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QDialog::keyPressEvent(event);
}

void PicturePreview::hideEvent(QHideEvent* event) {
  DropDecode();
  QDialog::hideEvent(event);
}

}  // namespace quorvel
