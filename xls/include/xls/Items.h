#pragma once

#include "xls/HashIndex.h"
#include "xls/Metrics.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orvek::xls {

class TCustomXLSItems;
class TColumns;
class TRows;

// An item of a keyed collection: a cell, a row or a column. An item found by a lookup miss is
// pending: it is not part of the sheet until one of its properties changes, so an item that is
// only read is never written to a file.
class TCustomXLSItem {
public:
    virtual ~TCustomXLSItem() = default;
    TCustomXLSItem(const TCustomXLSItem&) = delete;
    TCustomXLSItem& operator=(const TCustomXLSItem&) = delete;

    bool Registered() const { return m_registered; }
    // The key the collection knows the item by (for a cell row + 65536 * column).
    uint32_t Key() const { return m_key; }

protected:
    TCustomXLSItem(TCustomXLSItems& owner, uint32_t key) : m_owner(&owner), m_key(key) {}
    void Changed();
    TCustomXLSItems& Owner() const { return *m_owner; }

private:
    friend class TCustomXLSItems;
    TCustomXLSItems* m_owner;
    uint32_t m_key;
    bool m_registered = false;
};

// A collection of items in registration order with a hash index from key to position. At most
// one unregistered (pending) item exists; the next lookup miss frees it, so a pending item may
// only be used until the next lookup in the same collection.
class TCustomXLSItems {
public:
    virtual ~TCustomXLSItems() = default;
    TCustomXLSItems(const TCustomXLSItems&) = delete;
    TCustomXLSItems& operator=(const TCustomXLSItems&) = delete;

    // Number of registered items.
    int Count() const { return static_cast<int>(m_items.size()); }
    // Appends the item to the list and index if it is not registered yet.
    void RegisterItem(TCustomXLSItem& item);
    const TCustomXLSItem* PendingItem() const { return m_pending.get(); }

protected:
    explicit TCustomXLSItems(size_t keyLength) : m_index(kItemBuckets, keyLength) {}
    TCustomXLSItem* FindKey(uint32_t key) const;
    // Replaces the pending item by this new one and returns it.
    TCustomXLSItem& MakePending(std::unique_ptr<TCustomXLSItem> item);
    // The registered item at a list position; a range error outside 0..Count()-1.
    TCustomXLSItem& ItemAt(int position) const;

private:
    std::vector<std::unique_ptr<TCustomXLSItem>> m_items;
    THashIndex m_index;
    std::unique_ptr<TCustomXLSItem> m_pending;
};

// Common part of rows and columns: size in the unit of the kind (characters or points) and in
// pixels, outline level, and whether the size was changed from the default.
class TCustomRowCol : public TCustomXLSItem {
public:
    uint16_t Index() const { return static_cast<uint16_t>(Key()); }
    int Pixels() const { return m_pixels; }
    int OutlineLevel() const { return m_outlineLevel; }
    // 0..7, else EXLSError InvalidCellProperty.
    void SetOutlineLevel(int level);
    bool SizeChanged() const { return m_changed; }
    bool CustomSize() const { return m_custom; }

protected:
    TCustomRowCol(TCustomXLSItems& owner, uint16_t index, double size, int pixels)
        : TCustomXLSItem(owner, index), m_size(size), m_pixels(pixels) {}
    void SetSize(double size, int pixels);
    double m_size;

private:
    int m_pixels;
    int m_outlineLevel = 0;
    bool m_changed = false;
    bool m_custom = false;
};

class TColumn : public TCustomRowCol {
public:
    TColumn(TColumns& owner, uint16_t index);
    double Width() const { return m_size; } // characters
    // 0..255.99 characters (what the file's 16 bits of 1/256 hold), else EXLSError
    // InvalidCellProperty.
    void SetWidth(double width);
};

class TRow : public TCustomRowCol {
public:
    TRow(TRows& owner, uint16_t index);
    double Height() const { return m_size; } // points
    // 0..1638.35 points (what the file's 15 bits of twips hold), else EXLSError
    // InvalidCellProperty.
    void SetHeight(double height);
};

class TColumns : public TCustomXLSItems {
public:
    explicit TColumns(const TScreenMetrics& metrics) : TCustomXLSItems(2), m_metrics(metrics) {}
    const TScreenMetrics& Metrics() const { return m_metrics; }
    // The column 0..255 (EXLSError InvalidRowOrColumn otherwise): registered, or a new pending one.
    TColumn& Items(int index);
    const TColumn* Find(int index) const;
    TColumn& At(int position) const { return static_cast<TColumn&>(ItemAt(position)); }

private:
    const TScreenMetrics& m_metrics;
};

class TRows : public TCustomXLSItems {
public:
    explicit TRows(const TScreenMetrics& metrics) : TCustomXLSItems(2), m_metrics(metrics) {}
    const TScreenMetrics& Metrics() const { return m_metrics; }
    // The row 0..65535 (EXLSError InvalidRowOrColumn otherwise): registered, or a new pending one.
    TRow& Items(int index);
    const TRow* Find(int index) const;
    TRow& At(int position) const { return static_cast<TRow&>(ItemAt(position)); }

private:
    const TScreenMetrics& m_metrics;
};

} // namespace orvek::xls
