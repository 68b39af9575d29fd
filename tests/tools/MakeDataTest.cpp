// The data tool's own rules: the level table, how the parts are joined, the command line.
#ifdef VESK_MAKE_DATA

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "make_data/DataSetAssembly.h"
#include "make_data/LevelTable.h"
#include "make_data/ToolArguments.h"
#include "platform/Process.h"

namespace {

// The level numbers stay inside what the board accepts and get harder with the stages.
TEST(MakeDataTest, LevelsStayInsideTheBoardsLimitsAndGrowHarder) {
    EXPECT_EQ(make_data::LevelId(1), "LEVEL");
    EXPECT_EQ(make_data::LevelId(100), "LEVEL99");
    double lastStageSpeed = 0;
    size_t lastStageColours = 0;
    for (int level = 1; level <= make_data::kLevelCount; ++level) {
        const Vesk::LevelDesc desc = make_data::DescribeLevel(level);
        SCOPED_TRACE("level " + std::to_string(level));
        EXPECT_TRUE(desc.width >= 3 && desc.width <= 10 && desc.height >= 3 && desc.height <= 11);
        EXPECT_TRUE(desc.blockCount >= 4 && desc.blockCount <= 8);
        EXPECT_TRUE(desc.capacity > 0 && desc.effectcapacity > 0 && desc.speed > 0);
        EXPECT_TRUE(desc.start > 0 && desc.start < 1);
        const std::string family = desc.background.substr(0, desc.background.size() - 1);
        EXPECT_TRUE(family == "BACKGROUND_FLOWER" || family == "BACKGROUND_FOREST" ||
                    family == "BACKGROUND_GRASS" || family == "BACKGROUND_WATER")
            << desc.background;
        EXPECT_TRUE(desc.background.back() >= '1' && desc.background.back() <= '5');
        std::set<std::string> blocks(desc.blockNames.begin(), desc.blockNames.end());
        EXPECT_EQ(blocks.size(), desc.blockNames.size());
        for (const std::string& block : blocks) {
            EXPECT_EQ(block.rfind("IMAGE_BLOCK", 0), 0u) << block;
        }
        // Every cell has a neighbour cell in its row or column, so it can join a line.
        for (int x = 0; x < desc.width; ++x) {
            for (int y = 0; y < desc.height; ++y) {
                auto cell = [&](int cx, int cy) {
                    return cx >= 0 && cy >= 0 && cx < desc.width && cy < desc.height &&
                           desc.cells[static_cast<size_t>(cx)][static_cast<size_t>(cy)] != 0;
                };
                if (cell(x, y)) {
                    EXPECT_TRUE(cell(x - 1, y) || cell(x + 1, y) || cell(x, y - 1) ||
                                cell(x, y + 1))
                        << x << "," << y;
                }
            }
        }
        // Each stage's fifth level is a little harder than the next stage's first.
        if (level % 5 == 0 && level < make_data::kLevelCount) {
            const Vesk::LevelDesc next = make_data::DescribeLevel(level + 1);
            EXPECT_GT(desc.speed, next.speed);
            EXPECT_GT(desc.capacity, next.capacity);
        }
        if ((level - 1) % 5 == 0) {
            EXPECT_GE(desc.speed, lastStageSpeed);
            EXPECT_GE(desc.blockNames.size(), lastStageColours);
            lastStageSpeed = desc.speed;
            lastStageColours = desc.blockNames.size();
        }
    }
    EXPECT_EQ(make_data::DescribeLevel(1).blockNames.size(), 4u);
    EXPECT_GE(make_data::DescribeLevel(100).blockNames.size(), 7u);
    EXPECT_THROW(make_data::DescribeLevel(101), std::out_of_range);
}

TEST(MakeDataTest, TheManifestKeepsTheGamesGroupOrderAndRefusesOthers) {
    make_data::DataPart fonts{{}, {{"Game", "<Font id=\"F\" path=\"f.txt\"/>"}}};
    make_data::DataPart images{{},
                               {{"Credits", "<Image id=\"C\" path=\"c\"/>"},
                                {"TitleScreen", "<Image id=\"T\" path=\"t\"/>"},
                                {"Game", "<Image id=\"G\" path=\"g\"/>"}}};
    const std::string xml = make_data::BuildManifest({&fonts, &images});
    const size_t title = xml.find("id=\"T\"");
    const size_t font = xml.find("id=\"F\"");
    const size_t game = xml.find("id=\"G\"");
    const size_t credits = xml.find("id=\"C\"");
    EXPECT_TRUE(title < font && font < game && game < credits) << xml;
    EXPECT_EQ(xml.find("<Resources id=\"Interface\">") < xml.find("<Resources id=\"Particles\">"),
              true);

    make_data::DataPart stray{{}, {{"game", "<Image id=\"X\" path=\"x\"/>"}}};
    EXPECT_THROW(make_data::BuildManifest({&stray}), std::runtime_error);
}

TEST(MakeDataTest, FilesAreSortedAndTwoPartsMayNotMakeOneFile) {
    make_data::DataPart a{{{"b/two", {2}}, {"a/one", {1}}}, {}};
    const auto entries = make_data::CollectPakEntries({&a}, "<ResourceManifest/>");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "a/one");
    EXPECT_EQ(entries[1].name, "b/two");
    EXPECT_EQ(entries[2].name, "properties/resources.xml");
    EXPECT_EQ(entries[2].fileTime, 0u);

    make_data::DataPart b{{{"a/one", {9}}}, {}};
    EXPECT_THROW(make_data::CollectPakEntries({&a, &b}, ""), std::runtime_error);
}

TEST(MakeDataTest, TheCommandLineAnswersHelpAndPutsThePakInsideAFolder) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("make_data_args_" + std::to_string(platform::ProcessId()));
    std::filesystem::create_directories(dir);
    using make_data::ToolRequest;
    const struct {
        std::vector<std::string> args;
        ToolRequest request;
        std::string pakPath;
    } cases[] = {
        {{"--help"}, ToolRequest::Help, ""},
        {{"-h"}, ToolRequest::Help, ""},
        {{"--verbose"}, ToolRequest::Wrong, ""},
        {{}, ToolRequest::Wrong, ""},
        {{"a.pak", "b.pak"}, ToolRequest::Wrong, ""},
        {{"out/data.pak"}, ToolRequest::Make, "out/data.pak"},
        {{"new/"}, ToolRequest::Make, "new/vorns.pak"},
        {{dir.string()}, ToolRequest::Make, (dir / "vorns.pak").string()},
    };
    for (const auto& c : cases) {
        const make_data::ToolArguments got = make_data::ParseToolArguments(c.args);
        EXPECT_EQ(got.request, c.request) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(got.pakPath, c.pakPath);
    }
    std::filesystem::remove_all(dir);
}

}  // namespace

#endif  // VESK_MAKE_DATA
