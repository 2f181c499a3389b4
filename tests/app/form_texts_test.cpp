// Every text of the program's windows shows whole in its control with the fonts this desktop
// has: they are laid out in pixels for a narrower font.
#include <QTemporaryDir>
#include <QTest>

#include "adddisk/options_dialog.h"
#include "catalog/catalog_document.h"
#include "mainwindow/main_window.h"
#include "platform/path_text.h"
#include "platform/user_prompts.h"
#include "settings/catalog_opening.h"
#include "settings/settings_state.h"
#include "support/cut_texts.h"

namespace quorvel {

class FormTextsTest : public QObject {
  Q_OBJECT

 private slots:
  void everyTextFitsItsControl();
};

void FormTextsTest::everyTextFitsItsControl() {
  QTemporaryDir dir;
  const std::filesystem::path ini = QStringToPath(dir.filePath(QStringLiteral("quorvel.ini")));
  MessageBoxPrompts prompts;  // nothing here asks
  CatalogDocument document;
  CatalogOpening opening;
  MainWindow window(document, prompts, ini, opening);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const QStringList main_cut = testkit::CutTexts(window);
  QVERIFY2(main_cut.isEmpty(), qPrintable(main_cut.join(QLatin1Char('\n'))));

  SettingsState settings({ini, QStringToPath(dir.filePath(QStringLiteral("Cat.dat")))});
  OptionsDialogLinks links;
  links.catalog_open = [] { return true; };
  OptionsDialog dialog(settings, prompts, links);
  dialog.ShowPage(OptionsDialog::kAddDiskPage);
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  // Both pages: the hidden one keeps its controls' sizes.
  const QStringList dialog_cut = testkit::CutTexts(dialog);
  QVERIFY2(dialog_cut.isEmpty(), qPrintable(dialog_cut.join(QLatin1Char('\n'))));
}

}  // namespace quorvel

QTEST_MAIN(quorvel::FormTextsTest)
#include "form_texts_test.moc"
