#include "scan/decode_memory.h"

#include <algorithm>
#include <utility>

namespace quorvel {

DecodeMemory::Lease::Lease(Lease&& other) noexcept
    : memory_(std::exchange(other.memory_, nullptr)), bytes_(other.bytes_) {}

DecodeMemory::Lease& DecodeMemory::Lease::operator=(Lease&& other) noexcept {
  if (this != &other) {
    if (memory_) memory_->Give(bytes_);
    memory_ = std::exchange(other.memory_, nullptr);
    bytes_ = other.bytes_;
  }
  return *this;
}

DecodeMemory::Lease::~Lease() {
  if (memory_) memory_->Give(bytes_);
}

std::optional<DecodeMemory::Lease> DecodeMemory::Take(std::int64_t bytes,
                                                      const std::stop_token& stop) {
  bytes = std::max<std::int64_t>(bytes, 0);
  std::unique_lock lock(mutex_);
  const std::int64_t ticket = next_ticket_++;
  waiting_.push_back(ticket);
  changed_.wait(lock, stop, [&] {
    return waiting_.front() == ticket && (used_ == 0 || used_ + bytes <= total_);
  });
  waiting_.remove(ticket);
  // The next in line may fit now, or may have been held up behind this one.
  changed_.notify_all();
  if (stop.stop_requested()) return std::nullopt;
  used_ += bytes;
  return Lease(this, bytes);
}

void DecodeMemory::Give(std::int64_t bytes) {
  const std::lock_guard lock(mutex_);
  used_ -= bytes;
  changed_.notify_all();
}

}  // namespace quorvel
