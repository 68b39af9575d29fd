#include "graphics/TriangleSetup.h"

#include <algorithm>
#include <cmath>

#include "graphics/MemoryImage.h"
#include "graphics/PixelBlend.h"
#include "graphics/TransformMapping.h"
#include "util/Matrix3x3.h"

namespace Vesk {

namespace {

// Positions are snapped to 1/256 pixel; edges are walked exactly from there.
constexpr int64_t kSub = 256;
constexpr int64_t kHalf = kSub / 2;
// Beyond these a texture position or step is clamped (the sample is clamped
// to the texture's edge anyway).
constexpr double kMaxTexel = 1.0e9;
constexpr double kMaxStep = 1.0e7;
// Edge products of 1/256-pixel positions stay far inside 64 bits below this.
constexpr int32_t kMaxTargetSide = 1 << 20;

struct Point2 {
    double x;
    double y;
};

struct FixedPoint {
    int64_t x;
    int64_t y;
};

int64_t FloorDiv(int64_t n, int64_t d) {
    const int64_t q = n / d;
    return (n % d != 0 && ((n < 0) != (d < 0))) ? q - 1 : q;
}

int64_t CeilDiv(int64_t n, int64_t d) {
    return -FloorDiv(-n, d);
}

// An attribute over the triangle's plane: value at (x0, y0) and its
// gradients.
struct Plane {
    double value = 0.0;
    double dx = 0.0;
    double dy = 0.0;
};

// The call's state shared by every triangle.
struct Setup {
    const TriangleTarget* target;
    // Triangles are cut to the whole target and walked there; the clip only picks the pixels
    // drawn, so that every pixel gets the same texel and colour whatever the clip.
    Rect frame;
    Rect clip;
    SpanSetup span;
    SpanDrawer drawer;
    bool textured;
    bool modulated;
    bool vertexColors;
    uint32_t tint;
    bool tinted;
};

// One triangle's attribute planes, anchored at its first vertex.
struct Planes {
    double x0;
    double y0;
    Plane u;
    Plane v;
    Plane color[4];  // alpha, red, green, blue
};

double Evaluate(const Plane& plane, double dx, double dy) {
    return plane.value + dx * plane.dx + dy * plane.dy;
}

int64_t ToFixed(double value, double limit) {
    return std::llround(std::clamp(value, -limit, limit) * 65536.0);
}

// Rounded, so a colour that comes out a hair below a whole value keeps it.
int32_t ColorFixed(double value) {
    return static_cast<int32_t>(std::lround(std::clamp(value, 0.0, 255.0) * 65536.0));
}

// Cuts the polygon to the half-plane coordinate >= bound (sign 1) or
// coordinate <= bound (sign -1) on x (axis 0) or y (axis 1). The crossing
// point of an edge is computed from its endpoints in a fixed order, so a
// shared edge is cut at the same point in both triangles.
int ClipPolygon(const Point2* in, int count, Point2* out, int axis, double bound, double sign) {
    auto coord = [axis](const Point2& p) { return axis == 0 ? p.x : p.y; };
    auto inside = [&](const Point2& p) { return sign * (coord(p) - bound) >= 0.0; };
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const Point2& a = in[i];
        const Point2& b = in[(i + 1) % count];
        const bool aIn = inside(a);
        const bool bIn = inside(b);
        if (aIn) {
            out[n++] = a;
        }
        if (aIn != bIn) {
            const bool ordered = a.x < b.x || (a.x == b.x && a.y < b.y);
            const Point2& p = ordered ? a : b;
            const Point2& q = ordered ? b : a;
            const double t = (bound - coord(p)) / (coord(q) - coord(p));
            Point2 cut{p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t};
            // The cut coordinate is the bound itself, whatever the rounding.
            (axis == 0 ? cut.x : cut.y) = bound;
            out[n++] = cut;
        }
    }
    return n;
}

// x of the edge p -> q (p.y <= sy < q.y) at row height sy, rounded up, in
// 1/256 pixel.
int64_t EdgeCeil(const FixedPoint& p, const FixedPoint& q, int64_t sy) {
    return p.x + CeilDiv((sy - p.y) * (q.x - p.x), q.y - p.y);
}

// Draws [first, end) of the span [spanFirst, spanEnd), stepping from the span's start.
void DrawSpan(const Setup& setup, const Planes& planes, int32_t row, int32_t spanFirst,
              int32_t spanEnd, int32_t first, int32_t end) {
    const int32_t count = spanEnd - spanFirst;
    const int32_t skipped = first - spanFirst;
    const double dx = spanFirst + 0.5 - planes.x0;
    const double dy = row + 0.5 - planes.y0;
    SpanStart start;
    if (setup.textured) {
        start.mStepU = ToFixed(planes.u.dx, kMaxStep);
        start.mStepV = ToFixed(planes.v.dx, kMaxStep);
        start.mU = ToFixed(Evaluate(planes.u, dx, dy), kMaxTexel) + skipped * start.mStepU;
        start.mV = ToFixed(Evaluate(planes.v, dx, dy), kMaxTexel) + skipped * start.mStepV;
    }
    if (setup.modulated) {
        // Both ends are kept inside 0..255, so every pixel between is too.
        for (int c = 0; c < 4; ++c) {
            const int32_t from = ColorFixed(Evaluate(planes.color[c], dx, dy));
            const int32_t to = ColorFixed(Evaluate(planes.color[c], dx + (count - 1), dy));
            start.mColorStep[c] = count > 1 ? (to - from) / (count - 1) : 0;
            start.mColor[c] = from + skipped * start.mColorStep[c];
        }
    }
    const TriangleTarget& target = *setup.target;
    void* rowBits = static_cast<uint8_t*>(target.mBits) +
                    static_cast<ptrdiff_t>(row) * static_cast<ptrdiff_t>(target.mPitch);
    setup.drawer(setup.span, start, rowBits, first, end - first);
}

bool RasterTriangle(const Setup& setup, const Planes& planes, FixedPoint a, FixedPoint b,
                    FixedPoint c) {
    if (b.y < a.y) {
        std::swap(a, b);
    }
    if (c.y < a.y) {
        std::swap(a, c);
    }
    if (c.y < b.y) {
        std::swap(b, c);
    }
    // Rows whose centre lies in [a.y, c.y).
    const int64_t rowFirst = std::max<int64_t>(CeilDiv(a.y - kHalf, kSub), setup.clip.mY);
    const int64_t rowEnd =
        std::min<int64_t>(CeilDiv(c.y - kHalf, kSub), int64_t{setup.clip.mY} + setup.clip.mHeight);
    const int64_t frameLeft = setup.frame.mX;
    const int64_t frameRight = int64_t{setup.frame.mX} + setup.frame.mWidth;
    const int64_t clipLeft = setup.clip.mX;
    const int64_t clipRight = int64_t{setup.clip.mX} + setup.clip.mWidth;
    bool drawn = false;
    for (int64_t row = rowFirst; row < rowEnd; ++row) {
        const int64_t sy = row * kSub + kHalf;
        const int64_t longX = EdgeCeil(a, c, sy);
        const int64_t shortX = sy < b.y ? EdgeCeil(a, b, sy) : EdgeCeil(b, c, sy);
        const int64_t left = std::min(longX, shortX);
        const int64_t right = std::max(longX, shortX);
        // Columns whose centre lies in [left, right).
        const int64_t spanFirst = std::max(CeilDiv(left - kHalf, kSub), frameLeft);
        const int64_t spanEnd = std::min(CeilDiv(right - kHalf, kSub), frameRight);
        const int64_t first = std::max(spanFirst, clipLeft);
        const int64_t end = std::min(spanEnd, clipRight);
        if (end > first) {
            DrawSpan(setup, planes, static_cast<int32_t>(row), static_cast<int32_t>(spanFirst),
                     static_cast<int32_t>(spanEnd), static_cast<int32_t>(first),
                     static_cast<int32_t>(end));
            drawn = true;
        }
    }
    return drawn;
}

bool MakePlane(double area2, double e1x, double e1y, double e2x, double e2y, double f0, double f1,
               double f2, Plane& plane) {
    const double d1 = f1 - f0;
    const double d2 = f2 - f0;
    plane.value = f0;
    plane.dx = (d1 * e2y - d2 * e1y) / area2;
    plane.dy = (d2 * e1x - d1 * e2x) / area2;
    return std::isfinite(plane.dx) && std::isfinite(plane.dy);
}

// Channel 0 alpha, 1 red, 2 green, 3 blue of a packed colour.
uint32_t ChannelOf(uint32_t color, int index) {
    return (color >> (24 - 8 * index)) & 0xFF;
}

// A vertex colour under the call's tint: each channel times (tint + 1) / 256.
uint32_t ModulateColor(uint32_t color, uint32_t tint) {
    uint32_t out = 0;
    for (int c = 0; c < 4; ++c) {
        out |= ((ChannelOf(color, c) * (ChannelOf(tint, c) + 1)) >> 8) << (24 - 8 * c);
    }
    return out;
}

bool DrawTriangle(const Setup& setup, const TexelVertex& v0, const TexelVertex& v1,
                  const TexelVertex& v2) {
    const TexelVertex* v[3] = {&v0, &v1, &v2};
    for (const TexelVertex* p : v) {
        if (!std::isfinite(p->mX) || !std::isfinite(p->mY) || !std::isfinite(p->mU) ||
            !std::isfinite(p->mV)) {
            return false;
        }
    }
    const double e1x = v1.mX - v0.mX;
    const double e1y = v1.mY - v0.mY;
    const double e2x = v2.mX - v0.mX;
    const double e2y = v2.mY - v0.mY;
    const double area2 = e1x * e2y - e2x * e1y;
    if (!(std::fabs(area2) > 0.0) || !std::isfinite(area2)) {
        return false;
    }
    Planes planes;
    planes.x0 = v0.mX;
    planes.y0 = v0.mY;
    if (setup.textured && (!MakePlane(area2, e1x, e1y, e2x, e2y, v0.mU, v1.mU, v2.mU, planes.u) ||
                           !MakePlane(area2, e1x, e1y, e2x, e2y, v0.mV, v1.mV, v2.mV, planes.v))) {
        return false;
    }
    if (setup.modulated) {
        uint32_t colors[3];
        for (int i = 0; i < 3; ++i) {
            colors[i] = !setup.vertexColors ? setup.tint
                        : setup.tinted      ? ModulateColor(v[i]->mColor, setup.tint)
                                            : v[i]->mColor;
        }
        for (int c = 0; c < 4; ++c) {
            if (!MakePlane(area2, e1x, e1y, e2x, e2y, ChannelOf(colors[0], c),
                           ChannelOf(colors[1], c), ChannelOf(colors[2], c), planes.color[c])) {
                return false;
            }
        }
    }

    // Cut to the pixel edges of the target.
    const double left = setup.frame.mX;
    const double top = setup.frame.mY;
    const double right = static_cast<double>(setup.frame.mX) + setup.frame.mWidth;
    const double bottom = static_cast<double>(setup.frame.mY) + setup.frame.mHeight;
    Point2 polyA[8] = {{v0.mX, v0.mY}, {v1.mX, v1.mY}, {v2.mX, v2.mY}};
    Point2 polyB[8];
    int n = ClipPolygon(polyA, 3, polyB, 0, left, 1.0);
    n = n >= 3 ? ClipPolygon(polyB, n, polyA, 0, right, -1.0) : 0;
    n = n >= 3 ? ClipPolygon(polyA, n, polyB, 1, top, 1.0) : 0;
    n = n >= 3 ? ClipPolygon(polyB, n, polyA, 1, bottom, -1.0) : 0;
    if (n < 3) {
        return false;
    }
    FixedPoint fixed[8];
    for (int i = 0; i < n; ++i) {
        fixed[i] = FixedPoint{std::llround(polyA[i].x * kSub), std::llround(polyA[i].y * kSub)};
    }
    bool drawn = false;
    for (int i = 1; i + 1 < n; ++i) {
        drawn = RasterTriangle(setup, planes, fixed[0], fixed[i], fixed[i + 1]) || drawn;
    }
    return drawn;
}

bool FormatKnown(uint32_t format) {
    return format == kFormat8888 || format == kFormat888 || format == kFormat565 ||
           format == kFormat555;
}

}  // namespace

