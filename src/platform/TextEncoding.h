#pragma once

#include <optional>
#include <string>
#include <string_view>

// The program's narrow text is Windows-1252; the desktop speaks UTF-8.
namespace platform::text {

// The Windows-1252 byte for a code point, or none when the code page lacks it.
std::optional<unsigned char> Cp1252FromCodePoint(char32_t codePoint);
char32_t CodePointFromCp1252(unsigned char byte);

// Characters outside Windows-1252 and malformed sequences are dropped.
std::string Cp1252FromUtf8(std::string_view utf8);
std::string Utf8FromCp1252(std::string_view cp1252);
// Invalid code points become U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);

// Windows-1252 upper case of one byte, the same whatever the process locale: a-z, the
// accented letters and the three caron and ligature pairs; every other byte is kept.
char UpperCp1252(char c);
std::string UpperCp1252(std::string_view text);

}  // namespace platform::text
