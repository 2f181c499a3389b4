#include "scan/jpeg_picture_decoder.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <cstring>
#include <optional>
#include <vector>

#include "catalog/jpeg_error_manager.h"
#include "scan/area_reducer.h"
#include "scan/decode_limits.h"
#include "scan/exif_reader.h"
#include "scan/jpeg_facts.h"
#include "scan/picture_geometry.h"

namespace quorvel {
namespace {

// Rows asked of libjpeg per call; it may give fewer.
constexpr int kRowBatch = 16;
// Progressive and multi-scan JPEGs need whole-image coefficient buffers (2 bytes per sample of
// every component): those larger than this fail instead of taking the machine's memory.
constexpr long kJpegMemoryLimit = static_cast<long>(kMaxDecodedBytes);

// Everything one JPEG decode needs, owned by the caller so that no C++ object is created between
// setjmp and a jump out of libjpeg.
struct JpegJob {
  ByteSource* source = nullptr;
  int side = 0;
  const std::stop_token* stop = nullptr;
  std::vector<JSAMPLE> rows;
  std::optional<AreaReducer> reducer;
  int orientation = 0;            // the caller's, or 0 until the EXIF block's is read
  PictureFacts* facts = nullptr;  // the caller's, when it wants them
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
    // The usual end of a cut file: warn (which marks the picture cut) and end the image.
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
    const int orientation = ReadExif({marker->data, marker->data_length}).orientation;
    if (orientation != 1) return orientation;
  }
  return 1;
}

// The facts of the header as far as libjpeg has read it: its first EXIF block, and the frame's
// size once the frame header is read (libjpeg zeroes it until then).
PictureFacts HeaderFacts(j_decompress_ptr cinfo) {
  static constexpr char kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
  std::span<const std::uint8_t> exif;
  for (jpeg_saved_marker_ptr marker = cinfo->marker_list; marker; marker = marker->next) {
    if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= sizeof kExifHeader &&
        std::memcmp(marker->data, kExifHeader, sizeof kExifHeader) == 0) {
      exif = {marker->data, marker->data_length};
      break;
    }
  }
  return JpegFacts(
      exif, QSize(static_cast<int>(cinfo->image_width), static_cast<int>(cinfo->image_height)));
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
  JpegErrorManager err;
  DeviceSource src;
  cinfo.err = UseJpegErrorManager(&err);
  if (setjmp(err.jump)) {
    if (err.pub.msg_code == JERR_NO_BACKING_STORE) {
      std::snprintf(job->message, JMSG_LENGTH_MAX,
                    "This multi-scan JPEG needs more than %ld MB to decode",
                    kJpegMemoryLimit / (1024 * 1024));
    } else {
      std::snprintf(job->message, JMSG_LENGTH_MAX, "%s", err.message);
    }
    // What the header held before the failure is still known.
    if (job->facts) *job->facts = HeaderFacts(&cinfo);
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
  if (job->orientation == 0) job->orientation = OrientationOf(&cinfo);

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
  if (job->facts) *job->facts = HeaderFacts(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return usable;
}

// Fills `image` (created by the caller, so that nothing is constructed across setjmp) with the
// whole of `jpeg`; false when it fails, is too large, or warns of any damage or cut.
bool DecompressSmall(std::span<const std::uint8_t> jpeg, QImage* image) {
  jpeg_decompress_struct cinfo;
  JpegErrorManager err;
  cinfo.err = UseJpegErrorManager(&err);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width > kMaxSmallJpegSide || cinfo.image_height > kMaxSmallJpegSide) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  *image = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                  QImage::Format_RGB888);
  while (cinfo.output_scanline < cinfo.output_height && err.pub.num_warnings == 0) {
    JSAMPROW row = image->scanLine(static_cast<int>(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  const bool whole = err.pub.num_warnings == 0;
  jpeg_destroy_decompress(&cinfo);
  return whole;
}

}  // namespace

QImage DecodeJpegPicture(ByteSource& source, int side, const std::stop_token& stop,
                         QString* message, int orientation, PictureFacts* facts) {
  JpegJob job;
  job.facts = facts;
  job.source = &source;
  job.side = side;
  job.stop = &stop;
  job.orientation = orientation >= 1 && orientation <= 8 ? orientation : 0;
  if (!Decompress(&job)) {
    *message = QString::fromLocal8Bit(job.message);
    return {};
  }
  return TurnUpright(job.reducer->Result(), job.orientation);
}

QImage DecodeSmallJpeg(std::span<const std::uint8_t> jpeg) {
  QImage image;
  if (jpeg.empty() || !DecompressSmall(jpeg, &image)) return {};
  return image;
}

}  // namespace quorvel
