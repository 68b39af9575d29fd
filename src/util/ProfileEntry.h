#pragma once

#include <cstdint>

namespace Vesk {

// What the profiler gathers for one named section.
struct ProfileEntry {
    uint64_t mStartStamp = 0;  // cycle counter at the outermost entry
    uint64_t mTotalTicks = 0;
    double mTotalMs = 0.0;
    double mLongest = 0.0;  // cycles while profiling, milliseconds after the stop
    int32_t mDepth = 0;
    int32_t mCalls = 0;
};

}  // namespace Vesk
