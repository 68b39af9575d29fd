#include "util/GameRandom.h"

namespace Vesk {

void GameRandom::SRand(uint32_t seed) {
    mState = seed;
}

int GameRandom::Next() {
    mState = mState * 214013u + 2531011u;
    return static_cast<int>((mState >> 16) & 0x7FFFu);
}

}  // namespace Vesk
