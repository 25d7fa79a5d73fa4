#include "xls/XLSErrors.h"

namespace orvek::xls {

namespace {

std::string fill(const char* text, const std::string& argument) {
    std::string message = text;
    const auto at = message.find("%s");
    if (at != std::string::npos) {
        message.replace(at, 2, argument);
    }
    return message;
}

} // namespace

std::string EXLSError::Message(int code, const std::string& argument) {
    switch (code) {
    case 1:
        return "Buffer size is too small";
    case 2:
        return fill("Stream not found: %s. File format is not supported.", argument);
    case 3:
        return "Invalid cell value or type";
    case 4:
        return "Invalid cell property value";
    case 5:
        return "Invalid row or column number";
    case 6:
        return "Invalid or duplicated sheet name";
    case 7:
        return "Sheet name must have a length 1..255";
    case 8:
        return "Invalid formula";
    case 9:
        return fill("Invalid function in formula: %s", argument);
    case 10:
        return "String constants in formula must have a length 0..255";
    case 11:
        return fill("Invalid range name: %s", argument);
    case 12:
        return "There are no sheets in the workbook";
    default:
        return "Unknown error " + std::to_string(code);
    }
}

EXLSError::EXLSError(int code, const std::string& argument)
    : std::runtime_error(Message(code, argument)), m_code(code) {}

std::string ECFileError::Message(int code) {
    switch (code) {
    case 0:
        return "Can not create a docfile";
    case 1:
        return "Can not create a stream";
    case 2:
        return "Can not create a storage";
    case 3:
        return "Can not open a docfile";
    case 4:
        return "Can not open a stream";
    case 5:
        return "Can not open a storage";
    case 6:
        return "Can not set stream position";
    case 7:
        return "Can not commit storage";
    case 8:
        return "Can not write to a stream";
    default:
        return "Unknown error " + std::to_string(code);
    }
}

ECFileError::ECFileError(int code) : std::runtime_error(Message(code)), m_code(code) {}

void throwListIndexError(long long index, bool sheets) {
    throw std::out_of_range("List index (" + std::to_string(index) + ") out of bounds" +
                            (sheets ? " !" : ""));
}

} // namespace orvek::xls
