// Arbitrary bytes as a video file: FFmpeg's demuxers and decoders behind the video module's
// reader, read by seeking, must end with a frame fitted into the side asked for, or a message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "scan/byte_source.h"
#include "scan/video_module.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quorvel::MemoryByteSource source(std::vector<std::uint8_t>(data, data + size));
  const std::stop_token never;
  QImage frame;
  QString message;
  quorvel::PictureFacts facts;
  quorvel_video_read_frame(&source, 100, &never, &frame, &message, &facts);
  if (frame.isNull() ? message.isEmpty()
                     : frame.width() < 1 || frame.height() < 1 || frame.width() > 100 ||
                           frame.height() > 100) {
    std::abort();
  }
  return 0;
}
