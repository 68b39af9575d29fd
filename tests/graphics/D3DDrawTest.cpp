#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "D3DTestSupport.h"
#include "graphics/D3DInterface.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "graphics/TextureData.h"
#include "graphics/VertexList.h"
#include "util/Matrix3x3.h"
#include "util/Transform2D.h"

namespace Vesk {
namespace {

using platform::PixelFormat;
using platform::PrimitiveType;
using platform::TLVertex;
using test::DeviceCall;
using test::DeviceScript;
using test::MakeImage;
using test::ScriptedFactory;
using test::TestDisplay;

uint32_t Pattern(int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>((x * 23 + y * 7) & 0xFF) << 16 |
           static_cast<uint32_t>((x * 3 + y * 31) & 0xFF) << 8 |
           static_cast<uint32_t>((x * 11 ^ y * 5) & 0xFF);
}

uint32_t Sprite(int32_t x, int32_t y) {
    // A soft disc on a transparent square.
    const int32_t dx = x - 12;
    const int32_t dy = y - 10;
    const int32_t d = dx * dx + dy * dy;
    const uint32_t alpha = d < 49 ? 255u : d < 100 ? 160u : d < 144 ? 60u : 0u;
    return (alpha << 24) | (Pattern(x * 5, y * 3) & 0xFFFFFF);
}

class RecordedDraws : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mDisplay.Ready()) << mDisplay.DD().mErrorString;
        mScript->calls.clear();
    }
    std::vector<const DeviceCall*> Draws() const { return mScript->Of("DrawPrimitive"); }
    // The textures bound for drawing, leaving out the unbinding.
    std::vector<const platform::Texture3D*> Bound() const {
        std::vector<const platform::Texture3D*> out;
        for (const DeviceCall* call : mScript->Of("SetTexture")) {
            if (call->texture != nullptr) {
                out.push_back(call->texture);
            }
        }
        return out;
    }
    D3DInterface& D3D() { return mDisplay.D3D(); }

    std::shared_ptr<DeviceScript> mScript = std::make_shared<DeviceScript>();
    TestDisplay mDisplay{PixelFormat::Xrgb8888(), true, ScriptedFactory(mScript)};
};

void ExpectVertex(const TLVertex& v, float x, float y) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_EQ(v.z, 0.0f);
    EXPECT_EQ(v.rhw, 1.0f);
    EXPECT_EQ(v.specular, 0u);
}

TEST_F(RecordedDraws, ALineEndsHalfAPixelBeyondItsEndPoint) {
    D3D().DrawLine(10, 10, 20, 10, Color(1, 2, 3, 4), kDrawModeNormal);
    const auto draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->type, PrimitiveType::LineStrip);
    EXPECT_EQ(draws[0]->value, 0x1C4u);
    ASSERT_EQ(draws[0]->vertices.size(), 3u);
    ExpectVertex(draws[0]->vertices[0], 10, 10);
    ExpectVertex(draws[0]->vertices[1], 20, 10);
    ExpectVertex(draws[0]->vertices[2], 20.5f, 10.5f);
    EXPECT_EQ(draws[0]->vertices[0].diffuse, 0x04010203u);
    const auto textures = mScript->Of("SetTexture");
    ASSERT_FALSE(textures.empty());
    EXPECT_EQ(textures.back()->texture, nullptr);
}

TEST_F(RecordedDraws, ARectangleFillSitsOnPixelCentres) {
    D3D().FillRect(Rect(0, 0, 10, 10), Color::White, kDrawModeNormal);
    const auto draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->type, PrimitiveType::TriangleStrip);
    ASSERT_EQ(draws[0]->vertices.size(), 4u);
    ExpectVertex(draws[0]->vertices[0], -0.5f, -0.5f);
    ExpectVertex(draws[0]->vertices[1], -0.5f, 9.5f);
    ExpectVertex(draws[0]->vertices[2], 9.5f, -0.5f);
    ExpectVertex(draws[0]->vertices[3], 9.5f, 9.5f);
}

