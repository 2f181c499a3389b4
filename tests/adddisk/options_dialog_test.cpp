// The options dialog over settings files in a temporary folder, created and destroyed as the
// program does it, beside the main window where the catalogue-opening option is at stake.
#include "adddisk/options_dialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "adddisk/add_disk_page.h"
#include "dialog_fixture.h"
#include "settings/settings_page.h"

namespace quorvel {
namespace {

const QByteArray kFirstExitIni =
    "[form]\r\nradiogroupindex=0\r\nEdit3=\r\nEdit4=100\r\nEdit1=/media/me/CD\r\nEdit4EN=0\r\n\r\n"
    "[checkbox2]\r\nChecked=0\r\n\r\n[checkbox1]\r\nChecked=1\r\n"
    "\r\n[checkbox3]\r\nChecked=1\r\n";

}  // namespace

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void windowOfTheDialog();
  void controlsOfTheAddDiskPage_data();
  void controlsOfTheAddDiskPage();
  void thumbnailPreviewTakesItsPlaceHidden();
  void tabWalksTheAddDiskPageInReadingOrderAndEscapeCloses();
  void firstStart();
  void storedSettingsAreShown();
  void theScanGetsTheListIn1251();
  void addDiskPageOnlyWithACatalogue();
  void plusThenCancelThenPlusThenOkAndExit();
  void anUneditedItemComesBackEmpty();
  void titleBarCloseKeepsTheChanges();
  void eachShowingTakesANewSnapshot();
  void optionTwoThenZeroWritesNoCatalogueName();
  void optionOneKeepsTheNameWithNoCatalogueOpen();
  void optionOneWritesTheOpenCatalogue();
  void storedOptionTwoWithAnEmptyPath();
  void storedOptionOutOfRangeIsWrittenBackClamped_data();
  void storedOptionOutOfRangeIsWrittenBackClamped();
  void unreadableSettingsAreToldAndKept();
};

void OptionsDialogTest::windowOfTheDialog() {
  Program p;
  p.catalogue_open = true;
  p.CreateDialog();
  QVERIFY2(!p.dialog->isVisible(), "the dialog is created hidden");
  QCOMPARE(p.dialog->objectName(), QStringLiteral("options_dialog"));
  QCOMPARE(p.dialog->windowTitle(), QStringLiteral("Параметры"));
  QVERIFY(p.dialog->isWindow());
  QVERIFY(p.dialog->windowFlags() & Qt::WindowMinimizeButtonHint);
  QVERIFY(p.dialog->windowFlags() & Qt::WindowSystemMenuHint);
  QVERIFY(!(p.dialog->windowFlags() & Qt::WindowMaximizeButtonHint));

  p.dialog->ShowPage(OptionsDialog::kAddDiskPage);
  QVERIFY(QTest::qWaitForWindowExposed(p.dialog.get()));
  QCOMPARE(p.dialog->windowModality(), Qt::NonModal);
  QVERIFY(QApplication::activeModalWidget() == nullptr);
  QCOMPARE(p.dialog->frameGeometry().size(), QSize(393, 498));
  const QPoint offset =
      p.dialog->frameGeometry().center() - p.dialog->screen()->availableGeometry().center();
  QVERIFY2(offset.manhattanLength() <= 2, "the dialog is not centred on its screen");

  QTabWidget* pages = p.Pages();
  QVERIFY(pages != nullptr);
  QCOMPARE(pages->count(), 2);
  QCOMPARE(pages->tabText(0), QStringLiteral("Добавить диск"));
  QCOMPARE(pages->tabText(1), QStringLiteral("Настройки"));
  QCOMPARE(pages->widget(0)->objectName(), QStringLiteral("add_disk_page"));
  QCOMPARE(pages->widget(1)->objectName(), QStringLiteral("settings_page"));
  QCOMPARE(pages->currentIndex(), 0);
  // Everything laid out on the pages is inside them.
  for (int page = 0; page < 2; ++page) {
    pages->setCurrentIndex(page);
    const QRect inside = pages->widget(page)->rect();
    for (QWidget* child : pages->widget(page)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (child->isWindow()) continue;
      QVERIFY2(inside.contains(child->geometry()), qPrintable(child->objectName()));
    }
  }
}

