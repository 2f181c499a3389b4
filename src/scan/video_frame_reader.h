// Videos: one frame at about a tenth of the duration, through FFmpeg's libraries.
#ifndef QUORVEL_SCAN_VIDEO_FRAME_READER_H_
#define QUORVEL_SCAN_VIDEO_FRAME_READER_H_

#include <QByteArray>
#include <QImage>
#include <QString>
#include <stop_token>
#include <vector>

#include "scan/byte_source.h"

namespace quorvel {

// The video suffixes, lower case, without the dot.
const std::vector<QByteArray>& VideoSuffixes();
// "FFmpeg" and the version of the libraries linked.
QString VideoLibrary();

// The frame at about 10 % of the duration of the video `source` opens by seeking (the first
// frame when the duration is unknown), with its display aspect, fitted into `side` x `side`
// (FittedSize). Null with `message` set when the file is not a video FFmpeg can decode, its
// frame would need more than kMaxDecodedBytes, or `stop` is requested.
QImage ReadVideoFrame(ByteSource& source, int side, std::stop_token stop, QString* message);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_VIDEO_FRAME_READER_H_
