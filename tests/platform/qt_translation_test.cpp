// Qt's own texts in the interface's language, loaded at start as the program does (the test
// main loads them the same way).
#include "platform/qt_translation.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>

namespace quorvel {
namespace {

QString Shown(const QAbstractButton* button) { return button->text().remove(QLatin1Char('&')); }

TEST(QtTranslation, MessageBoxesAndFileDialogsSpeakRussian) {
  EXPECT_EQ(QLocale().language(), QLocale::Russian);

  QMessageBox box;
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(Shown(box.button(QMessageBox::Yes)), QStringLiteral("Да"));
  EXPECT_EQ(Shown(box.button(QMessageBox::No)), QStringLiteral("Нет"));
  EXPECT_EQ(Shown(box.button(QMessageBox::Cancel)), QStringLiteral("Отмена"));

  // Qt's own dialog, as on a desktop without a platform file dialog.
  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  const QLabel* look_in = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
  ASSERT_NE(look_in, nullptr);
  EXPECT_EQ(look_in->text().remove(QLatin1Char('&')), QStringLiteral("Перейти к:"));
}

TEST(QtTranslation, MissingTranslationIsReportedAndTheProgramGoesOn) {
  QTemporaryDir empty;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(UseRussianQtTexts(*qApp, empty.path()));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("qtbase_ru.qm"), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

}  // namespace
}  // namespace quorvel
