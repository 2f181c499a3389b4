// The one table of the picture formats the scan renders: which suffixes each reader takes, the
// library behind it, and how it reads its files. A new format is a reader of its own and one
// line of the table (picture_formats.cpp).
#ifndef QUORVEL_SCAN_PICTURE_FORMATS_H_
#define QUORVEL_SCAN_PICTURE_FORMATS_H_

#include <QByteArray>
#include <QImage>
#include <QSet>
#include <QString>
#include <stop_token>
#include <vector>

#include "catalog/picture_facts.h"
#include "scan/byte_source.h"
#include "scan/decode_memory.h"

namespace quorvel {

// One reader of the table. Its suffixes are lower case, without the dot.
struct PictureReader {
  // The suffixes it takes, found without loading any library.
  std::vector<QByteArray> (*suffixes)();
  // Whether it can read here, found without loading any library: the video module's file
  // being there is enough (a module that then fails to load renders each video as a failure).
  bool (*installed)();
  // The library that reads files of `suffix`, with its version; may load that library. Empty
  // when it cannot be loaded, and the reader then reads nothing.
  QString (*library)(const QByteArray& suffix);
  // The picture of the file whose bytes `source` gives, turned upright and fitted into `side` x
  // `side` (FittedSize). Null with `message` set when it cannot be decoded or `stop` is
  // requested. `path` names the file, for formats known by their suffix only. Sets what the
  // bytes read say of the picture in `facts` (never null), also when the picture fails.
  QImage (*read)(ByteSource& source, const QString& path, int side, const std::stop_token& stop,
                 DecodeMemory* memory, QString* message, PictureFacts* facts);
  // Whether it reads at any offset (ByteSource::OpenForSeeking) rather than taking the bytes
  // in order: a video's frame lies far into the file, a camera RAW's preview is a small part.
  bool reads_by_seeking;
};

// The reader of the file that `path` names, by its suffix; the still-picture reader (libjpeg
// and Qt's readers) for a name that no other reader takes.
const PictureReader& ReaderFor(const QString& path);

struct PictureFormat {
  QByteArray suffix;  // lower case, without the dot
  QString library;    // the library that reads it, with its version
};

// Every format this build renders, sorted by suffix, those whose library cannot be loaded here
// (videos without a video module that loads) left out. Loads the libraries: compute it once.
std::vector<PictureFormat> SupportedFormats();

// The suffixes the readers take, found without loading any library.
QSet<QByteArray> ReadableImageSuffixes();

// True when the suffix of the file name in `path` (after its last dot, in any case) is one of
// `suffixes`. Looks only at the text, never at the file, so that a walk over a slow disk reads
// nothing. Both '/' and '\' end a folder part.
bool HasReadableSuffix(const QString& path, const QSet<QByteArray>& suffixes);

// ReaderFor(path).reads_by_seeking.
bool ReadsBySeeking(const QString& path);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_PICTURE_FORMATS_H_
