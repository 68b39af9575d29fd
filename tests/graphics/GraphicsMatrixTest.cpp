// Matrix and complex-transform drawing through the drawing context into the
// surface images the game draws into (the display's screen, offscreen images
// with and without alpha), checked against the same drawing into a memory
// image.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DDImageTestSupport.h"
#include "graphics/DDImage.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "util/Matrix3x3.h"
#include "util/Transform2D.h"

using namespace Vesk;
using namespace Vesk::test;
using platform::PixelFormat;

namespace {

constexpr int32_t kSrcW = 12;
constexpr int32_t kSrcH = 8;
constexpr int32_t kDestW = 64;
constexpr int32_t kDestH = 48;
constexpr uint32_t kBackground = 0xFF102030;

std::vector<uint32_t> SourcePixels(bool softAlpha) {
    std::vector<uint32_t> out(static_cast<size_t>(kSrcW * kSrcH));
    for (size_t i = 0; i < out.size(); ++i) {
        const uint32_t alpha = softAlpha && i % 3 == 0 ? (i % 2 == 0 ? 0u : 0x80u) : 0xFFu;
        out[i] = (alpha << 24) | (static_cast<uint32_t>(i * 0x0A0B17 + 0x202020) & 0xFFFFFF);
    }
    return out;
}

Transform2D RotatedAndScaled(float angle, float sx, float sy) {
    Transform2D t;
    t.Scale(sx, sy);
    t.Rotate(angle);
    return t;
}

struct DrawCase {
    const char* name;
    std::function<void(Graphics&, Image*)> draw;
};

const DrawCase kCases[] = {
    {"identity",
     [](Graphics& g, Image* src) {
         Matrix3x3 m;
         m.SetIdentity();
         g.DrawImageMatrix(src, m, Rect(0, 0, kSrcW, kSrcH), 30.0f, 20.0f);
     }},
    {"scale",
     [](Graphics& g, Image* src) {
         g.DrawImageTransform(src, RotatedAndScaled(0.0f, 2.0f, 1.5f), 30, 20);
     }},
    {"rotate and scale",
     [](Graphics& g, Image* src) {
         g.DrawImageTransform(src, RotatedAndScaled(0.6f, 1.5f, 1.5f), 30.0f, 20.0f);
     }},
    // As particles draw: rotation first, then a scale, tinted.
    {"tinted particle",
     [](Graphics& g, Image* src) {
         g.SetColorizeImages(true);
         g.SetColor(Color(255, 128, 64, 200));
         Transform2D t;
         t.Rotate(0.3f);
         t.Scale(1.5f, 1.5f);
         g.DrawImageTransform(src, t, 30.0f, 20.0f);
     }},
    {"translated and clipped",
     [](Graphics& g, Image* src) {
         g.Translate(5, 3);
         g.ClipRect(15, 7, 15, 40);
         g.DrawImageTransform(src, RotatedAndScaled(-0.3f, 1.25f, 2.0f), 25.0f, 17.0f);
     }},
    {"filtered additive",
     [](Graphics& g, Image* src) {
         g.SetLinearBlend(true);
         g.SetDrawMode(kDrawModeAdditive);
         g.DrawImageTransform(src, RotatedAndScaled(0.6f, 1.5f, 1.5f), 30.0f, 20.0f);
     }},
};

class GraphicsMatrixTest : public ::testing::TestWithParam<PixelFormat> {
protected:
    void SetUp() override { ASSERT_TRUE(mDisplay.Ready()); }

    // Each channel within one step of the surface's precision (the surface
    // blenders round apart from the memory image's); alpha within one.
    void ExpectClose(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want) {
        const PixelFormat f = GetParam();
        ASSERT_EQ(got.size(), want.size());
        int failures = 0;
        for (size_t i = 0; i < got.size() && failures < 3; ++i) {
            const uint32_t g = ToSurface(f, got[i]);
            const uint32_t w = ToSurface(f, want[i]);
            bool close = std::abs(static_cast<int32_t>(got[i] >> 24) -
                                  static_cast<int32_t>(want[i] >> 24)) <= 1;
            for (uint32_t mask : {f.redMask, f.greenMask, f.blueMask}) {
                const int32_t shift = Channel(mask).mShift;
                close = close && std::abs(static_cast<int32_t>((g & mask) >> shift) -
                                          static_cast<int32_t>((w & mask) >> shift)) <= 1;
            }
            if (!close) {
                ++failures;
                ADD_FAILURE() << "pixel " << i % kDestW << "," << i / kDestW << " got " << std::hex
                              << got[i] << " want " << want[i];
            }
        }
    }

