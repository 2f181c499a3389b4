// Catalogues and pictures made to order, through the same writer the program uses.
#ifndef QUORVEL_TESTS_SUPPORT_CATALOG_BUILDER_H_
#define QUORVEL_TESTS_SUPPORT_CATALOG_BUILDER_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "catalog/picture_facts.h"
#include "catalog/stream.h"

namespace quorvel::testkit {

struct ThumbSpec {
  std::string name;  // 1251 bytes
  Bytes jpeg;
};

struct DiskSpec {
  std::string name;  // 1251 bytes
  std::vector<ThumbSpec> thumbs;
};

// A well-formed catalogue of `disks` in order; no disks gives the 6-byte header alone.
Bytes BuildCatalog(const std::vector<DiskSpec>& disks);

// A real 100 x 100 quality-90 JPEG: a diagonal gradient whose colours depend on `seed`, carrying
// `facts` as the program stores them.
Bytes GradientJpeg(std::uint32_t seed, const PictureFacts& facts = {});

// A real 100 x 100 quality-90 JPEG of a picture of soft light and dark patches laid out by
// `seed`, so that two seeds give pictures unlike each other. `lighter` brightens it by that much
// with a little noise, as a retouched, recompressed copy of the same picture.
Bytes PatchesJpeg(std::uint32_t seed, int lighter = 0);

// The facts of a photograph, every kind known: a Canon EOS 70D's picture taken at
// 2019-07-12T14:03:27 in the southern and western hemispheres.
PictureFacts ExampleFacts();

// Two disks: "old", whose two thumbnails have no facts, and "new", whose five thumbnails have
// ExampleFacts, none, a camera alone ("NIKON CORPORATION", "NIKON D750"), ExampleFacts again
// and none.
std::vector<DiskSpec> DisksWithFacts();

// A byte string from text, so that tests can write Windows-1251 bytes as "\xC4\xE8...".
inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

void WriteFile(const std::filesystem::path& path, const Bytes& bytes);

// The file's bytes as text, empty when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // Writes `bytes` to `name` inside the folder and returns its path.
  std::filesystem::path File(const std::string& name, const Bytes& bytes) const;

 private:
  std::filesystem::path path_;
};

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_CATALOG_BUILDER_H_
