#include "basics/Errors.h"

#include "basics/Text.h"

#include <cstring>

namespace orvek {

std::string invalidFloatMessage(const std::string& text) {
    return "'" + quotedText(text) + "' is not a valid floating point value";
}

std::string invalidIntegerMessage(const std::string& text) {
    return "'" + quotedText(text) + "' is not a valid integer value";
}

std::string cannotOpenMessage(const std::string& path, int errnoValue) {
    return "Cannot open file \"" + path + "\". " + std::strerror(errnoValue);
}

std::string atLine(const std::string& path, int line, const std::string& message) {
    return "File \"" + path + "\", line " + std::to_string(line) + ": " + message;
}

} // namespace orvek
