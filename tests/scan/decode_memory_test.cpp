// The memory the renders of one scan share for pictures decoded whole.
#include "scan/decode_memory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace quorvel {
namespace {

using std::chrono_literals::operator""ms;

TEST(DecodeMemoryTest, ADecodeWaitsUntilItsShareFitsAndAStopEndsTheWait) {
  DecodeMemory memory(100);
  std::optional<DecodeMemory::Lease> first = memory.Take(70, {});
  ASSERT_TRUE(first);
  EXPECT_TRUE(memory.Take(30, {}));  // fits beside it, and is given back at once

  std::atomic<bool> second_taken = false;
  std::thread second([&] {
    const std::optional<DecodeMemory::Lease> lease = memory.Take(60, {});
    second_taken = lease.has_value();
  });
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(second_taken);
  first.reset();
  second.join();
  EXPECT_TRUE(second_taken);

  // More than the whole still decodes, alone.
  std::optional<DecodeMemory::Lease> huge = memory.Take(500, {});
  ASSERT_TRUE(huge);
  std::stop_source stop;
  std::thread stopped([&] { EXPECT_FALSE(memory.Take(1, stop.get_token())); });
  std::this_thread::sleep_for(50ms);
  stop.request_stop();
  stopped.join();
  huge.reset();
  EXPECT_TRUE(memory.Take(100, {}));
}

}  // namespace
}  // namespace quorvel
