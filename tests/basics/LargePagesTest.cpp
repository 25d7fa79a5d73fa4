#include "basics/LargePages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

// Fills a block with a pattern of its own and reports whether it still holds it.
void fill(std::vector<std::uint32_t>& block, std::uint32_t seed) {
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = seed * 2654435761u + static_cast<std::uint32_t>(i);
    }
}
bool holds(const std::vector<std::uint32_t>& block, std::uint32_t seed) {
    for (size_t i = 0; i < block.size(); ++i) {
        if (block[i] != seed * 2654435761u + static_cast<std::uint32_t>(i)) {
            return false;
        }
    }
    return true;
}

// The heap grown for one run serves blocks of every size, side by side, freed and taken again,
// beyond what it grew to as well; asking twice changes nothing.
TEST(LargePagesTest, HeapServesBlocksOfEverySizeAfterGrowing) {
    orvek::growHeapInLargePages(8 << 20);
    orvek::growHeapInLargePages(8 << 20);
    for (int round = 0; round < 3; ++round) {
        std::vector<std::vector<std::uint32_t>> blocks;
        const size_t sizes[] = {1, 100, 5000, 300'000, 700'000, 3'000'000};
        std::uint32_t seed = 1;
        for (size_t words : sizes) {
            blocks.emplace_back(words);
            fill(blocks.back(), seed++);
        }
        seed = 1;
        for (const auto& block : blocks) {
            EXPECT_TRUE(holds(block, seed++)) << "round " << round;
        }
    }
    std::string text;
    for (int i = 0; i < 200'000; ++i) {
        text += "2020\t1\t12.34\r\n";
    }
    EXPECT_EQ(text.size(), 200'000u * 14);
    EXPECT_EQ(text.substr(text.size() - 14), "2020\t1\t12.34\r\n");
}

} // namespace
