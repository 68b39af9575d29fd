// Texts of the main menu and the results dialog measured as they are drawn: the data set's own
// fonts and pictures, the screens' own places.
#ifdef VESK_DATA_PAK

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DataSetTestSupport.h"
#include "game/app/CEditProfile.h"
#include "game/app/CHelpWidget.h"
#include "game/app/CStageCompleteDialog.h"
#include "game/app/CountedText.h"
#include "game/core/CBonusIconBubble.h"
#include "game/core/CBonusIconBuxpb.h"
#include "game/core/CBonusIconSlomo.h"
#include "game/core/CTable.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "graphics/MemoryImage.h"
#include "resources/LevelDesc.h"
#include "resources/zmImageEx.h"

namespace apptest {
namespace {

using Vesk::CStageCompleteDialog;
using Vesk::Rect;

// The box of the pixels in bits (width w) that are not fully transparent, moved by (dx, dy).
Rect Ink(const uint32_t* bits, int w, int h, int dx, int dy) {
    int left = w, top = h, right = -1, bottom = -1;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if ((bits[y * w + x] >> 24) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? Rect() : Rect(left + dx, top + dy, right - left + 1, bottom - top + 1);
}

// What a string draws, shadows included, with its baseline's left end at (x, y).
Rect TextInk(Vesk::Font& font, const std::string& text, int x, int y) {
    constexpr int kRoom = 40;
    Vesk::MemoryImage canvas;
    canvas.Create(font.StringWidth(text) + 2 * kRoom, font.GetHeight() + 2 * kRoom);
    Vesk::Graphics g(&canvas);
    g.SetFont(&font);
    g.SetColor(Vesk::Color::White);
    g.DrawString(text, kRoom, kRoom + font.GetAscent());
    return Ink(canvas.GetBits(), canvas.GetWidth(), canvas.GetHeight(), x - kRoom,
               y - kRoom - font.GetAscent());
}

Rect PictureInk(Vesk::Image* picture, int x, int y) {
    auto* memory = dynamic_cast<Vesk::MemoryImage*>(picture);
    if (memory == nullptr) {
        ADD_FAILURE() << "not a memory image";
        return {};
    }
    return Ink(memory->GetBits(), memory->GetWidth(), memory->GetHeight(), x, y);
}

bool Inside(const Rect& box, const Rect& panel) {
    return box.mWidth > 0 && box.mX >= panel.mX && box.mY >= panel.mY &&
           box.mX + box.mWidth <= panel.mX + panel.mWidth &&
           box.mY + box.mHeight <= panel.mY + panel.mHeight;
}

bool Apart(const Rect& a, const Rect& b) {
    return a.Intersection(b).mWidth <= 0;
}

TEST_F(DataSetTest, TheGreetingsLinesStayApartAndAboveTheProfileButtonForTheLongestNames) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    ASSERT_TRUE(manager.LoadGroup("Game")) << manager.GetErrorText();
    Vesk::Font& font = *manager.LookupFont("FONT_SHOWCARDGOTHIC");
    // The menu writes "HELLO," on 184 and the name a line spacing below 179; the CHANGE PROFILE
    // button starts at 207.
    constexpr int kButtonTop = 207;
    const Rect hello = TextInk(font, app.GetString("HELLO"), 0, 184);
    const size_t longest = Vesk::CEditProfile::kMaxNameLength;
    for (const std::string& name :
         {std::string(longest, 'W'), std::string("QJ_,;()[]|@").substr(0, longest)}) {
        const Rect line = TextInk(font, name + "!", 0, 179 + font.GetLineSpacing());
        EXPECT_LT(hello.mY + hello.mHeight, line.mY) << name;
        EXPECT_LE(line.mY + line.mHeight, kButtonTop) << name;
    }
}

// The overlays zoom their picture in from twice the board's width, the widest it gets (the
// spring only swings back from there, and the fade's growth stays below it).
constexpr int kBoardWidth = 800;
constexpr int kBoardHeight = 600;
constexpr int kWidest = 2 * kBoardWidth;
constexpr int kMargin = 20;

// Where a picture's ink lands when it is drawn kWidest wide at x (800 - kWidest) / 2.
Rect ZoomedInk(const Rect& ink, int drawnY, double scale) {
    const int left = (kBoardWidth - kWidest) / 2;
    return Rect(left + static_cast<int>(ink.mX * scale), drawnY + static_cast<int>(ink.mY * scale),
                static_cast<int>(ink.mWidth * scale + 1),
                static_cast<int>(ink.mHeight * scale + 1));
}

TEST_F(DataSetTest, TheOverlaysWordsStayOnTheBoardAtTheWidestZoomAndAreNeverStretchedUp) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    ASSERT_TRUE(manager.LoadGroup("Game")) << manager.GetErrorText();
    ASSERT_TRUE(manager.LoadGroup("Interface")) << manager.GetErrorText();
    Vesk::Font& huge = *manager.LookupFont("FONT_HUGE");
    const Rect board(kMargin, kMargin, kBoardWidth - 2 * kMargin, kBoardHeight - 2 * kMargin);
    // Every level's announcement, and lives far beyond what a game gains (one a 500,000 points).
    std::vector<std::vector<std::string>> families(2);
    for (int level = 1; level <= 100; ++level) {
        families[0].push_back(
            Vesk::FormatNumbers(app.GetString("LVL"), {(level + 4) / 5, (level - 1) % 5 + 1}));
    }
    for (int lives = 0; lives < 1000; ++lives) {
        families[1].push_back(
            Vesk::FormatNumbers(app.GetString(Vesk::LivesTextId(lives)), {lives}));
    }
    for (const std::vector<std::string>& texts : families) {
        // The blanks at the ends are as wide whatever the words: the widest text's words take
        // the largest share of their picture.
        const std::string* widest = &texts.front();
        for (const std::string& text : texts) {
            EXPECT_GE(huge.StringWidth(text), kWidest) << text;
            if (huge.StringWidth(text) > huge.StringWidth(*widest)) {
                widest = &text;
            }
        }
        const int width = huge.StringWidth(*widest);
        const double scale = static_cast<double>(kWidest) / width;
        const Rect ink = TextInk(huge, *widest, 0, huge.GetAscent());
        const int drawnY = static_cast<int>((kBoardHeight - huge.GetHeight() * scale) / 2);
        EXPECT_TRUE(Inside(ZoomedInk(ink, drawnY, scale), board)) << *widest;
    }
    Vesk::Image* knockdown = manager.LookupImage("IMAGE_KNOCKDOWN").GetImage();
    EXPECT_GE(knockdown->GetWidth(), kWidest);
    const Rect ink = PictureInk(knockdown, 0, 0);
    EXPECT_TRUE(
        Inside(ZoomedInk(ink, 0, static_cast<double>(kWidest) / knockdown->GetWidth()), board));
}

TEST_F(DataSetTest, TheCursorsTipIsTheCentreTheyAreDrawnOn) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    ASSERT_TRUE(manager.LoadGroup("Game")) << manager.GetErrorText();
    for (const char* id : {"IMAGE_MAINCURSOR", "IMAGE_MAINCURSOR_DRAG", "IMAGE_MAINCURSOR_PRESS"}) {
        auto* cursor = dynamic_cast<Vesk::MemoryImage*>(manager.LookupImage(id).GetImage());
        ASSERT_NE(cursor, nullptr) << id;
        // The tip: the first solid pixel from the top, the leftmost of its row.
        const int w = cursor->GetWidth();
        int tip = -1;
        for (int i = 0; i < w * cursor->GetHeight() && tip < 0; ++i) {
            tip = (cursor->GetBits()[i] >> 24) >= 128 ? i : -1;
        }
        EXPECT_NEAR(tip % w, w / 2, 1) << id;
        EXPECT_NEAR(tip / w, cursor->GetHeight() / 2, 1) << id;
    }
}

