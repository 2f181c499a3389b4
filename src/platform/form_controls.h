// The small buttons of the dialog's pages, made alike: named, placed, reached by Tab but not
// focused by a click, and wide enough for their texts.
#ifndef QUORVEL_PLATFORM_FORM_CONTROLS_H_
#define QUORVEL_PLATFORM_FORM_CONTROLS_H_

#include <QRect>
#include <QString>

class QAbstractButton;
class QPushButton;
class QToolButton;
class QWidget;

namespace quorvel {

// A flat tool button: Tab reaches it, but clicking it must not move the focus away from the
// field it serves.
QToolButton* MakeToolButton(QWidget* parent, const char* name, const QString& text,
                            const QRect& rect);

// A push button that is never the dialog's default: Enter in a field must not press it.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QRect& rect);

// The windows are laid out in pixels for one font, and the fonts of other desktops are wider:
// widens `control` to the width its style needs for its text when that is more than it has, and
// returns by how much it grew. Its position stays.
int WidenToText(QAbstractButton* control);

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_FORM_CONTROLS_H_
