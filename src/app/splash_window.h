// The splash window, on the screen while the main window loads its catalogue. Creating it
// writes the file association.
#ifndef QUORVEL_APP_SPLASH_WINDOW_H_
#define QUORVEL_APP_SPLASH_WINDOW_H_

#include <QImage>
#include <QWidget>
#include <filesystem>

namespace quorvel {

// Where the association goes: the program it names and the user's data folder.
struct AssociationTarget {
  QString executable;
  std::filesystem::path data_home;  // empty: write nothing
  bool refresh_databases = true;
};

class SplashWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 387;
  static constexpr int kClientHeight = 245;

  // Shows itself at once, centred, and writes the association for `target`.
  explicit SplashWindow(const AssociationTarget& target, QWidget* parent = nullptr);

  // The artwork: 680 x 312 pixels, 24 bits per pixel, stretched over the window.
  static QImage Artwork();
};

}  // namespace quorvel

#endif  // QUORVEL_APP_SPLASH_WINDOW_H_
