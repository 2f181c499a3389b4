#include "scan/thumbnail_renderer.h"

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "catalog/format.h"
#include "scan/file_access.h"

namespace quorvel {
namespace {

// How much of a file is read at once when a single picture is rendered from its file.
constexpr std::size_t kReadChunk = 256 * 1024;
// Rows asked of libjpeg per call; it may give fewer.
constexpr int kRowBatch = 16;
// Progressive and multi-scan JPEGs need whole-image coefficient buffers (2 bytes per sample of
// every component): those larger than this fail instead of taking the machine's memory.
constexpr long kJpegMemoryLimit = 256L * 1024 * 1024;

// Reduces RGB rows, given top to bottom, to out_width x out_height by exact area averaging: each
// output pixel is the mean of the input area it covers, edge pixels counted by their fraction.
// Holds only the output sums, so it costs memory proportional to the result.
class AreaReducer {
 public:
  AreaReducer(int in_width, int in_height, int out_width, int out_height)
      : columns_(Splits(in_width, out_width)),
        rows_(Splits(in_height, out_height)),
        // One spare pixel and one spare row take the zero-weight share of the last input pixel,
        // which keeps the inner loop free of branches.
        line_(static_cast<std::size_t>(out_width + 1) * 3),
        sums_(static_cast<std::size_t>(out_width + 1) * 3 * (out_height + 1)),
        out_width_(out_width),
        out_height_(out_height) {}

  void AddRow(const std::uint8_t* rgb) {
    if (next_row_ >= static_cast<int>(rows_.size())) return;
    std::fill(line_.begin(), line_.end(), 0.0f);
    for (const Split& split : columns_) {
      float* out = &line_[static_cast<std::size_t>(split.first) * 3];
      const float r = rgb[0], g = rgb[1], b = rgb[2];
      out[0] += r * split.near_weight;
      out[1] += g * split.near_weight;
      out[2] += b * split.near_weight;
      out[3] += r * split.far_weight;
      out[4] += g * split.far_weight;
      out[5] += b * split.far_weight;
      rgb += 3;
    }
    const Split& split = rows_[static_cast<std::size_t>(next_row_++)];
    const std::size_t stride = line_.size();
    float* near = &sums_[static_cast<std::size_t>(split.first) * stride];
    float* far = near + stride;
    for (std::size_t i = 0; i < stride; ++i) {
      near[i] += line_[i] * split.near_weight;
      far[i] += line_[i] * split.far_weight;
    }
  }

  QImage Result() const {
    QImage image(out_width_, out_height_, QImage::Format_RGB32);
    const std::size_t stride = line_.size();
    for (int y = 0; y < out_height_; ++y) {
      const float* sum = &sums_[static_cast<std::size_t>(y) * stride];
      auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < out_width_; ++x, sum += 3) {
        out[x] = qRgb(Channel(sum[0]), Channel(sum[1]), Channel(sum[2]));
      }
    }
    return image;
  }

 private:
  // Input pixel i covers [i, i + 1) * out / in in output units; with out <= in that touches
  // output pixel `first` and at most the next one.
  struct Split {
    int first;
    float near_weight;
    float far_weight;
  };

  static std::vector<Split> Splits(int in, int out) {
    std::vector<Split> splits(static_cast<std::size_t>(in));
    const double ratio = static_cast<double>(out) / in;
    for (int i = 0; i < in; ++i) {
      const double low = i * ratio;
      const double high = (i + 1) * ratio;
      const int first = std::min(static_cast<int>(low), out - 1);
      const double boundary = first + 1.0;
      if (high > boundary && first + 1 < out) {
        splits[static_cast<std::size_t>(i)] = {first, static_cast<float>(boundary - low),
                                               static_cast<float>(high - boundary)};
      } else {
        splits[static_cast<std::size_t>(i)] = {first, static_cast<float>(high - low), 0.0f};
      }
    }
    return splits;
  }

  static int Channel(float value) { return std::clamp(static_cast<int>(value + 0.5f), 0, 255); }

  std::vector<Split> columns_;
  std::vector<Split> rows_;
  std::vector<float> line_;
  std::vector<float> sums_;
  int out_width_;
  int out_height_;
  int next_row_ = 0;
};

// libjpeg reports fatal errors through error_exit, which must not return: jump back to the
// caller's setjmp. Only plain data lives between setjmp and the jump.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool damaged;    // a warning said that pixels are garbled
  bool cut;        // the file ended before the picture did
  bool cut_early;  // it ended before one row of blocks was complete: nothing of it decodes
};

