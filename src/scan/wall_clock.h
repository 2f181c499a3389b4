// Times as a wall clock shows them, which is how cameras keep the date a picture was taken.
#ifndef QUORVEL_SCAN_WALL_CLOCK_H_
#define QUORVEL_SCAN_WALL_CLOCK_H_

#include <chrono>
#include <cstdint>
#include <ctime>

namespace quorvel {

// What this machine's clock showed at `utc` (seconds from 1970 UTC, in its time zone of that
// day), as seconds from 1970-01-01 00:00:00 of that clock; `utc` itself when the zone is not
// known. Inline, so that the video module, which links nothing of the scan, uses the very same
// rule.
inline std::int64_t LocalWallClock(std::int64_t utc) {
  const auto time = static_cast<std::time_t>(utc);
  std::tm fields{};
#ifdef _WIN32
  if (localtime_s(&fields, &time) != 0) return utc;
#else
  if (!localtime_r(&time, &fields)) return utc;
#endif
  const std::chrono::sys_days day{std::chrono::year(fields.tm_year + 1900) / (fields.tm_mon + 1) /
                                  fields.tm_mday};
  return day.time_since_epoch() / std::chrono::seconds(1) + fields.tm_hour * 3600 +
         fields.tm_min * 60 + fields.tm_sec;
}

}  // namespace quorvel

#endif  // QUORVEL_SCAN_WALL_CLOCK_H_
