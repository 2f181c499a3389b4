// The small buttons of the dialog's pages, made alike: named, placed, out of the tab order
// where a flat glyph button would be.
#ifndef QUORVEL_PLATFORM_FORM_CONTROLS_H_
#define QUORVEL_PLATFORM_FORM_CONTROLS_H_

#include <QRect>
#include <QString>

class QPushButton;
class QToolButton;
class QWidget;

namespace quorvel {

// A flat tool button (a "speed button"): it takes no focus, as clicking it must not move the
// focus away from the field it serves.
QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QString& text,
                             const QRect& rect);

// A push button that is never the dialog's default: Enter in a field must not press it.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QRect& rect);

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_FORM_CONTROLS_H_
