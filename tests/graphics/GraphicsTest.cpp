#include "graphics/Graphics.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Image.h"
#include "graphics/MemoryImage.h"
#include "util/Matrix3x3.h"
#include "util/Transform2D.h"

namespace Vesk {
namespace {

// One call the context made on its destination image.
struct Call {
    std::string op;
    Image* image = nullptr;
    Rect dest;  // FillRect/DrawRect rectangle, stretch destination, or (x, y, 0, 0)
    Rect src;
    Rect clip;
    Color color;
    DrawMode mode = 0;
    double x = 0, y = 0;  // float positions, line start
    double x2 = 0, y2 = 0;
    double angle = 0, centerX = 0, centerY = 0;
    bool flag = false;
    float matrix00 = 0, matrix01 = 0, matrix10 = 0, matrix11 = 0;
};

// Logs the image operations instead of drawing, to check placement, clipping
// and dispatch without pixels.
class RecordingImage : public Image {
public:
    std::vector<Call> calls;

    RecordingImage(int32_t width, int32_t height, int32_t celColumns = 1, int32_t celRows = 1) {
        mWidth = width;
        mHeight = height;
        mCelColumns = celColumns;
        mCelRows = celRows;
    }

    Call& Log(const char* op, Image* image, const Color& color, DrawMode mode) {
        calls.push_back(Call{});
        Call& c = calls.back();
        c.op = op;
        c.image = image;
        c.color = color;
        c.mode = mode;
        return c;
    }

