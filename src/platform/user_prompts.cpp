#include "platform/user_prompts.h"

#include <QMessageBox>

namespace quorvel {

void MessageBoxPrompts::Warn(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::warning(parent, title, text);
}

}  // namespace quorvel
