#include "platform/disk_location.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "catalog/catalog_index.h"
#include "catalog/cp1251.h"
#include "catalog/stored_path.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testkit::TempDir;

// One disk whose thumbnails store `names` (Windows-1251), as a catalogue's index holds it.
CatInfo DiskOf(const std::vector<std::string>& names) {
  testkit::DiskSpec disk{.name = "disk", .thumbs = {}};
  for (const std::string& name : names) disk.thumbs.push_back({name, {0xFF, 0xD8, 0xFF, 0xD9}});
  const CatalogIndex index = BuildIndex(testkit::BuildCatalog({disk}));
  EXPECT_EQ(index.Disks.size(), 1u);
  return index.Disks.at(0);
}

// Empty files at `folder` / each of `names` (UTF-8); their stored names, in Windows-1251.
std::vector<std::string> MakeFiles(const fs::path& folder, const std::vector<std::string>& names) {
  std::vector<std::string> stored;
  for (const std::string& name : names) {
    const fs::path file = folder / name;
    fs::create_directories(file.parent_path());
    testkit::WriteFile(file, {});
    stored.push_back(Utf8ToCp1251(file.string()));
  }
  return stored;
}

std::vector<std::string> Numbered(const std::string& prefix, int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back(prefix + std::to_string(i) + ".jpg");
  return names;
}

// A probe of the real file system that counts its calls.
struct CountingProbe {
  int calls = 0;
  PathProbe Probe() {
    return [this](const fs::path& path) {
      ++calls;
      return FileSystemProbe()(path);
    };
  }
};

TEST(LocateDiskTest, FindsAFolderMovedElsewhereAndItsFilesThere) {
  const TempDir tmp;
  std::vector<std::string> names = Numbered("Фото 2004/Крым/IMG_", 12);
  for (const std::string& name : Numbered("Фото 2004/Мост/DSC", 12)) names.push_back(name);
  const std::vector<std::string> stored = MakeFiles(tmp.path() / "a" / "DISK", names);
  // A folder named by a system that kept names in Windows-1251: its bytes, not UTF-8.
  const std::string raw_folder = Utf8ToCp1251("Старое");
  const fs::path raw_file = tmp.path() / "a" / "DISK" / raw_folder / "old.jpg";
  fs::create_directories(raw_file.parent_path());
  testkit::WriteFile(raw_file, {});
  std::vector<std::string> all = stored;
  all.push_back(Utf8ToCp1251((tmp.path() / "a" / "DISK").string()) + "/" + raw_folder + "/old.jpg");
  const CatInfo disk = DiskOf(all);

  fs::create_directories(tmp.path() / "b");
  fs::rename(tmp.path() / "a" / "DISK", tmp.path() / "b" / "OTHER");
  const fs::path moved = tmp.path() / "b" / "OTHER";
  const std::optional<DiskLocation> location = LocateDisk(disk, moved);
  ASSERT_TRUE(location.has_value());
  EXPECT_EQ(location->folder, moved);
  EXPECT_EQ(location->update_folder, moved);  // a folder of the system disk, not a medium
  EXPECT_EQ(FindOriginalFileAt(stored[13], *location), moved / names[13]);
  EXPECT_EQ(FindOriginalFileAt(all.back(), *location), moved / raw_folder / "old.jpg");
  EXPECT_EQ(
      FindOriginalFileAt(Utf8ToCp1251(tmp.path().string()) + "/a/DISK/Фото 2004/x.jpg", *location),
      std::nullopt);

  // Where it was, nothing of it is left.
  EXPECT_EQ(LocateDisk(disk, tmp.path() / "a"), std::nullopt);
}