    void FillRect(const Rect& rect, const Color& color, DrawMode mode) override {
        Log("FillRect", nullptr, color, mode).dest = rect;
    }
    void DrawRect(const Rect& rect, const Color& color, DrawMode mode) override {
        Log("DrawRect", nullptr, color, mode).dest = rect;
    }
    void DrawLine(double x1, double y1, double x2, double y2, const Color& color,
                  DrawMode mode) override {
        Call& c = Log("DrawLine", nullptr, color, mode);
        c.x = x1, c.y = y1, c.x2 = x2, c.y2 = y2;
    }
    void Blt(Image* image, int32_t x, int32_t y, const Rect& src, const Color& color,
             DrawMode mode) override {
        Call& c = Log("Blt", image, color, mode);
        c.dest = Rect(x, y, 0, 0), c.src = src;
    }
    void BltMirror(Image* image, int32_t x, int32_t y, const Rect& src, const Color& color,
                   DrawMode mode) override {
        Call& c = Log("BltMirror", image, color, mode);
        c.dest = Rect(x, y, 0, 0), c.src = src;
    }
    void BltF(Image* image, float x, float y, const Rect& src, const Rect& clip, const Color& color,
              DrawMode mode) override {
        Call& c = Log("BltF", image, color, mode);
        c.x = x, c.y = y, c.src = src, c.clip = clip;
    }
    void BltRotated(Image* image, float x, float y, const Rect& src, const Rect& clip,
                    const Color& color, DrawMode mode, double angle, float cx, float cy) override {
        Call& c = Log("BltRotated", image, color, mode);
        c.x = x, c.y = y, c.src = src, c.clip = clip, c.angle = angle, c.centerX = cx,
        c.centerY = cy;
    }
    void StretchBlt(Image* image, const Rect& dest, const Rect& src, const Rect& clip,
                    const Color& color, DrawMode mode, bool fast) override {
        Call& c = Log("StretchBlt", image, color, mode);
        c.dest = dest, c.src = src, c.clip = clip, c.flag = fast;
    }
    void StretchBltMirror(Image* image, const Rect& dest, const Rect& src, const Rect& clip,
                          const Color& color, DrawMode mode, bool fast) override {
        Call& c = Log("StretchBltMirror", image, color, mode);
        c.dest = dest, c.src = src, c.clip = clip, c.flag = fast;
    }
    void BltMatrix(Image* image, float x, float y, const Matrix3x3& matrix, const Rect& clip,
                   const Color& color, DrawMode mode, const Rect& src, bool blend) override {
        Call& c = Log("BltMatrix", image, color, mode);
        c.x = x, c.y = y, c.src = src, c.clip = clip, c.flag = blend;
        c.matrix00 = matrix.m[0][0], c.matrix01 = matrix.m[0][1];
        c.matrix10 = matrix.m[1][0], c.matrix11 = matrix.m[1][1];
    }
};

constexpr uint32_t kRed = 0xFFFF0000;

std::unique_ptr<MemoryImage> MakeImage(int32_t width, int32_t height, uint32_t fill) {
    auto image = std::make_unique<MemoryImage>(nullptr);
    std::vector<uint32_t> bits(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
    image->SetBits(bits.data(), width, height, true);
    return image;
}

// Opaque pixels that tell where they came from: 0xFF00xxyy.
std::unique_ptr<MemoryImage> MakeCoordImage(int32_t width, int32_t height) {
    auto image = std::make_unique<MemoryImage>(nullptr);
    std::vector<uint32_t> bits;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            bits.push_back(0xFF000000u | static_cast<uint32_t>(x) << 8 | static_cast<uint32_t>(y));
        }
    }
    image->SetBits(bits.data(), width, height, true);
    return image;
}

uint32_t Pixel(MemoryImage& image, int32_t x, int32_t y) {
    return image.GetBits()[static_cast<size_t>(y) * static_cast<size_t>(image.mWidth) +
                           static_cast<size_t>(x)];
}

// Every pixel inside `inside` (per the predicate) has `on`, all others `off`.
template <typename Inside>
void ExpectPixels(MemoryImage& image, Inside inside, uint32_t on, uint32_t off) {
    for (int32_t y = 0; y < image.mHeight; ++y) {
        for (int32_t x = 0; x < image.mWidth; ++x) {
            ASSERT_EQ(Pixel(image, x, y), inside(x, y) ? on : off) << "at " << x << "," << y;
        }
    }
}

// --- state -----------------------------------------------------------------

TEST(GraphicsState, ClipStartsAtTheImage) {
    RecordingImage dest(30, 20);
    Graphics g(&dest);
    EXPECT_EQ(g.mDestImage, &dest);
    EXPECT_EQ(g.mClipRect, Rect(0, 0, 30, 20));
    EXPECT_EQ(g.mColor, Color(0, 0, 0, 255));
    EXPECT_TRUE(g.mWriteColoredString);
}

TEST(GraphicsState, NoImageDrawsIntoTheEmptyImage) {
    Graphics g(nullptr);
    EXPECT_EQ(g.mDestImage, &gEmptyImage);
    EXPECT_EQ(g.mClipRect, Rect(0, 0, 0, 0));
    g.SetColor(Color::White);
    g.FillRect(0, 0, 10, 10);
    g.DrawLine(0, 0, 5, 5);
    g.DrawRect(0, 0, 3, 3);
    RecordingImage src(4, 4);
    g.DrawImage(&src, 0, 0);
}

TEST(GraphicsState, PushPopNestAndEmptyPopKeepsState) {
    RecordingImage dest(10, 10);
    Graphics g(&dest);
    g.SetColor(Color(1, 2, 3));
    g.PopState();
    EXPECT_EQ(g.GetColor(), Color(1, 2, 3));

    g.PushState();
    g.SetColor(Color(4, 5, 6));
    g.Translate(3, 4);
    g.PushState();
    g.ClipRect(0, 0, 2, 2);
    g.SetDrawMode(kDrawModeAdditive);
    g.PopState();
    EXPECT_EQ(g.mClipRect, Rect(0, 0, 10, 10));
    EXPECT_EQ(g.GetDrawMode(), kDrawModeNormal);
    EXPECT_EQ(g.GetColor(), Color(4, 5, 6));
    g.PopState();
    EXPECT_EQ(g.GetColor(), Color(1, 2, 3));
    EXPECT_EQ(g.mTransX, 0.0f);
}

TEST(GraphicsState, CopiesTakeTheStateButNotTheStack) {
    RecordingImage dest(10, 10);
    Graphics g(&dest);
    g.SetColor(Color(9, 9, 9));
    g.PushState();
    g.SetColor(Color(7, 7, 7));
    g.Translate(2, 2);

    Graphics copy(g);
    EXPECT_EQ(copy.GetColor(), Color(7, 7, 7));
    EXPECT_EQ(copy.mTransX, 2.0f);
    copy.PopState();  // nothing saved in the copy
    EXPECT_EQ(copy.GetColor(), Color(7, 7, 7));

    std::unique_ptr<Graphics> created = g.Create();
    EXPECT_EQ(created->GetColor(), Color(7, 7, 7));
    created->PopState();
    EXPECT_EQ(created->GetColor(), Color(7, 7, 7));
}

TEST(GraphicsState, ClipRectTranslatesAndOnlyNarrows) {
    RecordingImage dest(100, 100);
    Graphics g(&dest);
    g.Translate(5, 6);
    g.ClipRect(0, 0, 20, 20);
    EXPECT_EQ(g.mClipRect, Rect(5, 6, 20, 20));
    g.ClipRect(-50, -50, 500, 500);
    EXPECT_EQ(g.mClipRect, Rect(5, 6, 20, 20));
    g.ClipRect(10, 10, 100, 100);
    EXPECT_EQ(g.mClipRect, Rect(15, 16, 10, 10));
}

// --- shapes ----------------------------------------------------------------

TEST(GraphicsShapes, FillRectTranslatesAndClipsPixels) {
    auto image = MakeImage(10, 10, 0);
    Graphics g(image.get());
    g.Translate(2, 3);
    g.ClipRect(0, 0, 5, 5);
    g.SetColor(Color::ColorFromInt(kRed));
    g.FillRect(-1, -1, 20, 20);
    ExpectPixels(
        *image, [](int x, int y) { return x >= 2 && x < 7 && y >= 3 && y < 8; }, kRed, 0u);
}

TEST(GraphicsShapes, ClipWrittenLargerThanTheImageStaysInside) {
    auto image = MakeImage(4, 4, 0);
    Graphics g(image.get());
    g.mClipRect = Rect(-8, -8, 100, 100);
    g.SetColor(Color::ColorFromInt(kRed));
    g.FillRect(-10, -10, 50, 50);
    g.DrawLine(-20, 1, 20, 1);
    ExpectPixels(
        *image, [](int, int) { return true; }, kRed, 0u);
}

TEST(GraphicsShapes, EdgesPastTheIntRangeStayInsideTheImage) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(Rect(10, 0, kMax, 5).Intersection(Rect(0, 0, 20, 20)), Rect(10, 0, 10, 5));
    EXPECT_EQ(Rect(kMax, kMax, kMax, kMax).Intersection(Rect(0, 0, 20, 20)), Rect());
    EXPECT_TRUE(Rect(1, 1, kMax, kMax).Contains(1000, 1000));

