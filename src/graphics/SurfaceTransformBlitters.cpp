#include "graphics/SurfaceTransformBlitters.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "graphics/PixelBlend.h"
#include "graphics/PixelSimd.h"
#include "graphics/TransformMapping.h"

namespace Vesk {

namespace {

using PixelBlend::ClampByte;
using PixelBlend::Div255;
using PixelBlend::kG;
using PixelBlend::kRB;
constexpr uint32_t kSpread565 = 0x07E0F81F;
constexpr uint32_t kSpread555 = 0x03E07C1F;

// Far beyond any picture in 16.16; keeps the conversions to integers defined.
constexpr double kMaxFixed = 1.0e12;

// A 16.16 value (already scaled by 65536) truncated toward zero.
// A not-a-number lands far outside, so that nothing is drawn from it.
int64_t Truncated(double scaled) {
    if (std::isnan(scaled)) {
        return static_cast<int64_t>(kMaxFixed);
    }
    return static_cast<int64_t>(std::clamp(scaled, -kMaxFixed, kMaxFixed));
}

template <typename P>
inline P* RowAt(const SurfacePixels& surface, int32_t y) {
    return reinterpret_cast<P*>(surface.mBits + static_cast<ptrdiff_t>(surface.mPitch) * y);
}

struct Channels {
    SurfaceChannel c[3];  // red, green, blue
};

Channels ChannelsOf(const SurfacePixels& dest) {
    return Channels{{ChannelOfMask(dest.mRedMask), ChannelOfMask(dest.mGreenMask),
                     ChannelOfMask(dest.mBlueMask)}};
}

bool IsXrgb8888(const SurfacePixels& dest) {
    return dest.mBitsPerPixel == 32 && dest.mRedMask == 0xFF0000 && dest.mGreenMask == 0xFF00 &&
           dest.mBlueMask == 0xFF;
}

bool Is565(const SurfacePixels& dest) {
    return dest.mBitsPerPixel == 16 && dest.mRedMask == 0xF800 && dest.mGreenMask == 0x07E0 &&
           dest.mBlueMask == 0x001F;
}

bool Is555(const SurfacePixels& dest) {
    return dest.mBitsPerPixel == 16 && dest.mRedMask == 0x7C00 && dest.mGreenMask == 0x03E0 &&
           dest.mBlueMask == 0x001F;
}

// Tint factors of the additive forms: channel * alpha / 255.
void AdditiveTints(const Color& color, uint32_t t[3]) {
    const uint32_t ca = ClampByte(color.mAlpha);
    t[0] = ClampByte(color.mRed) * ca / 255;
    t[1] = ClampByte(color.mGreen) * ca / 255;
    t[2] = ClampByte(color.mBlue) * ca / 255;
}

// Source pixels: straight ARGB words, or a colour table through index bytes.
struct BitsTexels {
    const uint32_t* base;
    uint32_t operator()(size_t i) const { return base[i]; }
};

struct PaletteTexels {
    const uint8_t* indices;
    const uint32_t* palette;
    uint32_t operator()(size_t i) const { return palette[indices[i]]; }
};

// ---- Rotator blends ---------------------------------------------------------
//
// Each takes the destination pixel, the footprint's alpha-weighted channel
// sums as pairs (red and blue: sum of (p & 0xFF00FF) * aw; green: sum of
// (p & 0xFF00) * aw) and invA = 256 - sum of the weights.

inline void SplitSums(uint32_t srb, uint32_t sg, uint32_t s[3]) {
    s[0] = srb >> 16;
    s[1] = sg >> 8;
    s[2] = srb & 0xFFFF;
}

struct RotGeneral {
    static constexpr bool kColorAlpha = false;
    Channels ch;
    uint32_t operator()(uint32_t d, uint32_t srb, uint32_t sg, uint32_t invA) const {
        uint32_t s[3];
        SplitSums(srb, sg, s);
        uint32_t out = 0;
        for (int i = 0; i < 3; ++i) {
            const SurfaceChannel& c = ch.c[i];
            out |=
                ((s[i] >> (16 - c.mBits)) << c.mShift) + ((((d & c.mMask) * invA) >> 8) & c.mMask);
        }
        return out;
    }
};

struct RotGeneralTinted {
    static constexpr bool kColorAlpha = true;
    Channels ch;
    uint32_t factor[3];  // colour channel + 1
    uint32_t alpha;
    uint32_t operator()(uint32_t d, uint32_t srb, uint32_t sg, uint32_t invA) const {
        uint32_t s[3];
        SplitSums(srb, sg, s);
        const uint32_t value[3] = {(s[0] * factor[0]) >> (24 - ch.c[0].mBits),
                                   (s[1] * factor[1]) >> (24 - ch.c[1].mBits),
                                   ((s[2] >> 8) * factor[2]) >> (16 - ch.c[2].mBits)};
        uint32_t out = 0;
        for (int i = 0; i < 3; ++i) {
            const SurfaceChannel& c = ch.c[i];
            out |= (value[i] << c.mShift) + ((((d & c.mMask) * invA) >> 8) & c.mMask);
        }
        return out;
    }
};

// X8R8G8B8: each byte ((S & 0xFF00) + d * invA) >> 8, two channels per
// multiplication; no lane can carry, as S <= 255 * (256 - invA).
struct RotBytes {
    static constexpr bool kColorAlpha = false;
    uint32_t operator()(uint32_t d, uint32_t srb, uint32_t sg, uint32_t invA) const {
        const uint32_t rb = (((srb & 0xFF00FF00) + (d & kRB) * invA) >> 8) & kRB;
        const uint32_t g = (((sg & 0xFF0000) + (d & kG) * invA) >> 8) & kG;
        return rb | g;
    }
#if defined(VESK_PIXEL_SSE2)
    // Two pixels from RotatedFootprintPair's sums, lane by lane the same.
    void Pair(uint32_t* out, __m128i sums) const {
        using namespace PixelSimd;
        const __m128i invA = _mm_sub_epi16(Splat16(256), AlphaLanes(sums));
        const __m128i mixed =
            _mm_srli_epi16(_mm_add_epi16(_mm_and_si128(sums, Splat16(0xFF00)),
                                         _mm_mullo_epi16(WidenLow(Load2(out)), invA)),
                           8);
        Store2(out, _mm_and_si128(_mm_packus_epi16(mixed, mixed), Splat32(0x00FFFFFF)));
    }
#endif
};

// 5-6-5 and 5-5-5 in their spread form: 5-bit weights, one multiplication.
template <uint32_t K>
struct RotSpread {
    static constexpr bool kColorAlpha = false;
    uint32_t operator()(uint32_t d, uint32_t srb, uint32_t sg, uint32_t invA) const {
        const uint32_t qr = srb >> 24;
        const uint32_t qg = sg >> 16;
        const uint32_t qb = (srb >> 8) & 0xFF;
        uint32_t s;
        if constexpr (K == kSpread565) {
            s = ((qg >> 2) << 21) + ((qr >> 3) << 11) + (qb >> 3);
        } else {
            s = ((qg >> 3) << 21) + ((qr >> 3) << 10) + (qb >> 3);
        }
        const uint32_t spread = (d | (d << 16)) & K;
        const uint32_t v = (((spread * (invA >> 3)) >> 5) & K) + s;
        return (v | (v >> 16)) & 0xFFFF;
    }
};

struct RotAdditive {
    static constexpr bool kColorAlpha = false;
    Channels ch;
    const uint8_t* table[3];
    uint32_t tint[3];
    uint32_t operator()(uint32_t d, uint32_t srb, uint32_t sg, uint32_t) const {
        uint32_t s[3];
        SplitSums(srb, sg, s);
        const uint32_t index[3] = {((s[0] >> (16 - ch.c[0].mBits)) * tint[0]) >> 8,
                                   (s[1] * tint[1]) >> (24 - ch.c[1].mBits),
                                   (s[2] * tint[2]) >> (24 - ch.c[2].mBits)};
        uint32_t out = 0;
        for (int i = 0; i < 3; ++i) {
            const SurfaceChannel& c = ch.c[i];
            out |= static_cast<uint32_t>(table[i][index[i] + ((d & c.mMask) >> c.mShift)])
                   << c.mShift;
        }
        return out;
    }
};

#if defined(VESK_PIXEL_SSE2)
// RotAdditive over X8R8G8B8, whose 8-bit tables saturate at 255: two pixels
// at a time with saturating byte adds.
struct RotAdditiveBytes : RotAdditive {
    __m128i tints;

