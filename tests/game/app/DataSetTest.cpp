// The default data set as the game meets it: build/vorns.pak read through the archive layer,
// the headless application's resource manager loading every group, and the game's binding of
// every resource id.
#ifdef VESK_DATA_PAK

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>

#include "DataSetTestSupport.h"
#include "game/app/ResourceIds.h"
#include "graphics/Font.h"
#include "graphics/Image.h"
#include "sound/DSoundManager.h"

namespace apptest {
namespace {

TEST_F(DataSetTest, EveryGroupLoadsAndEveryIdOfTheGameBinds) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;

    const auto start = std::chrono::steady_clock::now();
    for (const char* group : kGroups) {
        const auto groupStart = std::chrono::steady_clock::now();
        EXPECT_TRUE(manager.LoadGroup(group)) << group << ": " << manager.GetErrorText();
        std::printf(
            "group %-11s loaded in %5.1f ms\n", group,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - groupStart)
                .count());
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("all groups loaded in %.3f s (goal: under 0.5 s)\n", seconds);
    RecordProperty("load_seconds", std::to_string(seconds));

    // Every id is looked up on its own, so the report names all that are missing.
    std::string missing;
    std::string absentParts;
    for (const ResourceKind kind :
         {ResourceKind::Level, ResourceKind::Font, ResourceKind::Image, ResourceKind::ImageEx,
          ResourceKind::Particle, ResourceKind::Sound}) {
        const bool stubbed = (kind == ResourceKind::Image || kind == ResourceKind::ImageEx ||
                              kind == ResourceKind::Sound) &&
                             !AnyOfKind(manager, kind);
        int count = 0;
        for (const ResourceIdEntry& entry : kResourceIdEntries) {
            if (entry.mKind == kind && !Found(manager, entry)) {
                missing += stubbed ? "" : std::string(" ") + entry.mName;
                ++count;
            }
        }
        if (stubbed) {
            absentParts += " " + std::to_string(count) +
                           (kind == ResourceKind::Sound     ? " sounds;"
                            : kind == ResourceKind::ImageEx ? " animated images;"
                                                            : " images;");
        }
    }
    EXPECT_EQ(missing, "") << "ids the game needs that the data set lacks";
    // Every sound was read and decoded into the mixer.
    auto* sounds = dynamic_cast<Vesk::DSoundManager*>(app.mSoundManager.get());
    ASSERT_NE(sounds, nullptr);
    for (const ResourceIdEntry& entry : kResourceIdEntries) {
        if (entry.mKind == ResourceKind::Sound && Found(manager, entry)) {
            const int id = manager.LookupSound(entry.mName);
            EXPECT_GT(sounds->mSourceDataSizes[static_cast<size_t>(id)], 0u) << entry.mName;
        }
    }
    if (!absentParts.empty()) {
        GTEST_SKIP() << "parts of the tool made nothing, unchecked:" << absentParts;
    }
    // The title screen's progress bar counts the two groups the loading thread fills: the
    // manifest holds just the ids of the list.
    for (const std::string_view group : {"Game", "Interface"}) {
        const auto listed =
            std::count_if(std::begin(kResourceIdEntries), std::end(kResourceIdEntries),
                          [&](const ResourceIdEntry& e) { return e.mGroup == group; });
        EXPECT_EQ(manager.GetGroupResourceCount(std::string(group)), listed) << group;
    }
    EXPECT_TRUE(ExtractTitleScreenResources(&manager) && ExtractGameResources(&manager) &&
                ExtractInterfaceResources(&manager) && ExtractParticlesResources(&manager) &&
                ExtractLevelsResources(&manager) && ExtractCreditsResources(&manager))
        << manager.GetErrorText();
}

// Sizes the screens place their pictures by; 0 leaves a side free.
struct ImageSize {
    std::string id;
    int width;
    int height;
};

const ImageSize kImageSizes[] = {
    {"IMAGE_CELL", 43, 43},
    {"IMAGE_CELL_OVER", 43, 43},
    {"IMAGE_BLOCK_TAIL", 95, 95},
    {"IMAGE_LANDMAP", 800, 600},
    {"IMAGE_MM_BACKGROUND", 800, 600},
    {"IMAGE_HELP", 800, 600},
    {"IMAGE_ZM_LOGO", 800, 600},
    {"IMAGE_GAME_LOGO", 800, 600},
    {"IMAGE_CREDITS_BACKGROUND", 800, 600},
    {"IMAGE_CREDITS_FOREGROUND", 800, 600},
    {"IMAGE_INTERFACE", 800, 0},
};

TEST_F(DataSetTest, PicturesHaveTheSizesTheScreensPlaceThemBy) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    LoadAllGroups(manager);
    if (!AnyOfKind(manager, ResourceKind::Image)) {
        GTEST_SKIP() << "the images part made nothing";
    }
    auto size = [&](const std::string& id) -> std::pair<int, int> {
        try {
            Vesk::Image* image = manager.LookupImage(id).GetImage();
            if (image != nullptr) {
                return {image->GetWidth(), image->GetHeight()};
            }
        } catch (const Vesk::ResourceManagerException&) {
        }
        return {-1, -1};
    };
    std::vector<ImageSize> expected(std::begin(kImageSizes), std::end(kImageSizes));
    for (const char* family : {"FLOWER", "FOREST", "GRASS", "WATER"}) {
        for (int i = 1; i <= 5; ++i) {
            expected.push_back({"BACKGROUND_" + std::string(family) + std::to_string(i), 800, 600});
        }
    }
    for (const ImageSize& want : expected) {
        const auto [width, height] = size(want.id);
        EXPECT_TRUE((want.width == 0 || width == want.width) &&
                    (want.height == 0 || height == want.height))
            << want.id << " is " << width << "x" << height;
    }
    // Pieces drawn together must match.
    EXPECT_EQ(size("IMAGE_PB_LEFT").second, size("IMAGE_PB_CENTER").second);
    EXPECT_EQ(size("IMAGE_PB_RIGHT").second, size("IMAGE_PB_CENTER").second);
    EXPECT_EQ(size("IMAGE_HELPWND_TOP").first, size("IMAGE_HELPWND_CENTER").first);
    EXPECT_EQ(size("IMAGE_HELPWND_BOTTOM"), size("IMAGE_HELPWND_TOP"));
    EXPECT_GE(size("IMAGE_MM_BGSKY").first, 800);
    EXPECT_LE(size("IMAGE_MM_BGSKY").second, 600);
    for (const char* dot : {"IMAGE_MAPDOT_SMALL_GREEN", "IMAGE_MAPDOT_MEDIUM_GREEN",
                            "IMAGE_MAPDOT_BIG_GREEN", "IMAGE_MAPDOT_BIG_AURA"}) {
        EXPECT_EQ(size(dot).first, size(dot).second) << dot << " must be square";
    }
}

