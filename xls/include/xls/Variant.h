#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace orvek::xls {

// The type tags a cell value can carry.
enum class VarType {
    Empty,
    Null,
    Smallint,
    Integer,
    Single,
    Double,
    Currency,
    Date,
    OleStr,
    Boolean,
    Byte,
    String,
};

// The kinds that hold a plain number (dates, texts and booleans do not).
constexpr bool IsNumberType(VarType type) {
    return type == VarType::Smallint || type == VarType::Integer || type == VarType::Single ||
           type == VarType::Double || type == VarType::Currency || type == VarType::Byte;
}

// A small tagged value. Strings (String) are UTF-8; OLE strings (OleStr) are UTF-16. A date is
// a day number counted from 30 December 1899 (1 January 1900 is 2). Currency holds a fixed-point
// amount with four decimals.
class Variant {
public:
    Variant() = default;
    Variant(int16_t v) : m_type(VarType::Smallint), m_data(int64_t{v}) {}
    Variant(int32_t v) : m_type(VarType::Integer), m_data(int64_t{v}) {}
    Variant(uint8_t v) : m_type(VarType::Byte), m_data(int64_t{v}) {}
    Variant(float v) : m_type(VarType::Single), m_data(double{v}) {}
    Variant(double v) : m_type(VarType::Double), m_data(v) {}
    Variant(bool v) : m_type(VarType::Boolean), m_data(v) {}
    Variant(const char* v) : m_type(VarType::String), m_data(std::string(v)) {}
    Variant(std::string v) : m_type(VarType::String), m_data(std::move(v)) {}
    Variant(std::u16string v) : m_type(VarType::OleStr), m_data(std::move(v)) {}

    static Variant Null();
    static Variant Date(double days);
    // Rounded to four decimals, the precision of the currency type.
    static Variant Currency(double amount);

    VarType Type() const { return m_type; }
    bool IsEmpty() const { return m_type == VarType::Empty; }
    // Smallint, Integer, Single, Double, Currency or Byte (not Date, not Boolean).
    bool IsNumber() const;
    bool IsText() const { return m_type == VarType::String || m_type == VarType::OleStr; }

    // The number a numeric, date or boolean value stands for; Empty gives 0, true gives -1.
    // Text is parsed as a number written with "." (std::invalid_argument when it is not one);
    // Null raises std::invalid_argument.
    double ToDouble() const;
    // ToDouble() rounded to the nearest whole number, a half going to the even neighbour;
    // std::out_of_range when the result does not fit in 32 bits or is not finite.
    int32_t ToInt() const;
    // The text as UTF-8 (numbers in their shortest exact form); Empty gives "".
    std::string ToString() const;
    std::u16string ToOleStr() const;

    // Raw access for the typed cases.
    int64_t IntegerPart() const; // Smallint, Integer, Byte; Currency in 1/10000 units
    double FloatPart() const;    // Single, Double, Date
    bool BooleanPart() const;
    const std::string& StringPart() const;
    const std::u16string& OleStrPart() const;

    // A value of a type that is not text as 64 bits (the integer, the double's bits, 0 or 1),
    // and back: for storing values compactly.
    uint64_t PlainBits() const;
    static Variant FromPlainBits(VarType type, uint64_t bits);

    friend bool operator==(const Variant& a, const Variant& b) {
        return a.m_type == b.m_type && a.m_data == b.m_data;
    }

private:
    using Data = std::variant<std::monostate, int64_t, double, bool, std::string, std::u16string>;
    Variant(VarType type, Data data) : m_type(type), m_data(std::move(data)) {}

    VarType m_type = VarType::Empty;
    Data m_data;
};

const char* VarTypeName(VarType type);

} // namespace orvek::xls