TEST_F(RecordedDraws, AnAdditiveDrawAddsTheSourceToTheDestination) {
    D3D().FillRect(Rect(0, 0, 1, 1), Color::White, kDrawModeAdditive);
    uint32_t dest = 0;
    for (const auto* call : mScript->Of("SetRenderState")) {
        if (call->state == static_cast<uint32_t>(platform::RenderState::DestBlend)) {
            dest = call->value;
        }
    }
    EXPECT_EQ(dest, static_cast<uint32_t>(platform::Blend::One));
    D3D().FillRect(Rect(0, 0, 1, 1), Color::White, kDrawModeNormal);
    for (const auto* call : mScript->Of("SetRenderState")) {
        if (call->state == static_cast<uint32_t>(platform::RenderState::DestBlend)) {
            dest = call->value;
        }
    }
    EXPECT_EQ(dest, static_cast<uint32_t>(platform::Blend::InvSrcAlpha));
}

TEST_F(RecordedDraws, ABlitWiderThanAPieceIsDrawnPieceByPieceWithoutAGap) {
    auto image = MakeImage(mDisplay.Images(), 300, 20, Sprite);
    D3D().Blt(image.get(), 5, 6, Rect(0, 0, 300, 20), Color::White, kDrawModeNormal, false);
    const auto draws = Draws();
    ASSERT_EQ(draws.size(), 2u);
    const auto& first = draws[0]->vertices;
    const auto& second = draws[1]->vertices;
    ExpectVertex(first[0], 4.5f, 5.5f);
    ExpectVertex(first[3], 260.5f, 25.5f);
    EXPECT_FLOAT_EQ(first[3].u, 1.0f);
    EXPECT_FLOAT_EQ(first[3].v, 20.0f / 32.0f);
    ExpectVertex(second[0], 260.5f, 5.5f);
    ExpectVertex(second[3], 304.5f, 25.5f);
    EXPECT_FLOAT_EQ(second[0].u, 0.0f);
    EXPECT_FLOAT_EQ(second[3].u, 44.0f / 64.0f);
    ASSERT_EQ(Bound().size(), 2u);
    EXPECT_NE(Bound()[0], Bound()[1]);
}

TEST_F(RecordedDraws, OnlyPiecesThatLeaveTheClipAreClippedInSoftware) {
    auto image = MakeImage(mDisplay.Images(), 10, 10, Sprite);
    const Rect all(0, 0, 64, 48);
    D3D().BltRotated(image.get(), 20, 20, &all, Color::White, kDrawModeNormal, 5, 5,
                     Rect(0, 0, 10, 10), 0.3);
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_EQ(Draws()[0]->type, PrimitiveType::TriangleStrip);

    mScript->calls.clear();
    const Rect narrow(0, 0, 26, 48);
    D3D().BltRotated(image.get(), 20, 20, &narrow, Color::White, kDrawModeNormal, 5, 5,
                     Rect(0, 0, 10, 10), 0.3);
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_EQ(Draws()[0]->type, PrimitiveType::TriangleFan);
    for (const TLVertex& v : Draws()[0]->vertices) {
        EXPECT_LE(v.x, 26.0f);
    }

    mScript->calls.clear();
    const Rect elsewhere(40, 40, 10, 5);
    D3D().BltRotated(image.get(), 20, 20, &elsewhere, Color::White, kDrawModeNormal, 5, 5,
                     Rect(0, 0, 10, 10), 0.3);
    EXPECT_TRUE(Draws().empty());
}

TEST_F(RecordedDraws, PolygonsNeedThreePointsAndSomethingInsideTheClip) {
    const Point two[] = {{1, 1}, {10, 10}};
    D3D().FillPoly(two, 2, nullptr, Color::White, kDrawModeNormal, 0, 0);
    EXPECT_TRUE(mScript->calls.empty());

    const Point triangle[] = {{1, 1}, {10, 1}, {1, 10}};
    const Rect away(30, 30, 10, 10);
    D3D().FillPoly(triangle, 3, &away, Color::White, kDrawModeNormal, 0, 0);
    EXPECT_TRUE(Draws().empty());

    D3D().FillPoly(triangle, 3, nullptr, Color::White, kDrawModeNormal, 2, 3);
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_EQ(Draws()[0]->type, PrimitiveType::TriangleFan);
    ExpectVertex(Draws()[0]->vertices[1], 12, 4);
}

