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
#include "graphics/PixelSimd.h"
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
    // Pixels may be taken two at a time: false when the source is the
    // destination, whose pixels must be read in the order they are written.
    bool paired;
};

struct RotateTint {
    uint32_t alpha;     // colour alpha, normal tinted
    uint32_t scale[3];  // (channel + 1) for normal, channel * alpha / 255 for additive
};

constexpr bool TintsAlpha(RotateKind kind) {
    return kind == RotateKind::NormalTinted;
}

// The footprint's premultiplied sums in 8.8 (each below 255 * 256) and its
// summed alpha weight a (at most 255).
struct FootprintSum {
    uint32_t sr;
    uint32_t g;
    uint32_t sb;
    uint32_t a;
};

// Weights of the 2x2 footprint at (u, v): the fractions never 0 or 1, each
// bilinear weight times its pixel's alpha (and the tint's alpha when asked).
template <class Source, bool kTintAlpha>
inline FootprintSum Footprint(const Source& src, size_t stride, uint32_t u, uint32_t v,
                              uint32_t tintAlpha) {
    const size_t index = static_cast<size_t>(v >> 16) * stride + (u >> 16);
    const uint32_t p[4] = {src(index), src(index + 1), src(index + stride),
                           src(index + stride + 1)};
    const uint32_t fx = (u & 0xFFFE) + 1;
    const uint32_t fy = (v & 0xFFFE) + 1;
    const uint32_t gx = 0x10000 - fx;
    const uint32_t gy = 0x10000 - fy;
    const uint32_t w[4] = {(gx * gy) >> 16, (fx * gy) >> 16, (gx * fy) >> 16, (fx * fy) >> 16};
    uint32_t aw[4];
    for (int i = 0; i < 4; ++i) {
        aw[i] = (w[i] * (p[i] >> 24)) >> 16;
        if constexpr (kTintAlpha) {
            aw[i] = (aw[i] * tintAlpha) >> 8;
        }
    }
    // Premultiplied sums in 8.8, three 16-bit lanes of one product: blue,
    // red, green (each stays below 255 * 255).
    uint64_t sum = 0;
    for (int k = 0; k < 4; ++k) {
        sum += ((p[k] & kRB) | (static_cast<uint64_t>(p[k] & kG) << 24)) * aw[k];
    }
    return FootprintSum{static_cast<uint32_t>(sum >> 16) & 0xFFFF,
                        static_cast<uint32_t>(sum >> 32) & 0xFFFF,
                        static_cast<uint32_t>(sum) & 0xFFFF, aw[0] + aw[1] + aw[2] + aw[3]};
}

// One destination pixel from its footprint's sums.
template <RotateKind kKind>
inline void RotateBlend(uint32_t& pixel, FootprintSum s, const RotateTint& tint) {
    if (s.a == 0) {
        return;
    }
    const uint32_t dp = pixel;
    if constexpr (kKind == RotateKind::Additive) {
        pixel = AddSaturate(dp, ((s.sr >> 8) << 16) | (s.g & kG) | (s.sb >> 8));
    } else if constexpr (kKind == RotateKind::AdditiveTinted) {
        const uint32_t add = (((s.sr * tint.scale[0]) >> 16) << 16) |
                             (((s.g * tint.scale[1]) >> 16) << 8) | ((s.sb * tint.scale[2]) >> 16);
        pixel = AddSaturate(dp, add);
    } else {
        uint32_t sr = s.sr;
        uint32_t g = s.g;
        uint32_t sb = s.sb;
        const uint32_t a = s.a;
        if constexpr (kKind == RotateKind::NormalTinted) {
            sr = (sr * tint.scale[0]) >> 8;
            g = (g * tint.scale[1]) >> 8;
            sb = (sb * tint.scale[2]) >> 8;
        }
        if (a > 250) {
            // Nearly opaque: written without reading the destination.
            pixel = 0xFF000000 | ((sr >> 8) << 16) | ((g >> 8) << 8) | (sb >> 8);
            return;
        }
        const uint32_t k = 256 - a;
        const uint32_t da = dp >> 24;
        if (da == 255) {
            // Opaque destination: e is 0 and the divisor 256.
            const uint32_t keepRB = ((((dp & kRB) * 255) >> 8) & kRB) * k;
            const uint32_t keepG = ((Channel(dp, 8) * 255) >> 8) * k;
            pixel = 0xFF000000 | (((keepRB + ((sr << 16) | sb)) >> 8) & kRB) |
                    (((keepG + g) >> 8) << 8);
            return;
        }
        const uint32_t e = ((256 - da) * k) >> 8;
        const uint32_t div = 256 - e;
        const uint32_t r = DivSmall(((Channel(dp, 16) * da) >> 8) * k + sr, div);
        const uint32_t gg = DivSmall(((Channel(dp, 8) * da) >> 8) * k + g, div);
        const uint32_t b = DivSmall(((Channel(dp, 0) * da) >> 8) * k + sb, div);
        pixel = ((255 - e) << 24) | (r << 16) | (gg << 8) | b;
    }
}

