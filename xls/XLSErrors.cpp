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
    case BufferTooSmall:
        return "Buffer size is too small";
    case StreamNotFound:
        return fill("Stream not found: %s. File format is not supported.", argument);
    case InvalidCellValue:
        return "Invalid cell value or type";
    case InvalidCellProperty:
        return "Invalid cell property value";
    case InvalidRowOrColumn:
        return "Invalid row or column number";
    case InvalidSheetName:
        return "Invalid or duplicated sheet name";
    case SheetNameLength:
        return "Sheet name must have a length 1..255";
    case InvalidFormula:
        return "Invalid formula";
    case InvalidFunction:
        return fill("Invalid function in formula: %s", argument);
    case FormulaStringLength:
        return "String constants in formula must have a length 0..255";
    case InvalidRangeName:
        return fill("Invalid range name: %s", argument);
    case NoSheets:
        return "There are no sheets in the workbook";
    default:
        return "Unknown error " + std::to_string(code);
    }
}

EXLSError::EXLSError(int code, const std::string& argument)
    : std::runtime_error(Message(code, argument)), m_code(code) {}

std::string ECFileError::Message(int code) {
    switch (code) {
    case CannotCreateDocfile:
        return "Can not create a docfile";
    case CannotCreateStream:
        return "Can not create a stream";
    case CannotCreateStorage:
        return "Can not create a storage";
    case CannotOpenDocfile:
        return "Can not open a docfile";
    case CannotOpenStream:
        return "Can not open a stream";
    case CannotOpenStorage:
        return "Can not open a storage";
    case CannotSetPosition:
        return "Can not set stream position";
    case CannotCommit:
        return "Can not commit storage";
    case CannotWrite:
        return "Can not write to a stream";
    case FileChanged:
        return "The file changed while it was being read";
    default:
        return "Unknown error " + std::to_string(code);
    }
}

ECFileError::ECFileError(int code, int systemError)
    : std::runtime_error(Message(code)), m_code(code), m_systemError(systemError) {}

void throwListIndexError(long long index, bool sheets) {
    throw std::out_of_range("List index (" + std::to_string(index) + ") out of bounds" +
                            (sheets ? " !" : ""));
}

} // namespace orvek::xls
