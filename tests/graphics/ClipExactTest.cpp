// A picture redrawn tile by tile, each tile through its own clip, must be the picture drawn
// whole: every drawing call writes the same pixels inside a clip whatever the clip, and none
// outside it.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "util/Matrix3x3.h"
#include "util/Transform2D.h"

using namespace Vesk;

namespace {

constexpr int32_t kWidth = 200;
constexpr int32_t kHeight = 150;
// Uneven tiles, one a single pixel wide and one a single pixel high.
constexpr int32_t kCutsX[] = {0, 37, 38, 91, 130, 171, kWidth};
constexpr int32_t kCutsY[] = {0, 29, 64, 65, 103, kHeight};

std::unique_ptr<MemoryImage> MakeImage(int32_t width, int32_t height,
                                       const std::function<uint32_t(uint32_t, uint32_t)>& pixel) {
    auto image = std::make_unique<MemoryImage>(nullptr);
    std::vector<uint32_t> bits(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            bits[static_cast<size_t>(y * width + x)] =
                pixel(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
        }
    }
    image->SetBits(bits.data(), width, height);
    return image;
}

uint32_t Colours(uint32_t x, uint32_t y) {
    return ((x * 29 + 7) & 0xFF) << 16 | ((y * 41 + 3) & 0xFF) << 8 | (((x * 13) ^ (y * 7)) & 0xFF);
}

// Sources and backgrounds shared by every case.
struct Pictures {
    std::unique_ptr<MemoryImage> opaque =
        MakeImage(23, 17, [](uint32_t x, uint32_t y) { return 0xFF000000 | Colours(x, y); });
    // Transparent, translucent and opaque pixels mixed.
    std::unique_ptr<MemoryImage> soft = MakeImage(31, 27, [](uint32_t x, uint32_t y) {
        const uint32_t alphas[] = {255, 0, 128, 37, 255, 201};
        return alphas[(x + 2 * y) % 6] << 24 | Colours(x + 5, y * 3);
    });
    // Larger than its stretched draws, so that they shrink it.
    std::unique_ptr<MemoryImage> large = MakeImage(70, 52, [](uint32_t x, uint32_t y) {
        return (x * y % 3 == 0 ? 255u : 90u) << 24 | Colours(y, x);
    });
    // Four columns and two rows of cels, read through a colour table.
    std::unique_ptr<MemoryImage> cels = [] {
        auto image = MakeImage(48, 22, [](uint32_t x, uint32_t y) {
            return ((x / 3 + y / 4) % 3 == 0 ? 0u : 255u) << 24 | ((x / 6) * 40) << 16 |
                   (y / 2 * 23);
        });
        image->mCelColumns = 4;
        image->mCelRows = 2;
        EXPECT_TRUE(image->Palletize());
        return image;
    }();
    std::unique_ptr<MemoryImage> opaqueBackground = MakeImage(
        kWidth, kHeight, [](uint32_t x, uint32_t y) { return 0xFF000000 | Colours(y, x + y); });
    // A translucent band across an opaque field: blends that keep the destination's alpha.
    std::unique_ptr<MemoryImage> translucentBackground =
        MakeImage(kWidth, kHeight, [](uint32_t x, uint32_t y) {
            const uint32_t alpha = (y > 40 && y < 110) ? (x * 3 + y) % 256 : 255;
            return alpha << 24 | Colours(x + 1, y);
        });
};

Pictures& Shared() {
    static Pictures pictures;
    return pictures;
}

std::unique_ptr<MemoryImage> Copy(MemoryImage& image) {
    return MakeImage(image.mWidth, image.mHeight, [&image](uint32_t x, uint32_t y) {
        return image.GetBits()[y * static_cast<uint32_t>(image.mWidth) + x];
    });
}

Matrix3x3 Turned(float angle, float scaleX, float scaleY) {
    Matrix3x3 m;
    m.SetIdentity();
    m.Scale(scaleX, scaleY);
    m.Rotate(angle);
    return m;
}

struct Case {
    const char* name;
    std::function<void(Graphics&, Pictures&)> draw;
    // Why the tiles may differ from the whole; null when they may not.
    const char* inexact = nullptr;
};

void ExpectSameTiledAsWhole(const Case& c, MemoryImage& background) {
    Pictures& p = Shared();
    auto whole = Copy(background);
    {
        Graphics g(whole.get());
        g.Translate(3, -2);
        c.draw(g, p);
    }
    auto tiled = Copy(background);
    for (size_t i = 0; i + 1 < std::size(kCutsX); ++i) {
        for (size_t j = 0; j + 1 < std::size(kCutsY); ++j) {
            const Rect tile(kCutsX[i], kCutsY[j], kCutsX[i + 1] - kCutsX[i],
                            kCutsY[j + 1] - kCutsY[j]);
            auto drawn = Copy(background);
            Graphics g(drawn.get());
            g.Translate(3, -2);
            g.ClipRect(tile.mX - 3, tile.mY + 2, tile.mWidth, tile.mHeight);
            c.draw(g, p);
            for (int32_t y = 0; y < kHeight; ++y) {
                for (int32_t x = 0; x < kWidth; ++x) {
                    const size_t at = static_cast<size_t>(y * kWidth + x);
                    if (tile.Contains(x, y)) {
                        tiled->GetBits()[at] = drawn->GetBits()[at];
                    } else {
                        ASSERT_EQ(drawn->GetBits()[at], background.GetBits()[at])
                            << c.name << ": drawn outside the clip at " << x << "," << y;
                    }
                }
            }
        }
    }
    int32_t differing = 0;
    int32_t changed = 0;
    int32_t firstX = -1;
    int32_t firstY = -1;
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            const size_t at = static_cast<size_t>(y * kWidth + x);
            changed += whole->GetBits()[at] != background.GetBits()[at] ? 1 : 0;
            if (tiled->GetBits()[at] != whole->GetBits()[at]) {
                if (differing++ == 0) {
                    firstX = x;
                    firstY = y;
                }
            }
        }
    }
    EXPECT_GT(changed, 0) << c.name << " draws nothing";
    if (c.inexact == nullptr) {
        EXPECT_EQ(differing, 0) << c.name << ": first at " << firstX << "," << firstY;
    }
}

