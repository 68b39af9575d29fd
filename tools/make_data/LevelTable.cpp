#include "make_data/LevelTable.h"

#include <array>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace make_data {

namespace {

// Fields drawn row by row from the top: '#' a cell, '.' a hole. Every cell can take part in a
// line of three, so no corner of a field is dead.
using Shape = std::vector<std::string_view>;

const Shape kRect8x8 = {"########", "########", "########", "########",
                        "########", "########", "########", "########"};
const Shape kRect9x8 = {"#########", "#########", "#########", "#########",
                        "#########", "#########", "#########", "#########"};
const Shape kRect9x9 = {"#########", "#########", "#########", "#########", "#########",
                        "#########", "#########", "#########", "#########"};
const Shape kRect10x9 = {"##########", "##########", "##########", "##########", "##########",
                         "##########", "##########", "##########", "##########"};
const Shape kOctagon = {"..######..", ".########.", "##########", "##########", "##########",
                        "##########", "##########", ".########.", "..######.."};
const Shape kPillars = {".########.", "##########", "##.####.##", "##########", "##########",
                        "##########", "##########", "##.####.##", "##########", ".########."};
const Shape kHourglass = {"##########", "##########", ".########.", "..######..", "...####...",
                          "...####...", "..######..", ".########.", "##########", "##########"};
const Shape kRing = {"##########", "##########", "##########", "###....###", "###....###",
                     "###....###", "###....###", "##########", "##########", "##########"};
const Shape kDiamond = {"...###...", "..#####..", ".#######.", "#########", "#########",
                        "#########", ".#######.", "..#####..", "...###..."};
const Shape kCup = {"###....###", "###....###", "###....###", "###....###", "##########",
                    "##########", "##########", "##########", "##########", ".########."};
const Shape kLetterH = {"####..####", "####..####", "####..####", "##########", "##########",
                        "##########", "##########", "####..####", "####..####", "####..####"};
const Shape kChecker = {"##########", "#.##.##.##", "##########", "##########", "#.##.##.##",
                        "##########", "##########", "#.##.##.##", "##########", "##########"};
const Shape kHeart = {".###..###.", "##########", "##########", "##########", "##########",
                      ".########.", "..######..", "...####...", "...####..."};
const Shape kDonut = {"..######..", ".########.", "##########", "###....###",
                      "###....###", "###....###", "###....###", "###....###",
                      "##########", ".########.", "..######.."};
const Shape kZigzag = {"#######...", "#######...", "##########", "##########", "...#######",
                       "...#######", "##########", "##########", "#######...", "#######..."};
const Shape kIslands = {"####..####", "####..####", "####..####", "####..####", "####..####",
                        "####..####", "####..####", "##########", "##########"};
const Shape kMask = {".########.", "##########", "##..##..##", "##..##..##", "##########",
                     "##########", "##########", "###....###", "##########", ".########."};
const Shape kCross = {"...####...", "...####...", "...####...", "##########", "##########",
                      "##########", "##########", "...####...", "...####...", "...####..."};
const Shape kStar = {"...####...", "..######..", "##########", "##########", ".########.",
                     "..######..", ".###..###.", "###....###", "###....###"};
const Shape kCastle = {"##..##..##", "##########", "##########", "##########",
                       "##########", "###....###", "###....###", "###....###",
                       "##########", "##########", "##########"};

// One stage of five levels. The drain speed and the capacity rise by the place ramps below
// within a stage, so each stage's fifth level is a little harder than the next one's first.
struct Stage {
    const Shape* shape;
    int colours;
    int capacity;
    double start;
    double speed;
    int effectCapacity;
};

constexpr double kSpeedRampPerPlace = 0.04;
constexpr int kCapacityRampPerPlace = 60;

const std::array<Stage, 20> kStages = {{
    // A flower meadow.
    {&kRect8x8, 4, 2400, 0.35, 0.00040, 500},
    {&kRect9x8, 4, 2500, 0.35, 0.00042, 520},
    {&kRect9x9, 4, 2600, 0.34, 0.00044, 540},
    {&kRect10x9, 4, 2700, 0.34, 0.00046, 560},
    {&kOctagon, 5, 2600, 0.34, 0.00046, 560},
    // A deep forest.
    {&kPillars, 5, 2700, 0.33, 0.00048, 580},
    {&kHourglass, 5, 2800, 0.33, 0.00050, 600},
    {&kRing, 5, 2900, 0.32, 0.00052, 620},
    {&kDiamond, 5, 2900, 0.32, 0.00054, 620},
    {&kCup, 6, 2900, 0.32, 0.00054, 640},
    // Open grassland.
    {&kLetterH, 6, 3000, 0.31, 0.00055, 660},
    {&kChecker, 6, 3100, 0.31, 0.00056, 670},
    {&kHeart, 6, 3100, 0.30, 0.00057, 680},
    {&kDonut, 6, 3200, 0.30, 0.00058, 690},
    {&kZigzag, 7, 3100, 0.30, 0.00058, 700},
    // Lakes and rivers.
    {&kIslands, 7, 3200, 0.33, 0.00058, 580},
    {&kMask, 7, 3200, 0.33, 0.00059, 560},
    {&kCross, 7, 3300, 0.33, 0.00060, 580},
    {&kStar, 7, 3400, 0.33, 0.00061, 590},
    {&kCastle, 8, 3300, 0.35, 0.00061, 590},
}};

constexpr const char* kWorldBackgrounds[] = {"BACKGROUND_FLOWER", "BACKGROUND_FOREST",
                                             "BACKGROUND_GRASS", "BACKGROUND_WATER"};

// Each world leads with its own colours.
constexpr int kWorldColourOrder[4][8] = {
    {1, 2, 3, 4, 5, 6, 7, 8},
    {3, 5, 2, 6, 1, 4, 8, 7},
    {4, 1, 6, 2, 7, 3, 5, 8},
    {6, 4, 8, 1, 3, 5, 2, 7},
};

}  // namespace

