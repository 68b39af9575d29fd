#include "util/Buffer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using Vesk::Buffer;

std::vector<uint8_t> Bytes(const Buffer& buffer) {
    const uint8_t* data = buffer.GetDataPtr();
    if (data == nullptr) {
        return {};
    }
    return std::vector<uint8_t>(data, data + buffer.GetDataLen());
}

TEST(BufferTest, NewAndClearedBuffersAreEmpty) {
    Buffer buffer;
    EXPECT_EQ(buffer.GetDataPtr(), nullptr);
    EXPECT_EQ(buffer.GetDataLen(), 0);
    EXPECT_TRUE(buffer.AtEnd());

    buffer.WriteLong(7);
    buffer.ReadByte();
    buffer.Clear();
    EXPECT_EQ(buffer.GetDataPtr(), nullptr);
    EXPECT_EQ(buffer.GetBitLength(), 0);
    EXPECT_EQ(buffer.GetReadCursor(), 0);
    EXPECT_TRUE(buffer.AtEnd());
}

TEST(BufferTest, ByteLayoutOfWrites) {
    Buffer bits;
    bits.WriteNumBits(5, 3);
    bits.WriteByte(0xFF);
    EXPECT_EQ(Bytes(bits), (std::vector<uint8_t>{0xFD, 0x07}));
    EXPECT_EQ(bits.GetBitLength(), 11);
    EXPECT_EQ(bits.GetDataLen(), 2);

    Buffer text;
    text.WriteString("abc");
    EXPECT_EQ(Bytes(text), (std::vector<uint8_t>{0x03, 0x00, 0x61, 0x62, 0x63}));

    Buffer numbers;
    numbers.WriteShort(static_cast<int16_t>(0xBEEF));
    numbers.WriteLong(0x12345678);
    EXPECT_EQ(Bytes(numbers), (std::vector<uint8_t>{0xEF, 0xBE, 0x78, 0x56, 0x34, 0x12}));

    // A byte at bit 4 straddles: its low nibble high in byte 0, high nibble low in byte 1.
    Buffer straddle;
    straddle.WriteNumBits(0x0, 4);
    straddle.WriteByte(0xA5);
    EXPECT_EQ(Bytes(straddle), (std::vector<uint8_t>{0x50, 0x0A}));
}

TEST(BufferTest, BooleanTakesAWholeByte) {
    Buffer buffer;
    buffer.WriteBoolean(true);
    buffer.WriteBoolean(false);
    EXPECT_EQ(buffer.GetBitLength(), 16);
    EXPECT_EQ(Bytes(buffer), (std::vector<uint8_t>{0x01, 0x00}));

    // Any non-zero byte reads as true.
    Buffer other;
    other.WriteByte(0x80);
    EXPECT_TRUE(other.ReadBoolean());
}

TEST(BufferTest, NumBitsSignExtensionAndCounts) {
    Buffer buffer;
    buffer.WriteNumBits(-3, 6);
    EXPECT_EQ(buffer.GetBitLength(), 6);
    EXPECT_EQ(buffer.ReadNumBits(6, true), -3);
    buffer.SeekFront();
    EXPECT_EQ(buffer.ReadNumBits(6, false), 61);

    Buffer counts;
    counts.WriteNumBits(-1, 0);
    counts.WriteNumBits(-1, -5);
    EXPECT_EQ(counts.GetBitLength(), 0);
    // Counts above 32 are held to 32.
    counts.WriteNumBits(-1, 40);
    EXPECT_EQ(counts.GetBitLength(), 32);
    EXPECT_EQ(counts.ReadNumBits(40, false), -1);
    EXPECT_FALSE(counts.ReadFailed());
    EXPECT_EQ(counts.ReadNumBits(0, true), 0);
    EXPECT_FALSE(counts.ReadFailed());

    Buffer full;
    full.WriteNumBits(INT32_MIN, 32);
    EXPECT_EQ(full.ReadNumBits(32, true), INT32_MIN);
}

// Every value type must survive any starting bit.
TEST(BufferTest, RoundTripsAtEveryBitOffset) {
    const std::string text = "odd \x01\xff offsets";
    const std::array<uint8_t, 5> block = {0x00, 0xFF, 0x80, 0x01, 0x7E};
    for (int offset = 0; offset < 8; ++offset) {
        SCOPED_TRACE(offset);
        Buffer buffer;
        buffer.WriteNumBits(0x55, offset);
        buffer.WriteByte(0xC3);
        buffer.WriteBoolean(true);
        buffer.WriteShort(-2);
        buffer.WriteLong(INT32_MIN + 5);
        buffer.WriteString(text);
        buffer.WriteBytes(block.data(), static_cast<int32_t>(block.size()));
        buffer.WriteNumBits(-9, 5);
        buffer.WriteString("");
        buffer.WriteBoolean(false);
        EXPECT_EQ(buffer.GetDataLen(), (buffer.GetBitLength() + 7) / 8);

        EXPECT_EQ(buffer.ReadNumBits(offset, false), offset == 0 ? 0 : 0x55 & ((1 << offset) - 1));
        EXPECT_EQ(buffer.ReadByte(), 0xC3);
        EXPECT_TRUE(buffer.ReadBoolean());
        EXPECT_EQ(buffer.ReadShort(), -2);
        EXPECT_EQ(buffer.ReadLong(), INT32_MIN + 5);
        EXPECT_EQ(buffer.ReadString(), text);
        std::array<uint8_t, 5> back{};
        buffer.ReadBytes(back.data(), static_cast<int32_t>(back.size()));
        EXPECT_EQ(back, block);
        EXPECT_EQ(buffer.ReadNumBits(5, true), -9);
        EXPECT_EQ(buffer.ReadString(), "");
        EXPECT_FALSE(buffer.ReadBoolean());
        EXPECT_TRUE(buffer.AtEnd());
        EXPECT_FALSE(buffer.ReadFailed());
    }
}

