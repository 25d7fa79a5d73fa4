#pragma once

#include <stdexcept>
#include <string>

namespace orvek::xls {

// Every error of the workbook model, reader and writer. The code selects the message the user
// reads; some messages name the item concerned (a stream, a function, a range name).
class EXLSError : public std::runtime_error {
public:
    explicit EXLSError(int code, const std::string& argument = {});
    int ErrorCode() const { return m_code; }
    static std::string Message(int code, const std::string& argument = {});

private:
    int m_code;
};

// Errors of the compound-document layer.
class ECFileError : public std::runtime_error {
public:
    explicit ECFileError(int code);
    int ErrorCode() const { return m_code; }
    static std::string Message(int code);

private:
    int m_code;
};

// Index errors of positional access: "List index (5) out of bounds". Sheets add " !".
[[noreturn]] void throwListIndexError(long long index, bool sheets = false);

} // namespace orvek::xls
