#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace Vesk {

// Puts numbers into a text from the string table: each "%d" takes the next number while any
// is left, "%%" becomes "%", and everything else is copied as it stands, so an edited
// properties file can never make the formatter read arguments that were not passed.
std::string FormatNumbers(std::string_view text, std::initializer_list<int64_t> numbers);

// The string id of the lives message for n lives: "LAST LIFE" when n ends in 1 (not 11),
// "LIVES LEFT" when it ends in 2-4 (not 12-14), "LIVES LEFT 2" otherwise.
const char* LivesTextId(int32_t lives);

}  // namespace Vesk
