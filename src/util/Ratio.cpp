#include "util/Ratio.h"

namespace Vesk {

void Ratio::Set(int32_t numerator, int32_t denominator) {
    // 64-bit so that INT32_MIN with -1 neither traps in the remainder nor in
    // the division; the result wraps back to 32 bits.
    int64_t a = numerator;
    int64_t b = denominator;
    while (b != 0) {
        const int64_t r = a % b;
        a = b;
        b = r;
    }
    if (a == 0) {
        // 0/0 has no common divisor; keep it as given rather than divide by zero.
        mNumerator = 0;
        mDenominator = 0;
        return;
    }
    mNumerator = static_cast<int32_t>(numerator / a);
    mDenominator = static_cast<int32_t>(denominator / a);
}

bool Ratio::operator<(const Ratio& other) const {
    if (mDenominator == 0 || other.mDenominator == 0) {
        return false;
    }
    // 64-bit products so that large sizes compare as the fractions they are.
    const int64_t num = mNumerator;
    const int64_t den = mDenominator;
    const int64_t otherNum = other.mNumerator;
    const int64_t otherDen = other.mDenominator;
    return (num * otherDen) / den < otherNum || num < (otherNum * den) / otherDen;
}

}  // namespace Vesk
