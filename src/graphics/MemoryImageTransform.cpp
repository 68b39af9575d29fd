// Transforming blits of a memory image: the rotated blit (which also serves
// fractional positions), the fast and smooth stretches, and the matrix and
// textured-triangle blits through the triangle set-up. Each works on its own
// pixels in one pass chosen once per call; source positions are walked in
// 16.16 fixed point, and every walk is bounded so that no sample falls outside
// the source rectangle, whatever the angle, scale or coordinates.

#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/MemoryImage.h"
#include "graphics/PixelBlend.h"
#include "graphics/SmoothResampler.h"
#include "graphics/TransformMapping.h"
#include "graphics/TriangleSetup.h"

namespace Vesk {

namespace {

using namespace PixelBlend;

// Positions further out than this lie far off any image; the 16.16 walk
// could not express them anyway.
constexpr double kMaxPosition = 1.0e7;
constexpr double kMaxFixed = 1.0e12;

bool ValidMode(DrawMode mode) {
    return mode == kDrawModeNormal || mode == kDrawModeAdditive;
}

bool UsablePosition(double v) {
    return std::isfinite(v) && std::fabs(v) <= kMaxPosition;
}

// Source pixels: straight ARGB, or a colour table through index bytes.
struct BitsSource {
    const uint32_t* base;
    uint32_t operator()(size_t i) const { return base[i]; }
    BitsSource Offset(size_t n) const { return BitsSource{base + n}; }
};

struct PaletteSource {
    const uint8_t* base;
    const uint32_t* palette;
    uint32_t operator()(size_t i) const { return palette[base[i]]; }
    PaletteSource Offset(size_t n) const { return PaletteSource{base + n, palette}; }
};

// ---- Rotated blit ----------------------------------------------------------

enum class RotateKind { Normal, NormalTinted, Additive, AdditiveTinted };

struct RotateRow {
    uint32_t* dest;
    int32_t count;
    uint32_t u;
    uint32_t v;
    uint32_t du;
    uint32_t dv;
};

struct RotateTint {
    uint32_t alpha;     // colour alpha, normal tinted
    uint32_t scale[3];  // (channel + 1) for normal, channel * alpha / 255 for additive
};

// Weights of the 2x2 footprint at (u, v): the fractions never 0 or 1, each
// bilinear weight times its pixel's alpha.
template <class Source>
inline void Footprint(const Source& src, size_t stride, uint32_t u, uint32_t v, uint32_t p[4],
                      uint32_t aw[4]) {
    const size_t index = static_cast<size_t>(v >> 16) * stride + (u >> 16);
    p[0] = src(index);
    p[1] = src(index + 1);
    p[2] = src(index + stride);
    p[3] = src(index + stride + 1);
    const uint32_t fx = (u & 0xFFFE) + 1;
    const uint32_t fy = (v & 0xFFFE) + 1;
    const uint32_t gx = 0x10000 - fx;
    const uint32_t gy = 0x10000 - fy;
    const uint32_t w[4] = {(gx * gy) >> 16, (fx * gy) >> 16, (gx * fy) >> 16, (fx * fy) >> 16};
    for (int i = 0; i < 4; ++i) {
        aw[i] = (w[i] * (p[i] >> 24)) >> 16;
    }
}

template <class Source, RotateKind kKind>
void RotateSpan(const Source& src, size_t stride, const RotateRow& row, const RotateTint& tint) {
    uint32_t* d = row.dest;
    uint32_t u = row.u;
    uint32_t v = row.v;
    const uint32_t du = row.du;
    const uint32_t dv = row.dv;
    const int32_t count = row.count;
    for (int32_t i = 0; i < count; ++i, u += du, v += dv) {
        uint32_t p[4];
        uint32_t aw[4];
        Footprint(src, stride, u, v, p, aw);
        if constexpr (kKind == RotateKind::NormalTinted) {
            for (uint32_t& weight : aw) {
                weight = (weight * tint.alpha) >> 8;
            }
        }
        const uint32_t a = aw[0] + aw[1] + aw[2] + aw[3];
        if (a == 0) {
            continue;
        }
        // Premultiplied sums in 8.8, three 16-bit lanes of one product: blue,
        // red, green (each stays below 255 * 255).
        uint64_t sum = 0;
        for (int k = 0; k < 4; ++k) {
            sum += ((p[k] & kRB) | (static_cast<uint64_t>(p[k] & kG) << 24)) * aw[k];
        }
        uint32_t sr = static_cast<uint32_t>(sum >> 16) & 0xFFFF;
        uint32_t g = static_cast<uint32_t>(sum >> 32) & 0xFFFF;
        uint32_t sb = static_cast<uint32_t>(sum) & 0xFFFF;
        const uint32_t dp = d[i];
        if constexpr (kKind == RotateKind::Additive) {
            d[i] = AddSaturate(dp, ((sr >> 8) << 16) | (g & kG) | (sb >> 8));
        } else if constexpr (kKind == RotateKind::AdditiveTinted) {
            const uint32_t add = (((sr * tint.scale[0]) >> 16) << 16) |
                                 (((g * tint.scale[1]) >> 16) << 8) | ((sb * tint.scale[2]) >> 16);
            d[i] = AddSaturate(dp, add);
        } else {
            if constexpr (kKind == RotateKind::NormalTinted) {
                sr = (sr * tint.scale[0]) >> 8;
                g = (g * tint.scale[1]) >> 8;
                sb = (sb * tint.scale[2]) >> 8;
            }
            if (a > 250) {
                // Nearly opaque: written without reading the destination.
                d[i] = 0xFF000000 | ((sr >> 8) << 16) | ((g >> 8) << 8) | (sb >> 8);
                continue;
            }
            const uint32_t k = 256 - a;
            const uint32_t da = dp >> 24;
            if (da == 255) {
                // Opaque destination: e is 0 and the divisor 256.
                const uint32_t keepRB = ((((dp & kRB) * 255) >> 8) & kRB) * k;
                const uint32_t keepG = ((Channel(dp, 8) * 255) >> 8) * k;
                d[i] = 0xFF000000 | (((keepRB + ((sr << 16) | sb)) >> 8) & kRB) |
                       (((keepG + g) >> 8) << 8);
                continue;
            }
            const uint32_t e = ((256 - da) * k) >> 8;
            const uint32_t div = 256 - e;
            const uint32_t r = DivSmall(((Channel(dp, 16) * da) >> 8) * k + sr, div);
            const uint32_t gg = DivSmall(((Channel(dp, 8) * da) >> 8) * k + g, div);
            const uint32_t b = DivSmall(((Channel(dp, 0) * da) >> 8) * k + sb, div);
            d[i] = ((255 - e) << 24) | (r << 16) | (gg << 8) | b;
        }
    }
}

template <class Source>
using RotateSpanFn = void (*)(const Source&, size_t, const RotateRow&, const RotateTint&);

template <class Source>
RotateSpanFn<Source> ChooseRotateSpan(DrawMode mode, bool tinted) {
    if (mode == kDrawModeAdditive) {
        return tinted ? &RotateSpan<Source, RotateKind::AdditiveTinted>
                      : &RotateSpan<Source, RotateKind::Additive>;
    }
    return tinted ? &RotateSpan<Source, RotateKind::NormalTinted>
                  : &RotateSpan<Source, RotateKind::Normal>;
}

struct RotateGeometry {
    int32_t left;
    int32_t top;
    int32_t lastColumn;
    double boxHeight;
    double x;
    double y;
    double centerX;
    double centerY;
    double cos;
    double sin;
    int32_t du;
    int32_t dv;
    int32_t offsetU;  // the sampled bounds relative to the source rectangle
    int32_t offsetV;
    int32_t width;  // of the sampled bounds
    int32_t height;
};

int64_t FixedOf(double value) {
    return static_cast<int64_t>(std::clamp(value * 65536.0, -kMaxFixed, kMaxFixed));
}

template <class Source>
void RotateRows(uint32_t* bits, size_t destStride, const Source& src, size_t srcStride,
                const RotateGeometry& g, DrawMode mode, bool tinted, const RotateTint& tint) {
    const RotateSpanFn<Source> span = ChooseRotateSpan<Source>(mode, tinted);
    const double dx = (g.left - g.x) - g.centerX;
    for (int32_t r = 0; static_cast<double>(r) < g.boxHeight; ++r) {
        // Each row starts afresh from doubles so errors don't pile up.
        const double dy = (g.top + r - g.y) - g.centerY;
        const double u = dx * g.cos - dy * g.sin + g.centerX;
        const double v = dx * g.sin + dy * g.cos + g.centerY;
        const int64_t urow = FixedOf(u) - (int64_t{g.offsetU} << 16);
        const int64_t vrow = FixedOf(v) - (int64_t{g.offsetV} << 16);
        int32_t first = 0;
        int32_t last = g.lastColumn;
        if (!NarrowRotatedRow(urow, vrow, g.du, g.dv, g.width, g.height, first, last)) {
            continue;
        }
        RotateRow row;
        row.dest = bits + static_cast<size_t>(g.top + r) * destStride +
                   static_cast<size_t>(g.left + first);
        row.count = last - first + 1;
        row.u = static_cast<uint32_t>(urow + int64_t{first} * g.du);
        row.v = static_cast<uint32_t>(vrow + int64_t{first} * g.dv);
        row.du = static_cast<uint32_t>(g.du);
        row.dv = static_cast<uint32_t>(g.dv);
        span(src, srcStride, row, tint);
    }
}

// ---- Stretches ---------------------------------------------------------------

// Per-pixel operations of the stretches; each takes the destination pixel and
// a straight ARGB source pixel. The untinted blend is the plain blit's: over a
// destination flagged opaque, opaque pixels are copied and the rest mixed
// into alpha 255; otherwise every visible pixel takes the general blend.
struct OverOpaqueOp {
    void operator()(uint32_t& d, uint32_t s) const {
        const uint32_t a = s >> 24;
        if (a == 255) {
            d = s;
        } else if (a != 0) {
            d = MixOpaque(d, s, a) | 0xFF000000;
        }
    }
};

struct OverOp {
    void operator()(uint32_t& d, uint32_t s) const {
        const uint32_t a = s >> 24;
        if (a != 0) {
            d = BlendShift(d, s, a);
        }
    }
};

// The smooth stretch's own mix of the filtered colour F and alpha A.
struct SmoothOverOp {
    void operator()(uint32_t& pixel, uint32_t s) const {
        const uint32_t a = s >> 24;
        if (a == 255) {
            pixel = s;
            return;
        }
        if (a == 0) {
            return;
        }
        const uint32_t d = pixel;
        const uint32_t da = d >> 24;
        const uint32_t outA = da + Div255((255 - da) * a);
        const uint32_t keep = 256 - a;
        const uint32_t rb = ((((d & kRB) * keep) >> 8) & kRB) + ((((s & kRB) * a) >> 8) & kRB);
        const uint32_t g = ((((d & kG) * keep) >> 8) & kG) + ((((s & kG) * a) >> 8) & kG);
        pixel = (outA << 24) | rb | g;
    }
};

struct TintOp {
    uint32_t tint;
    void operator()(uint32_t& d, uint32_t s) const { d = BlendTinted(d, s, tint); }
};

// Weighed by its alpha, a transparent source pixel adds nothing: skipped.
template <bool kSourceAlpha>
struct AddOp {
    void operator()(uint32_t& d, uint32_t s) const {
        if constexpr (kSourceAlpha) {
            if (s < 0x01000000) {
                return;
            }
            s = ScaleChannels(s, s >> 24);
        }
        d = AddSaturate(d, s);
    }
};

template <bool kSourceAlpha>
struct AddTintOp {
    uint32_t k;
    void operator()(uint32_t& d, uint32_t s) const {
        if constexpr (kSourceAlpha) {
            if (s < 0x01000000) {
                return;
            }
        }
        uint32_t c = ModulateChannels(s, k);
        if constexpr (kSourceAlpha) {
            c = ScaleChannels(c, s >> 24);
        }
        d = AddSaturate(d, c);
    }
};

struct FastStretchPlan {
    uint32_t* dest;  // first pixel of the clipped rectangle
    size_t destStride;
    int32_t width;
    int32_t height;
    const int32_t* columns;  // source column of each destination column
    const int32_t* rows;     // source row of each destination row
    size_t srcStride;
};

template <class Source, class Op>
void FastStretchRows(const FastStretchPlan& plan, const Source& src, Op op) {
    // Locals: the pixel stores could otherwise alias the plan's fields.
    const int32_t width = plan.width;
    const int32_t height = plan.height;
    const int32_t* columns = plan.columns;
    for (int32_t j = 0; j < height; ++j) {
        uint32_t* d = plan.dest + static_cast<size_t>(j) * plan.destStride;
        const Source row = src.Offset(static_cast<size_t>(plan.rows[j]) * plan.srcStride);
        for (int32_t i = 0; i < width; ++i) {
            op(d[i], row(static_cast<size_t>(columns[i])));
        }
    }
}

template <class Source>
void FastStretchWith(const FastStretchPlan& plan, const Source& src, const Color& color,
                     DrawMode mode, bool sourceAlpha, bool opaqueDest) {
    const uint32_t tint = PackClamped(color);
    if (mode == kDrawModeNormal) {
        if (color.IsWhite()) {
            if (opaqueDest) {
                FastStretchRows(plan, src, OverOpaqueOp{});
            } else {
                FastStretchRows(plan, src, OverOp{});
            }
        } else {
            FastStretchRows(plan, src, TintOp{tint});
        }
    } else if (color.IsWhite()) {
        if (sourceAlpha) {
            FastStretchRows(plan, src, AddOp<true>{});
        } else {
            FastStretchRows(plan, src, AddOp<false>{});
        }
    } else if (sourceAlpha) {
        FastStretchRows(plan, src, AddTintOp<true>{AdditiveTint(tint)});
    } else {
        FastStretchRows(plan, src, AddTintOp<false>{AdditiveTint(tint)});
    }
}

template <class Op>
void SmoothRows(SmoothResampler& resampler, uint32_t* dest, size_t destStride, int32_t width,
                int32_t height, Op op) {
    for (int32_t j = 0; j < height; ++j) {
        const uint32_t* s = resampler.NextRow();
        uint32_t* d = dest + static_cast<size_t>(j) * destStride;
        for (int32_t i = 0; i < width; ++i) {
            op(d[i], s[i]);
        }
    }
}

}  // namespace

void MemoryImage::BltRotated(Image* image, float x, float y, const Rect& srcRect,
                             const Rect& clipRect, const Color& color, DrawMode drawMode,
                             double angle, float centerX, float centerY) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    MemoryImage* src = dynamic_cast<MemoryImage*>(image);
    if (src == nullptr || !ValidMode(drawMode) || !UsablePosition(x) || !UsablePosition(y) ||
        !UsablePosition(centerX) || !UsablePosition(centerY) || !std::isfinite(angle) ||
        srcRect.mWidth <= 0 || srcRect.mHeight <= 0 || srcRect.mWidth > kMaxFixedSourceSide ||
        srcRect.mHeight > kMaxFixedSourceSide) {
        return;
    }
    // Only pixels of the rectangle that lie in the source are ever sampled.
    const Rect bounds = SafeIntersection(srcRect, Rect(0, 0, src->mWidth, src->mHeight));
    const Rect clip = SafeIntersection(clipRect, Rect(0, 0, mWidth, mHeight));
    if (bounds.mWidth < 2 || bounds.mHeight < 2 || clip.mWidth <= 0 || clip.mHeight <= 0) {
        return;
    }
    const FRect box = RotatedBlitBox(x, y, srcRect.mWidth, srcRect.mHeight, angle, centerX, centerY)
                          .Intersection(FRect(clip.mX, clip.mY, clip.mWidth, clip.mHeight));
    if (!(box.mWidth > 0.0) || !(box.mHeight > 0.0)) {
        return;
    }

