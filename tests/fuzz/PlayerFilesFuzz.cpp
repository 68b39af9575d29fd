// The player's files: the first byte chooses "game.dat" (even) or "highscores.dat" (odd).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "game/app/GameApp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    if ((data[0] & 1) == 0) {
        std::string player;
        std::vector<std::unique_ptr<Vesk::LevelRecord>> records;
        const std::string damage = Vesk::GameApp::ParseGameData(bytes, 100, player, records);
        // Sound bytes hold at least the name's length.
        if (records.size() != 100 || player.size() > 259 || (damage.empty() && bytes.size() < 4)) {
            std::abort();
        }
        for (const auto& record : records) {
            if (record->mHolderName.size() > Vesk::LevelRecord::kMaxNameLength) {
                std::abort();
            }
        }
    } else {
        std::vector<std::unique_ptr<Vesk::HighScoreRecord>> records;
        Vesk::GameApp::ParseHighScores(bytes, records);
        // Every kept record took at least one byte.
        if (records.size() > bytes.size()) {
            std::abort();
        }
    }
    return 0;
}
