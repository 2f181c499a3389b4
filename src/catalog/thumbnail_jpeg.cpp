#include "catalog/thumbnail_jpeg.h"

#include <memory>

#include "catalog/catalog_error.h"
#include "catalog/format.h"
#include "catalog/jpeg_error_manager.h"

namespace quorvel {
namespace {

// A destination that grows the catalogue stream itself, so the JPEG lands at its end.
struct StreamDestination {
  jpeg_destination_mgr pub;
  Bytes* stream;
  std::size_t start;  // stream size before encoding
};

constexpr std::size_t kGrowStep = 16 * 1024;

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<StreamDestination*>(cinfo->dest);
  dest->stream->resize(dest->start + kGrowStep);
  dest->pub.next_output_byte = dest->stream->data() + dest->start;
  dest->pub.free_in_buffer = kGrowStep;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  // Called when the whole buffer is full (free_in_buffer is stale here by contract).
  auto* dest = reinterpret_cast<StreamDestination*>(cinfo->dest);
  const std::size_t used = dest->stream->size();
  dest->stream->resize(used + kGrowStep);
  dest->pub.next_output_byte = dest->stream->data() + used;
  dest->pub.free_in_buffer = kGrowStep;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<StreamDestination*>(cinfo->dest);
  dest->stream->resize(dest->stream->size() - dest->pub.free_in_buffer);
}

}  // namespace

// The compressor and its error handler, made once and reused for every picture.
struct JpegEncoder::State {
  jpeg_compress_struct cinfo;
  JpegErrorManager err;
  StreamDestination dest;
};

namespace {

// Creating a compressor fails only when memory runs out; then nothing is left to destroy.
bool CreateCompressor(JpegEncoder::State* state, char* message) {
  if (setjmp(state->err.jump)) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", state->err.message);
    return false;
  }
  jpeg_create_compress(&state->cinfo);
  return true;
}

