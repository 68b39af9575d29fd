#include "graphics/SpanDrawer.h"

#include <algorithm>
#include <array>
#include <utility>

#include "graphics/PixelBlend.h"
#include "graphics/PixelSimd.h"

namespace Vesk {

namespace {

using namespace PixelBlend;

// Destination formats: loading gives 0xAARRGGBB (alpha 255 where the format
// has none), storing takes it back; old is the pixel being replaced.
struct Format8888 {
    using Pixel = uint32_t;
    static constexpr bool kAlpha = true;
    static uint32_t Load(Pixel p) { return p; }
    static Pixel Store(uint32_t c, Pixel) { return c; }
};

struct Format888 {
    using Pixel = uint32_t;
    static constexpr bool kAlpha = false;
    static uint32_t Load(Pixel p) { return p | 0xFF000000; }
    // The top byte is not ours: keep what the surface had there.
    static Pixel Store(uint32_t c, Pixel old) { return (old & 0xFF000000) | (c & 0x00FFFFFF); }
};

struct Format565 {
    using Pixel = uint16_t;
    static constexpr bool kAlpha = false;
    static uint32_t Load(Pixel p) {
        const uint32_t r = (p >> 11) & 0x1F;
        const uint32_t g = (p >> 5) & 0x3F;
        const uint32_t b = p & 0x1F;
        return 0xFF000000 | (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) |
               ((b << 3) | (b >> 2));
    }
    static Pixel Store(uint32_t c, Pixel) {
        return static_cast<Pixel>(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F));
    }
};

struct Format555 {
    using Pixel = uint16_t;
    static constexpr bool kAlpha = false;
    static uint32_t Load(Pixel p) {
        const uint32_t r = (p >> 10) & 0x1F;
        const uint32_t g = (p >> 5) & 0x1F;
        const uint32_t b = p & 0x1F;
        return 0xFF000000 | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) |
               ((b << 3) | (b >> 2));
    }
    static Pixel Store(uint32_t c, Pixel old) {
        // Bit 15 is not a colour bit: keep it.
        return static_cast<Pixel>((old & 0x8000) | ((c >> 9) & 0x7C00) | ((c >> 6) & 0x03E0) |
                                  ((c >> 3) & 0x001F));
    }
};

// A bilinear sample premultiplied by its alpha: channel sums in 8.8 (at most
// 255 * 256) and the alpha out of 256.
struct Filtered {
    uint32_t rb;  // red in bits 16..31, blue in bits 0..15
    uint32_t g;
    uint32_t a;
};

// Kept out of line: the vector form below serves all but the edges.
[[gnu::noinline]] Filtered SampleBilinear(const SpanSetup& setup, int64_t u, int64_t v) {
    // Texel centres sit at +0.5: the neighbours are those around u - 0.5.
    const int64_t uu = u - 0x8000;
    const int64_t vv = v - 0x8000;
    const int64_t iu = uu >> 16;
    const int64_t iv = vv >> 16;
    const uint32_t fx = static_cast<uint32_t>(uu >> 8) & 0xFF;
    const uint32_t fy = static_cast<uint32_t>(vv >> 8) & 0xFF;
    const size_t u0 = static_cast<size_t>(std::clamp<int64_t>(iu, setup.mMinU, setup.mMaxU));
    const size_t u1 = static_cast<size_t>(std::clamp<int64_t>(iu + 1, setup.mMinU, setup.mMaxU));
    const size_t stride = static_cast<size_t>(setup.mTexelStride);
    const uint32_t* row0 =
        setup.mTexels +
        static_cast<size_t>(std::clamp<int64_t>(iv, setup.mMinV, setup.mMaxV)) * stride;
    const uint32_t* row1 =
        setup.mTexels +
        static_cast<size_t>(std::clamp<int64_t>(iv + 1, setup.mMinV, setup.mMaxV)) * stride;
    const uint32_t p[4] = {row0[u0], row0[u1], row1[u0], row1[u1]};
    const uint32_t w[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};
    // Full-precision sums, cut to 8.8 once: a uniform area keeps its value.
    // Red and blue ride in two 32-bit lanes of one product.
    uint64_t rb = 0;
    uint32_t g = 0;
    uint32_t a = 0;
    for (int i = 0; i < 4; ++i) {
        const uint32_t alpha = p[i] >> 24;
        // Alpha out of 256, so a whole opaque texel keeps its channels exactly.
        const uint32_t aw = w[i] * (alpha + (alpha >> 7));
        rb += ((static_cast<uint64_t>(p[i] & 0x00FF0000) << 16) | (p[i] & 0xFF)) * aw;
        g += ((p[i] >> 8) & 0xFF) * aw;
        a += aw;
    }
    const uint32_t r88 = static_cast<uint32_t>(rb >> 48);
    const uint32_t b88 = static_cast<uint32_t>((rb & 0xFFFFFFFF) >> 16);
    return Filtered{(r88 << 16) | b88, g >> 16, a >> 16};
}

