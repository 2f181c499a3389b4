#include "scan/raw_picture_reader.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "scan/area_reducer.h"
#include "scan/decode_limits.h"
#include "scan/exif_reader.h"
#include "scan/jpeg_picture_decoder.h"
#include "scan/picture_geometry.h"
#include "scan/wall_clock.h"

namespace quorvel {
namespace {

// LibRaw parses a header a few bytes at a time: reads this small are served from one block
// read ahead, so that the medium sees few reads and little more than was asked for.
constexpr std::int64_t kReadAhead = 4096;

// The longest text line given to LibRaw. It reads a camera's make and model as lines into 64-byte
// fields, and 0.20 appends a sensor's name to a Hasselblad's model without a bound (a hostile
// model line of 63 characters overflowed it and ended the process); no camera's model comes
// near this.
constexpr int kMaxLineLength = 47;

// LibRaw's reads, served by the file the reader lent for it, failing once `stop` is requested
// or the medium fails. Release gives the medium back; reads fail after it.
class LentFileStream : public LibRaw_abstract_datastream {
 public:
  LentFileStream(std::unique_ptr<OpenedFile> file, const std::stop_token& stop)
      : file_(std::move(file)), stop_(stop), size_(file_->Size()) {}

  void Release() { file_.reset(); }
  // Why reading ended early: the medium's error or the stop; empty when it did not.
  const QString& Error() const { return error_; }

  int valid() override { return file_ != nullptr; }
  int read(void* buffer, size_t size, size_t count) override {
    if (size == 0) return 0;
    const std::int64_t wanted = std::min<std::int64_t>(
        static_cast<std::int64_t>(std::min(count, SIZE_MAX / size) * size), size_ - position_);
    const std::int64_t got = ReadAt(static_cast<std::uint8_t*>(buffer), wanted);
    position_ += got;
    return static_cast<int>(got / static_cast<std::int64_t>(size));
  }
  int seek(INT64 offset, int whence) override {
    INT64 base = 0;
    if (whence == SEEK_CUR) base = position_;
    if (whence == SEEK_END) base = size_;
    // Clamped as LibRaw's own memory stream does: the parsers expect a seek never to fail.
    position_ = std::clamp<INT64>(base + offset, 0, size_);
    return 0;
  }
  INT64 tell() override { return position_; }
  INT64 size() override { return size_; }
  int get_char() override {
    std::uint8_t byte = 0;
    return read(&byte, 1, 1) == 1 ? byte : -1;
  }
  char* gets(char* line, int size) override {
    if (size < 1 || position_ >= size_) return nullptr;
    int length = 0;
    while (length < std::min(size - 1, kMaxLineLength)) {
      const int c = get_char();
      if (c < 0) break;
      line[length++] = static_cast<char>(c);
      if (c == '\n') break;
    }
    line[length] = '\0';
    return line;
  }
  int scanf_one(const char* format, void* value) override {
    // A number at most this long, as LibRaw's memory stream reads it.
    std::array<char, 25> text{};
    const INT64 start = position_;
    const int got = read(text.data(), 1, text.size() - 1);
    position_ = start;
    if (got <= 0) return 0;
    const int result = std::sscanf(text.data(), format, value);
    if (result > 0) {
      int skip = 1;
      while (skip < got && skip <= 24 && !std::strchr(" \t\n", text[skip]) && text[skip] != 0) {
        ++skip;
      }
      position_ = std::min<INT64>(start + skip, size_);
    }
    return result;
  }
  int eof() override { return position_ >= size_; }
  void* make_jas_stream() override { return nullptr; }

