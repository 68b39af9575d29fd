#include "widgets/ScrollbarWidget.h"

#include "WidgetTestSupport.h"
#include "widgets/ButtonListener.h"
#include "widgets/ButtonWidget.h"
#include "widgets/ScrollListener.h"
#include "widgets/ScrollbuttonWidget.h"

#include <type_traits>

namespace widgettest {
namespace {

class Positions : public Vesk::ScrollListener {
public:
    void ScrollPosition(int id, double position) override {
        (void)id;
        mHeard.push_back(position);
    }
    std::vector<double> mHeard;
};

// A vertical bar 20 wide and 240 high: 20-pixel arrows, a 200-pixel track.
struct Bar {
    explicit Bar(double maxValue, double pageSize) : mBar(&mPositions) {
        mBar.ResizeScrollbar(0, 0, 20, 240);
        mBar.SetMaxValue(maxValue);
        mBar.SetPageSize(pageSize);
        mPositions.mHeard.clear();
    }
    Positions mPositions;
    Vesk::ScrollbarWidget mBar;
};

TEST(ScrollbarWidgetTest, GeometryRoundsAndKeepsTheThumbInTheTrack) {
    struct Case {
        double max, page, value;
        int thumbSize, thumbPos;
    };
    const Case cases[] = {
        {100, 100, 0, 0, 20},     // nothing to scroll
        {100, 25, 0, 50, 20},     // 200 x 25 / 100
        {100, 25, 75, 50, 170},   // at the end
        {300, 100, 100, 67, 87},  // 66.67 rounds up; 20 + 133 x 0.5 + 0.5
        {10000, 1, 0, 8, 20},     // the smallest thumb
        {10000, 1, 9999, 8, 212},
    };
    for (const Case& c : cases) {
        Bar b(c.max, c.page);
        b.mBar.SetValue(c.value);
        EXPECT_EQ(b.mBar.GetTrackSize(), 200);
        EXPECT_EQ(b.mBar.GetThumbSize(), c.thumbSize) << c.max << " " << c.page;
        EXPECT_EQ(b.mBar.GetThumbPosition(), c.thumbPos) << c.max << " " << c.page;
    }
}

TEST(ScrollbarWidgetTest, NoScrollDisablesAndHidesAndValuesClamp) {
    Bar b(10, 20);
    EXPECT_TRUE(b.mBar.mDisabled);
    EXPECT_TRUE(b.mBar.mUpButton->mDisabled);
    b.mBar.SetInvisIfNoScroll(true);
    b.mBar.SetMaxValue(15);
    EXPECT_FALSE(b.mBar.mVisible);
    EXPECT_FALSE(b.mBar.mDownButton->mVisible);
    b.mBar.SetMaxValue(50);
    EXPECT_TRUE(b.mBar.mVisible);
    EXPECT_FALSE(b.mBar.mDisabled);

    b.mPositions.mHeard.clear();
    b.mBar.SetValue(99);
    EXPECT_EQ(b.mBar.mValue, 30.0);
    EXPECT_EQ(b.mPositions.mHeard.back(), 30.0);
    EXPECT_TRUE(b.mBar.AtBottom());
    b.mBar.SetValue(-4);
    EXPECT_EQ(b.mBar.mValue, 0.0);
    b.mBar.GoToBottom();
    EXPECT_EQ(b.mBar.mValue, 30.0);
}

TEST(ScrollbarWidgetTest, AThumbThatFillsTheTrackNeverMoves) {
    // A thumb as long as the track leaves nothing to divide by.
    Bar b(1.0, 0.99);
    ASSERT_EQ(b.mBar.GetThumbSize(), b.mBar.GetTrackSize() - 2);
    b.mBar.ResizeScrollbar(0, 0, 20, 48);  // track 8, thumb at its minimum 8
    EXPECT_EQ(b.mBar.GetThumbSize(), 8);
    b.mBar.SetThumbPosition(30);
    EXPECT_EQ(b.mBar.mValue, 0.0);
    b.mBar.ResizeScrollbar(0, 0, 20, 44);  // track 4: the thumb overfills it
    b.mBar.SetValue(0.01);
    EXPECT_EQ(b.mBar.GetThumbPosition(), 20);
}

TEST(ScrollbarWidgetTest, HoldingTheTrackPagesAfter25UpdatesThenEvery5) {
    Bar b(1000, 10);
    b.mBar.MouseDownButton(10, 230, 0, 1);  // after the thumb, near the end of the track
    EXPECT_EQ(b.mBar.mValue, 10.0);
    std::vector<int> pagedAt;
    for (int update = 1; update <= 40; ++update) {
        const double before = b.mBar.mValue;
        b.mBar.Update();
        if (b.mBar.mValue != before) {
            pagedAt.push_back(update);
        }
    }
    EXPECT_EQ(pagedAt, (std::vector<int>{25, 30, 35, 40}));
    EXPECT_EQ(b.mBar.mUpdateMode, 2);
    b.mBar.MouseUpButton(10, 230, 0, 1);
    b.mBar.Update();
    EXPECT_EQ(b.mBar.mValue, 50.0);

    // Paging stops once the thumb reaches the pointer.
    Bar near(100, 50);
    near.mBar.MouseDownButton(10, 130, 0, 1);  // just after the 100-pixel thumb
    EXPECT_EQ(near.mBar.mValue, 50.0);
    near.mBar.Update();
    EXPECT_EQ(near.mBar.mUpdateMode, 0);
}

TEST(ScrollbarWidgetTest, ArrowsStepAndRepeatAfter25Ticks) {
    Bar b(100, 10);
    b.mBar.ButtonPress(1);
    b.mBar.ButtonPress(1);
    b.mBar.ButtonPress(0);
    EXPECT_EQ(b.mBar.mValue, 1.0);
    for (int tick = 0; tick < 24; ++tick) {
        b.mBar.ButtonDownTick(1);
    }
    EXPECT_EQ(b.mBar.mValue, 1.0);
    b.mBar.ButtonDownTick(1);
    b.mBar.ButtonDownTick(1);
    b.mBar.ButtonDownTick(1);
    EXPECT_EQ(b.mBar.mValue, 4.0);
    b.mBar.ButtonDownTick(0);
    EXPECT_EQ(b.mBar.mValue, 3.0);
}

TEST(ScrollbarWidgetTest, DraggingTheThumbFollowsThePointer) {
    Bar b(300, 100);  // thumb 67 at 20, 133 pixels of room
    b.mBar.MouseDownButton(10, 40, 0, 1);
    ASSERT_TRUE(b.mBar.mPressedOnThumb);
    b.mBar.MouseDrag(10, 40 + 133);
    EXPECT_DOUBLE_EQ(b.mBar.mValue, 200.0);
    b.mBar.MouseDrag(10, 40 + 1000);
    EXPECT_DOUBLE_EQ(b.mBar.mValue, 200.0);
    b.mBar.MouseDrag(10, 40 + 133 / 2);
    EXPECT_NEAR(b.mBar.mValue, 99.2, 0.1);
    b.mBar.MouseUpButton(10, 0, 0, 1);
    EXPECT_FALSE(b.mBar.mPressedOnThumb);
}

// The arrows are push buttons: the listener hears the pointer come and go as well as the press,
// the held ticks and the release.
TEST_F(WidgetTest, ScrollButtonIsAPushButton) {
    static_assert(std::is_base_of_v<Vesk::ButtonWidget, Vesk::ScrollbuttonWidget>);
    struct Heard : Vesk::ButtonListener {
        void ButtonPressCount(int id, int clicks) override {
            log.push_back(Vesk::StrFormat("press %d %d", id, clicks));
        }
        void ButtonDepress(int id) override { log.push_back(Vesk::StrFormat("up %d", id)); }
        void ButtonDownTick(int id) override { log.push_back(Vesk::StrFormat("tick %d", id)); }
        void ButtonMouseEnter(int id) override { log.push_back(Vesk::StrFormat("enter %d", id)); }
        void ButtonMouseLeave(int id) override { log.push_back(Vesk::StrFormat("leave %d", id)); }
        Log log;
    } heard;
    Vesk::ScrollbuttonWidget arrow(1, &heard);
    arrow.Resize(10, 10, 16, 16);
    mManager.AddWidget(&arrow);
    mManager.MouseMove(15, 15);
    mManager.MouseDown(15, 15, 1);
    mManager.UpdateFrame();
    mManager.MouseUp(15, 15, 1);
    mManager.MouseMove(100, 100);
    EXPECT_EQ(heard.log, (Log{"enter 1", "press 1 1", "tick 1", "up 1", "leave 1"}));
    mManager.RemoveWidget(&arrow);
}

TEST_F(WidgetTest, ScrollButtonDrawsItsArrow) {
    Vesk::ScrollbarWidget bar(nullptr);
    bar.ResizeScrollbar(0, 0, 16, 100);
    bar.SetMaxValue(10);
    mManager.AddWidget(&bar);
    Vesk::Graphics g(&mScreen);
    bar.mUpButton->Draw(&g);
    EXPECT_EQ(Pixel(8, 6), 0u);          // tip of the up arrow
    EXPECT_EQ(Pixel(5, 9), 0u);          // its 7-pixel base
    EXPECT_EQ(Pixel(8, 10), 0xD4D4D4u);  // below the base
    EXPECT_EQ(Pixel(15, 15), 0u);        // black edge
    mManager.RemoveWidget(&bar);
}

}  // namespace
}  // namespace widgettest
