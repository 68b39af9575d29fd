#include "resources/ImageFont.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FontTestSupport.h"
#include "graphics/Graphics.h"
#include "resources/FontData.h"

namespace Vesk {
namespace {

using fonttest::FakeFontHost;

// A face layer over a white image: A is 4 wide (advance 4), V 4 wide (advance 5), B 2 wide.
constexpr const char* kFace =
    "SetDefaultPointSize 10;"
    "CreateLayer Face; LayerSetImage Face \"img.png\"; LayerSetAscent Face 8;"
    "LayerSetImageMap Face (\"A\" \"V\" \"B\") ((0 0 4 8) (4 0 4 8) (8 0 2 8));"
    "LayerSetCharWidths Face (\"A\" \"V\" \"B\") (4 5 2);";

class ImageFontTest : public testing::Test {
protected:
    std::unique_ptr<ImageFont> Make(const std::string& extra) {
        host.AddImage("img.png", 32, 16);
        auto* data = new FontData();
        data->LoadText(&host, "f.txt", kFace + extra);
        EXPECT_TRUE(data->mInitialized) << data->mError;
        return std::make_unique<ImageFont>(data);
    }

    uint32_t Pixel(int32_t x, int32_t y) {
        return dest.GetBits()[static_cast<size_t>(y * dest.GetWidth() + x)];
    }

    // The tinted blitters round each channel down by up to 2.
    static bool Near(uint32_t pixel, uint32_t expected) {
        for (int shift = 0; shift < 32; shift += 8) {
            const int a = static_cast<int>((pixel >> shift) & 0xFF);
            const int b = static_cast<int>((expected >> shift) & 0xFF);
            if (a - b > 2 || b - a > 2) {
                return false;
            }
        }
        return true;
    }

    std::vector<std::string> ActiveNames(ImageFont& font) {
        font.Prepare();
        std::vector<std::string> names;
        for (const ActiveFontLayer& active : font.mActiveLayerList) {
            for (const auto& [name, layer] : font.mFontData->mFontLayerMap) {
                if (layer == active.mBaseFontLayer) {
                    names.push_back(name);
                }
            }
        }
        return names;
    }