 private:
  // Reads `wanted` bytes at position_, through the block read ahead when they are few.
  std::int64_t ReadAt(std::uint8_t* buffer, std::int64_t wanted) {
    if (wanted <= 0 || !Readable()) return 0;
    const std::int64_t block_end = block_start_ + static_cast<std::int64_t>(block_.size());
    if (position_ >= block_start_ && position_ + wanted <= block_end) {
      std::memcpy(buffer, block_.data() + (position_ - block_start_), static_cast<size_t>(wanted));
      return wanted;
    }
    if (wanted >= kReadAhead) return ReadFromFile(position_, buffer, wanted);
    block_.resize(static_cast<size_t>(kReadAhead));
    const std::int64_t got = ReadFromFile(position_, block_.data(), kReadAhead);
    block_start_ = position_;
    block_.resize(static_cast<size_t>(std::max<std::int64_t>(got, 0)));
    const std::int64_t served = std::min(wanted, static_cast<std::int64_t>(block_.size()));
    std::memcpy(buffer, block_.data(), static_cast<size_t>(served));
    return served;
  }
  std::int64_t ReadFromFile(std::int64_t at, std::uint8_t* buffer, std::int64_t wanted) {
    if (!file_->Seek(at, &error_)) return Fail();
    std::int64_t got = 0;
    while (got < wanted) {
      if (!Readable()) return got;
      const std::int64_t read = file_->Read(buffer + got, wanted - got, &error_);
      if (read < 0) return Fail();
      if (read == 0) break;
      got += read;
    }
    return got;
  }
  bool Readable() {
    if (stop_.stop_requested() && error_.isEmpty()) {
      error_ = QStringLiteral("Rendering was stopped");
    }
    return file_ && error_.isEmpty();
  }
  std::int64_t Fail() {
    if (error_.isEmpty()) error_ = QStringLiteral("The file cannot be read");
    return 0;
  }

