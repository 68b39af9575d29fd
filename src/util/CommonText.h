#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

namespace Vesk {

// Narrow text is a byte string; wide text is a string of 16-bit characters.
// Case changes and white space follow the "C" locale whatever the process locale is.

// A null pointer gives an empty string.
std::string MakeString(const char* text);

// Each byte becomes the wide character of the same value (0 to 255).
std::u16string StringToWString(std::string_view text);
std::u16string ToWString(std::string_view text);

// Characters 0 to 255 become the byte of the same value; any character above 255 cannot be
// converted and the whole result is empty.
std::string WStringToString(std::u16string_view text);
std::string WideToNarrow(std::u16string_view text);

std::string StringToLower(std::string_view text);
std::string Lower(std::string_view text);
std::string Upper(std::string_view text);
std::string Trim(std::string_view text);

// Strict parsing: the whole text must belong to the number, else out is 0 and the result false.
// Integers: optional "-", decimal digits, or "0x"/"0X" as the first two characters followed by
// hexadecimal digits. Values beyond 32 bits wrap.
bool StringToInt(std::string_view text, int32_t& out);
// The leading number as atoi reads it: blanks, an optional sign, digits up to the first other
// character; 0 without digits. The magnitude stops at limit instead of overflowing.
int64_t LeadingNumber(std::string_view text, int64_t limit);
// Optional "-", digits, an optional "." with fraction digits; no exponent, "+" or spaces.
bool StringToDouble(std::string_view text, double& out);

// 1234567 gives "1,234,567"; a negative value gives an empty string.
std::string CommaSeparate(int32_t value);

// printf-style formatting into a string of any length; an invalid conversion gives "".
std::string StrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// Replaces the entities lt, amp, gt, quot, apos, nbsp (a space) and cr (a line feed). Any other
// name between "&" and ";" leaves the "&" alone; an "&" with no ";" after it is kept as it is.
std::string XmlDecodeString(std::string_view text);
std::u16string XmlDecodeWString(std::u16string_view text);

// Index of the first match ignoring case, or -1. Null pointers count as empty texts.
int32_t StrFindNoCase(const char* haystack, const char* needle);

}  // namespace Vesk
