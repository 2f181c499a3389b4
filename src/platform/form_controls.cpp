#include "platform/form_controls.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>

namespace quorvel {

QToolButton* MakeToolButton(QWidget* parent, const char* name, const QString& text,
                            const QRect& rect) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(text);
  button->setFocusPolicy(Qt::TabFocus);
  button->setGeometry(rect);
  WidenToText(button);
  return button;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QRect& rect) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  button->setGeometry(rect);
  WidenToText(button);
  return button;
}

int WidenToText(QAbstractButton* control) {
  if (control->text().isEmpty()) return 0;
  // Measured against the room the style leaves the text (beside a check box's indicator,
  // inside a button's frame), not against the size hint, which asks more than the text needs.
  QStyleOptionButton option;
  option.initFrom(control);
  option.text = control->text();
  const QStyle::SubElement text_room =
      qobject_cast<QCheckBox*>(control)      ? QStyle::SE_CheckBoxContents
      : qobject_cast<QRadioButton*>(control) ? QStyle::SE_RadioButtonContents
                                             : QStyle::SE_PushButtonContents;
  const int growth = control->fontMetrics().horizontalAdvance(control->text()) -
                     control->style()->subElementRect(text_room, &option, control).width();
  if (growth <= 0) return 0;
  control->resize(control->width() + growth, control->height());
  return growth;
}

}  // namespace quorvel
