#pragma once

#include <cstdint>

namespace Vesk {

// MT19937 with the 2002 initialisation; results are masked to 31 bits.
class MersenneTwister {
public:
    static constexpr int kStateSize = 624;
    static constexpr uint32_t kDefaultSeed = 4357;

    constexpr MersenneTwister() { SRand(kDefaultSeed); }
    constexpr explicit MersenneTwister(uint32_t seed) { SRand(seed); }

    // A seed of 0 stands for the default seed.
    constexpr void SRand(uint32_t seed) {
        if (seed == 0) {
            seed = kDefaultSeed;
        }
        mState[0] = seed;
        for (int i = 1; i < kStateSize; ++i) {
            const uint32_t prev = mState[i - 1];
            mState[i] = 1812433253u * (prev ^ (prev >> 30)) + static_cast<uint32_t>(i);
        }
        mIndex = kStateSize;
    }

    // 0 to 0x7FFFFFFF.
    uint32_t Next();

private:
    void Regenerate();

    uint32_t mState[kStateSize] = {};
    int32_t mIndex = kStateSize;
};

// Constant-initialised, so it is seeded before any other global can use it.
extern constinit MersenneTwister gMersenneTwister;

// The global twister's next value, and its seeding.
uint32_t Rand();
void SRand(uint32_t seed);

}  // namespace Vesk
