#pragma once

#include <cstdint>

namespace Vesk {

// One entry into or exit from a profiled section.
struct ProfileSample {
    const char* mName = nullptr;  // text with static storage, such as a literal
    uint64_t mStamp = 0;          // cycle counter
    bool mBegin = false;          // true when the section is entered
};

}  // namespace Vesk
