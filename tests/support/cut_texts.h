// Finds the controls of a form whose text its font and style would cut at the size the control
// has: the check of every form laid out in pixels.
#ifndef QUORVEL_TESTS_SUPPORT_CUT_TEXTS_H_
#define QUORVEL_TESTS_SUPPORT_CUT_TEXTS_H_

#include <QStringList>

class QWidget;

namespace testkit {

// Each control under `form` (buttons, check boxes, radio buttons, labels, group box titles,
// list headers) whose text does not fit, as "objectName: text (needs N, has M)".
QStringList CutTexts(const QWidget& form);

}  // namespace testkit

#endif  // QUORVEL_TESTS_SUPPORT_CUT_TEXTS_H_
