#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::int64_t> g_heap_bytes{0};
std::atomic<std::int64_t> g_heap_peak{0};

// Kept out of line: inlined into a caller, GCC sees free() take a pointer from operator new and
// warns (-Wmismatched-new-delete), not knowing that this operator new is malloc.
[[gnu::noinline]] void CountedFree(void* p) noexcept {
  if (p == nullptr) return;
  g_heap_bytes.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(p)),
                         std::memory_order_relaxed);
  std::free(p);
}

}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  const auto usable = static_cast<std::int64_t>(malloc_usable_size(p));
  const std::int64_t now = g_heap_bytes.fetch_add(usable, std::memory_order_relaxed) + usable;
  std::int64_t peak = g_heap_peak.load(std::memory_order_relaxed);
  while (now > peak && !g_heap_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
  return p;
}
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }

namespace quorvel::bench {

std::int64_t HeapBytes() { return g_heap_bytes.load(); }
std::int64_t HeapPeak() { return g_heap_peak.load(); }
void ResetHeapPeak() { g_heap_peak.store(g_heap_bytes.load()); }

}  // namespace quorvel::bench
