#include <gtest/gtest.h>

#include <string>

#include "FakeBoard.h"
#include "game/core/CInterfaceObject.h"
#include "game/core/CLucheg.h"
#include "game/core/zmButton.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace {

using Vesk::GameSound;

// Records what is written and in which colour.
class RecordingFont : public Vesk::Font {
public:
    RecordingFont() {
        mAscent = 10;
        mHeight = 12;
    }
    int32_t CharWidth(char) override { return 5; }
    int32_t CharWidthKern(char, char) override { return 5; }
    int32_t StringWidth(const std::string& text) override {
        return static_cast<int32_t>(text.size()) * 5;
    }
    void DrawString(Vesk::Graphics&, int32_t, int32_t, const std::string& text,
                    const Vesk::Color& color, const Vesk::Rect&) override {
        written.emplace_back(text, color);
    }
    std::unique_ptr<Vesk::Font> Duplicate() const override {
        return std::make_unique<RecordingFont>();
    }
    std::vector<std::pair<std::string, Vesk::Color>> written;
};

class FontMedia : public fake::FakeMedia {
public:
    Vesk::Font* GetFont(Vesk::GameFont) override { return &font; }
    RecordingFont font;
};

TEST(CInterfaceObjectTest, PanelWritesScoreLevelAndLivesInItsGreen) {
    fake::Board board;
    board.mLevel = 7;
    board.mCounters.totalScore = 1200;
    board.mCounters.levelScore = 34;
    CInterfaceObject panel(board);
    FontMedia media;
    Vesk::MemoryImage screen;
    screen.Create(800, 600);
    Vesk::Graphics g(&screen);
    panel.Draw(g, media);
    ASSERT_EQ(media.font.written.size(), 3u);
    const std::vector<std::string> texts = {"1234", "# 2-2", "3"};
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(media.font.written[i].first, texts[i]);
        const Vesk::Color& c = media.font.written[i].second;
        EXPECT_EQ(c.mRed, 160);
        EXPECT_EQ(c.mGreen, 254);
        EXPECT_EQ(c.mBlue, 38);
    }
}

TEST(zmButtonTest, FiresOnlyOnAReleaseAfterAPressInside) {
    fake::Board board;
    zmButton button(board, 700, 10);
    button.id = 7;
    button.width = 40;
    button.height = 20;
    // Edges belong to the button.
    EXPECT_EQ(button.MouseMove(board, 740, 30), 1);
    EXPECT_EQ(button.state, zmButton::Hovered);
    EXPECT_EQ(board.mCursor, 1);
    EXPECT_EQ(button.MouseMove(board, 741, 30), 0);
    EXPECT_EQ(button.MouseDown(board, 699, 10), 0);
    EXPECT_EQ(button.MouseDown(board, 700, 10), 1);
    // Hovering while pressed keeps the press and plays nothing.
    button.MouseDrag(board, 710, 15);
    EXPECT_EQ(button.state, zmButton::Pressed);
    EXPECT_EQ(board.mPlayed, std::vector<GameSound>{GameSound::ButtonOver});
    EXPECT_EQ(button.MouseUp(board, 0, 0), 1);
    EXPECT_EQ(board.mClicked, std::vector<int32_t>{7});

    // A press, a leave, then a release fires nothing.
    button.MouseDown(board, 710, 15);
    button.MouseLeave(board);
    EXPECT_EQ(board.mCursor, 0);
    EXPECT_EQ(button.MouseUp(board, 710, 15), 1);
    EXPECT_EQ(board.mClicked.size(), 1u);
}

TEST(CInterfaceObjectTest, LevelLabelAndCountedTexts) {
    EXPECT_EQ(CInterfaceObject::LevelLabel(1), "# 1-1");
    EXPECT_EQ(CInterfaceObject::LevelLabel(5), "# 1-5");
    EXPECT_EQ(CInterfaceObject::LevelLabel(6), "# 2-1");
    EXPECT_EQ(CInterfaceObject::LevelLabel(7), "# 2-2");
    const std::string base = "X";
    for (int32_t count : {1, 21, 101, 111, 121}) {
        EXPECT_EQ(CInterfaceObject::CountedTextId(base, count), "X") << count;
    }
    for (int32_t count : {2, 3, 4, 22, 112}) {
        EXPECT_EQ(CInterfaceObject::CountedTextId(base, count), "XS") << count;
    }
    for (int32_t count : {5, 11, 12, 13, 14, 20, 0}) {
        EXPECT_EQ(CInterfaceObject::CountedTextId(base, count), "XS 2") << count;
    }
}

TEST(CInterfaceObjectTest, AnnouncesKnockdownsOnlyUpToTheWhirlwindProgress) {
    fake::Board board;
    CLucheg guide(board);
    board.SetGuide(&guide);
    CInterfaceObject panel(board);
    board.mCounters.knockdownCounter = 3;
    board.mCounters.whirlwindProgress = 2;
    // Above the progress: the progress is announced instead.
    panel.Update(board);
    EXPECT_EQ(guide.line, "LUCHEG MESSAGE WHIRLWINDS");
    EXPECT_EQ(guide.state, CLucheg::Rising);
    EXPECT_EQ(panel.lastKnockdown, 0);
    EXPECT_EQ(panel.lastWhirlwind, 2);

    // A guide already moving drops the text, but the count is taken as announced.
    board.mCounters.knockdownCounter = 2;
    panel.Update(board);
    EXPECT_EQ(panel.lastKnockdown, 2);
    EXPECT_EQ(guide.line, "LUCHEG MESSAGE WHIRLWINDS");

    guide.state = CLucheg::Hidden;
    board.mCounters.whirlwindProgress = 11;
    panel.Update(board);
    EXPECT_EQ(guide.line, "LUCHEG MESSAGE WHIRLWINDS 2");
}

}  // namespace