#if defined(VESK_PIXEL_SSE2)

// The footprint's texels p00, p10, p01, p11 at index.
inline __m128i FootprintTexels(const BitsSource& src, size_t index, size_t stride) {
    return _mm_unpacklo_epi64(PixelSimd::Load2(src.base + index),
                              PixelSimd::Load2(src.base + index + stride));
}

inline __m128i FootprintTexels(const PaletteSource& src, size_t index, size_t stride) {
    return PixelSimd::Gather4(src(index), src(index + 1), src(index + stride),
                              src(index + stride + 1));
}

template <class Source, bool kTintAlpha>
inline __m128i FootprintPair(const Source& src, size_t stride, __m128i uv, size_t indexA,
                             size_t indexB, __m128i tintAlpha) {
    return PixelSimd::RotatedFootprintPair<kTintAlpha>(
        FootprintTexels(src, indexA, stride), FootprintTexels(src, indexB, stride), uv, tintAlpha);
}

inline FootprintSum SumLanes(const uint16_t* lanes) {
    return FootprintSum{lanes[2], lanes[1], lanes[0], lanes[3]};
}

// RotateBlend for two pixels from FootprintPair's sums. scale holds the
// normal tint's (channel + 1) with 256 for the alpha lane, or the additive
// tint's factors with 0 there.
template <RotateKind kKind>
inline void RotateBlendPair(uint32_t* d, __m128i sums, __m128i scale, const RotateTint& tint) {
    using namespace PixelSimd;
    const __m128i dest = Load2(d);
    if constexpr (kKind == RotateKind::Additive || kKind == RotateKind::AdditiveTinted) {
        // A weight of 0 adds nothing, as the scalar's skip.
        const __m128i add =
            kKind == RotateKind::Additive ? _mm_srli_epi16(sums, 8) : _mm_mulhi_epu16(sums, scale);
        Store2(d, _mm_adds_epu8(dest, _mm_packus_epi16(add, add)));
    } else {
        const __m128i a = AlphaLanes(sums);
        const __m128i dest16 = WidenLow(dest);
        const __m128i translucentDest = _mm_cmplt_epi16(AlphaLanes(dest16), Splat16(255));
        if (_mm_movemask_epi8(translucentDest) != 0) {
            const __m128i partial = _mm_andnot_si128(_mm_cmpgt_epi16(a, Splat16(250)),
                                                     _mm_cmpgt_epi16(a, _mm_setzero_si128()));
            if (_mm_movemask_epi8(_mm_and_si128(translucentDest, partial)) != 0) {
                // A translucent pixel over a translucent destination divides:
                // the scalar blend takes both.
                alignas(16) uint16_t lanes[8];
                _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums);
                RotateBlend<kKind>(d[0], SumLanes(lanes), tint);
                RotateBlend<kKind>(d[1], SumLanes(lanes + 4), tint);
                return;
            }
        }
        __m128i s = sums;
        if constexpr (kKind == RotateKind::NormalTinted) {
            s = MulShift8Wide(s, scale);
        }
        // Over an opaque destination: ((c * 255) >> 8) * (256 - a) + s, >> 8.
        __m128i mixed =
            _mm_mullo_epi16(MulShift8(dest16, Splat16(255)), _mm_sub_epi16(Splat16(256), a));
        mixed = _mm_srli_epi16(_mm_add_epi16(mixed, s), 8);
        mixed = Select(_mm_cmpgt_epi16(a, Splat16(250)), _mm_srli_epi16(s, 8), mixed);
        const __m128i out = _mm_or_si128(_mm_packus_epi16(mixed, mixed), Splat32(0xFF000000));
        const __m128i none = _mm_cmpeq_epi16(a, _mm_setzero_si128());
        Store2(d, Select(_mm_packs_epi16(none, none), dest, out));
    }
}