// A partial last byte is not data enough for a byte read.
TEST(BufferTest, ByteReadNeedsEightBitsOfData) {
    Buffer buffer;
    for (int i = 0; i < 3; ++i) {
        buffer.WriteNumBits(1, 1);
    }
    EXPECT_EQ(Bytes(buffer), (std::vector<uint8_t>{0x07}));
    EXPECT_EQ(buffer.GetBitLength(), 3);

    EXPECT_EQ(buffer.ReadByte(), 0);
    EXPECT_EQ(buffer.GetReadCursor(), 0);
    EXPECT_TRUE(buffer.ReadFailed());

    buffer.SeekFront();
    EXPECT_FALSE(buffer.ReadFailed());
    EXPECT_EQ(buffer.ReadNumBits(3, false), 7);
    EXPECT_FALSE(buffer.ReadFailed());
}

TEST(BufferTest, ShortReadsFailWithoutOverrun) {
    Buffer buffer;
    buffer.WriteByte(0x34);
    buffer.WriteByte(0x12);
    buffer.WriteByte(0xAB);

    // The failed flag sticks until the next SeekFront.
    EXPECT_EQ(buffer.ReadShort(), 0x1234);
    EXPECT_FALSE(buffer.ReadFailed());
    EXPECT_EQ(buffer.ReadShort(), 0xAB);
    EXPECT_TRUE(buffer.ReadFailed());
    EXPECT_TRUE(buffer.AtEnd());
    EXPECT_EQ(buffer.ReadByte(), 0);
    EXPECT_EQ(buffer.ReadLong(), 0);
    EXPECT_EQ(buffer.ReadNumBits(8, true), 0);
    EXPECT_EQ(buffer.GetReadCursor(), 24);
    EXPECT_TRUE(buffer.ReadFailed());

    buffer.SeekFront();
    EXPECT_EQ(buffer.ReadLong(), 0xAB1234);
    EXPECT_TRUE(buffer.ReadFailed());
}

TEST(BufferTest, NumBitsPastTheBitLengthReadTheLastBytesZeros) {
    Buffer buffer;
    buffer.WriteNumBits(0b101, 3);
    EXPECT_EQ(buffer.ReadNumBits(8, false), 0b101);
    EXPECT_TRUE(buffer.ReadFailed());
    EXPECT_EQ(buffer.GetReadCursor(), 8) << "the last byte is read whole";
    EXPECT_EQ(buffer.ReadNumBits(4, true), 0) << "nothing past the last byte";

    // Sign extension looks at the last bit read: a zero past the bit length.
    buffer.SeekFront();
    EXPECT_EQ(buffer.ReadNumBits(6, true), 0b101);
    buffer.SeekFront();
    EXPECT_EQ(buffer.ReadNumBits(3, true), -3);
    // Past the last byte, the last bit actually read decides.
    Buffer full;
    full.WriteByte(0x80);
    EXPECT_EQ(full.ReadNumBits(12, true), static_cast<int32_t>(0xFFFFF080u));
}

// Damaged lengths give an empty text and a failure, never a read past the data.
TEST(BufferTest, DamagedStringsFail) {
    Buffer truncatedLength;
    truncatedLength.WriteByte(5);
    EXPECT_EQ(truncatedLength.ReadString(), "");
    EXPECT_TRUE(truncatedLength.ReadFailed());

    Buffer tooLong;
    tooLong.WriteShort(30000);
    tooLong.WriteBytes("abc", 3);
    EXPECT_EQ(tooLong.ReadString(), "");
    EXPECT_TRUE(tooLong.ReadFailed());
    EXPECT_LE(tooLong.GetReadCursor(), tooLong.GetBitLength());

    Buffer negative;
    negative.WriteShort(-5);
    negative.WriteBytes("abcdefgh", 8);
    EXPECT_EQ(negative.ReadString(), "");
    EXPECT_TRUE(negative.ReadFailed());
}

