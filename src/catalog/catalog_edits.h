// The changes a user makes to a whole catalogue, each a pure function from the current version to
// the new one. Nothing here writes a file or changes the version it is given; a refusal throws
// CatalogError before anything is built.
//
// Disks are named by their index in CatalogIndex::Disks (0-based, file order) and thumbnails by
// their index in the disk's Thumbs.
#ifndef QUORVEL_CATALOG_CATALOG_EDITS_H_
#define QUORVEL_CATALOG_CATALOG_EDITS_H_

#include <span>
#include <string_view>

#include "catalog/catalog_index.h"
#include "catalog/catalog_version.h"
#include "catalog/stream.h"

namespace quorvel {

// Appends the record of `disk` (indexed from `stream`) as indexed: its bytes from the marker to
// the end of its last indexed thumbnail, with the disk marker, thumbnail count and record length
// of those bytes. A well-formed record is copied byte for byte; of a damaged one, the thumbnails
// that could be read make a well-formed record.
void AppendIndexedDisk(Bytes& out, ByteView stream, const CatInfo& disk);

// Each change below takes a catalogue version and gives the new one, whose bytes are what the
// change makes of the old bytes and whose index is theirs. The new version shares the old one's
// unchanged pieces and disks: a change costs the size of what it changes.

// A catalogue of the disks `kept`, in that order: the header with their count, then each disk
// record as AppendIndexedDisk copies it. Used for removing disks (the kept ones in name order)
// and for exporting (the chosen ones in display order).
CatalogVersion CopyDisks(const CatalogVersion& from, std::span<const int> kept);

// The catalogue with disk `disk` renamed to `name` (Windows-1251). Every other byte is kept;
// the disk's record length changes by the difference of the name lengths. Refuses a name of
// more than 255 bytes.
CatalogVersion RenameDisk(const CatalogVersion& from, int disk, std::string_view name);

// The catalogue without the thumbnails `removed`, of any disks (any order, duplicates ignored):
// the kept ones keep their order, each changed disk's count and record length follow, and every
// other byte is kept. Refuses a disk or thumbnail that is not in the index.
CatalogVersion RemoveThumbs(const CatalogVersion& from, std::span<const ThumbRef> removed);

// A thumbnail's new JPEG data.
struct JpegReplacement {
  ThumbRef ref;
  Bytes jpeg;
};

// The catalogue with the JPEG data of the thumbnails `replaced` (of any disks, in any order, each
// once) exchanged: each record's JPEG length and each changed disk's record length follow, every
// other byte is kept. Refuses a thumbnail that is not in the index, one named twice, JPEG data
// of more than 65535 bytes, a disk record that would reach 2^31 bytes and a damaged catalogue.
CatalogVersion ReplaceJpegs(const CatalogVersion& from, std::span<const JpegReplacement> replaced);

// The catalogue with the record of disk `disk` replaced by `record` (DiskRecordBuilder::Finish)
// in its place: every other disk's bytes and the disk count are kept, and so is the disk's place
// in the file. Refuses a disk that is not in the index and a damaged catalogue.
CatalogVersion ReplaceDisk(const CatalogVersion& from, int disk, ByteView record);

// The catalogue with every disk record of `other` (a whole catalogue) appended after its own,
// and the disk count raised by `other`'s. An empty catalogue gains the header. Refuses `other`
// when its structure is damaged (its records would be appended as garbage) and when the sum of
// disks would pass 65535; a thumbnail whose JPEG is bad is imported as it is. Importing no disks
// returns the catalogue unchanged.
CatalogVersion ImportCatalog(const CatalogVersion& from, const CatalogVersion& other);

// Throws CatalogError (kFull) when `from` already holds 65535 disks.
void RequireRoomForDisk(const CatalogVersion& from);

// The disk `record` (DiskRecordBuilder::Finish) as a catalogue of its own.
CatalogVersion DiskAsCatalogue(ByteView record);

// The catalogue with the disk `record` appended and counted: an empty catalogue first gets the
// header, one cut short after its magic is completed. Refuses as RequireRoomForDisk does. The
// same as importing DiskAsCatalogue(record).
CatalogVersion AppendDisk(const CatalogVersion& from, ByteView record);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_EDITS_H_
