#pragma once

#include <stdexcept>
#include <string>

namespace orvek::xls {

// Every error of the workbook model, reader and writer. The code selects the message the user
// reads; some messages name the item concerned (a stream, a function, a range name).
class EXLSError : public std::runtime_error {
public:
    enum Code : int {
        BufferTooSmall = 1,
        StreamNotFound = 2, // names the stream
        InvalidCellValue = 3,
        InvalidCellProperty = 4,
        InvalidRowOrColumn = 5,
        InvalidSheetName = 6,
        SheetNameLength = 7,
        InvalidFormula = 8,
        InvalidFunction = 9, // names the function
        FormulaStringLength = 10,
        InvalidRangeName = 11, // names the range
        NoSheets = 12,
    };

    explicit EXLSError(int code, const std::string& argument = {});
    int ErrorCode() const { return m_code; }
    static std::string Message(int code, const std::string& argument = {});

private:
    int m_code;
};

// Errors of the compound-document layer.
class ECFileError : public std::runtime_error {
public:
    enum Code : int {
        CannotCreateDocfile = 0,
        CannotCreateStream = 1,
        CannotCreateStorage = 2,
        CannotOpenDocfile = 3,
        CannotOpenStream = 4,
        CannotOpenStorage = 5,
        CannotSetPosition = 6,
        CannotCommit = 7,
        CannotWrite = 8,
        FileChanged = 9, // the file shrank while it was being read
    };

    // `systemError`: the errno value behind a failed write, when there is one.
    explicit ECFileError(int code, int systemError = 0);
    int ErrorCode() const { return m_code; }
    // Why the system refused (an errno value), 0 when not known.
    int SystemError() const { return m_systemError; }
    static std::string Message(int code);

private:
    int m_code;
    int m_systemError;
};

// Index errors of positional access: "List index (5) out of bounds". Sheets add " !".
[[noreturn]] void throwListIndexError(long long index, bool sheets = false);

} // namespace orvek::xls
