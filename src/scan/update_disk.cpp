#include "scan/update_disk.h"

#include "catalog/catalog_document.h"

namespace quorvel {

// Placeholders until the update is built: they link, and refuse.
UpdatedDisk ScanDiskUpdate(const CatalogVersion&, int, ScanState&, ScanView&, ThumbnailPipeline&) {
  throw ScanError("The update is not built yet");
}

void ApplyUpdatedDisk(CatalogDocument&, int, ScanView&, const UpdatedDisk&) {
  throw CatalogError("The update is not built yet");
}

UpdatedDisk UpdateDisk(CatalogDocument&, int, ScanState& state, ScanView&, ThumbnailPipeline&) {
  state.ScanActive = false;
  throw ScanError("The update is not built yet");
}

}  // namespace quorvel