    RotateGeometry g;
    g.left = static_cast<int32_t>(box.mX);
    g.top = static_cast<int32_t>(box.mY);
    g.lastColumn = static_cast<int32_t>(box.mWidth - 1.0);
    g.boxHeight = box.mHeight;
    g.x = x;
    g.y = y;
    g.centerX = centerX;
    g.centerY = centerY;
    g.cos = std::cos(angle);
    g.sin = std::sin(angle);
    g.du = static_cast<int32_t>(g.cos * 65536.0);
    g.dv = static_cast<int32_t>(g.sin * 65536.0);
    g.offsetU = bounds.mX - srcRect.mX;
    g.offsetV = bounds.mY - srcRect.mY;
    g.width = bounds.mWidth;
    g.height = bounds.mHeight;

    const bool tinted = !color.IsWhite();
    RotateTint tint{};
    const uint32_t packed = PackClamped(color);
    tint.alpha = packed >> 24;
    if (drawMode == kDrawModeAdditive) {
        const uint32_t k = AdditiveTint(packed);
        tint.scale[0] = Channel(k, 16);
        tint.scale[1] = Channel(k, 8);
        tint.scale[2] = Channel(k, 0);
    } else {
        tint.scale[0] = Channel(packed, 16) + 1;
        tint.scale[1] = Channel(packed, 8) + 1;
        tint.scale[2] = Channel(packed, 0) + 1;
    }

