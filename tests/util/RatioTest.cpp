#include "util/Ratio.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace Vesk {
namespace {

void ExpectRatio(int32_t numerator, int32_t denominator, int32_t wantNum, int32_t wantDen) {
    Ratio ratio;
    ratio.Set(numerator, denominator);
    EXPECT_EQ(ratio.mNumerator, wantNum) << numerator << "/" << denominator;
    EXPECT_EQ(ratio.mDenominator, wantDen) << numerator << "/" << denominator;
}

TEST(RatioTest, StartsAtOneOverOne) {
    Ratio ratio;
    EXPECT_EQ(ratio.mNumerator, 1);
    EXPECT_EQ(ratio.mDenominator, 1);
}

TEST(RatioTest, ReducesWithSignsFromTruncatingEuclid) {
    ExpectRatio(4, 3, 4, 3);
    ExpectRatio(800, 600, 4, 3);
    ExpectRatio(6, 4, 3, 2);
    ExpectRatio(4, -6, -2, 3);
    ExpectRatio(-4, 6, -2, 3);
    ExpectRatio(-4, -6, 2, 3);
    ExpectRatio(5, 0, 1, 0);
    ExpectRatio(0, 5, 0, 1);
}

TEST(RatioTest, ExtremeValuesNeitherTrapNorDivideByZero) {
    const int32_t min = std::numeric_limits<int32_t>::min();
    ExpectRatio(min, min, 1, 1);
    ExpectRatio(min, -1, min, 1);  // 2^31 wraps back to the 32-bit minimum
    ExpectRatio(0, 0, 0, 0);
}

}  // namespace
}  // namespace Vesk
