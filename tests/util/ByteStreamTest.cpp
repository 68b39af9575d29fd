#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace Vesk {
namespace {

TEST(ByteStreamTest, ValuesGoLowByteFirstAndReadBack) {
    ByteWriter out;
    out.WriteU8(0xAB);
    out.WriteI16(-2);
    out.WriteI32(0x01020304);
    out.WriteF64(-0.5);
    out.WriteString("+30");
    const std::vector<uint8_t> expectedStart = {0xAB, 0xFE, 0xFF, 0x04, 0x03, 0x02, 0x01};
    ASSERT_EQ(out.Size(), 7u + 8u + 4u + 3u);
    EXPECT_TRUE(std::equal(expectedStart.begin(), expectedStart.end(), out.Bytes().begin()));
    EXPECT_EQ(out.Bytes()[7 + 8], 3);  // string length, then the bytes without terminator
    EXPECT_EQ(out.Bytes().back(), '0');

    ByteReader in(out.Bytes());
    EXPECT_EQ(in.U8(), 0xAB);
    EXPECT_EQ(in.I16(), -2);
    EXPECT_EQ(in.I32(), 0x01020304);
    EXPECT_EQ(in.F64(), -0.5);
    EXPECT_EQ(in.String(16), "+30");
    EXPECT_TRUE(in.AtEnd());
    EXPECT_FALSE(in.Failed());
}

TEST(ByteStreamTest, AShortReadLatchesAndLaterReadsAnswerZero) {
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
    ByteReader in(bytes);
    EXPECT_EQ(in.I32(), 0x04030201);
    EXPECT_EQ(in.I32(), 0);
    EXPECT_TRUE(in.Failed());
    EXPECT_NE(in.Error().find("end of data"), std::string::npos);
    // The reader stays at the end: later reads answer 0 and keep the first reason.
    EXPECT_EQ(in.U8(), 0);
    EXPECT_TRUE(in.AtEnd());
    in.Fail("later");
    EXPECT_EQ(in.Error().find("later"), std::string::npos);
}

TEST(ByteStreamTest, RejectsCorruptValues) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        void (*read)(ByteReader&);
    };
    ByteWriter nan;
    nan.WriteF64(std::numeric_limits<double>::quiet_NaN());
    ByteWriter inf;
    inf.WriteF32(std::numeric_limits<float>::infinity());
    ByteWriter longText;
    longText.WriteU32(257);
    ByteWriter hugeText;
    hugeText.WriteU32(0xFFFFFFFF);
    ByteWriter outOfRange;
    outOfRange.WriteI32(20);
    const Case cases[] = {
        {"NaN double", nan.Bytes(), [](ByteReader& in) { in.F64(); }},
        {"infinite float", inf.Bytes(), [](ByteReader& in) { in.F32(); }},
        {"string over its bound", longText.Bytes(), [](ByteReader& in) { in.String(256); }},
        {"huge string count", hugeText.Bytes(), [](ByteReader& in) { in.String(1u << 30); }},
        {"index past a 20-entry ring", outOfRange.Bytes(),
         [](ByteReader& in) { in.I32In(0, 19, "ring index"); }},
    };
    for (const Case& c : cases) {
        ByteReader in(c.bytes);
        c.read(in);
        EXPECT_TRUE(in.Failed()) << c.name;
    }
}

}  // namespace
}  // namespace Vesk
