#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "make_data/DataSet.h"
#include "resources/ImageLib.h"

namespace {

struct Expected {
    const char* id;
    const char* group;
    int celWidth;
    int celHeight;
    int rows;
    int cols;
    bool animated;
};

// Every image and animated image the game binds, with the size and cel layout it relies on.
constexpr Expected kImages[] = {
    {"BACKGROUND_FLOWER1", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_FLOWER2", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_FLOWER3", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_FLOWER4", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_FLOWER5", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_FOREST1", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_FOREST2", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_FOREST3", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_FOREST4", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_FOREST5", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_GRASS1", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_GRASS2", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_GRASS3", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_GRASS4", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_GRASS5", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_WATER1", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_WATER2", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_WATER3", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_WATER4", "Game", 800, 600, 1, 1, false},
    {"BACKGROUND_WATER5", "Game", 800, 600, 1, 1, false},
    {"IMAGE_BLOCK_BUXPB_SMALL", "Game", 16, 16, 1, 1, false},
    {"IMAGE_BLOCK_TAIL", "Game", 95, 95, 1, 1, false},
    {"IMAGE_BONUSICON_BASE1", "Game", 166, 134, 1, 1, false},
    {"IMAGE_BONUSICON_BASE2", "Game", 166, 134, 1, 1, false},
    {"IMAGE_BONUSICON_TOP", "Game", 166, 134, 1, 1, false},
    {"IMAGE_BUBBLEICON_AURAOVER", "Game", 184, 128, 1, 1, false},
    {"IMAGE_BUBBLEICON_AURAUSES", "Game", 184, 128, 1, 1, false},
    {"IMAGE_BUBBLEICON_NORM", "Game", 184, 128, 1, 1, false},
    {"IMAGE_BUXPbICON_AURAOVER", "Game", 164, 138, 1, 1, false},
    {"IMAGE_BUXPbICON_AURAUSES", "Game", 164, 138, 1, 1, false},
    {"IMAGE_BUXPbICON_NORM", "Game", 164, 138, 1, 1, false},
    {"IMAGE_CELL", "Game", 43, 43, 1, 1, false},
    {"IMAGE_CELL_OVER", "Game", 43, 43, 1, 1, false},
    {"IMAGE_EFFECTIVE_PB_COEF10", "Game", 72, 40, 1, 1, false},
    {"IMAGE_EFFECTIVE_PB_COEF2", "Game", 72, 40, 1, 1, false},
    {"IMAGE_EFFECTIVE_PB_COEF3", "Game", 72, 40, 1, 1, false},
    {"IMAGE_EFFECTIVE_PB_COEF4", "Game", 72, 40, 1, 1, false},
    {"IMAGE_EVILFORCE_PARTICLE", "Game", 16, 16, 1, 1, false},
    {"IMAGE_GOODFORCE_PARTICLE", "Game", 16, 16, 1, 1, false},
    {"IMAGE_HIGHSCORES_BG", "Game", 339, 423, 1, 1, false},
    {"IMAGE_INTERFACE", "Game", 800, 90, 1, 1, false},
    {"IMAGE_LANDMAP", "Game", 800, 600, 1, 1, false},
    {"IMAGE_LEVEL_PROGRESSBAR_CORE", "Game", 90, 420, 1, 1, false},
    {"IMAGE_LEVEL_PROGRESSBAR_SOURCES", "Game", 90, 420, 1, 1, false},
    {"IMAGE_LUCHEG_RUCHKI", "Game", 60, 30, 1, 1, false},
    {"IMAGE_MAINCURSOR", "Game", 64, 64, 1, 1, false},
    {"IMAGE_MAINCURSOR_DRAG", "Game", 64, 64, 1, 1, false},
    {"IMAGE_MAINCURSOR_PRESS", "Game", 64, 64, 1, 1, false},
    {"IMAGE_MAPDOT_AURA_BIG", "Game", 40, 40, 1, 1, false},
    {"IMAGE_MAPDOT_AURA_MEDIUM", "Game", 32, 32, 1, 1, false},
    {"IMAGE_MAPDOT_BIG_AURA", "Game", 40, 40, 1, 1, false},
    {"IMAGE_MAPDOT_BIG_GREEN", "Game", 28, 28, 1, 1, false},
    {"IMAGE_MAPDOT_BIG_PURPLE", "Game", 28, 28, 1, 1, false},
    {"IMAGE_MAPDOT_MEDIUM_AURA", "Game", 32, 32, 1, 1, false},
    {"IMAGE_MAPDOT_MEDIUM_GREEN", "Game", 20, 20, 1, 1, false},
    {"IMAGE_MAPDOT_MEDIUM_PURPLE", "Game", 20, 20, 1, 1, false},
    {"IMAGE_MAPDOT_SMALL_GREEN", "Game", 8, 8, 1, 1, false},
    {"IMAGE_MAPDOT_SMALL_PURPLE", "Game", 8, 8, 1, 1, false},
    {"IMAGE_MM_BACKGROUND", "Game", 800, 600, 1, 1, false},
    {"IMAGE_MM_BGSKY", "Game", 800, 360, 1, 1, false},
    {"IMAGE_SLOMO_EFFECT_F0", "Game", 600, 600, 1, 1, false},
    {"IMAGE_SLOMO_EFFECT_F1", "Game", 600, 600, 1, 1, false},
    {"IMAGE_SLOMOICON_ARROW", "Game", 174, 168, 1, 1, false},
    {"IMAGE_SLOMOICON_AURAOVER", "Game", 174, 168, 1, 1, false},
    {"IMAGE_SLOMOICON_NORM", "Game", 174, 168, 1, 1, false},
    {"IMAGE_SMALL_HEART", "Game", 20, 18, 1, 1, false},
    {"IMAGE_ZM_LOGO", "TitleScreen", 800, 600, 1, 1, false},
    {"IMAGE_GAME_LOGO", "TitleScreen", 800, 600, 1, 1, false},
    {"IMAGE_PB_CENTER", "TitleScreen", 300, 20, 1, 1, false},
    {"IMAGE_PB_LEFT", "TitleScreen", 10, 20, 1, 1, false},
    {"IMAGE_PB_RIGHT", "TitleScreen", 10, 20, 1, 1, false},
    {"IMAGE_CHKBX", "Interface", 56, 28, 1, 1, false},
    {"IMAGE_SLDR", "Interface", 30, 12, 1, 1, false},
    {"IMAGE_THUMB", "Interface", 20, 30, 1, 1, false},
    {"IMAGE_OPTS_WND", "Interface", 407, 375, 1, 1, false},
    {"IMAGE_PAUSE_WND", "Interface", 407, 375, 1, 1, false},
    {"IMAGE_SCROLL", "Interface", 20, 16, 1, 1, false},
    {"IMAGE_SCROLL_DOWN", "Interface", 20, 20, 1, 1, false},
    {"IMAGE_SCROLL_UP", "Interface", 20, 20, 1, 1, false},
    {"IMAGE_EDITBOX", "Interface", 120, 24, 1, 1, false},
    {"IMAGE_LISTBOX", "Interface", 120, 96, 1, 1, false},
    {"IMAGE_PROFILE_BG", "Interface", 339, 450, 1, 1, false},
    {"IMAGE_SCROLL_DOWN_DOWN", "Interface", 20, 20, 1, 1, false},
    {"IMAGE_SCROLL_DOWN_DSBLD", "Interface", 20, 20, 1, 1, false},
    {"IMAGE_SCROLL_DOWN_OVER", "Interface", 20, 20, 1, 1, false},
    {"IMAGE_SCROLL_UP_DOWN", "Interface", 20, 20, 1, 1, false},
    {"IMAGE_SCROLL_UP_DSBLD", "Interface", 20, 20, 1, 1, false},
    {"IMAGE_SCROLL_UP_OVER", "Interface", 20, 20, 1, 1, false},
    {"IMAGE_STAGECOMPLETE_BG", "Interface", 516, 570, 1, 1, false},
    {"IMAGE_BESTTIME", "Interface", 180, 28, 1, 1, false},
    {"IMAGE_COMBOS", "Interface", 180, 28, 1, 1, false},
    {"IMAGE_HORLINE", "Interface", 440, 4, 1, 1, false},
    {"IMAGE_NEWRECORD", "Interface", 120, 28, 1, 1, false},
    {"IMAGE_SCORE", "Interface", 180, 28, 1, 1, false},
    {"IMAGE_YOURTIME", "Interface", 180, 28, 1, 1, false},
    {"IMAGE_FLASH", "Interface", 64, 64, 1, 1, false},
    {"IMAGE_MATCHES", "Interface", 180, 28, 1, 1, false},
    {"IMAGE_X3", "Interface", 40, 28, 1, 1, false},
    {"IMAGE_X4", "Interface", 40, 28, 1, 1, false},
    {"IMAGE_X5", "Interface", 40, 28, 1, 1, false},
    {"IMAGE_X6", "Interface", 40, 28, 1, 1, false},
    {"IMAGE_X7", "Interface", 40, 28, 1, 1, false},
    {"IMAGE_LISTITEM", "Interface", 12, 12, 1, 1, false},
    {"IMAGE_LISTSELECT", "Interface", 263, 18, 1, 1, false},
    {"IMAGE_NEWGAME_WND", "Interface", 321, 330, 1, 1, false},
    {"IMAGE_ICONLIFE", "Interface", 180, 28, 1, 1, false},
    {"IMAGE_ICONSLOMO", "Interface", 180, 28, 1, 1, false},
    {"IMAGE_TIMEBONUS", "Interface", 180, 28, 1, 1, false},
    {"IMAGE_GAMEOVER_WND", "Interface", 339, 357, 1, 1, false},
    {"IMAGE_KNOCKDOWN", "Interface", 1600, 400, 1, 1, false},
    {"IMAGE_FOG", "Interface", 128, 128, 1, 1, false},
    {"IMAGE_HELP", "Interface", 800, 600, 1, 1, false},
    {"IMAGE_LUCHEG_SHOUT", "Interface", 200, 92, 1, 1, false},
    {"IMAGE_HELPWND", "Interface", 300, 440, 1, 1, false},
    {"IMAGE_HELPWND_BOTTOM", "Interface", 240, 20, 1, 1, false},
    {"IMAGE_HELPWND_CENTER", "Interface", 240, 400, 1, 1, false},
    {"IMAGE_HELPWND_TOP", "Interface", 240, 20, 1, 1, false},
    {"IMAGE_CANCEL", "Interface", 94, 40, 1, 1, false},
    {"IMAGE_CANCEL_OVER", "Interface", 94, 40, 1, 1, false},
    {"IMAGE_CANCEL_PRESSED", "Interface", 94, 40, 1, 1, false},
    {"IMAGE_CH_PRFL", "Interface", 232, 36, 1, 1, false},
    {"IMAGE_CH_PRFL_OVER", "Interface", 232, 36, 1, 1, false},
    {"IMAGE_CH_PRFL_PRESSED", "Interface", 232, 36, 1, 1, false},
    {"IMAGE_CONTINUE", "Interface", 144, 45, 1, 1, false},
    {"IMAGE_CONTINUE_DOWN", "Interface", 144, 45, 1, 1, false},
    {"IMAGE_CONTINUE_OVER", "Interface", 144, 45, 1, 1, false},
    {"IMAGE_CREATE", "Interface", 110, 40, 1, 1, false},
    {"IMAGE_CREATE_DISABLED", "Interface", 110, 40, 1, 1, false},
    {"IMAGE_CREATE_DOWN", "Interface", 110, 40, 1, 1, false},
    {"IMAGE_CREATE_OVER", "Interface", 110, 40, 1, 1, false},
    {"IMAGE_CREDITS", "Interface", 182, 36, 1, 1, false},
    {"IMAGE_CREDITS_OVER", "Interface", 182, 36, 1, 1, false},
    {"IMAGE_CREDITS_PRESSED", "Interface", 182, 36, 1, 1, false},
    {"IMAGE_DELETE", "Interface", 110, 40, 1, 1, false},
    {"IMAGE_DELETE_DISABLED", "Interface", 110, 40, 1, 1, false},
    {"IMAGE_DELETE_DOWN", "Interface", 110, 40, 1, 1, false},
    {"IMAGE_DELETE_OVER", "Interface", 110, 40, 1, 1, false},
    {"IMAGE_EXIT_OVER", "Interface", 144, 36, 1, 1, false},
    {"IMAGE_EXIT", "Interface", 144, 36, 1, 1, false},
    {"IMAGE_EXIT_PRESSED", "Interface", 144, 36, 1, 1, false},
    {"IMAGE_MENU", "Interface", 90, 34, 1, 1, false},
    {"IMAGE_MENU_DOWN", "Interface", 90, 34, 1, 1, false},
    {"IMAGE_MENU_OVER", "Interface", 90, 34, 1, 1, false},
    {"IMAGE_NO", "Interface", 59, 40, 1, 1, false},
    {"IMAGE_NO_DOWN", "Interface", 59, 40, 1, 1, false},
    {"IMAGE_NO_OVER", "Interface", 59, 40, 1, 1, false},
    {"IMAGE_OK", "Interface", 68, 40, 1, 1, false},
    {"IMAGE_OK_OVER", "Interface", 68, 40, 1, 1, false},
    {"IMAGE_OK_PRESSED", "Interface", 68, 40, 1, 1, false},
    {"IMAGE_OPTIONS_PRESSED", "Interface", 184, 36, 1, 1, false},
    {"IMAGE_OPTIONS", "Interface", 184, 36, 1, 1, false},
    {"IMAGE_OPTIONS_OVER", "Interface", 184, 36, 1, 1, false},
    {"IMAGE_RESUME", "Interface", 176, 36, 1, 1, false},
    {"IMAGE_RESUME_DISABLED", "Interface", 176, 36, 1, 1, false},
    {"IMAGE_RESUME_OVER", "Interface", 176, 36, 1, 1, false},
    {"IMAGE_RESUME_PRESSED", "Interface", 176, 36, 1, 1, false},
    {"IMAGE_SCORES", "Interface", 168, 36, 1, 1, false},
    {"IMAGE_SCORES_OVER", "Interface", 168, 36, 1, 1, false},
    {"IMAGE_SCORES_PRESSED", "Interface", 168, 36, 1, 1, false},
    {"IMAGE_MAINMENU", "Interface", 144, 45, 1, 1, false},
    {"IMAGE_MAINMENU_DOWN", "Interface", 144, 45, 1, 1, false},
    {"IMAGE_MAINMENU_OVER", "Interface", 144, 45, 1, 1, false},
    {"IMAGE_START", "Interface", 156, 36, 1, 1, false},
    {"IMAGE_START_OVER", "Interface", 156, 36, 1, 1, false},
    {"IMAGE_START_PRESSED", "Interface", 156, 36, 1, 1, false},
    {"IMAGE_SUBMIT", "Interface", 120, 40, 1, 1, false},
    {"IMAGE_SUBMIT_OVER", "Interface", 120, 40, 1, 1, false},
    {"IMAGE_SUBMIT_PRESSED", "Interface", 120, 40, 1, 1, false},
    {"IMAGE_YES", "Interface", 59, 40, 1, 1, false},
    {"IMAGE_YES_DOWN", "Interface", 59, 40, 1, 1, false},
    {"IMAGE_YES_OVER", "Interface", 59, 40, 1, 1, false},
    {"IMAGE_CREDITS_BACKGROUND", "Credits", 800, 600, 1, 1, false},
    {"IMAGE_CREDITS_FOREGROUND", "Credits", 800, 600, 1, 1, false},
    {"IMAGE_ZM_LOGO_W", "Credits", 400, 150, 1, 1, false},
    {"IMAGE_VORNS_LOGO", "Credits", 500, 200, 1, 1, false},
    {"IMAGE_BLOCK1", "Game", 43, 43, 1, 20, true},
    {"IMAGE_BLOCK2", "Game", 43, 43, 1, 20, true},
    {"IMAGE_BLOCK3", "Game", 43, 43, 1, 20, true},
    {"IMAGE_BLOCK4", "Game", 43, 43, 1, 20, true},
    {"IMAGE_BLOCK5", "Game", 43, 43, 1, 20, true},
    {"IMAGE_BLOCK6", "Game", 43, 43, 1, 20, true},
    {"IMAGE_BLOCK7", "Game", 43, 43, 1, 20, true},
    {"IMAGE_BLOCK8", "Game", 43, 43, 1, 20, true},
    // The bubble's full size is the image height - 20, so one row of 200-high cels.
    {"IMAGE_BUBBLE_FLARE", "Game", 200, 200, 1, 72, true},
    {"IMAGE_LUCHEG", "Game", 130, 180, 1, 3, true},
    {"IMAGE_MM_SPARK1", "Game", 48, 48, 1, 8, true},
    {"IMAGE_PROGRESSBAR_FLOWERS_ANIM", "Game", 390, 28, 227, 1, true},
    {"IMAGE_SLOMO_CLOCK", "Game", 150, 170, 1, 10, true},
    {"IMAGE_HELP_ARROW", "Interface", 24, 32, 1, 6, true},
};

std::string Attribute(const std::string& element, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const size_t at = element.find(key);
    if (at == std::string::npos) {
        return {};
    }
    const size_t start = at + key.size();
    return element.substr(start, element.find('"', start) - start);
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

class MakeImagesTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const auto start = std::chrono::steady_clock::now();
        sPart = new make_data::DataPart(make_data::MakeImages());
        sSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("MakeImages: %zu files in %.2f s\n", sPart->files.size(), sSeconds);
    }
    static void TearDownTestSuite() {
        delete sPart;
        sPart = nullptr;
    }
    static const make_data::DataFile* File(const std::string& path) {
        for (const auto& f : sPart->files) {
            if (f.path == path) {
                return &f;
            }
        }
        return nullptr;
    }

