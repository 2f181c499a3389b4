#include "scan/heif_picture_reader.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "scan/area_reducer.h"
#include "scan/decode_limits.h"
#include "scan/picture_geometry.h"

namespace quorvel {
namespace {

// Registers libheif's decoders once for the whole process; never undone, as the scan may render
// until the process ends.
void InitLibheif() {
  static const bool initialised = [] {
    heif_init(nullptr);
    return true;
  }();
  static_cast<void>(initialised);
}

struct ContextFree {
  void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
  void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;
using Image = std::unique_ptr<heif_image, ImageRelease>;

bool Failed(const heif_error& error, QString* message) {
  if (error.code == heif_error_Ok) return false;
  *message = QString::fromUtf8(error.message).trimmed();
  return true;
}

// The smallest thumbnail stored with `primary` whose long side is at least `side`; null when it
// has none that large. Rotation does not change the long side, so the size before the
// transformations serves.
Handle LargeEnoughThumbnail(heif_image_handle* primary, int side) {
  const int count = heif_image_handle_get_number_of_thumbnails(primary);
  if (count <= 0) return nullptr;
  std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
  ids.resize(static_cast<std::size_t>(
      std::max(0, heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count))));
  Handle best;
  int best_side = 0;
  for (const heif_item_id id : ids) {
    heif_image_handle* thumbnail = nullptr;
    if (heif_image_handle_get_thumbnail(primary, id, &thumbnail).code != heif_error_Ok) continue;
    Handle owned(thumbnail);
    const int long_side =
        std::max(heif_image_handle_get_width(thumbnail), heif_image_handle_get_height(thumbnail));
    if (long_side >= side && (!best || long_side < best_side)) {
      best = std::move(owned);
      best_side = long_side;
    }
  }
  return best;
}

// The facts of `handle`'s picture: its size as shown (libheif's, after the rotation and the crop)
// and what its first EXIF block says, whose orientation HEIF leaves unused.
PictureFacts HeifFacts(heif_image_handle* handle) {
  PictureFacts facts;
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) == 1) {
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    std::vector<std::uint8_t> block(size);
    if (size > 4 &&
        heif_image_handle_get_metadata(handle, id, block.data()).code == heif_error_Ok) {
      // The block begins with the distance from its fifth byte to the TIFF header, big-endian.
      const std::size_t offset = std::size_t{block[0]} << 24 | std::size_t{block[1]} << 16 |
                                 std::size_t{block[2]} << 8 | block[3];
      if (offset < size - 4) facts = ReadExifFacts(ByteView(block).subspan(4 + offset));
    }
  }
  facts.width = heif_image_handle_get_width(handle);
  facts.height = heif_image_handle_get_height(handle);
  return facts;
}

// The longest side of a HEIF picture decoded: panoramas of 16000 pixels are, a longer side not.
constexpr std::int64_t kMaxHeifSide = 16384;

// The bytes that decoding the picture of `handle` takes, as RGBA; 0 (with `message`) when it
// declares no size, would need more than kMaxDecodedBytes or has a side over kMaxHeifSide.
std::int64_t DecodedBytes(heif_image_handle* handle, QString* message) {
  const std::int64_t width = heif_image_handle_get_ispe_width(handle);
  const std::int64_t height = heif_image_handle_get_ispe_height(handle);
  if (width <= 0 || height <= 0) {
    *message = QStringLiteral("The HEIF picture does not declare its size");
    return 0;
  }
  if (width * height * 4 > kMaxDecodedBytes) {
    *message = QStringLiteral("This HEIF picture of %1 x %2 pixels needs more than %3 MB to decode")
                   .arg(width)
                   .arg(height)
                   .arg(kMaxDecodedBytes / (1024 * 1024));
    return 0;
  }
  // The longer side bounds the canvas a grid or overlay is drawn on (see the decode), whose
  // area could otherwise be a gigabyte for a picture that declares a thin strip.
  if (std::max(width, height) > kMaxHeifSide) {
    *message = QStringLiteral("This HEIF picture of %1 x %2 pixels has a side longer than %3")
                   .arg(width)
                   .arg(height)
                   .arg(kMaxHeifSide);
    return 0;
  }
  return width * height * 4;
}