    struct Case {
        const char* name;
        void (*draw)(Graphics&, MemoryImage&);
        bool (*inside)(int, int);
    };
    const Case cases[] = {
        {"fill", [](Graphics& g, MemoryImage&) { g.FillRect(10, 0, kMax, 5); },
         [](int x, int y) { return x >= 10 && y < 5; }},
        {"clear", [](Graphics&, MemoryImage& i) { i.ClearRect(Rect(10, 0, kMax, 5)); },
         [](int x, int y) { return !(x >= 10 && y < 5); }},
        {"outline", [](Graphics& g, MemoryImage&) { g.DrawRect(3, 2, kMax, kMax); },
         [](int x, int y) { return (x == 3 && y >= 2) || (y == 2 && x >= 3); }},
        {"huge clip",
         [](Graphics& g, MemoryImage&) {
             g.ClipRect(4, 4, kMax, kMax);
             g.FillRect(-5, -5, kMax, kMax);
         },
         [](int x, int y) { return x >= 4 && y >= 4; }},
    };
    for (const Case& c : cases) {
        auto image = MakeImage(16, 12, c.name[0] == 'c' && c.name[1] == 'l' ? kRed : 0);
        Graphics g(image.get());
        g.SetColor(Color::ColorFromInt(kRed));
        c.draw(g, *image);
        SCOPED_TRACE(c.name);
        ExpectPixels(*image, c.inside, kRed, 0u);
    }
}

TEST(GraphicsShapes, TransparentColourFillsNothingButLinesStillDraw) {
    RecordingImage dest(20, 20);
    Graphics g(&dest);
    g.SetColor(Color(255, 0, 0, 0));
    g.FillRect(0, 0, 5, 5);
    g.DrawRect(0, 0, 5, 5);
    EXPECT_TRUE(dest.calls.empty());
    g.DrawLine(0, 0, 5, 5);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].op, "DrawLine");
}

