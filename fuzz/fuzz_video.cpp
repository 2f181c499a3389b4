// Arbitrary bytes as a video file: FFmpeg's demuxers and decoders behind the video reader, read
// by seeking, must end with a frame fitted into the side asked for, or with a message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "scan/byte_source.h"
#include "scan/video_frame_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quorvel::MemoryByteSource source(std::vector<std::uint8_t>(data, data + size));
  QString message;
  const QImage frame = quorvel::ReadVideoFrame(source, 100, {}, &message);
  if (frame.isNull() ? message.isEmpty()
                     : frame.width() < 1 || frame.height() < 1 || frame.width() > 100 ||
                           frame.height() > 100) {
    std::abort();
  }
  return 0;
}
