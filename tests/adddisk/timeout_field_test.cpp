// The time-out controls of the add-disk page: the check box that enables the field, the keys
// the field takes, and the number it always holds, from the settings file to the exit.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include "adddisk/add_disk_page.h"
#include "adddisk/options_dialog.h"
#include "dialog_fixture.h"

namespace quorvel {

class TimeoutFieldTest : public QObject {
  Q_OBJECT

 private slots:
  void timeoutBoxEnablesTheField();
  void lettersCannotBeTypedIntoTheTimeout();
  void emptiedOrPastedTimeoutFallsBack();
  void storedTimeoutThatIsNoNumber_data();
  void storedTimeoutThatIsNoNumber();
};

void TimeoutFieldTest::timeoutBoxEnablesTheField() {
  Program p;
  p.catalogue_open = true;
  p.CreateDialog();
  p.dialog->ShowPage(OptionsDialog::kAddDiskPage);
  QVERIFY(QTest::qWaitForWindowExposed(p.dialog.get()));
  p.Click("timeout_box");
  QVERIFY(p.Edit("timeout_edit")->isEnabled());
  p.Click("timeout_box");
  QVERIFY(!p.Edit("timeout_edit")->isEnabled());
  p.Click("timeout_box");
  p.Exit();
  const QByteArray ini = p.Read(QStringLiteral("quorvel.ini"));
  QVERIFY(ini.contains("Edit4EN=1\r\n"));
  QVERIFY(ini.contains("[checkbox2]\r\nChecked=1\r\n"));
}

void TimeoutFieldTest::lettersCannotBeTypedIntoTheTimeout() {
  Program p("[checkbox2]\r\nChecked=1\r\n[form]\r\nEdit4EN=1\r\n");
  p.catalogue_open = true;
  p.CreateDialog();
  p.dialog->ShowPage(OptionsDialog::kAddDiskPage);
  QVERIFY(QTest::qWaitForWindowActive(p.dialog.get()));
  QLineEdit* timeout = p.Edit("timeout_edit");
  timeout->setFocus();
  timeout->end(false);
  QTest::keyClicks(timeout, QStringLiteral("a5 -x.7"));
  QCOMPARE(timeout->text(), QStringLiteral("10057"));
  QTest::keyClick(timeout, Qt::Key_Backspace);
  QCOMPARE(timeout->text(), QStringLiteral("1005"));
  QTest::keyClick(timeout, Qt::Key_Left);
  QTest::keyClick(timeout, Qt::Key_Delete);
  QCOMPARE(timeout->text(), QStringLiteral("100"));
  // A sign would make a number the field takes; typed, it is still no digit.
  QTest::keyClick(timeout, Qt::Key_Home);
  QTest::keyClicks(timeout, QStringLiteral("-+"));
  QCOMPARE(timeout->text(), QStringLiteral("100"));

  AddDiskPage* page = p.dialog->add_disk_page();
  QVERIFY(page->TimeoutKeyAccepted(QStringLiteral("7")));
  QVERIFY(page->TimeoutKeyAccepted(QStringLiteral("\b")));
  QVERIFY2(page->TimeoutKeyAccepted(QString()), "keys that type nothing keep their meaning");
  QVERIFY2(page->TimeoutKeyAccepted(QStringLiteral("\x16")), "the paste shortcut still pastes");
  QVERIFY(!page->TimeoutKeyAccepted(QStringLiteral("٣")));
  QVERIFY(!page->TimeoutKeyAccepted(QStringLiteral("a")));
}

void TimeoutFieldTest::emptiedOrPastedTimeoutFallsBack() {
  Program p("[checkbox2]\r\nChecked=1\r\n[form]\r\nEdit4EN=1\r\nEdit4=250\r\n");
  p.catalogue_open = true;
  p.CreateDialog();
  p.dialog->ShowPage(OptionsDialog::kAddDiskPage);
  QVERIFY(QTest::qWaitForWindowActive(p.dialog.get()));
  QLineEdit* timeout = p.Edit("timeout_edit");
  timeout->setFocus();

  timeout->selectAll();
  QTest::keyClick(timeout, Qt::Key_Delete);
  QCOMPARE(timeout->text(), QStringLiteral("250"));

  QApplication::clipboard()->setText(QStringLiteral("12ab"));
  timeout->selectAll();
  timeout->paste();
  QCOMPARE(timeout->text(), QStringLiteral("250"));
  QApplication::clipboard()->setText(QStringLiteral("99999999999"));
  timeout->selectAll();
  timeout->paste();
  QCOMPARE(timeout->text(), QStringLiteral("250"));
  QApplication::clipboard()->setText(QStringLiteral("750"));
  timeout->selectAll();
  timeout->paste();
  QCOMPARE(timeout->text(), QStringLiteral("750"));
  QCOMPARE(p.state.LastTimeoutText(), std::string("750"));

  p.Exit();
  QVERIFY(p.Read(QStringLiteral("quorvel.ini")).contains("Edit4=750\r\n"));
}

void TimeoutFieldTest::storedTimeoutThatIsNoNumber_data() {
  QTest::addColumn<QByteArray>("stored");
  QTest::newRow("letters") << QByteArray("abc");
  QTest::newRow("empty") << QByteArray("");
  QTest::newRow("out of range") << QByteArray("99999999999");
  QTest::newRow("trailing letters") << QByteArray("100ms");
}

void TimeoutFieldTest::storedTimeoutThatIsNoNumber() {
  QFETCH(QByteArray, stored);
  Program p("[form]\r\nEdit4=" + stored + "\r\n");
  p.CreateDialog();
  QCOMPARE(p.Edit("timeout_edit")->text(), QStringLiteral("5000"));
  QCOMPARE(p.state.LastTimeoutText(), std::string("5000"));
  p.Exit();
  QVERIFY(p.Read(QStringLiteral("quorvel.ini")).contains("Edit4=5000\r\n"));
}

}  // namespace quorvel

QTEST_MAIN(quorvel::TimeoutFieldTest)
#include "timeout_field_test.moc"