std::string LevelId(int level) {
    return level == 1 ? "LEVEL" : "LEVEL" + std::to_string(level - 1);
}

Vesk::LevelDesc DescribeLevel(int level) {
    if (level < 1 || level > kLevelCount) {
        throw std::out_of_range("no level " + std::to_string(level));
    }
    const int stageIndex = (level - 1) / 5;
    const int place = (level - 1) % 5;
    const int world = stageIndex / 5;
    const Stage& stage = kStages[static_cast<size_t>(stageIndex)];

    Vesk::LevelDesc desc;
    desc.background = std::string(kWorldBackgrounds[world]) + std::to_string(stageIndex % 5 + 1);
    desc.capacity = stage.capacity + kCapacityRampPerPlace * place;
    desc.start = static_cast<float>(stage.start);
    desc.speed = static_cast<float>(stage.speed * (1.0 + kSpeedRampPerPlace * place));
    desc.effectcapacity = stage.effectCapacity;
    for (int i = 0; i < stage.colours; ++i) {
        desc.blockNames.push_back("IMAGE_BLOCK" + std::to_string(kWorldColourOrder[world][i]));
    }
    desc.blockCount = static_cast<int16_t>(desc.blockNames.size());
    const Shape& shape = *stage.shape;
    desc.height = static_cast<uint8_t>(shape.size());
    desc.width = static_cast<uint8_t>(shape.front().size());
    desc.cells.assign(desc.width, std::vector<uint8_t>(desc.height, 0));
    for (size_t y = 0; y < shape.size(); ++y) {
        if (shape[y].size() != desc.width) {
            throw std::logic_error("a ragged field shape in stage " +
                                   std::to_string(stageIndex + 1));
        }
        for (size_t x = 0; x < desc.width; ++x) {
            desc.cells[x][y] = shape[y][x] == '#' ? 1 : 0;
        }
    }
    return desc;
}

}  // namespace make_data