void OptionsDialogTest::controlsOfTheAddDiskPage_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("place");  // a label sized by its text: only the corner counts
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("enabled");
  const auto row = [](const char* name, QRect place, const QString& text, bool enabled = true) {
    QTest::newRow(name) << QString::fromLatin1(name) << place << text << enabled;
  };
  const auto corner = [](int left, int top) { return QRect(left, top, -1, -1); };
  row("folder_label", corner(8, 8), QStringLiteral("Папка:"));
  row("folder_edit", QRect(8, 24, 313, 21), QString::fromLatin1(Program::kFirstFolder));
  row("folder_button", QRect(328, 24, 23, 22), QString());
  row("subfolders_box", QRect(8, 56, 97, 17), QStringLiteral("Поддиректории"));
  row("disk_name_label", corner(8, 80), QStringLiteral("Название диска"));
  // Showing proposes a name; with no disk count in sight it is the first disk.
  row("disk_name_edit", QRect(8, 96, 345, 21), QStringLiteral("Диск 1"));
  row("progress_bar", QRect(8, 232, 345, 17), QString());
  row("timeout_box", QRect(8, 256, 153, 17), QStringLiteral("Пропустить если прошло"));
  row("timeout_edit", QRect(160, 256, 41, 21), QStringLiteral("100"), false);
  row("timeout_unit_label", corner(208, 256), QStringLiteral("ms"));
  row("status_line", QRect(8, 280, 345, 19), QString());
  row("counter_line", corner(8, 304), QString());
  row("skip_button", QRect(8, 332, 137, 25), QStringLiteral("Пропустить"));
  row("show_folder_button", QRect(8, 364, 137, 25), QStringLiteral("Открыть в проводнике"));
  row("start_button", QRect(192, 388, 75, 25), QStringLiteral("OK"));
  row("cancel_button", QRect(278, 388, 75, 25), QStringLiteral("Отмена"));
}