void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// libjpeg decodes past damage and fills the gaps. Garbled entropy codes would make a thumbnail
// with noisy parts, so those warnings fail the render. A file cut short (a copy or download
// that stopped) keeps the part it has, the rest grey as every viewer shows it, unless it ended
// before any of the picture. The other warnings (stray bytes between markers, odd but whole
// headers) leave the picture intact.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  const int code = cinfo->err->msg_code;
  cinfo->err->num_warnings++;
  if (err->cut || err->damaged) return;  // the end of a cut file also reads as a hit marker
  if (code == JWRN_JPEG_EOF && cinfo->is_decompressor) {
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    err->cut = true;
    err->cut_early = decompress->input_scan_number <= 1 && decompress->input_iMCU_row == 0;
    if (err->cut_early) (*cinfo->err->format_message)(cinfo, err->message);
    return;
  }
  if (code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_MUST_RESYNC) {
    (*cinfo->err->format_message)(cinfo, err->message);
    err->damaged = true;
  }
}

// Everything one JPEG decode needs, owned by the caller so that no C++ object is created between
// setjmp and a jump out of libjpeg.
struct JpegJob {
  ByteSource* source = nullptr;
  int side = 0;
  const std::stop_token* stop = nullptr;
  std::vector<JSAMPLE> rows;
  std::optional<AreaReducer> reducer;
  int orientation = 1;
  char message[JMSG_LENGTH_MAX] = {};
};

// Feeds libjpeg the bytes as the reader delivers them, without copying them.
struct DeviceSource {
  jpeg_source_mgr pub;
  JpegJob* job;
  bool started;
};

void InitSource(j_decompress_ptr) {}

// The end of the picture, for a file that ended early.
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<DeviceSource*>(cinfo->src);
  const std::span<const std::uint8_t> got = src->job->source->Next(*src->job->stop);
  if (got.empty()) {
    if (!src->started) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // The usual end of a cut file: warn (which marks the picture damaged) and end the image.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->pub.next_input_byte = kEndOfImage;
    src->pub.bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
  }
  src->started = true;
  src->pub.next_input_byte = got.data();
  src->pub.bytes_in_buffer = got.size();
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  auto* src = reinterpret_cast<DeviceSource*>(cinfo->src);
  auto remaining = static_cast<std::size_t>(count);
  while (remaining > src->pub.bytes_in_buffer) {
    remaining -= src->pub.bytes_in_buffer;
    FillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += remaining;
  src->pub.bytes_in_buffer -= remaining;
}

void TermSource(j_decompress_ptr) {}

int OrientationOf(j_decompress_ptr cinfo) {
  for (jpeg_saved_marker_ptr marker = cinfo->marker_list; marker; marker = marker->next) {
    if (marker->marker != JPEG_APP0 + 1) continue;
    const int orientation = ExifOrientation(marker->data, marker->data_length);
    if (orientation != 1) return orientation;
  }
  return 1;
}

// Decodes at DctScaleEighths, so that the reduction afterwards only ever shrinks and never works
// on more pixels than it needs.
void ChooseScale(j_decompress_ptr cinfo, QSize target) {
  const QSize source(static_cast<int>(cinfo->image_width), static_cast<int>(cinfo->image_height));
  cinfo->scale_num = static_cast<unsigned int>(DctScaleEighths(source, target));
  cinfo->scale_denom = 8;
  jpeg_calc_output_dimensions(cinfo);
  // libjpeg rounds its output up as DctScaleEighths does; should it ever differ, take more.
  while (cinfo->scale_num < 8 && (static_cast<int>(cinfo->output_width) < target.width() ||
                                  static_cast<int>(cinfo->output_height) < target.height())) {
    ++cinfo->scale_num;
    jpeg_calc_output_dimensions(cinfo);
  }
}

