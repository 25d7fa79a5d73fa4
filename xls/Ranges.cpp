#include "xls/Ranges.h"

#include "xls/XLSErrors.h"

namespace orvek::xls {

const TRangeRect& TRangeRects::Items(int index) const {
    if (index < 0 || index >= Count()) {
        throwListIndexError(index);
    }
    return m_rects[static_cast<size_t>(index)];
}

void TRange::SetName(const std::string& name) {
    if (name.find(' ') != std::string::npos) {
        throw EXLSError(EXLSError::InvalidRangeName, name);
    }
    m_name = name;
}

TRange& TRanges::Items(int index) const {
    if (index < 0 || index >= Count()) {
        throwListIndexError(index);
    }
    return *m_ranges[static_cast<size_t>(index)];
}

TRange& TRanges::Add() {
    m_ranges.push_back(std::make_unique<TRange>());
    return *m_ranges.back();
}

TRange& TRanges::AddMerged(const TRangeRect& rect) {
    TRange& range = Add();
    range.Add(rect);
    range.SetMerged(true);
    return range;
}

TRange* TRanges::FindByName(const std::string& name) const {
    for (const auto& range : m_ranges) {
        if (!range->Merged() && range->Name() == name) {
            return range.get();
        }
    }
    return nullptr;
}

const std::pair<uint16_t, uint8_t>& TCellCoords::Items(int index) const {
    if (index < 0 || index >= Count()) {
        throwListIndexError(index);
    }
    return m_coords[static_cast<size_t>(index)];
}

} // namespace orvek::xls