    explicit RotAdditiveBytes(const RotAdditive& plain) : RotAdditive(plain) {
        const auto r = static_cast<int16_t>(tint[0]);
        const auto g = static_cast<int16_t>(tint[1]);
        const auto b = static_cast<int16_t>(tint[2]);
        tints = _mm_set_epi16(0, r, g, b, 0, r, g, b);
    }

    // Red is taken to 8 bits before its tint, green and blue after.
    void Pair(uint32_t* out, __m128i sums) const {
        using namespace PixelSimd;
        const __m128i redLanes = _mm_set_epi16(0, -1, 0, 0, 0, -1, 0, 0);
        const __m128i add = Select(redLanes, MulShift8(_mm_srli_epi16(sums, 8), tints),
                                   _mm_mulhi_epu16(sums, tints));
        Store2(out, _mm_and_si128(_mm_adds_epu8(Load2(out), _mm_packus_epi16(add, add)),
                                  Splat32(0x00FFFFFF)));
    }
};
#endif

// ---- Rotator walk -----------------------------------------------------------

struct RotationPlan {
    int32_t left;
    int32_t top;
    int32_t lastColumn;
    double boxHeight;
    float x0;
    double x;
    double y;
    double centerX;
    double centerY;
    double cos;
    double sin;
    int32_t c16;
    int32_t s16;
    int32_t areaX;
    int32_t areaY;
    int32_t width;
    int32_t height;
    // Pixels may be taken two at a time: false when the source's memory
    // overlaps the surface's, which must then be read and written in order.
    bool paired;
};

#if defined(VESK_PIXEL_SSE2)

// The footprint's pixels p00, p10, p01, p11 at index.
inline __m128i FootprintTexels(const BitsTexels& texels, size_t index, size_t stride) {
    return _mm_unpacklo_epi64(PixelSimd::Load2(texels.base + index),
                              PixelSimd::Load2(texels.base + index + stride));
}

inline __m128i FootprintTexels(const PaletteTexels& texels, size_t index, size_t stride) {
    return PixelSimd::Gather4(texels(index), texels(index + 1), texels(index + stride),
                              texels(index + stride + 1));
}

template <class Blend>
concept PairBlend =
    requires(const Blend& blend, uint32_t* out, __m128i sums) { blend.Pair(out, sums); };

#endif

template <typename P, class Texels, class Blend>
void RotateSpan(P* out, int32_t count, uint32_t u, uint32_t v, uint32_t du, uint32_t dv,
                const Texels& texels, size_t stride, const Blend& blend, uint32_t colorAlpha,
                [[maybe_unused]] bool paired) {
    int32_t i = 0;
#if defined(VESK_PIXEL_SSE2)
    if (paired) {
        using namespace PixelSimd;
        const __m128i tintAlpha = Splat16(colorAlpha);
        __m128i uv = Gather4(u, v, u + du, v + dv);
        const __m128i step = Gather4(2 * du, 2 * dv, 2 * du, 2 * dv);
        for (; i + 1 < count; i += 2) {
            const size_t indexA = static_cast<size_t>(v >> 16) * stride + (u >> 16);
            u += du;
            v += dv;
            const size_t indexB = static_cast<size_t>(v >> 16) * stride + (u >> 16);
            u += du;
            v += dv;
            const __m128i sums = RotatedFootprintPair<Blend::kColorAlpha>(
                FootprintTexels(texels, indexA, stride), FootprintTexels(texels, indexB, stride),
                uv, tintAlpha);
            uv = _mm_add_epi32(uv, step);
            if constexpr (sizeof(P) == 4 && PairBlend<Blend>) {
                blend.Pair(reinterpret_cast<uint32_t*>(out + i), sums);
            } else {
                // Lanes blue, green, red, weight: the scalar's pairs rebuilt.
                alignas(16) uint16_t lanes[8];
                _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums);
                for (int k = 0; k < 2; ++k) {
                    const uint16_t* s = lanes + 4 * k;
                    const uint32_t srb = (uint32_t{s[2]} << 16) | s[0];
                    out[i + k] = static_cast<P>(
                        blend(out[i + k], srb, uint32_t{s[1]} << 8, 256 - uint32_t{s[3]}));
                }
            }
        }
    }
#endif
    for (; i < count; ++i, u += du, v += dv) {
        const size_t index = static_cast<size_t>(v >> 16) * stride + (u >> 16);
        const uint32_t p00 = texels(index);
        const uint32_t p10 = texels(index + 1);
        const uint32_t p01 = texels(index + stride);
        const uint32_t p11 = texels(index + stride + 1);
        // The fraction's lowest bit is forced on: never 0, never a whole pixel.
        const uint32_t fx = (u & 0xFFFE) + 1;
        const uint32_t fy = (v & 0xFFFE) + 1;
        const uint32_t gx = 0x10000 - fx;
        const uint32_t gy = 0x10000 - fy;
        uint32_t a00 = (((gx * gy) >> 16) * (p00 >> 24)) >> 16;
        uint32_t a10 = (((fx * gy) >> 16) * (p10 >> 24)) >> 16;
        uint32_t a01 = (((gx * fy) >> 16) * (p01 >> 24)) >> 16;
        uint32_t a11 = (((fx * fy) >> 16) * (p11 >> 24)) >> 16;
        if constexpr (Blend::kColorAlpha) {
            a00 = (a00 * colorAlpha) >> 8;
            a10 = (a10 * colorAlpha) >> 8;
            a01 = (a01 * colorAlpha) >> 8;
            a11 = (a11 * colorAlpha) >> 8;
        }
        const uint32_t srb =
            (p00 & kRB) * a00 + (p10 & kRB) * a10 + (p01 & kRB) * a01 + (p11 & kRB) * a11;
        const uint32_t sg =
            (p00 & kG) * a00 + (p10 & kG) * a10 + (p01 & kG) * a01 + (p11 & kG) * a11;
        const uint32_t invA = 256 - (a00 + a10 + a01 + a11);
        out[i] = static_cast<P>(blend(out[i], srb, sg, invA));
    }
}

template <typename P, class Texels, class Blend>
void RotateRows(const SurfacePixels& dest, const Texels& texels, size_t stride,
                const RotationPlan& plan, const Blend& blend, uint32_t colorAlpha) {
    for (int32_t r = 0; static_cast<double>(r) < plan.boxHeight; ++r) {
        // Each row starts afresh from doubles, so errors don't pile up.
        const auto y0 =
            static_cast<float>(static_cast<double>(plan.top + r) - plan.centerY - plan.y);
        const int64_t urow =
            Truncated(((plan.x0 * plan.cos - y0 * plan.sin) + plan.centerX) * 65536.0) -
            (int64_t{plan.areaX} << 16);
        const int64_t vrow =
            Truncated(((y0 * plan.cos + plan.x0 * plan.sin) + plan.centerY) * 65536.0) -
            (int64_t{plan.areaY} << 16);
        int32_t first = 0;
        int32_t last = plan.lastColumn;
        if (!NarrowSurfaceRotatedRow(urow, vrow, plan.c16, plan.s16, plan.width, plan.height, first,
                                     last)) {
            continue;
        }
        // Inside the range every position lies in [0, size << 16).
        const auto u = static_cast<uint32_t>(urow + int64_t{first} * plan.c16);
        const auto v = static_cast<uint32_t>(vrow + int64_t{first} * plan.s16);
        P* out = RowAt<P>(dest, plan.top + r) + plan.left + first;
        RotateSpan<P>(out, last - first + 1, u, v, static_cast<uint32_t>(plan.c16),
                      static_cast<uint32_t>(plan.s16), texels, stride, blend, colorAlpha,
                      plan.paired);
    }
}

template <typename P, class Blend>
void RotateWith(const SurfacePixels& dest, const StraightBlitSource& source,
                const RotationPlan& plan, const Blend& blend, uint32_t colorAlpha) {
    const size_t stride = static_cast<size_t>(source.mStride);
    if (source.mIndices != nullptr) {
        RotateRows<P>(dest, PaletteTexels{source.mIndices, source.mPixels}, stride, plan, blend,
                      colorAlpha);
    } else {
        RotateRows<P>(dest, BitsTexels{source.mPixels}, stride, plan, blend, colorAlpha);
    }
}

template <typename P>
void RotateDepth(const SurfacePixels& dest, const StraightBlitSource& source,
                 const RotationPlan& plan, const Color& color, DrawMode drawMode) {
    const Channels ch = ChannelsOf(dest);
    if (drawMode != kDrawModeNormal) {
        RotAdditive blend{ch, {}, {}};
        for (int i = 0; i < 3; ++i) {
            blend.table[i] = SaturationTable(ch.c[i].mBits);
        }
        AdditiveTints(color, blend.tint);
#if defined(VESK_PIXEL_SSE2)
        if constexpr (sizeof(P) == 4) {
            if (IsXrgb8888(dest)) {
                RotateWith<P>(dest, source, plan, RotAdditiveBytes(blend), 0);
                return;
            }
        }
#endif
        RotateWith<P>(dest, source, plan, blend, 0);
        return;
    }
    if (!color.IsWhite()) {
        const RotGeneralTinted blend{
            ch,
            {ClampByte(color.mRed) + 1, ClampByte(color.mGreen) + 1, ClampByte(color.mBlue) + 1},
            ClampByte(color.mAlpha)};
        RotateWith<P>(dest, source, plan, blend, blend.alpha);
        return;
    }
    if constexpr (sizeof(P) == 4) {
        if (IsXrgb8888(dest)) {
            RotateWith<P>(dest, source, plan, RotBytes{}, 0);
            return;
        }
    } else {
        if (Is565(dest)) {
            RotateWith<P>(dest, source, plan, RotSpread<kSpread565>{}, 0);
            return;
        }
        if (Is555(dest)) {
            RotateWith<P>(dest, source, plan, RotSpread<kSpread555>{}, 0);
            return;
        }
    }
    RotateWith<P>(dest, source, plan, RotGeneral{ch}, 0);
}

// ---- Stretch blends ---------------------------------------------------------
//
// Each takes a destination pixel and the premultiplied native word n of its
// source pixel and leaves the pixel alone when the word adds nothing.

// An opaque word keeps (d & M) / 256 of each channel of 8 bits or fewer,
// which is 0: the word itself is the result.
struct StretchOver {
    Channels ch;
    template <typename P>
    void operator()(P& pixel, uint32_t n) const {
        const uint32_t a = n >> 24;
        if (a == 0) {
            return;
        }
        if (a == 255) {
            pixel = static_cast<P>(n);
            return;
        }
        const uint32_t keep = 256 - a;
        const uint32_t d = pixel;
        uint32_t out = 0;
        for (const SurfaceChannel& c : ch.c) {
            out += (((d & c.mMask) * keep) >> 8) & c.mMask;
        }
        pixel = static_cast<P>(out + n);
    }
};

// X8R8G8B8, the same arithmetic on channel pairs.
struct StretchOverBytes {
    void operator()(uint32_t& pixel, uint32_t n) const {
        const uint32_t a = n >> 24;
        if (a == 0) {
            return;
        }
        if (a == 255) {
            pixel = n;
            return;
        }
        const uint32_t keep = 256 - a;
        const uint32_t d = pixel;
        pixel = ((((d & kRB) * keep) >> 8) & kRB) + ((((d & kG) * keep) >> 8) & kG) + n;
    }
#if defined(VESK_PIXEL_SSE2)
    // Four pixels: the kept channels per 16-bit lane, then the same 32-bit
    // add of the word, carries and all.
    void Four(uint32_t* out, __m128i n) const {
        using namespace PixelSimd;
        const __m128i opaque = AlphaIs(n, 255);
        const __m128i clear = AlphaIs(n, 0);
        if (PixelMask(opaque) == 0xF) {
            Store4(out, n);
            return;
        }
        if (PixelMask(clear) == 0xF) {
            return;
        }
        const __m128i dest = Load4(out);
        const auto kept = [](__m128i d16, __m128i n16) {
            return MulShift8(d16, _mm_sub_epi16(Splat16(256), AlphaLanes(n16)));
        };
        const __m128i keep = _mm_and_si128(_mm_packus_epi16(kept(WidenLow(dest), WidenLow(n)),
                                                            kept(WidenHigh(dest), WidenHigh(n))),
                                           Splat32(0x00FFFFFF));
        Store4(out, Select(opaque, n, Select(clear, dest, _mm_add_epi32(keep, n))));
    }
#endif
};

struct StretchTinted {
    Channels ch;
    uint32_t tint[3];
    uint32_t alpha;
    template <typename P>
    void operator()(P& pixel, uint32_t n) const {
        const uint32_t a = Div255((n >> 24) * alpha);
        if (a == 0) {
            return;
        }
        const uint32_t keep = 256 - a;
        const uint32_t d = pixel;
        uint32_t out = 0;
        for (int i = 0; i < 3; ++i) {
            const uint32_t m = ch.c[i].mMask;
            out += ((((d & m) * keep) + ((n & m) * tint[i])) >> 8) & m;
        }
        pixel = static_cast<P>(out);
    }
};

struct StretchAdd {
    Channels ch;
    const uint8_t* table[3];
    template <typename P>
    void operator()(P& pixel, uint32_t n) const {
        if (n == 0) {
            return;
        }
        const uint32_t d = pixel;
        uint32_t out = 0;
        for (int i = 0; i < 3; ++i) {
            const SurfaceChannel& c = ch.c[i];
            out |= static_cast<uint32_t>(table[i][((d & c.mMask) + (n & c.mMask)) >> c.mShift])
                   << c.mShift;
        }
        pixel = static_cast<P>(out);
    }
};

// 5-6-5 and 5-5-5: the three channels added at once on the spread form.
template <uint32_t K>
struct StretchAddSpread {
    void operator()(uint16_t& pixel, uint32_t n) const {
        if (n != 0) {
            pixel = static_cast<uint16_t>(AddSpreadSaturated<K>(pixel, n));
        }
    }
};

// X8R8G8B8: the three saturating adds on the channel pairs, each lane's
// carry turned into a full lane.
struct StretchAddBytes {
    void operator()(uint32_t& pixel, uint32_t n) const {
        if (n == 0) {
            return;
        }
        const uint32_t d = pixel;
        uint32_t rb = (d & kRB) + (n & kRB);
        rb |= ((rb >> 8) & 0x00010001) * 0xFF;
        uint32_t g = (d & kG) + (n & kG);
        g |= ((g >> 8) & 0x00000100) * 0xFF;
        pixel = (rb & kRB) | (g & kG);
    }
#if defined(VESK_PIXEL_SSE2)
    void Four(uint32_t* out, __m128i n) const {
        using namespace PixelSimd;
        const __m128i dest = Load4(out);
        const __m128i sum = _mm_and_si128(_mm_adds_epu8(dest, n), Splat32(0x00FFFFFF));
        Store4(out, Select(_mm_cmpeq_epi32(n, _mm_setzero_si128()), dest, sum));
    }
#endif
};

struct StretchAddTinted {
    Channels ch;
    const uint8_t* table[3];
    uint32_t tint[3];
    template <typename P>
    void operator()(P& pixel, uint32_t n) const {
        if (n == 0) {
            return;
        }
        const uint32_t d = pixel;
        uint32_t out = 0;
        for (int i = 0; i < 3; ++i) {
            const SurfaceChannel& c = ch.c[i];
            const uint32_t index =
                ((((n & c.mMask) >> c.mShift) * tint[i]) >> 8) + ((d & c.mMask) >> c.mShift);
            out |= static_cast<uint32_t>(table[i][index]) << c.mShift;
        }
        pixel = static_cast<P>(out);
    }
};

// X8R8G8B8 tinted: the same sums four pixels at a time, each colour byte (n * t) >> 8 added to
// the destination's with saturation, the unused byte 0.
struct StretchAddTintBytes {
    StretchAddTinted scalar;
    void operator()(uint32_t& pixel, uint32_t n) const { scalar(pixel, n); }
#if defined(VESK_PIXEL_SSE2)
    __m128i t16 = _mm_setzero_si128();
    explicit StretchAddTintBytes(const StretchAddTinted& tinted) : scalar(tinted) {
        const auto lane = [](uint32_t t) { return static_cast<int16_t>(t); };
        t16 = _mm_set_epi16(0, lane(scalar.tint[0]), lane(scalar.tint[1]), lane(scalar.tint[2]), 0,
                            lane(scalar.tint[0]), lane(scalar.tint[1]), lane(scalar.tint[2]));
    }
    void Four(uint32_t* out, __m128i n) const {
        using namespace PixelSimd;
        const __m128i zero = _mm_setzero_si128();
        const __m128i dest = Load4(out);
        const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(n, zero), t16), 8);
        const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(n, zero), t16), 8);
        const __m128i sum =
            _mm_adds_epu8(_mm_packus_epi16(lo, hi), _mm_and_si128(dest, Splat32(0x00FFFFFF)));
        Store4(out, Select(_mm_cmpeq_epi32(n, zero), dest, sum));
    }
