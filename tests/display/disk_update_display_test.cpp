// A catalogued disk on a real medium, on a real X server: a vfat image mounted at another folder
// than the one it was catalogued from is recognised while the window is open, marked in the disk
// list, and updated from its context menu with the pointer, reading only the picture added.
// Mounting needs root; elsewhere the test skips. A kernel without vfat (a container's) gets an
// ext2 image instead, so that the window's part is still tried there.
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "adddisk/add_disk_page.h"
#include "adddisk/options_dialog.h"
#include "app/startup.h"
#include "display/screen_grab.h"
#include "mainwindow/disk_list_model.h"
#include "mainwindow/window_fixture.h"
#include "scan/thumbnail_pipeline.h"
#include "settings/settings_state.h"

namespace quorvel {
namespace {

using testkit::SettledScreenImage;

int Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(program, arguments);
  if (!process.waitForFinished(60000)) return -1;
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Input through the X server, as a mouse gives it.
void Pointer(QWidget* widget, QPoint at, const QStringList& clicks) {
  const QPoint global = widget->mapToGlobal(at);
  QStringList args{"mousemove", QString::number(global.x()), QString::number(global.y())};
  args << clicks;
  QVERIFY2(Run(QStringLiteral("xdotool"), args) == 0,
           qPrintable(QStringLiteral("xdotool ") + args.join(' ')));
}

void WritePicture(const QString& path, int seed) {
  QImage image(320, 240, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      image.setPixel(x, y, qRgb((x + seed * 40) % 256, (y * seed) % 256, (x + y) % 256));
    }
  }
  QVERIFY(image.save(path));
}

// How many pixels of `icon`, put at its best place within `area` of `screen` over what the
// screen shows at the area's right end on the same line (the row's background), the screen
// shows in their colour; 0 to 1.
double IconShown(const QImage& screen, const QRect& area, const QImage& icon) {
  const auto close = [](int a, int b) { return std::abs(a - b) <= 16; };
  double best = 0;
  for (int dy = 0; dy + icon.height() <= area.height(); ++dy) {
    for (int dx = 0; dx + icon.width() <= area.width(); ++dx) {
      int same = 0;
      for (int y = 0; y < icon.height(); ++y) {
        const int line = area.top() + dy + y;
        const QRgb back = screen.pixel(area.right() - 2, line);
        for (int x = 0; x < icon.width(); ++x) {
          const QRgb front = icon.pixel(x, y);
          const int alpha = qAlpha(front);
          const auto blend = [alpha](int f, int b) {
            return (f * alpha + b * (255 - alpha)) / 255;
          };
          const QRgb got = screen.pixel(area.left() + dx + x, line);
          if (close(qRed(got), blend(qRed(front), qRed(back))) &&
              close(qGreen(got), blend(qGreen(front), qGreen(back))) &&
              close(qBlue(got), blend(qBlue(front), qBlue(back)))) {
            ++same;
          }
        }
      }
      best = std::max(best, double(same) / (icon.width() * icon.height()));
    }
  }
  return best;
}

}  // namespace

class DiskUpdateDisplayTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void aDiskMountedElsewhereIsRecognisedAndUpdatedFromThere();

 private:
  // Makes the image a `type` file system and mounts it at `folder`; false when either fails.
  bool Format(const QString& type, const QString& folder) {
    type_ = type;
    const int made = type == QStringLiteral("vfat")
                         ? Run(QStringLiteral("mkfs.vfat"), {"-n", "QRVTEST", image_})
                         : Run(QStringLiteral("mkfs.ext2"), {"-q", "-F", image_});
    return made == 0 && Mount(folder);
  }
  // Mounts the image at `folder`; false when the system refuses.
  bool Mount(const QString& folder) {
    if (Run(QStringLiteral("mount"), {"-o", "loop", "-t", type_, image_, folder}) != 0) {
      return false;
    }
    mounted_.append(folder);
    return true;
  }
  void Unmount(const QString& folder) {
    if (mounted_.removeAll(folder) > 0) Run(QStringLiteral("umount"), {folder});
  }

  std::unique_ptr<QTemporaryDir> dir_;
  QString image_;
  QString type_;  // the image's file system
  QStringList mounted_;
};

void DiskUpdateDisplayTest::init() {
  if (geteuid() != 0) QSKIP("mounting a disk image needs root");
  dir_ = std::make_unique<QTemporaryDir>();
  image_ = dir_->filePath(QStringLiteral("disk.img"));
  if (Run(QStringLiteral("dd"),
          {"if=/dev/zero", "of=" + image_, "bs=1M", "count=8", "status=none"}) != 0) {
    QSKIP("no room for a disk image");
  }
}

void DiskUpdateDisplayTest::cleanup() {
  // However the test ended, nothing stays mounted.
  for (const QString& folder : QStringList(mounted_)) Unmount(folder);
  dir_.reset();
}

