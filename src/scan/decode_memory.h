// The memory that the renders of one scan spend at once on pictures decoded whole.
#ifndef QUORVEL_SCAN_DECODE_MEMORY_H_
#define QUORVEL_SCAN_DECODE_MEMORY_H_

#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <stop_token>

#include "scan/decode_limits.h"

namespace quorvel {

// Each render thread may decode a picture of up to kMaxDecodedBytes; without a shared total, a
// disk of large pictures would take that once per thread. Only decodes whose input is already
// in memory wait here, so a lease never waits for the reader and the reader never for a lease.
class DecodeMemory {
 public:
  // A share of the total, given back when destroyed.
  class Lease {
   public:
    Lease(Lease&& other) noexcept;
    Lease& operator=(Lease&& other) noexcept;
    ~Lease();

   private:
    friend class DecodeMemory;
    Lease(DecodeMemory* memory, std::int64_t bytes) : memory_(memory), bytes_(bytes) {}
    DecodeMemory* memory_;
    std::int64_t bytes_;
  };

  explicit DecodeMemory(std::int64_t total = kMaxDecodedBytes) : total_(total) {}
  DecodeMemory(const DecodeMemory&) = delete;
  DecodeMemory& operator=(const DecodeMemory&) = delete;

  // Waits, in the order asked, until `bytes` fit beside the leases held, or none is held (a
  // picture larger than the total decodes alone); nullopt when `stop` is requested first.
  std::optional<Lease> Take(std::int64_t bytes, const std::stop_token& stop);

 private:
  void Give(std::int64_t bytes);

  const std::int64_t total_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::int64_t used_ = 0;
  std::list<std::int64_t> waiting_;  // the tickets of the renders waiting, oldest first
  std::int64_t next_ticket_ = 0;
};

}  // namespace quorvel

#endif  // QUORVEL_SCAN_DECODE_MEMORY_H_
