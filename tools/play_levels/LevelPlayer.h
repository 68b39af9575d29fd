#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "resources/LevelDesc.h"

// A player of our own: plays one level of the real board headless, through the widget manager's
// mouse input, choosing each move from what the field shows. Main thread only.
namespace play_levels {

struct LevelResult {
    int32_t level = 0;
    bool won = false;
    // Game-clock milliseconds from the first move, which starts the drain, to the win or loss.
    double gameMs = 0.0;
    int32_t moves = 0;
    int32_t score = 0;
    int32_t knockdowns = 0;
    // Bonus charges spent: whirlwind, bubble, slow motion.
    int32_t bonusesUsed = 0;
    // Board updates run (10 fake milliseconds each).
    int32_t updates = 0;
    // Why the level could not be played; empty when it was.
    std::string error;
};

// The 100 levels as the data tool writes them into "properties/levels.xml", read back through
// the game's level-manifest reader. Throws std::runtime_error when the manifest is refused.
std::vector<Vesk::LevelDesc> ReadDefaultLevels();

// Plays level `level` (1-based index into levels) from its start with the game's generator
// seeded by `seed`; the first life lost ends the run as lost.
LevelResult PlayLevel(const std::vector<Vesk::LevelDesc>& levels, int32_t level, uint32_t seed);

// The fixed seed of each level, so every run plays the same fields.
uint32_t SeedForLevel(int32_t level);

}  // namespace play_levels
