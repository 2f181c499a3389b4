#include "scan/video_module.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/display.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scan/decode_limits.h"
#include "scan/picture_geometry.h"
#include "scan/wall_clock.h"

namespace quorvel {
namespace {

// How much the demuxer asks the medium for at once.
constexpr int kIoBufferSize = 64 * 1024;
// A video whose frame at the target does not come within these is shown by the last frame
// decoded: a damaged or strange file must not keep the render busy for long.
constexpr int kMaxFramesDecoded = 300;
constexpr int kMaxPacketsRead = 3000;
constexpr char kStopped[] = "Rendering was stopped";
// Longer than any video (35 years, in AV_TIME_BASE units).
constexpr std::int64_t kLongestTime = std::int64_t{1} << 50;
// Seeks made again when the demuxer lands past the frame wanted.
constexpr int kMaxSeekRetries = 3;
// The demuxers of the containers behind the video suffixes. Probing is kept to them, so that a
// file named like a video cannot bring in a playlist or a concatenation that opens other files.
constexpr char kDemuxers[] = "mov,avi,matroska,webm,mpeg,mpegts,asf,flv,mpegvideo";

void SilenceFfmpeg() {
  static const bool silenced = [] {
    av_log_set_level(AV_LOG_QUIET);
    return true;
  }();
  static_cast<void>(silenced);
}

struct FormatCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct IoFreer {
  void operator()(AVIOContext* io) const {
    av_freep(&io->buffer);
    avio_context_free(&io);
  }
};
struct CodecFreer {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerFreer {
  void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;

// The demuxer's reads and seeks, on the opened file.
struct FileIo {
  OpenedFile* file;
  const std::stop_token* stop;
  std::int64_t position = 0;
  QString error;
};

int ReadFromFile(void* opaque, std::uint8_t* buffer, int size) {
  auto* io = static_cast<FileIo*>(opaque);
  if (io->stop->stop_requested()) return AVERROR_EXIT;
  const std::int64_t got = io->file->Read(buffer, size, &io->error);
  if (got < 0) return AVERROR(EIO);
  if (got == 0) return AVERROR_EOF;
  io->position += got;
  return static_cast<int>(got);
}

std::int64_t SeekInFile(void* opaque, std::int64_t offset, int whence) {
  auto* io = static_cast<FileIo*>(opaque);
  const std::int64_t size = io->file->Size();
  std::int64_t from = 0;
  switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
      return size;
    case SEEK_SET:
      break;
    case SEEK_CUR:
      from = io->position;
      break;
    case SEEK_END:
      from = size;
      break;
    default:
      return AVERROR(EINVAL);
  }
  // Compared before it is added: a damaged index can ask for any offset.
  if (offset < -from || offset > size - from) return AVERROR(EINVAL);
  QString error;
  if (!io->file->Seek(from + offset, &error)) return AVERROR(EIO);
  io->position = from + offset;
  return io->position;
}

int Interrupted(void* opaque) {
  return static_cast<const std::stop_token*>(opaque)->stop_requested() ? 1 : 0;
}

// Containers that point at other files (reference movies) find none.
int RefuseOtherFiles(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

bool TooLarge(std::int64_t width, std::int64_t height) {
  return width * height > kMaxDecodedBytes / 4;
}

// The stream's display rotation, clockwise, in quarter turns.
int QuarterTurns(const AVStream* stream) {
  std::size_t size = 0;
  const auto* matrix = reinterpret_cast<const std::int32_t*>(
      av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size));
  if (!matrix || size < 9 * sizeof(std::int32_t)) return 0;
  const double degrees = -av_display_rotation_get(matrix);
  if (std::isnan(degrees)) return 0;
  return static_cast<int>(std::lround(degrees / 90.0) % 4 + 4) % 4;
}

// The value of the first of `keys` that `metadata` holds, blanks trimmed; empty when none does.
std::string Tag(const AVDictionary* metadata, std::initializer_list<const char*> keys) {
  for (const char* key : keys) {
    const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
    if (!entry || !entry->value) continue;
    std::string value = entry->value;
    const std::size_t end = value.find_last_not_of(' ');
    value.erase(end == std::string::npos ? 0 : end + 1);
    value.erase(0, value.find_first_not_of(' '));
    if (!value.empty()) return value;
  }
  return {};
}

// The date and time at the start of `text` ("2019-07-12T14:03:00", then anything), as seconds
// from 1970-01-01 00:00:00 of the clock it was read from.
std::optional<std::int64_t> ClockTime(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d", &year, &month, &day, &hour, &minute,
                  &second) != 6) {
    return std::nullopt;
  }
  const std::chrono::year_month_day date{std::chrono::year(year) / month / day};
  if (!date.ok() || hour > 23 || minute > 59 || second > 60) return std::nullopt;
  return std::chrono::sys_days(date).time_since_epoch() / std::chrono::seconds(1) + hour * 3600 +
         minute * 60 + second;
}

// When the video was recorded, as the camera's clock showed it. Apple's creation date is that
// clock's time (its zone follows). The container's creation_time is UTC, as phones and cameras
// store it; the person who took the video thinks of it by the clock of the place, which this
// machine's zone stands for: it is turned into this machine's wall-clock time.
std::optional<std::int64_t> RecordedAt(const AVDictionary* metadata) {
  if (auto local = ClockTime(Tag(metadata, {"com.apple.quicktime.creationdate"}))) return local;
  const std::string utc = Tag(metadata, {"creation_time"});
  std::int64_t microseconds = 0;
  if (utc.empty() || av_parse_time(&microseconds, utc.c_str(), 0) < 0 || microseconds <= 0) {
    return std::nullopt;
  }
  return LocalWallClock(microseconds / 1000000);
}

// The position of ISO 6709's "+48.8583+002.2945/" (an altitude may follow), in decimal degrees.
std::optional<GeoPosition> Iso6709(const std::string& text) {
  if (text.empty() || (text[0] != '+' && text[0] != '-')) return std::nullopt;
  char* end = nullptr;
  const double latitude = std::strtod(text.c_str(), &end);
  if (*end != '+' && *end != '-') return std::nullopt;
  const char* longitude_text = end;
  const double longitude = std::strtod(longitude_text, &end);
  if (end == longitude_text || std::abs(latitude) > 90 || std::abs(longitude) > 180) {
    return std::nullopt;
  }
  return GeoPosition{latitude, longitude};
}

// The frame as it is to be shown.
struct DecodedFrame {
  FramePtr frame;
  AVRational sample_aspect{0, 1};
  int quarter_turns = 0;
};

// One video file's demuxer and decoder, from the opening of the file to the frame wanted.
class FrameDecoding {
 public:
  FrameDecoding(OpenedFile& file, const std::stop_token& stop) : io_{&file, &stop, 0, {}} {}

