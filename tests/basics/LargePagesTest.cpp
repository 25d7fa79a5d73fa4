#include "basics/LargePages.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The heap grown for one run serves blocks of every size, side by side, freed and taken again,
// beyond what it grew to as well; asking twice changes nothing.
TEST(LargePagesTest, HeapServesBlocksOfEverySizeAfterGrowing) {
    orvek::growHeapInLargePages(8 << 20);
    orvek::growHeapInLargePages(8 << 20);
    for (int round = 0; round < 3; ++round) {
        std::vector<std::vector<unsigned>> blocks;
        for (const int words : {1, 100, 5000, 300'000, 700'000, 3'000'000}) {
            blocks.emplace_back(static_cast<size_t>(words),
                                static_cast<unsigned>(words) +
                                    static_cast<unsigned>(blocks.size()));
        }
        for (size_t b = 0; b < blocks.size(); ++b) {
            const unsigned expected = static_cast<unsigned>(blocks[b].size() + b);
            EXPECT_EQ(blocks[b].front(), expected) << round;
            EXPECT_EQ(blocks[b].back(), expected) << round;
        }
    }
}

} // namespace
