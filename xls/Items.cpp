#include "xls/Items.h"

#include "xls/XLSErrors.h"

#include <cmath>

namespace orvek::xls {

void TCustomXLSItem::Changed() {
    if (!m_registered) {
        m_owner->RegisterItem(*this);
    }
}

void TCustomXLSItems::RegisterItem(TCustomXLSItem& item) {
    if (item.m_registered) {
        return;
    }
    std::unique_ptr<TCustomXLSItem> owned;
    if (m_pending.get() == &item) {
        owned = std::move(m_pending);
    } else {
        // Only pending items can be unregistered; anything else is not ours.
        return;
    }
    item.m_registered = true;
    m_index.Insert(m_index.CrcOf(item.m_key), item.m_key, static_cast<uint32_t>(m_items.size()));
    m_items.push_back(std::move(owned));
}

TCustomXLSItem* TCustomXLSItems::FindKey(uint32_t key) const {
    const auto& bucket = m_index.Candidates(m_index.CrcOf(key));
    for (size_t k = 0; k < bucket.tags.size(); ++k) {
        if (bucket.tags[k] == key) {
            return m_items[bucket.positions[k]].get();
        }
    }
    return nullptr;
}

TCustomXLSItem& TCustomXLSItems::MakePending(std::unique_ptr<TCustomXLSItem> item) {
    m_pending = std::move(item);
    return *m_pending;
}

TCustomXLSItem& TCustomXLSItems::ItemAt(int position) const {
    if (position < 0 || position >= Count()) {
        throwListIndexError(position);
    }
    return *m_items[static_cast<size_t>(position)];
}

void TCustomRowCol::SetOutlineLevel(int level) {
    if (level < 0 || level > 7) {
        throw EXLSError(EXLSError::InvalidCellProperty);
    }
    if (level != m_outlineLevel) {
        m_outlineLevel = level;
        Changed();
    }
}

void TCustomRowCol::SetSize(double size, int pixels) {
    m_size = size;
    m_pixels = pixels;
    m_changed = true;
    m_custom = true;
    Changed();
}

TColumn::TColumn(TColumns& owner, uint16_t index)
    : TCustomRowCol(owner, index,
                    static_cast<double>(owner.Metrics().DefaultColumnPixels()) /
                        owner.Metrics().PixelsPerCharacter(),
                    owner.Metrics().DefaultColumnPixels()) {}

void TColumn::SetWidth(double width) {
    if (!(width >= 0.0 && width <= 65535 / 256.0)) {
        throw EXLSError(EXLSError::InvalidCellProperty);
    }
    if (width != m_size) {
        const TScreenMetrics& metrics = static_cast<const TColumns&>(Owner()).Metrics();
        SetSize(width, static_cast<int>(std::nearbyint(width * metrics.PixelsPerCharacter())));
    }
}

TRow::TRow(TRows& owner, uint16_t index)
    : TCustomRowCol(owner, index,
                    owner.Metrics().DefaultRowPixels() * owner.Metrics().PointsPerPixel(),
                    owner.Metrics().DefaultRowPixels()) {}

void TRow::SetHeight(double height) {
    if (!(height >= 0.0 && height <= 0x7FFF / 20.0)) {
        throw EXLSError(EXLSError::InvalidCellProperty);
    }
    if (height != m_size) {
        const TScreenMetrics& metrics = static_cast<const TRows&>(Owner()).Metrics();
        SetSize(height, static_cast<int>(std::nearbyint(height / metrics.PointsPerPixel())));
    }
}

TColumn& TColumns::Items(int index) {
    if (index < 0 || index > 255) {
        throw EXLSError(EXLSError::InvalidRowOrColumn);
    }
    if (auto* found = FindKey(static_cast<uint32_t>(index))) {
        return static_cast<TColumn&>(*found);
    }
    return static_cast<TColumn&>(
        MakePending(std::make_unique<TColumn>(*this, static_cast<uint16_t>(index))));
}

const TColumn* TColumns::Find(int index) const {
    if (index < 0 || index > 255) {
        return nullptr;
    }
    return static_cast<const TColumn*>(FindKey(static_cast<uint32_t>(index)));
}

TRow& TRows::Items(int index) {
    if (index < 0 || index > 65535) {
        throw EXLSError(EXLSError::InvalidRowOrColumn);
    }
    if (auto* found = FindKey(static_cast<uint32_t>(index))) {
        return static_cast<TRow&>(*found);
    }
    return static_cast<TRow&>(
        MakePending(std::make_unique<TRow>(*this, static_cast<uint16_t>(index))));
}

const TRow* TRows::Find(int index) const {
    if (index < 0 || index > 65535) {
        return nullptr;
    }
    return static_cast<const TRow*>(FindKey(static_cast<uint32_t>(index)));
}

} // namespace orvek::xls