#if defined(VESK_PIXEL_SSE2)

// SampleBilinear of a footprint lying wholly inside the texels (no edge
// clamped): row0 and row1 point at its upper and lower left texels. The sum
// of c * alpha' * wx * wy over the four texels (below 2^32) is built exactly
// in two passes of 16-bit multiply-adds: first across each row (c * alpha'
// biased by -32768 to fit a signed lane, the bias restored by wx0 + wx1 =
// 256), then down, each row's sum split into its high 16 and low 8 bits.
[[gnu::always_inline]] inline Filtered SampleBilinearInside(const uint32_t* row0,
                                                            const uint32_t* row1, uint32_t fx,
                                                            uint32_t fy) {
    using namespace PixelSimd;
    // p00, p01, p10, p11, then each row's pair interleaved byte by byte.
    const __m128i q = _mm_unpacklo_epi32(Load2(row0), Load2(row1));
    const __m128i pairs = _mm_unpacklo_epi8(q, _mm_srli_si128(q, 8));
    const __m128i upper = WidenLow(pairs);  // blue, green, red, alpha of p00 and p10
    const __m128i lower = WidenHigh(pairs);
    // alpha + (alpha >> 7) of each texel of a row, in every lane pair.
    const __m128i au = _mm_shuffle_epi32(upper, 0xFF);
    const __m128i al = _mm_shuffle_epi32(lower, 0xFF);
    const __m128i scaleUpper = _mm_add_epi16(au, _mm_srli_epi16(au, 7));
    const __m128i scaleLower = _mm_add_epi16(al, _mm_srli_epi16(al, 7));
    // The alpha lanes take 1, so that their sum is the weight itself.
    const __m128i colour = _mm_set_epi16(0, 0, -1, -1, -1, -1, -1, -1);
    const __m128i one = _mm_set_epi16(1, 1, 0, 0, 0, 0, 0, 0);
    const __m128i bias = Splat16(0x8000);
    const __m128i mu = _mm_xor_si128(
        _mm_mullo_epi16(_mm_or_si128(_mm_and_si128(upper, colour), one), scaleUpper), bias);
    const __m128i ml = _mm_xor_si128(
        _mm_mullo_epi16(_mm_or_si128(_mm_and_si128(lower, colour), one), scaleLower), bias);
    const __m128i wx = Splat32((fx << 16) | (256 - fx));
    const __m128i wy = Splat32((fy << 16) | (256 - fy));
    // Row sums less 2^23: their high parts less 2^15 fit signed 16 bits.
    const __m128i top = _mm_madd_epi16(mu, wx);
    const __m128i bottom = _mm_madd_epi16(ml, wx);
    const __m128i high = _mm_packs_epi32(_mm_srai_epi32(top, 8), _mm_srai_epi32(bottom, 8));
    const __m128i low =
        _mm_packs_epi32(_mm_and_si128(top, Splat32(255)), _mm_and_si128(bottom, Splat32(255)));
    const __m128i x = _mm_madd_epi16(_mm_unpacklo_epi16(high, _mm_srli_si128(high, 8)), wy);
    const __m128i y = _mm_madd_epi16(_mm_unpacklo_epi16(low, _mm_srli_si128(low, 8)), wy);
    // (x + 2^23) * 256 + y, then cut to 8.8.
    const __m128i total =
        _mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(x, 8), Splat32(0x80000000)), y);
    const __m128i sums = _mm_srli_epi32(total, 16);
    // Blue and green, red and alpha, each pair as one 64-bit move.
    const auto bg = static_cast<uint64_t>(_mm_cvtsi128_si64(sums));
    const auto ra = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    return Filtered{(static_cast<uint32_t>(ra) << 16) | static_cast<uint32_t>(bg),
                    static_cast<uint32_t>(bg >> 32), static_cast<uint32_t>(ra >> 32)};
}