bool DrawTriangleStrip(const TriangleTarget& target, const TriangleDraw& draw,
                       const TexelVertex* vertices, int32_t vertexCount) {
    if (vertices == nullptr || vertexCount < 3 || target.mBits == nullptr || target.mWidth <= 0 ||
        target.mHeight <= 0 || target.mWidth > kMaxTargetSide || target.mHeight > kMaxTargetSide ||
        !FormatKnown(target.mFormat) ||
        (draw.mDrawMode != kDrawModeNormal && draw.mDrawMode != kDrawModeAdditive)) {
        return false;
    }
    const int64_t bytesPerPixel =
        (target.mFormat == kFormat8888 || target.mFormat == kFormat888) ? 4 : 2;
    if (std::abs(int64_t{target.mPitch}) < target.mWidth * bytesPerPixel) {
        return false;
    }
    Setup setup{};
    setup.target = &target;
    setup.frame = Rect(0, 0, target.mWidth, target.mHeight);
    setup.clip = SafeIntersection(draw.mClip, setup.frame);
    if (setup.clip.mWidth <= 0 || setup.clip.mHeight <= 0) {
        return false;
    }

    bool texAlpha = false;
    setup.textured = draw.mTexture != nullptr;
    if (setup.textured) {
        MemoryImage& texture = *draw.mTexture;
        texture.CommitBits();
        const Rect texels =
            SafeIntersection(draw.mTextureRect, Rect(0, 0, texture.mWidth, texture.mHeight));
        if (texels.mWidth <= 0 || texels.mHeight <= 0) {
            return false;
        }
        const uint32_t* bits = texture.GetBits();
        if (bits == nullptr) {
            return false;
        }
        texAlpha = texture.mHasAlpha || texture.mHasTrans;
        setup.span.mTexels = bits;
        setup.span.mTexelStride = texture.mWidth;
        setup.span.mMinU = texels.mX;
        setup.span.mMaxU = texels.mX + texels.mWidth - 1;
        setup.span.mMinV = texels.mY;
        setup.span.mMaxV = texels.mY + texels.mHeight - 1;
    }
    setup.tint = PixelBlend::PackClamped(draw.mColor);
    setup.tinted = !draw.mColor.IsWhite();
    setup.vertexColors = draw.mVertexColors;
    setup.modulated = setup.tinted || setup.vertexColors;
    const bool blended = texAlpha || draw.mBlend;
    const int32_t key = SpanDrawerKey(setup.textured, blended, setup.vertexColors, setup.tinted,
                                      draw.mBlend, target.mFormat);
    setup.drawer = FindSpanDrawer(key, draw.mDrawMode);
    if (setup.drawer == nullptr) {
        return false;
    }
    bool drawn = false;
    for (int32_t i = 0; i + 2 < vertexCount; ++i) {
        drawn = DrawTriangle(setup, vertices[i], vertices[i + 1], vertices[i + 2]) || drawn;
    }
    return drawn;
}

