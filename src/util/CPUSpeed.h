#pragma once

#include <cstdint>

namespace Vesk {

// Cycle-counter ticks per second, measured over a hundredth of a second;
// 0 when the system has no usable high-resolution counter.
uint64_t CalcCPUSpeed();

// The cached speed, measured on first use; never 0, so callers may divide by it.
int64_t GetCPUSpeed();

}  // namespace Vesk