TEST_F(DataSetTest, EveryStageCompleteTextLiesInsideItsPanelForTheLargestNumbers) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    ASSERT_TRUE(manager.LoadGroup("Game")) << manager.GetErrorText();
    ASSERT_TRUE(manager.LoadGroup("Interface")) << manager.GetErrorText();
    const std::unique_ptr<Vesk::Font> numbers =
        CStageCompleteDialog::NumberFont(*manager.LookupFont("FONT_SMALL"));
    Vesk::Font& font = *numbers;
    const auto image = [&](const char* id) { return manager.LookupImage(id).GetImage(); };
    const std::string time = CStageCompleteDialog::FormatTime(UINT32_MAX);
    // Times are 32-bit, scores and the bonus 31-bit, lives and charges granted 16-bit signed
    // ("+%d") and match counts 16-bit.
    const struct {
        const char* label;
        std::string largest;
    } rows[CStageCompleteDialog::kRowCount] = {
        {"IMAGE_YOURTIME", time},      {"IMAGE_BESTTIME", time},
        {"IMAGE_SCORE", "2147483647"}, {"IMAGE_TIMEBONUS", "2147483647"},
        {"IMAGE_ICONLIFE", "+32767"},  {"IMAGE_ICONSLOMO", "+32767"},
        {"IMAGE_MATCHES", "65535"},    {"IMAGE_MATCHES", "65535"},
        {"IMAGE_MATCHES", "65535"},    {"IMAGE_MATCHES", "65535"},
        {"IMAGE_MATCHES", "65535"}};
    const Rect panel = CStageCompleteDialog::kPanel;
    const Vesk::Point record = CStageCompleteDialog::NewRecordPosition();
    const Rect newRecord = PictureInk(image("IMAGE_NEWRECORD"), record.mX, record.mY);
    EXPECT_TRUE(Inside(newRecord, panel));
    for (int row = 0; row < CStageCompleteDialog::kRowCount; ++row) {
        const Vesk::Point at = CStageCompleteDialog::TextPosition(row);
        const Rect number = TextInk(font, rows[row].largest, at.mX, at.mY);
        const Vesk::Point place = CStageCompleteDialog::PicturePosition(row);
        const Rect label = PictureInk(image(rows[row].label), place.mX, place.mY);
        EXPECT_TRUE(Inside(number, panel)) << row;
        EXPECT_TRUE(Inside(label, panel)) << row;
        EXPECT_TRUE(Apart(number, label)) << row;
        EXPECT_TRUE(Apart(number, newRecord)) << row;
        // Capitals and digits end on the baseline; the label's outline and shadow add a little.
        EXPECT_NEAR(number.mY + number.mHeight, label.mY + label.mHeight, 3) << row;
    }
}