TEST(BufferTest, ReadBytesFillsExactlyTheCount) {
    Buffer buffer;
    buffer.WriteNumBits(1, 1);
    buffer.WriteBytes("xy", 2);
    EXPECT_EQ(buffer.ReadNumBits(1, false), 1);

    std::array<char, 6> out;
    out.fill('#');
    buffer.ReadBytes(out.data(), 4);
    EXPECT_EQ(std::string(out.data(), out.size()), std::string("xy\0\0##", 6));
    EXPECT_TRUE(buffer.ReadFailed());
    EXPECT_TRUE(buffer.AtEnd());

    buffer.SeekFront();
    out.fill('#');
    buffer.ReadBytes(out.data(), -1);
    EXPECT_TRUE(buffer.ReadFailed());
    EXPECT_EQ(out[0], '#');
}

TEST(BufferTest, LongStringsStayInStep) {
    const std::string limit(Buffer::kMaxStringLength, 'L');
    Buffer buffer;
    buffer.WriteNumBits(1, 3);
    buffer.WriteString(limit);
    buffer.WriteLong(42);
    EXPECT_EQ(buffer.ReadNumBits(3, false), 1);
    EXPECT_EQ(buffer.ReadString(), limit);
    EXPECT_EQ(buffer.ReadLong(), 42);

    // Longer texts are cut to the limit, so what follows still reads.
    for (size_t size : {size_t{32768}, size_t{40000}, size_t{65536 + 3}}) {
        SCOPED_TRACE(size);
        std::string text(size, 'a');
        text[Buffer::kMaxStringLength - 1] = 'z';
        Buffer cut;
        cut.WriteString(text);
        cut.WriteLong(-7);
        EXPECT_EQ(cut.ReadString(), text.substr(0, Buffer::kMaxStringLength));
        EXPECT_EQ(cut.ReadLong(), -7);
        EXPECT_TRUE(cut.AtEnd());
        EXPECT_FALSE(cut.ReadFailed());
    }
}

TEST(BufferTest, SetDataCopiesAndKeepsTheReadCursor) {
    Buffer buffer;
    for (int i = 0; i < 8; ++i) {
        buffer.WriteByte(static_cast<uint8_t>(i));
    }
    EXPECT_EQ(buffer.ReadLong(), 0x03020100);
    EXPECT_EQ(buffer.ReadByte(), 4);
    EXPECT_EQ(buffer.GetReadCursor(), 40);

    uint8_t source[] = {10, 11, 12, 13, 14, 15, 16};
    buffer.SetData(source, 7);
    source[5] = 0;
    EXPECT_EQ(buffer.GetBitLength(), 56);
    EXPECT_EQ(buffer.GetReadCursor(), 40);
    EXPECT_EQ(buffer.ReadByte(), 15);

    // Writing after SetData appends to the new data.
    buffer.WriteByte(17);
    EXPECT_EQ(buffer.GetDataLen(), 8);
    EXPECT_EQ(buffer.ReadShort(), 16 | (17 << 8));

    buffer.SeekFront();
    EXPECT_EQ(buffer.ReadByte(), 10);
}

TEST(BufferTest, SetDataAndWriteBytesFromTheBufferItself) {
    Buffer buffer;
    buffer.WriteBytes("abcd", 4);
    buffer.SetData(buffer.GetDataPtr() + 1, 3);
    EXPECT_EQ(Bytes(buffer), (std::vector<uint8_t>{'b', 'c', 'd'}));

    // Appending its own bytes grows the storage underneath the source.
    for (int i = 0; i < 6; ++i) {
        buffer.WriteBytes(buffer.GetDataPtr(), buffer.GetDataLen());
    }
    EXPECT_EQ(buffer.GetDataLen(), 3 * 64);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.GetDataPtr()) + 189, 3), "bcd");
}

TEST(BufferTest, SetDataLimits) {
    Buffer buffer;
    buffer.WriteLong(1);
    buffer.SetData("abc", -1);
    EXPECT_EQ(buffer.GetDataPtr(), nullptr);
    EXPECT_EQ(buffer.GetBitLength(), 0);

    const char small[4] = {};
    EXPECT_THROW(buffer.SetData(small, Buffer::kMaxBytes + 1), std::length_error);
}

TEST(BufferTest, ReadCursorCanStepBack) {
    Buffer buffer;
    buffer.WriteLong(17);
    buffer.WriteLong(99);
    EXPECT_EQ(buffer.ReadLong(), 17);
    const int32_t mark = buffer.GetReadCursor();
    EXPECT_EQ(buffer.ReadLong(), 99);
    buffer.SetReadCursor(mark);
    EXPECT_EQ(buffer.ReadLong(), 99);

    buffer.SetReadCursor(1000);
    EXPECT_EQ(buffer.GetReadCursor(), 64);
    buffer.SetReadCursor(-4);
    EXPECT_EQ(buffer.GetReadCursor(), 0);
}

TEST(BufferTest, MovedFromBufferIsEmpty) {
    Buffer source;
    source.WriteLong(5);
    Buffer target = std::move(source);
    EXPECT_EQ(target.ReadLong(), 5);
    EXPECT_EQ(source.GetBitLength(), 0);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(source.ReadByte(), 0);
    EXPECT_TRUE(source.ReadFailed());
}

}  // namespace
