#pragma once

#include "xls/Cells.h"
#include "xls/Ranges.h"

#include <vector>

namespace orvek::xls {

// Sets the merged flag on every existing cell inside the rectangles; never creates a cell. The
// work is bounded by the cells and rectangles given, however large the rectangles are.
void MarkMergedCells(TCells& cells, const std::vector<TRangeRect>& rects);

} // namespace orvek::xls