// The parchment face: opaque and light, unlike the clear margin and the dark wooden rim.
bool Face(uint32_t c) {
    const uint32_t luma = (((c >> 16) & 0xFF) * 3 + ((c >> 8) & 0xFF) * 6 + (c & 0xFF)) / 10;
    return (c >> 24) == 0xFF && luma > 180;
}

// The face inside a dialog picture's rim, found from each edge along row y and, for its foot,
// up column x.
Rect InnerPanel(Vesk::MemoryImage& picture, int x, int y) {
    const int w = picture.GetWidth();
    const uint32_t* bits = picture.GetBits();
    int left = 0;
    while (left < w - 1 && !Face(bits[y * w + left])) {
        ++left;
    }
    int right = w - 1;
    while (right > 0 && !Face(bits[y * w + right])) {
        --right;
    }
    int bottom = picture.GetHeight() - 1;
    while (bottom > 0 && !Face(bits[bottom * w + x])) {
        --bottom;
    }
    return Rect(left, 0, right - left + 1, bottom + 1);
}

TEST_F(DataSetTest, EveryDialogButtonLiesInsideItsPanelAndEachRowIsCentredOnIt) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    ASSERT_TRUE(manager.LoadGroup("Game")) << manager.GetErrorText();
    ASSERT_TRUE(manager.LoadGroup("Interface")) << manager.GetErrorText();
    struct Button {
        const char* id;
        int x, y;
    };
    // The dialogs' pictures and each row of buttons at the places the dialogs give them.
    const struct {
        const char* picture;
        std::vector<Button> row;
    } rows[] = {
        {"IMAGE_OPTS_WND", {{"IMAGE_OK", 32, 305}, {"IMAGE_CANCEL", 200, 305}}},
        {"IMAGE_PAUSE_WND", {{"IMAGE_MAINMENU", -3, 329}, {"IMAGE_CONTINUE", 195, 329}}},
        {"IMAGE_NEWGAME_WND", {{"IMAGE_YES", 23, 186}, {"IMAGE_NO", 238, 186}}},
        {"IMAGE_GAMEOVER_WND", {{"IMAGE_OK", 135, 296}}},
        {"IMAGE_HIGHSCORES_BG", {{"IMAGE_OK", 135, 364}}},
        {"IMAGE_PROFILE_BG", {{"IMAGE_CREATE", 115, 89}}},
        {"IMAGE_PROFILE_BG", {{"IMAGE_DELETE", 115, 348}}},
        {"IMAGE_PROFILE_BG", {{"IMAGE_OK", 34, 391}, {"IMAGE_CANCEL", 211, 391}}},
        {"IMAGE_STAGECOMPLETE_BG", {{"IMAGE_MAINMENU", 87, 489}, {"IMAGE_CONTINUE", 279, 489}}},
    };
    for (const auto& row : rows) {
        std::vector<Rect> buttons;
        for (const Button& button : row.row) {
            buttons.push_back(
                PictureInk(manager.LookupImage(button.id).GetImage(), button.x, button.y));
        }
        const int left = buttons.front().mX;
        const int right = buttons.back().mX + buttons.back().mWidth;
        const Rect& first = buttons.front();
        auto* picture =
            dynamic_cast<Vesk::MemoryImage*>(manager.LookupImage(row.picture).GetImage());
        ASSERT_NE(picture, nullptr) << row.picture;
        const Rect panel = InnerPanel(*picture, (left + right) / 2, first.mY + first.mHeight / 2);
        for (size_t i = 0; i < buttons.size(); ++i) {
            EXPECT_TRUE(Inside(buttons[i], panel)) << row.picture << " " << row.row[i].id;
        }
        EXPECT_NEAR(left + right, 2 * panel.mX + panel.mWidth, 6) << row.picture;
    }
}