#else
    explicit StretchAddTintBytes(const StretchAddTinted& tinted) : scalar(tinted) {}
#endif
};

// ---- Stretch walk -----------------------------------------------------------

struct StretchPlan {
    Rect clipped;
    const int32_t* columns;  // source column of the i-th pixel walked in a row
    const int32_t* rows;     // source row of each destination row
    // Pixels may be taken four at a time: false when the source's memory
    // overlaps the surface's.
    bool grouped;
};

#if defined(VESK_PIXEL_SSE2)
template <class Op>
concept FourOp = requires(const Op& op, uint32_t* out, __m128i n) { op.Four(out, n); };
#endif

template <typename P, bool kPalette, bool kMirror, class Op>
void StretchRows(const SurfacePixels& dest, const NativeBlitSource& source, const StretchPlan& plan,
                 const Op& op) {
    const int32_t width = plan.clipped.mWidth;
    const int32_t height = plan.clipped.mHeight;
    const size_t stride = static_cast<size_t>(source.mStride);
    const int32_t* columns = plan.columns;
    const uint32_t* native = source.mNative;
    [[maybe_unused]] const bool grouped = plan.grouped;
#if defined(VESK_PIXEL_SSE2)
    // A magnified source row serves several destination rows: its words are looked up once, in
    // the order the row is walked, and read from there in fours.
    std::vector<uint32_t> expanded;
    int32_t expandedRow = -1;
    if constexpr (sizeof(P) == 4 && FourOp<Op>) {
        if (grouped) {
            expanded.resize(static_cast<size_t>(width));
        }
    }
#endif
    for (int32_t j = 0; j < height; ++j) {
        P* out = RowAt<P>(dest, plan.clipped.mY + j) + plan.clipped.mX;
        if constexpr (kMirror) {
            out += width - 1;
        }
        const size_t rowStart = static_cast<size_t>(plan.rows[j]) * stride;
        const uint8_t* indices = kPalette ? source.mIndices + rowStart : nullptr;
        const uint32_t* words = kPalette ? native : native + rowStart;
        int32_t i = 0;
#if defined(VESK_PIXEL_SSE2)
        if constexpr (sizeof(P) == 4 && FourOp<Op>) {
            if (grouped) {
                uint32_t* e = expanded.data();
                if (plan.rows[j] != expandedRow) {
                    expandedRow = plan.rows[j];
                    const auto word = [&](int32_t k) {
                        if constexpr (kPalette) {
                            return words[indices[columns[k]]];
                        } else {
                            return words[columns[k]];
                        }
                    };
                    // Stored in fours, as they are read back: a vector load over four
                    // separate stores would wait for them.
                    int32_t k = 0;
                    for (; k + 3 < width; k += 4) {
                        PixelSimd::Store4(e + k, PixelSimd::Gather4(word(k), word(k + 1),
                                                                    word(k + 2), word(k + 3)));
                    }
                    for (; k < width; ++k) {
                        e[k] = word(k);
                    }
                }
                for (; i + 3 < width; i += 4) {
                    const __m128i four = PixelSimd::Load4(e + i);
                    if constexpr (kMirror) {
                        op.Four(reinterpret_cast<uint32_t*>(out - i - 3),
                                _mm_shuffle_epi32(four, _MM_SHUFFLE(0, 1, 2, 3)));
                    } else {
                        op.Four(reinterpret_cast<uint32_t*>(out + i), four);
                    }
                }
            }
        }
#endif
        for (; i < width; ++i) {
            uint32_t n;
            if constexpr (kPalette) {
                n = words[indices[columns[i]]];
            } else {
                n = words[columns[i]];
            }
            if constexpr (kMirror) {
                op(out[-i], n);
            } else {
                op(out[i], n);
            }
        }
    }
}

