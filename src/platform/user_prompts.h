// The questions, notices and pickers that windows put to the user, behind one seam, so that
// tests can answer in place of a person.
#ifndef QUORVEL_PLATFORM_USER_PROMPTS_H_
#define QUORVEL_PLATFORM_USER_PROMPTS_H_

#include <QString>
#include <optional>

class QDialog;
class QFileDialog;
class QWidget;

namespace quorvel {

// Hides the name-completion popups of `dialog`'s fields whenever the dialog hides, however it
// is closed. A popup is a window of its own: closed while a popup shows, the dialog would
// leave it on the screen. Calling it again for the same dialog changes nothing.
void HideCompletionsOnClose(QDialog* dialog);

enum class Answer { kYes, kNo, kCancel };

// The answer to a question that offers two ways on besides giving up: the first way, the
// second, or neither.
enum class Choice { kFirst, kSecond, kCancel };

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  // A warning with one OK button, modal over `parent` (which may be hidden or null).
  virtual void Warn(QWidget* parent, const QString& title, const QString& text) = 0;
  // An error box with one OK button.
  virtual void Error(QWidget* parent, const QString& title, const QString& text) = 0;
  // A plain message with one OK button.
  virtual void Inform(QWidget* parent, const QString& title, const QString& text) = 0;
  // A warning with Yes, No and Cancel; closing the box answers Cancel.
  virtual Answer AskYesNoCancel(QWidget* parent, const QString& title, const QString& text) = 0;
  // A warning with Yes and No; closing the box answers No.
  virtual Answer WarnYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
  // A confirmation (question) with Yes and No; closing the box answers No.
  virtual Answer ConfirmYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
  // A warning with the buttons `first` (the default; shown disabled unless `first_enabled`, and
  // Cancel is the default then), `second` and "Отмена"; closing the box answers kCancel. Prompts
  // of windows that never put such a question need not answer it: kCancel changes nothing.
  virtual Choice ChooseWay(QWidget* parent, const QString& title, const QString& text,
                           const QString& first, bool first_enabled, const QString& second);
  // A one-line input box showing `preset`; nullopt when cancelled.
  virtual std::optional<QString> InputText(QWidget* parent, const QString& caption,
                                           const QString& prompt, const QString& preset) = 0;
  // Runs `dialog` (set up by the caller: mode, filter); the chosen file, or empty if cancelled.
  // Every file dialog of the program runs here.
  virtual QString ChooseFile(QFileDialog* dialog) = 0;
  // A folder picker titled `title`, starting at `start`; the chosen folder, empty if cancelled.
  virtual QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) = 0;
};

// The prompts as message boxes and dialogs.
class MessageBoxPrompts : public UserPrompts {
 public:
  void Warn(QWidget* parent, const QString& title, const QString& text) override;
  void Error(QWidget* parent, const QString& title, const QString& text) override;
  void Inform(QWidget* parent, const QString& title, const QString& text) override;
  Answer AskYesNoCancel(QWidget* parent, const QString& title, const QString& text) override;
  Answer WarnYesNo(QWidget* parent, const QString& title, const QString& text) override;
  Answer ConfirmYesNo(QWidget* parent, const QString& title, const QString& text) override;
  Choice ChooseWay(QWidget* parent, const QString& title, const QString& text, const QString& first,
                   bool first_enabled, const QString& second) override;
  std::optional<QString> InputText(QWidget* parent, const QString& caption, const QString& prompt,
                                   const QString& preset) override;
  QString ChooseFile(QFileDialog* dialog) override;
  QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) override;
};

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_USER_PROMPTS_H_
