#pragma once

#include <stdexcept>
#include <string>

namespace orvek {

// A file, conversion or date error: the message is what the user reads. The window shows it in
// an error box and keeps running; the command-line runner prints it and exits with status 2.
class OrvekError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system sounds that accompany messages.
enum class BeepKind { None, Hand, Asterisk, Exclamation };

// "'abc' is not a valid floating point value"
std::string invalidFloatMessage(const std::string& text);
// "'abc' is not a valid integer value"
std::string invalidIntegerMessage(const std::string& text);
// Cannot open file "name". reason
std::string cannotOpenMessage(const std::string& path, int errnoValue);
// Prefixes a message with the file name and line number it concerns.
std::string atLine(const std::string& path, int line, const std::string& message);

} // namespace orvek
