// The splash window and the file association it writes, with a data folder of the test's own.
#include "app/startup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "app/file_association.h"
#include "app/splash_window.h"
#include "mainwindow/main_window.h"
#include "platform/path_text.h"
#include "platform/user_prompts.h"
#include "settings/ini_file.h"

namespace quorvel {
namespace {

QString ReadText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("<missing>");
  return QString::fromUtf8(file.readAll());
}

// Records the errors it is shown; start-up asks nothing else without a person.
class ErrorPrompts : public UserPrompts {
 public:
  void Warn(QWidget*, const QString&, const QString& text) override { errors.append(text); }
  void Error(QWidget*, const QString&, const QString& text) override { errors.append(text); }
  void Inform(QWidget*, const QString&, const QString&) override {}
  Answer AskYesNoCancel(QWidget*, const QString&, const QString&) override { return Answer::kNo; }
  Answer WarnYesNo(QWidget*, const QString&, const QString&) override { return Answer::kNo; }
  Answer ConfirmYesNo(QWidget*, const QString&, const QString&) override { return Answer::kNo; }
  std::optional<QString> InputText(QWidget*, const QString&, const QString&,
                                   const QString&) override {
    return std::nullopt;
  }
  QString ChooseFile(QFileDialog*) override { return {}; }
  QString ChooseFolder(QWidget*, const QString&, const QString&) override { return {}; }
  QStringList errors;
};

StartupOptions Options(const QTemporaryDir& dir, QStringList* steps) {
  StartupOptions options;
  options.settings = {QStringToPath(dir.filePath("quorvel.ini")),
                      QStringToPath(dir.filePath("Cat.dat"))};
  options.association = {"/usr/bin/quorvel", QStringToPath(dir.filePath("share")), false};
  options.image_formats = [] { return QList<QByteArray>{"gif", "jpeg", "jpg", "png"}; };
  options.trace = [steps](const QString& step) { steps->append(step); };
  return options;
}

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void execArgumentsSurviveBlanksAndQuotes();
  void associationNamesTheRunningProgram();
  void splashWindowLooksAsDesignedAndWritesTheAssociation();
  void windowsComeAndGoInTheirOrder();
  void withoutImageReadersNothingStarts();
};

void StartupTest::windowsComeAndGoInTheirOrder() {
  QTemporaryDir dir;
  QStringList steps;
  StartupOptions options = Options(dir, &steps);
  bool splash_gone_when_main_shown = false;
  options.running = [&](QWidget* main_window) {
    splash_gone_when_main_shown = QApplication::topLevelWidgets().size() > 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == QStringLiteral("splash_window")) splash_gone_when_main_shown = false;
    }
    steps.append(main_window->isVisible() ? "running" : "running hidden");
    main_window->close();
  };
  ErrorPrompts prompts;
  QCOMPARE(RunQuorvel(options, prompts), 0);
  QCOMPARE(steps, QStringList({"renderer", "splash", "splash closed", "main window", "dialog",
                               "running", "event loop ended"}));
  QVERIFY(splash_gone_when_main_shown);
  QVERIFY(prompts.errors.isEmpty());
  QVERIFY(QFile::exists(dir.filePath("share/applications/quorvel.desktop")));
  // At exit both windows wrote their part of the settings: the dialog's keys and the name.
  const IniFile ini = IniFile::Load(QStringToPath(dir.filePath("quorvel.ini")));
  QCOMPARE(ini.ReadString("Form", "Catalogname", "<none>"), std::string());
  QVERIFY(QFile::exists(dir.filePath("Cat.dat")));
  QVERIFY(QFileInfo(dir.filePath("quorvel.ini")).size() > 20);
}

void StartupTest::withoutImageReadersNothingStarts() {
  QTemporaryDir dir;
  QStringList steps;
  StartupOptions options = Options(dir, &steps);
  options.image_formats = [] { return QList<QByteArray>{"bmp", "jpeg"}; };
  options.running = [](QWidget* w) { w->close(); };
  ErrorPrompts prompts;
  QCOMPARE(RunQuorvel(options, prompts), 1);
  QCOMPARE(steps, QStringList({"no renderer"}));
  QCOMPARE(prompts.errors.size(), 1);
  QVERIFY2(prompts.errors[0].contains(QStringLiteral("png")), qPrintable(prompts.errors[0]));
  QVERIFY(!prompts.errors[0].contains(QStringLiteral("jpeg")));
  QVERIFY(QApplication::topLevelWidgets().isEmpty());
  QVERIFY(!QFile::exists(dir.filePath("quorvel.ini")));
  QVERIFY(!QFile::exists(dir.filePath("Cat.dat")));
  QVERIFY(!QDir(dir.filePath("share")).exists());
}

void StartupTest::execArgumentsSurviveBlanksAndQuotes() {
  QCOMPARE(DesktopExecArgument("/usr/bin/quorvel"), QStringLiteral("/usr/bin/quorvel"));
  QCOMPARE(DesktopExecArgument("/opt/My Apps/quorvel"), QStringLiteral("\"/opt/My Apps/quorvel\""));
  // Inside quotes ", `, $ and \ take a backslash; the key's value doubles every backslash.
  QCOMPARE(DesktopExecArgument("/a \"b\"/$x`\\y"),
           QStringLiteral("\"/a \\\\\"b\\\\\"/\\\\$x\\\\`\\\\\\\\y\""));
  // A '%' would start a field code, and the key's value holds a tab or a line break only as an
  // escape.
  QCOMPARE(DesktopExecArgument("/tmp/p100%x/quorvel"), QStringLiteral("/tmp/p100%%x/quorvel"));
  QCOMPARE(DesktopExecArgument("/a\tb\nc%"), QStringLiteral("\"/a\\tb\\nc%%\""));
  const QString entry = DesktopEntryText("/opt/My Apps/quorvel");
  QVERIFY(entry.contains(QStringLiteral("\nExec=\"/opt/My Apps/quorvel\" %f\n")));
  QVERIFY(DesktopEntryText("/tmp/p100%x/quorvel")
              .contains(QStringLiteral("\nExec=env /tmp/p100%%x/quorvel %f\n")));
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
  QCOMPARE(splash.objectName(), QStringLiteral("splash_window"));
  QCOMPARE(splash.size(), QSize(387, 245));
  QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
  auto* image = splash.findChild<QLabel*>(QStringLiteral("splash_artwork"));
  QVERIFY(image != nullptr && image->hasScaledContents());
  QCOMPARE(image->geometry(), QRect(0, 0, 387, 245));
  const QImage art = SplashWindow::Artwork();
  QCOMPARE(art.size(), QSize(680, 312));
  QCOMPARE(art.depth(), 24);
  auto* title = splash.findChild<QLabel*>(QStringLiteral("splash_title"));
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
