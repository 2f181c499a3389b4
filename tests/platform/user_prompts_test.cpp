// The file dialogs as every window runs them: what stays on the screen once one is closed.
#include "platform/user_prompts.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCompleter>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace quorvel {
namespace {

TEST(HideCompletionsOnCloseTest, ClosingAFileDialogHidesItsNameCompletions) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* name : {"abc1.qrv", "abc2.qrv"}) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  const std::function<void(QFileDialog&)> closings[] = {
      [](QFileDialog& dialog) { dialog.reject(); },
      // As Enter or the "Открыть" button.
      [](QFileDialog& dialog) { static_cast<QDialog&>(dialog).accept(); },
      [](QFileDialog& dialog) { dialog.hide(); },
  };
  for (const auto& close : closings) {
    QFileDialog dialog(nullptr, QStringLiteral("Открыть"), dir.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    HideCompletionsOnClose(&dialog);
    HideCompletionsOnClose(&dialog);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    ASSERT_NE(field->completer(), nullptr);
    QAbstractItemView* popup = field->completer()->popup();
    // The folder is read on a thread of its own; names typed before it is read complete nothing.
    auto* files = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(files, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return files->rowCount(files->index(dir.path())) == 2; }));
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("ab"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }));

    close(dialog);
    EXPECT_FALSE(popup->isVisible());
    // A completion that comes late, once the dialog has gone, does not stay either.
    field->completer()->complete();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !popup->isVisible(); }));
  }
}

}  // namespace
}  // namespace quorvel
