// The catalogue of a lifetime's discs that the benchmarks of large catalogues work on: 500 disks
// of 1,000 thumbnails, each a real JPEG thumbnail (about 2.6 KB, made from the install script's
// wallpapers) named by a path of 40 to 80 bytes, about 1.3 GB in all.
#ifndef QUORVEL_BENCH_LIFETIME_CATALOGUE_H_
#define QUORVEL_BENCH_LIFETIME_CATALOGUE_H_

#include <filesystem>
#include <string>

namespace quorvel {

struct LifetimeShape {
  int disks = 500;
  int thumbs_per_disk = 1000;
};

// Writes the catalogue of `shape` to `path`, unless a finished one of that shape is there from an
// earlier run (a marker file beside it says so). The thumbnails are the wallpapers of
// mate-backgrounds and ukui-wallpapers fitted into 100 x 100 and encoded as the scan does; the
// same few pictures repeat, which no reading of the catalogue can tell. False, with why in
// *error, when the wallpapers are missing or the file cannot be written.
bool MakeLifetimeCatalogue(const std::filesystem::path& path, const LifetimeShape& shape,
                           std::string* error);

}  // namespace quorvel

#endif  // QUORVEL_BENCH_LIFETIME_CATALOGUE_H_
