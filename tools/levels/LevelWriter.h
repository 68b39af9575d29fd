#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesk_tools {

// One level of the level manifest. The game takes width 1..17, height 1..12, a table of
// width x height cells listed column after column (1 a cell, 0 a hole) and 1..8 block names.
struct LevelEntry {
    std::string id;
    std::string background;
    int32_t capacity = 0;
    float start = 0.0f;
    float speed = 0.0f;
    int32_t effectcapacity = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<int32_t> table;  // item x * height + y is cell (x, y)
    std::vector<std::string> blocks;
};

// The text of "properties\levels.xml": a LevelManifest root holding one self-closing Level
// element per level, in the order given. Values are written as given, so a test can write a
// malformed level too; floats keep every bit.
std::string WriteLevelManifest(const std::vector<LevelEntry>& levels);

}  // namespace vesk_tools
