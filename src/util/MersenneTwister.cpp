#include "util/MersenneTwister.h"

namespace Vesk {

constinit MersenneTwister gMersenneTwister;

namespace {

constexpr int kMiddleWord = 397;
constexpr uint32_t kUpperMask = 0x80000000u;
constexpr uint32_t kLowerMask = 0x7FFFFFFFu;
constexpr uint32_t kTwist[2] = {0u, 0x9908B0DFu};

}  // namespace

void MersenneTwister::Regenerate() {
    for (int i = 0; i < kStateSize; ++i) {
        const uint32_t y = (mState[i] & kUpperMask) | (mState[(i + 1) % kStateSize] & kLowerMask);
        mState[i] = mState[(i + kMiddleWord) % kStateSize] ^ (y >> 1) ^ kTwist[y & 1u];
    }
    mIndex = 0;
}

uint32_t MersenneTwister::Next() {
    if (mIndex >= kStateSize) {
        Regenerate();
    }
    uint32_t y = mState[mIndex++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y & 0x7FFFFFFFu;
}

uint32_t Rand() {
    return gMersenneTwister.Next();
}

void SRand(uint32_t seed) {
    gMersenneTwister.SRand(seed);
}

}  // namespace Vesk
