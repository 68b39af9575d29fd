// The demo file's layout and its checked reader.
#include "app/DemoFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "util/Buffer.h"

namespace {

using Vesk::DemoFile;
using Vesk::DemoMarker;

const std::string kInvalid = "Invalid demo file.";

DemoFile Sample() {
    DemoFile file;
    file.mRandSeed = 0xA1B2C3D4;
    file.mProductVersion = "1.0";
    file.mMarkers = {DemoMarker{"start", 10}, DemoMarker{"boss", 2900}};
    file.mDemoLength = 3000;
    file.mEvents = {0x12, 0x34, 0x56, 0x78, 0x9A};
    return file;
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// A file laid out by hand: header fields as given, the marker block as raw bytes.
std::vector<uint8_t> Handmade(uint32_t version, const std::string& text,
                              const std::vector<uint8_t>* markerBlock, int32_t markerLength,
                              int32_t demoLength, const std::vector<uint8_t>& events) {
    std::vector<uint8_t> out;
    Put32(out, DemoFile::kMagic);
    Put32(out, version);
    Put32(out, 77);
    out.push_back(static_cast<uint8_t>(text.size()));
    out.push_back(static_cast<uint8_t>(text.size() >> 8));
    out.insert(out.end(), text.begin(), text.end());
    if (markerBlock != nullptr) {
        Put32(out, static_cast<uint32_t>(markerLength));
        out.insert(out.end(), markerBlock->begin(), markerBlock->end());
    }
    Put32(out, static_cast<uint32_t>(demoLength));
    out.insert(out.end(), events.begin(), events.end());
    return out;
}

std::vector<uint8_t> MarkerBlock(int32_t count, const std::vector<DemoMarker>& markers) {
    Vesk::Buffer block;
    block.WriteLong(count);
    for (const DemoMarker& marker : markers) {
        block.WriteString(marker.mName);
        block.WriteLong(marker.mUpdateCount);
    }
    return std::vector<uint8_t>(block.GetDataPtr(), block.GetDataPtr() + block.GetDataLen());
}

std::string ParseError(const std::vector<uint8_t>& bytes, const std::string& version = "1.0") {
    DemoFile file;
    std::string error;
    if (file.Parse(bytes.data(), bytes.size(), version, error)) {
        return "parsed";
    }
    return error;
}

TEST(DemoFileTest, WritesTheDocumentedLayoutAndReadsItBack) {
    const DemoFile original = Sample();
    const std::vector<uint8_t> bytes = original.Serialize();

    const std::vector<uint8_t> markers = MarkerBlock(2, original.mMarkers);
    const std::vector<uint8_t> expected =
        Handmade(2, "1.0", &markers, static_cast<int32_t>(markers.size()), 3000, original.mEvents);
    std::vector<uint8_t> expectedWithSeed = expected;
    // Handmade writes seed 77; the sample's seed sits at offset 8.
    expectedWithSeed[8] = 0xD4;
    expectedWithSeed[9] = 0xC3;
    expectedWithSeed[10] = 0xB2;
    expectedWithSeed[11] = 0xA1;
    EXPECT_EQ(bytes, expectedWithSeed);
    EXPECT_EQ(bytes[0], 0x78);
    EXPECT_EQ(bytes[3], 0x42);

    DemoFile read;
    std::string error;
    ASSERT_TRUE(read.Parse(bytes.data(), bytes.size(), "1.0", error)) << error;
    EXPECT_EQ(read.mFormatVersion, 2u);
    EXPECT_EQ(read.mRandSeed, original.mRandSeed);
    EXPECT_EQ(read.mProductVersion, "1.0");
    EXPECT_EQ(read.mMarkers, original.mMarkers);
    EXPECT_EQ(read.mDemoLength, 3000);
    EXPECT_EQ(read.mEvents, original.mEvents);
}

TEST(DemoFileTest, RefusesAnotherMagicOrProduct) {
    std::vector<uint8_t> bytes = Sample().Serialize();
    EXPECT_EQ(ParseError(bytes, "1.1"), "This demo file appears to be for '1.0'");
    bytes[0] ^= 1;
    EXPECT_EQ(ParseError(bytes), kInvalid);
    EXPECT_EQ(ParseError({}), kInvalid);

    DemoFile untouched = Sample();
    std::string error;
    EXPECT_FALSE(untouched.Parse(bytes.data(), bytes.size(), "1.0", error));
    EXPECT_EQ(untouched.mDemoLength, 3000) << "a failed read changes nothing";
}

TEST(DemoFileTest, EveryTruncationFailsCleanlyUntilTheEventsBegin) {
    const DemoFile original = Sample();
    const std::vector<uint8_t> bytes = original.Serialize();
    const size_t eventsStart = bytes.size() - original.mEvents.size();
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
        DemoFile file;
        std::string error;
        const bool ok = file.Parse(cut.data(), cut.size(), "1.0", error);
        if (length <= eventsStart) {
            EXPECT_FALSE(ok) << "length " << length;
            EXPECT_EQ(error, kInvalid) << "length " << length;
        } else {
            // A stream cut short is still a file; playback stops where it ends.
            ASSERT_TRUE(ok) << "length " << length;
            EXPECT_EQ(file.mEvents.size(), length - eventsStart);
        }
    }
}

TEST(DemoFileTest, CraftedMarkerBlocksAndLengthsAreRefused) {
    const std::vector<uint8_t> events = {0x01};
    const std::vector<DemoMarker> two = {{"a", 1}, {"b", 2}};

    std::vector<uint8_t> block = MarkerBlock(3, two);  // one marker short
    EXPECT_EQ(ParseError(Handmade(2, "1.0", &block, static_cast<int32_t>(block.size()), 5, events)),
              kInvalid);
    block = MarkerBlock(0x7FFFFFFF, two);
    EXPECT_EQ(ParseError(Handmade(2, "1.0", &block, static_cast<int32_t>(block.size()), 5, events)),
              kInvalid);
    block = MarkerBlock(-1, {});
    EXPECT_EQ(ParseError(Handmade(2, "1.0", &block, static_cast<int32_t>(block.size()), 5, events)),
              kInvalid);

    // A marker name whose length runs past the block.
    block = MarkerBlock(1, {{"name", 3}});
    block[4] = 0xFF;
    block[5] = 0x10;
    EXPECT_EQ(ParseError(Handmade(2, "1.0", &block, static_cast<int32_t>(block.size()), 5, events)),
              kInvalid);

    // Block lengths that are negative, reach past the file, or leave nothing after them.
    block = MarkerBlock(2, two);
    for (int32_t length : {-1, INT32_MIN, 1 << 30, static_cast<int32_t>(block.size()) + 9}) {
        EXPECT_EQ(ParseError(Handmade(2, "1.0", &block, length, 5, events)), kInvalid) << length;
    }

    // A recording needs at least one byte of events, and a length that is not negative.
    EXPECT_EQ(ParseError(Handmade(2, "1.0", &block, static_cast<int32_t>(block.size()), 5, {})),
              kInvalid);
    EXPECT_EQ(
        ParseError(Handmade(2, "1.0", &block, static_cast<int32_t>(block.size()), -5, events)),
        kInvalid);

    // An empty block holds no markers.
    const std::vector<uint8_t> empty;
    DemoFile file;
    std::string error;
    const std::vector<uint8_t> bytes = Handmade(2, "1.0", &empty, 0, 5, events);
    ASSERT_TRUE(file.Parse(bytes.data(), bytes.size(), "1.0", error)) << error;
    EXPECT_TRUE(file.mMarkers.empty());
}

TEST(DemoFileTest, FormatOneHasNoMarkerBlock) {
    const std::vector<uint8_t> bytes = Handmade(1, "1.0", nullptr, 0, 1234, {0xAB, 0xCD});
    DemoFile file;
    std::string error;
    ASSERT_TRUE(file.Parse(bytes.data(), bytes.size(), "1.0", error)) << error;
    EXPECT_EQ(file.mFormatVersion, 1u);
    EXPECT_EQ(file.mRandSeed, 77u);
    EXPECT_EQ(file.mDemoLength, 1234);
    EXPECT_TRUE(file.mMarkers.empty());
    EXPECT_EQ(file.mEvents, (std::vector<uint8_t>{0xAB, 0xCD}));
}

TEST(DemoFileTest, VersionTextBeyond255BytesComparesItsStart) {
    const std::string longVersion(300, 'v');
    DemoFile original = Sample();
    original.mProductVersion = longVersion;
    const std::vector<uint8_t> written = original.Serialize();
    EXPECT_EQ(written[12] | written[13] << 8, 255) << "the writer keeps within 255 bytes";
    DemoFile read;
    std::string error;
    ASSERT_TRUE(read.Parse(written.data(), written.size(), longVersion, error)) << error;
    EXPECT_EQ(read.mEvents, original.mEvents);

    // A foreign file with a longer text: the fields after it are still found.
    const std::vector<uint8_t> block = MarkerBlock(0, {});
    const std::vector<uint8_t> bytes =
        Handmade(2, longVersion, &block, static_cast<int32_t>(block.size()), 42, {0x05});
    ASSERT_TRUE(read.Parse(bytes.data(), bytes.size(), longVersion, error)) << error;
    EXPECT_EQ(read.mDemoLength, 42);
    EXPECT_EQ(read.mEvents, (std::vector<uint8_t>{0x05}));
}

}  // namespace
