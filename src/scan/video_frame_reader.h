// Videos: one frame at about a tenth of the duration, through FFmpeg's libraries. They are
// linked by the video module alone, loaded on the first video read: a program that reads none
// never maps them.
#ifndef QUORVEL_SCAN_VIDEO_FRAME_READER_H_
#define QUORVEL_SCAN_VIDEO_FRAME_READER_H_

#include <QByteArray>
#include <QImage>
#include <QString>
#include <stop_token>
#include <vector>

#include "catalog/picture_facts.h"
#include "scan/byte_source.h"

namespace quorvel {

// The video suffixes, lower case, without the dot.
const std::vector<QByteArray>& VideoSuffixes();
// Whether the video module is installed: looks for its file, loads nothing.
bool VideoModuleFound();
// "FFmpeg" and the version of the libraries the video module runs with; empty when the module
// cannot be loaded. Loads it.
QString VideoLibrary();

// The frame at about 10 % of the duration of the video `source` opens by seeking (the first
// frame when the duration is unknown), with its display aspect, fitted into `side` x `side`
// (FittedSize). Null with `message` set when the video module cannot be loaded, the file is not
// a video FFmpeg can decode, its frame would need more than kMaxDecodedBytes, or `stop` is
// requested. Loads the module on the first call. With `facts`, they are set to what the
// container says once FFmpeg could open it: duration, displayed size, date of recording (on
// this machine's wall clock), camera and position when it names them.
QImage ReadVideoFrame(ByteSource& source, int side, std::stop_token stop, QString* message,
                      PictureFacts* facts = nullptr);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_VIDEO_FRAME_READER_H_