template <typename P, class Op>
void StretchWith(const SurfacePixels& dest, const NativeBlitSource& source, const StretchPlan& plan,
                 bool mirror, const Op& op) {
    const bool palette = source.mIndices != nullptr;
    if (palette) {
        if (mirror) {
            StretchRows<P, true, true>(dest, source, plan, op);
        } else {
            StretchRows<P, true, false>(dest, source, plan, op);
        }
    } else if (mirror) {
        StretchRows<P, false, true>(dest, source, plan, op);
    } else {
        StretchRows<P, false, false>(dest, source, plan, op);
    }
}

template <typename P>
void StretchDepth(const SurfacePixels& dest, const NativeBlitSource& source,
                  const StretchPlan& plan, bool mirror, const Color& color, DrawMode drawMode) {
    const Channels ch = ChannelsOf(dest);
    const bool white = color.IsWhite();
    if (drawMode == kDrawModeNormal) {
        if (white) {
            if constexpr (sizeof(P) == 4) {
                if (IsXrgb8888(dest)) {
                    StretchWith<P>(dest, source, plan, mirror, StretchOverBytes{});
                    return;
                }
            }
            StretchWith<P>(dest, source, plan, mirror, StretchOver{ch});
            return;
        }
        StretchTinted op{ch, {}, ClampByte(color.mAlpha)};
        AdditiveTints(color, op.tint);
        StretchWith<P>(dest, source, plan, mirror, op);
        return;
    }
    const uint8_t* tables[3] = {SaturationTable(ch.c[0].mBits), SaturationTable(ch.c[1].mBits),
                                SaturationTable(ch.c[2].mBits)};
    if (white) {
        if constexpr (sizeof(P) == 4) {
            if (IsXrgb8888(dest)) {
                StretchWith<P>(dest, source, plan, mirror, StretchAddBytes{});
                return;
            }
        }
        if constexpr (sizeof(P) == 2) {
            if (dest.mGreenMask == kGreen565) {
                StretchWith<P>(dest, source, plan, mirror, StretchAddSpread<kSpread565>{});
                return;
            }
            if (dest.mGreenMask == kGreen555) {
                StretchWith<P>(dest, source, plan, mirror, StretchAddSpread<kSpread555>{});
                return;
            }
        }
        StretchWith<P>(dest, source, plan, mirror,
                       StretchAdd{ch, {tables[0], tables[1], tables[2]}});
        return;
    }
    StretchAddTinted op{ch, {tables[0], tables[1], tables[2]}, {}};
    AdditiveTints(color, op.tint);
    if constexpr (sizeof(P) == 4) {
        if (IsXrgb8888(dest)) {
            StretchWith<P>(dest, source, plan, mirror, StretchAddTintBytes(op));
            return;
        }
    }
    StretchWith<P>(dest, source, plan, mirror, op);
}

