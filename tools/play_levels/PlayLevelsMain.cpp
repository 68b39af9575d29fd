// play_levels: plays every level of the default data set with the game's own board, headless,
// and reports each level and each world of 25. Exit status 1 when a level is lost or a world
// takes no longer on average than the one before.
//
//   play_levels [first [last]]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "play_levels/LevelPlayer.h"

namespace {

constexpr int kWorldSize = 25;

struct World {
    int levels = 0;
    int won = 0;
    double seconds = 0.0;
    long moves = 0;
    long score = 0;
    long knockdowns = 0;
};

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::vector<Vesk::LevelDesc> levels = play_levels::ReadDefaultLevels();
        const int count = static_cast<int>(levels.size());
        const int first = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
        const int last = argc > 2 ? std::min(count, std::atoi(argv[2])) : count;
        std::vector<World> worlds(static_cast<size_t>((count + kWorldSize - 1) / kWorldSize));
        std::vector<int> lost;
        std::printf("level  result  time(s)  moves    score  knockdowns  bonuses\n");
        for (int level = first; level <= last; ++level) {
            const play_levels::LevelResult r =
                play_levels::PlayLevel(levels, level, play_levels::SeedForLevel(level));
            std::printf("%5d  %-6s  %7.1f  %5d  %7d  %10d  %7d\n", level, r.won ? "won" : "LOST",
                        r.gameMs / 1000.0, r.moves, r.score, r.knockdowns, r.bonusesUsed);
            if (!r.error.empty()) {
                std::printf("       %s\n", r.error.c_str());
            }
            std::fflush(stdout);
            World& w = worlds[static_cast<size_t>((level - 1) / kWorldSize)];
            ++w.levels;
            w.won += r.won ? 1 : 0;
            w.seconds += r.gameMs / 1000.0;
            w.moves += r.moves;
            w.score += r.score;
            w.knockdowns += r.knockdowns;
            if (!r.won) {
                lost.push_back(level);
            }
        }
        std::printf("\nworld  levels  won  avg time(s)  avg moves  avg score  avg knockdowns\n");
        bool harder = true;
        double previous = 0.0;
        for (size_t i = 0; i < worlds.size(); ++i) {
            const World& w = worlds[i];
            if (w.levels == 0) {
                continue;
            }
            const double average = w.seconds / w.levels;
            std::printf("%5zu  %6d  %3d  %11.1f  %9.1f  %9.0f  %14.2f\n", i + 1, w.levels, w.won,
                        average, static_cast<double>(w.moves) / w.levels,
                        static_cast<double>(w.score) / w.levels,
                        static_cast<double>(w.knockdowns) / w.levels);
            if (w.levels == kWorldSize) {
                harder = harder && average > previous;
                previous = average;
            }
        }
        std::printf("\nlost:");
        for (int level : lost) {
            std::printf(" %d", level);
        }
        std::printf(lost.empty() ? " none\n" : "\n");
        std::printf("each world longer than the one before: %s\n", harder ? "yes" : "no");
        return lost.empty() && harder ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "play_levels: %s\n", e.what());
        return 2;
    }
}