TEST(LocateDiskTest, ADiskMostlyAbsentIsRejectedAfterAFewLooksAndNeverMoreThanTheLimit) {
  const TempDir tmp;
  const std::vector<std::string> names = Numbered("Отпуск/IMG_", 5000);
  // The disk was catalogued at `a`; what is mounted at `b` holds its first fifth only.
  std::vector<std::string> stored;
  for (const std::string& name : names) {
    stored.push_back(Utf8ToCp1251((tmp.path() / "a" / name).string()));
  }
  MakeFiles(tmp.path() / "b", std::vector<std::string>(names.begin(), names.begin() + 1000));
  const CatInfo disk = DiskOf(stored);
  // `b` with each tail of the folders the paths share: /tmp, the test's folder, a, Отпуск.
  const int folders_tried = static_cast<int>(StoredPathParts(stored[0]).size());

  CountingProbe partial;
  EXPECT_EQ(LocateDisk(disk, tmp.path() / "b", partial.Probe()), std::nullopt);
  // Two looks or fewer at each folder tried, and eight files in each of the two that exist.
  EXPECT_LE(partial.calls, 2 * folders_tried + 2 * 8);
  // Where none of its folders is, each folder tried costs a look at its UTF-8 and its own name.
  CountingProbe elsewhere;
  EXPECT_EQ(LocateDisk(disk, tmp.path() / "a", elsewhere.Probe()), std::nullopt);
  EXPECT_LE(elsewhere.calls, 2 * folders_tried);

  // The dearest case: deep shared folders, every one there, and every other file.
  std::string deep = "E:";
  for (int i = 0; i < 30; ++i) deep += "\\\xCF\xE0\xEF\xEA\xE0" + std::to_string(i);  // "Папка"
  std::vector<std::string> deep_names;
  for (int i = 0; i < 5000; ++i) deep_names.push_back(deep + "\\" + std::to_string(i) + ".jpg");
  int calls = 0;
  const PathProbe every_other = [&calls](const fs::path& path) {
    ++calls;
    const std::string name = path.filename().string();
    return !name.ends_with(".jpg") || std::stoi(name) % 2 == 0;
  };
  EXPECT_EQ(LocateDisk(DiskOf(deep_names), "/mnt/x", every_other), std::nullopt);
  EXPECT_GT(calls, 100);
  EXPECT_LE(calls, kMaxLocateProbes);
}

TEST(LocateDiskTest, ADiskCataloguedAtTheTopOfAMediumIsUpdatedFromWhereItIsMounted) {
  const TempDir tmp;
  const fs::path mounted = tmp.path() / "mnt";
  // Scanned on Windows from drive E:.
  std::vector<std::string> windows;
  for (const std::string& name : Numbered("Фото/Крым/", 6)) windows.push_back(name);
  for (const std::string& name : Numbered("Фото/", 6)) windows.push_back(name);
  MakeFiles(mounted, windows);
  std::vector<std::string> stored;
  for (const std::string& name : windows) {
    std::string path = "E:\\" + Utf8ToCp1251(name);
    std::replace(path.begin(), path.end(), '/', '\\');
    stored.push_back(path);
  }
  std::optional<DiskLocation> location = LocateDisk(DiskOf(stored), mounted);
  ASSERT_TRUE(location.has_value());
  EXPECT_EQ(location->folder, mounted / "Фото");
  EXPECT_EQ(location->update_folder, mounted);
  EXPECT_EQ(FindOriginalFileAt(stored[2], *location), mounted / "Фото/Крым/2.jpg");

  // Scanned from a subfolder of a stick mounted at /media/user/LABEL, now mounted elsewhere.
  const std::vector<std::string> below = {"sub/x/1.jpg", "sub/x/2.jpg", "sub/y/3.jpg"};
  MakeFiles(mounted, below);
  std::vector<std::string> on_stick, at_home;
  for (const std::string& name : below) {
    on_stick.push_back("/media/user/LABEL/" + name);
    at_home.push_back("/home/user/Photos/" + name);
  }
  location = LocateDisk(DiskOf(on_stick), mounted);
  ASSERT_TRUE(location.has_value());
  EXPECT_EQ(location->folder, mounted / "sub");
  EXPECT_EQ(location->update_folder, mounted);
  // A folder of the system disk that was copied to the stick: only that folder is the disk.
  location = LocateDisk(DiskOf(at_home), mounted);
  ASSERT_TRUE(location.has_value());
  EXPECT_EQ(location->update_folder, mounted / "sub");
}

}  // namespace
}  // namespace quorvel
