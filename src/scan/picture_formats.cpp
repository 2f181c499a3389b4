#include "scan/picture_formats.h"

#include <algorithm>
#include <span>

#include "scan/heif_picture_reader.h"
#include "scan/qt_picture_reader.h"
#include "scan/raw_picture_reader.h"
#include "scan/still_picture_reader.h"
#include "scan/video_frame_reader.h"

namespace quorvel {
namespace {

bool Always() { return true; }

// In order of precedence: a library's reader comes before Qt's, so that a Qt plugin that also
// claims one of its suffixes is not the reader. The last reader takes every other name.
const PictureReader kReaders[] = {
    {[] { return VideoSuffixes(); }, VideoModuleFound,
     [](const QByteArray&) { return VideoLibrary(); },
     [](ByteSource& source, const QString&, int side, const std::stop_token& stop, DecodeMemory*,
        QString* message,
        PictureFacts* facts) { return ReadVideoFrame(source, side, stop, message, facts); },
     true},
    {[] { return CameraRawSuffixes(); }, Always,
     [](const QByteArray&) { return CameraRawLibrary(); },
     [](ByteSource& source, const QString&, int side, const std::stop_token& stop, DecodeMemory*,
        QString* message,
        PictureFacts* facts) { return ReadRawPicture(source, side, stop, message, facts); },
     true},
    {[] { return HeifSuffixes(); }, Always, [](const QByteArray&) { return HeifLibrary(); },
     [](ByteSource& source, const QString&, int side, const std::stop_token& stop,
        DecodeMemory* memory, QString* message, PictureFacts* facts) {
       return ReadHeifPicture(source, side, stop, message, memory, facts);
     },
     false},
    {StillPictureSuffixes, Always, StillPictureLibrary, ReadStillPicture, false},
};

// The formats, each with the library that reads it when `with_libraries`.
std::vector<PictureFormat> Formats(bool with_libraries) {
  std::vector<PictureFormat> formats;
  QSet<QByteArray> taken;
  for (const PictureReader& reader : kReaders) {
    if (!reader.installed()) continue;
    for (const QByteArray& suffix : reader.suffixes()) {
      if (taken.contains(suffix)) continue;
      const QString library = with_libraries ? reader.library(suffix) : QString();
      if (with_libraries && library.isEmpty()) continue;
      taken.insert(suffix);
      formats.push_back({suffix, library});
    }
  }
  std::sort(formats.begin(), formats.end(),
            [](const PictureFormat& a, const PictureFormat& b) { return a.suffix < b.suffix; });
  return formats;
}

}  // namespace

const PictureReader& ReaderFor(const QString& path) {
  const std::span<const PictureReader> readers(kReaders);
  const QByteArray suffix = FileSuffix(path);
  if (!suffix.isEmpty()) {
    for (const PictureReader& reader : readers.first(readers.size() - 1)) {
      const std::vector<QByteArray> taken = reader.suffixes();
      if (std::find(taken.begin(), taken.end(), suffix) != taken.end()) return reader;
    }
  }
  return readers.back();
}

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

bool ReadsBySeeking(const QString& path) { return ReaderFor(path).reads_by_seeking; }

}  // namespace quorvel
