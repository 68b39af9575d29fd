#include "widgets/Slider.h"

#include "WidgetTestSupport.h"
#include "graphics/MemoryImage.h"
#include "widgets/SliderListener.h"

namespace widgettest {
namespace {

class Values : public Vesk::SliderListener {
public:
    void SliderVal(int id, double value) override {
        (void)id;
        mHeard.push_back(value);
    }
    std::vector<double> mHeard;
};

class SliderTest : public WidgetTest {
protected:
    SliderTest() {
        std::vector<uint32_t> bits(20 * 10, 0xFFFFFFFFu);
        mThumb.SetBits(bits.data(), 20, 10, true);
        mSlider.mThumbImage = &mThumb;
        mSlider.Resize(0, 0, 120, 20);  // 100 pixels of travel
        mManager.AddWidget(&mSlider);
    }
    ~SliderTest() override { mManager.RemoveWidget(&mSlider); }

    Vesk::MemoryImage mThumb;
    Values mValues;
    Vesk::Slider mSlider{3, &mValues};
};

TEST_F(SliderTest, DragReportsEveryChangeAndStopsAtTheEnds) {
    mSlider.SetValue(0.5);  // thumb at 50
    EXPECT_TRUE(mValues.mHeard.empty());
    mSlider.MouseDown(55, 5, 1);
    ASSERT_TRUE(mSlider.mDragging);
    EXPECT_EQ(mHost.mCursors.back(), Vesk::Slider::kCursorDrag);
    mSlider.MouseDrag(80, 5);
    mSlider.MouseDrag(80, 9);  // no change, no report
    mSlider.MouseDrag(500, 5);
    mSlider.MouseDrag(-500, 5);
    EXPECT_EQ(mValues.mHeard, (std::vector<double>{0.75, 1.0, 0.0}));
    mSlider.MouseUpAt(0, 5);
    EXPECT_FALSE(mSlider.mDragging);
    EXPECT_EQ(mValues.mHeard.back(), 0.0);
    EXPECT_EQ(mHost.mCursors.back(), 0);
}

TEST_F(SliderTest, ClickOnTheTrackJumpsAndReportsOnRelease) {
    mSlider.MouseDown(90, 5, 1);
    EXPECT_FALSE(mSlider.mDragging);
    EXPECT_DOUBLE_EQ(mSlider.mValue, 0.75);
    EXPECT_TRUE(mValues.mHeard.empty());
    mSlider.MouseUpAt(90, 5);
    EXPECT_EQ(mValues.mHeard, (std::vector<double>{0.75}));
    mSlider.SetValue(7.0);
    EXPECT_EQ(mSlider.mValue, 1.0);
}

TEST_F(SliderTest, NoRoomToDragAndNoWidthChangeNothing) {
    mSlider.Resize(0, 0, 20, 20);  // the thumb fills the slider
    mSlider.MouseDown(5, 5, 1);
    mSlider.MouseDrag(15, 5);
    EXPECT_EQ(mSlider.mValue, 0.0);
    mSlider.Resize(0, 0, 0, 20);
    mSlider.MouseDown(5, 5, 1);
    EXPECT_EQ(mSlider.mValue, 0.0);
    // A track image too narrow for three cells draws its caps only, without looping forever.
    Vesk::MemoryImage track;
    std::vector<uint32_t> bits(2 * 4, 0xFF00FF00u);
    track.SetBits(bits.data(), 2, 4, true);
    mSlider.mTrackImage = &track;
    mSlider.Resize(0, 0, 120, 20);
    Vesk::Graphics g(&mScreen);
    mSlider.Draw(&g);
}

}  // namespace
}  // namespace widgettest