TEST(GraphicsShapes, DrawRectOutlineCoversWidthPlusOne) {
    auto image = MakeImage(14, 9, 0);
    Graphics g(image.get());
    g.SetColor(Color::ColorFromInt(kRed));
    g.DrawRect(0, 0, 10, 5);
    ExpectPixels(
        *image,
        [](int x, int y) { return (x <= 10 && y <= 5) && (x == 0 || x == 10 || y == 0 || y == 5); },
        kRed, 0u);
}

TEST(GraphicsShapes, DrawRectFullyVisibleIsOneCallClippedIsFourFills) {
    RecordingImage dest(20, 20);
    Graphics g(&dest);
    g.SetColor(Color::White);
    g.Translate(1, 1);
    g.DrawRect(2, 3, 10, 5);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].op, "DrawRect");
    EXPECT_EQ(dest.calls[0].dest, Rect(3, 4, 10, 5));

    dest.calls.clear();
    g.ClipRect(0, 0, 11, 20);  // clip x 1..11: the right column 13 is cut
    g.DrawRect(2, 3, 10, 5);
    ASSERT_EQ(dest.calls.size(), 3u);
    EXPECT_EQ(dest.calls[0].dest, Rect(3, 4, 9, 1));
    EXPECT_EQ(dest.calls[1].dest, Rect(3, 9, 9, 1));
    EXPECT_EQ(dest.calls[2].dest, Rect(3, 5, 1, 4));
}

TEST(GraphicsShapes, DrawRectWithNegativeSizeStaysInsideTheClip) {
    auto image = MakeImage(6, 6, 0);
    Graphics g(image.get());
    g.SetColor(Color::ColorFromInt(kRed));
    g.DrawRect(0, 0, -1, 3);
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            if (Pixel(*image, x, y) != 0u) {
                EXPECT_TRUE(x == 0 && y >= 1 && y <= 2) << x << "," << y;
            }
        }
    }
}

TEST(GraphicsShapes, LineIsTranslatedAndClippedInclusiveLeftExclusiveRight) {
    RecordingImage dest(50, 50);
    Graphics g(&dest);
    g.SetColor(Color::White);
    g.ClipRect(0, 0, 10, 10);
    g.DrawLine(-10, 5, 20, 5);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_DOUBLE_EQ(dest.calls[0].x, 0);
    EXPECT_DOUBLE_EQ(dest.calls[0].y, 5);
    EXPECT_DOUBLE_EQ(dest.calls[0].x2, 9);
    EXPECT_DOUBLE_EQ(dest.calls[0].y2, 5);

    dest.calls.clear();
    g.DrawLine(-10, 0, -1, 9);  // wholly left
    g.DrawLine(0, 10, 9, 20);   // wholly below
    EXPECT_TRUE(dest.calls.empty());

    auto image = MakeImage(12, 12, 0);
    Graphics pixels(image.get());
    pixels.SetColor(Color::ColorFromInt(kRed));
    pixels.ClipRect(0, 0, 10, 10);
    pixels.DrawLine(-10, 5, 20, 5);
    ExpectPixels(
        *image, [](int x, int y) { return y == 5 && x <= 9; }, kRed, 0u);
}

TEST(GraphicsShapes, ClipLineDiagonalAndVertical) {
    RecordingImage dest(10, 10);
    Graphics g(&dest);
    double x1 = -5, y1 = -5, x2 = 15, y2 = 15;
    ASSERT_TRUE(g.ClipLine(x1, y1, x2, y2));
    EXPECT_DOUBLE_EQ(x1, 0);
    EXPECT_DOUBLE_EQ(y1, 0);
    EXPECT_DOUBLE_EQ(x2, 9);
    EXPECT_DOUBLE_EQ(y2, 9);

    // Bottom-up vertical line: comes back ordered by y.
    x1 = 5, y1 = 20, x2 = 5, y2 = -20;
    ASSERT_TRUE(g.ClipLine(x1, y1, x2, y2));
    EXPECT_DOUBLE_EQ(x1, 5);
    EXPECT_DOUBLE_EQ(y1, 0);
    EXPECT_DOUBLE_EQ(x2, 5);
    EXPECT_DOUBLE_EQ(y2, 9);

    x1 = 12, y1 = 0, x2 = 10, y2 = 9;  // wholly right
    EXPECT_FALSE(g.ClipLine(x1, y1, x2, y2));
}

// --- images ----------------------------------------------------------------

