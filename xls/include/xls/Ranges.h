#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orvek::xls {

struct TRangeRect {
    uint16_t FirstRow = 0;
    uint16_t LastRow = 0;
    uint8_t FirstCol = 0;
    uint8_t LastCol = 0;
    bool Contains(int row, int col) const {
        return row >= FirstRow && row <= LastRow && col >= FirstCol && col <= LastCol;
    }
    friend bool operator==(const TRangeRect&, const TRangeRect&) = default;
};

// An ordered list of rectangles.
class TRangeRects {
public:
    int Count() const { return static_cast<int>(m_rects.size()); }
    const TRangeRect& Items(int index) const;
    void Add(const TRangeRect& rect) { m_rects.push_back(rect); }
    void Clear() { m_rects.clear(); }
    const std::vector<TRangeRect>& Rects() const { return m_rects; }

private:
    std::vector<TRangeRect> m_rects;
};

// A named or merged range of a sheet. A merged range has no name.
class TRange : public TRangeRects {
public:
    const std::string& Name() const { return m_name; }
    // A name containing a blank raises EXLSError InvalidRangeName with the name.
    void SetName(const std::string& name);
    bool Merged() const { return m_merged; }
    void SetMerged(bool merged) { m_merged = merged; }

private:
    std::string m_name;
    bool m_merged = false;
};

class TRanges {
public:
    int Count() const { return static_cast<int>(m_ranges.size()); }
    TRange& Items(int index) const;
    TRange& Add();
    // A merged range of one rectangle.
    TRange& AddMerged(const TRangeRect& rect);
    // The first range with exactly this name, or none.
    TRange* FindByName(const std::string& name) const;

private:
    std::vector<std::unique_ptr<TRange>> m_ranges;
};

// An ordered list of (row, column) pairs: a sheet's page breaks.
class TCellCoords {
public:
    int Count() const { return static_cast<int>(m_coords.size()); }
    const std::pair<uint16_t, uint8_t>& Items(int index) const;
    void Add(uint16_t row, uint8_t col) { m_coords.emplace_back(row, col); }
    void Clear() { m_coords.clear(); }

private:
    std::vector<std::pair<uint16_t, uint8_t>> m_coords;
};

} // namespace orvek::xls
