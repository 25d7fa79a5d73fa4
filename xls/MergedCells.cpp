#include "xls/MergedCells.h"

#include <algorithm>
#include <array>

namespace orvek::xls {

void MarkMergedCells(TCells& cells, const std::vector<TRangeRect>& rects,
                     const std::function<void(TCell&)>& mark) {
    if (rects.empty() || cells.Count() == 0) {
        return;
    }
    uint64_t area = 0;
    for (const auto& r : rects) {
        area += uint64_t{r.LastRow - r.FirstRow + 1u} * (r.LastCol - r.FirstCol + 1u);
    }
    if (area <= static_cast<uint64_t>(cells.Count())) {
        // Overlapping rectangles may cover a cell twice; marking is idempotent.
        for (const auto& r : rects) {
            for (int row = r.FirstRow; row <= r.LastRow; ++row) {
                for (int col = r.FirstCol; col <= r.LastCol; ++col) {
                    if (TCell* cell = cells.Find(row, col)) {
                        mark(*cell);
                    }
                }
            }
        }
        return;
    }
    // Large rectangles: sweep the rows once, keeping how many rectangles cover each column.
    struct Event {
        int row;
        int delta;
        uint8_t firstCol;
        uint8_t lastCol;
    };
    std::vector<Event> events;
    events.reserve(rects.size() * 2);
    for (const auto& r : rects) {
        events.push_back({r.FirstRow, 1, r.FirstCol, r.LastCol});
        events.push_back({r.LastRow + 1, -1, r.FirstCol, r.LastCol});
    }
    std::sort(events.begin(), events.end(),
              [](const Event& a, const Event& b) { return a.row < b.row; });
    std::vector<TCell*> sorted;
    sorted.reserve(static_cast<size_t>(cells.Count()));
    for (int i = 0; i < cells.Count(); ++i) {
        sorted.push_back(&cells.At(i));
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const TCell* a, const TCell* b) { return a->Row() < b->Row(); });
    std::array<int, 256> cover{};
    size_t next = 0;
    for (TCell* cell : sorted) {
        while (next < events.size() && events[next].row <= cell->Row()) {
            for (int c = events[next].firstCol; c <= events[next].lastCol; ++c) {
                cover[static_cast<size_t>(c)] += events[next].delta;
            }
            ++next;
        }
        if (cover[static_cast<size_t>(cell->Col())] > 0) {
            mark(*cell);
        }
    }
}

} // namespace orvek::xls