    // Destination first: drawing an image into itself turns a colour table
    // back into pixels before the source is read.
    uint32_t* bits = GetBits();
    const size_t destStride = static_cast<size_t>(mWidth);
    const size_t srcStride = static_cast<size_t>(src->mWidth);
    const size_t origin =
        static_cast<size_t>(bounds.mY) * srcStride + static_cast<size_t>(bounds.mX);
    if (src->mPalette && src->mPaletteIndices) {
        const PaletteSource source{src->mPaletteIndices.get() + origin, src->mPalette.get()};
        RotateRows(bits, destStride, source, srcStride, g, drawMode, tinted, tint);
    } else {
        const BitsSource source{src->GetBits() + origin};
        RotateRows(bits, destStride, source, srcStride, g, drawMode, tinted, tint);
    }
    BitsChanged();
}

void MemoryImage::StretchBlt(Image* image, const Rect& destRect, const Rect& srcRect,
                             const Rect& clipRect, const Color& color, DrawMode drawMode,
                             bool fastStretch) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    MemoryImage* src = dynamic_cast<MemoryImage*>(image);
    if (src == nullptr || !ValidMode(drawMode)) {
        return;
    }
    const Rect clip = SafeIntersection(clipRect, Rect(0, 0, mWidth, mHeight));
    const Rect bounds = SafeIntersection(srcRect, Rect(0, 0, src->mWidth, src->mHeight));
    StretchMapping map;
    if (bounds.mWidth <= 0 || bounds.mHeight <= 0 ||
        !MapStretch(destRect, srcRect, clip, false, map)) {
        return;
    }
    const Rect& out = map.mClipped;
    uint32_t* bits = GetBits();
    const size_t destStride = static_cast<size_t>(mWidth);
    uint32_t* dest = bits + static_cast<size_t>(out.mY) * destStride + static_cast<size_t>(out.mX);
    src->CommitBits();

    if (!fastStretch) {
        SmoothResampler resampler;
        if (!resampler.Begin(*src, bounds, map.mSource, out.mWidth, out.mHeight)) {
            return;
        }
        const uint32_t tint = PackClamped(color);
        const bool sourceAlpha = src->mHasAlpha || src->mHasTrans;
        if (drawMode == kDrawModeNormal) {
            if (color.IsWhite()) {
                SmoothRows(resampler, dest, destStride, out.mWidth, out.mHeight, SmoothOverOp{});
            } else {
                SmoothRows(resampler, dest, destStride, out.mWidth, out.mHeight, TintOp{tint});
            }
        } else if (color.IsWhite()) {
            if (sourceAlpha) {
                SmoothRows(resampler, dest, destStride, out.mWidth, out.mHeight, AddOp<true>{});
            } else {
                SmoothRows(resampler, dest, destStride, out.mWidth, out.mHeight, AddOp<false>{});
            }
        } else if (sourceAlpha) {
            SmoothRows(resampler, dest, destStride, out.mWidth, out.mHeight,
                       AddTintOp<true>{AdditiveTint(tint)});
        } else {
            SmoothRows(resampler, dest, destStride, out.mWidth, out.mHeight,
                       AddTintOp<false>{AdditiveTint(tint)});
        }
        BitsChanged();
        return;
    }

    // Nearest pixel: source (trunc(x + i * sx), trunc(y + j * sy)), looked up
    // from tables built once, each entry kept inside the source rectangle.
    const double sx = static_cast<double>(srcRect.mWidth) / destRect.mWidth;
    const double sy = static_cast<double>(srcRect.mHeight) / destRect.mHeight;
    std::vector<int32_t> columns(static_cast<size_t>(out.mWidth));
    std::vector<int32_t> rows(static_cast<size_t>(out.mHeight));
    const double lastColumn = static_cast<double>(bounds.mX) + bounds.mWidth - 1;
    const double lastRow = static_cast<double>(bounds.mY) + bounds.mHeight - 1;
    for (int32_t i = 0; i < out.mWidth; ++i) {
        columns[static_cast<size_t>(i)] = static_cast<int32_t>(std::clamp(
            std::trunc(map.mSource.mX + i * sx), static_cast<double>(bounds.mX), lastColumn));
    }
    for (int32_t j = 0; j < out.mHeight; ++j) {
        rows[static_cast<size_t>(j)] = static_cast<int32_t>(std::clamp(
            std::trunc(map.mSource.mY + j * sy), static_cast<double>(bounds.mY), lastRow));
    }
    const FastStretchPlan plan{dest,
                               destStride,
                               out.mWidth,
                               out.mHeight,
                               columns.data(),
                               rows.data(),
                               static_cast<size_t>(src->mWidth)};
    const bool opaqueDest = !mHasAlpha && !mHasTrans;
    if (src->mPalette && src->mPaletteIndices) {
        FastStretchWith(plan, PaletteSource{src->mPaletteIndices.get(), src->mPalette.get()}, color,
                        drawMode, src->mHasAlpha, opaqueDest);
    } else {
        FastStretchWith(plan, BitsSource{src->GetBits()}, color, drawMode, src->mHasAlpha,
                        opaqueDest);
    }
    BitsChanged();
}

