#include "widgets/Widget.h"

#include "WidgetTestSupport.h"
#include "graphics/MemoryImage.h"

namespace widgettest {
namespace {

TEST_F(WidgetTest, ColorsGrowWithOpaqueBlackAndFallBackPastTheList) {
    RecordingWidget* w = Make("w", 0, 0, 10, 10);
    EXPECT_EQ(w->GetColor(3).ToInt(), 0xFF000000u);
    w->SetColor(5, Vesk::Color(1, 2, 3));
    ASSERT_EQ(w->mColors.size(), 6u);
    EXPECT_EQ(w->mColors[4].ToInt(), 0xFF000000u);
    EXPECT_EQ(w->GetColor(5).ToInt(), 0xFF010203u);
    EXPECT_EQ(w->GetColorOr(9, Vesk::Color(9, 9, 9)).ToInt(), 0xFF090909u);
}

TEST_F(WidgetTest, CentredLinesAndNumbersFromAStrip) {
    RecordingWidget* w = Make("w", 0, 0, 100, 40);
    FakeFont font;
    Vesk::Graphics g(&mScreen);
    g.SetFont(&font);
    EXPECT_EQ(w->WriteCenteredLine(&g, 20, "abcd"), Vesk::Rect(38, 12, 24, 10));
    const Vesk::Rect shadow = w->WriteCenteredLineShadow(&g, 20, "ab", Vesk::Color(1, 1, 1),
                                                         Vesk::Color(2, 2, 2), Vesk::Point{-1, 2});
    EXPECT_EQ(shadow, Vesk::Rect(43, 12, 13, 12));
    EXPECT_EQ(font.mDrawn, (std::vector<std::string>{"abcd 38 20 FF000000", "ab 43 22 FF020202",
                                                     "ab 44 20 FF010101"}));

    // Ten 4-pixel cells, digit d in blue 20 (d + 1); a negative number draws its digits only.
    std::vector<uint32_t> digits(40 * 2);
    for (int i = 0; i < 80; ++i) {
        digits[static_cast<size_t>(i)] =
            0xFF000000u | static_cast<uint32_t>(((i % 40) / 4 + 1) * 20);
    }
    Vesk::MemoryImage strip;
    strip.SetBits(digits.data(), 40, 2, true);
    w->WriteNumberFromStrip(&g, -907, 10, 100, &strip, 1);
    // The blit may round a component down by one.
    auto digitAt = [&](int x, int y) { return static_cast<int>((Pixel(x, y) + 10) / 20) - 1; };
    EXPECT_EQ(digitAt(10, 100), 9);
    EXPECT_EQ(digitAt(15, 100), 0);
    EXPECT_EQ(digitAt(20, 101), 7);
    EXPECT_EQ(digitAt(14, 100), -1);  // the spacing
    EXPECT_EQ(digitAt(24, 100), -1);
    EXPECT_EQ(w->GetNumDigits(0), 1);
    EXPECT_EQ(w->GetNumDigits(10), 2);
}

}  // namespace
}  // namespace widgettest
