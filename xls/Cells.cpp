#include "xls/Cells.h"

#include "xls/BigRoom.h"
#include "xls/Unicode.h"
#include "xls/XLSErrors.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <utility>

namespace orvek::xls {

namespace {

bool acceptedType(VarType type) {
    return type != VarType::Empty && type != VarType::Null;
}

constexpr size_t kMaxTextLength = 65535;

bool textTooLong(const Variant& value) {
    if (value.Type() == VarType::OleStr) {
        return value.OleStrPart().size() > kMaxTextLength;
    }
    if (value.Type() == VarType::String) {
        const std::string& s = value.StringPart();
        // UTF-8 never has fewer bytes than UTF-16 units, so short texts need no conversion.
        return s.size() > kMaxTextLength && Utf8ToUtf16(s).size() > kMaxTextLength;
    }
    return false;
}

const std::string kNoText;

bool isText(VarType type) {
    return type == VarType::String || type == VarType::OleStr;
}

} // namespace

void TCell::Reset(uint32_t key) {
    m_key = key; // Empty
    m_xf = 0;
    m_bits = 0;
}

TCells& TCell::Cells() const {
    const auto chunk = reinterpret_cast<uintptr_t>(this) & ~(TCells::kChunkAlign - 1);
    return *reinterpret_cast<const TCells::Chunk*>(chunk)->owner;
}

bool TCell::Registered() const {
    const TCells& owner = Cells();
    return !(owner.m_hasPending && this == &owner.Slot(owner.m_count));
}

void TCell::Changed() {
    if (!Registered()) {
        Cells().RegisterItem(*this);
    }
}

Variant TCell::Value() const {
    const VarType type = ValueType();
    if (isText(type)) {
        return Cells().m_texts[m_bits];
    }
    return Variant::FromPlainBits(type, m_bits);
}

double TCell::NumberValue() const {
    double d = 0;
    switch (ValueType()) {
    case VarType::Smallint:
    case VarType::Integer:
    case VarType::Byte:
        return static_cast<double>(static_cast<int64_t>(m_bits));
    case VarType::Currency:
        return static_cast<double>(static_cast<int64_t>(m_bits)) / 10000.0;
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
        std::memcpy(&d, &m_bits, sizeof d);
        return d;
    default:
        return Value().ToDouble();
    }
}

const Variant& TCell::TextValue() const {
    static const Variant none;
    return isText(ValueType()) ? Cells().m_texts[m_bits] : none;
}

void TCell::StorePlain(VarType type, uint64_t bits) {
    if (isText(ValueType())) {
        Cells().ReleaseText(static_cast<uint32_t>(m_bits));
    }
    SetType(type);
    m_bits = bits;
}

void TCell::SetValue(const Variant& value) {
    if (!acceptedType(value.Type()) || textTooLong(value)) {
        throw EXLSError(EXLSError::InvalidCellValue);
    }
    if (value.Type() == VarType::Date && ValueType() != VarType::Date && NumberFormatIndex() == 0) {
        SetNumberFormatIndex(TFormatStrings::kDateFormat);
    }
    if (!isText(value.Type())) {
        StorePlain(value.Type(), value.PlainBits());
    } else if (isText(ValueType())) {
        Cells().m_texts[m_bits] = value;
        SetType(value.Type());
    } else {
        m_bits = Cells().StoreText(value);
        SetType(value.Type());
    }
    Changed();
}

void TCell::SetXFIndex(int index) {
    if (index < 0 || index >= Cells().XFTable().Count()) {
        throw EXLSError(EXLSError::InvalidCellProperty);
    }
    if (static_cast<uint32_t>(index) != m_xf) {
        m_xf = static_cast<uint32_t>(index);
        Changed();
    }
}

XFEntry TCell::Format() const {
    return Cells().XFTable().Entry(static_cast<int>(m_xf));
}

void TCell::SetFormat(const XFEntry& entry) {
    SetXFIndex(Cells().XFTable().Add(entry));
}

template <class Change> void TCell::ChangeFormat(Change change, bool registerAlways) {
    XFEntry entry = Format();
    if (!change(entry)) {
        return;
    }
    m_xf = static_cast<uint32_t>(Cells().XFTable().Add(entry));
    if (registerAlways) {
        Changed();
    }
}

void TCell::SetNumberFormatIndex(int index) {
    TCells& owner = Cells();
    if (index < 0 || index >= owner.Formats().Count()) {
        throw EXLSError(EXLSError::InvalidCellProperty);
    }
    TCells::FormatStep& step = owner.m_lastFormatStep;
    const uint64_t generation = owner.XFTable().Generation();
    if (step.format == index && step.from == m_xf && step.generation == generation) {
        if (step.to != m_xf) {
            m_xf = step.to;
            Changed();
        }
        return;
    }
    const uint32_t from = m_xf;
    ChangeFormat(
        [index](XFEntry& e) {
            if (e.NumberFormatIndex == index) {
                return false;
            }
            e.NumberFormatIndex = static_cast<uint16_t>(index);
            return true;
        },
        true);
    step = {generation, from, index, m_xf};
}

void TCell::SetFontIndex(int index) {
    if (index < 0 || index >= Cells().FontTable().Count()) {
        throw EXLSError(EXLSError::InvalidCellProperty);
    }
    ChangeFormat(
        [index](XFEntry& e) {
            if (e.FontIndex == index) {
                return false;
            }
            e.FontIndex = static_cast<uint16_t>(index);
            return true;
        },
        index != 0);
}

void TCell::SetMerged(bool merged) {
    ChangeFormat(
        [merged](XFEntry& e) {
            if ((e.Merged != 0) == merged) {
                return false;
            }
            e.Merged = merged ? 1 : 0;
            return true;
        },
        merged);
}

const std::string& TCell::Formula() const {
    if (Cells().m_extras.empty()) {
        return kNoText;
    }
    const auto found = Cells().m_extras.find(Key());
    return found == Cells().m_extras.end() ? kNoText : found->second.formula;
}

void TCell::SetFormula(const std::string& formula) {
    if (formula == Formula()) {
        return;
    }
    Cells().m_extras[Key()].formula = formula;
    Changed();
}

const std::string& TCell::Hyperlink() const {
    if (Cells().m_extras.empty()) {
        return kNoText;
    }
    const auto found = Cells().m_extras.find(Key());
    return found == Cells().m_extras.end() ? kNoText : found->second.hyperlink;
}

void TCell::SetHyperlink(const std::string& link) {
    if (link == Hyperlink()) {
        return;
    }
    Cells().m_extras[Key()].hyperlink = link;
    Changed();
}

namespace {

uint32_t cellKey(int row, int col) {
    return static_cast<uint32_t>(row) | (static_cast<uint32_t>(col) << 16);
}

bool validPosition(int row, int col) {
    return row >= 0 && row <= 65535 && col >= 0 && col <= 255;
}

constexpr uint32_t kNotFound = 0xFFFFFFFF;

} // namespace

void TCells::ChunkRelease::operator()(Chunk* chunk) const {
    if (mapped) {
        TBigRoom::Unmap(reinterpret_cast<uint8_t*>(chunk), kChunkAlign);
    } else {
        std::free(chunk);
    }
}

TCells::ChunkPtr TCells::NewChunk(bool populated) {
    static_assert(std::is_trivially_default_constructible_v<Chunk> &&
                  std::is_trivially_destructible_v<Chunk> && sizeof(TCell) == 16 &&
                  sizeof(Chunk) <= kChunkAlign && kChunkAlign == TBigRoom::kAlign);
    if (populated) {
        if (uint8_t* memory = TBigRoom::Map(kChunkAlign, sizeof(Chunk))) {
            auto* chunk = new (memory) Chunk;
            chunk->owner = this;
            return ChunkPtr(chunk, ChunkRelease{true});
        }
    }
    // Left uninitialised: a slot is set up when it becomes the pending cell.
    void* memory = std::aligned_alloc(kChunkAlign, kChunkAlign);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    auto* chunk = new (memory) Chunk;
    chunk->owner = this;
    return ChunkPtr(chunk, ChunkRelease{false});
}

uint32_t TCells::FindPosition(uint32_t key) const {
    const uint32_t row = key & 0xFFFF;
    // A sheet is mostly filled and read left to right: a column beyond the row's last one needs
    // no walk along the row.
    if (row >= m_rowLast.size() || m_rowLast[row] == kNotFound || (key >> 16) > m_rowMaxCol[row]) {
        return kNotFound;
    }
    for (uint32_t p = m_rowLast[row]; p != kNotFound; p = Next(p)) {
        if (Slot(p).Key() == key) {
            return p;
        }
    }
    return kNotFound;
}

void TCells::InsertKey(uint32_t key, uint32_t position) {
    const uint32_t row = key & 0xFFFF;
    if (row >= m_rowLast.size()) {
        const size_t grown = std::min<size_t>(std::max<size_t>(m_rowLast.size() * 2, 1024), 65536);
        m_rowLast.resize(std::max<size_t>(size_t{row} + 1, grown), kNotFound);
        m_rowMaxCol.resize(m_rowLast.size(), 0);
    }
    const auto col = static_cast<uint8_t>(key >> 16);
    if (m_rowLast[row] == kNotFound || col > m_rowMaxCol[row]) {
        m_rowMaxCol[row] = col;
    }
    Next(position) = m_rowLast[row];
    m_rowLast[row] = position;
}

uint32_t TCells::StoreText(const Variant& text) {
    if (!m_freeTexts.empty()) {
        const uint32_t slot = m_freeTexts.back();
        m_freeTexts.pop_back();
        m_texts[slot] = text;
        return slot;
    }
    m_texts.push_back(text);
    return static_cast<uint32_t>(m_texts.size() - 1);
}

void TCells::ReleaseText(uint32_t slot) {
    m_texts[slot] = Variant();
    m_freeTexts.push_back(slot);
}

TCell& TCells::Cell(int row, int col) {
    if (!validPosition(row, col)) {
        throw EXLSError(EXLSError::InvalidRowOrColumn);
    }
    const uint32_t key = cellKey(row, col);
    const uint32_t found = FindPosition(key);
    if (found != kNotFound) {
        return Slot(found);
    }
    if ((m_count >> kChunkShift) >= m_chunks.size()) {
        m_chunks.push_back(NewChunk(!m_chunks.empty()));
    }
    TCell& cell = Slot(m_count);
    // New cells go to memory that is not in the cache yet: ask for the lines a few cells ahead
    // now, so that filling a sheet does not wait for each of them in turn.
    const uint32_t ahead = m_count + 16;
    if ((ahead >> kChunkShift) == (m_count >> kChunkShift)) {
        __builtin_prefetch(&Slot(ahead), 1);
        __builtin_prefetch(&Next(ahead), 1);
    }
    cell.Reset(key);
    m_hasPending = true;
    return cell;
}

void TCells::ReserveRows(int rows) {
    const auto wanted = static_cast<size_t>(std::clamp(rows, 0, 65536));
    if (wanted > m_rowLast.size()) {
        m_rowLast.resize(wanted, kNotFound);
        m_rowMaxCol.resize(wanted, 0);
    }
}

void TCells::RegisterItem(TCell& cell) {
    if (!m_hasPending || &cell != &Slot(m_count)) {
        return; // registered already, or not ours
    }
    InsertKey(cell.Key(), m_count);
    ++m_count;
    m_hasPending = false;
}

TCell& TCells::At(int position) const {
    if (position < 0 || position >= Count()) {
        throwListIndexError(position);
    }
    return Slot(static_cast<uint32_t>(position));
}

const TCell* TCells::Find(int row, int col) const {
    if (!validPosition(row, col)) {
        return nullptr;
    }
    const uint32_t found = FindPosition(cellKey(row, col));
    return found == kNotFound ? nullptr : &Slot(found);
}

TCell* TCells::Find(int row, int col) {
    return const_cast<TCell*>(std::as_const(*this).Find(row, col));
}

Variant TCells::ValueAt(int row, int col) const {
    const TCell* cell = Find(row, col);
    return cell ? cell->Value() : Variant();
}

} // namespace orvek::xls