    FakeFontHost host;
    MemoryImage dest{nullptr};
    void SetUp() override { dest.Create(64, 32); }
};

struct ChoiceCase {
    int32_t pointSize;
    const char* tag;
    std::vector<std::string> layers;
};

class LayerChoice : public ImageFontTest, public testing::WithParamInterface<ChoiceCase> {};

TEST_P(LayerChoice, FollowsPointSizeAndTags) {
    auto font = Make(
        "CreateLayerFrom Small Face; LayerPointRange Small 0 9;"
        "CreateLayerFrom Big Face; LayerPointRange Big 10 -1;"
        "CreateLayerFrom Bold Face; LayerRequireTags Bold (\"bold\");"
        "CreateLayerFrom Plain Face; LayerExcludeTags Plain (\"Bold\");");
    font->SetPointSize(GetParam().pointSize);
    if (GetParam().tag[0] != '\0') {
        font->AddTag(GetParam().tag);
    }
    EXPECT_EQ(ActiveNames(*font), GetParam().layers);
}

INSTANTIATE_TEST_SUITE_P(ImageFont, LayerChoice,
                         testing::Values(ChoiceCase{9, "", {"Face", "Small", "Plain"}},
                                         ChoiceCase{10, "", {"Face", "Big", "Plain"}},
                                         ChoiceCase{40, "bold", {"Face", "Big", "Bold"}},
                                         ChoiceCase{-1, "other", {"Face", "Plain"}}));

TEST_F(ImageFontTest, ALayerOfAnotherSizeIsRescaledIntoItsOwnImage) {
    auto font = Make("LayerSetPointSize Face 10; LayerSetAscentPadding Face 1;");
    EXPECT_EQ(font->mActiveLayerList.front().mOwnedImage, nullptr);
    font->SetPointSize(20);
    EXPECT_EQ(font->CharWidth('A'), 8);
    const ActiveFontLayer& active = font->mActiveLayerList.front();
    ASSERT_NE(active.mOwnedImage, nullptr);
    EXPECT_EQ(active.mOwnedImage->GetWidth(), 20);
    EXPECT_EQ(active.mOwnedImage->GetHeight(), 16);
    EXPECT_EQ(active.mScaledCharImageRects['V'], Rect(12, 0, 8, 16));
    EXPECT_EQ(font->GetAscent(), 16);
    EXPECT_EQ(font->GetAscentPadding(), 2);
    EXPECT_EQ(font->GetHeight(), 16);

    // The copy carries its own rescaled image.
    auto copy = font->Duplicate();
    EXPECT_EQ(font->mFontData->mRefCount, 2);
    font.reset();
    Graphics g(&dest);
    copy->DrawString(g, 0, 16, "A", Color(255, 255, 255, 255), Rect());
    EXPECT_PRED2(Near, Pixel(7, 15), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(8, 15), 0u);
}

TEST_F(ImageFontTest, LayerColourIsMultipliedAddedAndClamped) {
    auto font = Make("LayerSetColorAdd Face (0.4 0 0 0);");
    Graphics g(&dest);
    font->DrawString(g, 0, 8, "A", Color(200, 200, 200, 255), Rect());
    // 0.4 x 255 truncates to 102: red clamps at 255.
    EXPECT_PRED2(Near, Pixel(1, 1), 0xFFFFC8C8u);
    EXPECT_EQ(g.GetColorizeImages(), false);
}

struct OrderCase {
    const char* name;
    int32_t faceCharOrder;
    int32_t shadowBaseOrder;
    uint32_t overlapPixel;
};

class BucketOrder : public ImageFontTest, public testing::WithParamInterface<OrderCase> {};

// A black shadow two pixels to the right of a face that advances two: where the first
// character's shadow meets the second face, the order of the buckets decides the colour.
TEST_P(BucketOrder, DecidesWhichPieceIsOnTop) {
    auto font = Make(
        "LayerSetCharWidths Face (\"A\") (2);"
        "LayerSetCharOrders Face (\"A\") (" +
        std::to_string(GetParam().faceCharOrder) +
        ");"
        "CreateLayerFrom Shadow Face; LayerSetCharOrders Shadow (\"A\") (0);"
        "LayerSetColorMult Shadow (0 0 0 1); LayerSetOffset Shadow (2 0);"
        "LayerSetBaseOrder Shadow " +
        std::to_string(GetParam().shadowBaseOrder) + ";");
    Graphics g(&dest);
    font->DrawString(g, 0, 8, "AA", Color(255, 255, 255, 255), Rect());
    EXPECT_PRED2(Near, Pixel(4, 2), GetParam().overlapPixel);
    EXPECT_PRED2(Near, Pixel(7, 2), 0xFF000000u);
}

INSTANTIATE_TEST_SUITE_P(ImageFont, BucketOrder,
                         testing::Values(OrderCase{"ShadowFirst", 0, -1, 0xFFFFFFFFu},
                                         OrderCase{"BothClampToTheFirstBucket", -500, -200,
                                                   0xFF000000u},
                                         OrderCase{"FaceClampsToTheLast", 300, 0, 0xFFFFFFFFu}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(ImageFontTest, KerningIsSignedAndWidthsAgree) {
    auto font = Make("LayerSetKerningPairs Face (\"AV\" \"VA\") (-2 254); LayerSetSpacing Face 1;");
    EXPECT_EQ(font->CharWidthKern('V', 'A'), 4);
    EXPECT_EQ(font->CharWidthKern('A', 'V'), 4 - 2 + 1);
    for (const std::string text : {"AV", "VA", "AVBAV", "A"}) {
        int32_t sum = 0;
        char previous = 0;
        for (const char c : text) {
            sum += font->CharWidthKern(c, previous);
            previous = c;
        }
        EXPECT_EQ(font->StringWidth(text), sum) << text;
        Graphics g(&dest);
        int32_t drawn = -1;
        font->DrawStringEx(g, 3, 8, text, Color::White, Rect(), nullptr, &drawn);
        EXPECT_EQ(drawn, sum) << text;
    }
    EXPECT_EQ(font->StringWidth("AV"), 4 + 4);
}

TEST_F(ImageFontTest, AtMost4096PiecesAreDrawn) {
    auto font = Make("");
    Graphics g(&dest);
    std::vector<Rect> rects;
    int32_t width = 0;
    font->DrawStringEx(g, 0, 8, std::string(5000, 'B'), Color::White, Rect(), &rects, &width);
    EXPECT_EQ(rects.size(), 4096u);
    EXPECT_EQ(width, 4096 * 2);
    EXPECT_EQ(rects[1], Rect(2, 0, 2, 8));
}

TEST_F(ImageFontTest, HighBytesAndTheCharacterMap) {
    auto font = Make("SetCharMap ('\xE9') (\"A\"); LayerSetCharWidths Face ('\xFF') (9);");
    EXPECT_EQ(font->StringWidth("\xE9\xFF"), 4 + 9);
}

TEST_F(ImageFontTest, TagsCompareInUpperCase) {
    auto font = Make("");
    EXPECT_TRUE(font->AddTag("bold"));
    EXPECT_FALSE(font->AddTag("bold"));
    EXPECT_TRUE(font->HasTag("BOLD"));
    EXPECT_TRUE(font->RemoveTag("Bold"));
    EXPECT_FALSE(font->RemoveTag("bold"));
}

TEST_F(ImageFontTest, AFailedDescriptorDrawsNothingAndMeasuresZero) {
    auto* data = new FontData();
    data->LoadText(&host, "bad.txt", "CreateLayer A; Bogus");
    ImageFont font(data);
    Graphics g(&dest);
    int32_t width = -1;
    font.DrawStringEx(g, 0, 8, "A", Color::White, Rect(), nullptr, &width);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(font.StringWidth("A"), 0);
}

TEST_F(ImageFontTest, WriteStringFollowsColourTagsAndWordWrap) {
    auto font = Make("");
    Graphics g(&dest);
    g.SetFont(font.get());
    g.SetColor(Color::White);
    g.WriteString("A^FF0000^A", 0, 8);
    EXPECT_PRED2(Near, Pixel(1, 1), 0xFFFFFFFFu);
    EXPECT_PRED2(Near, Pixel(5, 1), 0xFFFF0000u);
    EXPECT_EQ(Pixel(9, 1), 0u);

    dest.Create(64, 32);
    g.SetColor(Color::White);
    g.WriteWordWrapped(Rect(0, 0, 10, 40), "AA AV", -1, -1);
    EXPECT_PRED2(Near, Pixel(7, 1), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(9, 1), 0u);
    // The second word starts the next line, one line spacing (the tallest box) lower.
    EXPECT_PRED2(Near, Pixel(5, 9), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(1, 17), 0u);
}

}  // namespace
}  // namespace Vesk