    static inline make_data::DataPart* sPart = nullptr;
    static inline double sSeconds = 0;
};

TEST_F(MakeImagesTest, EveryBoundImageExistsWithItsGroupSizeAndCels) {
    std::map<std::string, const make_data::ManifestEntry*> byId;
    for (const auto& entry : sPart->entries) {
        const std::string id = Attribute(entry.element, "id");
        EXPECT_TRUE(byId.emplace(id, &entry).second) << "defined twice: " << id;
    }
    EXPECT_EQ(byId.size(), std::size(kImages)) << "extra or missing manifest entries";
    for (const Expected& e : kImages) {
        SCOPED_TRACE(e.id);
        const auto it = byId.find(e.id);
        ASSERT_NE(it, byId.end()) << "missing: " << e.id;
        const std::string& element = it->second->element;
        EXPECT_EQ(it->second->group, e.group) << e.id;
        EXPECT_EQ(element.rfind(e.animated ? "<ImageEx " : "<Image ", 0), 0u) << element;
        EXPECT_TRUE(element.ends_with(e.animated ? "</ImageEx>" : "/>")) << element;
        const std::string rows = Attribute(element, "rows");
        const std::string cols = Attribute(element, "cols");
        EXPECT_EQ(rows.empty() ? 1 : std::stoi(rows), e.rows) << e.id;
        EXPECT_EQ(cols.empty() ? 1 : std::stoi(cols), e.cols) << e.id;
        if (e.animated) {
            EXPECT_GE(Count(element, "<Seq "), 1) << e.id;
        }
        const make_data::DataFile* file = File(Attribute(element, "path") + ".png");
        ASSERT_NE(file, nullptr) << "no file for " << e.id;
        std::string error;
        const auto image = ImageLib::DecodePNG(file->bytes, error);
        ASSERT_TRUE(image.has_value()) << e.id << ": " << error;
        EXPECT_EQ(image->mWidth, e.celWidth * e.cols) << e.id;
        EXPECT_EQ(image->mHeight, e.celHeight * e.rows) << e.id;
    }
}

