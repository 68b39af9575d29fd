#pragma once

#include <array>
#include <cstdint>

// Whole-degree sine and cosine, 0 to 360, with 0 pointing right and 90 down the screen. Filled by
// InitTrigTables at start-up and read-only afterwards; callers keep the index within 0..360.
extern std::array<double, 361> sinTable;
extern std::array<double, 361> cosTable;
// acos(-1), set by InitTrigTables.
extern double pi;

void InitTrigTables();

// Octagonal estimate of the length of (dx, dy), within a few per cent, without a square root.
// Saturates at INT32_MAX.
int32_t FastDistance(int32_t dx, int32_t dy);
// The same estimate on hundredths of a pixel.
double FastDistanceF(double dx, double dy);