TEST_F(RecordedDraws, TrianglesOfAOnePieceImageGoOutAHundredAtATime) {
    auto image = MakeImage(mDisplay.Images(), 20, 20, Sprite);
    std::vector<TriVertex> corners;
    for (int i = 0; i < 250; ++i) {
        const float x = static_cast<float>(i % 50);
        corners.push_back({x, 0, 0, 0, 0});
        corners.push_back({x + 4, 0, 1, 0, 0xFF00FF00});
        corners.push_back({x, 4, 0, 1, 0});
    }
    const auto* triangles = reinterpret_cast<const TriVertex(*)[3]>(corners.data());
    D3D().BltTriangles(triangles, 250, Color(255, 0, 0), kDrawModeNormal, image.get(), 1, 2, false);
    const auto draws = Draws();
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0]->vertices.size(), 300u);
    EXPECT_EQ(draws[1]->vertices.size(), 300u);
    EXPECT_EQ(draws[2]->vertices.size(), 150u);
    EXPECT_EQ(draws[0]->type, PrimitiveType::TriangleList);
    EXPECT_EQ(Bound().size(), 1u);
    const TLVertex& v = draws[0]->vertices[1];
    ExpectVertex(v, 5, 2);
    EXPECT_FLOAT_EQ(v.u, 20.0f / 32.0f);
    EXPECT_EQ(v.diffuse, 0xFF00FF00u);
    EXPECT_EQ(draws[0]->vertices[0].diffuse, 0xFFFF0000u);
}

TEST_F(RecordedDraws, ATriangleAcrossPiecesIsDrawnOncePerPiece) {
    auto image = MakeImage(mDisplay.Images(), 300, 20, Sprite);
    const TriVertex triangle[1][3] = {
        {{10, 10, 0.5f, 0.1f, 0}, {40, 10, 0.95f, 0.1f, 0}, {10, 30, 0.5f, 0.9f, 0}}};
    D3D().BltTriangles(triangle, 1, Color::White, kDrawModeNormal, image.get(), 0, 0, true);
    const auto draws = Draws();
    ASSERT_EQ(draws.size(), 2u);
    for (const DeviceCall* draw : draws) {
        EXPECT_EQ(draw->type, PrimitiveType::TriangleFan);
        for (const TLVertex& v : draw->vertices) {
            EXPECT_GE(v.u, 0.0f);
            EXPECT_LE(v.u, 1.0f);
        }
    }
    // The last column's texture is 64 wide for 44 columns of the image.
    float largest = 0.0f;
    for (const TLVertex& v : draws[1]->vertices) {
        largest = std::max(largest, v.u);
    }
    EXPECT_NEAR(largest, (0.95f * 300.0f - 256.0f) / 64.0f, 1e-4f);
}

TEST_F(RecordedDraws, AFloatBlitIsFilteredWholeClippedOrLeftOut) {
    auto image = MakeImage(mDisplay.Images(), 10, 10, Sprite);
    DDImage* screen = mDisplay.Screen();
    screen->BltF(image.get(), 5.5f, 6.5f, Rect(0, 0, 10, 10), Rect(0, 0, 64, 48), Color::White,
                 kDrawModeNormal);
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_EQ(Draws()[0]->type, PrimitiveType::TriangleStrip);
    EXPECT_TRUE(D3DInterface::sLinearFilter);
    ExpectVertex(Draws()[0]->vertices[0], 5.0f, 6.0f);

    mScript->calls.clear();
    screen->BltF(image.get(), 5.5f, 6.5f, Rect(0, 0, 10, 10), Rect(0, 0, 10, 48), Color::White,
                 kDrawModeNormal);
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_EQ(Draws()[0]->type, PrimitiveType::TriangleFan);

    mScript->calls.clear();
    screen->BltF(image.get(), 5.5f, 6.5f, Rect(0, 0, 10, 10), Rect(30, 30, 5, 5), Color::White,
                 kDrawModeNormal);
    EXPECT_TRUE(Draws().empty());
}

TEST_F(RecordedDraws, CoverageOnTheThreeDScreenRebasesTheSpans) {
    Span spans[] = {{10, 20, 5}, {11, 18, 4}};
    const uint8_t coverage[64] = {};
    mDisplay.Screen()->FillScanLinesWithCoverage(spans, 2, Color(255, 0, 0), kDrawModeNormal,
                                                 coverage, 0, 0, 64, 1);
    EXPECT_EQ(spans[0].mX, 2);
    EXPECT_EQ(spans[0].mY, 0);
    EXPECT_EQ(spans[1].mX, 0);
    EXPECT_EQ(spans[1].mY, 1);
    ASSERT_EQ(Draws().size(), 1u);
    ExpectVertex(Draws()[0]->vertices[0], 17.5f, 9.5f);
    // The temporary image took its textures with it.
    EXPECT_TRUE(D3D().TexturedImages().empty());
}