// Source positions start + i * step (16.16) for count pixels, as whole
// pixels kept inside [lo, lo + size).
std::vector<int32_t> SampleTable(int64_t start, int64_t step, int32_t count, int32_t lo,
                                 int32_t size) {
    std::vector<int32_t> out(static_cast<size_t>(count));
    const int64_t hi = int64_t{lo} + size - 1;
    for (int32_t i = 0; i < count; ++i) {
        const int64_t whole = (start + int64_t{i} * step) >> 16;
        out[static_cast<size_t>(i)] = static_cast<int32_t>(std::clamp<int64_t>(whole, lo, hi));
    }
    return out;
}

bool Overlap(const void* a, size_t aBytes, const void* b, size_t bBytes) {
    const auto aStart = reinterpret_cast<uintptr_t>(a);
    const auto bStart = reinterpret_cast<uintptr_t>(b);
    return aStart < bStart + bBytes && bStart < aStart + aBytes;
}

// Whether the rotator's source (width x height pixels or index bytes, and a
// colour table) shares memory with the surface.
bool SourceOverlaps(const SurfacePixels& dest, const StraightBlitSource& source, int32_t width,
                    int32_t height) {
    if (width <= 0 || height <= 0 || source.mStride < 0) {
        return true;
    }
    const int64_t pitch = dest.mPitch;
    const uint8_t* first = pitch < 0 ? dest.mBits + pitch * (dest.mHeight - 1) : dest.mBits;
    const auto surfaceBytes = static_cast<size_t>((pitch < 0 ? -pitch : pitch) * dest.mHeight);
    const size_t cells = static_cast<size_t>(height - 1) * static_cast<size_t>(source.mStride) +
                         static_cast<size_t>(width);
    if (source.mIndices != nullptr) {
        return Overlap(first, surfaceBytes, source.mIndices, cells) ||
               Overlap(first, surfaceBytes, source.mPixels, 256 * sizeof(uint32_t));
    }
    return Overlap(first, surfaceBytes, source.mPixels, cells * sizeof(uint32_t));
}