#endif

// SampleBilinear, through the vector form where no edge is clamped. window
// is the caller's copy of setup, kept in registers across its pixel stores.
[[gnu::always_inline]] inline Filtered SampleBilinearFast([[maybe_unused]] const SpanSetup& window,
                                                          const SpanSetup& setup, int64_t u,
                                                          int64_t v) {
#if defined(VESK_PIXEL_SSE2)
    const int64_t iu = (u - 0x8000) >> 16;
    const int64_t iv = (v - 0x8000) >> 16;
    if (iu >= window.mMinU && iu < window.mMaxU && iv >= window.mMinV && iv < window.mMaxV) {
        const uint32_t* row0 = window.mTexels +
                               static_cast<size_t>(iv) * static_cast<size_t>(window.mTexelStride) +
                               static_cast<size_t>(iu);
        const uint32_t* row1 = row0 + window.mTexelStride;
        if (((row0[0] | row0[1] | row1[0] | row1[1]) >> 24) == 0) {
            // Four transparent texels weigh nothing: what the sums give, sooner.
            return Filtered{0, 0, 0};
        }
        return SampleBilinearInside(row0, row0 + window.mTexelStride,
                                    static_cast<uint32_t>((u - 0x8000) >> 8) & 0xFF,
                                    static_cast<uint32_t>((v - 0x8000) >> 8) & 0xFF);
    }
#endif
    return SampleBilinear(setup, u, v);
}

inline uint32_t SampleNearest(const SpanSetup& setup, int64_t u, int64_t v) {
    const int64_t iu = std::clamp<int64_t>(u >> 16, setup.mMinU, setup.mMaxU);
    const int64_t iv = std::clamp<int64_t>(v >> 16, setup.mMinV, setup.mMaxV);
    return setup.mTexels[static_cast<size_t>(iv) * static_cast<size_t>(setup.mTexelStride) +
                         static_cast<size_t>(iu)];
}

// Modulates a filtered sample by a colour (each channel and the alpha by
// (c + 1) / 256).
inline Filtered Modulate(Filtered f, uint32_t m) {
    const uint32_t ma = (m >> 24) + 1;
    const uint32_t r = ((((f.rb >> 16) * (Channel(m, 16) + 1)) >> 8) * ma) >> 8;
    const uint32_t b = ((((f.rb & 0xFFFF) * (Channel(m, 0) + 1)) >> 8) * ma) >> 8;
    const uint32_t g = (((f.g * (Channel(m, 8) + 1)) >> 8) * ma) >> 8;
    return Filtered{(r << 16) | b, g, (f.a * ma) >> 8};
}

// CombineAlpha's translucent sample over a translucent destination, out of
// line to keep the common cases small.
[[gnu::noinline]] uint32_t CombineTranslucent(uint32_t d, const Filtered& f, uint32_t k) {
    const uint32_t da = d >> 24;
    const uint32_t e = ((256 - da) * k) >> 8;
    const uint32_t div = 256 - e;
    // A modulated sample may carry a few 256ths more colour than alpha.
    const uint32_t r =
        std::min(255u, DivSmall(((Channel(d, 16) * da) >> 8) * k + (f.rb >> 16), div));
    const uint32_t g = std::min(255u, DivSmall(((Channel(d, 8) * da) >> 8) * k + f.g, div));
    const uint32_t b =
        std::min(255u, DivSmall(((Channel(d, 0) * da) >> 8) * k + (f.rb & 0xFFFF), div));
    return ((255 - e) << 24) | (r << 16) | (g << 8) | b;
}