TEST(GraphicsImages, DrawImageClipsAndMovesTheSource) {
    auto dest = MakeImage(6, 6, 0xFF000000);
    auto src = MakeCoordImage(4, 4);
    Graphics g(dest.get());
    g.DrawImage(src.get(), -1, -2);
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            const uint32_t expected =
                x < 3 && y < 2
                    ? 0xFF000000u | static_cast<uint32_t>(x + 1) << 8 | static_cast<uint32_t>(y + 2)
                    : 0xFF000000u;
            ASSERT_EQ(Pixel(*dest, x, y), expected) << x << "," << y;
        }
    }
}

TEST(GraphicsImages, IntegerAndFloatPlacement) {
    RecordingImage dest(100, 100);
    RecordingImage src(8, 8);
    Graphics g(&dest);
    g.mTransX = 0.7f;
    g.DrawImage(&src, 10, 0);
    g.DrawImageF(&src, 10.0f, 0.0f);
    ASSERT_EQ(dest.calls.size(), 2u);
    EXPECT_EQ(dest.calls[0].op, "Blt");
    EXPECT_EQ(dest.calls[0].dest.mX, 10);
    EXPECT_EQ(dest.calls[1].op, "BltF");
    EXPECT_FLOAT_EQ(static_cast<float>(dest.calls[1].x), 10.7f);
    EXPECT_EQ(dest.calls[1].src, Rect(0, 0, 8, 8));
    EXPECT_EQ(dest.calls[1].clip, Rect(0, 0, 100, 100));
}

TEST(GraphicsImages, TintFollowsColorizeAndModeIsPassed) {
    RecordingImage dest(50, 50);
    RecordingImage src(4, 4);
    Graphics g(&dest);
    g.SetColor(Color(10, 20, 30, 40));
    g.SetDrawMode(kDrawModeAdditive);
    g.DrawImage(&src, 0, 0);
    g.SetColorizeImages(true);
    g.DrawImage(&src, 0, 0);
    ASSERT_EQ(dest.calls.size(), 2u);
    EXPECT_EQ(dest.calls[0].color, Color::White);
    EXPECT_EQ(dest.calls[1].color, Color(10, 20, 30, 40));
    EXPECT_EQ(dest.calls[0].mode, kDrawModeAdditive);
}

TEST(GraphicsImages, ColorizedAndAdditivePixels) {
    auto dest = MakeImage(2, 1, 0xFF000000);
    auto white = MakeImage(1, 1, 0xFFFFFFFF);
    Graphics g(dest.get());
    g.SetColor(Color(255, 0, 0));
    g.SetColorizeImages(true);
    g.DrawImage(white.get(), 0, 0);
    // Red tint of white: ((255 * 255) >> 8) * 255 >> 8 = 253.
    EXPECT_EQ(Pixel(*dest, 0, 0), 0xFFFD0000u);

    auto target = MakeImage(1, 1, 0x11640000);  // (100, 0, 0), alpha 17
    auto grey = MakeImage(1, 1, 0xFFC8C8C8);    // (200, 200, 200)
    Graphics add(target.get());
    add.SetDrawMode(kDrawModeAdditive);
    add.DrawImage(grey.get(), 0, 0);
    EXPECT_EQ(Pixel(*target, 0, 0), 0x11FFC8C8u);
}

TEST(GraphicsImages, DrawImagePartRejectsSourcesOutsideTheImage) {
    RecordingImage dest(50, 50);
    RecordingImage src(10, 10);
    Graphics g(&dest);
    g.DrawImagePart(&src, 0, 0, Rect(5, 0, 6, 4));   // past the right edge
    g.DrawImagePart(&src, 0, 0, Rect(0, 8, 4, 3));   // past the bottom
    g.DrawImagePart(&src, 0, 0, Rect(-1, 0, 4, 4));  // negative origin
    g.DrawImagePart(&src, 0, 0, Rect(0, 0, 0, 4));   // empty
    g.DrawImageStretchedPart(&src, Rect(0, 0, 20, 20), Rect(8, 8, 4, 4));
    const Rect tooWide(0, 0, 11, 1);
    g.DrawImageRotated(&src, 0, 0, 1.0, &tooWide);
    EXPECT_TRUE(dest.calls.empty());
}

