#include "scan/video_frame_reader.h"

extern "C" {
#include <libavutil/avutil.h>
}

namespace quorvel {

const std::vector<QByteArray>& VideoSuffixes() {
  static const std::vector<QByteArray> suffixes = {
      "mp4", "m4v", "mov", "avi", "mkv", "webm", "mpg", "mpeg",
      "wmv", "3gp", "mts", "m2ts", "vob", "flv"};
  return suffixes;
}

QString VideoLibrary() { return QStringLiteral("FFmpeg ") + QString::fromUtf8(av_version_info()); }

QImage ReadVideoFrame(ByteSource& source, int side, std::stop_token stop, QString* message) {
  static_cast<void>(source);
  static_cast<void>(side);
  static_cast<void>(stop);
  *message = QStringLiteral("Videos are not decoded yet");
  return {};
}

}  // namespace quorvel