// CMYK rows (Adobe's inverted convention when the Adobe marker says so) into RGB, in place.
void CmykToRgb(JSAMPLE* row, JDIMENSION width, bool inverted) {
  const JSAMPLE* in = row;
  JSAMPLE* out = row;
  for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
    int c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    out[0] = static_cast<JSAMPLE>((c * k + 127) / 255);
    out[1] = static_cast<JSAMPLE>((m * k + 127) / 255);
    out[2] = static_cast<JSAMPLE>((y * k + 127) / 255);
  }
}

// Returns false with job->message filled when libjpeg fails, the picture is damaged or cut
// before any of it, or the render is stopped; no C++ object is live across setjmp.
bool Decompress(JpegJob* job) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  DeviceSource src;
  std::memset(&err, 0, sizeof err);
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
  if (setjmp(err.jump)) {
    if (err.pub.msg_code == JERR_NO_BACKING_STORE) {
      std::snprintf(job->message, JMSG_LENGTH_MAX,
                    "This multi-scan JPEG needs more than %ld MB to decode",
                    kJpegMemoryLimit / (1024 * 1024));
    } else {
      std::snprintf(job->message, JMSG_LENGTH_MAX, "%s", err.message);
    }
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = kJpegMemoryLimit;
  src.pub.init_source = InitSource;
  src.pub.fill_input_buffer = FillInputBuffer;
  src.pub.skip_input_data = SkipInputData;
  src.pub.resync_to_restart = jpeg_resync_to_restart;
  src.pub.term_source = TermSource;
  src.pub.bytes_in_buffer = 0;
  src.pub.next_input_byte = nullptr;
  src.job = job;
  src.started = false;
  cinfo.src = &src.pub;
  jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&cinfo, TRUE);
  job->orientation = OrientationOf(&cinfo);

  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  const QSize target = FittedSize(
      QSize(static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height)), job->side);
  ChooseScale(&cinfo, target);
  jpeg_start_decompress(&cinfo);

  const JDIMENSION width = cinfo.output_width;
  const std::size_t stride = static_cast<std::size_t>(width) * cinfo.output_components;
  job->rows.resize(stride * kRowBatch);  // the vector belongs to the caller: safe across a jump
  job->reducer.emplace(static_cast<int>(width), static_cast<int>(cinfo.output_height),
                       target.width(), target.height());
  JSAMPROW rows[kRowBatch];
  for (int i = 0; i < kRowBatch; ++i) rows[i] = job->rows.data() + stride * i;

  bool stopped = false;
  while (cinfo.output_scanline < cinfo.output_height && !err.damaged && !err.cut_early) {
    if (job->stop->stop_requested()) {
      stopped = true;
      break;
    }
    const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, kRowBatch);
    for (JDIMENSION i = 0; i < got; ++i) {
      if (cmyk) CmykToRgb(rows[i], width, cinfo.saw_Adobe_marker);
      job->reducer->AddRow(rows[i]);
    }
  }
  // The rest of the file (past the last scan) holds no pixels: it is not read.
  const bool usable = !stopped && !err.damaged && !err.cut_early;
  if (stopped) std::snprintf(job->message, JMSG_LENGTH_MAX, "Rendering was stopped");
  if (err.damaged || err.cut_early) std::snprintf(job->message, JMSG_LENGTH_MAX, "%s", err.message);
  jpeg_destroy_decompress(&cinfo);
  return usable;
}

QImage Upright(const QImage& image, int orientation) {
  switch (orientation) {
    case 2:
      return image.mirrored(true, false);
    case 3:
      return image.mirrored(true, true);
    case 4:
      return image.mirrored(false, true);
    case 5:
      return image.mirrored(false, true).transformed(QTransform().rotate(90));
    case 6:
      return image.transformed(QTransform().rotate(90));
    case 7:
      return image.mirrored(true, false).transformed(QTransform().rotate(90));
    case 8:
      return image.transformed(QTransform().rotate(270));
    default:
      return image;
  }
}

QImage LoadJpeg(ByteSource& source, int side, const std::stop_token& stop, QString* message) {
  JpegJob job;
  job.source = &source;
  job.side = side;
  job.stop = &stop;
  if (!Decompress(&job)) {
    *message = QString::fromLocal8Bit(job.message);
    return {};
  }
  return Upright(job.reducer->Result(), job.orientation);
}

