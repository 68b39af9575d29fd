// Texts of the main menu and the results dialog measured as they are drawn: the data set's own
// fonts and pictures, the screens' own places.
#ifdef VESK_DATA_PAK

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "DataSetTestSupport.h"
#include "game/app/CEditProfile.h"
#include "game/app/CStageCompleteDialog.h"
#include "game/app/CountedText.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "graphics/MemoryImage.h"

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

TEST_F(DataSetTest, TheOverlayWordsAreNeverStretchedUp) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    ASSERT_TRUE(manager.LoadGroup("Game")) << manager.GetErrorText();
    Vesk::Font& huge = *manager.LookupFont("FONT_HUGE");
    // Once the zoom holds, the words are as wide as the board.
    constexpr int kShownWidth = 800;
    for (int level = 1; level <= 100; ++level) {
        const std::string text =
            Vesk::FormatNumbers(app.GetString("LVL"), {(level + 4) / 5, (level - 1) % 5 + 1});
        EXPECT_GE(huge.StringWidth(text), kShownWidth) << text;
    }
    for (int lives = 1; lives <= 30; ++lives) {
        const std::string text =
            Vesk::FormatNumbers(app.GetString(Vesk::LivesTextId(lives)), {lives});
        EXPECT_GE(huge.StringWidth(text), kShownWidth) << text;
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

}  // namespace
}  // namespace apptest

#endif  // VESK_DATA_PAK
