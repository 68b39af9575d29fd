#pragma once

#include <cstdint>

namespace Vesk {

// The game's own generator, the classic rand()/srand() pair. Demos replay only
// when every platform draws exactly this sequence, so the C library's rand is
// never used for game logic.
class GameRandom {
public:
    static constexpr int kMax = 0x7FFF;

    // An unseeded generator behaves as if seeded with 1, like rand().
    GameRandom() = default;
    explicit GameRandom(uint32_t seed) : mState(seed) {}

    void SRand(uint32_t seed);

    // 0 to kMax.
    int Next();

private:
    uint32_t mState = 1;
};

}  // namespace Vesk