QImage ReadFitted(QImageReader& reader, int side, QString* message) {
  reader.setAutoTransform(true);
  const QSize size = reader.size();
  // The scaled size is given before the EXIF turn; fitting into a square does not care.
  if (size.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize)) {
    const QSize fitted = FittedSize(size, side);
    if (fitted != size) reader.setScaledSize(fitted);
  }
  QImage image;
  if (!reader.read(&image)) {
    *message = reader.errorString();
    return {};
  }
  const QSize fitted = FittedSize(image.size(), side);
  if (image.size() != fitted) {
    image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return image;
}

// The suffix of the file name in `path`, lower case, without the dot; empty when it has none.
QByteArray SuffixOf(const QString& path) {
  const qsizetype folder_end = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
  const qsizetype dot = path.lastIndexOf(u'.');
  if (dot <= folder_end || dot + 1 >= path.size()) return {};
  return path.mid(dot + 1).toLower().toLatin1();
}

QImage LoadWithQt(QByteArray bytes, const QString& path, int side, QString* message) {
  QBuffer device(&bytes);
  device.open(QIODevice::ReadOnly);
  {
    // By content first: a picture under the wrong suffix still renders.
    QImageReader by_content(&device);
    by_content.setDecideFormatFromContent(true);
    if (by_content.canRead()) return ReadFitted(by_content, side, message);
  }
  // Then by name, for formats without a signature to recognise them by (TGA).
  device.seek(0);
  QImageReader by_name(&device, SuffixOf(path));
  return ReadFitted(by_name, side, message);
}

// A source that gives `first` before the rest of `source`: the bytes looked at to tell the
// format are not lost to the decoder.
class PrefixedSource : public ByteSource {
 public:
  PrefixedSource(QByteArray first, ByteSource& source)
      : first_(std::move(first)), source_(source) {}
  std::span<const std::uint8_t> Next(std::stop_token stop) override {
    if (!first_given_) {
      first_given_ = true;
      if (!first_.isEmpty()) {
        return {reinterpret_cast<const std::uint8_t*>(first_.constData()),
                static_cast<std::size_t>(first_.size())};
      }
    }
    return source_.Next(std::move(stop));
  }
  QString ReadError() const override { return source_.ReadError(); }

 private:
  QByteArray first_;
  ByteSource& source_;
  bool first_given_ = false;
};

QImage Decode(ByteSource& source, const QString& path, int side, const std::stop_token& stop,
              QString* message) {
  if (side < 1) {
    *message = QStringLiteral("The thumbnail side must be positive");
    return {};
  }
  const auto stopped = [&] {
    *message = QStringLiteral("Rendering was stopped");
    return QImage();
  };
  if (stop.stop_requested()) return stopped();
  // Enough of the beginning to tell a JPEG by its first bytes, whatever its name.
  QByteArray first;
  bool ended = false;
  while (first.size() < 3) {
    const std::span<const std::uint8_t> got = source.Next(stop);
    if (got.empty()) {
      ended = true;
      break;
    }
    first.append(reinterpret_cast<const char*>(got.data()), static_cast<qsizetype>(got.size()));
  }
  if (stop.stop_requested()) return stopped();
  const auto* magic = reinterpret_cast<const unsigned char*>(first.constData());
  if (first.size() >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
    PrefixedSource whole(std::move(first), source);
    return LoadJpeg(whole, side, stop, message);
  }
  // Qt's readers want the whole file.
  while (!ended) {
    const std::span<const std::uint8_t> got = source.Next(stop);
    if (got.empty()) break;
    first.append(reinterpret_cast<const char*>(got.data()), static_cast<qsizetype>(got.size()));
  }
  if (stop.stop_requested()) return stopped();
  if (first.isEmpty() && !source.ReadError().isEmpty()) {
    *message = source.ReadError();
    return {};
  }
  return LoadWithQt(std::move(first), path, side, message);
}

// A file read in large pieces as the decoder asks for them.
class FileSource : public ByteSource {
 public:
  explicit FileSource(std::unique_ptr<OpenedFile> file) : file_(std::move(file)) {}
  std::span<const std::uint8_t> Next(std::stop_token stop) override {
    if (ended_ || stop.stop_requested()) return {};
    const std::int64_t got =
        file_->Read(buffer_.data(), static_cast<std::int64_t>(buffer_.size()), &error_);
    if (got <= 0) {
      ended_ = true;
      return {};
    }
    return {buffer_.data(), static_cast<std::size_t>(got)};
  }
  QString ReadError() const override { return error_; }