// Whether the words (or index bytes and 256 words) a stretch may read within
// bounds share memory with the surface.
bool NativeOverlaps(const SurfacePixels& dest, const NativeBlitSource& source, const Rect& bounds) {
    if (source.mStride < 0) {
        return true;
    }
    const int64_t pitch = dest.mPitch;
    const uint8_t* first = pitch < 0 ? dest.mBits + pitch * (dest.mHeight - 1) : dest.mBits;
    const auto surfaceBytes = static_cast<size_t>((pitch < 0 ? -pitch : pitch) * dest.mHeight);
    const size_t cells =
        static_cast<size_t>(bounds.mY + bounds.mHeight - 1) * static_cast<size_t>(source.mStride) +
        static_cast<size_t>(bounds.mX + bounds.mWidth);
    if (source.mIndices != nullptr) {
        return Overlap(first, surfaceBytes, source.mIndices, cells) ||
               Overlap(first, surfaceBytes, source.mNative, 256 * sizeof(uint32_t));
    }
    return Overlap(first, surfaceBytes, source.mNative, cells * sizeof(uint32_t));
}

bool InsideSurface(const SurfacePixels& dest, const Rect& r) {
    return r.mX >= 0 && r.mY >= 0 && r.mWidth > 0 && r.mHeight > 0 &&
           int64_t{r.mX} + r.mWidth <= dest.mWidth && int64_t{r.mY} + r.mHeight <= dest.mHeight;
}

}  // namespace

