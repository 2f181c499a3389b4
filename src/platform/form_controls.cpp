#include "platform/form_controls.h"

#include <QPushButton>
#include <QToolButton>

namespace quorvel {

QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QString& text,
                             const QRect& rect) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(text);
  button->setFocusPolicy(Qt::NoFocus);
  button->setGeometry(rect);
  return button;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QRect& rect) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  button->setGeometry(rect);
  return button;
}

}  // namespace quorvel
