#include <gtest/gtest.h>

#include "play_levels/LevelPlayer.h"

namespace {

TEST(LevelPlayerTest, WinsTheFirstLevelsOfTheDefaultDataSet) {
    const std::vector<Vesk::LevelDesc> levels = play_levels::ReadDefaultLevels();
    ASSERT_EQ(levels.size(), 100u);
    for (int32_t level : {1, 2}) {
        const play_levels::LevelResult result =
            play_levels::PlayLevel(levels, level, play_levels::SeedForLevel(level));
        EXPECT_TRUE(result.won) << "level " << level;
        EXPECT_GT(result.moves, 0) << "level " << level;
        EXPECT_GT(result.score, 0) << "level " << level;
        EXPECT_GT(result.gameMs, 0.0) << "level " << level;
    }
}

TEST(LevelPlayerTest, TheSameSeedPlaysTheSameGame) {
    const std::vector<Vesk::LevelDesc> levels = play_levels::ReadDefaultLevels();
    const play_levels::LevelResult first = play_levels::PlayLevel(levels, 1, 42);
    const play_levels::LevelResult second = play_levels::PlayLevel(levels, 1, 42);
    EXPECT_EQ(first.moves, second.moves);
    EXPECT_EQ(first.score, second.score);
    EXPECT_EQ(first.updates, second.updates);
}

}  // namespace