  // The frame at about a tenth of the video's duration; null with `message` set when there is
  // none to be had.
  // With `facts`, they are set to what the container says once it is open.
  DecodedFrame Decode(QString* message, PictureFacts* facts) {
    DecodedFrame result;
    const char* failure = Open();
    if (!failure && facts) *facts = Facts();
    if (!failure) failure = DecodeToTarget(result);
    if (failure) {
      if (io_.stop->stop_requested()) {
        *message = QString::fromLatin1(kStopped);
      } else if (!io_.error.isEmpty()) {
        *message = io_.error;
      } else {
        *message = QString::fromLatin1(failure);
      }
      result.frame.reset();
    }
    return result;
  }

 private:
  // Null once the demuxer and the decoder of the best video stream are open; else what failed.
  const char* Open() {
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
    if (!buffer) return "Out of memory";
    pb_.reset(
        avio_alloc_context(buffer, kIoBufferSize, 0, &io_, ReadFromFile, nullptr, SeekInFile));
    if (!pb_) {
      av_free(buffer);
      return "Out of memory";
    }
    AVFormatContext* opening = avformat_alloc_context();
    if (!opening) return "Out of memory";
    opening->pb = pb_.get();
    opening->interrupt_callback = {Interrupted, const_cast<std::stop_token*>(io_.stop)};
    opening->io_open = RefuseOtherFiles;
    opening->format_whitelist = av_strdup(kDemuxers);
    // Frees the context itself when it fails.
    if (avformat_open_input(&opening, "", nullptr, nullptr) < 0) {
      return "The file is not a video FFmpeg can read";
    }
    format_.reset(opening);

    // Probing the streams decodes a little of each: the same bound holds there.
    const std::string max_pixels = std::to_string(kMaxDecodedBytes / 4);
    std::vector<AVDictionary*> options(format_->nb_streams, nullptr);
    for (AVDictionary*& stream_options : options) {
      av_dict_set(&stream_options, "max_pixels", max_pixels.c_str(), 0);
    }
    const int probed = avformat_find_stream_info(format_.get(), options.data());
    for (AVDictionary*& stream_options : options) av_dict_free(&stream_options);
    if (probed < 0) return "The streams of the video could not be read";

    const AVCodec* codec = nullptr;
    index_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index_ < 0 || !codec) return "The file holds no video FFmpeg can decode";
    stream_ = format_->streams[index_];
    const AVCodecParameters* parameters = stream_->codecpar;
    // The probe forgets a size that fails FFmpeg's own bound or ours.
    if (parameters->width <= 0 || parameters->height <= 0) {
      return "The video's frame size is unknown or too large to decode";
    }
    if (TooLarge(parameters->width, parameters->height)) {
      return "The video's frames are too large to decode";
    }
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_ || avcodec_parameters_to_context(decoder_.get(), parameters) < 0) {
      return "Out of memory";
    }
    decoder_->max_pixels = kMaxDecodedBytes / 4;
    decoder_->pkt_timebase = stream_->time_base;
    // One file renders per core already; threads within a decoder only add their start-up and,
    // for frame threads, a delay of as many frames.
    decoder_->thread_count = 1;
    if (avcodec_open2(decoder_.get(), codec, nullptr) < 0) {
      return "The video's codec could not be opened";
    }
    return nullptr;
  }

  // The video's duration in AV_TIME_BASE units; 0 or less when unknown.
  std::int64_t Duration() const {
    if (format_->duration > 0 || stream_->duration <= 0) return format_->duration;
    return av_rescale_q(stream_->duration, stream_->time_base, AV_TIME_BASE_Q);
  }

  // What the container and the video stream say of the video.
  PictureFacts Facts() const {
    PictureFacts facts;
    const std::int64_t duration = Duration();
    // The duration of a damaged header is not taken, as it is not for the target.
    if (duration > 0 && duration < kLongestTime) facts.duration_ms = duration / 1000;
    const AVCodecParameters* parameters = stream_->codecpar;
    const AVRational aspect = av_guess_sample_aspect_ratio(format_.get(), stream_, nullptr);
    double width = parameters->width;
    if (aspect.num > 0 && aspect.den > 0) width *= av_q2d(aspect);
    facts.width = static_cast<std::int32_t>(std::lround(std::clamp(width, 1.0, 16777216.0)));
    facts.height = parameters->height;
    if (QuarterTurns(stream_) % 2 == 1) std::swap(facts.width, facts.height);
    const AVDictionary* metadata = format_->metadata;
    facts.taken = RecordedAt(metadata);
    if (!facts.taken) facts.taken = RecordedAt(stream_->metadata);
    facts.make = Tag(metadata, {"com.apple.quicktime.make", "make", "com.android.manufacturer"});
    facts.model = Tag(metadata, {"com.apple.quicktime.model", "model", "com.android.model"});
    facts.position = Iso6709(Tag(metadata, {"com.apple.quicktime.location.ISO6709", "location"}));
    return facts;
  }

  // A video often opens on black: the frame wanted is the one at a tenth of the duration,
  // decoded forward from the keyframe at or before it. Without a duration, or where the
  // demuxer cannot seek, the first frame.
  const char* DecodeToTarget(DecodedFrame& result) {
    const std::int64_t duration = Duration();
    std::int64_t start = 0;
    if (format_->start_time != AV_NOPTS_VALUE) {
      start = format_->start_time;
    } else if (stream_->start_time != AV_NOPTS_VALUE) {
      start = av_rescale_q(stream_->start_time, stream_->time_base, AV_TIME_BASE_Q);
    }
    const bool still = (stream_->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
    // The times of a damaged header are not taken: they could overflow what is computed here.
    if (duration > 0 && duration < kLongestTime && std::abs(start) < kLongestTime && !still) {
      target_ = start + duration / 10;
      has_target_ = SeekBefore(target_);
      if (!has_target_) SeekBefore(start);
    }
    int retries = 0;
    const auto packet = std::unique_ptr<AVPacket, PacketFreer>(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    result.frame.reset(av_frame_alloc());
    if (!packet || !frame || !result.frame) return "Out of memory";
    bool have_frame = false;
    bool draining = false;
    bool reached = false;
    int frames = 0;
    for (int rounds = 0; !reached && rounds < kMaxPacketsRead && frames < kMaxFramesDecoded;
         ++rounds) {
      if (io_.stop->stop_requested()) return kStopped;
      if (!draining) {
        const int read = av_read_frame(format_.get(), packet.get());
        if (read == AVERROR_EXIT || io_.stop->stop_requested()) return kStopped;
        if (read < 0) {
          draining = true;
          avcodec_send_packet(decoder_.get(), nullptr);
        } else if (packet->stream_index == index_) {
          // Frames before the target that nothing refers to need not be decoded at all.
          decoder_->skip_frame =
              has_target_ && packet->pts != AV_NOPTS_VALUE && packet->pts < TargetInStream()
                  ? AVDISCARD_NONREF
                  : AVDISCARD_DEFAULT;
          // A damaged packet is passed over: later ones may still decode.
          avcodec_send_packet(decoder_.get(), packet.get());
          av_packet_unref(packet.get());
        } else {
          av_packet_unref(packet.get());
          continue;
        }
      }
      for (;;) {
        const int received = avcodec_receive_frame(decoder_.get(), frame.get());
        if (received == AVERROR(EAGAIN)) break;
        if (received < 0) {
          if (draining) frames = kMaxFramesDecoded;  // nothing more will come
          break;
        }
        ++frames;
        const std::int64_t at = frame->best_effort_timestamp;
        const bool fresh = std::exchange(just_seeked_, false);
        if (fresh && has_target_ && at != AV_NOPTS_VALUE && at > TargetInStream() &&
            retries < kMaxSeekRetries) {
          // The demuxers that seek by searching the bytes can land past the target: back
          // further, and at last from the start.
          ++retries;
          const std::int64_t back = retries < kMaxSeekRetries
                                        ? target_ - (std::int64_t{AV_TIME_BASE} << (retries - 1))
                                        : start;
          if (SeekBefore(std::max(back, start))) {
            draining = false;
            av_frame_unref(frame.get());
            break;
          }
        }
        av_frame_unref(result.frame.get());
        av_frame_move_ref(result.frame.get(), frame.get());
        have_frame = true;
        reached = !has_target_ || at == AV_NOPTS_VALUE || at >= TargetInStream();
        if (reached) break;
      }
    }
    if (!have_frame) return "No frame of the video could be decoded";
    // Where the target was not reached, the last frame decoded is the nearest.
    result.sample_aspect = av_guess_sample_aspect_ratio(format_.get(), stream_, result.frame.get());
    result.quarter_turns = QuarterTurns(stream_);
    return nullptr;
  }

  // Seeks the video stream to the keyframe at or before `time` (in AV_TIME_BASE units).
  bool SeekBefore(std::int64_t time) {
    const std::int64_t at = av_rescale_q(time, AV_TIME_BASE_Q, stream_->time_base);
    if (av_seek_frame(format_.get(), index_, at, AVSEEK_FLAG_BACKWARD) < 0) return false;
    avcodec_flush_buffers(decoder_.get());
    just_seeked_ = true;
    return true;
  }

  std::int64_t TargetInStream() const {
    return av_rescale_q(target_, AV_TIME_BASE_Q, stream_->time_base);
  }

  FileIo io_;
  // Destroyed in this order: the decoder, the demuxer, then its reads.
  std::unique_ptr<AVIOContext, IoFreer> pb_;
  std::unique_ptr<AVFormatContext, FormatCloser> format_;
  std::unique_ptr<AVCodecContext, CodecFreer> decoder_;
  int index_ = -1;
  AVStream* stream_ = nullptr;
  std::int64_t target_ = 0;  // in AV_TIME_BASE units
  bool has_target_ = false;
  bool just_seeked_ = false;
};

// `frame` at its display aspect, reduced into `side` x `side` and turned upright.
QImage Fit(const DecodedFrame& decoded, int side, QString* message) {
  const AVFrame& frame = *decoded.frame;
  if (frame.width <= 0 || frame.height <= 0 || TooLarge(frame.width, frame.height)) {
    *message = QStringLiteral("The video's frame has an impossible size");
    return {};
  }
  double display_width = frame.width;
  if (decoded.sample_aspect.num > 0 && decoded.sample_aspect.den > 0) {
    display_width *= av_q2d(decoded.sample_aspect);
  }
  // A damaged aspect ratio cannot make the size overflow: it is fitted into the side anyway.
  QSize display(static_cast<int>(std::lround(std::clamp(display_width, 1.0, 16777216.0))),
                frame.height);
  const bool across = decoded.quarter_turns % 2 == 1;
  if (across) display.transpose();
  QSize fitted = FittedSize(display, side);
  if (across) fitted.transpose();

  // Bicubic, as FFmpeg's scale filter reduces by default: the very picture ffmpegthumbnailer,
  // the desktops' video thumbnailer, shows.
  const std::unique_ptr<SwsContext, ScalerFreer> scaler(sws_getContext(
      frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), fitted.width(),
      fitted.height(), AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!scaler) {
    *message = QStringLiteral("The video's pixel format cannot be converted");
    return {};
  }
  // A YUV frame's own colour matrix and range, where it names them.
  const AVPixFmtDescriptor* layout = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
  int* source_table = nullptr;
  int* destination_table = nullptr;
  int source_range = 0, destination_range = 0, brightness = 0, contrast = 0, saturation = 0;
  if (layout && !(layout->flags & AV_PIX_FMT_FLAG_RGB) &&
      sws_getColorspaceDetails(scaler.get(), &source_table, &source_range, &destination_table,
                               &destination_range, &brightness, &contrast, &saturation) >= 0) {
    // A file's stream may state any number for these, which FFmpeg copies into the enum fields
    // unchecked: they are read as the integers they are (sws_getCoefficients takes any value).
    static_assert(sizeof(frame.colorspace) == sizeof(int) &&
                  sizeof(frame.color_range) == sizeof(int));
    int colorspace = 0, color_range = 0;
    std::memcpy(&colorspace, &frame.colorspace, sizeof colorspace);
    std::memcpy(&color_range, &frame.color_range, sizeof color_range);
    if (color_range != AVCOL_RANGE_UNSPECIFIED) {
      source_range = color_range == AVCOL_RANGE_JPEG ? 1 : 0;
    }
    sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(colorspace), source_range,
                             destination_table, destination_range, brightness, contrast,
                             saturation);
  }
  QImage image(fitted, QImage::Format_RGB888);
  if (image.isNull()) {
    *message = QStringLiteral("Out of memory");
    return {};
  }
  std::uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
  int strides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
  if (sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) <= 0) {
    *message = QStringLiteral("The video's frame could not be converted");
    return {};
  }
  if (decoded.quarter_turns == 0) return image;
  return image.transformed(QTransform().rotate(90.0 * decoded.quarter_turns));
}

QImage ReadFrame(ByteSource& source, int side, std::stop_token stop, QString* message,
                 PictureFacts* facts) {
  SilenceFfmpeg();
  DecodedFrame decoded;
  {
    const std::unique_ptr<OpenedFile> file = source.OpenForSeeking(stop, message);
    if (!file) return {};
    decoded = FrameDecoding(*file, stop).Decode(message, facts);
  }  // FFmpeg is done with the file and the medium is given back before the frame is reduced
  if (!decoded.frame) return {};
  return Fit(decoded, side, message);
}

}  // namespace
}  // namespace quorvel

extern "C" {

Q_DECL_EXPORT int quorvel_video_interface() { return QUORVEL_VIDEO_MODULE_INTERFACE; }

Q_DECL_EXPORT void quorvel_video_library(QString* name) {
  *name = QStringLiteral("FFmpeg ") + QString::fromUtf8(av_version_info());
}

Q_DECL_EXPORT void quorvel_video_read_frame(quorvel::ByteSource* source, int side,
                                            const std::stop_token* stop, QImage* frame,
                                            QString* message, quorvel::PictureFacts* facts) {
  *frame = quorvel::ReadFrame(*source, side, *stop, message, facts);
}
}
