#include "support/hand_facts.h"

#include <chrono>
#include <map>
#include <memory>
#include <stdexcept>

namespace quorvel::testkit {

void GiveFacts(CatalogIndex& index, std::size_t disk, const std::vector<HandFacts>& facts) {
  CatInfo& info = index.Disks.at(disk);
  if (facts.size() != info.Thumbs.size()) throw std::invalid_argument("one fact per thumbnail");
  auto thumbs = std::make_shared<DiskThumbs>();
  thumbs->thumbs.assign(info.Thumbs.begin(), info.Thumbs.end());
  for (const Disc& thumb : info.Thumbs) thumbs->names += thumb.Name();
  std::size_t at = 0;
  for (Disc& thumb : thumbs->thumbs) {
    thumb.NamePtr = thumbs->names.data() + at;
    at += thumb.NameSize;
  }
  std::map<std::string, std::uint32_t> camera_start;
  for (const HandFacts& given : facts) {
    ThumbFacts held;
    held.taken = given.taken;
    held.file_size = given.file_size;
    held.width = given.width;
    held.height = given.height;
    held.has_position = given.has_position;
    if (!given.camera.empty()) {
      const auto [place, added] = camera_start.try_emplace(
          given.camera, static_cast<std::uint32_t>(thumbs->cameras.size()));
      if (added) thumbs->cameras += given.camera;
      held.camera_start = place->second;
      held.camera_size = static_cast<std::uint16_t>(given.camera.size());
    }
    thumbs->facts.push_back(held);
  }
  info.Thumbs = thumbs->thumbs;
  info.Storage = std::move(thumbs);
}

std::int64_t ClockSeconds(int year, unsigned month, unsigned day, int hour, int minute,
                          int second) {
  using namespace std::chrono;
  const sys_days date = std::chrono::year{year} / month / day;
  return date.time_since_epoch().count() * std::int64_t{86400} + hour * 3600 + minute * 60 + second;
}

}  // namespace quorvel::testkit
