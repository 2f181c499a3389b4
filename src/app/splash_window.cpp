#include "app/splash_window.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScreen>

#include "app/file_association.h"

namespace quorvel {
namespace {

constexpr int kArtWidth = 680;
constexpr int kArtHeight = 312;

// A calligraphic face where the desktop has one; the title falls back to a bold italic serif.
QFont TitleFont() {
  QFont font;
  font.setFamilies({QStringLiteral("Script"), QStringLiteral("Z003"),
                    QStringLiteral("URW Chancery L"), QStringLiteral("TeX Gyre Chorus"),
                    QStringLiteral("Serif")});
  font.setStyleHint(QFont::Cursive);
  font.setItalic(true);
  font.setBold(true);
  font.setPixelSize(67);
  return font;
}

void PaintFrame(QPainter& p, const QRect& frame, int hue) {
  p.setPen(QPen(QColor(255, 255, 255, 230), 3));
  p.setBrush(Qt::white);
  p.drawRect(frame);
  const QRect picture = frame.adjusted(6, 6, -6, -6);
  QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
  sky.setColorAt(0, QColor::fromHsv(hue, 120, 250));
  sky.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 200, 150));
  p.fillRect(picture, sky);
  QPainterPath hill;
  hill.moveTo(picture.bottomLeft());
  hill.cubicTo(picture.left() + picture.width() / 3, picture.center().y(),
               picture.left() + 2 * picture.width() / 3, picture.bottom() + 10, picture.right(),
               picture.center().y() + 6);
  hill.lineTo(picture.bottomRight());
  hill.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor::fromHsv((hue + 110) % 360, 160, 110));
  p.drawPath(hill);
  p.setBrush(QColor(255, 240, 160));
  p.drawEllipse(QPoint(picture.right() - 16, picture.top() + 16), 7, 7);
}

}  // namespace

QImage SplashWindow::Artwork() {
  QImage art(kArtWidth, kArtHeight, QImage::Format_RGB888);
  QPainter p(&art);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient back(0, 0, kArtWidth, kArtHeight);
  back.setColorAt(0, QColor(18, 36, 74));
  back.setColorAt(1, QColor(58, 96, 150));
  p.fillRect(art.rect(), back);

  // A disc on the right, and the thumbnails taken from it along the bottom.
  QRadialGradient disc(QPointF(560, 120), 150);
  disc.setColorAt(0, QColor(240, 244, 250));
  disc.setColorAt(0.6, QColor(170, 190, 220));
  disc.setColorAt(1, QColor(90, 120, 170));
  p.setPen(QPen(QColor(220, 230, 245), 2));
  p.setBrush(disc);
  p.drawEllipse(QPointF(560, 120), 140, 140);
  p.setBrush(QColor(18, 36, 74));
  p.drawEllipse(QPointF(560, 120), 22, 22);
  for (int k = 0; k < 5; ++k) {
    PaintFrame(p, QRect(30 + k * 104, 210, 88, 80), 20 + k * 60);
  }
  return art;
}

SplashWindow::SplashWindow(const AssociationTarget& target, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("splash_window"));
  setFixedSize(kClientWidth, kClientHeight);

  auto* image = new QLabel(this);
  image->setObjectName(QStringLiteral("splash_artwork"));
  image->setGeometry(rect());
  image->setScaledContents(true);
  image->setPixmap(QPixmap::fromImage(Artwork()));

  auto* title = new QLabel(QStringLiteral(" Quorvel"), this);
  title->setObjectName(QStringLiteral("splash_title"));
  title->setAttribute(Qt::WA_TranslucentBackground);
  title->setFont(TitleFont());
  QPalette palette = title->palette();
  palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipBase));
  title->setPalette(palette);
  title->adjustSize();
  title->move(16, 88);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  show();
#ifdef _WIN32
  WriteRegistryAssociation(target.executable);
#else
  WriteFileAssociation(target.executable, target.data_home, target.refresh_databases);
#endif
}

}  // namespace quorvel
