#include "support/hand_facts.h"

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
  ThumbFactsCollector collector(*thumbs);
  for (std::size_t j = 0; j < facts.size(); ++j) {
    ThumbFacts held;
    held.taken = facts[j].taken;
    held.file_size = facts[j].file_size;
    held.width = facts[j].width;
    held.height = facts[j].height;
    held.has_position = facts[j].has_position;
    collector.Add(j, held, facts[j].camera);
  }
  collector.Finish();
  info.Thumbs = thumbs->thumbs;
  info.Storage = std::move(thumbs);
}

}  // namespace quorvel::testkit