void DiskUpdateDisplayTest::aDiskMountedElsewhereIsRecognisedAndUpdatedFromThere() {
  const QString first = dir_->filePath(QStringLiteral("tmp/m1"));
  const QString second = dir_->filePath(QStringLiteral("tmp/m2"));
  QVERIFY(QDir().mkpath(first) && QDir().mkpath(second));
  if (!Format(QStringLiteral("vfat"), first) && !Format(QStringLiteral("ext2"), first)) {
    QSKIP("no file system image can be made and mounted here (mkfs.vfat, mount -o loop)");
  }
  qInfo("the medium is %s", qPrintable(type_));
  // At the medium's top, so that the folder it is found at is the one it is mounted at.
  for (int k = 1; k <= 3; ++k) WritePicture(first + QStringLiteral("/p%1.png").arg(k), k);

  const QString catalogue = dir_->filePath(QStringLiteral("c.qrv"));
  testkit::WriteFile(QStringToPath(catalogue), testkit::BuildCatalog({}));
  QCOMPARE(Run(QStringLiteral(QRVTOOL_PATH), {"add", catalogue, first, "Отпуск"}), 0);
  Unmount(first);

  // The program's windows, connected as start-up connects them.
  RecordingPrompts prompts;
  CatalogDocument document;
  SettingsState settings({QStringToPath(dir_->filePath(QStringLiteral("quorvel.ini"))),
                          QStringToPath(dir_->filePath(QStringLiteral("Cat.dat")))});
  MainWindow window(document, prompts, settings.paths().ini_file, settings.opening());
  window.OpenStartupCatalog(catalogue);
  window.resize(700, 400);
  window.show();
  OptionsDialog dialog(settings, prompts, DialogLinks(document, window), &window);
  dialog.add_disk_page()->SetPipeline(std::make_unique<ThumbnailPipeline>());
  ConnectDialog(window, dialog);
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  auto* list = window.findChild<QTreeView*>(QStringLiteral("disk_list"));
  const QModelIndex row = list->model()->index(0, 0);
  QCOMPARE(row.data().toString(), QStringLiteral("Отпуск"));
  QVERIFY(!row.data(Qt::DecorationRole).isValid());

  // Mounted elsewhere while the window is open.
  QVERIFY(Mount(second));
  QTRY_COMPARE_WITH_TIMEOUT(StatusText(window),
                            QStringLiteral("Диск \"Отпуск\" вставлен: %1").arg(second), 15000);
  const QIcon mark = row.data(Qt::DecorationRole).value<QIcon>();
  QVERIFY(!mark.isNull());
  QCOMPARE(row.data(Qt::ToolTipRole).toString(), QStringLiteral("Вставлен: %1").arg(second));
  // The screen shows the mark in the row's name cell.
  const QImage screen = SettledScreenImage(list->viewport());
  const QSize icon_size = list->iconSize().isValid()
                              ? list->iconSize()
                              : QSize(list->style()->pixelMetric(QStyle::PM_SmallIconSize),
                                      list->style()->pixelMetric(QStyle::PM_SmallIconSize));
  // The row is selected: the style draws the icon in its selected look.
  const QIcon::Mode look =
      list->selectionModel()->isRowSelected(row.row()) ? QIcon::Selected : QIcon::Normal;
  const QImage icon = mark.pixmap(icon_size, list->devicePixelRatioF(), look)
                          .toImage()
                          .convertToFormat(QImage::Format_ARGB32);
  const QRect cell = list->visualRect(row);
  const double shown = IconShown(screen, cell.intersected(screen.rect()), icon);
  if (shown < 0.9) {
    QFAIL(qPrintable(QStringLiteral("the drive icon is not on screen (%1 of its pixels); %2")
                         .arg(shown)
                         .arg(testkit::KeepForInspection("drive-mark", screen, icon))));
  }

  // A picture added on the medium; the disk updated from its context menu.
  WritePicture(second + QStringLiteral("/p4.png"), 4);
  Pointer(list->viewport(), cell.center(), {"click", "1", "click", "3"});
  auto* menu = window.findChild<QMenu*>(QStringLiteral("disk_menu"));
  QTRY_VERIFY(menu->isVisible());
  QAction* update = window.findChild<QAction*>(QStringLiteral("UpdateDisk"));
  QVERIFY(update->isEnabled());
  Pointer(menu, menu->actionGeometry(update).center(), {"click", "1"});
  QTRY_VERIFY(dialog.isVisible());
  auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("disk_name_edit"));
  QCOMPARE(name->text(), QStringLiteral("Отпуск"));
  QVERIFY(name->isReadOnly());
  QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("folder_edit"))->text(), second);
  auto* ok = dialog.findChild<QAbstractButton*>(QStringLiteral("start_button"));
  SettledScreenImage(&dialog);
  Pointer(ok, ok->rect().center(), {"click", "1"});
  const QString counts = QStringLiteral("Новых: 1, изменённых: 0, удалённых: 0, без изменений: 3.");
  QTRY_VERIFY_WITH_TIMEOUT(prompts.Texts(QStringLiteral("inform")).contains(counts) ||
                               prompts.Texts(QStringLiteral("warn")).contains(counts),
                           30000);
  QVERIFY(!dialog.isVisible());
  QCOMPARE(document.Index().Disks.at(0).ThumbCount, 4);
  QCOMPARE(list->model()->index(0, DiskListModel::kThumbCountColumn).data().toString(),
           QStringLiteral("4"));

  // One change: undone by Ctrl+Z, typed on the keyboard.
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QVERIFY(Run(QStringLiteral("xdotool"), {"key", "ctrl+z"}) == 0);
  QTRY_COMPARE(document.Index().Disks.at(0).ThumbCount, 3);
  QVERIFY(prompts.unexpected.isEmpty());
}

}  // namespace quorvel

QTEST_MAIN(quorvel::DiskUpdateDisplayTest)
#include "disk_update_display_test.moc"