// Returns false with `message` filled when libjpeg fails; no C++ object is live across setjmp.
// After a failure the compressor is aborted, which leaves it ready for the next picture.
bool Compress(JpegEncoder::State* state, const RgbView* image, const ByteView* segments,
              char* message) {
  jpeg_compress_struct& cinfo = state->cinfo;
  if (setjmp(state->err.jump)) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", state->err.message);
    jpeg_abort_compress(&cinfo);
    return false;
  }
  cinfo.dest = &state->dest.pub;
  cinfo.image_width = static_cast<JDIMENSION>(image->width);
  cinfo.image_height = static_cast<JDIMENSION>(image->height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, kThumbJpegQuality, TRUE);  // baseline tables
  jpeg_start_compress(&cinfo, TRUE);                  // writes SOI and the JFIF header
  for (std::size_t at = 0; at < segments->size();) {
    const std::uint8_t* segment = segments->data() + at;
    const unsigned length = static_cast<unsigned>(segment[2] << 8 | segment[3]);
    jpeg_write_marker(&cinfo, segment[1], segment + 4, length - 2);
    at += 2 + length;
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(image->pixels + static_cast<std::size_t>(cinfo.next_scanline) *
                                                 static_cast<std::size_t>(image->stride));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

// Decodes into `out_space` (JCS_RGB or JCS_GRAYSCALE) with `components` bytes per pixel.
bool Decompress(const std::uint8_t* data, std::size_t size, J_COLOR_SPACE out_space, int components,
                int* width, int* height, Bytes* pixels, char* message) {
  jpeg_decompress_struct cinfo;
  JpegErrorManager err;
  cinfo.err = UseJpegErrorManager(&err);
  if (setjmp(err.jump)) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  // Stored thumbnails are 100 x 100; refuse absurd headers before libjpeg allocates for them.
  if (cinfo.image_width > 4 * kThumbSide || cinfo.image_height > 4 * kThumbSide) {
    std::snprintf(message, JMSG_LENGTH_MAX, "JPEG of %u x %u is too large for a thumbnail",
                  cinfo.image_width, cinfo.image_height);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = out_space;
  jpeg_start_decompress(&cinfo);
  const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * components;
  const std::size_t bytes = stride * cinfo.output_height;
  pixels->resize(bytes);  // the vector was emptied before setjmp; resizing it is safe
  *width = static_cast<int>(cinfo.output_width);
  *height = static_cast<int>(cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels->data() + cinfo.output_scanline * stride;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  // A stream that ends early is padded by libjpeg with a warning; a thumbnail must be whole.
  const bool whole = err.pub.num_warnings == 0;
  if (!whole) std::snprintf(message, JMSG_LENGTH_MAX, "JPEG data is incomplete or damaged");
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return whole;
}

// True when `segments` are whole APPn or COM segments, back to back.
bool AreMarkerSegments(ByteView segments) {
  std::size_t at = 0;
  while (segments.size() - at >= 4) {
    const std::uint8_t marker = segments[at + 1];
    const std::size_t length = std::size_t{segments[at + 2]} << 8 | segments[at + 3];
    if (segments[at] != 0xFF || !((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE) ||
        length < 2 || segments.size() - at - 2 < length) {
      return false;
    }
    at += 2 + length;
  }
  return at == segments.size();
}

}  // namespace

JpegEncoder::JpegEncoder() : state_(std::make_unique<State>()) {
  State& state = *state_;
  state.cinfo.err = UseJpegErrorManager(&state.err);
  char message[JMSG_LENGTH_MAX] = {};
  if (!CreateCompressor(state_.get(), message)) {
    throw CatalogError(std::string("Cannot set up the JPEG encoder: ") + message);
  }
  state.dest.pub.init_destination = InitDestination;
  state.dest.pub.empty_output_buffer = EmptyOutputBuffer;
  state.dest.pub.term_destination = TermDestination;
}

JpegEncoder::~JpegEncoder() { jpeg_destroy_compress(&state_->cinfo); }

std::int64_t JpegEncoder::Append(Bytes& stream, const RgbView& image, ByteView segments) {
  if (image.width <= 0 || image.height <= 0 || image.stride < image.width * 3) {
    throw CatalogError("Cannot encode an empty or malformed picture");
  }
  if (!AreMarkerSegments(segments)) {
    throw CatalogError("Cannot write malformed marker segments into a JPEG");
  }
  StreamDestination& dest = state_->dest;
  dest.stream = &stream;
  dest.start = stream.size();
  char message[JMSG_LENGTH_MAX] = {};
  if (!Compress(state_.get(), &image, &segments, message)) {
    stream.resize(dest.start);
    throw CatalogError(std::string("JPEG encoding failed: ") + message);
  }
  return static_cast<std::int64_t>(stream.size() - dest.start);
}

std::int64_t AppendJpeg(Bytes& stream, const RgbView& image, ByteView segments) {
  JpegEncoder encoder;
  return encoder.Append(stream, image, segments);
}

namespace {

template <typename Image>
bool DecodeInto(ByteView jpeg, J_COLOR_SPACE space, int components, Image& out,
                std::string* error) {
  out.width = out.height = 0;
  out.pixels.clear();
  char message[JMSG_LENGTH_MAX] = {};
  const bool ok = !jpeg.empty() && Decompress(jpeg.data(), jpeg.size(), space, components,
                                              &out.width, &out.height, &out.pixels, message);
  if (!ok) {
    out.width = out.height = 0;
    out.pixels.clear();
    if (error) *error = jpeg.empty() ? "no JPEG data" : message;
  }
  return ok;
}

}  // namespace

bool DecodeJpeg(ByteView jpeg, RgbImage& out, std::string* error) {
  return DecodeInto(jpeg, JCS_RGB, 3, out, error);
}

bool DecodeJpegLuminance(ByteView jpeg, GreyImage& out, std::string* error) {
  return DecodeInto(jpeg, JCS_GRAYSCALE, 1, out, error);
}

}  // namespace quorvel
