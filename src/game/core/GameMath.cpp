#include "game/core/GameMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

std::array<double, 361> sinTable{};
std::array<double, 361> cosTable{};
double pi = 0.0;

void InitTrigTables() {
    pi = std::acos(-1.0);
    for (int i = 0; i <= 360; ++i) {
        sinTable[i] = std::sin(i * pi / 180.0);
        cosTable[i] = std::cos(i * pi / 180.0);
    }
}

namespace {

int64_t Octagonal(int64_t a, int64_t b) {
    int64_t m = std::min(a, b);
    return a + b - (m >> 1) - (m >> 2) + (m >> 4);
}

// |v| × 100 + 0.5 truncated, held within what the estimate can add without overflow.
int64_t Hundredths(double v) {
    double scaled = std::fabs(v) * 100.0 + 0.5;
    if (!(scaled < 1e15)) {
        return static_cast<int64_t>(1e15);
    }
    return static_cast<int64_t>(scaled);
}

}  // namespace

int32_t FastDistance(int32_t dx, int32_t dy) {
    int64_t d = Octagonal(std::llabs(int64_t{dx}), std::llabs(int64_t{dy}));
    return static_cast<int32_t>(std::min<int64_t>(d, INT32_MAX));
}

double FastDistanceF(double dx, double dy) {
    return static_cast<double>(Octagonal(Hundredths(dx), Hundredths(dy))) * 0.01;
}
