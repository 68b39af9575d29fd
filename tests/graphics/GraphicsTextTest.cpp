#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace Vesk {
namespace {

// A font of boxes: every glyph but the space is a solid box one pixel
// narrower than its advance, from 5 rows above the baseline to the
// baseline's row above. Advances are 4, 'W' 6, and "AV" kerns by -1.
// Line spacing 9, ascent 6 with padding 1, descent 2.
class BoxFont : public Font {
public:
    struct Drawn {
        std::string text;
        int32_t x;
        int32_t y;
        Color color;
        Image* dest;
    };
    std::vector<Drawn> drawn;

    BoxFont() {
        mAscent = 6;
        mAscentPadding = 1;
        mHeight = 8;
        mLineSpacingOffset = 1;
    }

    static int32_t Advance(char c) { return c == 'W' ? 6 : 4; }

    int32_t CharWidth(char c) override { return Advance(c); }
    int32_t CharWidthKern(char c, char previous) override {
        return Advance(c) - (previous == 'A' && c == 'V' ? 1 : 0);
    }
    int32_t StringWidth(const std::string& text) override {
        int32_t width = 0;
        char previous = 0;
        for (char c : text) {
            width += CharWidthKern(c, previous);
            previous = c;
        }
        return width;
    }
    void DrawString(Graphics& g, int32_t x, int32_t y, const std::string& text, const Color& color,
                    const Rect&) override {
        drawn.push_back({text, x, y, color, g.mDestImage});
        const Color saved = g.GetColor();
        g.SetColor(color);
        char previous = 0;
        for (char c : text) {
            const int32_t advance = CharWidthKern(c, previous);
            if (c != ' ') {
                g.FillRect(x, y - 5, advance - 1, 5);
            }
            x += advance;
            previous = c;
        }
        g.SetColor(saved);
    }
    std::unique_ptr<Font> Duplicate() const override { return std::make_unique<BoxFont>(*this); }
};

class GraphicsText : public ::testing::Test {
protected:
    std::unique_ptr<MemoryImage> image = MakeImage(40, 40);
    Graphics g{image.get()};
    BoxFont font;

    void SetUp() override {
        g.SetFont(&font);
        g.SetColor(Color(10, 20, 30, 200));
    }

    static std::unique_ptr<MemoryImage> MakeImage(int32_t width, int32_t height) {
        auto made = std::make_unique<MemoryImage>(nullptr);
        std::vector<uint32_t> bits(static_cast<size_t>(width) * static_cast<size_t>(height),
                                   0xFF000000u);
        made->SetBits(bits.data(), width, height, true);
        return made;
    }

