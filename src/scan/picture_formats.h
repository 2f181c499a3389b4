// Which files the scan can render, known by the suffix of their names only, and which library
// reads each kind.
#ifndef QUORVEL_SCAN_PICTURE_FORMATS_H_
#define QUORVEL_SCAN_PICTURE_FORMATS_H_

#include <QByteArray>
#include <QSet>
#include <QString>
#include <vector>

namespace quorvel {

enum class PictureFamily {
  kPicture,    // JPEG (libjpeg) and what Qt's image readers read
  kVideo,      // one frame at about a tenth of the duration (FFmpeg)
  kCameraRaw,  // the largest embedded preview, or the raw data at half size (LibRaw)
  kHeif,       // HEIF, HEIC and AVIF: the stored thumbnail or the primary image (libheif)
};

struct PictureFormat {
  QByteArray suffix;  // lower case, without the dot
  PictureFamily family;
  QString library;  // the library that reads it, with its version
};

// Every format this build renders, sorted by suffix: Qt's readers' formats (JPEG through
// libjpeg), and the videos, camera RAW and HEIF formats of the libraries linked, those a library
// cannot decode here (HEIC without an HEVC decoder, videos without a video module that loads)
// left out. Asks Qt's plugin registry and the libraries, loading the video module: compute it
// once and keep it.
std::vector<PictureFormat> SupportedFormats();

// The suffixes of SupportedFormats(), found without loading the video module: its file being
// there is enough (a module that then fails to load renders each video as a failure).
QSet<QByteArray> ReadableImageSuffixes();

// True when the suffix of the file name in `path` (after its last dot, in any case) is one of
// `suffixes`. Looks only at the text, never at the file, so that a walk over a slow disk reads
// nothing. Both '/' and '\' end a folder part.
bool HasReadableSuffix(const QString& path, const QSet<QByteArray>& suffixes);

// The family whose decoder renders the file that `path` names, by its suffix: kPicture for any
// name not of a video, camera RAW or HEIF format.
PictureFamily FamilyOf(const QString& path);

// Whether the decoder of the file reads it at any offset (ByteSource::OpenForSeeking) rather
// than taking its bytes in order: videos, whose frame lies far into the file, and camera RAW,
// whose preview is a small part of it.
bool ReadsBySeeking(const QString& path);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_PICTURE_FORMATS_H_
