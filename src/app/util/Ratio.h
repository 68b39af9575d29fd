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

    int32_t mNumerator = 1;
    int32_t mDenominator = 1;
};

}  // namespace Vesk
