// Prompts answered by the test instead of a person: the files to pick are queued, every
// question is recorded, and one the test did not expect is answered as cancelled.
#ifndef QUORVEL_TESTS_SETTINGS_ANSWERING_PROMPTS_H_
#define QUORVEL_TESTS_SETTINGS_ANSWERING_PROMPTS_H_

#include <QFileDialog>
#include <QStringList>
#include <deque>

#include "platform/user_prompts.h"

namespace quorvel {

class AnsweringPrompts : public UserPrompts {
 public:
  void Warn(QWidget*, const QString&, const QString& text) override { warnings.append(text); }
  void Error(QWidget*, const QString&, const QString& text) override { Unexpected(text); }
  void Inform(QWidget*, const QString&, const QString& text) override { Unexpected(text); }
  Answer AskYesNoCancel(QWidget*, const QString&, const QString& text) override {
    Unexpected(text);
    return Answer::kCancel;
  }
  Answer WarnYesNo(QWidget*, const QString&, const QString& text) override {
    Unexpected(text);
    return Answer::kNo;
  }
  Answer ConfirmYesNo(QWidget*, const QString&, const QString& text) override {
    Unexpected(text);
    return Answer::kNo;
  }
  std::optional<QString> InputText(QWidget*, const QString& caption, const QString&,
                                   const QString&) override {
    Unexpected(caption);
    return std::nullopt;
  }
  // Answers with the next queued file; an empty one is a cancelled dialog.
  QString ChooseFile(QFileDialog* dialog) override {
    file_dialogs.push_back(dialog);
    if (files.empty()) {
      Unexpected(QStringLiteral("file dialog ") + dialog->objectName());
      return {};
    }
    const QString file = files.front();
    files.pop_front();
    return file;
  }
  QString ChooseFolder(QWidget*, const QString& title, const QString&) override {
    Unexpected(title);
    return {};
  }

  std::deque<QString> files;
  std::deque<QFileDialog*> file_dialogs;  // the dialogs run, in order
  QStringList warnings;
  QStringList unexpected;

 private:
  void Unexpected(const QString& what) { unexpected.append(what); }
};

}  // namespace quorvel

#endif  // QUORVEL_TESTS_SETTINGS_ANSWERING_PROMPTS_H_