// The 8-bit interleaved RGB or RGBA picture reduced by area averaging to its fitted size, the
// transparent parts over white as pictures with alpha are shown. Null when `stop` comes first.
QImage Reduced(heif_image* image, bool alpha, int side, const std::stop_token& stop) {
  const int width = heif_image_get_width(image, heif_channel_interleaved);
  const int height = heif_image_get_height(image, heif_channel_interleaved);
  int stride = 0;
  const std::uint8_t* plane =
      heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  if (!plane || width < 1 || height < 1) return {};
  const bool premultiplied = alpha && heif_image_is_premultiplied_alpha(image) != 0;
  const QSize fitted = FittedSize(QSize(width, height), side);
  AreaReducer reducer(width, height, fitted.width(), fitted.height());
  std::vector<std::uint8_t> over_white(alpha ? static_cast<std::size_t>(width) * 3 : 0);
  for (int y = 0; y < height; ++y) {
    if (stop.stop_requested()) return {};
    const std::uint8_t* row = plane + static_cast<std::ptrdiff_t>(y) * stride;
    if (alpha) {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* in = row + 4 * x;
        const int a = in[3];
        for (int c = 0; c < 3; ++c) {
          const int colour = premultiplied ? in[c] : (in[c] * a + 127) / 255;
          over_white[3 * static_cast<std::size_t>(x) + c] =
              static_cast<std::uint8_t>(std::min(255, colour + 255 - a));
        }
      }
      row = over_white.data();
    }
    reducer.AddRow(row);
  }
  return reducer.Result();
}

}  // namespace

const std::vector<QByteArray>& HeifSuffixes() {
  static const std::vector<QByteArray> suffixes = [] {
    InitLibheif();
    std::vector<QByteArray> decodable;
    if (heif_have_decoder_for_format(heif_compression_HEVC)) {
      decodable.insert(decodable.end(), {"heic", "heif", "hif"});
    }
    if (heif_have_decoder_for_format(heif_compression_AV1)) decodable.push_back("avif");
    return decodable;
  }();
  return suffixes;
}

QString HeifLibrary() {
  return QStringLiteral("libheif ") + QString::fromLatin1(heif_get_version());
}

QImage ReadHeifPicture(ByteSource& source, int side, std::stop_token stop, QString* message,
                       DecodeMemory* memory, PictureFacts* facts) {
  const auto stopped = [&] {
    *message = QStringLiteral("Rendering was stopped");
    return QImage();
  };
  // libheif reads the boxes wherever they lie: the whole file first.
  QByteArray bytes;
  if (!GatherWholeFile(source, stop, &bytes, message)) return {};
  // A file cut by a read error is decoded as far as libheif can; when it cannot, the read error
  // says why better than libheif's complaint about missing boxes.
  const auto failed = [&] {
    if (!source.ReadError().isEmpty()) *message = source.ReadError();
    return QImage();
  };
  if (bytes.isEmpty()) {
    *message = QStringLiteral("The HEIF file is empty");
    return failed();
  }

  InitLibheif();
  const Context context(heif_context_alloc());
  if (!context) {
    *message = QStringLiteral("libheif could not start");
    return {};
  }
  if (Failed(heif_context_read_from_memory_without_copy(
                 context.get(), bytes.constData(), static_cast<std::size_t>(bytes.size()), nullptr),
             message)) {
    return failed();
  }
  heif_image_handle* primary_handle = nullptr;
  if (Failed(heif_context_get_primary_image_handle(context.get(), &primary_handle), message)) {
    return failed();
  }
  const Handle primary(primary_handle);
  if (facts) *facts = HeifFacts(primary.get());
  // libheif applies the file's rotation, mirroring and crop unless told to ignore them.
  const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
  options->ignore_transformations = 0;
  options->convert_hdr_to_8bit = 1;
  heif_image* decoded = nullptr;
  bool alpha = false;
  std::optional<DecodeMemory::Lease> lease;
  const auto decode = [&](heif_image_handle* handle) {
    const std::int64_t decoded_bytes = DecodedBytes(handle, message);
    if (decoded_bytes == 0) return false;
    if (memory) {
      lease.reset();
      lease = memory->Take(bytes.size() + decoded_bytes, stop);
      if (!lease) return false;
    }
    alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    // A grid or overlay is drawn on a canvas of the size its own box gives, which may be far
    // larger than the size the picture declares (one file asked for 28777 x 30825): libheif is
    // told to refuse a canvas with a side longer than the declared ones.
    heif_context_set_maximum_image_size_limit(
        context.get(), static_cast<int>(std::max(heif_image_handle_get_ispe_width(handle),
                                                 heif_image_handle_get_ispe_height(handle))) +
                           1);
    return !Failed(
        heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          options.get()),
        message);
  };
  // A damaged stored thumbnail leaves the primary image to decode.
  const Handle thumbnail = LargeEnoughThumbnail(primary.get(), side);
  const bool from_thumbnail = thumbnail && decode(thumbnail.get());
  if (stop.stop_requested()) return stopped();
  if (!from_thumbnail && !decode(primary.get())) return failed();
  const Image image(decoded);
  if (stop.stop_requested()) return stopped();
  QImage picture = Reduced(image.get(), alpha, side, stop);
  if (stop.stop_requested()) return stopped();
  if (picture.isNull()) *message = QStringLiteral("libheif gave no picture");
  return picture;
}

}  // namespace quorvel