TEST_F(MakeImagesTest, AnimationsHaveTheSequencesTheGameReads) {
    std::map<std::string, std::string> elements;
    for (const auto& entry : sPart->entries) {
        elements[Attribute(entry.element, "id")] = entry.element;
    }
    // Every frame of every sequence names a cel the picture has.
    for (const Expected& e : kImages) {
        const std::string& element = elements[e.id];
        for (size_t at = element.find("framemap=\""); at != std::string::npos;
             at = element.find("framemap=\"", at + 1)) {
            const size_t start = at + 10;
            std::string list = element.substr(start, element.find('"', start) - start);
            for (size_t p = 0; p < list.size();) {
                const size_t comma = list.find(',', p);
                const int cel = std::stoi(list.substr(p, comma - p));
                EXPECT_TRUE(cel >= 0 && cel < e.rows * e.cols) << e.id << " frame " << cel;
                p = comma == std::string::npos ? list.size() : comma + 1;
            }
        }
    }
    // Blocks: rest, flight, dying, selected. The bubble plays to frame 71, the fill to 226.
    EXPECT_EQ(Count(elements["IMAGE_BLOCK1"], "<Seq "), 4);
    EXPECT_EQ(Count(elements["IMAGE_BLOCK8"], "<Seq "), 4);
    EXPECT_EQ(elements["IMAGE_BLOCK3"].find("particle="), std::string::npos);
    EXPECT_NE(elements["IMAGE_HELP_ARROW"].find("anim=\"loop\""), std::string::npos);
    EXPECT_EQ(Count(elements["IMAGE_SLOMO_CLOCK"], "<Seq "), 1);
}