// A premultiplied sample over a destination that may be transparent.
[[gnu::always_inline]] inline uint32_t CombineAlpha(uint32_t d, const Filtered& f) {
    const uint32_t k = 256 - f.a;
    if (k == 0) {
        return 0xFF000000 | ((f.rb >> 8) & kRB) | (f.g & kG);
    }
    if ((d >> 24) == 255) {
        // Opaque destination: e is 0 and the divisor 256.
        const uint32_t keepRB = ((((d & kRB) * 255) >> 8) & kRB) * k;
        const uint32_t keepG = ((Channel(d, 8) * 255) >> 8) * k;
        return 0xFF000000 | (((keepRB + f.rb) >> 8) & kRB) | (((keepG + f.g) >> 8) << 8);
    }
    return CombineTranslucent(d, f, k);
}

// A premultiplied sample over an opaque destination.
inline uint32_t CombineOpaque(uint32_t d, const Filtered& f) {
    const uint32_t k = 256 - f.a;
    const uint32_t rb = ((((d & kRB) * k) + f.rb) >> 8) & kRB;
    const uint32_t g = ((((d & kG) * k) + (f.g << 8)) >> 8) & kG;
    return 0xFF000000 | rb | g;
}

// Filtered channel sums taken down to 8 bits, optionally scaled per channel
// by k (0x00RRGGBB) for the additive tint.
inline uint32_t FilteredColor(const Filtered& f) {
    return ((f.rb >> 8) & kRB) | (f.g & kG);
}

inline uint32_t FilteredColorScaled(const Filtered& f, uint32_t k) {
    const uint32_t r = ((f.rb >> 16) * Channel(k, 16)) >> 16;
    const uint32_t g = (f.g * Channel(k, 8)) >> 16;
    const uint32_t b = ((f.rb & 0xFFFF) * Channel(k, 0)) >> 16;
    return (r << 16) | (g << 8) | b;
}

template <class Fmt, bool kTextured, bool kTexAlpha, bool kModulated, bool kFiltered,
          bool kAdditive>
void DrawSpan(const SpanSetup& setup, const SpanStart& start, void* rowBits, int32_t x,
              int32_t count) {
    using Pixel = typename Fmt::Pixel;
    Pixel* row = static_cast<Pixel*>(rowBits) + x;
    int64_t u = start.mU;
    int64_t v = start.mV;
    int32_t ca = start.mColor[0];
    int32_t cr = start.mColor[1];
    int32_t cg = start.mColor[2];
    int32_t cb = start.mColor[3];
    const SpanSetup window = setup;
    for (int32_t i = 0; i < count; ++i) {
        uint32_t m = 0xFFFFFFFF;
        if constexpr (kModulated) {
            m = (static_cast<uint32_t>(ca >> 16) << 24) | (static_cast<uint32_t>(cr >> 16) << 16) |
                (static_cast<uint32_t>(cg >> 16) << 8) | static_cast<uint32_t>(cb >> 16);
            ca += start.mColorStep[0];
            cr += start.mColorStep[1];
            cg += start.mColorStep[2];
            cb += start.mColorStep[3];
        }
        const Pixel old = row[i];
        const uint32_t d = Fmt::Load(old);
        uint32_t out = d;
        if constexpr (!kTextured) {
            if constexpr (kAdditive) {
                out = AddSaturate(d, kModulated ? AdditiveTint(m) : 0x00FFFFFF);
            } else {
                const uint32_t a = m >> 24;
                if (a == 0) {
                    continue;
                }
                if (a == 255) {
                    out = m;
                } else if constexpr (Fmt::kAlpha) {
                    out = BlendShift(d, m, a);
                } else {
                    out = MixOpaque(d, m, a);
                }
            }
        } else if constexpr (kFiltered) {
            Filtered f = SampleBilinearFast(window, setup, u, v);
            if constexpr (kAdditive) {
                const uint32_t c =
                    kModulated ? FilteredColorScaled(f, AdditiveTint(m)) : FilteredColor(f);
                out = AddSaturate(d, c);
            } else {
                if constexpr (kModulated) {
                    f = Modulate(f, m);
                }
                if (f.a == 0) {
                    u += start.mStepU;
                    v += start.mStepV;
                    continue;
                }
                if constexpr (Fmt::kAlpha) {
                    out = CombineAlpha(d, f);
                } else {
                    out = CombineOpaque(d, f);
                }
            }
        } else {
            const uint32_t s = SampleNearest(setup, u, v);
            if constexpr (kAdditive) {
                uint32_t c = kModulated ? ModulateChannels(s, AdditiveTint(m)) : s;
                if constexpr (kTexAlpha) {
                    c = ScaleChannels(c, s >> 24);
                }
                out = AddSaturate(d, c);
            } else if constexpr (kModulated) {
                // Over an opaque format the destination counts as alpha 255.
                out = BlendTinted(Fmt::kAlpha ? d : (d | 0xFF000000), s, m);
            } else if constexpr (kTexAlpha) {
                const uint32_t a = s >> 24;
                if (a == 255) {
                    out = s;
                } else if (a != 0) {
                    out = Fmt::kAlpha ? BlendShift(d, s, a) : MixOpaque(d, s, a);
                }
            } else {
                out = s | 0xFF000000;
            }
        }
        if constexpr (kTextured) {
            u += start.mStepU;
            v += start.mStepV;
        }
        row[i] = Fmt::Store(out, old);
    }
}

