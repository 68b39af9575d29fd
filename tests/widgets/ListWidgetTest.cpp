#include "widgets/ListWidget.h"

#include "WidgetTestSupport.h"
#include "widgets/ListListener.h"
#include "widgets/ScrollbarWidget.h"

namespace widgettest {
namespace {

class Events : public Vesk::ListListener {
public:
    void ListClicked(int id, int line, int count) override {
        mLog.push_back(Vesk::StrFormat("click %d %d %d", id, line, count));
    }
    void ListHiliteChanged(int id, int oldIndex, int newIndex) override {
        mLog.push_back(Vesk::StrFormat("hilite %d %d %d", id, oldIndex, newIndex));
    }
    Log mLog;
};

std::vector<std::string> Lines(Vesk::ListWidget& list) {
    return list.mLines;
}

// Three chained columns over one scroll bar; rows are 10 pixels (the fake font's height).
class ListWidgetTest : public WidgetTest {
protected:
    ListWidgetTest() {
        mLeft.mNextColumn = &mMiddle;
        mMiddle.mPrevColumn = &mLeft;
        mMiddle.mNextColumn = &mRight;
        mRight.mPrevColumn = &mMiddle;
        mLeft.mScrollbar = &mBar;
        mBar.mScrollListener = &mLeft;
        mBar.ResizeScrollbar(0, 0, 16, 100);
        mLeft.Resize(0, 0, 100, 58);  // 5 visible lines
    }

