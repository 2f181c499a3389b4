// The one place where an error of the core becomes the words the user reads in a window.
#ifndef QUORVEL_PLATFORM_ERROR_TEXT_H_
#define QUORVEL_PLATFORM_ERROR_TEXT_H_

#include <QString>
#include <exception>

namespace quorvel {

// The text an error box shows for `error`: in Russian for the kinds that have their own words
// (a catalogue another program is changing, one too damaged to change), the error's own detail
// otherwise; for an exception that is not the program's (out of memory), its system text.
QString ErrorText(const std::exception& error);

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_ERROR_TEXT_H_
