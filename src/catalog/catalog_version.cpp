#include "catalog/catalog_version.h"

#include <utility>

#include "catalog/atomic_file.h"

namespace quorvel {

CatalogVersion VersionOfBytes(Bytes bytes) {
  CatalogVersion version{PieceList(std::move(bytes)), {}};
  version.index = BuildIndex(version.bytes);
  return version;
}

CatalogVersion VersionOfFile(const std::filesystem::path& path) {
  CatalogVersion version{PieceList(std::make_shared<const OpenedCatalogFile>(path)), {}};
  version.index = BuildIndex(version.bytes);
  return version;
}

void SaveVersion(const std::filesystem::path& path, const CatalogVersion& version,
                 FileIdentity* written, const ProgressCallback& progress) {
  SaveFileAtomically(
      path, [&](int fd) { version.bytes.WriteTo(fd, path, progress); }, written);
}

}  // namespace quorvel