    SurfaceDisplay mDisplay{GetParam()};
};

TEST_P(GraphicsMatrixTest, SurfaceImagesDrawLikeAMemoryImage) {
    const std::vector<uint32_t> opaque = SourcePixels(false);
    const std::vector<uint32_t> soft = SourcePixels(true);
    MemoryImage opaqueMemory(nullptr);
    opaqueMemory.SetBits(opaque.data(), kSrcW, kSrcH);
    MemoryImage softMemory(nullptr);
    softMemory.SetBits(soft.data(), kSrcW, kSrcH);
    auto surfaceSource = MakeSurfaceImage(mDisplay.DD(), opaque, kSrcW, kSrcH);
    ASSERT_NE(surfaceSource->GetSurface(), nullptr);
    // As the resource loader leaves an image: its pixels only on the surface.
    auto purgedSource = MakeSurfaceImage(mDisplay.DD(), opaque, kSrcW, kSrcH);
    purgedSource->mWantDDSurface = true;
    purgedSource->PurgeBits();
    ASSERT_EQ(purgedSource->mBits, nullptr);
    // ...and reads back in the surface's precision.
    std::vector<uint32_t> rounded;
    for (uint32_t p : opaque) {
        rounded.push_back(FromSurface(GetParam(), ToSurface(GetParam(), p)));
    }
    MemoryImage roundedMemory(nullptr);
    roundedMemory.SetBits(rounded.data(), kSrcW, kSrcH);
    // Each source with the memory image its reference is drawn from.
    const std::pair<Image*, MemoryImage*> sources[] = {{&opaqueMemory, &opaqueMemory},
                                                       {&softMemory, &softMemory},
                                                       {surfaceSource.get(), &opaqueMemory},
                                                       {purgedSource.get(), &roundedMemory}};

    DDImage* screen = mDisplay.DD().GetScreenImage();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->mWidth, kDestW);
    ASSERT_EQ(screen->mHeight, kDestH);
    // Destinations by image mode (transparency, alpha); the screen is opaque.
    const std::pair<const char*, std::pair<bool, bool>> destinations[] = {
        {"screen", {false, false}},
        {"offscreen", {false, false}},
        {"offscreen keyed", {true, false}},
        {"offscreen alpha", {false, true}}};

    for (const auto& [destName, mode] : destinations) {
        for (const DrawCase& c : kCases) {
            for (size_t s = 0; s < std::size(sources); ++s) {
                SCOPED_TRACE(::testing::Message()
                             << destName << ", " << c.name << ", source " << s);
                std::unique_ptr<DDImage> offscreen;
                DDImage* dest = screen;
                if (dest != nullptr && std::string(destName) != "screen") {
                    offscreen = std::make_unique<DDImage>(&mDisplay.DD());
                    offscreen->Create(kDestW, kDestH);
                    offscreen->SetImageMode(mode.first, mode.second);
                    dest = offscreen.get();
                }
                MemoryImage reference(nullptr);
                reference.Create(kDestW, kDestH);
                reference.SetImageMode(mode.first, mode.second);
                for (Image* image : {static_cast<Image*>(dest), static_cast<Image*>(&reference)}) {
                    image->FillRect(Rect(0, 0, kDestW, kDestH), Color::ColorFromInt(kBackground),
                                    kDrawModeNormal);
                    // Locked for the whole frame, as the widget manager draws.
                    const bool locked = image == screen && screen->LockSurface();
                    Graphics g(image);
                    c.draw(g, image == dest ? sources[s].first : sources[s].second);
                    if (locked) {
                        screen->UnlockSurface();
                    }
                }
                std::vector<uint32_t> got;
                if (dest == screen) {
                    for (uint32_t v : SurfaceValues(*screen->mSurface)) {
                        got.push_back(FromSurface(GetParam(), v));
                    }
                } else {
                    const uint32_t* bits = dest->GetBits();
                    ASSERT_NE(bits, nullptr);
                    got.assign(bits, bits + kDestW * kDestH);
                }
                const uint32_t* wantBits = reference.GetBits();
                const std::vector<uint32_t> want(wantBits, wantBits + kDestW * kDestH);
                const auto drawn = std::count_if(want.begin(), want.end(),
                                                 [](uint32_t p) { return p != kBackground; });
                EXPECT_GE(drawn, kSrcW * kSrcH / 2);
                ExpectClose(got, want);
            }
        }
    }
}

TEST_P(GraphicsMatrixTest, TexturedTrianglesReachAnImageWithAlpha) {
    const std::vector<uint32_t> pixels = SourcePixels(true);
    MemoryImage texture(nullptr);
    texture.SetBits(pixels.data(), kSrcW, kSrcH);
    const TriVertex triangles[2][3] = {{{4, 4, 0, 0, 0}, {36, 4, 1, 0, 0}, {4, 28, 0, 1, 0}},
                                       {{36, 4, 1, 0, 0}, {36, 28, 1, 1, 0}, {4, 28, 0, 1, 0}}};
    DDImage dest(&mDisplay.DD());
    dest.Create(kDestW, kDestH);
    dest.SetImageMode(false, true);
    MemoryImage reference(nullptr);
    reference.Create(kDestW, kDestH);
    reference.SetImageMode(false, true);
    for (MemoryImage* image : {static_cast<MemoryImage*>(&dest), &reference}) {
        image->FillRect(Rect(0, 0, kDestW, kDestH), Color::ColorFromInt(kBackground),
                        kDrawModeNormal);
        image->BltTrianglesTex(&texture, triangles, 2, Rect(0, 0, kDestW, kDestH), Color::White,
                               kDrawModeNormal, 0.5f, 0.5f, false);
    }
    const uint32_t* got = dest.GetBits();
    const uint32_t* want = reference.GetBits();
    ASSERT_NE(got, nullptr);
    EXPECT_NE(want[16 * kDestW + 16], kBackground);
    EXPECT_TRUE(std::equal(got, got + kDestW * kDestH, want));
}

INSTANTIATE_TEST_SUITE_P(Formats, GraphicsMatrixTest,
                         ::testing::Values(PixelFormat::Rgb565(), PixelFormat::Xrgb8888()),
                         [](const auto& param) { return std::string(FormatName(param.param)); });

}  // namespace
