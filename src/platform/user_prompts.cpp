#include "platform/user_prompts.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace quorvel {
namespace {

const QString kCompletionHiderName = QStringLiteral("completion_hider");

// Watches a dialog and the popups of its completers. A completer may show its popup late, once
// the folder it completes from has been read, when the dialog may have closed already.
class CompletionHider : public QObject {
 public:
  explicit CompletionHider(QDialog* dialog) : QObject(dialog), dialog_(dialog) {
    setObjectName(kCompletionHiderName);
    dialog->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == dialog_ && event->type() == QEvent::Show) {
      // Asked for here, when any completer the dialog makes exists.
      for (QCompleter* completer : dialog_->findChildren<QCompleter*>()) {
        completer->popup()->installEventFilter(this);
      }
    } else if (watched == dialog_ && event->type() == QEvent::Hide) {
      for (QCompleter* completer : dialog_->findChildren<QCompleter*>()) {
        completer->popup()->hide();
      }
    } else if (watched != dialog_ && event->type() == QEvent::Show && !dialog_->isVisible()) {
      // Hidden once its showing is done; hiding a window in the middle of showing it is not.
      QMetaObject::invokeMethod(static_cast<QWidget*>(watched), &QWidget::hide,
                                Qt::QueuedConnection);
    }
    return false;
  }

 private:
  QDialog* dialog_;
};

Answer ToAnswer(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Yes:
      return Answer::kYes;
    case QMessageBox::No:
      return Answer::kNo;
    default:
      return Answer::kCancel;
  }
}

}  // namespace

void HideCompletionsOnClose(QDialog* dialog) {
  if (dialog->findChild<QObject*>(kCompletionHiderName, Qt::FindDirectChildrenOnly) != nullptr) {
    return;
  }
  new CompletionHider(dialog);
}

Choice UserPrompts::ChooseWay(QWidget*, const QString&, const QString&, const QString&, bool,
                              const QString&) {
  return Choice::kCancel;
}

void MessageBoxPrompts::Warn(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::warning(parent, title, text);
}

void MessageBoxPrompts::Error(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::critical(parent, title, text);
}

void MessageBoxPrompts::Inform(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::information(parent, title, text);
}

Answer MessageBoxPrompts::AskYesNoCancel(QWidget* parent, const QString& title,
                                         const QString& text) {
  return ToAnswer(QMessageBox::warning(parent, title, text,
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                       QMessageBox::Yes));
}

Answer MessageBoxPrompts::WarnYesNo(QWidget* parent, const QString& title, const QString& text) {
  // Closing the box (or Escape) answers No here, the safe answer.
  return ToAnswer(QMessageBox::warning(parent, title, text, QMessageBox::Yes | QMessageBox::No));
}

Answer MessageBoxPrompts::ConfirmYesNo(QWidget* parent, const QString& title, const QString& text) {
  return ToAnswer(QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No));
}

Choice MessageBoxPrompts::ChooseWay(QWidget* parent, const QString& title, const QString& text,
                                    const QString& first, bool first_enabled,
                                    const QString& second) {
  QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
  QPushButton* first_button = box.addButton(first, QMessageBox::AcceptRole);
  QPushButton* second_button = box.addButton(second, QMessageBox::DestructiveRole);
  QPushButton* cancel_button = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
  first_button->setEnabled(first_enabled);
  // Enter never takes the way that loses something: the first way, or when it is closed, Cancel.
  box.setDefaultButton(first_enabled ? first_button : cancel_button);
  box.setEscapeButton(cancel_button);
  box.exec();
  if (box.clickedButton() == first_button) return Choice::kFirst;
  if (box.clickedButton() == second_button) return Choice::kSecond;
  return Choice::kCancel;
}

std::optional<QString> MessageBoxPrompts::InputText(QWidget* parent, const QString& caption,
                                                    const QString& prompt, const QString& preset) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, preset, &ok);
  if (!ok) return std::nullopt;
  return text;
}

QString MessageBoxPrompts::ChooseFile(QFileDialog* dialog) {
  HideCompletionsOnClose(dialog);
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
  return dialog->selectedFiles().first();
}

QString MessageBoxPrompts::ChooseFolder(QWidget* parent, const QString& title,
                                        const QString& start) {
  // Not QFileDialog's own picker, so that this dialog too runs where every file dialog does.
  QFileDialog dialog(parent, title, start);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  return ChooseFile(&dialog);
}

}  // namespace quorvel
