#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvek::xls {

// 8-bit strings of the library are UTF-8; OLE strings are UTF-16. Invalid UTF-8 bytes and
// unpaired surrogates become U+FFFD, so every conversion succeeds and never loses the rest of
// the text.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// A BIFF string stored with 8-bit characters holds Latin-1 (the first 256 code points).
std::string Latin1ToUtf8(std::string_view bytes);
std::u16string Latin1ToUtf16(std::string_view bytes);

// True when every character is below 256, so the text can be stored as Latin-1 bytes.
bool IsLatin1(std::u16string_view text);
// The low bytes of each character; only meaningful when IsLatin1 holds.
std::string Utf16ToLatin1(std::u16string_view text);

// Little-endian byte forms of UTF-16 text, as stored in files.
std::string Utf16ToBytes(std::u16string_view text);
std::u16string BytesToUtf16(const uint8_t* data, size_t characters);

} // namespace orvek::xls
