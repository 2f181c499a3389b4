// The changes a user made, told so that they still mean something in another version of the
// file: disks by name, thumbnails by path. Saving over a file that another program changed
// applies them again to the file as it is now, instead of overwriting what the other did.
#ifndef QUORVEL_CATALOG_CATALOG_MERGE_H_
#define QUORVEL_CATALOG_CATALOG_MERGE_H_

#include <memory>
#include <string>
#include <vector>

#include "catalog/catalog_version.h"

namespace quorvel {

struct CatalogEdit {
  enum class Kind {
    kRemoveDisks,
    kRenameDisk,
    kRemoveThumbs,
    kAddDisks,
    kRepair,
    kStoreFingerprints,
    kUpdateDisk
  };
  Kind kind = Kind::kRepair;
  // kRemoveDisks: the disks removed; kRenameDisk: the disk renamed (one); kRemoveThumbs: the
  // disks whose thumbnails went. Names are Windows-1251 bytes, as the index holds them.
  std::vector<std::string> disks{};
  std::string new_name{};                          // kRenameDisk
  std::vector<std::vector<std::string>> thumbs{};  // kRemoveThumbs: each disk's removed paths
  // kAddDisks (an addition, an import): the disks added, as a catalogue of their own;
  // kUpdateDisk: the disk's new record (`disks` names the disk), as a catalogue of its own.
  std::shared_ptr<const CatalogVersion> added{};
};

// The edits that record what was done: each takes the index it was made on. A removal keeps
// the other disks in ascending order of their names' bytes (equal names in file order), as the
// window and the command line store them.
CatalogEdit RemoveDisksEdit(const CatalogIndex& before, const std::vector<int>& removed);
CatalogEdit RenameDiskEdit(const CatalogIndex& before, int disk, std::string new_name);
CatalogEdit RemoveThumbsEdit(const CatalogIndex& before, std::span<const ThumbRef> removed);
CatalogEdit AddDisksEdit(std::shared_ptr<const CatalogVersion> added);
CatalogEdit RepairEdit();
// Disk `disk` replaced by the one disk of `updated` (an update from its folder). Made again, it
// replaces the first disk of that name; without one it is left out.
CatalogEdit UpdateDiskEdit(const CatalogIndex& before, int disk,
                           std::shared_ptr<const CatalogVersion> updated);
// Storing the thumbnails' fingerprints. Made again, it stores those of every thumbnail of the
// other version that lacks one: a fingerprint depends on the thumbnail alone, so the result is
// what storing them there would have made.
CatalogEdit StoreFingerprintsEdit();

// A part of an edit that no longer applies: the disk it names is not in the file (or, for a
// thumbnail, the path is not on that disk), or it is a repair, which cannot be made again, or
// fingerprints to be stored into a damaged catalogue.
struct LeftOut {
  CatalogEdit::Kind kind;
  std::string disk;   // Windows-1251; empty for a repair
  std::string thumb;  // kRemoveThumbs: the path not found; else empty
};

// `edit` made again on `onto`; what cannot be is appended to `left_out` and skipped.
CatalogVersion Replay(const CatalogVersion& onto, const CatalogEdit& edit,
                      std::vector<LeftOut>& left_out);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_MERGE_H_
