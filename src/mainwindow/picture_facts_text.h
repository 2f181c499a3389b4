// The facts of a catalogued picture in the words the window shows them in: the line under a
// thumbnail's path in its tooltip and after it in the status bar.
#ifndef QUORVEL_MAINWINDOW_PICTURE_FACTS_TEXT_H_
#define QUORVEL_MAINWINDOW_PICTURE_FACTS_TEXT_H_

#include <QString>
#include <cstdint>

#include "catalog/picture_facts.h"

namespace quorvel {

// "Снято: 12.07.2019 14:03, Canon EOS 70D, 5472 x 3648, 7,2 МБ", and a video's length after
// them ("0:42", "1:02:03"). A fact that is not known is left out with its comma; a picture
// without a date begins with its camera. Empty when nothing is known.
QString PictureFactsText(const PictureFacts& facts);

// A file size as "512 Б", "7,2 МБ": in the largest of Б, КБ, МБ, ГБ (of 1,024 each) that
// leaves at least one, with one decimal but in bytes.
QString DataSizeText(std::int64_t bytes);

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_PICTURE_FACTS_TEXT_H_
