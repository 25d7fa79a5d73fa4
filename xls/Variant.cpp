#include "xls/Variant.h"

#include "xls/Unicode.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace orvek::xls {

Variant Variant::Null() {
    return Variant(VarType::Null, std::monostate{});
}

Variant Variant::Date(double days) {
    return Variant(VarType::Date, days);
}

Variant Variant::Currency(double amount) {
    return Variant(VarType::Currency, static_cast<int64_t>(std::llround(amount * 10000.0)));
}

bool Variant::IsNumber() const {
    return IsNumberType(m_type);
}

int64_t Variant::IntegerPart() const {
    const auto* v = std::get_if<int64_t>(&m_data);
    return v ? *v : 0;
}

double Variant::FloatPart() const {
    const auto* v = std::get_if<double>(&m_data);
    return v ? *v : 0.0;
}

bool Variant::BooleanPart() const {
    const auto* v = std::get_if<bool>(&m_data);
    return v && *v;
}

const std::string& Variant::StringPart() const {
    static const std::string empty;
    const auto* v = std::get_if<std::string>(&m_data);
    return v ? *v : empty;
}

const std::u16string& Variant::OleStrPart() const {
    static const std::u16string empty;
    const auto* v = std::get_if<std::u16string>(&m_data);
    return v ? *v : empty;
}

uint64_t Variant::PlainBits() const {
    if (const auto* i = std::get_if<int64_t>(&m_data)) {
        return static_cast<uint64_t>(*i);
    }
    if (const auto* d = std::get_if<double>(&m_data)) {
        uint64_t bits = 0;
        std::memcpy(&bits, d, sizeof bits);
        return bits;
    }
    return BooleanPart() ? 1 : 0;
}

Variant Variant::FromPlainBits(VarType type, uint64_t bits) {
    switch (type) {
    case VarType::Smallint:
    case VarType::Integer:
    case VarType::Byte:
    case VarType::Currency:
        return Variant(type, static_cast<int64_t>(bits));
    case VarType::Single:
    case VarType::Double:
    case VarType::Date: {
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        return Variant(type, d);
    }
    case VarType::Boolean:
        return Variant(type, bits != 0);
    case VarType::Null:
        return Null();
    default:
        return Variant();
    }
}

namespace {

double parseNumber(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) {
        ++begin;
    }
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) {
        --end;
    }
    if (begin < end && text[begin] == '+') {
        ++begin;
    }
    double value = 0;
    const auto result = std::from_chars(text.data() + begin, text.data() + end, value);
    if (begin == end || result.ec != std::errc() || result.ptr != text.data() + end ||
        !std::isfinite(value)) {
        throw std::invalid_argument("'" + text + "' is not a valid floating point value");
    }
    return value;
}

} // namespace

double Variant::ToDouble() const {
    switch (m_type) {
    case VarType::Empty:
        return 0.0;
    case VarType::Smallint:
    case VarType::Integer:
    case VarType::Byte:
        return static_cast<double>(IntegerPart());
    case VarType::Currency:
        return static_cast<double>(IntegerPart()) / 10000.0;
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
        return FloatPart();
    case VarType::Boolean:
        return BooleanPart() ? -1.0 : 0.0;
    case VarType::String:
        return parseNumber(StringPart());
    case VarType::OleStr:
        return parseNumber(Utf16ToUtf8(OleStrPart()));
    case VarType::Null:
        break;
    }
    throw std::invalid_argument("Could not convert variant of type (Null) into type (Double)");
}

int32_t Variant::ToInt() const {
    const double rounded = std::nearbyint(ToDouble());
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<int32_t>::min() ||
        rounded > std::numeric_limits<int32_t>::max()) {
        throw std::out_of_range("Value out of range for an integer");
    }
    return static_cast<int32_t>(rounded);
}

std::string Variant::ToString() const {
    switch (m_type) {
    case VarType::Empty:
    case VarType::Null:
        return {};
    case VarType::String:
        return StringPart();
    case VarType::OleStr:
        return Utf16ToUtf8(OleStrPart());
    case VarType::Boolean:
        return BooleanPart() ? "True" : "False";
    case VarType::Smallint:
    case VarType::Integer:
    case VarType::Byte:
        return std::to_string(IntegerPart());
    default: {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, ToDouble());
        return std::string(buffer, result.ptr);
    }
    }
}

std::u16string Variant::ToOleStr() const {
    if (m_type == VarType::OleStr) {
        return OleStrPart();
    }
    return Utf8ToUtf16(ToString());
}

const char* VarTypeName(VarType type) {
    static const char* const names[] = {"Empty",  "Null",    "Smallint", "Integer",
                                        "Single", "Double",  "Currency", "Date",
                                        "OleStr", "Boolean", "Byte",     "String"};
    return names[static_cast<int>(type)];
}

} // namespace orvek::xls
