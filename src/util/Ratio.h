#pragma once

#include <cstdint>

namespace Vesk {

// A reduced fraction, used for aspect ratios.
class Ratio {
public:
    Ratio() = default;

    // Reduces by the greatest common divisor found with the truncating
    // remainder, so the signs follow from Euclid's steps: (4, -6) gives -2/3.
    void Set(int32_t numerator, int32_t denominator);

    // Truncating comparison used for aspect ratios: true when
    // (num x other.den) / den < other.num or num < (other.num x den) / other.den.
    // A zero denominator on either side compares as not less.
    bool operator<(const Ratio& other) const;

    int32_t mNumerator = 1;
    int32_t mDenominator = 1;
};

}  // namespace Vesk