TEST_F(MakeImagesTest, PicturesAreClearOrOpaqueWhereTheScreensNeedIt) {
    // Backgrounds cover the screen; the menu picture lets the sky through at the top; the
    // credits frame and the tinted logos are clear away from their art.
    const struct {
        const char* path;
        int x;
        int y;
        bool opaque;
    } points[] = {
        {"images/game/background_flower1.png", 0, 0, true},
        {"images/game/background_water5.png", 799, 599, true},
        {"images/game/landmap.png", 400, 300, true},
        {"images/credits/credits_background.png", 400, 300, true},
        {"images/interface/help.png", 400, 590, true},
        {"images/game/mm_background.png", 600, 20, false},
        {"images/game/mm_background.png", 400, 590, true},
        {"images/credits/credits_foreground.png", 400, 300, false},
        {"images/titlescreen/zm_logo.png", 5, 5, false},
        {"images/titlescreen/game_logo.png", 5, 595, false},
        {"images/game/cell.png", 21, 21, false},
    };
    for (const auto& point : points) {
        const make_data::DataFile* file = File(point.path);
        ASSERT_NE(file, nullptr) << point.path;
        std::string error;
        const auto image = ImageLib::DecodePNG(file->bytes, error);
        ASSERT_TRUE(image.has_value()) << point.path << ": " << error;
        const uint32_t alpha = image->GetBits()[point.y * image->mWidth + point.x] >> 24;
        if (point.opaque) {
            EXPECT_EQ(alpha, 255u) << point.path << " at " << point.x << "," << point.y;
        } else {
            EXPECT_LT(alpha, 128u) << point.path << " at " << point.x << "," << point.y;
        }
    }
}

