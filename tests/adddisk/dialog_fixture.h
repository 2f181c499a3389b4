// The program's settings folder with the options dialog (and the main window when asked for),
// created and destroyed as start-up and exit do it, shared by the dialog's test files.
#ifndef QUORVEL_TESTS_ADDDISK_DIALOG_FIXTURE_H_
#define QUORVEL_TESTS_ADDDISK_DIALOG_FIXTURE_H_

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

#include "adddisk/options_dialog.h"
#include "catalog/catalog_document.h"
#include "mainwindow/main_window.h"
#include "platform/path_text.h"
#include "settings/answering_prompts.h"
#include "settings/settings_state.h"
#include "support/catalog_builder.h"

namespace quorvel {

// The program's windows over one folder of settings: the main window when asked for, then the
// dialog; Exit destroys them in the program's order.
struct Program {
  // The folder the machine offers for cataloguing before one is stored.
  static constexpr char kFirstFolder[] = "/media/me/CD";

  explicit Program(const QByteArray& ini = {}, const std::optional<QByteArray>& cat_dat = {})
      : state({QStringToPath(dir.filePath(QStringLiteral("quorvel.ini"))),
               QStringToPath(dir.filePath(QStringLiteral("Cat.dat")))},
              kFirstFolder) {
    if (!ini.isEmpty()) Write(QStringLiteral("quorvel.ini"), ini);
    if (cat_dat) Write(QStringLiteral("Cat.dat"), *cat_dat);
  }

  void Write(const QString& name, const QByteArray& bytes) const {
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  QByteArray Read(const QString& name) const {
    QFile file(dir.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  QString Catalogue() const {
    const QString path = dir.filePath(QStringLiteral("a.qrv"));
    testkit::WriteFile(QStringToPath(path), testkit::BuildCatalog({}));
    return path;
  }

  // The dialog alone; `catalogue_open` answers whether a catalogue is open.
  void CreateDialog() {
    dialog = std::make_unique<OptionsDialog>(
        state, prompts, OptionsDialogLinks{[this] { return catalogue_open; }, nullptr, {}});
  }
  // Start-up: the main window opens `catalogue` (or the stored one), then the dialog.
  void Start(const QString& catalogue = QString()) {
    window =
        std::make_unique<MainWindow>(document, prompts, state.paths().ini_file, state.opening());
    window->OpenStartupCatalog(catalogue);
    dialog = std::make_unique<OptionsDialog>(
        state, prompts, OptionsDialogLinks{[this] { return document.CatalogOpen(); }, nullptr, {}},
        window.get());
  }
  void Exit() {
    dialog.reset();
    window.reset();
  }

  template <typename T>
  T* Child(const char* name) const {
    return dialog->findChild<T*>(QString::fromLatin1(name));
  }
  QTabWidget* Pages() const { return Child<QTabWidget>("option_pages"); }
  QLineEdit* Edit(const char* name) const { return Child<QLineEdit>(name); }
  QListWidget* List() const { return Child<QListWidget>("exclusion_list"); }
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
    const QList<QRadioButton*> options =
        Child<QGroupBox>("opening_options")->findChildren<QRadioButton*>();
    QTest::mouseClick(options[option], Qt::LeftButton, {}, QPoint(6, 8));
  }
  bool ShowSettings() const {
    dialog->ShowPage(OptionsDialog::kSettingsPage);
    return QTest::qWaitForWindowActive(dialog.get());
  }
  // "+", then the ending typed into the new item's in-place editor.
  void AddEnding(const QString& text) const {
    Click("add_ending_button");
    QTest::keyClick(List(), Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY2(editor != nullptr, "F2 opens no editor on the new item");
    // One key press per character, as a keyboard of any layout types it.
    for (const QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QApplication::sendEvent(editor, &press);
    }
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QTemporaryDir dir;
  SettingsState state;
  CatalogDocument document;
  AnsweringPrompts prompts;
  bool catalogue_open = false;
  std::unique_ptr<MainWindow> window;
  std::unique_ptr<OptionsDialog> dialog;
};

}  // namespace quorvel

#endif  // QUORVEL_TESTS_ADDDISK_DIALOG_FIXTURE_H_
