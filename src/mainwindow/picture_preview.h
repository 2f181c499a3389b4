// A closer look at one thumbnail: a window of its own over the main window, showing the
// thumbnail's original picture as large as the window allows, or the thumbnail enlarged where
// the original cannot be had, with a line saying why.
#ifndef QUORVEL_MAINWINDOW_PICTURE_PREVIEW_H_
#define QUORVEL_MAINWINDOW_PICTURE_PREVIEW_H_

#include <QDialog>
#include <QImage>
#include <QString>
#include <filesystem>
#include <optional>
#include <stop_token>

class QLabel;

namespace quorvel {

class FittedPictureLabel;

class PicturePreview : public QDialog {
  Q_OBJECT

 public:
  // Non-modal, above `parent` and closed with it; it does not take the focus when shown, so
  // that the keys stay with the view whose current item it follows.
  explicit PicturePreview(QWidget* parent);
  ~PicturePreview() override;

  // Shows `thumbnail` enlarged at once, titled `file_name`. With `original` (the picture's
  // file, found here), decodes it off the UI thread at the screen's size and shows it instead
  // once decoded, unless another picture was asked for meanwhile; a file that does not decode
  // leaves the thumbnail with a line saying so. Without it, the thumbnail stays, the line
  // saying that the disk is not inserted.
  void ShowPicture(const QString& file_name, const QImage& thumbnail,
                   const std::optional<std::filesystem::path>& original);

  // The picture shown, before it is fitted to the window: the decoded original or the
  // thumbnail.
  QImage Picture() const { return picture_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void SetPicture(const QImage& picture, const QString& note);
  // Stops the decode under way, if any; its result, should it still come, is dropped.
  void DropDecode();

  FittedPictureLabel* picture_label_;
  QLabel* note_label_;
  QImage picture_;
  QImage thumbnail_;
  std::stop_source decode_stop_;
  int request_ = 0;  // counts the pictures asked for; a decode's result names its request
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_PICTURE_PREVIEW_H_
