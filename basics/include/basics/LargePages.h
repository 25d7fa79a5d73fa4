#pragma once

#include <cstddef>

namespace orvek {

// Lets the heap of a process that makes one run grow in large pages: the run's few big buffers
// (the weather file, the result texts) then cost a handful of page faults rather than one per
// 4 KiB, which on some virtual machines is a good part of the whole run. Call it once, early
// in main. The heap keeps what it grew to until the process ends, so it suits processes that
// end after their work (orvek-batch), not long-lived ones. Only a hint: where the system has no
// large pages, nothing changes.
void growHeapInLargePages(std::size_t bytes);

// Enough for a century of daily results and their weather.
inline constexpr std::size_t kSingleRunHeap = 64 << 20;

} // namespace orvek
