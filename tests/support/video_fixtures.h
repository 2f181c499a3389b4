// Videos made by the ffmpeg command, and the other tools the tests and the benchmarks of the
// video reader compare with, run as processes.
#ifndef QUORVEL_TESTS_SUPPORT_VIDEO_FIXTURES_H_
#define QUORVEL_TESTS_SUPPORT_VIDEO_FIXTURES_H_

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

namespace quorvel::testkit {

// Runs the commands (each the program, then its arguments) all at once and waits for them.
// False, with what failed on stderr, when one cannot start or does not exit with 0.
bool RunAll(const QList<QStringList>& commands);

// The ffmpeg command that writes `path` from ffmpeg's test pattern (a picture that moves every
// frame, with a running count of seconds) of `size`, `seconds` long at `rate` frames a second,
// with `encoding` (codec, muxer and filter options) between the input and the output.
QStringList TestPatternVideo(const QString& path, QSize size, int seconds, int rate,
                             const QStringList& encoding);

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_VIDEO_FIXTURES_H_
