#pragma once

#include <cstdint>

namespace make_data::audio {

// A small seeded generator (splitmix64). Its own formulas, unlike the standard distributions, give
// the same numbers with every library, so the data stays byte for byte the same everywhere.
class AudioRandom {
public:
    explicit AudioRandom(uint64_t seed) : mState(seed) {}

    uint64_t Next() {
        uint64_t z = (mState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 <= result < count; 0 when count is not positive.
    int Below(int count) {
        return count <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint64_t>(count));
    }
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Range(double low, double high) { return low + (high - low) * Unit(); }
    bool Chance(double probability) { return Unit() < probability; }

private:
    uint64_t mState;
};

}  // namespace make_data::audio
