#include "resources/FontData.h"

#include <gtest/gtest.h>

#include <string>

#include "FontTestSupport.h"

namespace Vesk {
namespace {

using fonttest::FakeFontHost;

// Every descriptor starts with a layer Main over a 32 x 16 image.
constexpr const char* kPrelude = "CreateLayer Main; LayerSetImage Main \"img.png\";\n";

struct Loaded {
    FakeFontHost host;
    FontData* data = new FontData();
    Loaded() { data->AddRef(); }
    ~Loaded() { data->Release(); }
    FontLayer& Main() { return *data->mFontLayerMap.at("Main"); }
};

bool LoadWithPrelude(Loaded& loaded, const std::string& body) {
    loaded.host.AddImage("fonts/img.png", 32, 16);
    EXPECT_TRUE(loaded.data->LoadText(&loaded.host, "fonts/f.txt", kPrelude + body));
    return loaded.data->mInitialized;
}

struct ErrorCase {
    const char* name;
    const char* body;
    const char* error;
};

class DescriptorErrors : public testing::TestWithParam<ErrorCase> {};

TEST_P(DescriptorErrors, RefuseTheFontWithTheText) {
    Loaded loaded;
    EXPECT_FALSE(LoadWithPrelude(loaded, GetParam().body));
    EXPECT_EQ(loaded.data->mError, GetParam().error);
    ASSERT_FALSE(loaded.host.mPopups.empty());
    EXPECT_NE(loaded.host.mPopups.back().find(GetParam().error), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    FontData, DescriptorErrors,
    testing::Values(
        ErrorCase{"DrawModeTwo", "LayerSetDrawMode Main 2", "Invalid Paramater Type"},
        ErrorCase{"WidthsMismatch", "LayerSetCharWidths Main (\"a\" \"b\") (5)",
                  "List Size Mismatch"},
        ErrorCase{"BadTypeBeforeMismatch", "LayerSetCharWidths Main (\"ab\" \"b\" \"c\") (5 6)",
                  "Invalid Paramater Type"},
        ErrorCase{"LayerTwice", "CreateLayer Main", "Layer Already Exists"},
        ErrorCase{"UnknownCommand", "layersetascent Main 3", "Unknown Command"},
        ErrorCase{"TooFewParameters", "LayerSetAscent Main", "Invalid Number of Parameters"},
        ErrorCase{"TooManyParameters", "SetDefaultPointSize 1 2", "Invalid Number of Parameters"},
        ErrorCase{"UndefinedLayer", "LayerSetAscent Other 3", "Invalid Paramater Type"},
        ErrorCase{"ListForValue", "LayerSetAscent Main (3)", "Invalid Paramater Type"},
        ErrorCase{"NotANumber", "LayerSetSpacing Main x1", "Invalid Paramater Type"},
        ErrorCase{"ImageNotSet", "CreateLayer B; LayerSetImageMap B (\"a\") ((0 0 1 1))",
                  "Layer image not set"},
        ErrorCase{"RectOnePastRight", "LayerSetImageMap Main (\"a\") ((30 0 3 16))",
                  "Image rectangle out of bounds"},
        ErrorCase{"RectOnePastBottom", "LayerSetImageMap Main (\"a\") ((0 1 4 16))",
                  "Image rectangle out of bounds"},
        ErrorCase{"RectNegative", "LayerSetImageMap Main (\"a\") ((-1 0 2 2))",
                  "Image rectangle out of bounds"},
        ErrorCase{"RectOfThree", "LayerSetImageMap Main (\"a\") ((0 0 2))",
                  "Invalid Paramater Type"},
        ErrorCase{"MissingImage", "LayerSetImage Main \"none.png\"", "Failed to Load Image"},
        ErrorCase{"ColorWord", "LayerSetColorMult Main white", "Invalid Paramater Type"},
        ErrorCase{"ColorOfThree", "LayerSetColorAdd Main (1 1 1)", "Invalid Paramater Type"},
        ErrorCase{"KerningTriple", "LayerSetKerningPairs Main (\"AVX\") (1)",
                  "Invalid Paramater Type"},
        ErrorCase{"OffsetsOfOne", "LayerSetCharOffsets Main (\"a\") ((1))",
                  "Invalid Paramater Type"},
        ErrorCase{"CharMapLong", "SetCharMap (\"ab\") (\"c\")", "Invalid Paramater Type"},
        ErrorCase{"UndefinedList", "LayerSetCharWidths Main Nothing (1)",
                  "Invalid Paramater Type"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(FontData, PopupNamesFileLineAndStatement) {
    Loaded loaded;
    EXPECT_FALSE(LoadWithPrelude(loaded, "\nBogus 1"));
    ASSERT_EQ(loaded.host.mPopups.size(), 1u);
    EXPECT_EQ(loaded.host.mPopups[0],
              "Font Descriptor Error in fonts/f.txt\r\nUnknown Command on Line 3:\r\n\r\nBogus 1");
}

TEST(FontData, UndefinedLayerIsReportedBeforeTheTypeError) {
    Loaded loaded;
    EXPECT_FALSE(LoadWithPrelude(loaded, "LayerSetAscent Other 3"));
    ASSERT_EQ(loaded.host.mPopups.size(), 2u);
    EXPECT_NE(loaded.host.mPopups[0].find("Undefined Layer"), std::string::npos);
}

TEST(FontData, CommandsFillTheLayer) {
    Loaded loaded;
    ASSERT_TRUE(LoadWithPrelude(loaded,
                                "CreateHorzSpanRectList Digits (0 10 0 6) (8 9 7);"
                                "Define Chars (\"0\" \"1\" \"2\");"
                                "LayerSetImageMap Main Chars Digits;"
                                "LayerSetCharOffsets Main (\"0\") ((1 -2));"
                                "LayerSetKerningPairs Main (\"AV\" \"To\") (-2 300);"
                                "LayerSetCharWidths Main ('\xE9' \"'\") (7 3);"
                                "LayerSetCharOrders Main (\"0\") (5);"
                                "LayerSetColorMult Main (1 0.5 0 1 9);"
                                "LayerSetColorAdd Main 0xFF0000;"
                                "LayerSetOffset Main (2 3); LayerSetDrawMode Main 1;"
                                "LayerPointRange Main 8 -1; LayerRequireTags Main (\"bold\");"
                                "SetCharMap (\"a\") (\"A\"); SetDefaultPointSize 0x0C;"
                                "CreateLayerFrom Copy Main"))
        << loaded.data->mError;
    EXPECT_EQ(loaded.host.mRequests, std::vector<std::string>{"fonts/img.png"});
    EXPECT_EQ(loaded.data->mDefineMap.count("DIGITS"), 1u);
    EXPECT_EQ(DescParser::DataElementToString(loaded.data->FindDefine("Digits")),
              "((0, 10, 8, 6), (8, 10, 9, 6), (17, 10, 7, 6))");
    FontLayer& main = loaded.Main();
    EXPECT_EQ(main.mCharData['1'].mImageRect, Rect(8, 10, 9, 6));
    EXPECT_EQ(main.mCharData['0'].mOffset.mY, -2);
    // The tallest box counts the offsets already set when the map was read.
    EXPECT_EQ(main.mDefaultHeight, 6);
    EXPECT_EQ(main.mCharData['A'].mKerningOffsets['V'], -2);
    EXPECT_EQ(main.mCharData['T'].mKerningOffsets['o'], 44);
    EXPECT_EQ(main.mCharData[0xE9].mWidth, 7);
    EXPECT_EQ(main.mCharData['\''].mWidth, 3);
    EXPECT_EQ(main.mCharData['0'].mOrder, 5);
    EXPECT_EQ(main.mColorMult, Color(255, 127, 0, 255));
    EXPECT_EQ(main.mColorAdd, Color(255, 0, 0, 255));
    EXPECT_EQ(main.mOffsetX, 2);
    EXPECT_EQ(main.mOffsetY, 3);
    EXPECT_EQ(main.mDrawMode, 1);
    EXPECT_EQ(main.mMinPointSize, 8);
    EXPECT_EQ(main.mMaxPointSize, -1);
    EXPECT_EQ(main.mRequiredTags, std::vector<std::string>{"BOLD"});
    EXPECT_EQ(loaded.data->mCharMap['a'], 'A');
    EXPECT_EQ(loaded.data->mDefaultPointSize, 12);
    FontLayer& copy = *loaded.data->mFontLayerMap.at("Copy");
    EXPECT_EQ(copy.mCharData['1'].mImageRect, Rect(8, 10, 9, 6));
    EXPECT_EQ(copy.mImage.GetImage(), main.mImage.GetImage());
}

TEST(FontData, ASecondLoadIsRefused) {
    Loaded loaded;
    ASSERT_TRUE(LoadWithPrelude(loaded, ""));
    EXPECT_FALSE(loaded.data->LoadText(&loaded.host, "g.txt", "CreateLayer X"));
    EXPECT_EQ(loaded.data->mFontLayerMap.count("X"), 0u);
}

TEST(FontData, LegacyWidthsLieSideBySideAndMapLetterCase) {
    FakeFontHost host;
    MemoryImage* image = host.AddImage("legacy.png", 10, 12);
    FontData* data = new FontData();
    data->AddRef();
    ASSERT_TRUE(data->LoadLegacyText(&host, image, "legacy.txt", "4 9\na 3 B 5\nc 6"));
    const FontLayer& layer = *data->mFontLayerMap.at("");
    EXPECT_EQ(layer.mCharData[' '].mWidth, 4);
    EXPECT_EQ(layer.mAscent, 9);
    EXPECT_EQ(layer.mCharData['a'].mImageRect, Rect(0, 0, 3, 12));
    EXPECT_EQ(layer.mCharData['B'].mImageRect, Rect(3, 0, 5, 12));
    // c runs past the 10-pixel image and is cut to it.
    EXPECT_EQ(layer.mCharData['c'].mImageRect, Rect(8, 0, 2, 12));
    EXPECT_EQ(data->mCharMap['A'], 'a');
    EXPECT_EQ(data->mCharMap['b'], 'B');
    EXPECT_EQ(data->mCharMap['d'], 'd');
    data->Release();
}

}  // namespace
}  // namespace Vesk
