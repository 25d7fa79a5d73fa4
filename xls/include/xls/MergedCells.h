#pragma once

#include "xls/Cells.h"
#include "xls/Ranges.h"

#include <functional>
#include <vector>

namespace orvek::xls {

// Calls `mark` once for every existing cell inside the rectangles; never creates a cell. The
// work is bounded by the cells and rectangles given, however large or overlapping they are.
void MarkMergedCells(TCells& cells, const std::vector<TRangeRect>& rects,
                     const std::function<void(TCell&)>& mark);

} // namespace orvek::xls
