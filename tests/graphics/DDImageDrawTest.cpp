#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>
#include <vector>

#include "DDImageTestSupport.h"
#include "graphics/DDImage.h"
#include "graphics/MemoryImage.h"

using namespace Vesk;
using namespace Vesk::test;
using platform::PixelFormat;

namespace {

constexpr int32_t kW = 64;
constexpr int32_t kH = 16;

class DDImageDrawTest : public ::testing::TestWithParam<PixelFormat> {
protected:
    void SetUp() override { ASSERT_TRUE(mDisplay.Ready()); }

    // An opaque image of one colour that lives in its surface.
    std::unique_ptr<DDImage> Canvas(uint32_t argb = 0xFF000000) {
        auto image = MakeSurfaceImage(mDisplay.DD(), std::vector<uint32_t>(kW * kH, argb), kW, kH);
        EXPECT_NE(image->GetSurface(), nullptr);
        return image;
    }

    std::vector<uint32_t> Values(DDImage& image) { return SurfaceValues(*image.mSurface); }
    uint32_t At(DDImage& image, int32_t x, int32_t y) {
        return Values(image)[static_cast<size_t>(y * kW + x)];
    }

    // The positions whose value differs from `background`.
    std::set<std::pair<int32_t, int32_t>> Changed(DDImage& image, uint32_t background) {
        std::set<std::pair<int32_t, int32_t>> out;
        const std::vector<uint32_t> v = Values(image);
        for (int32_t i = 0; i < kW * kH; ++i) {
            if (v[static_cast<size_t>(i)] != background) {
                out.insert({i % kW, i / kW});
            }
        }
        return out;
    }

    const PixelFormat& Format() const { return mFormat; }
    bool Is16() const { return mFormat.bitsPerPixel == 16; }

    PixelFormat mFormat = GetParam();
    SurfaceDisplay mDisplay{GetParam()};
};

uint32_t Field(uint32_t v, uint32_t mask) {
    return (v & mask) >> Channel(mask).mShift;
}

}  // namespace

TEST_P(DDImageDrawTest, OpaqueWhiteFillAndLine) {
    auto image = Canvas();
    image->FillRect(Rect(1, 1, 3, 2), Color::White, kDrawModeNormal);
    const uint32_t fill = Is16() ? (Format().redMask | Format().greenMask | Format().blueMask)
                                 : ToSurface(Format(), 0xFFFEFEFE);
    if (Format() == PixelFormat::Xrgb8888()) {
        EXPECT_EQ(fill, 0xFEFEFEu);
    }
    EXPECT_EQ(Changed(*image, 0), (std::set<std::pair<int32_t, int32_t>>{
                                      {1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2}}));
    EXPECT_EQ(At(*image, 2, 2), fill);
    // The surface holds the only copy now.
    EXPECT_EQ(image->mBits, nullptr);

    auto line = Canvas();
    line->DrawLine(0.5, 0.5, 4.5, 4.5, Color::White, kDrawModeNormal);
    EXPECT_EQ(Changed(*line, 0),
              (std::set<std::pair<int32_t, int32_t>>{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}));
    if (Format() == PixelFormat::Rgb565()) {
        EXPECT_EQ(At(*line, 2, 2), 0xF7DEu);
    } else if (Format() == PixelFormat::Xrgb8888()) {
        EXPECT_EQ(At(*line, 2, 2), 0xFEFEFEu);
    }
}

TEST_P(DDImageDrawTest, StraightLinesAreFills) {
    auto image = Canvas();
    image->DrawLine(3.7, 5.9, 1.2, 5.9, Color::White, kDrawModeNormal);
    EXPECT_EQ(Changed(*image, 0), (std::set<std::pair<int32_t, int32_t>>{{1, 5}, {2, 5}, {3, 5}}));
    auto vertical = Canvas();
    vertical->DrawLineAA(2.5, 4.9, 2.5, 1.2, Color::White, kDrawModeNormal);
    EXPECT_EQ(Changed(*vertical, 0),
              (std::set<std::pair<int32_t, int32_t>>{{2, 1}, {2, 2}, {2, 3}, {2, 4}}));
}

