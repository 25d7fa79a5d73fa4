#include "xls/Cells.h"

#include "xls/Unicode.h"
#include "xls/XLSErrors.h"

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

} // namespace

TCell::TCell(TCells& owner, uint16_t row, uint8_t col)
    : TCustomXLSItem(owner, static_cast<uint32_t>(row) | (static_cast<uint32_t>(col) << 16)) {}

TCells& TCell::Cells() const {
    return static_cast<TCells&>(Owner());
}

void TCell::SetValue(const Variant& value) {
    if (!acceptedType(value.Type()) || textTooLong(value)) {
        throw EXLSError(EXLSError::InvalidCellValue);
    }
    if (value.Type() == VarType::Date && m_value.Type() != VarType::Date &&
        NumberFormatIndex() == 0) {
        SetNumberFormatIndex(TFormatStrings::kDateFormat);
    }
    if (!(value == m_value)) {
        m_value = value;
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
    if (index < 0 || index >= Cells().Formats().Count()) {
        throw EXLSError(EXLSError::InvalidCellProperty);
    }
    ChangeFormat(
        [index](XFEntry& e) {
            if (e.NumberFormatIndex == index) {
                return false;
            }
            e.NumberFormatIndex = static_cast<uint16_t>(index);
            return true;
        },
        true);
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
    return m_extras ? m_extras->formula : kNoText;
}

void TCell::SetFormula(const std::string& formula) {
    if (formula == Formula()) {
        return;
    }
    if (!m_extras) {
        m_extras = std::make_unique<Extras>();
    }
    m_extras->formula = formula;
    Changed();
}

const std::string& TCell::Hyperlink() const {
    return m_extras ? m_extras->hyperlink : kNoText;
}

void TCell::SetHyperlink(const std::string& link) {
    if (link == Hyperlink()) {
        return;
    }
    if (!m_extras) {
        m_extras = std::make_unique<Extras>();
    }
    m_extras->hyperlink = link;
    Changed();
}

namespace {

uint32_t cellKey(int row, int col) {
    return static_cast<uint32_t>(row) | (static_cast<uint32_t>(col) << 16);
}

bool validPosition(int row, int col) {
    return row >= 0 && row <= 65535 && col >= 0 && col <= 255;
}

} // namespace

TCell& TCells::Cell(int row, int col) {
    if (!validPosition(row, col)) {
        throw EXLSError(EXLSError::InvalidRowOrColumn);
    }
    if (auto* found = FindKey(cellKey(row, col))) {
        return static_cast<TCell&>(*found);
    }
    return static_cast<TCell&>(MakePending(
        std::make_unique<TCell>(*this, static_cast<uint16_t>(row), static_cast<uint8_t>(col))));
}

const TCell* TCells::Find(int row, int col) const {
    if (!validPosition(row, col)) {
        return nullptr;
    }
    return static_cast<const TCell*>(FindKey(cellKey(row, col)));
}

TCell* TCells::Find(int row, int col) {
    if (!validPosition(row, col)) {
        return nullptr;
    }
    return static_cast<TCell*>(FindKey(cellKey(row, col)));
}

const Variant& TCells::ValueAt(int row, int col) const {
    static const Variant empty;
    const TCell* cell = Find(row, col);
    return cell ? cell->Value() : empty;
}

} // namespace orvek::xls