void MemoryImage::BltMatrix(Image* image, float x, float y, const Matrix3x3& matrix,
                            const Rect& clipRect, const Color& color, DrawMode drawMode,
                            const Rect& srcRect, bool blend) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    MemoryImage* src = dynamic_cast<MemoryImage*>(image);
    if (src == nullptr || !ValidMode(drawMode) || srcRect.mWidth <= 0 || srcRect.mHeight <= 0 ||
        mWidth > INT32_MAX / 4) {
        return;
    }
    TexelVertex quad[4];
    MatrixBlitQuad(matrix, x, y, srcRect, quad);
    TriangleTarget target;
    target.mBits = GetBits();
    target.mPitch = mWidth * 4;
    target.mWidth = mWidth;
    target.mHeight = mHeight;
    target.mFormat = TriangleFormatOf(*this);
    TriangleDraw draw;
    draw.mTexture = src;
    draw.mTextureRect = srcRect;
    draw.mClip = clipRect;
    draw.mColor = color;
    draw.mDrawMode = drawMode;
    draw.mBlend = blend;
    if (DrawTriangleStrip(target, draw, quad, 4)) {
        BitsChanged();
    }
}

void MemoryImage::BltTrianglesTex(Image* texture, const TriVertex (*triangles)[3],
                                  int32_t triangleCount, const Rect& clipRect, const Color& color,
                                  DrawMode drawMode, float tx, float ty, bool blend) {
    MemoryImage* src = nullptr;
    if (texture != nullptr) {
        texture->mUsedAsSource = true;
        src = dynamic_cast<MemoryImage*>(texture);
        if (src == nullptr) {
            return;
        }
    }
    if (triangles == nullptr || triangleCount <= 0 || !ValidMode(drawMode) ||
        mWidth > INT32_MAX / 4) {
        return;
    }
    TriangleTarget target;
    target.mBits = GetBits();
    target.mPitch = mWidth * 4;
    target.mWidth = mWidth;
    target.mHeight = mHeight;
    target.mFormat = TriangleFormatOf(*this);
    TriangleDraw draw;
    draw.mTexture = src;
    draw.mClip = clipRect;
    draw.mColor = color;
    draw.mDrawMode = drawMode;
    draw.mBlend = blend;
    const int32_t textureWidth = src != nullptr ? src->mWidth : 0;
    const int32_t textureHeight = src != nullptr ? src->mHeight : 0;
    draw.mTextureRect = Rect(0, 0, textureWidth, textureHeight);
    bool drawn = false;
    for (int32_t t = 0; t < triangleCount; ++t) {
        TexelVertex corners[3];
        bool vertexColors = false;
        for (int i = 0; i < 3; ++i) {
            corners[i] = ToTexelVertex(triangles[t][i], tx, ty, textureWidth, textureHeight);
            vertexColors = vertexColors || triangles[t][i].color != 0;
        }
        draw.mVertexColors = vertexColors;
        drawn = DrawTriangleStrip(target, draw, corners, 3) || drawn;
    }
    if (drawn) {
        BitsChanged();
    }
}

}  // namespace Vesk