// ---- The same picture as in 2-D ------------------------------------------------------------

struct Images {
    std::unique_ptr<MemoryImage> sprite;  // soft alpha
    std::unique_ptr<MemoryImage> block;   // opaque, kept 32-bit in textures
    std::unique_ptr<MemoryImage> plain;   // opaque, 16-bit textures allowed
    std::unique_ptr<MemoryImage> smooth;  // opaque gradients, for the filtered draws
};

Images MakeImages(TestDisplay& display) {
    Images images;
    images.sprite = MakeImage(display.Images(), 24, 20, Sprite);
    images.block = MakeImage(display.Images(), 16, 12, Pattern);
    images.block->mTextureFlags = kTextureNoR5G6B5;
    images.plain = MakeImage(display.Images(), 16, 12, Pattern);
    images.smooth = MakeImage(display.Images(), 16, 12, [](int32_t x, int32_t y) {
        return 0xFF000000u | static_cast<uint32_t>(40 + x * 12) << 16 |
               static_cast<uint32_t>(30 + y * 16) << 8 | static_cast<uint32_t>(200 - (x + y) * 6);
    });
    images.smooth->mTextureFlags = kTextureNoR5G6B5;
    return images;
}

struct Scene {
    const char* name;
    // Largest channel difference allowed, and how many pixels may go beyond it (the
    // filtered edges, where the two roads sample differently).
    int32_t tolerance;
    int32_t allowed;
    std::function<void(Graphics&, DDImage&, Images&)> draw;
};

