#include "util/CommonText.h"

#include <gtest/gtest.h>

#include <string>

namespace Vesk {
namespace {

TEST(StringToIntTest, AcceptsDecimalAndLeadingHex) {
    int32_t value = -1;
    EXPECT_TRUE(StringToInt("0x1F", value));
    EXPECT_EQ(value, 31);
    EXPECT_TRUE(StringToInt("0XfF", value));
    EXPECT_EQ(value, 255);
    EXPECT_TRUE(StringToInt("-42", value));
    EXPECT_EQ(value, -42);
    EXPECT_TRUE(StringToInt("0x", value));
    EXPECT_EQ(value, 0);
    value = 7;
    EXPECT_TRUE(StringToInt("-", value));
    EXPECT_EQ(value, 0);
}

TEST(StringToIntTest, FailsWithZeroOnAnyStrayCharacter) {
    for (const char* text :
         {"", "12a", "-0x10", "1x2", "0x1G", "00x1", " 1", "1 ", "+1", "1.0", "0x0x1", "ab"}) {
        int32_t value = 99;
        EXPECT_FALSE(StringToInt(text, value)) << text;
        EXPECT_EQ(value, 0) << text;
    }
}

TEST(StringToIntTest, WrapsAtThirtyTwoBits) {
    int32_t value = 0;
    EXPECT_TRUE(StringToInt("0xFFFFFFFF", value));
    EXPECT_EQ(value, -1);
    EXPECT_TRUE(StringToInt("4294967297", value));
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(StringToInt("-2147483648", value));
    EXPECT_EQ(value, INT32_MIN);
    EXPECT_TRUE(StringToInt("0x1234567890", value));
    EXPECT_EQ(value, 0x34567890);
}

TEST(StringToDoubleTest, ParsesPlainDecimals) {
    double value = -1.0;
    EXPECT_TRUE(StringToDouble("-2.50", value));
    EXPECT_DOUBLE_EQ(value, -2.5);
    EXPECT_TRUE(StringToDouble("1.", value));
    EXPECT_DOUBLE_EQ(value, 1.0);
    EXPECT_TRUE(StringToDouble(".", value));
    EXPECT_DOUBLE_EQ(value, 0.0);
    EXPECT_TRUE(StringToDouble("123.25", value));
    EXPECT_DOUBLE_EQ(value, 123.25);
    EXPECT_TRUE(StringToDouble(".125", value));
    EXPECT_DOUBLE_EQ(value, 0.125);
}

TEST(StringToDoubleTest, FailsWithZeroOnAnyStrayCharacter) {
    for (const char* text : {"", "1e3", "1.2.3", "+1", " 1", "1 ", "0x10", "1f", "--1"}) {
        double value = 5.0;
        EXPECT_FALSE(StringToDouble(text, value)) << text;
        EXPECT_EQ(value, 0.0) << text;
    }
}

TEST(CommaSeparateTest, GroupsThousands) {
    EXPECT_EQ(CommaSeparate(1234567), "1,234,567");
    EXPECT_EQ(CommaSeparate(1000), "1,000");
    EXPECT_EQ(CommaSeparate(999), "999");
    EXPECT_EQ(CommaSeparate(100000), "100,000");
    EXPECT_EQ(CommaSeparate(0), "0");
    EXPECT_EQ(CommaSeparate(INT32_MAX), "2,147,483,647");
    EXPECT_EQ(CommaSeparate(-5), "");
}

TEST(CaseAndTrimTest, UseTheCLocaleOnly) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim(" \t\r\n\v\f"), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Upper("abc-XYZ 1"), "ABC-XYZ 1");
    EXPECT_EQ(Lower("ABC-xyz 1"), "abc-xyz 1");
    EXPECT_EQ(StringToLower("MiXeD"), "mixed");
    // Bytes above 127 are left alone whatever the process locale says.
    const std::string high = "\xC9\xE9\xA0";
    EXPECT_EQ(Upper(high), high);
    EXPECT_EQ(Lower(high), high);
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(WideTextTest, BytesRoundTripThroughWideText) {
    std::string all;
    for (int i = 0; i < 256; ++i) {
        all.push_back(static_cast<char>(i));
    }
    const std::u16string wide = StringToWString(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(wide[0xE9], u'\u00E9');
    EXPECT_EQ(wide[0xFF], u'\u00FF');
    EXPECT_EQ(WStringToString(wide), all);
    EXPECT_EQ(WideToNarrow(ToWString("caf\xE9")), "caf\xE9");
}

TEST(WideTextTest, UnconvertibleCharacterEmptiesTheResult) {
    EXPECT_EQ(WStringToString(u"ab\u0100c"), "");
    EXPECT_EQ(WideToNarrow(u"\u20AC"), "");
}

TEST(StrFormatTest, FormatsShortAndLongTexts) {
    EXPECT_EQ(StrFormat("%d-%s-%.2f", 7, "x", 1.5), "7-x-1.50");
    EXPECT_EQ(MakeString(nullptr), "");
    EXPECT_EQ(MakeString("abc"), "abc");

    // Around the first buffer size, and well beyond the largest one a fixed scheme would use.
    for (size_t length : {159u, 160u, 161u, 320u, 321u, 2000000u}) {
        const std::string text(length, 'q');
        const std::string result = StrFormat("<%s>", text.c_str());
        ASSERT_EQ(result.size(), length + 2) << length;
        EXPECT_EQ(result.front(), '<');
        EXPECT_EQ(result.back(), '>');
        EXPECT_EQ(result.substr(1, length), text);
    }
}

TEST(XmlDecodeTest, ReplacesTheKnownEntities) {
    EXPECT_EQ(XmlDecodeString("&lt;&gt;&amp;&cr;"), "<>&\n");
    EXPECT_EQ(XmlDecodeString("&quot;&apos;&nbsp;"), "\"' ");
    EXPECT_EQ(XmlDecodeString("&amp;lt;"), "&lt;");
    EXPECT_EQ(XmlDecodeString("a &foo; b"), "a & b");
    EXPECT_EQ(XmlDecodeString("&#65;&LT;"), "&&");
    EXPECT_EQ(XmlDecodeString("x & y"), "x & y");
    EXPECT_EQ(XmlDecodeString("&;"), "&");
    EXPECT_EQ(XmlDecodeString("tail &"), "tail &");
    // The name runs to the next ";", even across a space.
    EXPECT_EQ(XmlDecodeString("x & y; z"), "x & z");
    EXPECT_EQ(XmlDecodeWString(u"&lt;\u00E9&gt;&cr;"), u"<\u00E9>\n");
    EXPECT_EQ(XmlDecodeWString(u"&\u0101mp;"), u"&");
}

TEST(StrFindNoCaseTest, FindsTheFirstMatchIgnoringCase) {
    EXPECT_EQ(StrFindNoCase("hello world", "WORLD"), 6);
    EXPECT_EQ(StrFindNoCase("ABAB", "ab"), 0);
    EXPECT_EQ(StrFindNoCase("xxAb", "aB"), 2);
    EXPECT_EQ(StrFindNoCase("abc", ""), 0);
    EXPECT_EQ(StrFindNoCase("", "a"), -1);
    EXPECT_EQ(StrFindNoCase("", ""), -1);
    EXPECT_EQ(StrFindNoCase("ab", "abc"), -1);
    EXPECT_EQ(StrFindNoCase("abc", "abd"), -1);
    EXPECT_EQ(StrFindNoCase(nullptr, "a"), -1);
    EXPECT_EQ(StrFindNoCase("a", nullptr), 0);
}

}  // namespace
}  // namespace Vesk
