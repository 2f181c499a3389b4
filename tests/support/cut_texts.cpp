#include "support/cut_texts.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

namespace testkit {
namespace {

QString Describe(const QWidget& control, const QString& text, int needs, int has) {
  return QStringLiteral("%1: %2 (needs %3, has %4)")
      .arg(control.objectName(), text)
      .arg(needs)
      .arg(has);
}

// The width the style leaves for the text of a button of any kind: beside the indicator of a
// check box or radio button, inside the frame of a push or tool button.
int TextRoom(const QAbstractButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  QStyle::SubElement room = QStyle::SE_PushButtonContents;
  if (qobject_cast<const QCheckBox*>(&button)) room = QStyle::SE_CheckBoxContents;
  if (qobject_cast<const QRadioButton*>(&button)) room = QStyle::SE_RadioButtonContents;
  return button.style()->subElementRect(room, &option, &button).width();
}

void CheckButton(const QAbstractButton& button, QStringList& cut) {
  if (button.text().isEmpty()) return;
  const int needs = button.fontMetrics().horizontalAdvance(button.text());
  const int has = TextRoom(button);
  if (needs > has) cut.append(Describe(button, button.text(), needs, has));
}

void CheckLabel(const QLabel& label, QStringList& cut) {
  if (label.text().isEmpty()) return;
  if (label.wordWrap()) {
    const int needs = label.heightForWidth(label.width());
    if (needs > label.height()) cut.append(Describe(label, label.text(), needs, label.height()));
    return;
  }
  const int needs = label.fontMetrics().horizontalAdvance(label.text()) + 2 * label.margin() +
                    2 * label.frameWidth() + 2 * label.indent();
  if (needs > label.width()) cut.append(Describe(label, label.text(), needs, label.width()));
}

void CheckGroupTitle(const QGroupBox& group, QStringList& cut) {
  QStyleOptionGroupBox option;
  option.initFrom(&group);
  option.text = group.title();
  option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
  const int has =
      group.style()
          ->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &group)
          .width();
  const int needs = group.fontMetrics().horizontalAdvance(group.title());
  if (needs > has || group.width() < needs) cut.append(Describe(group, group.title(), needs, has));
}

void CheckHeader(const QHeaderView& header, QStringList& cut) {
  for (int section = 0; section < header.count(); ++section) {
    const int needs = header.sectionSizeHint(section);
    const int has = header.sectionSize(section);
    const QString text = header.model()->headerData(section, header.orientation()).toString();
    if (needs > has) cut.append(Describe(*header.parentWidget(), text, needs, has));
  }
}

}  // namespace

QStringList CutTexts(const QWidget& form) {
  QStringList cut;
  for (const QWidget* control : form.findChildren<QWidget*>()) {
    // Menus and dialogs the form owns are forms of their own.
    if (control->window() != form.window()) continue;
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
      CheckButton(*button, cut);
    } else if (const auto* label = qobject_cast<const QLabel*>(control)) {
      CheckLabel(*label, cut);
    } else if (const auto* group = qobject_cast<const QGroupBox*>(control)) {
      CheckGroupTitle(*group, cut);
    } else if (const auto* header = qobject_cast<const QHeaderView*>(control)) {
      CheckHeader(*header, cut);
    }
  }
  return cut;
}

}  // namespace testkit