const Scene kScenes[] = {
    {"opaque fill", 2, 0,
     [](Graphics& g, DDImage&, Images&) {
         g.SetColor(Color(200, 100, 50));
         g.FillRect(5, 5, 30, 20);
     }},
    {"translucent fill", 3, 0,
     [](Graphics& g, DDImage&, Images&) {
         g.SetColor(Color(200, 100, 50, 128));
         g.FillRect(5, 5, 30, 20);
     }},
    {"additive fill", 3, 0,
     [](Graphics& g, DDImage&, Images&) {
         g.SetDrawMode(kDrawModeAdditive);
         g.SetColor(Color(100, 50, 200, 200));
         g.FillRect(10, 3, 40, 30);
     }},
    {"lines", 2, 6,
     [](Graphics& g, DDImage&, Images&) {
         g.SetColor(Color(250, 240, 10));
         g.DrawLine(0, 30, 63, 30);
         g.DrawLine(50, 2, 50, 40);
         g.DrawLine(3, 3, 30, 30);
         g.DrawLine(2, 40, 40, 21);
         g.DrawRect(20, 10, 12, 8);
     }},
    {"opaque image", 2, 0,
     [](Graphics& g, DDImage&, Images& i) { g.DrawImage(i.block.get(), 7, 9); }},
    {"opaque image in a 16-bit texture", 8, 0,
     [](Graphics& g, DDImage&, Images& i) { g.DrawImage(i.plain.get(), 7, 9); }},
    {"alpha image", 3, 0,
     [](Graphics& g, DDImage&, Images& i) {
         g.DrawImage(i.sprite.get(), 20, 15);
         g.DrawImage(i.sprite.get(), 50, 30);  // partly outside
     }},
    {"tinted image", 3, 0,
     [](Graphics& g, DDImage&, Images& i) {
         g.SetColorizeImages(true);
         g.SetColor(Color(128, 255, 64, 200));
         g.DrawImage(i.sprite.get(), 20, 15);
     }},
    {"additive image", 3, 0,
     [](Graphics& g, DDImage&, Images& i) {
         g.SetDrawMode(kDrawModeAdditive);
         g.DrawImage(i.sprite.get(), 20, 15);
         g.SetColorizeImages(true);
         g.SetColor(Color(255, 128, 128, 128));
         g.DrawImage(i.sprite.get(), 30, 20);
     }},
    {"mirrored image", 3, 0,
     [](Graphics& g, DDImage&, Images& i) {
         g.DrawImageMirror(i.sprite.get(), 5, 5, Rect(0, 0, 24, 20));
         g.DrawImageMirror(i.block.get(), 40, 30, Rect(2, 1, 12, 10));
     }},
    {"fast stretch", 3, 0,
     [](Graphics& g, DDImage&, Images& i) {
         g.SetFastStretch(true);
         g.DrawImageStretched(i.sprite.get(), 3, 4, 48, 40);
     }},
    {"mirrored fast stretch", 3, 0,
     [](Graphics& g, DDImage&, Images& i) {
         g.SetFastStretch(true);
         g.DrawImageMirrorStretched(i.sprite.get(), Rect(4, 4, 48, 40), Rect(0, 0, 24, 20), true);
     }},
    {"coverage", 3, 0,
     [](Graphics&, DDImage& screen, Images&) {
         std::vector<uint8_t> coverage(40 * 20);
         for (size_t k = 0; k < coverage.size(); ++k) {
             coverage[k] = static_cast<uint8_t>(k * 37 % 256);
         }
         std::vector<Span> spans;
         for (int32_t row = 0; row < 20; ++row) {
             spans.push_back({10 + row, 5 + row / 2, 30});
         }
         screen.FillScanLinesWithCoverage(spans.data(), static_cast<int32_t>(spans.size()),
                                          Color(40, 200, 120, 230), kDrawModeNormal,
                                          coverage.data(), 5, 10, 40, 20);
     }},
    {"smooth stretch", 12, 0,
     [](Graphics& g, DDImage&, Images& i) {
         g.SetFastStretch(false);
         g.DrawImageStretched(i.smooth.get(), 3, 4, 40, 30);
     }},
    {"sub-pixel position", 12, 32,
     [](Graphics& g, DDImage&, Images& i) { g.DrawImageF(i.smooth.get(), 10.5f, 8.5f); }},
    {"rotation", 12, 60,
     [](Graphics& g, DDImage&, Images& i) {
         g.DrawImageRotatedF(i.smooth.get(), 20.0f, 15.0f, 0.4, 8.0f, 6.0f);
     }},
    {"matrix", 12, 60,
     [](Graphics& g, DDImage&, Images& i) {
         Matrix3x3 m;
         m.SetIdentity();
         m.Scale(1.5f, 1.25f);
         m.Rotate(0.3f);
         // Point sampling puts the centred quad's pixel centres on texel edges, where
         // either neighbour is right; filtered, both roads agree.
         g.SetLinearBlend(true);
         g.DrawImageMatrix(i.smooth.get(), m, Rect(0, 0, 16, 12), 30.0f, 24.0f);
     }},
    {"textured triangles", 12, 0,
     [](Graphics&, DDImage& screen, Images& i) {
         const TriVertex triangles[2][3] = {
             {{4, 4, 0, 0, 0}, {36, 4, 1, 0, 0}, {4, 28, 0, 1, 0}},
             {{36, 4, 1, 0, 0}, {36, 28, 1, 1, 0}, {4, 28, 0, 1, 0}}};
         screen.BltTrianglesTex(i.smooth.get(), triangles, 2, Rect(0, 0, 64, 48), Color::White,
                                kDrawModeNormal, 0.0f, 0.0f, false);
     }},
};

class SamePicture : public ::testing::TestWithParam<PixelFormat> {};