TEST(GraphicsImages, DrawImagePartUnscaledMovesSourceByTheClippedAmount) {
    RecordingImage dest(50, 50);
    RecordingImage src(20, 20);
    Graphics g(&dest);
    g.ClipRect(10, 10, 30, 30);
    g.DrawImagePart(&src, 7, 8, Rect(2, 3, 10, 10));
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].dest.mX, 10);
    EXPECT_EQ(dest.calls[0].dest.mY, 10);
    EXPECT_EQ(dest.calls[0].src, Rect(5, 5, 7, 8));
}

TEST(GraphicsImages, ScaleStretchesAboutTheOrigin) {
    RecordingImage dest(100, 100);
    RecordingImage src(20, 20);
    Graphics g(&dest);
    g.mScaleX = 2.0f;
    g.mScaleY = 2.0f;
    g.SetFastStretch(true);
    g.DrawImagePart(&src, 3, 0, Rect(0, 0, 5, 3));
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].op, "StretchBlt");
    EXPECT_EQ(dest.calls[0].dest, Rect(6, 0, 10, 6));
    EXPECT_EQ(dest.calls[0].src, Rect(0, 0, 5, 3));
    EXPECT_EQ(dest.calls[0].clip, Rect(0, 0, 100, 100));
    EXPECT_TRUE(dest.calls[0].flag);

    // Half size about (10, 10): left = floor((20 - 10) * 0.5) + 10, width = ceil(2.5).
    dest.calls.clear();
    g.mScaleX = 0.5f;
    g.mScaleY = 0.5f;
    g.mScaleOrigX = 10.0f;
    g.mScaleOrigY = 10.0f;
    g.DrawImage(&src, 20, 11);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].dest, Rect(15, 10, 10, 10));
    EXPECT_EQ(dest.calls[0].src, Rect(0, 0, 20, 20));

    // The mirrored and float draws ignore the scale.
    dest.calls.clear();
    g.DrawImageMirror(&src, 0, 0, Rect(0, 0, 4, 4));
    g.DrawImageF(&src, 1.0f, 1.0f);
    ASSERT_EQ(dest.calls.size(), 2u);
    EXPECT_EQ(dest.calls[0].op, "BltMirror");
    EXPECT_EQ(dest.calls[1].op, "BltF");
}

TEST(GraphicsImages, MirrorTakesTheClippedColumnsFromTheRight) {
    RecordingImage dest(50, 50);
    RecordingImage src(20, 20);
    Graphics g(&dest);
    g.ClipRect(10, 0, 50, 50);
    // Columns 7..16 placed; 3 lost on the left come off the source's right.
    g.DrawImageMirror(&src, 7, 0, Rect(2, 1, 10, 5));
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].dest.mX, 10);
    EXPECT_EQ(dest.calls[0].src, Rect(2, 1, 7, 5));

    dest.calls.clear();
    g.DrawImageMirror(&src, 45, 0, Rect(2, 1, 10, 5));  // 5 lost on the right
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].src, Rect(7, 1, 5, 5));
}

TEST(GraphicsImages, StretchedAndRotatedDispatch) {
    RecordingImage dest(100, 100);
    RecordingImage src(9, 5);
    Graphics g(&dest);
    g.Translate(1, 2);
    g.mScaleX = 3.0f;  // ignored by these
    g.DrawImageStretched(&src, 10, 10, 30, 20);
    g.DrawImageMirrorStretched(&src, Rect(0, 0, 18, 10), Rect(0, 0, 9, 5), true);
    g.DrawImageStretched(&src, 10, 10, 0, 20);  // empty destination
    g.DrawImageRotated(&src, 10, 20, 1.5);
    g.SetLinearBlend(true);
    Matrix3x3 m;
    m.SetIdentity();
    g.DrawImageMatrix(&src, m, Rect(0, 0, 9, 5), 3.0f, 4.0f);
    ASSERT_EQ(dest.calls.size(), 4u);
    EXPECT_EQ(dest.calls[0].op, "StretchBlt");
    EXPECT_EQ(dest.calls[0].dest, Rect(11, 12, 30, 20));
    EXPECT_EQ(dest.calls[0].src, Rect(0, 0, 9, 5));
    EXPECT_EQ(dest.calls[1].op, "StretchBltMirror");
    EXPECT_EQ(dest.calls[1].dest, Rect(1, 2, 18, 10));
    EXPECT_EQ(dest.calls[2].op, "BltRotated");
    EXPECT_DOUBLE_EQ(dest.calls[2].x, 11);
    EXPECT_DOUBLE_EQ(dest.calls[2].y, 22);
    EXPECT_DOUBLE_EQ(dest.calls[2].angle, 1.5);
    EXPECT_DOUBLE_EQ(dest.calls[2].centerX, 4);  // 9 / 2, whole
    EXPECT_DOUBLE_EQ(dest.calls[2].centerY, 2);
    EXPECT_EQ(dest.calls[3].op, "BltMatrix");
    EXPECT_DOUBLE_EQ(dest.calls[3].x, 4);
    EXPECT_DOUBLE_EQ(dest.calls[3].y, 6);
    EXPECT_TRUE(dest.calls[3].flag);
}