TEST_F(MakeImagesTest, ComicPagesAreFullScreenJpegs) {
    for (int i = 1; i <= 5; ++i) {
        const std::string path = "data/images/comics/page-" + std::to_string(i) + ".jpg";
        const make_data::DataFile* file = File(path);
        ASSERT_NE(file, nullptr) << path;
        std::string error;
        const auto image = ImageLib::DecodeJPEG(file->bytes, error);
        ASSERT_TRUE(image.has_value()) << path << ": " << error;
        EXPECT_EQ(image->mWidth, 800);
        EXPECT_EQ(image->mHeight, 600);
    }
}

TEST_F(MakeImagesTest, SameBytesOnEveryRunAndQuick) {
    EXPECT_LT(sSeconds, 20.0);
    const make_data::DataPart again = make_data::MakeImages();
    ASSERT_EQ(again.files.size(), sPart->files.size());
    for (size_t i = 0; i < again.files.size(); ++i) {
        EXPECT_EQ(again.files[i].path, sPart->files[i].path);
        EXPECT_TRUE(again.files[i].bytes == sPart->files[i].bytes) << again.files[i].path;
    }
    ASSERT_EQ(again.entries.size(), sPart->entries.size());
    for (size_t i = 0; i < again.entries.size(); ++i) {
        EXPECT_EQ(again.entries[i].element, sPart->entries[i].element);
    }
}

TEST_F(MakeImagesTest, ContactSheetIsOnePictureOfEveryImage) {
    const std::vector<uint8_t> sheet = make_data::MakeContactSheet(*sPart);
    std::string error;
    const auto image = ImageLib::DecodePNG(sheet, error);
    ASSERT_TRUE(image.has_value()) << error;
    // Eight tiles a row, one tile per file.
    EXPECT_EQ(image->mWidth, 1600);
    EXPECT_EQ(image->mHeight, static_cast<int>((sPart->files.size() + 7) / 8) * 168);
    if (const char* out = std::getenv("VESK_CONTACT_SHEET")) {
        FILE* f = std::fopen(out, "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(sheet.data(), 1, sheet.size(), f);
        std::fclose(f);
    }
}

}  // namespace