TEST_P(DDImageDrawTest, TranslucentFillMatchesTheFormula) {
    std::mt19937 rng(9);
    std::vector<uint32_t> background(kW * kH);
    for (uint32_t& p : background) {
        p = 0xFF000000 | (rng() & 0xFFFFFF);
    }
    auto image = MakeSurfaceImage(mDisplay.DD(), background, kW, kH);
    ASSERT_NE(image->GetSurface(), nullptr);
    const std::vector<uint32_t> before = Values(*image);
    const Color color(200, 90, 17, 77);
    image->FillRect(Rect(0, 0, kW, kH), color, kDrawModeNormal);
    const std::vector<uint32_t> after = Values(*image);
    const uint32_t masks[3] = {Format().redMask, Format().greenMask, Format().blueMask};
    const uint32_t v[3] = {200, 90, 17};
    const uint32_t ca = 77;
    for (size_t i = 0; i < after.size(); ++i) {
        uint32_t expected = 0;
        for (int c = 0; c < 3; ++c) {
            const uint32_t m = masks[c];
            const uint32_t max = m >> Channel(m).mShift;
            const uint32_t dc = Field(before[i], m);
            // Premultiplied colour rounded into the channel, the destination
            // scaled by 256 - alpha.
            const uint32_t pc = ((((v[c] * ca + (Is16() ? 128 : 127)) >> 8) + 1) * max) >> 8;
            const uint32_t kept =
                Is16() ? ((dc << 8) * (256 - ca) + (max << 8)) >> 16 : (dc * (256 - ca)) >> 8;
            expected |= (pc + kept) << Channel(m).mShift;
        }
        ASSERT_EQ(after[i], expected) << "pixel " << i;
    }
}

TEST_P(DDImageDrawTest, AdditiveFillAndLineSaturate) {
    auto image = Canvas(0xFFFFFFFF);
    const uint32_t white = Values(*image)[0];
    image->FillRect(Rect(0, 0, 4, 4), Color::White, kDrawModeAdditive);
    image->DrawLine(0.0, 0.0, 3.0, 2.0, Color::White, kDrawModeAdditive);
    EXPECT_EQ(Changed(*image, white).size(), 0u);

    auto dark = Canvas();
    dark->FillRect(Rect(0, 0, 1, 1), Color(255, 0, 0, 128), kDrawModeAdditive);
    const SurfaceChannel red = Channel(Format().redMask);
    EXPECT_EQ(At(*dark, 0, 0), ((128u >> (8 - red.mBits)) << red.mShift));
    dark->FillRect(Rect(0, 0, 1, 1), Color(255, 0, 0, 128), kDrawModeAdditive);
    dark->FillRect(Rect(0, 0, 1, 1), Color(255, 0, 0, 128), kDrawModeAdditive);
    EXPECT_EQ(At(*dark, 0, 0), Format().redMask);
}

TEST_P(DDImageDrawTest, TransparentColourLeavesPixelsAlone) {
    auto image = Canvas(0xFF336699);
    const uint32_t value = Values(*image)[0];
    image->DrawLine(0.0, 0.0, 10.0, 7.0, Color(255, 255, 255, 0), kDrawModeNormal);
    image->DrawLineAA(0.0, 0.0, 10.0, 7.0, Color(255, 255, 255, 0), kDrawModeNormal);
    image->FillRect(Rect(0, 0, 5, 5), Color(255, 255, 255, 0), kDrawModeNormal);
    EXPECT_EQ(Changed(*image, value).size(), 0u);
}

TEST_P(DDImageDrawTest, LineReachesItsEndWhenTheMinorAxisFalls) {
    auto image = Canvas();
    image->DrawLine(0.0, 3.5, 10.0, 0.2, Color::White, kDrawModeNormal);
    const auto changed = Changed(*image, 0);
    EXPECT_EQ(changed, (std::set<std::pair<int32_t, int32_t>>{{0, 3},
                                                              {1, 3},
                                                              {2, 2},
                                                              {3, 2},
                                                              {4, 2},
                                                              {5, 1},
                                                              {6, 1},
                                                              {7, 1},
                                                              {8, 0},
                                                              {9, 0},
                                                              {10, 0}}));
}

TEST_P(DDImageDrawTest, AntiAliasedLineWeights) {
    auto image = Canvas();
    image->DrawLineAA(0.0, 0.0, 10.0, 5.0, Color::White, kDrawModeNormal);
    const auto changed = Changed(*image, 0);
    // Pixels on the line and the neighbours of half weight.
    EXPECT_TRUE(changed.count({0, 0}));
    EXPECT_TRUE(changed.count({1, 0}));
    EXPECT_TRUE(changed.count({1, 1}));
    EXPECT_TRUE(changed.count({2, 1}));
    EXPECT_TRUE(changed.count({10, 5}));
    EXPECT_FALSE(changed.count({2, 2}));
    EXPECT_FALSE(changed.count({11, 5}));
    if (Format() == PixelFormat::Xrgb8888()) {
        // The colour is 0xFEFEFE in the surface, then weighted by 255 / 256.
        EXPECT_EQ(At(*image, 0, 0), 0xFDFDFDu);
        EXPECT_EQ(At(*image, 1, 0), 0x7E7E7Eu);
        EXPECT_EQ(At(*image, 1, 1), 0x7F7F7Fu);
        EXPECT_EQ(At(*image, 10, 5), 0x7E7E7Eu);
    } else if (Format() == PixelFormat::Rgb565()) {
        EXPECT_EQ(At(*image, 0, 0), 0xEF9Du);
    }

    // Additive anti-aliased lines draw nothing on a surface.
    auto additive = Canvas();
    additive->DrawLineAA(0.0, 0.0, 10.0, 5.0, Color::White, kDrawModeAdditive);
    EXPECT_TRUE(Changed(*additive, 0).empty());
}

