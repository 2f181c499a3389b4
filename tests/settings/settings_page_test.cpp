// The "Настройки" page over settings files in a temporary folder, driven with real events.
#include "settings/settings_page.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "answering_prompts.h"
#include "platform/path_text.h"
#include "settings/settings_state.h"

namespace quorvel {
namespace {

using Lines = std::vector<std::string>;

// A page as the dialog's creation leaves it, over the given settings file and Cat.dat (none:
// the file is missing).
struct Page {
  explicit Page(const QByteArray& ini = {}, const std::optional<QByteArray>& cat_dat = {})
      : state({QStringToPath(dir.filePath(QStringLiteral("quorvel.ini"))),
               QStringToPath(dir.filePath(QStringLiteral("Cat.dat")))}) {
    if (!ini.isEmpty()) Write(QStringLiteral("quorvel.ini"), ini);
    if (cat_dat) Write(QStringLiteral("Cat.dat"), *cat_dat);
    open_dialog.setObjectName(QStringLiteral("catalog_open_dialog"));
    loaded = state.Load().empty();
    page = std::make_unique<SettingsPage>(state, prompts, &open_dialog);
    page->ApplyStoredSettings(state.values());
  }

  void Write(const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  // Shown and active, for what needs the keyboard focus.
  bool Show() {
    page->show();
    page->activateWindow();
    return QTest::qWaitForWindowActive(page.get());
  }

  template <typename T>
  T* Child(const char* name) const {
    return page->findChild<T*>(QString::fromLatin1(name));
  }
  QListWidget* List() const { return Child<QListWidget>("exclusion_list"); }
  QLineEdit* FixedCatalogEdit() const { return Child<QLineEdit>("fixed_catalog_edit"); }
  QToolButton* FixedCatalogButton() const { return Child<QToolButton>("fixed_catalog_button"); }
  QList<QRadioButton*> Options() const {
    return Child<QGroupBox>("opening_options")->findChildren<QRadioButton*>();
  }
  QStringList Items() const {
    QStringList items;
    for (int i = 0; i < List()->count(); ++i) items.append(List()->item(i)->text());
    return items;
  }
  void Click(const char* button) const {
    QAbstractButton* b = Child<QAbstractButton>(button);
    QVERIFY2(b != nullptr, button);
    QTest::mouseClick(b, Qt::LeftButton);
  }
  void Choose(int option) const {
    QTest::mouseClick(Options()[option], Qt::LeftButton, {}, QPoint(6, 8));
  }
  // Types `text` into the selected item's in-place editor, opened as the user does (F2).
  void TypeIntoSelectedItem(const QString& text) const {
    QTest::keyClick(List(), Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY2(editor != nullptr && editor->parentWidget() == List()->viewport(),
             "F2 opens no editor on the selected item");
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The list commits and closes the editor on the next pass of the event loop.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(QApplication::focusWidget() == List(), "Return leaves the editor open");
  }
  const CatalogOpening& opening() const { return state.opening(); }

  QTemporaryDir dir;
  SettingsState state;
  bool loaded = false;
  AnsweringPrompts prompts;
  QFileDialog open_dialog;
  std::unique_ptr<SettingsPage> page;
};

}  // namespace

class SettingsPageTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsOfThePage();
  void firstStart();
  void storedSettingsGoThroughTheControls();
  void eachOptionSetsTheOpeningAndTheField();
  void optionTwoOpensThePathTheFieldShows();
  void optionTwoWithAnEmptyStoredPath();
  void storedOptionOutOfRange_data();
  void storedOptionOutOfRange();
  void typedPathBecomesTheStartupCatalogue();
  void folderButtonPicksTheCatalogue();
  void plusAddsAnEmptySelectedItemToEditInPlace();
  void minusDeletesOnlyTheSelectedItem();
  void textsAreKeptAsTyped();
  void cancelPutsBackTheSnapshot();
  void cancelRestoresTheOpeningTheSnapshotHad();
  void okKeepsTheChanges();
};

void SettingsPageTest::controlsOfThePage() {
  Page p;
  QCOMPARE(p.page->objectName(), QStringLiteral("settings_page"));
  auto* heading = p.Child<QLabel>("exclusion_heading");
  QVERIFY(heading != nullptr);
  QCOMPARE(heading->text(),
           QStringLiteral("Список расширений файлов эскизы которых не нужно добавлять:"));
  QCOMPARE(heading->buddy(), p.List());

  QListWidget* list = p.List();
  QVERIFY(list != nullptr);
  QCOMPARE(list->viewMode(), QListView::ListMode);
  QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
  QVERIFY(list->editTriggers() & QAbstractItemView::EditKeyPressed);
  QVERIFY(list->editTriggers() & QAbstractItemView::SelectedClicked);

  QCOMPARE(p.Child<QToolButton>("add_ending_button")->text(), QStringLiteral("+"));
  QCOMPARE(p.Child<QToolButton>("delete_ending_button")->text(), QStringLiteral("-"));
  auto* group = p.Child<QGroupBox>("opening_options");
  QVERIFY(group != nullptr);
  QCOMPARE(group->title(), QStringLiteral("Параметры открытия каталогов"));
  const QList<QRadioButton*> options = p.Options();
  QCOMPARE(options.size(), 3);
  QCOMPARE(options[0]->text(), QStringLiteral("Не открывать каталоги"));
  QCOMPARE(options[1]->text(), QStringLiteral("Автозагрузка последнего каталога"));
  QCOMPARE(options[2]->text(), QStringLiteral("Всегда открывать каталог:"));
  QVERIFY(p.FixedCatalogEdit() != nullptr);
  QVERIFY(p.FixedCatalogButton() != nullptr);
  QVERIFY(!p.FixedCatalogButton()->icon().isNull());
  auto* previews = p.Child<QCheckBox>("embedded_previews_box");
  QVERIFY(previews != nullptr);
  QCOMPARE(previews->text(), QStringLiteral("Использовать встроенные эскизы снимков"));
  QVERIFY(previews->isChecked());
  QCOMPARE(p.Child<QPushButton>("settings_ok_button")->text(), QStringLiteral("OK"));
  QCOMPARE(p.Child<QPushButton>("settings_cancel_button")->text(), QStringLiteral("Отмена"));

  // Every control lies inside the page's grid and none overlaps another.
  const QList<QWidget*> controls = {heading,
                                    list,
                                    p.Child<QWidget>("add_ending_button"),
                                    p.Child<QWidget>("delete_ending_button"),
                                    group,
                                    p.FixedCatalogEdit(),
                                    p.FixedCatalogButton(),
                                    previews,
                                    p.Child<QWidget>("settings_ok_button"),
                                    p.Child<QWidget>("settings_cancel_button")};
  for (int i = 0; i < controls.size(); ++i) {
    QVERIFY2(controls[i]->geometry().right() <= 353, qPrintable(controls[i]->objectName()));
    QVERIFY2(controls[i]->geometry().bottom() <= 413, qPrintable(controls[i]->objectName()));
    for (int j = i + 1; j < controls.size(); ++j) {
      QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
               qPrintable(controls[i]->objectName() + " " + controls[j]->objectName()));
    }
  }
}

void SettingsPageTest::firstStart() {
  Page p;
  QVERIFY(p.loaded);
  QCOMPARE(p.page->OpeningOption(), 0);
  QVERIFY(p.Options()[0]->isChecked());
  QVERIFY(!p.FixedCatalogEdit()->isEnabled());
  QVERIFY(!p.FixedCatalogButton()->isEnabled());
  QCOMPARE(p.FixedCatalogEdit()->text(), QString());
  QCOMPARE(p.List()->count(), 0);
  QVERIFY(!p.opening().AutoLoadLast);
  QCOMPARE(p.opening().StartupCatalog, std::string());
  QVERIFY(QFile::exists(p.dir.filePath(QStringLiteral("Cat.dat"))));
  QCOMPARE(QFileInfo(p.dir.filePath(QStringLiteral("Cat.dat"))).size(), 0);
}

void SettingsPageTest::storedSettingsGoThroughTheControls() {
  Page p(
      "[form]\r\nradiogroupindex=1\r\nEdit3=/data/\xEA\xE0\xF2.qrv\r\n[checkbox3]\r\nChecked=0\r\n",
      QByteArray(".db\r\n\r\n\xEC\xE8\xED\xE8.jpg"));
  QVERIFY(!p.Child<QCheckBox>("embedded_previews_box")->isChecked());
  QCOMPARE(p.page->OpeningOption(), 1);
  QVERIFY(p.Options()[1]->isChecked());
  QCOMPARE(p.FixedCatalogEdit()->text(), QStringLiteral("/data/кат.qrv"));
  QVERIFY(!p.FixedCatalogEdit()->isEnabled());
  QVERIFY(p.opening().AutoLoadLast);
  // The path came after the option and set StartupCatalog; the option's second run clears it.
  QCOMPARE(p.opening().StartupCatalog, std::string());
  QCOMPARE(p.Items(), QStringList({".db", "", "мини.jpg"}));
}

void SettingsPageTest::eachOptionSetsTheOpeningAndTheField() {
  Page p("[form]\r\nEdit3=/data/a.qrv\r\n");
  p.Choose(2);
  QCOMPARE(p.page->OpeningOption(), 2);
  QVERIFY(p.FixedCatalogEdit()->isEnabled());
  QVERIFY(p.FixedCatalogButton()->isEnabled());
  QVERIFY(!p.opening().AutoLoadLast);

  p.Choose(1);
  QCOMPARE(p.page->OpeningOption(), 1);
  QVERIFY(!p.FixedCatalogEdit()->isEnabled());
  QVERIFY(!p.FixedCatalogButton()->isEnabled());
  QVERIFY(p.opening().AutoLoadLast);
  QCOMPARE(p.opening().StartupCatalog, std::string());

  p.Choose(0);
  QCOMPARE(p.page->OpeningOption(), 0);
  QVERIFY(!p.FixedCatalogEdit()->isEnabled());
  QVERIFY(!p.opening().AutoLoadLast);
  QCOMPARE(p.opening().StartupCatalog, std::string());
  QCOMPARE(p.FixedCatalogEdit()->text(), QStringLiteral("/data/a.qrv"));
  QCOMPARE(p.state.values().opening_option, 0);
}

void SettingsPageTest::optionTwoOpensThePathTheFieldShows() {
  // Stored under option 0, the path is in the field but not the startup catalogue; choosing
  // option 2 must make it one, or the option would open nothing while showing the path.
  Page p("[form]\r\nradiogroupindex=0\r\nEdit3=/data/a.qrv\r\n");
  QCOMPARE(p.opening().StartupCatalog, std::string());
  p.Choose(2);
  QCOMPARE(p.opening().StartupCatalog, std::string("/data/a.qrv"));
}

void SettingsPageTest::optionTwoWithAnEmptyStoredPath() {
  Page p("[form]\r\nradiogroupindex=2\r\nEdit3=\r\n");
  QCOMPARE(p.page->OpeningOption(), 2);
  QVERIFY(p.Options()[2]->isChecked());
  QVERIFY(p.FixedCatalogEdit()->isEnabled());
  QVERIFY(p.FixedCatalogButton()->isEnabled());
  QCOMPARE(p.opening().StartupCatalog, std::string());
  QVERIFY(!p.opening().AutoLoadLast);
}

void SettingsPageTest::storedOptionOutOfRange_data() {
  QTest::addColumn<QByteArray>("stored");
  QTest::addColumn<int>("index");
  QTest::newRow("above the last") << QByteArray("3") << 2;
  QTest::newRow("far above") << QByteArray("2147483647") << 2;
  QTest::newRow("no option") << QByteArray("-1") << -1;
  QTest::newRow("below no option") << QByteArray("-2") << -1;
  QTest::newRow("far below") << QByteArray("-2147483648") << -1;
}

void SettingsPageTest::storedOptionOutOfRange() {
  QFETCH(QByteArray, stored);
  QFETCH(int, index);
  Page p("[form]\r\nradiogroupindex=" + stored + "\r\n");
  QCOMPARE(p.page->OpeningOption(), index);
  QCOMPARE(p.state.values().opening_option, index);
  for (int i = 0; i < 3; ++i) QCOMPARE(p.Options()[i]->isChecked(), i == index);
  if (index == -1) {
    // With no option the handler changes nothing: the field stays as the dialog made it.
    QVERIFY(!p.FixedCatalogEdit()->isEnabled());
    QVERIFY(!p.opening().AutoLoadLast);
    p.page->ApplyOpeningOption();
    QVERIFY(!p.FixedCatalogEdit()->isEnabled());
    // A user's choice still works from there.
    p.Choose(2);
    QCOMPARE(p.page->OpeningOption(), 2);
    QVERIFY(p.FixedCatalogEdit()->isEnabled());
  } else {
    QVERIFY(p.FixedCatalogEdit()->isEnabled());
  }
}

void SettingsPageTest::typedPathBecomesTheStartupCatalogue() {
  Page p;
  QVERIFY(p.Show());
  p.Choose(2);
  QTest::keyClicks(p.FixedCatalogEdit(), QStringLiteral("/data/b.qrv"));
  QCOMPARE(p.opening().StartupCatalog, std::string("/data/b.qrv"));
  QCOMPARE(p.state.values().fixed_catalog_path, std::string("/data/b.qrv"));
  p.FixedCatalogEdit()->selectAll();
  QTest::keyClick(p.FixedCatalogEdit(), Qt::Key_Delete);
  QCOMPARE(p.FixedCatalogEdit()->text(), QString());
  QCOMPARE(p.opening().StartupCatalog, std::string("/data/b.qrv"));
  QCOMPARE(p.state.values().fixed_catalog_path, std::string());
}

void SettingsPageTest::folderButtonPicksTheCatalogue() {
  Page p;
  p.Choose(2);
  const QString picked = p.dir.filePath(QStringLiteral("picked.qrv"));
  p.prompts.files = {picked, QString()};
  p.Click("fixed_catalog_button");
  QCOMPARE(p.prompts.file_dialogs.size(), std::size_t{1});
  QCOMPARE(p.prompts.file_dialogs.front(), &p.open_dialog);
  QCOMPARE(p.FixedCatalogEdit()->text(), picked);
  QCOMPARE(p.opening().StartupCatalog, picked.toStdString());

  // Cancelling the file dialog leaves the path.
  p.Click("fixed_catalog_button");
  QCOMPARE(p.prompts.file_dialogs.size(), std::size_t{2});
  QCOMPARE(p.FixedCatalogEdit()->text(), picked);
  QVERIFY(p.prompts.unexpected.isEmpty());
}

void SettingsPageTest::plusAddsAnEmptySelectedItemToEditInPlace() {
  Page p;
  QVERIFY(p.Show());
  p.Click("add_ending_button");
  QCOMPARE(p.Items(), QStringList({""}));
  QCOMPARE(p.List()->selectedItems().size(), 1);
  QCOMPARE(p.List()->selectedItems().first(), p.List()->item(0));
  QCOMPARE(QApplication::focusWidget(), p.List());
  p.TypeIntoSelectedItem(QStringLiteral(".db"));
  QCOMPARE(p.Items(), QStringList({".db"}));

  p.Click("add_ending_button");
  QCOMPARE(p.Items(), QStringList({".db", ""}));
  QCOMPARE(p.List()->selectedItems().first(), p.List()->item(1));
  QCOMPARE(p.page->ExcludedEndings(), (Lines{".db", ""}));
}

void SettingsPageTest::minusDeletesOnlyTheSelectedItem() {
  Page p({}, QByteArray("a\r\nb\r\nc\r\n"));
  QVERIFY(p.Show());
  p.List()->clearSelection();
  p.Click("delete_ending_button");
  QCOMPARE(p.Items(), QStringList({"a", "b", "c"}));

  p.List()->setCurrentRow(1);
  p.Click("delete_ending_button");
  QCOMPARE(p.Items(), QStringList({"a", "c"}));
  // The item after it is not chosen by the deletion: a second press deletes nothing.
  QVERIFY(p.List()->selectedItems().isEmpty());
  p.Click("delete_ending_button");
  QCOMPARE(p.Items(), QStringList({"a", "c"}));
}

void SettingsPageTest::textsAreKeptAsTyped() {
  Page p({}, QByteArray(".db\r\n"));
  QVERIFY(p.Show());
  for (const QString& text :
       {QStringLiteral(" .JPG "), QStringLiteral(".db"), QStringLiteral("jpg")}) {
    p.Click("add_ending_button");
    p.TypeIntoSelectedItem(text);
  }
  QCOMPARE(p.Items(), QStringList({".db", " .JPG ", ".db", "jpg"}));
}

void SettingsPageTest::cancelPutsBackTheSnapshot() {
  Page p("[form]\r\nradiogroupindex=2\r\nEdit3=/data/a.qrv\r\n", QByteArray(".db\r\n"));
  QVERIFY(p.Show());
  p.page->TakeSnapshot();
  QSignalSpy closing(p.page.get(), &SettingsPage::CloseRequested);

  p.Click("add_ending_button");
  p.TypeIntoSelectedItem(QStringLiteral(".ini"));
  p.Click("add_ending_button");
  p.List()->setCurrentRow(0);
  p.Click("delete_ending_button");
  p.prompts.files = {QStringLiteral("/data/b.qrv")};
  p.Click("fixed_catalog_button");
  p.Choose(1);
  p.Click("embedded_previews_box");
  QVERIFY(!p.state.values().use_embedded_previews);
  QCOMPARE(p.Items(), QStringList({".ini", ""}));

  p.Click("settings_cancel_button");
  QCOMPARE(closing.count(), 1);
  QCOMPARE(p.Items(), QStringList({".db"}));
  QCOMPARE(p.page->OpeningOption(), 2);
  QVERIFY(p.Options()[2]->isChecked());
  QCOMPARE(p.FixedCatalogEdit()->text(), QStringLiteral("/data/a.qrv"));
  QVERIFY(p.FixedCatalogEdit()->isEnabled());
  QVERIFY(!p.opening().AutoLoadLast);
  QCOMPARE(p.opening().StartupCatalog, std::string("/data/a.qrv"));
  // The snapshot holds the list, the option and the path only.
  QVERIFY(!p.state.values().use_embedded_previews);
}

void SettingsPageTest::cancelRestoresTheOpeningTheSnapshotHad() {
  // Option 2 is shown with the path; the user picks option 0 and presses "Отмена". Nothing
  // changes the path, so no change handler runs for it: the option alone must bring it back.
  {
    Page p("[form]\r\nradiogroupindex=2\r\nEdit3=/data/a.qrv\r\n");
    p.page->TakeSnapshot();
    p.Choose(0);
    QCOMPARE(p.opening().StartupCatalog, std::string());
    p.Click("settings_cancel_button");
    QCOMPARE(p.page->OpeningOption(), 2);
    QCOMPARE(p.opening().StartupCatalog, std::string("/data/a.qrv"));
  }
  // Option 0 is shown with a path kept from before; the user picks option 2 and another file.
  // Putting the old path back must not make it the startup catalogue under option 0.
  {
    Page p("[form]\r\nradiogroupindex=0\r\nEdit3=/data/a.qrv\r\n");
    p.page->TakeSnapshot();
    p.Choose(2);
    p.prompts.files = {QStringLiteral("/data/b.qrv")};
    p.Click("fixed_catalog_button");
    QCOMPARE(p.opening().StartupCatalog, std::string("/data/b.qrv"));
    p.Click("settings_cancel_button");
    QCOMPARE(p.page->OpeningOption(), 0);
    QCOMPARE(p.FixedCatalogEdit()->text(), QStringLiteral("/data/a.qrv"));
    QVERIFY(!p.FixedCatalogEdit()->isEnabled());
    QCOMPARE(p.opening().StartupCatalog, std::string());
    QVERIFY(!p.opening().AutoLoadLast);
  }
}

void SettingsPageTest::okKeepsTheChanges() {
  Page p;
  QVERIFY(p.Show());
  p.page->TakeSnapshot();
  QSignalSpy closing(p.page.get(), &SettingsPage::CloseRequested);
  p.Click("add_ending_button");
  p.Choose(1);
  p.Click("settings_ok_button");
  QCOMPARE(closing.count(), 1);
  QCOMPARE(p.Items(), QStringList({""}));
  QCOMPARE(p.page->OpeningOption(), 1);
  QVERIFY(p.opening().AutoLoadLast);
  // The snapshot is the showing's, not the closing's.
  QVERIFY(p.state.LastProperties().ExcludedExtensions.empty());
  QCOMPARE(p.state.LastProperties().OpeningOption, 0);
}

}  // namespace quorvel

QTEST_MAIN(quorvel::SettingsPageTest)
#include "settings_page_test.moc"