TEST_F(DataSetTest, TheStringTableHoldsEveryTextTheGameShows) {
    TestApp& app = LoadedApp();
    std::vector<std::string> ids = {"NONE",       "UNNAMED",      "PLAYER",
                                    "HELLO",      "LVL",          "LAST LIFE",
                                    "LIVES LEFT", "LIVES LEFT 2", "LUCHEG MESSAGE PANIC"};
    for (const char* topic :
         {"BUBBLE", "WIND", "SLOMO", "MATCH3", "MATCH3PLUS", "GAMEBAR", "EFFBAR", "SPELLSHIELD"}) {
        ids.push_back(std::string(topic) + " HELP");
    }
    for (int i = 1; i <= 15; ++i) {
        ids.push_back("LUCHEG MESSAGE " + std::to_string(i));
    }
    for (const char* counted : {"KNOCKDOWN", "WHIRLWIND"}) {
        for (const char* form : {"", "S", "S 2"}) {
            ids.push_back("LUCHEG MESSAGE " + std::string(counted) + form);
        }
    }
    for (const std::string& id : ids) {
        EXPECT_NE(app.GetString(id), "") << id;
    }
    // The counted lines are formats of exactly one number.
    // The huge font's blanks ('~') keep the overlays' words in the middle of their pictures.
    EXPECT_EQ(Vesk::StrFormat(app.GetString("LVL").c_str(), 3, 2), "~LEVEL 3-2~");
    for (const char* id :
         {"LAST LIFE", "LIVES LEFT", "LIVES LEFT 2", "LUCHEG MESSAGE WHIRLWINDS"}) {
        const std::string text = app.GetString(id);
        EXPECT_EQ(text.find("%d"), text.rfind("%d")) << id;
        EXPECT_NE(text.find("%d"), std::string::npos) << id;
    }
}

TEST_F(DataSetTest, TheFontsDrawEveryCharacterOfTheTexts) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    ASSERT_TRUE(manager.LoadGroup("Game")) << manager.GetErrorText();
    std::vector<std::string> ids;
    {
        const std::lock_guard lock(app.mPropertiesLock);
        for (const auto& entry : app.mStringProperties) {
            ids.push_back(entry.first);
        }
    }
    std::string characters;
    for (const std::string& id : ids) {
        characters += app.GetString(id);
    }
    std::sort(characters.begin(), characters.end());
    characters.erase(std::unique(characters.begin(), characters.end()), characters.end());
    for (const char* id : {"FONT_BASIC", "FONT_HUGE", "FONT_SHOWCARDGOTHIC", "FONT_SMALL"}) {
        Vesk::Font* font = manager.LookupFont(id);
        ASSERT_NE(font, nullptr) << id;
        for (const char c : characters) {
            EXPECT_GT(font->CharWidth(c), 0) << id << " lacks '" << c << "'";
        }
    }
}

// Lines of the text wrapped greedily at word breaks into the width.
int WrappedLines(Vesk::Font& font, const std::string& text, int width) {
    int lines = 1;
    std::string line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string word = text.substr(start, end - start);
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && font.StringWidth(longer) > width) {
            ++lines;
            line = word;
        } else {
            line = longer;
        }
        start = end + 1;
    }
    return lines;
}

TEST_F(DataSetTest, TheGuideAndTheHelpTextsFitTheirBalloons) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    ASSERT_TRUE(manager.LoadGroup("Game")) << manager.GetErrorText();
    // The guide's balloon text box is 155 x 72, in the small face.
    Vesk::Font& small = *manager.LookupFont("FONT_SMALL");
    for (int i = 1; i <= 16; ++i) {
        const std::string id =
            i <= 15 ? "LUCHEG MESSAGE " + std::to_string(i) : "LUCHEG MESSAGE PANIC";
        EXPECT_LE(WrappedLines(small, app.GetString(id), 155) * small.GetLineSpacing(), 72) << id;
    }
    // A help bubble's text column is 180 wide and its body 400 high, one line kept free.
    Vesk::Font& basic = *manager.LookupFont("FONT_BASIC");
    for (const char* id : {"BUBBLE HELP", "WIND HELP", "SLOMO HELP", "MATCH3 HELP",
                           "MATCH3PLUS HELP", "GAMEBAR HELP", "EFFBAR HELP", "SPELLSHIELD HELP"}) {
        EXPECT_LE((WrappedLines(basic, app.GetString(id), 180) + 1) * basic.GetLineSpacing(), 400)
            << id;
    }
}

}  // namespace
}  // namespace apptest

#endif  // VESK_DATA_PAK
