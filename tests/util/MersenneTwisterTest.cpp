#include "util/MersenneTwister.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace Vesk {
namespace {

TEST(MersenneTwisterTest, Seed4357GivesTheKnownFirstValues) {
    MersenneTwister twister;
    const uint32_t expected[] = {2146374468u, 699692587u, 1213834231u, 1920714022u, 994957275u};
    for (uint32_t value : expected) {
        EXPECT_EQ(twister.Next(), value);
    }
}

TEST(MersenneTwisterTest, MatchesStandardMt19937MaskedTo31BitsAcrossRegenerations) {
    // The standard engine seeds the same way; ours drops the top bit.
    for (uint32_t seed : {4357u, 1u, 5489u, 0xFFFFFFFFu}) {
        MersenneTwister twister(seed);
        std::mt19937 reference(seed);
        bool sawTopBit = false;
        // Past two regenerations (draws 1, 625 and 1249).
        for (int i = 0; i < 1300; ++i) {
            const uint32_t raw = static_cast<uint32_t>(reference());
            sawTopBit = sawTopBit || (raw & 0x80000000u) != 0;
            const uint32_t value = twister.Next();
            ASSERT_EQ(value, raw & 0x7FFFFFFFu) << "seed " << seed << " draw " << i;
            ASSERT_LT(value, 0x80000000u);
        }
        EXPECT_TRUE(sawTopBit) << "the mask was never exercised for seed " << seed;
    }
}

TEST(MersenneTwisterTest, SeedZeroStandsForTheDefaultSeedAndReseedingRestarts) {
    MersenneTwister zero(0);
    MersenneTwister standard(4357);
    for (int i = 0; i < 700; ++i) {
        ASSERT_EQ(zero.Next(), standard.Next());
    }

    // Reseeding in the middle of a state block starts over from the first draw.
    MersenneTwister twister(77);
    const uint32_t first = twister.Next();
    for (int i = 0; i < 10; ++i) {
        twister.Next();
    }
    twister.SRand(77);
    EXPECT_EQ(twister.Next(), first);
}

TEST(MersenneTwisterTest, GlobalGeneratorStartsWithSeed4357AndServesRand) {
    // Tests that draw from the global put it back, so it is still fresh here.
    const MersenneTwister saved = gMersenneTwister;
    MersenneTwister fresh;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Rand(), fresh.Next());
    }

    SRand(12345);
    MersenneTwister reference(12345);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Rand(), reference.Next());
    }
    gMersenneTwister = saved;
}

}  // namespace
}  // namespace Vesk
