#include "support/realistic_catalog.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "catalog/cp1251.h"
#include "catalog/disk_record_writer.h"
#include "catalog/picture_facts.h"

namespace quorvel::testkit {
namespace {

// Where a disk was mounted when it was scanned, and the separator its paths use.
struct Root {
  const char* path;
  char separator;
};
constexpr Root kRoots[] = {
    {"/media/cdrom", '/'}, {"/mnt/usb", '/'},           {"/run/media/olga/KINGSTON", '/'},
    {"E:", '\\'},          {"D:\\Мои документы", '\\'}, {"/media/dvd", '/'}};
constexpr const char* kTops[] = {"Фото %d", "Photos",   "Фотографии", "Pictures %d",
                                 "DCIM",    "Архив %d", "Семья",      "Scans"};
constexpr const char* kEvents[] = {
    "Отпуск Крым", "Новый год",  "День рождения Маши", "Дача",   "Свадьба Лены", "Ёлка",
    "Море Сочи",   "Горы Алтай", "Выпускной",          "Berlin", "Paris trip",   "Summer",
    "Wedding",     "Birthday",   "Alps hiking",        "Prague", "Kids",         "Зимняя рыбалка"};
constexpr const char* kFiles[] = {"IMG_%04d.JPG",  "DSC%05d.jpg",  "P%07d.JPG",
                                  "Фото %03d.jpg", "scan%04d.tif", "IMG_2011%04d_1.jpg"};
constexpr const char* kExtras[] = {"Отобранные", "Selected", "100CANON", "Разное", "raw"};
constexpr const char* kDiskNames[] = {"Отпуск %d CD%d", "Фото %d DVD%d",     "Backup %d-%02d",
                                      "Флешка %d №%d",  "Photos %d disc %d", "Архив %d-%d"};

// Each text in 1251, converted once.
std::vector<std::string> In1251(const auto& texts) {
  std::vector<std::string> out;
  for (const char* text : texts) out.push_back(Utf8ToCp1251(text));
  return out;
}

std::string Format(const std::string& pattern, int a, int b = 0) {
  char text[128];
  std::snprintf(text, sizeof text, pattern.c_str(), a, b);
  return text;
}

constexpr std::uint8_t kStandIn[16] = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0, 0,    0,
                                       0,    0,    0,    0,    0, 0, 0xFF, 0xD9};

// kStandIn with a JFIF header and `facts` after it, as the encoder places them.
Bytes StandInWithFacts(const PictureFacts& facts) {
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  const Bytes segments = EncodeFactsSegments(facts);
  jpeg.insert(jpeg.end(), segments.begin(), segments.end());
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});
  return jpeg;
}

Bytes Generate(int disks, int thumbs_per_disk, std::uint32_t seed, ByteView jpeg,
               bool with_facts) {
  constexpr const char* kCameras[][2] = {{"Canon", "Canon EOS 70D"},
                                         {"NIKON CORPORATION", "NIKON D750"},
                                         {"Apple", "iPhone 12"},
                                         {"SONY", "ILCE-7M3"}};
  if (jpeg.empty()) jpeg = ByteView(kStandIn);
  const std::vector<std::string> tops = In1251(kTops), events = In1251(kEvents),
                                 files = In1251(kFiles), extras = In1251(kExtras),
                                 disk_names = In1251(kDiskNames);
  std::vector<std::string> roots;
  for (const Root& root : kRoots) roots.push_back(Utf8ToCp1251(root.path));
  std::mt19937 random(seed);
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };

  Bytes stream;
  stream.reserve(6 + static_cast<std::size_t>(disks) *
                         (32 + static_cast<std::size_t>(thumbs_per_disk) * (70 + jpeg.size())));
  for (int d = 0; d < disks; ++d) {
    const int year = 1999 + static_cast<int>(pick(20));
    DiskRecordHead head = BeginDiskRecord(stream, Format(disk_names[pick(std::size(kDiskNames))],
                                                         year, 1 + static_cast<int>(pick(12))));
    // A disk is one place: one mount point and one top folder; events change every few dozen
    // pictures, and pictures are numbered on.
    const std::size_t root = pick(std::size(kRoots));
    const char sep = kRoots[root].separator;
    const std::string top = roots[root] + sep + Format(tops[pick(tops.size())], year) + sep;
    std::string folder;
    std::size_t file = 0;
    int number = static_cast<int>(pick(9000));
    for (int t = 0; t < thumbs_per_disk; ++t, ++number) {
      if (folder.empty() || pick(40) == 0) {
        folder = top;
        if (pick(2) == 0) folder += Format("%d-%02d ", year, 1 + static_cast<int>(pick(12)));
        folder += events[pick(events.size())] + sep;
        if (folder.size() < 24) folder += extras[pick(extras.size())] + sep;
        file = pick(files.size());
      }
      const std::string name = Format(files[file], number);
      // 40 to 90 bytes: a short path gains folders; a long one loses its event's.
      const std::size_t least = 40 + pick(30);
      const auto padded = [&](const std::string& in) {
        std::string path = in + name;
        while (path.size() < least) path.insert(in.size(), extras[pick(extras.size())] + sep);
        return path;
      };
      const std::string full = padded(folder);
      const std::string& path = full.size() <= 90 ? full : padded(top);
      if (!with_facts) {
        AppendThumbnailRecord(stream, head, path, jpeg);
        continue;
      }
      PictureFacts facts;
      const auto day = static_cast<std::int64_t>(pick(365));
      facts.taken = ParseIsoDateTime(Format("%d-01-01T00:00:00", year)).value_or(0) +
                    day * 86400 + static_cast<std::int64_t>(pick(86400));
      if (const std::size_t camera = pick(std::size(kCameras) + 1); camera < std::size(kCameras)) {
        facts.make = kCameras[camera][0];
        facts.model = kCameras[camera][1];
        facts.width = 4000;
        facts.height = 3000;
      }
      facts.file_size = 1000000 + static_cast<std::int64_t>(pick(9000000));
      if (pick(5) == 0) facts.position = GeoPosition{44.5, 34.1};
      AppendThumbnailRecord(stream, head, path, StandInWithFacts(facts));
    }
    FinishDiskRecord(stream, head);
  }
  return stream;
}

}  // namespace

Bytes RealisticCatalog(int disks, int thumbs_per_disk, std::uint32_t seed, ByteView jpeg) {
  return Generate(disks, thumbs_per_disk, seed, jpeg, false);
}

Bytes RealisticCatalogWithFacts(int disks, int thumbs_per_disk, std::uint32_t seed) {
  return Generate(disks, thumbs_per_disk, seed, {}, true);
}

}  // namespace quorvel::testkit
