// Facts given to an index by hand, for the tests and benchmarks of what reads them (the search,
// the listings) apart from the codec that reads them from thumbnails.
#ifndef QUORVEL_TESTS_SUPPORT_HAND_FACTS_H_
#define QUORVEL_TESTS_SUPPORT_HAND_FACTS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalog/catalog_index.h"

namespace quorvel::testkit {

struct HandFacts {
  std::int64_t taken = ThumbFacts::kNoDate;
  std::string camera;  // as CameraName gives it
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int64_t file_size = -1;
  bool has_position = false;
};

// Gives the thumbnails of disk `disk` of `index` `facts`, one for each in order, held as the index
// holds the facts it reads: each camera's name kept once. The disk's thumbnails are copied, so
// other indexes sharing them keep their own.
void GiveFacts(CatalogIndex& index, std::size_t disk, const std::vector<HandFacts>& facts);

// Seconds from 1970-01-01 00:00:00 of a camera's clock.
std::int64_t ClockSeconds(int year, unsigned month, unsigned day, int hour = 0, int minute = 0,
                          int second = 0);

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_HAND_FACTS_H_
