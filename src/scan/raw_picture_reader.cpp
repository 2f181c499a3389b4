#include "scan/raw_picture_reader.h"

#include <libraw/libraw.h>

namespace quorvel {

const std::vector<QByteArray>& CameraRawSuffixes() {
  static const std::vector<QByteArray> suffixes = {
      "cr2", "cr3", "crw", "nef", "nrw", "arw", "srf", "sr2", "orf", "rw2", "raf", "pef",
      "dng", "srw", "x3f", "erf", "mef", "mos", "mrw", "kdc", "dcr", "3fr", "iiq"};
  return suffixes;
}

QString CameraRawLibrary() {
  return QStringLiteral("LibRaw ") + QString::fromLatin1(LibRaw::version());
}

QImage ReadRawPicture(ByteSource& source, int side, std::stop_token stop, QString* message) {
  static_cast<void>(source);
  static_cast<void>(side);
  static_cast<void>(stop);
  *message = QStringLiteral("Camera RAW files are not decoded yet");
  return {};
}

}  // namespace quorvel