  std::unique_ptr<OpenedFile> file_;
  const std::stop_token& stop_;
  const std::int64_t size_;
  std::int64_t position_ = 0;
  std::vector<std::uint8_t> block_;
  std::int64_t block_start_ = 0;
  QString error_;
};

int CancelWhenStopped(void* stop, LibRaw_progress, int, int) {
  return static_cast<const std::stop_token*>(stop)->stop_requested() ? 1 : 0;
}
void IgnoreMemoryError(void*, const char*, const char*) {}
void IgnoreDataError(void*, const char*, const int) {}

// The EXIF orientation of LibRaw's flip: bit 2 swaps the axes, bit 1 turns the rows upside
// down, bit 0 mirrors them.
int ExifOrientation(int flip) {
  static constexpr std::array<int, 8> kOrientation = {1, 2, 4, 3, 5, 8, 6, 7};
  return flip >= 0 && flip < 8 ? kOrientation[static_cast<std::size_t>(flip)] : 1;
}

// A text field of LibRaw's, without the blanks around it.
template <std::size_t N>
std::string Trimmed(const char (&field)[N]) {
  std::string text(field, strnlen(field, N));
  const std::size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
  text.erase(0, text.find_first_not_of(' '));
  return text;
}

// Degrees from LibRaw's degrees, minutes and seconds; negative towards `negative` ('S', 'W').
double Degrees(const float (&parts)[3], char reference, char negative) {
  const double degrees = parts[0] + parts[1] / 60.0 + parts[2] / 3600.0;
  return reference == negative ? -degrees : degrees;
}

// What LibRaw read of the file's metadata when it opened it.
PictureFacts RawFacts(const LibRaw& raw) {
  const libraw_data_t& data = raw.imgdata;
  PictureFacts facts;
  // LibRaw made its timestamp from the camera's date and time with mktime, as if the camera
  // had been set to this machine's zone: the wall clock of this zone gives those fields back.
  if (data.other.timestamp > 0) facts.taken = LocalWallClock(data.other.timestamp);
  facts.make = Trimmed(data.idata.make);
  facts.model = Trimmed(data.idata.model);
  facts.width = data.sizes.width;
  facts.height = data.sizes.height;
  if ((data.sizes.flip & 4) != 0) std::swap(facts.width, facts.height);
  const libraw_gps_info_t& gps = data.other.parsed_gps;
  if (gps.gpsparsed != 0) {
    facts.position = GeoPosition{Degrees(gps.latitude, gps.latref, 'S'),
                                 Degrees(gps.longitude, gps.longref, 'W')};
  }
  return facts;
}

QImage Fitted(const QImage& image, int side) {
  return AreaReducer::Reduce(image, FittedSize(image.size(), side));
}

// An 8-bit RGB or grey bitmap of LibRaw's (a preview or the developed picture) as an image,
// or null when its bytes do not hold its declared size.
QImage Bitmap(const unsigned char* data, std::int64_t length, int width, int height, int colours) {
  if (width < 1 || height < 1 || (colours != 1 && colours != 3)) return {};
  const std::int64_t row = static_cast<std::int64_t>(width) * colours;
  if (length < row * height) return {};
  QImage image(width, height, colours == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
  if (image.isNull()) return {};
  for (int y = 0; y < height; ++y) {
    std::memcpy(image.scanLine(y), data + row * y, static_cast<size_t>(row));
  }
  return image;
}

// LibRaw, telling how it would unpack the preview it chose.
class CameraRaw : public LibRaw {
 public:
  // A preview stored as colour planes one after another. LibRaw 0.20 reads such a preview by
  // the length the file declares into a buffer sized by its width and height, so a file that
  // declares more overruns the buffer: these previews (old studio backs, rare) are not used,
  // and the raw image is developed instead.
  bool PlanarPreview() const { return write_thumb == &CameraRaw::layer_thumb; }
};

// Whether the preview LibRaw chose (the largest it found) may be unpacked: its bytes lie within
// the file and its declared size keeps to the bound, whether it turns out a JPEG or a bitmap.
bool PreviewWithinBounds(const CameraRaw& raw, std::int64_t file_size) {
  const libraw_thumbnail_t& thumbnail = raw.imgdata.thumbnail;
  return thumbnail.tlength > 0 && thumbnail.tlength <= file_size && !raw.PlanarPreview() &&
         std::int64_t{thumbnail.twidth} * thumbnail.theight * 3 <= kMaxDecodedBytes;
}

QImage Failed(int code, const LentFileStream& stream, QString* message) {
  *message = !stream.Error().isEmpty()              ? stream.Error()
             : code == LIBRAW_CANCELLED_BY_CALLBACK ? QStringLiteral("Rendering was stopped")
                                                    : QString::fromLatin1(LibRaw::strerror(code));
  return {};
}

// The preview LibRaw unpacked, fitted and turned by `orientation`; the medium is given back
// before the decoding.
QImage DecodePreview(LibRaw& raw, LentFileStream& stream, int side, int orientation,
                     const std::stop_token& stop, QString* message) {
  const libraw_thumbnail_t& thumbnail = raw.imgdata.thumbnail;
  const auto* data = reinterpret_cast<const std::uint8_t*>(thumbnail.thumb);
  if (thumbnail.tformat == LIBRAW_THUMBNAIL_BITMAP) {
    stream.Release();
    const QImage bitmap =
        Bitmap(data, thumbnail.tlength, thumbnail.twidth, thumbnail.theight, thumbnail.tcolors);
    if (bitmap.isNull()) {
      *message = QStringLiteral("The RAW file's preview is damaged");
      return {};
    }
    return TurnUpright(Fitted(bitmap, side), orientation);
  }
  MemoryByteSource jpeg(std::vector<std::uint8_t>(data, data + thumbnail.tlength));
  raw.recycle();  // the preview's copy is all that is needed now
  stream.Release();
  return DecodeJpegPicture(jpeg, side, stop, message, orientation);
}

// The raw data developed at half size, camera white balance, 8 bits, upright as LibRaw turns it.
QImage Develop(LibRaw& raw, LentFileStream& stream, int side, QString* message) {
  const libraw_image_sizes_t& sizes = raw.imgdata.sizes;
  // A mosaic keeps one 16-bit sample a photosite and halves each side; other sensors keep up
  // to four samples and are not halved.
  const int shrink = raw.imgdata.idata.filters != 0 ? 1 : 0;
  const std::int64_t raw_bytes =
      std::int64_t{sizes.raw_width} * sizes.raw_height * (shrink != 0 ? 2 : 8);
  const std::int64_t image_bytes =
      std::int64_t{(sizes.width + shrink) >> shrink} * ((sizes.height + shrink) >> shrink) * 8;
  if (raw_bytes + image_bytes > kMaxDecodedBytes) {
    *message = QStringLiteral("The RAW image is too large to develop");
    return {};
  }
  raw.imgdata.params.half_size = 1;
  raw.imgdata.params.use_camera_wb = 1;
  raw.imgdata.params.output_bps = 8;
  int code = raw.unpack();
  stream.Release();  // everything is in memory now
  if (code != LIBRAW_SUCCESS) return Failed(code, stream, message);
  code = raw.dcraw_process();
  if (code != LIBRAW_SUCCESS) return Failed(code, stream, message);
  libraw_processed_image_t* developed = raw.dcraw_make_mem_image(&code);
  if (!developed) return Failed(code, stream, message);
  const QImage image = developed->type == LIBRAW_IMAGE_BITMAP && developed->bits == 8
                           ? Bitmap(developed->data, developed->data_size, developed->width,
                                    developed->height, developed->colors)
                           : QImage();
  LibRaw::dcraw_clear_mem(developed);
  if (image.isNull()) {
    *message = QStringLiteral("LibRaw developed an unexpected picture");
    return {};
  }
  return Fitted(image, side);
}

}  // namespace

const std::vector<QByteArray>& CameraRawSuffixes() {
  static const std::vector<QByteArray> suffixes = {
      "cr2", "cr3", "crw", "nef", "nrw", "arw", "srf", "sr2", "orf", "rw2", "raf", "pef",
      "dng", "srw", "x3f", "erf", "mef", "mos", "mrw", "kdc", "dcr", "3fr", "iiq"};
  return suffixes;
}

QString CameraRawLibrary() {
  return QStringLiteral("LibRaw ") + QString::fromLatin1(LibRaw::version());
}

QImage ReadRawPicture(ByteSource& source, int side, std::stop_token stop, QString* message,
                      PictureFacts* facts) {
  std::unique_ptr<OpenedFile> file = source.OpenForSeeking(stop, message);
  if (!file) return {};
  LentFileStream stream(std::move(file), stop);
  const auto raw = std::make_unique<CameraRaw>();
  raw->set_progress_handler(CancelWhenStopped, &stop);
  raw->set_memerror_handler(IgnoreMemoryError, nullptr);
  raw->set_dataerror_handler(IgnoreDataError, nullptr);
  raw->imgdata.params.max_raw_memory_mb = static_cast<unsigned>(kMaxDecodedBytes / (1024 * 1024));
  const int code = raw->open_datastream(&stream);
  if (code != LIBRAW_SUCCESS) return Failed(code, stream, message);
  if (facts) *facts = RawFacts(*raw);
  const int orientation = ExifOrientation(raw->imgdata.sizes.flip);
  if (PreviewWithinBounds(*raw, stream.size()) &&
      raw->unpack_thumb() == LIBRAW_SUCCESS) {
    const libraw_thumbnail_t& thumbnail = raw->imgdata.thumbnail;
    const JpegLayout layout =
        thumbnail.tformat == LIBRAW_THUMBNAIL_JPEG
            ? ReadJpegLayout(
                  {reinterpret_cast<const std::uint8_t*>(thumbnail.thumb), thumbnail.tlength})
            : JpegLayout{};
    if (thumbnail.tformat == LIBRAW_THUMBNAIL_BITMAP || layout.width > 0) {
      return DecodePreview(*raw, stream, side, orientation, stop, message);
    }
  }
  if (!stream.Error().isEmpty()) return Failed(LIBRAW_IO_ERROR, stream, message);
  return Develop(*raw, stream, side, message);
}

}  // namespace quorvel
