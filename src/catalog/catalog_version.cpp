#include "catalog/catalog_version.h"

#include <utility>

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

}  // namespace quorvel
