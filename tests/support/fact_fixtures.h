// Files that hold known facts (date taken, camera, position, orientation), tagged by exiftool,
// for the tests of the facts the scan reads and the catalogue keeps.
#ifndef QUORVEL_TESTS_SUPPORT_FACT_FIXTURES_H_
#define QUORVEL_TESTS_SUPPORT_FACT_FIXTURES_H_

#include <QString>
#include <QStringList>
#include <cstdint>

#include "catalog/picture_facts.h"

namespace quorvel::testkit {

// Seconds from 1970-01-01 00:00:00 of a clock that shows this date and time.
std::int64_t ClockSeconds(int year, int month, int day, int hour, int minute, int second);

// Writes `tags` ("-Name=value", as exiftool takes them) into the file at `path`, in place.
// False, with exiftool's complaint on stderr, when it fails.
bool WriteExifTags(const QString& path, const QStringList& tags);

// What a field camera writes: DateTimeOriginal, Make, Model, a GPS position in the north-east
// and Orientation 6 (the picture is stored a quarter turn from upright).
QStringList FieldCameraTags();
// The facts those tags state, the size being that of the upright picture of one stored as
// `width` x `height`. The file's size and time are left unknown.
PictureFacts FieldCameraFacts(int width, int height);

// Expects (gtest) `actual` to be `expected`, each fact on its own, positions to a millionth of a
// degree (EXIF keeps them as fractions); `what` names the file in the messages.
void ExpectFacts(const PictureFacts& actual, const PictureFacts& expected, const QString& what);

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_FACT_FIXTURES_H_