    std::vector<std::string> DrawnTexts() const {
        std::vector<std::string> texts;
        for (const auto& d : font.drawn) {
            texts.push_back(d.text);
        }
        return texts;
    }
};

using Texts = std::vector<std::string>;

// --- one line ------------------------------------------------------------------

TEST_F(GraphicsText, DoubleCaretIsOneLiteralCaret) {
    EXPECT_EQ(g.WriteString("a^^b", 0, 10), 12);
    EXPECT_EQ(DrawnTexts(), Texts{"a^b"});
}

TEST_F(GraphicsText, ColourTagSwitchesColourKeepingAlphaAndLeavesIt) {
    EXPECT_EQ(g.WriteString("red^FF0000^blue", 3, 10), 28);
    ASSERT_EQ(font.drawn.size(), 2u);
    EXPECT_EQ(font.drawn[0].text, "red");
    EXPECT_EQ(font.drawn[0].x, 3);
    EXPECT_EQ(font.drawn[0].color, Color(10, 20, 30, 200));
    EXPECT_EQ(font.drawn[1].text, "blue");
    EXPECT_EQ(font.drawn[1].x, 15);
    EXPECT_EQ(font.drawn[1].color, Color(255, 0, 0, 200));
    EXPECT_EQ(g.GetColor(), Color(255, 0, 0, 200));
}

TEST_F(GraphicsText, TagDigitsLowerCaseAndNonHexAndBadOTag) {
    g.WriteString("^ff8000^a^zz1G00^b^otherx^c", 0, 10);
    ASSERT_EQ(font.drawn.size(), 4u);  // the empty run before the first tag too
    EXPECT_EQ(font.drawn[1].color, Color(255, 128, 0, 200));
    EXPECT_EQ(font.drawn[2].color, Color(0, 16, 0, 200));
    EXPECT_EQ(font.drawn[3].color, Color(0, 0, 0, 200));
}

TEST_F(GraphicsText, OldColourReturnsToTheStartingColour) {
    g.WriteString("a^00FF00^b^oldclr^c", 0, 10);
    ASSERT_EQ(font.drawn.size(), 3u);
    EXPECT_EQ(font.drawn[1].color, Color(0, 255, 0, 200));
    EXPECT_EQ(font.drawn[2].color, Color(10, 20, 30, 200));

    font.drawn.clear();
    g.SetColor(Color(1, 1, 1, 200));
    g.WriteString("x^oldclr^y", 0, 10, -1, -1, true, 0, -1, 0x00808080);
    EXPECT_EQ(font.drawn[1].color, Color(128, 128, 128, 200));
}

TEST_F(GraphicsText, CaretAmongTheLastSevenDropsTheRest) {
    EXPECT_EQ(g.WriteString("abc^12", 0, 10), 12);
    EXPECT_EQ(DrawnTexts(), Texts{"abc"});
}

TEST_F(GraphicsText, TagsAreTextWhenColouredStringsAreOff) {
    g.mWriteColoredString = false;
    EXPECT_EQ(g.WriteString("a^FF0000^b", 0, 10), 40);
    EXPECT_EQ(DrawnTexts(), Texts{"a^FF0000^b"});
    EXPECT_EQ(g.GetColor(), Color(10, 20, 30, 200));
}

TEST_F(GraphicsText, JustificationWithinTheWidth) {
    const std::string text = "0123456789";  // 40 wide
    g.WriteString(text, 5, 10, 100, 0);
    g.WriteString(text, 5, 10, 100, 1);
    g.WriteString(text, 5, 10, 100, -1);
    g.WriteString(text, 5, 10, 101, 0);
    ASSERT_EQ(font.drawn.size(), 4u);
    EXPECT_EQ(font.drawn[0].x, 35);
    EXPECT_EQ(font.drawn[1].x, 65);
    EXPECT_EQ(font.drawn[2].x, 5);
    EXPECT_EQ(font.drawn[3].x, 35);
}

TEST_F(GraphicsText, MeasuringDrawsNothingAndKeepsTheColour) {
    EXPECT_EQ(g.WriteString("AV^FF0000^W", 0, 10, -1, 0, false), 13);
    EXPECT_TRUE(font.drawn.empty());
    EXPECT_EQ(g.GetColor(), Color(10, 20, 30, 200));
}

TEST_F(GraphicsText, StartAndLengthSelectASlice) {
    EXPECT_EQ(g.WriteString("hello world", 0, 10, -1, -1, true, 6, 5), 20);
    EXPECT_EQ(g.WriteString("hello world", 0, 10, -1, -1, true, 6, 50), 20);
    EXPECT_EQ(g.WriteString("hello", 0, 10, -1, -1, true, 9, 2), 0);
    EXPECT_EQ((Texts{font.drawn[0].text, font.drawn[1].text}), (Texts{"world", "world"}));
    EXPECT_EQ(g.WriteStringSlice(3, 10, 5, "hello", 0, 10, 0, -1, -1), 8);
    EXPECT_EQ(g.WriteStringSlice(5, 1, 5, "hello", 0, 10, 0, -1, -1), -1);
}

TEST_F(GraphicsText, NoFontMeasuresZeroAndDrawsNothing) {
    g.SetFont(nullptr);
    g.DrawString("abc", 0, 10);
    EXPECT_EQ(g.WriteString("abc", 0, 10), 0);
    EXPECT_EQ(g.WriteWordWrapped(Rect(0, 0, 100, 0), "abc def"), 0);
    EXPECT_EQ(g.GetWordWrappedHeight("abc def", 100), 0);
    EXPECT_EQ(g.WriteWordWrappedFromBaseline("abc", 0, 10, 100), 0);
    EXPECT_TRUE(font.drawn.empty());
}

TEST_F(GraphicsText, GlyphsAreDrawnThroughTheContextsTranslationAndClip) {
    g.SetColor(Color::ColorFromInt(0xFFFF0000));
    g.Translate(2, 1);
    g.ClipRect(0, 0, 6, 40);  // cuts "b" to its first two columns
    g.DrawString("ab", 0, 6);
    for (int32_t y = 0; y < 40; ++y) {
        for (int32_t x = 0; x < 40; ++x) {
            const bool on = y >= 2 && y <= 6 && ((x >= 2 && x <= 4) || (x >= 6 && x <= 7));
            ASSERT_EQ(image->GetBits()[y * 40 + x], on ? 0xFFFF0000u : 0xFF000000u)
                << x << "," << y;
        }
    }
}

// --- wrapped ---------------------------------------------------------------------

TEST_F(GraphicsText, WrapsAtTheSpaceAndReturnsTheHeight) {
    // Width 20 holds "abc d": the break falls at the space.
    EXPECT_EQ(g.WriteWordWrapped(Rect(3, 10, 20, 0), "abc def"), 16);
    ASSERT_EQ(font.drawn.size(), 2u);
    EXPECT_EQ(font.drawn[0].text, "abc");
    EXPECT_EQ(font.drawn[0].x, 3);
    EXPECT_EQ(font.drawn[0].y, 15);
    EXPECT_EQ(font.drawn[1].text, "def");
    EXPECT_EQ(font.drawn[1].y, 24);
}

TEST_F(GraphicsText, WrappedPixels) {
    g.SetColor(Color::ColorFromInt(0xFFFF0000));
    g.Translate(1, 0);
    g.WriteWordWrapped(Rect(0, 0, 12, 0), "ab cd");
    for (int32_t y = 0; y < 40; ++y) {
        for (int32_t x = 0; x < 40; ++x) {
            const bool row = (y >= 0 && y <= 4) || (y >= 9 && y <= 13);
            const bool on = row && ((x >= 1 && x <= 3) || (x >= 5 && x <= 7));
            ASSERT_EQ(image->GetBits()[y * 40 + x], on ? 0xFFFF0000u : 0xFF000000u)
                << x << "," << y;
        }
    }
}

TEST_F(GraphicsText, SpacesAfterABreakGoButThoseAfterALineFeedStay) {
    // The line breaks at the second space; the third is dropped.
    g.WriteWordWrapped(Rect(0, 0, 16, 0), "abc   def");
    EXPECT_EQ(DrawnTexts(), (Texts{"abc ", "def"}));
    font.drawn.clear();
    g.WriteWordWrapped(Rect(0, 0, 100, 0), "abc\n  def");
    EXPECT_EQ(DrawnTexts(), (Texts{"abc", "  def"}));
}

TEST_F(GraphicsText, LongWordIsCutAtTheWidth) {
    EXPECT_EQ(g.WriteWordWrapped(Rect(0, 0, 12, 0), "abcdefghij"), 5 + 3 * 9 + 2);
    EXPECT_EQ(DrawnTexts(), (Texts{"abc", "def", "ghi", "j"}));
    font.drawn.clear();
    g.WriteWordWrapped(Rect(0, 0, 2, 0), "ab");  // narrower than one glyph
    EXPECT_EQ(DrawnTexts(), (Texts{"a", "b"}));
}

TEST_F(GraphicsText, HeightsOfOneLineAndATrailingLineFeed) {
    EXPECT_EQ(g.GetWordWrappedHeight("abc", 100), 6 - 1 + 2);
    EXPECT_EQ(g.GetWordWrappedHeight("abc\n", 100), 6 - 1 + 2 + 9);
    EXPECT_EQ(g.GetWordWrappedHeight("abc\n", 100, 20), 6 - 1 + 2 + 20);
    EXPECT_EQ(g.GetWordWrappedHeight("abc def", 20), 6 - 1 + 2 + 9);
}

TEST_F(GraphicsText, MeasuringTheHeightLeavesThisContextAlone) {
    g.GetWordWrappedHeight("abc def ghi", 20);
    for (const auto& d : font.drawn) {
        EXPECT_EQ(d.dest, &gEmptyImage);
    }
    for (int32_t i = 0; i < 40 * 40; ++i) {
        ASSERT_EQ(image->GetBits()[i], 0xFF000000u);
    }
}

TEST_F(GraphicsText, TagsTakeNoRoomAndColourCarriesToTheNextLine) {
    const Color start(10, 20, 30, 200);
    g.WriteWordWrapped(Rect(0, 0, 8, 0), "ab ^FF0000^cd ef");
    ASSERT_EQ(font.drawn.size(), 4u);  // "ab", "" before the tag, "cd", "ef"
    EXPECT_EQ(font.drawn[0].text, "ab");
    EXPECT_EQ(font.drawn[0].color, start);
    EXPECT_EQ(font.drawn[2].text, "cd");
    EXPECT_EQ(font.drawn[2].color, Color(255, 0, 0, 200));
    EXPECT_EQ(font.drawn[3].text, "ef");
    EXPECT_EQ(font.drawn[3].color, Color(255, 0, 0, 200));
    EXPECT_EQ(g.GetColor(), start);
}

TEST_F(GraphicsText, OpaqueWhiteIsAValidOldColourOnLaterLines) {
    g.SetColor(Color::White);
    g.WriteWordWrapped(Rect(0, 0, 4, 0), "^FF0000^a b^oldclr^c");
    ASSERT_FALSE(font.drawn.empty());
    EXPECT_EQ(font.drawn.back().text, "c");
    EXPECT_EQ(font.drawn.back().color, Color::White);
}

TEST_F(GraphicsText, KerningAndDoubleCaretsAreMeasured) {
    g.WriteWordWrapped(Rect(0, 0, 7, 0), "AV");  // 4 + 4 - 1
    EXPECT_EQ(DrawnTexts(), Texts{"AV"});
    font.drawn.clear();
    g.WriteWordWrapped(Rect(0, 0, 12, 0), "a^^b");
    EXPECT_EQ(DrawnTexts(), Texts{"a^b"});
}

TEST_F(GraphicsText, LinesOutsideTheClipAreSkipped) {
    // Baselines at 5, 14, 23, 32, 41; the clip keeps those from 20 to
    // below 20 + 5 + 9.
    g.ClipRect(0, 20, 40, 5);
    g.WriteWordWrapped(Rect(0, 0, 12, 0), "aa bb cc dd ee");
    ASSERT_EQ(font.drawn.size(), 3u);
    EXPECT_EQ(font.drawn[0].text, "cc");
    EXPECT_EQ(font.drawn[1].text, "dd");
    EXPECT_EQ(font.drawn[2].text, "ee");  // the last line is always drawn
}

TEST_F(GraphicsText, EachWrappedLineIsJustified) {
    g.WriteWordWrapped(Rect(0, 0, 20, 0), "abc de", -1, 0);
    ASSERT_EQ(font.drawn.size(), 2u);
    EXPECT_EQ(font.drawn[0].x, 4);
    EXPECT_EQ(font.drawn[1].x, 6);
}

TEST_F(GraphicsText, FromBaselineCentresUnderTheGivenBaseline) {
    EXPECT_EQ(g.WriteWordWrappedFromBaseline("abc", 25, 50, 100), 7);
    ASSERT_EQ(font.drawn.size(), 1u);
    EXPECT_EQ(font.drawn[0].x, 25 + 44);
    EXPECT_EQ(font.drawn[0].y, 50);
}

}  // namespace
}  // namespace Vesk
