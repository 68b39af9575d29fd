#include "WidgetTestSupport.h"
#include "graphics/MemoryImage.h"
#include "widgets/zmListWidget.h"
#include "widgets/zmScrollbarWidget.h"
#include "widgets/zmScrollbuttonWidget.h"

namespace widgettest {
namespace {

struct Picture {
    Picture(int width, int height, uint32_t colour)
        : mBits(static_cast<size_t>(width * height), colour) {
        mImage.SetBits(mBits.data(), width, height, true);
    }
    std::vector<uint32_t> mBits;
    Vesk::MemoryImage mImage;
};

// A vertical bar 16 x 200 with 16 x 20 arrows: a 160-pixel track.
class zmScrollbarTest : public WidgetTest {
protected:
    zmScrollbarTest() {
        mBar.mUpArrow->mButtonImage = &mArrow.mImage;
        mBar.mDownArrow->mButtonImage = &mArrow.mImage;
        mBar.mThumbImage = &mThumb.mImage;
        mBar.ResizeScrollbar(0, 0, 16, 200);
    }
    Picture mArrow{16, 20, 0xFF0000FFu};
    Picture mThumb{16, 30, 0xFF00FF00u};
    Vesk::zmScrollbarWidget mBar{nullptr};
};

TEST_F(zmScrollbarTest, ArrowsTakeTheirImageSizeAndReplaceTheStockOnes) {
    EXPECT_EQ(mBar.mWidgets.size(), 2u);
    EXPECT_FALSE(mBar.HasWidget(mBar.mUpButton.get()));
    EXPECT_EQ(mBar.mDownArrow->GetRect(), Vesk::Rect(0, 180, 16, 20));
    EXPECT_EQ(mBar.GetTrackSize(), 160);
    EXPECT_TRUE(mBar.mUpArrow->mDisabled);
    mBar.SetMaxValue(100);
    mBar.SetPageSize(10);
    EXPECT_FALSE(mBar.mDownArrow->mDisabled);
    mBar.SetInvisIfNoScroll(true);
    mBar.SetPageSize(100);
    EXPECT_FALSE(mBar.mUpArrow->mVisible);
}

TEST_F(zmScrollbarTest, ProportionalAndFixedThumbs) {
    struct Case {
        bool fixed;
        int barHeight;
        double value;
        int size, position;
    };
    const Case cases[] = {
        {false, 200, 0, 40, 20},    // 160 x 25 / 100
        {false, 200, 75, 40, 140},  // 20 + 120
        {true, 200, 75, 30, 150},   // the image's 30 pixels, 20 + 130
        {true, 60, 75, 30, 20},     // a 20-pixel track: the thumb stays put
    };
    for (const Case& c : cases) {
        Vesk::zmScrollbarWidget bar(nullptr);
        bar.mUpArrow->mButtonImage = &mArrow.mImage;
        bar.mDownArrow->mButtonImage = &mArrow.mImage;
        bar.mThumbImage = &mThumb.mImage;
        if (c.fixed) {
            bar.SetFixedThumb();
        }
        bar.ResizeScrollbar(0, 0, 16, c.barHeight);
        bar.SetMaxValue(100);
        bar.SetPageSize(25);
        bar.SetValue(c.value);
        EXPECT_EQ(bar.GetThumbSize(), c.size) << c.fixed << " " << c.barHeight;
        EXPECT_EQ(bar.GetThumbPosition(), c.position) << c.fixed << " " << c.barHeight;
        bar.SetThumbPosition(100);
        if (c.barHeight == 60) {
            EXPECT_EQ(bar.mValue, 75.0);
        }
    }
}

TEST_F(zmScrollbarTest, DrawsImagesOrThePlainLook) {
    mBar.SetMaxValue(100);
    mBar.SetPageSize(25);
    mManager.AddWidget(&mBar);
    Vesk::Graphics g(&mScreen);
    mBar.Draw(&g);
    // No track image: the plain track, with the thumb still drawn from its image.
    EXPECT_EQ(Pixel(8, 100), 0xE8E8E8u);
    EXPECT_EQ(Pixel(8, 30), 0x00FF00u);
    Picture track(16, 4, 0xFFFF0000u);
    mBar.mTrackImage = &track.mImage;
    mBar.Draw(&g);
    EXPECT_EQ(Pixel(8, 100), 0xFF0000u);  // track
    mBar.mDownArrow->Draw(&g);
    EXPECT_EQ(Pixel(8, 10), 0x0000FFu);
    mManager.RemoveWidget(&mBar);
}

TEST_F(WidgetTest, SkinnedListDrawsRowImageAndItemImage) {
    FakeFont font;
    Picture select(4, 4, 0xFFFF0000u);
    Picture item(10, 6, 0xFF00FF00u);
    Vesk::zmListWidget::SetDefaults(&font, &select.mImage, &item.mImage);
    Vesk::zmListWidget list(1, nullptr);
    list.SetHiliteImage();
    list.SetItemImage();
    Vesk::zmListWidget::SetDefaults(nullptr, nullptr, nullptr);
    list.Resize(0, 0, 60, 28);  // 2 rows
    for (const char* text : {"a", "b", "c", "d"}) {
        list.AddLine(text, false);
    }
    list.SetSelect(1);
    Vesk::Graphics g(&mScreen);
    list.Draw(&g);
    auto& drawn = dynamic_cast<FakeFont&>(*list.mFont).mDrawn;
    EXPECT_EQ(drawn, (std::vector<std::string>{"a 14 12 FF000000", "b 14 22 FFFFFFFF",
                                               "c 14 32 FF000000"}));
    EXPECT_EQ(Pixel(40, 16), 0xFF0000u);  // row image stretched under the selection
    // Item image centred in row 0; the blit may round green down by one.
    EXPECT_EQ(Pixel(6, 7) & 0xFF00FFu, 0u);
    EXPECT_GE(Pixel(6, 7) >> 8, 0xFEu);

    Vesk::zmListWidget bare(1, nullptr);
    EXPECT_EQ(bare.mFont, nullptr);
    bare.AddLine("x", false);
    bare.Draw(&g);
}

}  // namespace
}  // namespace widgettest
