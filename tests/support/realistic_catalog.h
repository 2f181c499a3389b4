// A large catalogue whose names look like those of real disks, for measuring searches and views.
#ifndef QUORVEL_TESTS_SUPPORT_REALISTIC_CATALOG_H_
#define QUORVEL_TESTS_SUPPORT_REALISTIC_CATALOG_H_

#include <cstdint>

#include "catalog/stream.h"

namespace quorvel::testkit {

// A well-formed catalogue of `disks` disks of `thumbs_per_disk` thumbnails each, the same bytes
// for the same `seed`. Disk names are like "Отпуск 2004 CD3" or "Backup 2011-07"; image paths
// are 40 to 90 bytes of Latin and Cyrillic folder and file names under a mount point or a drive
// ("/media/cdrom/Фото 2004/Отпуск Крым/IMG_0412.JPG", "E:\Photos\2011-07 Berlin\DSC01234.jpg").
// Every thumbnail's JPEG data is `jpeg`, or, when it is empty, a 16-byte stand-in that begins
// with FF D8 and ends with FF D9 but shows no picture. 1,000 x 1,000 takes about a second.
Bytes RealisticCatalog(int disks, int thumbs_per_disk, std::uint32_t seed, ByteView jpeg = {});

// The same names, each thumbnail a stand-in JPEG that shows no picture but carries facts as a
// scan stores them: a date taken in its disk's year, and most with a camera of a few, a pixel
// size and a file size, some with a position.
Bytes RealisticCatalogWithFacts(int disks, int thumbs_per_disk, std::uint32_t seed);

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_REALISTIC_CATALOG_H_
