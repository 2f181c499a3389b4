// The splash window and the file association it writes, with a data folder of the test's own.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "app/file_association.h"
#include "app/splash_window.h"
#include "platform/path_text.h"

namespace quorvel {
namespace {

QString ReadText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("<missing>");
  return QString::fromUtf8(file.readAll());
}

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void execArgumentsSurviveBlanksAndQuotes();
  void associationNamesTheRunningProgram();
  void splashWindowLooksAsDesignedAndWritesTheAssociation();
};

void StartupTest::execArgumentsSurviveBlanksAndQuotes() {
  QCOMPARE(DesktopExecArgument("/usr/bin/quorvel"), QStringLiteral("/usr/bin/quorvel"));
  QCOMPARE(DesktopExecArgument("/opt/My Apps/quorvel"), QStringLiteral("\"/opt/My Apps/quorvel\""));
  // Inside quotes ", `, $ and \ take a backslash; the key's value doubles every backslash.
  QCOMPARE(DesktopExecArgument("/a \"b\"/$x"), QStringLiteral("\"/a \\\\\"b\\\\\"/\\\\$x\""));
  const QString entry = DesktopEntryText("/opt/My Apps/quorvel");
  QVERIFY(entry.contains(QStringLiteral("\nExec=\"/opt/My Apps/quorvel\" %f\n")));
  QVERIFY(entry.contains(QStringLiteral("\nName=Open With Quorvel\n")));
  QVERIFY(entry.contains(QStringLiteral("\nMimeType=application/x-quorvel-catalog;\n")));
  QVERIFY(entry.contains(QStringLiteral("\nIcon=quorvel\n")));
}

void StartupTest::associationNamesTheRunningProgram() {
  QTemporaryDir home;
  const QDir dir(home.path());
  WriteFileAssociation("/first/quorvel", QStringToPath(home.path()), false);
  const QString entry = dir.filePath("applications/quorvel.desktop");
  QVERIFY(ReadText(entry).contains(QStringLiteral("Exec=/first/quorvel %f")));
  const QString mime = ReadText(dir.filePath("mime/packages/quorvel.xml"));
  QVERIFY(mime.contains(QStringLiteral("<glob pattern=\"*.qrv\"/>")));
  QVERIFY(mime.contains(QStringLiteral("value=\"Ctlg\"")));
  QVERIFY(QFile::exists(dir.filePath("icons/hicolor/scalable/apps/quorvel.svg")));

  // A copy started from elsewhere points the association at itself.
  WriteFileAssociation("/moved here/quorvel", QStringToPath(home.path()), false);
  QVERIFY(ReadText(entry).contains(QStringLiteral("Exec=\"/moved here/quorvel\" %f")));
  QVERIFY(!ReadText(entry).contains(QStringLiteral("/first/")));

  // A data folder that cannot be written is passed over without a word.
  QFile blocker(dir.filePath("blocked"));
  QVERIFY(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  WriteFileAssociation("/x/quorvel", QStringToPath(dir.filePath("blocked")), false);
}

void StartupTest::splashWindowLooksAsDesignedAndWritesTheAssociation() {
  QTemporaryDir home;
  const SplashWindow splash(
      AssociationTarget{"/usr/bin/quorvel", QStringToPath(home.path()), false});
  QVERIFY(splash.isVisible());
  QCOMPARE(splash.objectName(), QStringLiteral("TForm2"));
  QCOMPARE(splash.size(), QSize(387, 245));
  QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
  auto* image = splash.findChild<QLabel*>(QStringLiteral("Image1"));
  QVERIFY(image != nullptr && image->hasScaledContents());
  QCOMPARE(image->geometry(), QRect(0, 0, 387, 245));
  const QImage art = SplashWindow::Artwork();
  QCOMPARE(art.size(), QSize(680, 312));
  QCOMPARE(art.depth(), 24);
  auto* title = splash.findChild<QLabel*>(QStringLiteral("Label1"));
  QVERIFY(title != nullptr);
  QCOMPARE(title->text(), QStringLiteral(" Quorvel"));
  QCOMPARE(title->pos(), QPoint(16, 88));
  QCOMPARE(title->font().pixelSize(), 67);
  QVERIFY(title->font().bold());
  QCOMPARE(title->palette().color(QPalette::WindowText),
           title->palette().color(QPalette::ToolTipBase));
  QVERIFY(QFile::exists(QDir(home.path()).filePath("applications/quorvel.desktop")));
}

}  // namespace quorvel

QTEST_MAIN(quorvel::StartupTest)
#include "startup_test.moc"
