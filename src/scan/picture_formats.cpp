#include "scan/picture_formats.h"

#include <QImageReader>
#include <algorithm>
#include <cstdio>

#include <jpeglib.h>

#include "scan/heif_picture_reader.h"
#include "scan/qt_picture_reader.h"
#include "scan/raw_picture_reader.h"
#include "scan/video_frame_reader.h"

namespace quorvel {
namespace {

#define QUORVEL_TEXT(x) #x
#define QUORVEL_VALUE_TEXT(x) QUORVEL_TEXT(x)

bool Contains(const std::vector<QByteArray>& suffixes, const QByteArray& suffix) {
  return std::find(suffixes.begin(), suffixes.end(), suffix) != suffixes.end();
}

// The formats, each with the library that reads it when `with_libraries`. Without, the video
// module is only looked for: FFmpeg's libraries are mapped by the first video rendered, not by
// every walk.
std::vector<PictureFormat> Formats(bool with_libraries) {
  std::vector<PictureFormat> formats;
  QSet<QByteArray> taken;
  const auto add = [&](const std::vector<QByteArray>& suffixes, PictureFamily family,
                       const QString& library) {
    for (const QByteArray& suffix : suffixes) {
      if (taken.contains(suffix)) continue;
      taken.insert(suffix);
      formats.push_back({suffix, family, library});
    }
  };
  // The libraries first: a Qt plugin that also claims one of their suffixes is not the reader.
  if (VideoModuleFound()) {
    // The listing loads the module anyway: one that is there but does not load (FFmpeg's
    // libraries missing) reads no video.
    const QString ffmpeg = with_libraries ? VideoLibrary() : QString();
    if (!with_libraries || !ffmpeg.isEmpty()) add(VideoSuffixes(), PictureFamily::kVideo, ffmpeg);
  }
  add(CameraRawSuffixes(), PictureFamily::kCameraRaw, CameraRawLibrary());
  add(HeifSuffixes(), PictureFamily::kHeif, HeifLibrary());
#ifdef LIBJPEG_TURBO_VERSION
  const QString libjpeg =
      QStringLiteral("libjpeg-turbo ") + QStringLiteral(QUORVEL_VALUE_TEXT(LIBJPEG_TURBO_VERSION));
#else
  const QString libjpeg = QStringLiteral("libjpeg %1").arg(JPEG_LIB_VERSION);
#endif
  const QString qt = QStringLiteral("Qt %1").arg(QString::fromLatin1(qVersion()));
  for (const QByteArray& format : QImageReader::supportedImageFormats()) {
    const QByteArray suffix = format.toLower();
    add({suffix}, PictureFamily::kPicture,
        suffix == "jpg" || suffix == "jpeg" || suffix == "jpe" ? libjpeg : qt);
  }
  std::sort(formats.begin(), formats.end(),
            [](const PictureFormat& a, const PictureFormat& b) { return a.suffix < b.suffix; });
  return formats;
}

}  // namespace

std::vector<PictureFormat> SupportedFormats() { return Formats(true); }

QSet<QByteArray> ReadableImageSuffixes() {
  QSet<QByteArray> suffixes;
  for (const PictureFormat& format : Formats(false)) suffixes.insert(format.suffix);
  return suffixes;
}

bool HasReadableSuffix(const QString& path, const QSet<QByteArray>& suffixes) {
  const QByteArray suffix = FileSuffix(path);
  return !suffix.isEmpty() && suffixes.contains(suffix);
}

PictureFamily FamilyOf(const QString& path) {
  const QByteArray suffix = FileSuffix(path);
  if (suffix.isEmpty()) return PictureFamily::kPicture;
  if (Contains(VideoSuffixes(), suffix)) return PictureFamily::kVideo;
  if (Contains(CameraRawSuffixes(), suffix)) return PictureFamily::kCameraRaw;
  if (Contains(HeifSuffixes(), suffix)) return PictureFamily::kHeif;
  return PictureFamily::kPicture;
}

bool ReadsBySeeking(const QString& path) {
  const PictureFamily family = FamilyOf(path);
  return family == PictureFamily::kVideo || family == PictureFamily::kCameraRaw;
}

}  // namespace quorvel