void OptionsDialogTest::controlsOfTheAddDiskPage() {
  QFETCH(QString, name);
  QFETCH(QRect, place);
  QFETCH(QString, text);
  QFETCH(bool, enabled);
  Program p;
  p.catalogue_open = true;
  p.CreateDialog();
  p.dialog->ShowPage(OptionsDialog::kAddDiskPage);
  QVERIFY(QTest::qWaitForWindowExposed(p.dialog.get()));

  QWidget* page = p.Child<QWidget>("add_disk_page");
  auto* control = page->findChild<QWidget*>(name);
  QVERIFY(control != nullptr);
  QCOMPARE(control->parentWidget(), page);
  // A control whose text this desktop's font would cut is wider (form_texts_test checks that
  // every text fits); the time-out field and its unit make room for their check box.
  const int timeout_box_growth = page->findChild<QWidget*>(QStringLiteral("timeout_box"))->width() -
                                 QRect(8, 256, 153, 17).width();
  if (name == QStringLiteral("timeout_edit") || name == QStringLiteral("timeout_unit_label")) {
    place.translate(timeout_box_growth, 0);
  }
  if (place.width() < 0) {
    QCOMPARE(control->pos(), place.topLeft());
  } else if (qobject_cast<QAbstractButton*>(control) != nullptr && !text.isEmpty()) {
    QCOMPARE(control->pos(), place.topLeft());
    QCOMPARE(control->height(), place.height());
    QVERIFY(control->width() >= place.width());
  } else {
    QCOMPARE(control->geometry(), place);
  }
  if (auto* label = qobject_cast<QLabel*>(control)) {
    QCOMPARE(label->text(), text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    QCOMPARE(edit->text(), text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    QCOMPARE(button->text(), text);
  }
  QCOMPARE(control->isEnabled(), enabled);
  QVERIFY(control->isVisible());

  if (qobject_cast<QToolButton*>(control) != nullptr) {
    QCOMPARE(control->focusPolicy(), Qt::TabFocus);
  }
  if (name == QStringLiteral("folder_button")) {
    auto* glyph = static_cast<QToolButton*>(control);
    QVERIFY(!glyph->icon().isNull());
    QCOMPARE(glyph->iconSize(), QSize(16, 16));
  }
  if (name == QStringLiteral("progress_bar")) {
    auto* bar = static_cast<QProgressBar*>(control);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
  }
  if (name == QStringLiteral("status_line")) {
    auto* status = static_cast<QLineEdit*>(control);
    QVERIFY(status->isReadOnly());
    QVERIFY(!status->hasFrame());
    QCOMPARE(status->palette().color(QPalette::Base), status->palette().color(QPalette::Button));
  }
  if (name == QStringLiteral("subfolders_box")) {
    QVERIFY(static_cast<QCheckBox*>(control)->isChecked());
  }
  if (name == QStringLiteral("timeout_box")) {
    QVERIFY(!static_cast<QCheckBox*>(control)->isChecked());
  }
}

void OptionsDialogTest::thumbnailPreviewTakesItsPlaceHidden() {
  Program p;
  p.catalogue_open = true;
  p.CreateDialog();
  QWidget* preview = p.Child<QWidget>("thumbnail_preview");
  QVERIFY(preview != nullptr);
  QCOMPARE(preview->parentWidget(), p.Child<QWidget>("add_disk_page"));
  QCOMPARE(preview->geometry(), QRect(8, 123, 100, 100));
  QVERIFY(!preview->isVisibleTo(p.dialog.get()));
}

void OptionsDialogTest::tabWalksTheAddDiskPageInReadingOrderAndEscapeCloses() {
  Program p;
  p.Start(p.Catalogue());
  p.dialog->ShowPage(OptionsDialog::kAddDiskPage);
  QVERIFY(QTest::qWaitForWindowActive(p.dialog.get()));
  QLineEdit* folder = p.Edit("folder_edit");
  folder->setFocus(Qt::TabFocusReason);
  QStringList reached;
  for (int step = 0; step < 20; ++step) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    if (QApplication::focusWidget() == folder) break;
    reached.append(QApplication::focusWidget()->objectName());
  }
  QCOMPARE(reached, QStringList({"folder_button", "subfolders_box", "disk_name_edit", "timeout_box",
                                 "status_line", "skip_button", "show_folder_button", "start_button",
                                 "cancel_button", "qt_tabwidget_tabbar"}));

  QTest::keyClick(p.Child<QWidget>("skip_button"), Qt::Key_Escape);
  QVERIFY(!p.dialog->isVisible());
  p.Exit();
}

void OptionsDialogTest::firstStart() {
  Program p;
  p.CreateDialog();
  QCOMPARE(p.Edit("folder_edit")->text(), QString::fromLatin1(Program::kFirstFolder));
  QVERIFY(p.Child<QCheckBox>("subfolders_box")->isChecked());
  QVERIFY(!p.Child<QCheckBox>("timeout_box")->isChecked());
  QCOMPARE(p.Edit("timeout_edit")->text(), QStringLiteral("100"));
  QVERIFY(!p.Edit("timeout_edit")->isEnabled());
  QCOMPARE(p.dialog->settings_page()->OpeningOption(), 0);
  QVERIFY(!p.Edit("fixed_catalog_edit")->isEnabled());
  QVERIFY(!p.Child<QWidget>("fixed_catalog_button")->isEnabled());
  QCOMPARE(p.List()->count(), 0);
  QCOMPARE(p.Read(QStringLiteral("Cat.dat")), QByteArray());
  QVERIFY2(!QFile::exists(p.dir.filePath(QStringLiteral("quorvel.ini"))),
           "the settings are written at exit, not before");
  QVERIFY(p.prompts.warnings.isEmpty());

  p.Exit();
  QCOMPARE(p.Read(QStringLiteral("quorvel.ini")), kFirstExitIni);
  QCOMPARE(p.Read(QStringLiteral("Cat.dat")), QByteArray());
}

void OptionsDialogTest::storedSettingsAreShown() {
  Program p(
      "[Form]\r\nEdit1=/media/\xE4\xE8\xF1\xEA\r\nEdit4=250\r\nEdit4EN=1\r\n"
      "[CheckBox2]\r\nchecked=1\r\n[checkbox1]\r\nChecked=0\r\n",
      QByteArray(".db\n.ini"));
  p.CreateDialog();
  QCOMPARE(p.Edit("folder_edit")->text(), QStringLiteral("/media/диск"));
  QVERIFY(!p.Child<QCheckBox>("subfolders_box")->isChecked());
  QVERIFY(p.Child<QCheckBox>("timeout_box")->isChecked());
  QCOMPARE(p.Edit("timeout_edit")->text(), QStringLiteral("250"));
  QVERIFY(p.Edit("timeout_edit")->isEnabled());
  QCOMPARE(p.Items(), QStringList({".db", ".ini"}));

  // What the user changes on the first page is what the exit writes.
  p.Edit("folder_edit")->setText(QStringLiteral("/media/cd"));
  p.Click("subfolders_box");
  p.Exit();
  QCOMPARE(p.Read(QStringLiteral("quorvel.ini")),
           QByteArray("[Form]\r\nEdit1=/media/cd\r\nEdit4=250\r\nEdit4EN=1\r\n"
                      "radiogroupindex=0\r\nEdit3=\r\n"
                      "[CheckBox2]\r\nchecked=1\r\n[checkbox1]\r\nChecked=1\r\n"
                      "\r\n[checkbox3]\r\nChecked=1\r\n"));
  QCOMPARE(p.Read(QStringLiteral("Cat.dat")), QByteArray(".db\r\n.ini\r\n"));
}

void OptionsDialogTest::theScanGetsTheListIn1251() {
  // "-копия.jpg" as Cat.dat and the stored names hold it, which is how the walk compares them.
  const QByteArray ending("-\xEA\xEE\xEF\xE8\xFF.jpg");
  Program p({}, ending);
  p.CreateDialog();
  QCOMPARE(p.dialog->add_disk_page()->ExcludedEndings(),
           std::vector<std::string>{ending.toStdString()});
}

void OptionsDialogTest::addDiskPageOnlyWithACatalogue() {
  Program p;
  p.CreateDialog();
  QVERIFY(p.ShowSettings());
  QVERIFY(!p.Pages()->isTabVisible(OptionsDialog::kAddDiskPage));
  QCOMPARE(p.Pages()->currentIndex(), OptionsDialog::kSettingsPage);
  p.Click("settings_ok_button");
  QVERIFY(!p.dialog->isVisible());

  p.catalogue_open = true;
  p.dialog->ShowPage(OptionsDialog::kAddDiskPage);
  QVERIFY(p.Pages()->isTabVisible(OptionsDialog::kAddDiskPage));
  QCOMPARE(p.Pages()->currentIndex(), OptionsDialog::kAddDiskPage);
  // Shown again while visible, the dialog only turns to the page asked for.
  p.dialog->ShowPage(OptionsDialog::kSettingsPage);
  QCOMPARE(p.Pages()->currentIndex(), OptionsDialog::kSettingsPage);
  p.dialog->ShowPage(OptionsDialog::kAddDiskPage);
  QCOMPARE(p.Pages()->currentIndex(), OptionsDialog::kAddDiskPage);
  // A folder dropped on the main window comes as the folder to add.
  p.dialog->ShowPage(OptionsDialog::kAddDiskPage, QStringLiteral("/media/dropped"));
  QCOMPARE(p.Edit("folder_edit")->text(), QStringLiteral("/media/dropped"));

  // The catalogue went away while the dialog stayed open: the page goes with it.
  p.catalogue_open = false;
  p.dialog->ShowPage(OptionsDialog::kAddDiskPage);
  QVERIFY(!p.Pages()->isTabVisible(OptionsDialog::kAddDiskPage));
  QCOMPARE(p.Pages()->currentIndex(), OptionsDialog::kSettingsPage);
}

void OptionsDialogTest::plusThenCancelThenPlusThenOkAndExit() {
  Program p;
  p.CreateDialog();
  QVERIFY(p.ShowSettings());
  p.AddEnding(QStringLiteral(".db"));
  p.AddEnding(QStringLiteral(".ini"));
  QCOMPARE(p.Items(), QStringList({".db", ".ini"}));
  p.Click("settings_cancel_button");
  QVERIFY(!p.dialog->isVisible());
  QCOMPARE(p.Items(), QStringList());

  QVERIFY(p.ShowSettings());
  p.AddEnding(QStringLiteral("Thumbs.db"));
  p.AddEnding(QStringLiteral(".ini"));
  p.Click("settings_ok_button");
  QVERIFY(!p.dialog->isVisible());
  QCOMPARE(p.Items(), QStringList({"Thumbs.db", ".ini"}));
  // Nothing is written before the exit.
  QCOMPARE(p.Read(QStringLiteral("Cat.dat")), QByteArray());

  p.Exit();
  QCOMPARE(p.Read(QStringLiteral("Cat.dat")), QByteArray("Thumbs.db\r\n.ini\r\n"));
}

void OptionsDialogTest::anUneditedItemComesBackEmpty() {
  Program p({}, QByteArray(".db\r\n"));
  p.CreateDialog();
  QVERIFY(p.ShowSettings());
  p.Click("add_ending_button");
  p.AddEnding(QStringLiteral("мини.jpg"));
  p.Click("settings_ok_button");
  p.Exit();
  QCOMPARE(p.Read(QStringLiteral("Cat.dat")), QByteArray(".db\r\n\r\n\xEC\xE8\xED\xE8.jpg\r\n"));

  // The next start reads the same three items.
  Program next({}, p.Read(QStringLiteral("Cat.dat")));
  next.CreateDialog();
  QCOMPARE(next.Items(), QStringList({".db", "", "мини.jpg"}));
}

void OptionsDialogTest::titleBarCloseKeepsTheChanges() {
  Program p;
  p.CreateDialog();
  QVERIFY(p.ShowSettings());
  p.AddEnding(QStringLiteral(".db"));
  p.Choose(1);
  QVERIFY(p.dialog->close());
  QVERIFY(!p.dialog->isVisible());
  QCOMPARE(p.Items(), QStringList({".db"}));
  QCOMPARE(p.dialog->settings_page()->OpeningOption(), 1);
  QVERIFY(p.state.opening().AutoLoadLast);
  p.Exit();
  QCOMPARE(p.Read(QStringLiteral("Cat.dat")), QByteArray(".db\r\n"));
  QVERIFY(p.Read(QStringLiteral("quorvel.ini")).contains("radiogroupindex=1\r\n"));
}

void OptionsDialogTest::eachShowingTakesANewSnapshot() {
  Program p;
  p.CreateDialog();
  QVERIFY(p.ShowSettings());
  p.AddEnding(QStringLiteral(".db"));
  p.Click("settings_ok_button");
  QVERIFY(p.ShowSettings());
  p.AddEnding(QStringLiteral(".ini"));
  p.Click("settings_cancel_button");
  QCOMPARE(p.Items(), QStringList({".db"}));
}

void OptionsDialogTest::optionTwoThenZeroWritesNoCatalogueName() {
  Program p("[Form]\r\nCatalogname=/data/old.qrv\r\n");
  p.Start();
  QVERIFY(p.ShowSettings());
  p.Choose(2);
  const QString fixed = p.Catalogue();
  p.prompts.files = {fixed};
  p.Click("fixed_catalog_button");
  QCOMPARE(p.Edit("fixed_catalog_edit")->text(), fixed);
  p.Choose(0);
  p.Click("settings_ok_button");
  p.Exit();
  QCOMPARE(
      p.Read(QStringLiteral("quorvel.ini")),
      "[Form]\r\nCatalogname=\r\nradiogroupindex=0\r\nEdit3=" + fixed.toUtf8() +
          "\r\nEdit4=100\r\nEdit1=/media/me/CD\r\nEdit4EN=0\r\n\r\n[checkbox2]\r\nChecked=0\r\n\r\n"
          "[checkbox1]\r\nChecked=1\r\n"
          "\r\n[checkbox3]\r\nChecked=1\r\n");
}

void OptionsDialogTest::optionOneKeepsTheNameWithNoCatalogueOpen() {
  Program p;
  p.Start();
  QVERIFY(!p.document.CatalogOpen());
  QVERIFY(p.ShowSettings());
  p.Choose(1);
  p.Click("settings_ok_button");
  p.Exit();
  QVERIFY(!p.Read(QStringLiteral("quorvel.ini")).contains("Catalogname"));

  Program stored("[Form]\r\nCatalogname=/data/missing.qrv\r\nradiogroupindex=1\r\n");
  stored.Start();
  QVERIFY(!stored.document.CatalogOpen());
  stored.Exit();
  QVERIFY(stored.Read(QStringLiteral("quorvel.ini"))
              .startsWith("[Form]\r\nCatalogname=/data/missing.qrv\r\nradiogroupindex=1\r\n"));
}

void OptionsDialogTest::optionOneWritesTheOpenCatalogue() {
  // On a first start the dialog's section comes first in the file, under the dialog's
  // spelling, and the main window's key joins it: the dialog wrote before the main window. The
  // window's own sections follow.
  Program p;
  const QString catalogue = p.Catalogue();
  p.Start(catalogue);
  QVERIFY(p.document.CatalogOpen());
  QVERIFY(p.ShowSettings());
  QVERIFY(p.Pages()->isTabVisible(OptionsDialog::kAddDiskPage));
  p.Choose(1);
  p.Click("settings_ok_button");
  p.Exit();
  const QByteArray written = p.Read(QStringLiteral("quorvel.ini"));
  QCOMPARE(
      written.left(written.indexOf("\r\n[recent]")),
      "[form]\r\nradiogroupindex=1\r\nEdit3=\r\nEdit4=100\r\nEdit1=/media/me/CD\r\nEdit4EN=0\r\n"
      "Catalogname=" +
          catalogue.toUtf8() +
          "\r\n\r\n[checkbox2]\r\nChecked=0\r\n\r\n[checkbox1]\r\nChecked=1\r\n"
          "\r\n[checkbox3]\r\nChecked=1\r\n");
}

void OptionsDialogTest::storedOptionTwoWithAnEmptyPath() {
  Program p("[form]\r\nradiogroupindex=2\r\nEdit3=\r\nCatalogname=/data/old.qrv\r\n");
  p.Start();
  QVERIFY(p.Edit("fixed_catalog_edit")->isEnabled());
  QVERIFY(p.Child<QWidget>("fixed_catalog_button")->isEnabled());
  QCOMPARE(p.state.opening().StartupCatalog, std::string());
  p.Exit();
  QVERIFY(p.Read(QStringLiteral("quorvel.ini")).contains("\r\nCatalogname=\r\n"));
}

void OptionsDialogTest::storedOptionOutOfRangeIsWrittenBackClamped_data() {
  QTest::addColumn<QByteArray>("stored");
  QTest::addColumn<QByteArray>("written");
  QTest::newRow("above the last option") << QByteArray("5") << QByteArray("2");
  QTest::newRow("below no option") << QByteArray("-3") << QByteArray("-1");
}

void OptionsDialogTest::storedOptionOutOfRangeIsWrittenBackClamped() {
  QFETCH(QByteArray, stored);
  QFETCH(QByteArray, written);
  Program p("[form]\r\nradiogroupindex=" + stored + "\r\n");
  p.Start();
  p.Exit();
  QVERIFY(p.Read(QStringLiteral("quorvel.ini"))
              .startsWith("[form]\r\nradiogroupindex=" + written + "\r\n"));
}

void OptionsDialogTest::unreadableSettingsAreToldAndKept() {
  Program p;
  QVERIFY(QDir(p.dir.path()).mkdir(QStringLiteral("quorvel.ini")));
  p.CreateDialog();
  QCOMPARE(p.prompts.warnings.size(), 1);
  QVERIFY(p.prompts.warnings.first().contains(QStringLiteral("quorvel.ini")));
  QCOMPARE(p.Edit("folder_edit")->text(), QString::fromLatin1(Program::kFirstFolder));
  p.Exit();
  QVERIFY(QFileInfo(p.dir.filePath(QStringLiteral("quorvel.ini"))).isDir());
}

}  // namespace quorvel

QTEST_MAIN(quorvel::OptionsDialogTest)
#include "options_dialog_test.moc"
