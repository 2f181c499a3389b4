#include "scan/heif_picture_reader.h"

#include <libheif/heif.h>

namespace quorvel {

const std::vector<QByteArray>& HeifSuffixes() {
  static const std::vector<QByteArray> suffixes = [] {
    std::vector<QByteArray> decodable;
    if (heif_have_decoder_for_format(heif_compression_HEVC)) {
      decodable.insert(decodable.end(), {"heic", "heif", "hif"});
    }
    if (heif_have_decoder_for_format(heif_compression_AV1)) decodable.push_back("avif");
    return decodable;
  }();
  return suffixes;
}

QString HeifLibrary() { return QStringLiteral("libheif ") + QString::fromLatin1(heif_get_version()); }

QImage ReadHeifPicture(ByteSource& source, int side, std::stop_token stop, QString* message) {
  static_cast<void>(source);
  static_cast<void>(side);
  static_cast<void>(stop);
  *message = QStringLiteral("HEIF files are not decoded yet");
  return {};
}

}  // namespace quorvel