TEST_P(DDImageDrawTest, AntiAliasedLineStaysInside) {
    // Steps left down to column 0: its neighbour would be column -1, the end
    // of the row above.
    auto image = Canvas();
    image->DrawLineAA(1.5, 0.5, 0.2, 5.5, Color::White, kDrawModeNormal);
    for (const auto& [x, y] : Changed(*image, 0)) {
        EXPECT_LE(x, 1) << x << "," << y;
    }
    // Both ends in one pixel: that pixel only.
    auto dot = Canvas();
    dot->DrawLineAA(2.2, 2.2, 2.7, 2.9, Color::White, kDrawModeNormal);
    EXPECT_EQ(Changed(*dot, 0), (std::set<std::pair<int32_t, int32_t>>{{2, 2}}));
    // Lines and fills reaching far outside draw only what is inside.
    auto wide = Canvas();
    wide->DrawLineAA(-100.5, -3.0, 200.0, 40.25, Color::White, kDrawModeNormal);
    wide->DrawLine(-100.5, -3.0, 200.0, 40.25, Color::White, kDrawModeNormal);
    wide->DrawLine(-100.5, -3.0, 200.0, 40.25, Color::White, kDrawModeAdditive);
    wide->FillRect(Rect(-5, -5, 100, 100), Color(1, 2, 3, 100), kDrawModeNormal);
    wide->FillRect(Rect(INT32_MAX - 2, 0, 10, 10), Color::White, kDrawModeNormal);
    wide->FillRect(Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), Color::White,
                   kDrawModeAdditive);
    wide->DrawLine(1e300, 0.0, 5.0, 5.0, Color::White, kDrawModeNormal);
    EXPECT_EQ(Values(*wide).size(), static_cast<size_t>(kW * kH));
}

TEST_P(DDImageDrawTest, ImagesWithTransparencyDrawIntoTheirBits) {
    std::vector<uint32_t> bits(kW * kH, 0xFF000000);
    bits[0] = 0x00000000;
    auto image = MakeSurfaceImage(mDisplay.DD(), bits, kW, kH);
    MemoryImage reference(nullptr);
    reference.SetBits(bits.data(), kW, kH);
    image->FillRect(Rect(2, 2, 5, 5), Color(10, 20, 30, 200), kDrawModeNormal);
    reference.FillRect(Rect(2, 2, 5, 5), Color(10, 20, 30, 200), kDrawModeNormal);
    image->DrawLineAA(0.0, 0.0, 20.0, 9.0, Color::White, kDrawModeNormal);
    reference.DrawLine(0.0, 0.0, 20.0, 9.0, Color::White, kDrawModeNormal);
    EXPECT_EQ(image->mSurface, nullptr);
    EXPECT_EQ(std::vector<uint32_t>(image->GetBits(), image->GetBits() + kW * kH),
              std::vector<uint32_t>(reference.GetBits(), reference.GetBits() + kW * kH));
}

TEST_P(DDImageDrawTest, NothingIsDrawnWithoutALock) {
    auto image =
        MakeSurfaceImage(mDisplay.DD(), std::vector<uint32_t>(kW * kH, 0xFF123456), kW, kH);
    // The lock of the surface's creation fails: no surface, the bits stay.
    mDisplay.Device().InjectFailure(platform::DisplayOp::Lock, platform::DDERR_SURFACELOST);
    image->FillRect(Rect(0, 0, 4, 4), Color::White, kDrawModeNormal);
    ASSERT_NE(image->mBits, nullptr);
    EXPECT_EQ(image->GetBits()[0], 0xFF123456u);

    // A video-only surface is never written by the fills and plain lines.
    ASSERT_NE(image->GetSurface(), nullptr);
    const std::vector<uint32_t> before = Values(*image);
    image->mVideoOnly = true;
    image->FillRect(Rect(0, 0, 4, 4), Color::White, kDrawModeNormal);
    image->DrawLine(0.0, 0.0, 9.0, 4.0, Color::White, kDrawModeAdditive);
    EXPECT_EQ(Values(*image), before);
    image->mVideoOnly = false;

    // Other modes draw nothing.
    image->FillRect(Rect(0, 0, 4, 4), Color::White, 2);
    image->DrawLine(0.0, 0.0, 9.0, 4.0, Color::White, 2);
    EXPECT_EQ(Values(*image), before);
}

INSTANTIATE_TEST_SUITE_P(Formats, DDImageDrawTest,
                         ::testing::Values(PixelFormat::Rgb565(), PixelFormat::Rgb555(), kRgb444,
                                           PixelFormat::Xrgb8888()),
                         [](const auto& param) { return std::string(FormatName(param.param)); });
