#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

namespace platform::text {
namespace {

TEST(TextEncodingTest, Windows1252RoundTripsThroughUtf8) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(Cp1252FromUtf8(Utf8FromCp1252(all)), all);
    EXPECT_EQ(Utf8FromCp1252("\x80\x9F\xFF"), "\xE2\x82\xAC\xC5\xB8\xC3\xBF");  // € Ÿ ÿ
    // Bytes the code page leaves open pass through as C1 controls.
    EXPECT_EQ(Utf8FromCp1252("\x81"), "\xC2\x81");
}

TEST(TextEncodingTest, CodePointsOutsideTheCodePageAreDropped) {
    EXPECT_EQ(Cp1252FromCodePoint(0x20AC), 0x80);
    EXPECT_EQ(Cp1252FromCodePoint(0x00E9), 0xE9);
    EXPECT_FALSE(Cp1252FromCodePoint(0x0080).has_value());  // € owns that byte
    EXPECT_FALSE(Cp1252FromCodePoint(0x4E2D).has_value());
    EXPECT_EQ(Cp1252FromUtf8("a\xE4\xB8\xAD"
                             "b\xF0\x9F\x98\x80"
                             "c"),
              "abc");
}

TEST(TextEncodingTest, MalformedUtf8IsSkippedWithoutReadingPastTheEnd) {
    EXPECT_EQ(Cp1252FromUtf8("a\xC3"), "a");  // cut short
    EXPECT_EQ(Cp1252FromUtf8("\xC0\xAF"
                             "b"),
              "b");  // overlong '/'
    EXPECT_EQ(Cp1252FromUtf8("\xED\xA0\x80"
                             "c"),
              "c");  // a surrogate
    EXPECT_EQ(Cp1252FromUtf8("\xFF\x80"
                             "d"),
              "d");  // no lead byte
    EXPECT_EQ(Cp1252FromUtf8("\xE2\x28\xA1"
                             "e"),
              "(e");  // bad continuation
}

TEST(TextEncodingTest, WideTextBecomesUtf8) {
    EXPECT_EQ(Utf8FromWide(L"FATAL \u00C9\u20AC"), "FATAL \xC3\x89\xE2\x82\xAC");
    std::wstring bad;
    bad.push_back(static_cast<wchar_t>(0xD800));
    EXPECT_EQ(Utf8FromWide(bad), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace platform::text
