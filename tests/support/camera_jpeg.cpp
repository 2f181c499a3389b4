#include "support/camera_jpeg.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "support/exif_segment.h"

namespace quorvel::testkit {
namespace {

std::vector<std::uint8_t> ToBytes(const QByteArray& bytes) { return {bytes.begin(), bytes.end()}; }

}  // namespace

QByteArray EncodeJpeg(const QImage& image, int quality) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);  // a failure ends the test program with libjpeg's message
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
  cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  cinfo.write_JFIF_header = FALSE;
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  QByteArray jpeg(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
  std::free(buffer);
  return jpeg;
}

QByteArray CameraJpeg(const QImage& picture, const CameraJpegOptions& options) {
  ExifFields fields;
  fields.orientation = options.orientation;
  fields.thumbnail = ToBytes(options.thumbnail);
  fields.little_endian = options.little_endian;
  const std::vector<std::uint8_t> exif = ExifSegment(fields);
  if (exif.empty()) return {};
  std::vector<std::uint8_t> segments =
      PaddingSegments(static_cast<std::size_t>(options.padding_before_exif));
  segments.insert(segments.end(), exif.begin(), exif.end());
  const std::vector<std::uint8_t> jpeg =
      WithSegmentsAfterSoi(ToBytes(EncodeJpeg(picture, options.quality)), segments);
  return QByteArray(reinterpret_cast<const char*>(jpeg.data()),
                    static_cast<qsizetype>(jpeg.size()));
}

QImage LetterboxedThumbnail(const QImage& picture, QSize box) {
  const QImage fitted = picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QImage thumbnail(box, QImage::Format_RGB32);
  thumbnail.fill(Qt::black);
  QPainter painter(&thumbnail);
  painter.drawImage((box.width() - fitted.width()) / 2, (box.height() - fitted.height()) / 2,
                    fitted);
  return thumbnail;
}

}  // namespace quorvel::testkit