void MatrixBlitQuad(const Matrix3x3& matrix, float x, float y, const Rect& srcRect,
                    TexelVertex (&out)[4]) {
    const float halfWidth = static_cast<float>(srcRect.mWidth) / 2.0f;
    const float halfHeight = static_cast<float>(srcRect.mHeight) / 2.0f;
    const float corners[4][2] = {{-halfWidth, -halfHeight},
                                 {halfWidth, -halfHeight},
                                 {-halfWidth, halfHeight},
                                 {halfWidth, halfHeight}};
    const double u0 = srcRect.mX;
    const double v0 = srcRect.mY;
    const double u1 = static_cast<double>(srcRect.mX) + srcRect.mWidth;
    const double v1 = static_cast<double>(srcRect.mY) + srcRect.mHeight;
    const double texture[4][2] = {{u0, v0}, {u1, v0}, {u0, v1}, {u1, v1}};
    for (int i = 0; i < 4; ++i) {
        const Vector2 p = matrix.TransformPoint(Vector2{corners[i][0], corners[i][1]});
        out[i].mX = static_cast<double>(p.x + x);
        out[i].mY = static_cast<double>(p.y + y);
        out[i].mU = texture[i][0];
        out[i].mV = texture[i][1];
        out[i].mColor = 0xFFFFFFFF;
    }
}

TexelVertex ToTexelVertex(const TriVertex& vertex, float offsetX, float offsetY,
                          int32_t textureWidth, int32_t textureHeight) {
    TexelVertex out;
    out.mX = static_cast<double>(vertex.x + offsetX);
    out.mY = static_cast<double>(vertex.y + offsetY);
    out.mU = static_cast<double>(vertex.u) * textureWidth;
    out.mV = static_cast<double>(vertex.v) * textureHeight;
    out.mColor = vertex.color;
    return out;
}

uint32_t TriangleFormatOf(const MemoryImage& image) {
    return (image.mForced && !image.mHasAlpha && !image.mHasTrans) ? kFormat888 : kFormat8888;
}

}  // namespace Vesk
