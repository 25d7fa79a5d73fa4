#include "xls/BigRoom.h"

#include <sys/mman.h>
#include <unistd.h>

namespace orvek::xls {

namespace {

size_t roundUp(size_t size, size_t unit) {
    return (size + unit - 1) / unit * unit;
}

} // namespace

uint8_t* TBigRoom::Map(size_t size, size_t populate) {
    const size_t length = roundUp(size, kAlign);
    // Room for the alignment, given back at both ends.
    void* memory = ::mmap(nullptr, length + kAlign, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        return nullptr;
    }
    const auto start = reinterpret_cast<uintptr_t>(memory);
    const uintptr_t aligned = roundUp(start, kAlign);
    if (aligned > start) {
        ::munmap(memory, aligned - start);
    }
    if (start + kAlign > aligned) {
        ::munmap(reinterpret_cast<void*>(aligned + length), start + kAlign - aligned);
    }
    auto* room = reinterpret_cast<uint8_t*>(aligned);
    // Both only hints: without them the pages come one by one.
    ::madvise(room, length, MADV_HUGEPAGE);
    const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    if (populate > 0) {
        ::madvise(room, roundUp(populate < length ? populate : length, page), MADV_POPULATE_WRITE);
    }
    return room;
}

void TBigRoom::Unmap(uint8_t* memory, size_t size) {
    if (memory != nullptr) {
        ::munmap(memory, roundUp(size, kAlign));
    }
}

} // namespace orvek::xls
