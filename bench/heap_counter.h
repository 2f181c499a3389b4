// The heap a benchmark holds: linking heap_counter.cpp replaces the global operator new and
// delete with ones that count the bytes handed out, by usable size, and their highest level.
#ifndef QUORVEL_BENCH_HEAP_COUNTER_H_
#define QUORVEL_BENCH_HEAP_COUNTER_H_

#include <cstdint>

namespace quorvel::bench {

// The bytes held now.
std::int64_t HeapBytes();
// The highest level since the last ResetHeapPeak, which starts it from the bytes held now.
std::int64_t HeapPeak();
void ResetHeapPeak();

}  // namespace quorvel::bench

#endif  // QUORVEL_BENCH_HEAP_COUNTER_H_