// ---- Rotator row range --------------------------------------------------------

namespace {

// The rules of one axis; every division truncates toward zero. A decreasing
// u ends at (0x7FFF - u) / step, a decreasing v at -(v / step).
bool NarrowSurfaceAxis(int64_t start, int64_t step, int64_t size, bool vAxis, int64_t& first,
                       int64_t& last) {
    const int64_t sizeFixed = size << 16;
    if (step >= 1) {
        if ((start >> 16) >= size - 1) {
            return false;
        }
        first = std::max(first, (0x10000 - start) / step);
        last = std::min(last, (sizeFixed - start - 0x17FFF) / step);
    } else if (step <= -1) {
        if ((start >> 16) < 0) {
            return false;
        }
        first = std::max(first, (sizeFixed - start - 0x27FFF) / step);
        last = std::min(last, vAxis ? -(start / step) : (0x7FFF - start) / step);
    } else if (start < 0 || start >= sizeFixed - 0x10000) {
        return false;
    }
    return true;
}

}  // namespace

bool NarrowSurfaceRotatedRow(int64_t u, int64_t v, int32_t du, int32_t dv, int32_t width,
                             int32_t height, int32_t& first, int32_t& last) {
    if (width < 2 || height < 2 || width > kMaxFixedSourceSide || height > kMaxFixedSourceSide) {
        return false;
    }
    int64_t lo = first;
    int64_t hi = last;
    if (!NarrowSurfaceAxis(u, du, width, false, lo, hi) ||
        !NarrowSurfaceAxis(v, dv, height, true, lo, hi) || lo > hi) {
        return false;
    }
    first = static_cast<int32_t>(lo);
    last = static_cast<int32_t>(hi);
    return true;
}

