#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Puts one number into a text from the string table: the first "%d" becomes the number, "%%"
// becomes "%", and everything else (another "%d", "%s", a lone "%") is copied as it stands, so
// an edited properties file can never make the formatter read arguments that were not passed.
std::string FormatOneNumber(std::string_view text, int64_t number);