 private:
  std::unique_ptr<OpenedFile> file_;
  std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(kReadChunk);
  QString error_;
  bool ended_ = false;
};

}  // namespace

QSet<QByteArray> ReadableImageSuffixes() {
  QSet<QByteArray> suffixes;
  for (const QByteArray& format : QImageReader::supportedImageFormats()) {
    suffixes.insert(format.toLower());
  }
  return suffixes;
}

bool HasReadableSuffix(const QString& path, const QSet<QByteArray>& suffixes) {
  const QByteArray suffix = SuffixOf(path);
  return !suffix.isEmpty() && suffixes.contains(suffix);
}

QSize FittedSize(QSize source, int side) {
  if (source.width() < 1 || source.height() < 1 || side < 1) return {};
  if (source.width() <= side && source.height() <= side) return source;
  const qint64 width = source.width();
  const qint64 height = source.height();
  if (width >= height) {
    return {side, static_cast<int>(std::max<qint64>(1, (height * side + width / 2) / width))};
  }
  return {static_cast<int>(std::max<qint64>(1, (width * side + height / 2) / height)), side};
}

int DctScaleEighths(QSize source, QSize target) {
  auto covers = [&](int eighths) {
    auto scaled = [eighths](qint64 side) { return (side * eighths + 7) / 8; };
    return scaled(source.width()) >= target.width() && scaled(source.height()) >= target.height();
  };
  int eighths = 1;
  while (eighths < 8 && !covers(eighths)) ++eighths;
  return eighths;
}

int ExifOrientation(const std::uint8_t* data, std::size_t size) {
  static constexpr std::uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
  constexpr std::uint32_t kOrientationTag = 0x0112;
  constexpr std::uint32_t kShortType = 3;
  if (data == nullptr || size < sizeof kExifHeader + 8 ||
      std::memcmp(data, kExifHeader, sizeof kExifHeader) != 0) {
    return 1;
  }
  const std::uint8_t* tiff = data + sizeof kExifHeader;
  const std::size_t length = size - sizeof kExifHeader;
  bool little_endian;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    little_endian = true;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    little_endian = false;
  } else {
    return 1;
  }
  // Callers check that [at, at + 2) or [at, at + 4) lies inside the TIFF block.
  auto u16 = [&](std::size_t at) -> std::uint32_t {
    return little_endian ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
  };
  auto u32 = [&](std::size_t at) -> std::uint32_t {
    return little_endian ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
  };
  if (u16(2) != 42) return 1;
  const std::size_t ifd = u32(4);
  if (ifd > length || length - ifd < 2) return 1;
  const std::uint32_t entries = u16(ifd);
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::size_t entry = ifd + 2 + std::size_t{12} * i;
    if (entry > length || length - entry < 12) return 1;
    if (u16(entry) != kOrientationTag) continue;
    if (u16(entry + 2) != kShortType || u32(entry + 4) < 1) return 1;
    const std::uint32_t value = u16(entry + 8);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

QImage DecodeFittedPicture(ByteSource& source, const QString& path, int side, QString* error,
                           std::stop_token stop) {
  QString message;
  QImage picture = Decode(source, path, side, stop, &message);
  if (picture.isNull() && error) {
    *error = message.isEmpty() ? QStringLiteral("The picture could not be decoded") : message;
  }
  return picture;
}

QImage LoadFittedPicture(const QString& path, int side, QString* error, std::stop_token stop) {
  QString message;
  std::unique_ptr<OpenedFile> file = LocalFileAccess()->Open(path, &message);
  if (!file) {
    if (error) *error = message;
    return {};
  }
  FileSource source(std::move(file));
  return DecodeFittedPicture(source, path, side, error, std::move(stop));
}

QImage CentreOnWhite(const QImage& picture, int side) {
  QImage canvas(side, side, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  painter.drawImage((side - picture.width()) / 2, (side - picture.height()) / 2, picture);
  painter.end();
  return canvas;
}

QImage RenderThumbnail(const QString& path, QString* error, std::stop_token stop) {
  const QImage picture = LoadFittedPicture(path, kThumbSide, error, std::move(stop));
  if (picture.isNull()) return {};
  return CentreOnWhite(picture, kThumbSide);
}

}  // namespace quorvel
