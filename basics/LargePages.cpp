#include "basics/LargePages.h"

#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#define ORVEK_LARGE_PAGES 1
#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace orvek {

#if ORVEK_LARGE_PAGES
namespace {

constexpr std::uintptr_t kLargePage = 2 << 20;

// Kept until the process ends: the part of the heap below the first large page's boundary.
void* g_belowBoundary = nullptr;

} // namespace
#endif

void growHeapInLargePages(std::size_t bytes) {
#if ORVEK_LARGE_PAGES
    // Big blocks come from the heap rather than from mappings of their own, and the heap grows
    // by the whole amount at once and is never given back in between.
    constexpr int kLargestHeapBlock = 32 << 20; // the most the C library accepts
    if (g_belowBoundary != nullptr || mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock) == 0 ||
        mallopt(M_TRIM_THRESHOLD, static_cast<int>(bytes) * 2) == 0 ||
        mallopt(M_TOP_PAD, static_cast<int>(bytes)) == 0) {
        return;
    }
    const auto before = reinterpret_cast<std::uintptr_t>(sbrk(0));
    // A block past what is left at the top makes the heap grow now; the blocks after it start
    // at the top. A kept block fills the heap up to the next boundary of a large page, so that
    // the big blocks to come lie in whole large pages rather than partly in small ones.
    constexpr std::size_t kGrowBlock = 1 << 20;
    constexpr std::size_t kChunkHeader = 2 * sizeof(std::size_t);
    char* grow = static_cast<char*>(std::malloc(kGrowBlock));
    if (grow == nullptr) {
        return;
    }
    const auto next = reinterpret_cast<std::uintptr_t>(grow) + kGrowBlock + kChunkHeader;
    const std::uintptr_t boundary = (next + kLargePage - 1) / kLargePage * kLargePage;
    if (boundary - next > kChunkHeader) {
        g_belowBoundary = std::malloc(boundary - next - kChunkHeader);
    }
    std::free(grow);
    const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (before + page - 1) / page * page;
    if (after > first) {
        madvise(reinterpret_cast<void*>(first), after - first, MADV_HUGEPAGE);
    }
#else
    (void)bytes;
#endif
}

} // namespace orvek
