#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Vesk {

// One level as the board reads it, made from a record of the level manifest. Owned by its
// record; the board only borrows it.
struct LevelDesc {
    std::string background;
    int32_t capacity = 0;
    float start = 0.0f;
    float speed = 0.0f;
    int32_t effectcapacity = 0;
    std::vector<std::string> blockNames;
    int16_t blockCount = 0;
    // cells[x][y]: width columns of height bytes.
    std::vector<std::vector<uint8_t>> cells;
    uint8_t width = 0;
    uint8_t height = 0;
};

}  // namespace Vesk