// --- transforms --------------------------------------------------------------

class GraphicsTransform : public ::testing::Test {
protected:
    RecordingImage dest{200, 200};
    RecordingImage src{10, 6};
    Graphics g{&dest};
    Transform2D t;
};

TEST_F(GraphicsTransform, PlainTransformCentresTheImage) {
    g.DrawImageTransform(&src, t, 20.2f, 30.0f);
    g.DrawImageTransformF(&src, t, 20.2f, 30.0f);
    ASSERT_EQ(dest.calls.size(), 2u);
    EXPECT_EQ(dest.calls[0].op, "Blt");
    EXPECT_EQ(dest.calls[0].dest, Rect(15, 27, 0, 0));
    EXPECT_EQ(dest.calls[1].op, "BltF");
    EXPECT_FLOAT_EQ(static_cast<float>(dest.calls[1].x), 15.7f);
    EXPECT_FLOAT_EQ(static_cast<float>(dest.calls[1].y), 27.5f);
}

TEST_F(GraphicsTransform, RotationFlagAloneStillRotates) {
    t.Rotate(0.0f);
    g.DrawImageTransform(&src, t, 20.0f, 30.0f);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].op, "BltRotated");
    EXPECT_DOUBLE_EQ(dest.calls[0].x, 15);  // trunc(20 - 5 + 0.5)
    EXPECT_DOUBLE_EQ(dest.calls[0].y, 27);
    EXPECT_DOUBLE_EQ(dest.calls[0].centerX, 5);
    EXPECT_DOUBLE_EQ(dest.calls[0].centerY, 3);
    EXPECT_EQ(dest.calls[0].src, Rect(0, 0, 10, 6));
}

TEST_F(GraphicsTransform, HorizontalMirrorIsUnscaled) {
    t.Scale(-1.0f, 1.0f);
    g.DrawImageTransform(&src, t, 20.0f, 30.0f);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].op, "BltMirror");
    EXPECT_EQ(dest.calls[0].dest, Rect(15, 27, 0, 0));
    EXPECT_EQ(dest.calls[0].src, Rect(0, 0, 10, 6));
}

TEST_F(GraphicsTransform, ScaleStretchesAboutTheCentre) {
    t.Scale(2.0f, 3.0f);
    g.DrawImageTransform(&src, t, 50.0f, 50.0f);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].op, "StretchBlt");
    EXPECT_EQ(dest.calls[0].dest, Rect(40, 41, 20, 18));
}

TEST_F(GraphicsTransform, MirroredScaleKeepsAPositiveWidth) {
    t.Scale(-1.0f, 1.0f);
    t.Scale(2.0f, 2.0f);  // x scale -2: still in parameter form
    ASSERT_FALSE(t.mComplex);
    g.DrawImageTransform(&src, t, 50.0f, 50.0f);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].op, "StretchBltMirror");
    EXPECT_EQ(dest.calls[0].dest, Rect(40, 44, 20, 12));
}

TEST_F(GraphicsTransform, ComplexTransformGoesThroughTheMatrix) {
    t.Rotate(0.5f);
    t.Scale(2.0f, 2.0f);
    ASSERT_TRUE(t.mComplex);
    g.Translate(1, 1);
    g.DrawImageTransform(&src, t, 50.0f, 60.0f);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].op, "BltMatrix");
    EXPECT_DOUBLE_EQ(dest.calls[0].x, 51);
    EXPECT_DOUBLE_EQ(dest.calls[0].y, 61);
    const Matrix3x3& m = t.GetMatrix();
    EXPECT_EQ(dest.calls[0].matrix00, m.m[0][0]);
    EXPECT_EQ(dest.calls[0].matrix01, m.m[0][1]);
    EXPECT_EQ(dest.calls[0].matrix10, m.m[1][0]);
    EXPECT_EQ(dest.calls[0].matrix11, m.m[1][1]);
}