void Tinted(Graphics& g, DrawMode mode) {
    g.SetColorizeImages(true);
    g.SetColor(Color(220, 130, 40, 190));
    g.SetDrawMode(mode);
}

TEST(ClipExactTest, EveryDrawIsTheSameTiledAsWhole) {
    const Case cases[] = {
        {"blit opaque", [](Graphics& g, Pictures& p) { g.DrawImage(p.opaque.get(), 31, 20); }},
        {"blit alpha", [](Graphics& g, Pictures& p) { g.DrawImage(p.soft.get(), 25, 50); }},
        {"blit additive",
         [](Graphics& g, Pictures& p) {
             g.SetDrawMode(kDrawModeAdditive);
             g.DrawImage(p.soft.get(), 120, 50);
         }},
        {"blit colorized",
         [](Graphics& g, Pictures& p) {
             Tinted(g, kDrawModeNormal);
             g.DrawImage(p.soft.get(), 80, 90);
         }},
        {"blit colorized additive",
         [](Graphics& g, Pictures& p) {
             Tinted(g, kDrawModeAdditive);
             g.DrawImage(p.soft.get(), 160, 55);
         }},
        {"additive stamps",
         [](Graphics& g, Pictures& p) {
             g.SetDrawMode(kDrawModeAdditive);
             g.SetColorizeImages(true);
             const Graphics::ImageStamp stamps[] = {
                 {p.soft.get(), 30, 50, Color(255, 255, 255)},
                 {p.opaque.get(), 120, 20, Color(90, 200, 255, 160)},
                 {p.soft.get(), 76, 52, Color(250, 60, 10, 230)}};
             g.DrawImageStamps(stamps);
         }},
        {"cel of a colour table",
         [](Graphics& g, Pictures& p) { g.DrawImageCel(p.cels.get(), 33, 58, 5); }},
        {"source rect",
         [](Graphics& g, Pictures& p) {
             g.DrawImagePart(p.soft.get(), 83, 22, Rect(3, 2, 25, 21));
         }},
        {"nine-piece box",
         [](Graphics& g, Pictures& p) { g.DrawImageBox(Rect(20, 10, 157, 119), p.soft.get()); }},
        {"sub-pixel", [](Graphics& g, Pictures& p) { g.DrawImageF(p.soft.get(), 27.3f, 52.7f); }},
        {"sub-pixel colorized additive",
         [](Graphics& g, Pictures& p) {
             Tinted(g, kDrawModeAdditive);
             g.DrawImagePartF(p.opaque.get(), 84.61f, 20.2f, Rect(2, 1, 19, 15));
         }},
        {"rotated",
         [](Graphics& g, Pictures& p) { g.DrawImageRotated(p.soft.get(), 77, 40, 0.7); }},
        {"rotated F colorized",
         [](Graphics& g, Pictures& p) {
             Tinted(g, kDrawModeNormal);
             g.DrawImageRotatedF(p.large.get(), 60.25f, 30.6f, 2.3, 20.5f, 14.25f);
         }},
        {"rotated F additive colour table",
         [](Graphics& g, Pictures& p) {
             g.SetDrawMode(kDrawModeAdditive);
             g.DrawImageRotatedF(p.cels.get(), 121.5f, 58.3f, -1.1, 7.0f, 3.5f);
         }},
        {"stretched smooth, growing",
         [](Graphics& g, Pictures& p) { g.DrawImageStretched(p.soft.get(), 21, 15, 97, 71); }},
        {"stretched smooth, shrinking",
         [](Graphics& g, Pictures& p) { g.DrawImageStretched(p.large.get(), 80, 30, 41, 29); }},
        {"stretched smooth, wider and lower, additive",
         [](Graphics& g, Pictures& p) {
             g.SetDrawMode(kDrawModeAdditive);
             g.DrawImageStretched(p.large.get(), 30, 40, 151, 37);
         }},
        {"stretched smooth, colour table cel",
         [](Graphics& g, Pictures& p) {
             g.DrawImageCelStretched(p.cels.get(), Rect(29, 45, 113, 61), 6);
         }},
        {"stretched fast",
         [](Graphics& g, Pictures& p) {
             g.SetFastStretch(true);
             g.DrawImageStretched(p.soft.get(), 21, 15, 97, 71);
         }},
        {"stretched fast, shrinking colorized",
         [](Graphics& g, Pictures& p) {
             Tinted(g, kDrawModeNormal);
             g.SetFastStretch(true);
             g.DrawImageStretched(p.large.get(), 80, 30, 41, 29);
         }},
        {"stretched fast, additive",
         [](Graphics& g, Pictures& p) {
             g.SetDrawMode(kDrawModeAdditive);
             g.SetFastStretch(true);
             g.DrawImageStretchedPart(p.soft.get(), Rect(36, 33, 131, 59), Rect(1, 2, 29, 24));
         }},
        {"scaled context",
         [](Graphics& g, Pictures& p) {
             g.mScaleX = 1.37f;
             g.mScaleY = 2.21f;
             g.mScaleOrigX = 11.0f;
             g.DrawImage(p.soft.get(), 40, 12);
         }},
        {"matrix",
         [](Graphics& g, Pictures& p) {
             g.DrawImageMatrix(p.soft.get(), Turned(0.61f, 2.3f, 1.7f), Rect(0, 0, 31, 27), 90.4f,
                               66.7f);
         }},
        {"matrix blended colorized",
         [](Graphics& g, Pictures& p) {
             Tinted(g, kDrawModeNormal);
             g.SetLinearBlend(true);
             g.DrawImageMatrix(p.large.get(), Turned(-0.37f, 1.45f, 1.9f), Rect(3, 4, 60, 40),
                               101.3f, 70.2f);
         }},
        {"matrix blended additive",
         [](Graphics& g, Pictures& p) {
             g.SetDrawMode(kDrawModeAdditive);
             g.SetLinearBlend(true);
             g.DrawImageMatrix(p.soft.get(), Turned(2.2f, 3.1f, 2.6f), Rect(0, 0, 31, 27), 94.5f,
                               71.5f);
         }},
        {"transform turned and scaled",
         [](Graphics& g, Pictures& p) {
             Transform2D t;
             t.Rotate(0.9f);
             t.Scale(1.6f, 1.3f);
             g.DrawImageTransformF(p.soft.get(), t, 92.3f, 61.8f);
         }},
        {"textured triangles",
         [](Graphics& g, Pictures& p) {
             // The context has no triangle call: the image takes the clip it would pass.
             const TriVertex triangles[2][3] = {{{10.3f, 12.8f, 0.0f, 0.0f, 0},
                                                 {181.6f, 40.1f, 1.0f, 0.1f, 0},
                                                 {60.2f, 140.4f, 0.2f, 1.0f, 0}},
                                                {{181.6f, 40.1f, 1.0f, 0.1f, 0xFF20FF80},
                                                 {60.2f, 140.4f, 0.2f, 1.0f, 0x80FF2040},
                                                 {190.9f, 131.5f, 0.9f, 0.95f, 0xFFFFFFFF}}};
             g.mDestImage->BltTrianglesTex(p.soft.get(), triangles, 2, g.mClipRect,
                                           Color(250, 200, 150, 230), kDrawModeNormal, 0.5f, -1.25f,
                                           true);
         }},
        {"fill",
         [](Graphics& g, Pictures&) {
             g.SetColor(Color(10, 200, 90));
             g.FillRect(20, 25, 140, 83);
         }},
        {"fill translucent additive",
         [](Graphics& g, Pictures&) {
             g.SetColor(Color(160, 20, 250, 99));
             g.SetDrawMode(kDrawModeAdditive);
             g.FillRect(20, 25, 140, 83);
         }},
        {"outline",
         [](Graphics& g, Pictures&) {
             g.SetColor(Color(255, 255, 0, 140));
             g.DrawRect(35, 27, 97, 38);
         }},
        {"line along a row",
         [](Graphics& g, Pictures&) {
             g.SetColor(Color(0, 255, 255, 200));
             g.DrawLine(185, 64, 10, 64);
         }},
        {"slanted line",
         [](Graphics& g, Pictures&) {
             g.SetColor(Color(255, 40, 40, 170));
             g.DrawLine(7, 3, 190, 141);
         },
         "clipping moves the end points, so the midpoint walk starts from another place"},
    };
    Pictures& p = Shared();
    for (const Case& c : cases) {
        ExpectSameTiledAsWhole(c, *p.opaqueBackground);
        ExpectSameTiledAsWhole(c, *p.translucentBackground);
    }
}

}  // namespace
