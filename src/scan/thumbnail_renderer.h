// Turns an image file into its catalogue thumbnail, without any widget, so that it can run on a
// worker thread and be tested and measured on its own.
#ifndef QUORVEL_SCAN_THUMBNAIL_RENDERER_H_
#define QUORVEL_SCAN_THUMBNAIL_RENDERER_H_

#include <QImage>
#include <QSize>
#include <QString>
#include <stop_token>

#include "catalog/picture_facts.h"
#include "scan/byte_source.h"
#include "scan/decode_memory.h"
#include "scan/picture_geometry.h"

namespace quorvel {

// The picture of the file at `path`, turned upright as its EXIF orientation says and reduced by
// area averaging to FittedSize(upright size, side). The reader is the one the format table gives
// for its suffix (picture_formats.h): videos, camera RAW and HEIF files go to their libraries; a
// JPEG (known by its first bytes, whatever its name) is decoded by libjpeg at the smallest DCT
// scale that is not below that size, a few rows at a time, so memory stays proportional to the
// result; other formats go through Qt's readers. A JPEG cut short gives the part it holds, the rest
// grey. Returns a null image with `error` set when the file cannot be read or decoded (a cut JPEG:
// when not one row of its blocks is there), or when `stop` is requested before the picture is
// complete.
QImage LoadFittedPicture(const QString& path, int side, QString* error = nullptr,
                         std::stop_token stop = {});

// The same from the bytes `source` delivers; `path` names the file only so that formats without
// a signature are known by its suffix. A file whose reading ended early (a read error) decodes
// as far as its bytes go, as a JPEG cut short does. With `memory`, a picture decoded whole from
// memory waits for its share of it. With `facts`, they are set to what the bytes its reader
// read say of the picture (date taken, camera, size as shown...), also when it fails.
QImage DecodeFittedPicture(ByteSource& source, const QString& path, int side,
                           QString* error = nullptr, std::stop_token stop = {},
                           DecodeMemory* memory = nullptr, PictureFacts* facts = nullptr);

// `picture` (at most `side` x `side`) centred on a white `side` x `side` square, transparent
// parts over white, in QImage::Format_RGB32.
QImage CentreOnWhite(const QImage& picture, int side);

// The catalogue thumbnail of the file: LoadFittedPicture at the thumbnail side, centred on
// white. A null image (with `error`) when the file cannot be decoded: never a blank thumbnail.
QImage RenderThumbnail(const QString& path, QString* error = nullptr, std::stop_token stop = {});

}  // namespace quorvel

#endif  // QUORVEL_SCAN_THUMBNAIL_RENDERER_H_