TEST_F(GraphicsTransform, FloatPlacementOnA3DDestinationUsesTheMatrix) {
    g.mIs3D = true;
    t.Scale(2.0f, 2.0f);
    g.DrawImageTransformF(&src, t, 50.0f, 60.0f);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].op, "BltMatrix");
    EXPECT_EQ(dest.calls[0].matrix00, 2.0f);
    EXPECT_EQ(dest.calls[0].matrix11, 2.0f);
    EXPECT_EQ(dest.calls[0].matrix01, 0.0f);
}

// --- boxes and cels ------------------------------------------------------------

TEST(GraphicsBoxes, NinePieceBoxTilesEdgesAndCentre) {
    // An 8-wide source: corners 2, middle 4. Destination 13 by 11.
    auto src = MakeCoordImage(8, 8);
    auto dest = MakeImage(15, 13, 0xFF000000);  // opaque: blits copy exactly
    Graphics g(dest.get());
    const Rect box(1, 1, 13, 11);
    g.DrawImageBox(box, src.get());
    auto sourceCoord = [](int32_t d, int32_t size) {
        const int32_t c = 2, m = 4;
        if (d < c) {
            return d;
        }
        if (d >= size - c) {
            return d - (size - c) + c + m;
        }
        return c + (d - c) % m;
    };
    for (int32_t y = 0; y < 13; ++y) {
        for (int32_t x = 0; x < 15; ++x) {
            uint32_t expected = 0xFF000000u;
            if (x >= 1 && x < 14 && y >= 1 && y < 12) {
                expected = 0xFF000000u | static_cast<uint32_t>(sourceCoord(x - 1, 13)) << 8 |
                           static_cast<uint32_t>(sourceCoord(y - 1, 11));
            }
            ASSERT_EQ(Pixel(*dest, x, y), expected) << x << "," << y;
        }
    }
}

TEST(GraphicsBoxes, AHugeBoxDrawsOnlyTheTilesThatShow) {
    RecordingImage dest(50, 50);
    RecordingImage src(9, 9);
    Graphics g(&dest);
    g.DrawImageBoxPart(Rect(-1000000000, -5, 2000000000, 2000000000), Rect(0, 0, 9, 9), &src);
    // 50 / 3 + margins per run: a few hundred parts, not billions.
    EXPECT_GT(dest.calls.size(), 0u);
    EXPECT_LT(dest.calls.size(), 1000u);
}

TEST(GraphicsBoxes, EmptySourceDrawsNothing) {
    RecordingImage dest(50, 50);
    RecordingImage src(9, 9);
    Graphics g(&dest);
    g.DrawImageBoxPart(Rect(0, 0, 30, 30), Rect(0, 0, 0, 9), &src);
    EXPECT_TRUE(dest.calls.empty());
}

TEST(GraphicsCels, CelNumberSplitsIntoColumnAndRow) {
    RecordingImage dest(100, 100);
    RecordingImage src(40, 20, 4, 2);
    Graphics g(&dest);
    g.DrawImageCel(&src, 0, 0, 5);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].src, Rect(10, 10, 10, 10));

    dest.calls.clear();
    g.DrawImageCel(&src, 0, 0, 8);   // row 2 of 2
    g.DrawImageCel(&src, 0, 0, -1);  // column -1
    g.DrawImageCelColRow(&src, 0, 0, 4, 0);
    EXPECT_TRUE(dest.calls.empty());

    g.DrawImageCelStretched(&src, Rect(0, 0, 30, 30), 6);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].op, "StretchBlt");
    EXPECT_EQ(dest.calls[0].src, Rect(20, 10, 10, 10));
    EXPECT_EQ(dest.calls[0].dest, Rect(0, 0, 30, 30));
}

TEST(GraphicsCels, ZeroCelColumnsCountAsOne) {
    RecordingImage dest(100, 100);
    RecordingImage src(40, 20, 0, 0);
    Graphics g(&dest);
    g.DrawImageCel(&src, 0, 0, 0);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].src, Rect(0, 0, 40, 20));
}

}  // namespace
}  // namespace Vesk
