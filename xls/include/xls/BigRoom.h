#pragma once

#include <cstddef>
#include <cstdint>

namespace orvek::xls {

// Anonymous memory for a large block that is about to be written from start to end: aligned to
// 2 MB and asked for huge pages, with its pages put in place at once. The first touch of each
// fresh 4 kB page is costly, above all under a virtual machine; a huge page stands for 512 of
// them. Without huge pages it is still memory with its pages in place.
class TBigRoom {
public:
    static constexpr size_t kAlign = size_t{2} << 20;

    // `size` bytes whose first `populate` bytes are put in place; null when there is no memory.
    static uint8_t* Map(size_t size, size_t populate);
    // Memory from Map with the same size.
    static void Unmap(uint8_t* memory, size_t size);
};

} // namespace orvek::xls