TEST_P(SamePicture, TheThreeDScreenShowsWhatTheTwoDScreenShows) {
    TestDisplay flat(GetParam(), false);
    TestDisplay deep(GetParam(), true);
    ASSERT_TRUE(flat.Ready() && deep.Ready()) << deep.DD().mErrorString;
    ASSERT_TRUE(deep.Screen()->Check3D());
    Images flatImages = MakeImages(flat);
    Images deepImages = MakeImages(deep);
    for (const Scene& scene : kScenes) {
        SCOPED_TRACE(scene.name);
        flat.Paint(Pattern);
        deep.Paint(Pattern);
        const std::vector<uint32_t> background = deep.Pixels();
        {
            Graphics g(flat.Screen());
            scene.draw(g, *flat.Screen(), flatImages);
        }
        {
            Graphics g(deep.Screen());
            scene.draw(g, *deep.Screen(), deepImages);
        }
        ASSERT_TRUE(deep.DD().Redraw(nullptr));
        const std::vector<uint32_t> expected = flat.Pixels();
        const std::vector<uint32_t> drawn = deep.Pixels();
        EXPECT_GT(test::Compare(drawn, background, 64, 0).beyond, 0) << "nothing drawn";
        // The 16-bit blitters blend with 5-bit weights: up to two steps of a 5-bit channel.
        const int32_t tolerance =
            GetParam().bitsPerPixel == 16 ? scene.tolerance + 16 : scene.tolerance;
        const test::PictureDifference difference = test::Compare(drawn, expected, 64, tolerance);
        EXPECT_LE(difference.beyond, scene.allowed)
            << "largest difference " << difference.largest << ", first at " << difference.firstX
            << "," << difference.firstY;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, SamePicture,
                         ::testing::Values(PixelFormat::Xrgb8888(), PixelFormat::Rgb565()),
                         [](const ::testing::TestParamInfo<PixelFormat>& format) {
                             return format.param.bitsPerPixel == 32 ? std::string("Xrgb8888")
                                                                    : std::string("Rgb565");
                         });

// ---- Vertex lists and clipping ------------------------------------------------------------

TLVertex At(float x, float y, uint32_t diffuse = 0xFFFFFFFF, float u = 0, float v = 0) {
    TLVertex out;
    out.x = x;
    out.y = y;
    out.diffuse = diffuse;
    out.u = u;
    out.v = v;
    return out;
}

TEST(VertexListTest, GrowsOntoTheHeapOnlyPastAHundred) {
    VertexList list;
    for (int i = 0; i < 100; ++i) {
        list.push_back(At(static_cast<float>(i), 0));
    }
    EXPECT_FALSE(list.OnHeap());
    for (int i = 100; i < 250; ++i) {
        list.push_back(At(static_cast<float>(i), 0));
    }
    EXPECT_TRUE(list.OnHeap());
    EXPECT_EQ(list.capacity(), 400u);
    VertexList copy = list;
    for (size_t i = 0; i < 250; ++i) {
        ASSERT_EQ(copy[i].x, static_cast<float>(i));
    }
}

TEST(VertexListTest, ClippingInterpolatesEveryChannel) {
    const TLVertex a = At(0, 0, 0x80C80000u, 0.0f, 0.5f);
    const TLVertex b = At(10, 20, 0xFF640000u, 1.0f, 1.5f);
    const TLVertex half = VertexClip::InterpolateVertex(a, b, 0.5f);
    EXPECT_EQ((half.diffuse >> 16) & 0xFF, 150u);
    EXPECT_FLOAT_EQ(half.x, 5.0f);
    EXPECT_FLOAT_EQ(half.y, 10.0f);
    EXPECT_FLOAT_EQ(half.u, 0.5f);
    EXPECT_FLOAT_EQ(half.v, 1.0f);
    // Signed differences, truncated toward zero.
    const TLVertex third = VertexClip::InterpolateVertex(b, a, 0.3f);
    EXPECT_EQ((third.diffuse >> 16) & 0xFF, 130u);
    EXPECT_EQ(third.diffuse >> 24, 217u);
    // The same colour stays untouched.
    EXPECT_EQ(VertexClip::InterpolateVertex(a, At(3, 3, a.diffuse), 0.77f).diffuse, a.diffuse);
}

TEST(VertexListTest, PolygonsAreCutAtTheBound) {
    VertexList square;
    square.push_back(At(0, 0));
    square.push_back(At(10, 0));
    square.push_back(At(10, 10));
    square.push_back(At(0, 10));
    VertexList out;
    VertexClip::ClipPolygonMin(square, 0, 4.0f, out);
    ASSERT_EQ(out.size(), 4u);
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_GE(out[i].x, 4.0f);
    }
    VertexClip::ClipPolygonMax(square, 1, 0.0f, out);
    EXPECT_TRUE(out.empty());
    VertexList one;
    one.push_back(At(5, 5));
    VertexClip::ClipPolygonMin(one, 0, 0.0f, out);
    EXPECT_TRUE(out.empty());
    VertexList textured;
    textured.push_back(At(0, 0, 0xFFFFFFFF, -0.5f, 0.25f));
    textured.push_back(At(10, 0, 0xFFFFFFFF, 1.5f, 0.25f));
    textured.push_back(At(10, 10, 0xFFFFFFFF, 1.5f, 0.75f));
    VertexClip::ClipToUnitSquare(textured);
    ASSERT_GE(textured.size(), 3u);
    for (size_t i = 0; i < textured.size(); ++i) {
        EXPECT_GE(textured[i].u, 0.0f);
        EXPECT_LE(textured[i].u, 1.0f);
    }
}

}  // namespace
}  // namespace Vesk