void RotateIntoSurface(const SurfacePixels& dest, const StraightBlitSource& source,
                       const SurfaceRotation& rotation, const Color& color, DrawMode drawMode) {
    const FRect& box = rotation.mBox;
    if (source.mPixels == nullptr || !(box.mWidth > 0.0) || !(box.mHeight > 0.0) ||
        (dest.mBitsPerPixel != 16 && dest.mBitsPerPixel != 32) || dest.mBits == nullptr) {
        return;
    }
    // The box must lie in the surface: every row and column drawn is inside.
    if (!(box.mX >= 0.0) || !(box.mY >= 0.0) || box.mX + box.mWidth > dest.mWidth ||
        box.mY + box.mHeight > dest.mHeight) {
        return;
    }
    RotationPlan plan;
    plan.left = static_cast<int32_t>(box.mX);
    plan.top = static_cast<int32_t>(box.mY);
    plan.lastColumn = static_cast<int32_t>(box.mWidth - 1.0);
    plan.boxHeight = box.mHeight;
    plan.x = rotation.mX;
    plan.y = rotation.mY;
    plan.centerX = rotation.mCenterX;
    plan.centerY = rotation.mCenterY;
    plan.x0 = static_cast<float>(static_cast<double>(plan.left) - plan.centerX - plan.x);
    plan.cos = std::cos(rotation.mAngle);
    plan.sin = std::sin(rotation.mAngle);
    if (!std::isfinite(plan.cos) || !std::isfinite(plan.sin)) {
        return;
    }
    plan.c16 = static_cast<int32_t>(plan.cos * 65536.0);
    plan.s16 = static_cast<int32_t>(plan.sin * 65536.0);
    plan.areaX = rotation.mAreaX;
    plan.areaY = rotation.mAreaY;
    plan.width = rotation.mWidth;
    plan.height = rotation.mHeight;
    plan.paired = !SourceOverlaps(dest, source, rotation.mWidth, rotation.mHeight);
    if (dest.mBitsPerPixel == 16) {
        RotateDepth<uint16_t>(dest, source, plan, color, drawMode);
    } else {
        RotateDepth<uint32_t>(dest, source, plan, color, drawMode);
    }
}

void StretchIntoSurface(const SurfacePixels& dest, const NativeBlitSource& source,
                        const SurfaceStretch& stretch, const Color& color, DrawMode drawMode) {
    const Rect& clipped = stretch.mClipped;
    const FRect& area = stretch.mSource;
    if (source.mNative == nullptr || dest.mBits == nullptr ||
        (dest.mBitsPerPixel != 16 && dest.mBitsPerPixel != 32) || !InsideSurface(dest, clipped) ||
        stretch.mBounds.mWidth <= 0 || stretch.mBounds.mHeight <= 0 || !std::isfinite(area.mX) ||
        !std::isfinite(area.mY) || !std::isfinite(area.mWidth) || !std::isfinite(area.mHeight)) {
        return;
    }
    // Steps and starts as the walk takes them, truncated toward zero.
    const int64_t du = Truncated(area.mWidth * 65536.0 / clipped.mWidth);
    const int64_t dv = Truncated(area.mHeight * 65536.0 / clipped.mHeight);
    const int64_t uStart = Truncated(area.mX * 65536.0);
    const int64_t vStart = Truncated(area.mY * 65536.0);
    const std::vector<int32_t> columns =
        SampleTable(uStart, du, clipped.mWidth, stretch.mBounds.mX, stretch.mBounds.mWidth);
    const std::vector<int32_t> rows =
        SampleTable(vStart, dv, clipped.mHeight, stretch.mBounds.mY, stretch.mBounds.mHeight);
    const StretchPlan plan{clipped, columns.data(), rows.data(),
                           !NativeOverlaps(dest, source, stretch.mBounds)};
    if (dest.mBitsPerPixel == 16) {
        StretchDepth<uint16_t>(dest, source, plan, stretch.mMirror, color, drawMode);
    } else {
        StretchDepth<uint32_t>(dest, source, plan, stretch.mMirror, color, drawMode);
    }
}

}  // namespace Vesk
