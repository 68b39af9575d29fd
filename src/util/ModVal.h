#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <source_location>
#include <string>

#include "util/ModValMark.h"

namespace Vesk {

// Shows one message of the re-read: the text, its title and message-box flags (Windows
// numbering: 0 for OK alone, 0x30 for the warning icon).
using ModValMessageFn =
    std::function<void(const std::string& text, const std::string& title, uint32_t flags)>;

// Re-reads every used source file of the tweak marks and stores the values written in their
// tweak macro calls. True when at least one file changed since the last call and every file
// was read without error; otherwise false after one message, which goes to showMessage, or to
// the debugger channel when none is given.
bool ReparseModVals(const ModValMessageFn& showMessage = {});

// The source file name of a tweak macro as a template argument.
template <size_t N>
struct ModValSourceName {
    constexpr ModValSourceName(const char (&name)[N]) { std::copy_n(name, N, text); }
    char text[N]{};
};

// One mark per place in the source, shared by every translation unit that expands it (a tweak
// in an inline function of a header is one mark), and registered during static initialisation.
template <ModValSourceName File, uint_least32_t Line, uint_least32_t Column>
struct ModValSite {
    static inline ModValMark mark{File.text, static_cast<int32_t>(Column),
                                  static_cast<int32_t>(Line)};
};

}  // namespace Vesk

// A tweakable constant: gives the literal until Alt+R has re-read the value from the source.
// The literal must stay on the line of the call: a number (decimal, hexadecimal, with a point
// and an optional f), a text in double quotes, or a name of the named integer constants.
// Inside the arguments of another macro the compiler reports one column for a whole line, so
// two tweaks on such a line would share a mark: keep to one tweak per line there.
#define VESK_MODVAL(value)                                                                         \
    (::Vesk::ModValSite<__FILE__, __LINE__, ::std::source_location::current().column()>::mark.Get( \
        value))
#define M(value) VESK_MODVAL(value)
#define M1(value) VESK_MODVAL(value)
#define M2(value) VESK_MODVAL(value)
#define M3(value) VESK_MODVAL(value)
#define M4(value) VESK_MODVAL(value)
#define M5(value) VESK_MODVAL(value)
#define M6(value) VESK_MODVAL(value)
#define M7(value) VESK_MODVAL(value)
#define M8(value) VESK_MODVAL(value)
#define M9(value) VESK_MODVAL(value)