    FakeFont mFont;
    Events mEvents;
    Vesk::ListWidget mLeft{1, &mFont, &mEvents};
    Vesk::ListWidget mMiddle{2, &mFont, &mEvents};
    Vesk::ListWidget mRight{3, &mFont, &mEvents};
    Vesk::ScrollbarWidget mBar{nullptr};
};

TEST_F(ListWidgetTest, ChainedColumnsAddRemoveAndColourTogether) {
    mLeft.AddLine("a", true);
    mLeft.AddLine("c", true);
    mMiddle.SetLine(1, "c2");
    EXPECT_EQ(mLeft.AddLine("b", true), 1);
    EXPECT_EQ(Lines(mLeft), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Lines(mMiddle), (std::vector<std::string>{"-", "-", "c2"}));
    EXPECT_EQ(Lines(mRight), (std::vector<std::string>{"-", "-", "-"}));
    EXPECT_EQ(mRight.AddLine("z", false), 3);
    EXPECT_EQ(mLeft.GetLine(3), "-");
    EXPECT_EQ(mBar.mMaxValue, 4.0);

    mMiddle.SetColor("c2", Vesk::Color(9, 9, 9));
    EXPECT_EQ(mRight.mLineColors[2].ToInt(), 0xFF090909u);
    // Missing texts and indexes outside the list change nothing.
    mLeft.SetColor("missing", Vesk::Color(1, 1, 1));
    mLeft.SetLine(-1, "x");
    mLeft.SetLine(4, "x");
    EXPECT_EQ(mLeft.GetLine(99), "");
    mLeft.RemoveLine(-1);
    mLeft.RemoveLine(4);
    EXPECT_EQ(mLeft.GetLineCount(), 4);

    mMiddle.RemoveLine(0);
    EXPECT_EQ(Lines(mLeft), (std::vector<std::string>{"b", "c", "-"}));
    EXPECT_EQ(mRight.mLineColors.size(), 3u);
    EXPECT_EQ(mBar.mMaxValue, 3.0);
    mRight.SetSelect(2);
    EXPECT_EQ(mLeft.mSelectIdx, 2);
    mLeft.RemoveAll();
    EXPECT_EQ(mRight.GetLineCount(), 0);
    EXPECT_EQ(mMiddle.mSelectIdx, -1);
}

TEST_F(ListWidgetTest, SortsByPaddedKeysCombinedWithTheNextColumn) {
    // Left: a name; middle: a score padded to 3 places, so "9" sorts before "10".
    mMiddle.mKeyWidth = 3;
    const char* rows[][2] = {{"b", "10"}, {"a", "9"}, {"b", "9"}};
    for (int i = 0; i < 3; ++i) {
        mLeft.AddLine(rows[i][0], false);
        mMiddle.SetLine(i, rows[i][1]);
    }
    EXPECT_EQ(mLeft.GetSortKey(0), "b010-");
    mLeft.Sort(false);
    EXPECT_EQ(Lines(mLeft), (std::vector<std::string>{"a", "b", "b"}));
    EXPECT_EQ(Lines(mMiddle), (std::vector<std::string>{"9", "9", "10"}));

    // With the flag the score comes first.
    mLeft.mKeyCombine = true;
    mLeft.Sort(true);
    EXPECT_EQ(Lines(mLeft), (std::vector<std::string>{"b", "b", "a"}));
    EXPECT_EQ(Lines(mMiddle), (std::vector<std::string>{"10", "9", "9"}));
}

TEST_F(ListWidgetTest, PointerHighlightsInEveryColumnAndClicks) {
    mManager.AddWidget(&mLeft);
    for (const char* text : {"a", "b", "c"}) {
        mLeft.AddLine(text, false);
    }
    struct Case {
        int y, line;
    };
    for (const Case c : {Case{4, 0}, Case{25, 2}, Case{2, -1}, Case{34, -1}, Case{14, 1}}) {
        mLeft.MouseMove(5, c.y);
        EXPECT_EQ(mLeft.mHiliteIdx, c.line) << c.y;
        EXPECT_EQ(mRight.mHiliteIdx, c.line) << c.y;
    }
    EXPECT_EQ(mHost.mCursors.back(), Vesk::WidgetHost::kCursorHand);
    EXPECT_EQ(mEvents.mLog.front(), "hilite 1 -1 0");
    mLeft.MouseDownButton(5, 14, 0, 2);
    EXPECT_EQ(mEvents.mLog.back(), "click 1 1 2");
    mLeft.MouseLeave();
    EXPECT_EQ(mMiddle.mHiliteIdx, -1);
    mManager.RemoveWidget(&mLeft);
}

TEST_F(ListWidgetTest, WheelScrollsFiveLinesAndTheChainFollows) {
    for (int i = 0; i < 20; ++i) {
        mLeft.AddLine(Vesk::StrFormat("%02d", i), false);
    }
    EXPECT_EQ(mBar.mPageSize, 5.0);
    mLeft.MouseWheel(-1);
    EXPECT_EQ(mBar.mValue, 5.0);
    EXPECT_EQ(mRight.mPosition, 5.0);
    mLeft.MouseWheel(2);
    EXPECT_EQ(mBar.mValue, 0.0);
    mLeft.MouseMove(5, 4);
    EXPECT_EQ(mLeft.mHiliteIdx, 0);
    mBar.SetValue(3);
    mLeft.MouseMove(5, 4);
    EXPECT_EQ(mLeft.mHiliteIdx, 3);
}

TEST_F(WidgetTest, ListDrawsVisibleRowsInTheirColours) {
    FakeFont font;
    Vesk::ListWidget list(1, &font, nullptr);
    list.Resize(0, 0, 60, 38);  // 3 rows
    for (const char* text : {"a", "b", "c", "d", "e"}) {
        list.AddLine(text, false);
    }
    list.mPosition = 1.5;
    list.SetSelect(2);
    list.mJustify = Vesk::ListWidget::JUSTIFY_RIGHT;
    Vesk::Graphics g(&mScreen);
    list.Draw(&g);
    auto& drawn = dynamic_cast<FakeFont&>(*list.mFont).mDrawn;
    EXPECT_EQ(drawn, (std::vector<std::string>{"b 50 7 FF000000", "c 50 17 FFFFFFFF",
                                               "d 50 27 FF000000", "e 50 37 FF000000"}));
    EXPECT_EQ(Pixel(30, 12), 0x000080u);  // selection bar
    EXPECT_EQ(Pixel(0, 20), 0xFFFFFFu);   // outline

    // Without a font there are no rows, nothing to divide by.
    Vesk::ListWidget bare(1, nullptr, nullptr);
    bare.Resize(0, 0, 60, 38);
    bare.AddLine("x", false);
    bare.MouseMove(5, 10);
    EXPECT_EQ(bare.mHiliteIdx, -1);
    EXPECT_EQ(bare.mPageSize, 1.0);
    bare.Draw(&g);
}

}  // namespace
}  // namespace widgettest