TEST_F(DataSetTest, EveryHelpBubbleLiesOnTheBoardAboveThePanelAndLeavesItsTargetInSight) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    LoadAllGroups(manager);
    const auto image = [&](const char* id) { return manager.LookupImage(id).GetImage(); };
    Vesk::Font& basic = *manager.LookupFont("FONT_BASIC");
    const int w = image("IMAGE_HELPWND_CENTER")->GetWidth();
    const int slices = image("IMAGE_HELPWND_TOP")->GetHeight() +
                       image("IMAGE_HELPWND_BOTTOM")->GetHeight() + basic.GetLineSpacing();
    Vesk::zmImageEx arrow;
    arrow.Assign(*manager.LookupImageEx("IMAGE_HELP_ARROW"));
    arrow.Play(0, 0.0, true, 0.0);
    const Rect cel = arrow.GetCelRect();
    const int panelTop = kBoardHeight - image("IMAGE_INTERFACE")->GetHeight();
    // The board's places for what the topics point at (the icons at rest, the bars' marks,
    // the knockdown's middle), and every cell of the first level's field.
    std::vector<std::pair<uint32_t, Vesk::Point>> targets;
    const auto icon = [&](uint32_t topic, const CBonusIcon::Style& style, const char* id) {
        const Vesk::Image* picture = image(id);
        targets.push_back({topic,
                           {style.targetX + style.pictureX + picture->GetWidth() / 2,
                            style.restY + style.pictureY + picture->GetHeight() / 2}});
    };
    icon(Vesk::CHelpWidget::kBubble, CBonusIconBubble::kStyle, "IMAGE_BUBBLEICON_NORM");
    icon(Vesk::CHelpWidget::kWhirlwind, CBonusIconBuxpb::kStyle, "IMAGE_BUXPbICON_NORM");
    icon(Vesk::CHelpWidget::kSlowMotion, CBonusIconSlomo::kStyle, "IMAGE_SLOMOICON_NORM");
    targets.push_back({Vesk::CHelpWidget::kGameBar,
                       {kBoardWidth - image("IMAGE_LEVEL_PROGRESSBAR_CORE")->GetWidth() + 43, 25}});
    const Vesk::Image* coefficient = image("IMAGE_EFFECTIVE_PB_COEF2");
    targets.push_back({Vesk::CHelpWidget::kEffectivityBar,
                       {263 + 430 + coefficient->GetWidth() / 2,
                        panelTop - 24 - 30 + coefficient->GetHeight() / 2}});
    targets.push_back({Vesk::CHelpWidget::kSpellShield, {kBoardWidth / 2, kBoardHeight / 2}});
    const Vesk::LevelDesc& level = *manager.LookupLevel("LEVEL1");
    CTable table;
    ASSERT_TRUE(table.SetSize(level.width, level.height));
    for (int a = 0; a < level.width; ++a) {
        for (int b = 0; b < level.height; ++b) {
            if (level.cells[a][b] != 0) {
                const Vesk::Point cell{table.CellX(a) + 21,
                                       b * CTable::kCellSize + table.targetY + 21};
                targets.push_back({Vesk::CHelpWidget::kMatch3, cell});
                targets.push_back({Vesk::CHelpWidget::kMatch3Plus, cell});
            }
        }
    }
    const Rect above(0, 0, kBoardWidth, panelTop);
    // The level bar's tube, below its mark, must stay in sight too.
    const int barX = kBoardWidth - image("IMAGE_LEVEL_PROGRESSBAR_CORE")->GetWidth();
    const Rect tube(barX + 28, 0, 32, 400);
    for (const auto& [topic, at] : targets) {
        const std::string text = app.GetString(Vesk::CHelpWidget::TopicTextId(topic));
        Vesk::Graphics measure;
        measure.SetFont(&basic);
        const int h =
            measure.GetWordWrappedHeight(text, w - Vesk::CHelpWidget::kTextMargin) + slices;
        const auto layout =
            Vesk::CHelpWidget::PlaceBubble({kBoardWidth, kBoardHeight, at.mX, at.mY, w, h,
                                            topic == Vesk::CHelpWidget::kSpellShield ? 1 : 0,
                                            arrow.GetHeight(), cel.mWidth, cel.mHeight});
        const Rect bubble(layout.bubbleX, layout.bubbleY, w, h);
        EXPECT_TRUE(Inside(bubble, above)) << topic << " at " << at.mX << "," << at.mY;
        EXPECT_FALSE(bubble.Contains(at.mX, at.mY)) << topic << " at " << at.mX << "," << at.mY;
        if (topic == Vesk::CHelpWidget::kGameBar) {
            EXPECT_TRUE(Apart(bubble, tube)) << bubble.mX << "," << bubble.mY;
        }
    }
}

}  // namespace
}  // namespace apptest

#endif  // VESK_DATA_PAK