#endif

template <class Source, RotateKind kKind>
void RotateSpan(const Source& src, size_t stride, const RotateRow& row, const RotateTint& tint) {
    constexpr bool kTintAlpha = TintsAlpha(kKind);
    uint32_t* d = row.dest;
    uint32_t u = row.u;
    uint32_t v = row.v;
    const uint32_t du = row.du;
    const uint32_t dv = row.dv;
    const int32_t count = row.count;
    int32_t i = 0;
#if defined(VESK_PIXEL_SSE2)
    if (row.paired) {
        using namespace PixelSimd;
        const __m128i tintAlpha = Splat16(tint.alpha);
        __m128i scale;
        if constexpr (kKind == RotateKind::AdditiveTinted) {
            scale = _mm_set_epi16(
                0, static_cast<int16_t>(tint.scale[0]), static_cast<int16_t>(tint.scale[1]),
                static_cast<int16_t>(tint.scale[2]), 0, static_cast<int16_t>(tint.scale[0]),
                static_cast<int16_t>(tint.scale[1]), static_cast<int16_t>(tint.scale[2]));
        } else {
            scale = _mm_set_epi16(
                256, static_cast<int16_t>(tint.scale[0]), static_cast<int16_t>(tint.scale[1]),
                static_cast<int16_t>(tint.scale[2]), 256, static_cast<int16_t>(tint.scale[0]),
                static_cast<int16_t>(tint.scale[1]), static_cast<int16_t>(tint.scale[2]));
        }
        __m128i uv = Gather4(u, v, u + du, v + dv);
        const __m128i step = Gather4(2 * du, 2 * dv, 2 * du, 2 * dv);
        for (; i + 1 < count; i += 2) {
            const size_t indexA = static_cast<size_t>(v >> 16) * stride + (u >> 16);
            u += du;
            v += dv;
            const size_t indexB = static_cast<size_t>(v >> 16) * stride + (u >> 16);
            u += du;
            v += dv;
            const __m128i sums =
                FootprintPair<Source, kTintAlpha>(src, stride, uv, indexA, indexB, tintAlpha);
            uv = _mm_add_epi32(uv, step);
            RotateBlendPair<kKind>(d + i, sums, scale, tint);
        }
    }
#endif
    for (; i < count; ++i, u += du, v += dv) {
        RotateBlend<kKind>(d[i], Footprint<Source, kTintAlpha>(src, stride, u, v, tint.alpha),
                           tint);
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
    // The box on the whole image; the clip only picks which of its pixels are drawn, so
    // that every pixel samples the same source position whatever the clip.
    int32_t left;
    int32_t top;
    int32_t lastColumn;
    double boxHeight;
    int32_t clipFirstColumn;  // box columns and rows inside the clip
    int32_t clipLastColumn;
    int32_t clipFirstRow;
    int32_t clipEndRow;
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
    bool paired;  // see RotateRow
};

int64_t FixedOf(double value) {
    return static_cast<int64_t>(std::clamp(value * 65536.0, -kMaxFixed, kMaxFixed));
}

template <class Source>
void RotateRows(uint32_t* bits, size_t destStride, const Source& src, size_t srcStride,
                const RotateGeometry& g, DrawMode mode, bool tinted, const RotateTint& tint) {
    const RotateSpanFn<Source> span = ChooseRotateSpan<Source>(mode, tinted);
    const double dx = (g.left - g.x) - g.centerX;
    for (int32_t r = g.clipFirstRow; r < g.clipEndRow && static_cast<double>(r) < g.boxHeight;
         ++r) {
        // Each row starts afresh from doubles so errors don't pile up.
        const double dy = (g.top + r - g.y) - g.centerY;
        const double u = dx * g.cos - dy * g.sin + g.centerX;
        const double v = dx * g.sin + dy * g.cos + g.centerY;
        const int64_t urow = FixedOf(u) - (int64_t{g.offsetU} << 16);
        const int64_t vrow = FixedOf(v) - (int64_t{g.offsetV} << 16);
        int32_t first = g.clipFirstColumn;
        int32_t last = g.clipLastColumn;
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
        row.paired = g.paired;
        span(src, srcStride, row, tint);
    }
}

// ---- Stretches ---------------------------------------------------------------

#if defined(VESK_PIXEL_SSE2)

// Four pixels' MixOpaque colours (top bytes 0): (d * (256 - a)) >> 8 +
// (s * a) >> 8 per channel, a the source pixel's alpha.
inline __m128i MixFour(__m128i dest, __m128i src) {
    using namespace PixelSimd;
    const auto half = [](__m128i d16, __m128i s16) {
        const __m128i a = AlphaLanes(s16);
        return _mm_add_epi16(MulShift8(d16, _mm_sub_epi16(Splat16(256), a)), MulShift8(s16, a));
    };
    const __m128i mixed = _mm_packus_epi16(half(WidenLow(dest), WidenLow(src)),
                                           half(WidenHigh(dest), WidenHigh(src)));
    return _mm_and_si128(mixed, Splat32(0x00FFFFFF));
}

// Each channel of four pixels times k (0x00RRGGBB lanes, 0 for alpha) >> 8,
// then, with kSourceAlpha, times the pixel's alpha >> 8; top bytes 0.
template <bool kModulate, bool kSourceAlpha>
inline __m128i ScaleFour(__m128i src, __m128i k) {
    using namespace PixelSimd;
    const auto half = [=](__m128i s16) {
        __m128i c = s16;
        if constexpr (kModulate) {
            c = MulShift8(c, k);
        }
        if constexpr (kSourceAlpha) {
            c = MulShift8(c, AlphaLanes(s16));
        }
        return c;
    };
    return _mm_and_si128(_mm_packus_epi16(half(WidenLow(src)), half(WidenHigh(src))),
                         Splat32(0x00FFFFFF));
}

#endif

// Per-pixel operations of the stretches; each takes the destination pixel and
// a straight ARGB source pixel. The untinted blend is the plain blit's: over a
// destination flagged opaque, opaque pixels are copied and the rest mixed
// into alpha 255; otherwise every visible pixel takes the general blend.
// Four gives the same for four pixels at once where it has a vector form.
struct OverOpaqueOp {
    void operator()(uint32_t& d, uint32_t s) const {
        const uint32_t a = s >> 24;
        if (a == 255) {
            d = s;
        } else if (a != 0) {
            d = MixOpaque(d, s, a) | 0xFF000000;
        }
    }
#if defined(VESK_PIXEL_SSE2)
    void Four(uint32_t* d, __m128i s) const {
        using namespace PixelSimd;
        const __m128i opaque = AlphaIs(s, 255);
        const __m128i clear = AlphaIs(s, 0);
        const int opaqueMask = PixelMask(opaque);
        if (opaqueMask == 0xF) {
            Store4(d, s);
            return;
        }
        if (PixelMask(clear) == 0xF) {
            return;
        }
        const __m128i dest = Load4(d);
        const __m128i mixed = _mm_or_si128(MixFour(dest, s), Splat32(0xFF000000));
        Store4(d, Select(opaque, s, Select(clear, dest, mixed)));
    }
#endif
};

struct OverOp {
    void operator()(uint32_t& d, uint32_t s) const {
        const uint32_t a = s >> 24;
        if (a != 0) {
            d = BlendShift(d, s, a);
        }
    }
#if defined(VESK_PIXEL_SSE2)
    // Over opaque destination pixels the blend is MixOpaque into alpha 255;
    // anything else divides and goes through the scalar blend.
    void Four(uint32_t* d, __m128i s) const {
        using namespace PixelSimd;
        const __m128i clear = AlphaIs(s, 0);
        if (PixelMask(clear) == 0xF) {
            return;
        }
        const __m128i dest = Load4(d);
        if (PixelMask(AlphaIs(dest, 255)) != 0xF) {
            alignas(16) uint32_t pixels[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(pixels), s);
            for (int i = 0; i < 4; ++i) {
                (*this)(d[i], pixels[i]);
            }
            return;
        }
        const __m128i mixed = _mm_or_si128(MixFour(dest, s), Splat32(0xFF000000));
        Store4(d, Select(clear, dest, mixed));
    }
#endif
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
#if defined(VESK_PIXEL_SSE2)
    void Four(uint32_t* d, __m128i s) const {
        using namespace PixelSimd;
        const __m128i opaque = AlphaIs(s, 255);
        const __m128i clear = AlphaIs(s, 0);
        if (PixelMask(opaque) == 0xF) {
            Store4(d, s);
            return;
        }
        if (PixelMask(clear) == 0xF) {
            return;
        }
        const __m128i dest = Load4(d);
        // The alpha lanes: da + (255 - da) * a / 255.
        const auto alpha = [](__m128i d16, __m128i s16) {
            const __m128i a = AlphaLanes(s16);
            return _mm_add_epi16(
                d16, PixelSimd::Div255(_mm_mullo_epi16(_mm_sub_epi16(Splat16(255), d16), a)));
        };
        const __m128i outA = _mm_packus_epi16(alpha(WidenLow(dest), WidenLow(s)),
                                              alpha(WidenHigh(dest), WidenHigh(s)));
        const __m128i mixed = Select(Splat32(0xFF000000), outA, MixFour(dest, s));
        Store4(d, Select(opaque, s, Select(clear, dest, mixed)));
    }
#endif
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
#if defined(VESK_PIXEL_SSE2)
    // A skipped pixel would add 0, which leaves it as it is.
    void Four(uint32_t* d, __m128i s) const {
        using namespace PixelSimd;
        __m128i add;
        if constexpr (kSourceAlpha) {
            add = ScaleFour<false, true>(s, _mm_setzero_si128());
        } else {
            add = _mm_and_si128(s, Splat32(0x00FFFFFF));
        }
        Store4(d, _mm_adds_epu8(Load4(d), add));
    }
#endif
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
#if defined(VESK_PIXEL_SSE2)
    void Four(uint32_t* d, __m128i s) const {
        using namespace PixelSimd;
        const auto r = static_cast<int16_t>(Channel(k, 16));
        const auto g = static_cast<int16_t>(Channel(k, 8));
        const auto b = static_cast<int16_t>(Channel(k, 0));
        const __m128i lanes = _mm_set_epi16(0, r, g, b, 0, r, g, b);
        Store4(d, _mm_adds_epu8(Load4(d), ScaleFour<true, kSourceAlpha>(s, lanes)));
    }
#endif
};

#if defined(VESK_PIXEL_SSE2)
template <class Op>
concept FourOp = requires(const Op& op, uint32_t* d, __m128i s) { op.Four(d, s); };
#endif

struct FastStretchPlan {
    uint32_t* dest;  // first pixel of the clipped rectangle
    size_t destStride;
    int32_t width;
    int32_t height;
    const int32_t* columns;  // source column of each destination column
    const int32_t* rows;     // source row of each destination row
    size_t srcStride;
    // Pixels may be taken four at a time: false when the source is the
    // destination, whose pixels must be read in the order they are written.
    bool grouped;
};

template <class Source, class Op>
void FastStretchRows(const FastStretchPlan& plan, const Source& src, Op op) {
    // Locals: the pixel stores could otherwise alias the plan's fields.
    const int32_t width = plan.width;
    const int32_t height = plan.height;
    const int32_t* columns = plan.columns;
    [[maybe_unused]] const bool grouped = plan.grouped;
#if defined(VESK_PIXEL_SSE2)
    // A magnified source row serves several destination rows: its pixels are looked up once
    // into a row of the destination's width and read from there in fours.
    std::vector<uint32_t> expanded;
    int32_t expandedRow = -1;
    if constexpr (FourOp<Op>) {
        if (grouped) {
            expanded.resize(static_cast<size_t>(width));
        }
    }
#endif
    for (int32_t j = 0; j < height; ++j) {
        uint32_t* d = plan.dest + static_cast<size_t>(j) * plan.destStride;
        const Source row = src.Offset(static_cast<size_t>(plan.rows[j]) * plan.srcStride);
        int32_t i = 0;
#if defined(VESK_PIXEL_SSE2)
        if constexpr (FourOp<Op>) {
            if (grouped) {
                uint32_t* e = expanded.data();
                if (plan.rows[j] != expandedRow) {
                    expandedRow = plan.rows[j];
                    // Stored in fours, as they are read back: a vector load over four
                    // separate stores would wait for them.
                    int32_t k = 0;
                    for (; k + 3 < width; k += 4) {
                        PixelSimd::Store4(
                            e + k, PixelSimd::Gather4(row(static_cast<size_t>(columns[k])),
                                                      row(static_cast<size_t>(columns[k + 1])),
                                                      row(static_cast<size_t>(columns[k + 2])),
                                                      row(static_cast<size_t>(columns[k + 3]))));
                    }
                    for (; k < width; ++k) {
                        e[k] = row(static_cast<size_t>(columns[k]));
                    }
                }
                for (; i + 3 < width; i += 4) {
                    op.Four(d + i, PixelSimd::Load4(e + i));
                }
                for (; i < width; ++i) {
                    op(d[i], e[i]);
                }
                continue;
            }
        }
#endif
        for (; i < width; ++i) {
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

// The resampler's row is its own copy, so four pixels may be taken at once
// even when the source is the destination.
template <class Op>
void SmoothRows(SmoothResampler& resampler, uint32_t* dest, size_t destStride, int32_t width,
                int32_t height, Op op) {
    for (int32_t j = 0; j < height; ++j) {
        const uint32_t* s = resampler.NextRow();
        uint32_t* d = dest + static_cast<size_t>(j) * destStride;
        int32_t i = 0;
#if defined(VESK_PIXEL_SSE2)
        if constexpr (FourOp<Op>) {
            for (; i + 3 < width; i += 4) {
                op.Four(d + i, PixelSimd::Load4(s + i));
            }
        }
#endif
        for (; i < width; ++i) {
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
    MemoryImage* src = image->AsMemoryImage();
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
                          .Intersection(FRect(0, 0, mWidth, mHeight));
    if (!(box.mWidth > 0.0) || !(box.mHeight > 0.0)) {
        return;
    }

    RotateGeometry g;
    g.left = static_cast<int32_t>(box.mX);
    g.top = static_cast<int32_t>(box.mY);
    g.lastColumn = static_cast<int32_t>(box.mWidth - 1.0);
    g.boxHeight = box.mHeight;
    g.clipFirstColumn = std::max(0, clip.mX - g.left);
    g.clipLastColumn = std::min(g.lastColumn, clip.mX + clip.mWidth - 1 - g.left);
    g.clipFirstRow = std::max(0, clip.mY - g.top);
    g.clipEndRow = clip.mY + clip.mHeight - g.top;
    if (g.clipFirstColumn > g.clipLastColumn || g.clipFirstRow >= g.clipEndRow) {
        return;
    }
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
    g.paired = src != this;

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
    MemoryImage* src = image->AsMemoryImage();
    if (src == nullptr || !ValidMode(drawMode)) {
        return;
    }
    // Mapped on the whole image, so that every pixel shows the same source whatever the clip;
    // the clip only picks the pixels drawn.
    const Rect frame(0, 0, mWidth, mHeight);
    const Rect clip = SafeIntersection(clipRect, frame);
    const Rect bounds = SafeIntersection(srcRect, Rect(0, 0, src->mWidth, src->mHeight));
    StretchMapping map;
    if (bounds.mWidth <= 0 || bounds.mHeight <= 0 ||
        !MapStretch(destRect, srcRect, frame, false, map)) {
        return;
    }
    const Rect out = SafeIntersection(map.mClipped, clip);
    if (out.mWidth <= 0 || out.mHeight <= 0) {
        return;
    }
    const int32_t skipX = out.mX - map.mClipped.mX;
    const int32_t skipY = out.mY - map.mClipped.mY;
    uint32_t* bits = GetBits();
    const size_t destStride = static_cast<size_t>(mWidth);
    uint32_t* dest = bits + static_cast<size_t>(out.mY) * destStride + static_cast<size_t>(out.mX);
    src->CommitBits();

    if (!fastStretch) {
        SmoothResampler resampler;
        if (!resampler.Begin(*src, bounds, map.mSource, map.mClipped.mWidth, map.mClipped.mHeight,
                             Rect(skipX, skipY, out.mWidth, out.mHeight))) {
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
        columns[static_cast<size_t>(i)] =
            static_cast<int32_t>(std::clamp(std::trunc(map.mSource.mX + (skipX + i) * sx),
                                            static_cast<double>(bounds.mX), lastColumn));
    }
    for (int32_t j = 0; j < out.mHeight; ++j) {
        rows[static_cast<size_t>(j)] =
            static_cast<int32_t>(std::clamp(std::trunc(map.mSource.mY + (skipY + j) * sy),
                                            static_cast<double>(bounds.mY), lastRow));
    }
    const FastStretchPlan plan{dest,
                               destStride,
                               out.mWidth,
                               out.mHeight,
                               columns.data(),
                               rows.data(),
                               static_cast<size_t>(src->mWidth),
                               src != this};
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
    MemoryImage* src = image->AsMemoryImage();
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
        src = texture->AsMemoryImage();
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