// Which drawer serves a key: untextured drawers ignore texture alpha and
// filtering, filtered ones weigh by alpha anyway, and a tint is handled as a
// constant vertex colour.
template <int32_t kKey, int32_t kMode>
constexpr SpanDrawer DrawerFor() {
    constexpr bool textured = (kKey & 16) != 0;
    constexpr bool filtered = textured && (kKey & 1) != 0;
    constexpr bool texAlpha = textured && !filtered && (kKey & 8) != 0;
    constexpr bool modulated = (kKey & 6) != 0;
    constexpr bool additive = kMode == 1;
    constexpr int32_t format = kKey >> 5;
    if constexpr (format == 0) {
        return &DrawSpan<Format8888, textured, texAlpha, modulated, filtered, additive>;
    } else if constexpr (format == 1) {
        return &DrawSpan<Format888, textured, texAlpha, modulated, filtered, additive>;
    } else if constexpr (format == 2) {
        return &DrawSpan<Format565, textured, texAlpha, modulated, filtered, additive>;
    } else {
        return &DrawSpan<Format555, textured, texAlpha, modulated, filtered, additive>;
    }
}

template <int32_t kMode, int32_t... kKeys>
constexpr std::array<SpanDrawer, 128> MakeTable(std::integer_sequence<int32_t, kKeys...>) {
    return {DrawerFor<kKeys, kMode>()...};
}

constexpr std::array<SpanDrawer, 128> kNormalDrawers =
    MakeTable<0>(std::make_integer_sequence<int32_t, 128>{});
constexpr std::array<SpanDrawer, 128> kAdditiveDrawers =
    MakeTable<1>(std::make_integer_sequence<int32_t, 128>{});

}  // namespace

int32_t SpanDrawerKey(bool textured, bool blended, bool vertexColors, bool tinted, bool filtered,
                      uint32_t format) {
    int32_t base = 0;
    switch (format) {
        case kFormat8888:
            base = 0;
            break;
        case kFormat888:
            base = 32;
            break;
        case kFormat565:
            base = 64;
            break;
        case kFormat555:
            base = 96;
            break;
        default:
            return -1;
    }
    return base + (textured ? 16 : 0) + (blended ? 8 : 0) + (vertexColors ? 4 : 0) +
           (tinted ? 2 : 0) + (filtered ? 1 : 0);
}

SpanDrawer FindSpanDrawer(int32_t key, int32_t drawMode) {
    if (key < 0 || key >= 128) {
        return nullptr;
    }
    if (drawMode == 0) {
        return kNormalDrawers[static_cast<size_t>(key)];
    }
    if (drawMode == 1) {
        return kAdditiveDrawers[static_cast<size_t>(key)];
    }
    return nullptr;
}

}  // namespace Vesk
