// Software drawing of a memory image into its own ARGB pixels: fills, lines,
// coverage scan lines and the untransformed blits. Coordinates come clipped
// from the drawing context; each operation still cuts its work to the images
// once per call so a bad rectangle can never touch memory outside them.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "graphics/ClampTable.h"
#include "graphics/MemoryImage.h"
#include "graphics/PixelBlend.h"
#include "graphics/PixelSimd.h"

namespace Vesk {

namespace {

using namespace PixelBlend;

// Source-over-destination for a destination that may itself be transparent.
// For destination alpha da and effective alpha a, entry (da << 8) | a holds
// outA = da + ((255 - da) * a) / 255 in the low byte and the source weight
// w = (a * 255) / outA in the high byte, so no pixel divides.
constexpr std::array<uint16_t, 65536> kOverTable = [] {
    std::array<uint16_t, 65536> table{};
    for (uint32_t da = 0; da < 256; ++da) {
        for (uint32_t a = 0; a < 256; ++a) {
            const uint32_t outA = da + ((255 - da) * a) / 255;
            const uint32_t w = outA == 0 ? 0 : (a * 255) / outA;
            table[(da << 8) | a] = static_cast<uint16_t>(outA | (w << 8));
        }
    }
    return table;
}();

// The fills' form of the blend: both products summed, then shifted.
inline uint32_t BlendSum(uint32_t d, uint32_t s, uint32_t a) {
    const uint32_t t = kOverTable[((d >> 24) << 8) | a];
    const uint32_t w = t >> 8;
    const uint32_t rb = (((d & kRB) * (256 - w) + (s & kRB) * w) >> 8) & kRB;
    const uint32_t g = (((d & kG) * (256 - w) + (s & kG) * w) >> 8) & kG;
    return ((t & 0xFF) << 24) | rb | g;
}

inline uint32_t PackColor(const Color& color) {
    return (static_cast<uint32_t>(color.mRed & 0xFF) << 16) |
           (static_cast<uint32_t>(color.mGreen & 0xFF) << 8) |
           static_cast<uint32_t>(color.mBlue & 0xFF);
}

// Line coordinates beyond this can't be truncated safely and lie far off
// any image.
inline bool UsableCoordinate(double v) {
    return std::isfinite(v) && std::fabs(v) < 1.0e9;
}

inline int32_t Trunc(double v) {
    return static_cast<int32_t>(v);
}

#if defined(__SSE2__)
// Four pixels at a time in 16-bit lanes; each kernel computes exactly what
// its scalar loop does and leaves the last (n % 4) pixels to it.

inline __m128i Widen(__m128i px, __m128i zero, bool high) {
    return high ? _mm_unpackhi_epi8(px, zero) : _mm_unpacklo_epi8(px, zero);
}

// Each pixel's alpha lane copied to its four lanes.
inline __m128i SpreadAlpha(__m128i px16) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3)),
                               _MM_SHUFFLE(3, 3, 3, 3));
}

// (d * (256 - a)) >> 8 + (s * a) >> 8 per channel, alpha 255.
inline int32_t MixOpaqueRow(uint32_t* d, const uint32_t* s, int32_t n) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i k256 = _mm_set1_epi16(256);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        __m128i half[2];
        for (int h = 0; h < 2; ++h) {
            const __m128i s16 = Widen(sp, zero, h != 0);
            const __m128i d16 = Widen(dp, zero, h != 0);
            const __m128i a = SpreadAlpha(s16);
            half[h] = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(d16, _mm_sub_epi16(k256, a)), 8),
                                    _mm_srli_epi16(_mm_mullo_epi16(s16, a), 8));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_or_si128(_mm_packus_epi16(half[0], half[1]), opaque));
    }
    return i;
}

// Saturating add of the (optionally tinted, optionally alpha-scaled) source
// colour; the destination alpha is kept by adding 0 to it.
template <bool kSourceAlpha, bool kTinted>
inline int32_t AddRow(uint32_t* d, const uint32_t* s, int32_t n, __m128i tint16) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        // A fully transparent pixel adds nothing, even without partial alpha.
        [[maybe_unused]] const __m128i clear = _mm_cmpeq_epi32(_mm_srli_epi32(sp, 24), zero);
        if constexpr (kSourceAlpha || kTinted) {
            __m128i half[2];
            for (int h = 0; h < 2; ++h) {
                const __m128i s16 = Widen(sp, zero, h != 0);
                __m128i c = s16;
                if constexpr (kTinted) {
                    c = _mm_srli_epi16(_mm_mullo_epi16(c, tint16), 8);
                }
                if constexpr (kSourceAlpha) {
                    c = _mm_srli_epi16(_mm_mullo_epi16(c, SpreadAlpha(s16)), 8);
                }
                half[h] = c;
            }
            sp = _mm_packus_epi16(half[0], half[1]);
        }
        if constexpr (!kSourceAlpha) {
            sp = _mm_andnot_si128(clear, sp);
        }
        sp = _mm_and_si128(sp, colourMask);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_adds_epu8(dp, sp));
    }
    return i;
}
// d + (s & 0xFFFFFF) per byte with saturation over n >= 8 pixels, eight at a time. The last
// eight are worked out from the destination as it was before the loop and stored after it, so
// a span of any length ends without a scalar tail: the pixels both cover get the same sum.
__attribute__((target("avx2"))) inline __m256i AddColour8(const uint32_t* d, const uint32_t* s,
                                                          __m256i colour) {
    return _mm256_adds_epu8(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d)),
        _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s)), colour));
}

__attribute__((target("avx2"))) void AddColourSpanAvx2(uint32_t* d, const uint32_t* s, int32_t n) {
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i last = AddColour8(d + n - 8, s + n - 8, colour);
    for (int32_t i = 0; i + 8 <= n; i += 8) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), AddColour8(d + i, s + i, colour));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + n - 8), last);
}

// Per four pixels: the blend weights come from the table one pixel at a
// time, the channel arithmetic runs in 16-bit lanes.
struct Weights {
    __m128i lo;     // w of pixels 0 and 1, in all four lanes of each
    __m128i hi;     // w of pixels 2 and 3
    __m128i alpha;  // outA << 24 of each pixel
};

inline Weights LookUpWeights(const uint32_t* d, const uint32_t a[4]) {
    // Built in registers: four scalar stores read back as one vector would
    // stall on store forwarding.
    __m128i t = _mm_cvtsi32_si128(kOverTable[((d[0] >> 24) << 8) | a[0]]);
    t = _mm_insert_epi16(t, kOverTable[((d[1] >> 24) << 8) | a[1]], 2);
    t = _mm_insert_epi16(t, kOverTable[((d[2] >> 24) << 8) | a[2]], 4);
    t = _mm_insert_epi16(t, kOverTable[((d[3] >> 24) << 8) | a[3]], 6);
    const __m128i w = _mm_srli_epi32(t, 8);
    const __m128i outA = _mm_slli_epi32(_mm_and_si128(t, _mm_set1_epi32(0xFF)), 24);
    return Weights{_mm_shuffle_epi32(_mm_unpacklo_epi16(w, w), _MM_SHUFFLE(2, 2, 0, 0)),
                   _mm_shuffle_epi32(_mm_unpackhi_epi16(w, w), _MM_SHUFFLE(2, 2, 0, 0)), outA};
}

// Fill blend (products summed, then shifted) of one colour at alpha a.
inline int32_t FillRow(uint32_t* d, int32_t n, uint32_t packed, uint32_t a) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i k256 = _mm_set1_epi16(256);
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    const __m128i s16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(packed)), zero);
    const uint32_t alphas[4] = {a, a, a, a};
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const Weights wt = LookUpWeights(d + i, alphas);
        const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        __m128i half[2];
        for (int h = 0; h < 2; ++h) {
            const __m128i w = h != 0 ? wt.hi : wt.lo;
            half[h] = _mm_srli_epi16(
                _mm_add_epi16(_mm_mullo_epi16(Widen(dp, zero, h != 0), _mm_sub_epi16(k256, w)),
                              _mm_mullo_epi16(s16, w)),
                8);
        }
        const __m128i colour = _mm_and_si128(_mm_packus_epi16(half[0], half[1]), colourMask);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_or_si128(colour, wt.alpha));
    }
    return i;
}

// Blend over a destination that may be transparent, untinted.
inline int32_t BlendRow(uint32_t* d, const uint32_t* s, int32_t n) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i k256 = _mm_set1_epi16(256);
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const uint32_t a[4] = {s[i] >> 24, s[i + 1] >> 24, s[i + 2] >> 24, s[i + 3] >> 24};
        if ((a[0] | a[1] | a[2] | a[3]) == 0) {
            continue;
        }
        // Alpha 0 has weight 0 and keeps outA = da: the pixel stays as it was.
        const Weights wt = LookUpWeights(d + i, a);
        const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        __m128i half[2];
        for (int h = 0; h < 2; ++h) {
            const __m128i w = h != 0 ? wt.hi : wt.lo;
            half[h] = _mm_add_epi16(
                _mm_srli_epi16(_mm_mullo_epi16(Widen(dp, zero, h != 0), _mm_sub_epi16(k256, w)), 8),
                _mm_srli_epi16(_mm_mullo_epi16(Widen(sp, zero, h != 0), w), 8));
        }
        const __m128i colour = _mm_and_si128(_mm_packus_epi16(half[0], half[1]), colourMask);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_or_si128(colour, wt.alpha));
    }
    return i;
}

// Tinted blend; col16 holds (0, r, g, b) per pixel. The red lanes (and every
// lane of a grey tint) take ((s * w) >> 8) * col >> 8, the others
// (s * w * col) >> 16.
template <bool kGrey>
inline int32_t TintRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t ca, __m128i col16) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i k256 = _mm_set1_epi16(256);
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    const __m128i redLanes = _mm_set_epi16(0, -1, 0, 0, 0, -1, 0, 0);
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const uint32_t a[4] = {Div255((s[i] >> 24) * ca), Div255((s[i + 1] >> 24) * ca),
                               Div255((s[i + 2] >> 24) * ca), Div255((s[i + 3] >> 24) * ca)};
        if ((a[0] | a[1] | a[2] | a[3]) == 0) {
            continue;
        }
        const Weights wt = LookUpWeights(d + i, a);
        const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        __m128i half[2];
        for (int h = 0; h < 2; ++h) {
            const __m128i w = h != 0 ? wt.hi : wt.lo;
            const __m128i sw = _mm_mullo_epi16(Widen(sp, zero, h != 0), w);
            __m128i mod = _mm_srli_epi16(_mm_mullo_epi16(_mm_srli_epi16(sw, 8), col16), 8);
            if constexpr (!kGrey) {
                const __m128i other = _mm_mulhi_epu16(sw, col16);
                mod = _mm_or_si128(_mm_and_si128(redLanes, mod), _mm_andnot_si128(redLanes, other));
            }
            half[h] = _mm_add_epi16(
                mod, _mm_srli_epi16(
                         _mm_mullo_epi16(Widen(dp, zero, h != 0), _mm_sub_epi16(k256, w)), 8));
        }
        const __m128i colour = _mm_and_si128(_mm_packus_epi16(half[0], half[1]), colourMask);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_or_si128(colour, wt.alpha));
    }
    return i;
}
#endif

// Source pixels: plain ARGB, or a colour table through index bytes.
struct DirectSource {
    const uint32_t* bits;
    uint32_t operator[](size_t i) const { return bits[i]; }
    DirectSource Offset(size_t n) const { return DirectSource{bits + n}; }
};

struct PaletteSource {
    const uint8_t* indices;
    const uint32_t* palette;
    uint32_t operator[](size_t i) const { return palette[indices[i]]; }
    PaletteSource Offset(size_t n) const { return PaletteSource{indices + n, palette}; }
};

struct BlitArea {
    uint32_t* dest;
    size_t destStride;
    size_t srcStride;
    int32_t width;
    int32_t height;
};

// Untinted onto an opaque destination, run by run from the source's alpha
// runs: copy opaque runs, skip transparent ones, mix the rest.
template <typename Source>
void BltOpaqueDest(const BlitArea& area, Source src, const uint8_t* runs) {
    for (int32_t y = 0; y < area.height; ++y) {
        uint32_t* d = area.dest + static_cast<size_t>(y) * area.destStride;
        const Source s = src.Offset(static_cast<size_t>(y) * area.srcStride);
        const uint8_t* r = runs + static_cast<size_t>(y) * area.srcStride;
        int32_t x = 0;
        while (x < area.width) {
            int32_t n = std::min<int32_t>(r[x], area.width - x);
            const uint32_t first = s[static_cast<size_t>(x)];
            const uint32_t a = first >> 24;
            if (a == 255) {
                // Runs longer than a run byte counts are copied in one piece.
                while (x + n < area.width && (s[static_cast<size_t>(x + n)] >> 24) == 255) {
                    n += std::min<int32_t>(r[x + n], area.width - x - n);
                }
                if constexpr (std::is_same_v<Source, DirectSource>) {
                    std::memmove(d + x, s.bits + x, static_cast<size_t>(n) * sizeof(uint32_t));
                } else {
                    for (int32_t i = x; i < x + n; ++i) {
                        d[i] = s[static_cast<size_t>(i)];
                    }
                }
            } else if (a != 0) {
                int32_t i = x;
#if defined(__SSE2__)
                if constexpr (std::is_same_v<Source, DirectSource>) {
                    i += MixOpaqueRow(d + x, s.bits + x, n);
                }
#endif
                for (; i < x + n; ++i) {
                    const uint32_t p = s[static_cast<size_t>(i)];
                    const uint32_t pa = p >> 24;
                    const uint32_t dp = d[i];
                    const uint32_t rb =
                        ((((dp & kRB) * (256 - pa)) >> 8) & kRB) + ((((p & kRB) * pa) >> 8) & kRB);
                    const uint32_t g =
                        ((((dp & kG) * (256 - pa)) >> 8) & kG) + ((((p & kG) * pa) >> 8) & kG);
                    d[i] = 0xFF000000 | rb | g;
                }
            }
            x += n;
        }
    }
}

// Untinted over a destination that may have alpha.
template <typename Source>
void BltAlphaDest(const BlitArea& area, Source src) {
    for (int32_t y = 0; y < area.height; ++y) {
        uint32_t* d = area.dest + static_cast<size_t>(y) * area.destStride;
        const Source s = src.Offset(static_cast<size_t>(y) * area.srcStride);
        int32_t x = 0;
#if defined(__SSE2__)
        if constexpr (std::is_same_v<Source, DirectSource>) {
            x = BlendRow(d, s.bits, area.width);
        }
#endif
        for (; x < area.width; ++x) {
            const uint32_t p = s[static_cast<size_t>(x)];
            const uint32_t a = p >> 24;
            if (a != 0) {
                d[x] = BlendShift(d[x], p, a);
            }
        }
    }
}

// Tinted: the source alpha is scaled by the colour's, each channel by the
// colour's channel. A grey tint scales all three channels alike.
template <typename Source, bool kGrey>
void BltTinted(const BlitArea& area, Source src, const Color& color) {
    const uint32_t ca = static_cast<uint32_t>(ClampByte(color.mAlpha));
    const uint32_t cr = static_cast<uint32_t>(ClampByte(color.mRed));
    const uint32_t cg = static_cast<uint32_t>(ClampByte(color.mGreen));
    const uint32_t cb = static_cast<uint32_t>(ClampByte(color.mBlue));
#if defined(__SSE2__)
    const __m128i col16 = _mm_set_epi16(0, static_cast<int16_t>(cr), static_cast<int16_t>(cg),
                                        static_cast<int16_t>(cb), 0, static_cast<int16_t>(cr),
                                        static_cast<int16_t>(cg), static_cast<int16_t>(cb));
    const __m128i grey16 = _mm_set1_epi16(static_cast<int16_t>(cr));
#endif
    for (int32_t y = 0; y < area.height; ++y) {
        uint32_t* d = area.dest + static_cast<size_t>(y) * area.destStride;
        const Source s = src.Offset(static_cast<size_t>(y) * area.srcStride);
        int32_t x = 0;
#if defined(__SSE2__)
        if constexpr (std::is_same_v<Source, DirectSource>) {
            x = TintRow<kGrey>(d, s.bits, area.width, ca, kGrey ? grey16 : col16);
        }
#endif
        for (; x < area.width; ++x) {
            const uint32_t p = s[static_cast<size_t>(x)];
            const uint32_t a = Div255((p >> 24) * ca);
            if (a == 0) {
                continue;
            }
            const uint32_t dp = d[x];
            const uint32_t t = kOverTable[((dp >> 24) << 8) | a];
            const uint32_t w = t >> 8;
            uint32_t mod = 0;
            if constexpr (kGrey) {
                mod = ((((p & kRB) * w) >> 8) & kRB) | ((((p & kG) * w) >> 8) & kG);
                mod = ((((mod & kRB) * cr) >> 8) & kRB) | ((((mod & kG) * cr) >> 8) & kG);
            } else {
                const uint32_t r = (((Channel(p, 16) * w) >> 8) * cr) >> 8;
                const uint32_t g = (Channel(p, 8) * w * cg) >> 16;
                const uint32_t b = (Channel(p, 0) * w * cb) >> 16;
                mod = (r << 16) | (g << 8) | b;
            }
            const uint32_t keep =
                ((((dp & kRB) * (256 - w)) >> 8) & kRB) | ((((dp & kG) * (256 - w)) >> 8) & kG);
            d[x] = ((t & 0xFF) << 24) | (keep + mod);
        }
    }
}

// Additive: channels added with saturation, destination alpha unchanged.
template <typename Source, bool kSourceAlpha>
void BltAdditiveUntinted(const BlitArea& area, Source src) {
    for (int32_t y = 0; y < area.height; ++y) {
        uint32_t* d = area.dest + static_cast<size_t>(y) * area.destStride;
        const Source s = src.Offset(static_cast<size_t>(y) * area.srcStride);
        int32_t x = 0;
#if defined(__SSE2__)
        if constexpr (std::is_same_v<Source, DirectSource>) {
            x = AddRow<kSourceAlpha, false>(d, s.bits, area.width, _mm_setzero_si128());
        }
#endif
        for (; x < area.width; ++x) {
            uint32_t p = s[static_cast<size_t>(x)];
            if constexpr (kSourceAlpha) {
                p = ScaleChannels(p, p >> 24);
            } else if ((p >> 24) == 0) {
                continue;
            }
            d[x] = AddSaturate(d[x], p);
        }
    }
}

// Untinted with source alpha, from the source's alpha-scaled colours, whose transparent pixels
// are 0 and add nothing. Walking a row's runs costs a dependent load each, more than adding
// through them: only the leading transparent run is skipped, the rest of the row is one span.
void BltAdditiveScaled(const BlitArea& area, const uint32_t* scaled, const uint8_t* runs) {
#if defined(__SSE2__)
    const bool avx2 = PixelSimd::HasAvx2();
#endif
    for (int32_t y = 0; y < area.height; ++y) {
        uint32_t* d = area.dest + static_cast<size_t>(y) * area.destStride;
        const size_t row = static_cast<size_t>(y) * area.srcStride;
        const uint32_t* s = scaled + row;
        const int32_t end = area.width;
        int32_t i = 0;
        while (i < end && (s[i] >> 24) == 0) {
            i += std::clamp<int32_t>(runs[row + static_cast<size_t>(i)], 1, end - i);
        }
#if defined(__SSE2__)
        if (avx2 && end - i >= 8) {
            AddColourSpanAvx2(d + i, s + i, end - i);
            i = end;
        }
        i += AddRow<false, false>(d + i, s + i, end - i, _mm_setzero_si128());
#endif
        for (; i < end; ++i) {
            d[i] = AddSaturate(d[i], s[i] & 0xFFFFFF);
        }
    }
}

template <typename Source, bool kSourceAlpha>
void BltAdditiveTinted(const BlitArea& area, Source src, const Color& color) {
    const uint32_t ca = static_cast<uint32_t>(ClampByte(color.mAlpha));
    const uint32_t kr = static_cast<uint32_t>(ClampByte(color.mRed)) * ca / 255;
    const uint32_t kg = static_cast<uint32_t>(ClampByte(color.mGreen)) * ca / 255;
    const uint32_t kb = static_cast<uint32_t>(ClampByte(color.mBlue)) * ca / 255;
#if defined(__SSE2__)
    const __m128i tint16 = _mm_set_epi16(0, static_cast<int16_t>(kr), static_cast<int16_t>(kg),
                                         static_cast<int16_t>(kb), 0, static_cast<int16_t>(kr),
                                         static_cast<int16_t>(kg), static_cast<int16_t>(kb));
#endif
    for (int32_t y = 0; y < area.height; ++y) {
        uint32_t* d = area.dest + static_cast<size_t>(y) * area.destStride;
        const Source s = src.Offset(static_cast<size_t>(y) * area.srcStride);
        int32_t x = 0;
#if defined(__SSE2__)
        if constexpr (std::is_same_v<Source, DirectSource>) {
            x = AddRow<kSourceAlpha, true>(d, s.bits, area.width, tint16);
        }
#endif
        for (; x < area.width; ++x) {
            const uint32_t p = s[static_cast<size_t>(x)];
            uint32_t q = (((Channel(p, 16) * kr) >> 8) << 16) | (((Channel(p, 8) * kg) >> 8) << 8) |
                         ((Channel(p, 0) * kb) >> 8);
            if constexpr (kSourceAlpha) {
                q = ScaleChannels(q, p >> 24);
            } else if ((p >> 24) == 0) {
                continue;
            }
            d[x] = AddSaturate(d[x], q);
        }
    }
}

template <typename Source>
void BltNormal(MemoryImage& dest, const BlitArea& area, MemoryImage& src, Source s,
               size_t srcOffset, const Color& color) {
    if (color.IsWhite()) {
        if (!dest.mHasAlpha && !dest.mHasTrans) {
            if constexpr (std::is_same_v<Source, DirectSource>) {
                src.CommitBits();
                if (!src.mForced && !src.mHasAlpha && !src.mHasTrans) {
                    // Every pixel opaque: the runs would only say so.
                    for (int32_t y = 0; y < area.height; ++y) {
                        std::memmove(area.dest + static_cast<size_t>(y) * area.destStride,
                                     s.bits + static_cast<size_t>(y) * area.srcStride,
                                     static_cast<size_t>(area.width) * sizeof(uint32_t));
                    }
                    return;
                }
            }
            const uint8_t* runs = src.GetRLAlphaData() + srcOffset;
            BltOpaqueDest(area, s, runs);
        } else {
            BltAlphaDest(area, s);
        }
    } else if (color.mRed == color.mGreen && color.mGreen == color.mBlue) {
        BltTinted<Source, true>(area, s, color);
    } else {
        BltTinted<Source, false>(area, s, color);
    }
}

template <typename Source>
void BltAdditive(const BlitArea& area, bool sourceAlpha, Source s, const Color& color) {
    if (color.IsWhite()) {
        if (sourceAlpha) {
            BltAdditiveUntinted<Source, true>(area, s);
        } else {
            BltAdditiveUntinted<Source, false>(area, s);
        }
    } else if (sourceAlpha) {
        BltAdditiveTinted<Source, true>(area, s, color);
    } else {
        BltAdditiveTinted<Source, false>(area, s, color);
    }
}

}  // namespace

void MemoryImage::FillRect(const Rect& rect, const Color& color, DrawMode) {
    const Rect area = rect.Intersection(Rect(0, 0, mWidth, mHeight));
    const int32_t alpha = static_cast<int32_t>(ClampByte(color.mAlpha));
    // Alpha 0 draws nothing (its blend would divide by zero on a transparent pixel).
    if (area.mWidth <= 0 || area.mHeight <= 0 || alpha == 0) {
        return;
    }
    uint32_t* bits = GetBits();
    const size_t stride = static_cast<size_t>(mWidth);
    const uint32_t packed = PackColor(color);
    for (int32_t y = area.mY; y < area.mY + area.mHeight; ++y) {
        uint32_t* row = bits + static_cast<size_t>(y) * stride + static_cast<size_t>(area.mX);
        if (alpha == 255) {
            std::fill_n(row, static_cast<size_t>(area.mWidth), 0xFF000000 | packed);
        } else {
            int32_t x = 0;
#if defined(__SSE2__)
            x = FillRow(row, area.mWidth, packed, static_cast<uint32_t>(alpha));
#endif
            for (; x < area.mWidth; ++x) {
                row[x] = BlendSum(row[x], packed, static_cast<uint32_t>(alpha));
            }
        }
    }
    BitsChanged();
}

void MemoryImage::FillScanLinesWithCoverage(Span* spans, int32_t spanCount, const Color& color,
                                            DrawMode, const uint8_t* coverage, int32_t coverX,
                                            int32_t coverY, int32_t coverWidth,
                                            int32_t coverHeight) {
    const uint32_t ca = static_cast<uint32_t>(ClampByte(color.mAlpha));
    if (spans == nullptr || spanCount <= 0 || coverage == nullptr || ca == 0) {
        return;
    }
    uint32_t* bits = GetBits();
    const uint32_t packed = PackColor(color);
    const size_t stride = static_cast<size_t>(mWidth);
    for (int32_t i = 0; i < spanCount; ++i) {
        const Span& span = spans[i];
        const int32_t y = span.mY;
        const int32_t cy = y - coverY;
        if (y < 0 || y >= mHeight || cy < 0 || cy >= coverHeight) {
            continue;
        }
        // Only pixels inside both the image and the coverage mask. The right edge is summed
        // wide: a span far to the left with a negative width must not wrap back into range.
        const int32_t left = std::max({span.mX, 0, coverX});
        const int64_t right = std::min<int64_t>(
            {int64_t{span.mX} + span.mWidth, mWidth, int64_t{coverX} + coverWidth});
        if (right <= left) {
            continue;
        }
        uint32_t* row = bits + static_cast<size_t>(y) * stride;
        const uint8_t* cov = coverage + static_cast<size_t>(cy) * static_cast<size_t>(coverWidth);
        const auto end = static_cast<int32_t>(right);
        for (int32_t x = left; x < end; ++x) {
            const uint32_t a = (ca * (static_cast<uint32_t>(cov[x - coverX]) + 1)) >> 8;
            if (a != 0) {
                row[x] = BlendSum(row[x], packed, a);
            }
        }
    }
    BitsChanged();
}

void MemoryImage::DrawLine(double startX, double startY, double endX, double endY,
                           const Color& color, DrawMode drawMode) {
    if (!UsableCoordinate(startX) || !UsableCoordinate(startY) || !UsableCoordinate(endX) ||
        !UsableCoordinate(endY)) {
        return;
    }
    if (startY == endY) {
        const int32_t minX = Trunc(std::min(startX, endX));
        const int32_t maxX = Trunc(std::max(startX, endX));
        FillRect(Rect(minX, Trunc(startY), maxX - minX + 1, 1), color, drawMode);
        return;
    }
    if (startX == endX) {
        const int32_t minY = Trunc(std::min(startY, endY));
        const int32_t maxY = Trunc(std::max(startY, endY));
        FillRect(Rect(Trunc(startX), minY, 1, maxY - minY + 1), color, drawMode);
        return;
    }
    const uint32_t ca = static_cast<uint32_t>(ClampByte(color.mAlpha));
    if ((drawMode != kDrawModeNormal && drawMode != kDrawModeAdditive) || ca == 0) {
        return;
    }
    uint32_t* bits = GetBits();
    const bool additive = drawMode == kDrawModeAdditive;
    const uint32_t cr = static_cast<uint32_t>(ClampByte(color.mRed));
    const uint32_t cg = static_cast<uint32_t>(ClampByte(color.mGreen));
    const uint32_t cb = static_cast<uint32_t>(ClampByte(color.mBlue));

    // Normal, opaque: each channel (c * 255 + 127) >> 8. Normal, translucent:
    // the destination keeps (d * (256 - a) + 127) >> 8 and gains
    // (p * 255 + 127) >> 8 of the premultiplied colour p. Additive: the colour
    // premultiplied once, then added with saturation. All write alpha 255.
    uint32_t opaque = 0;
    uint32_t gain = 0;
    uint32_t premultiplied = 0;
    if (additive) {
        premultiplied = ((cr * ca / 255) << 16) | ((cg * ca / 255) << 8) | (cb * ca / 255);
    } else if (ca == 255) {
        opaque = 0xFF000000 | (((cr * 255 + 127) >> 8) << 16) | (((cg * 255 + 127) >> 8) << 8) |
                 ((cb * 255 + 127) >> 8);
    } else {
        const uint32_t pr = (cr * ca + 128) >> 8;
        const uint32_t pg = (cg * ca + 128) >> 8;
        const uint32_t pb = (cb * ca + 128) >> 8;
        gain = (((pr * 255 + 127) >> 8) << 16) | (((pg * 255 + 127) >> 8) << 8) |
               ((pb * 255 + 127) >> 8);
    }
    const uint32_t keep = 256 - ca;
    const int32_t width = mWidth;
    const int32_t height = mHeight;
    const size_t stride = static_cast<size_t>(mWidth);
    auto plot = [&](int32_t x, int32_t y) {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return;
        }
        uint32_t& d = bits[static_cast<size_t>(y) * stride + static_cast<size_t>(x)];
        if (additive) {
            d = 0xFF000000 | AddSaturate(d, premultiplied);
        } else if (ca == 255) {
            d = opaque;
        } else {
            const uint32_t r = ((Channel(d, 16) * keep + 127) >> 8) + Channel(gain, 16);
            const uint32_t g = ((Channel(d, 8) * keep + 127) >> 8) + Channel(gain, 8);
            const uint32_t b = ((Channel(d, 0) * keep + 127) >> 8) + Channel(gain, 0);
            d = 0xFF000000 | (r << 16) | (g << 8) | b;
        }
    };

    const bool yMajor = std::fabs(endX - startX) <= std::fabs(endY - startY);
    double startMajor = yMajor ? startY : startX;
    double startMinor = yMajor ? startX : startY;
    double endMajor = yMajor ? endY : endX;
    double endMinor = yMajor ? endX : endY;
    if (endMajor - startMajor < 0) {
        std::swap(startMajor, endMajor);
        std::swap(startMinor, endMinor);
    }
    const double majorDelta = endMajor - startMajor;
    double minorDelta = endMinor - startMinor;
    int32_t minorStep = 1;
    if (minorDelta < 0) {
        minorStep = -1;
        minorDelta = -minorDelta;
    }
    auto plotMajorMinor = [&](int32_t major, int32_t minor) {
        if (yMajor) {
            plot(minor, major);
        } else {
            plot(major, minor);
        }
    };

    int32_t minor = Trunc(startMinor);
    plotMajorMinor(Trunc(startMajor), minor);
    const int32_t stepSame = Trunc(2.0 * minorDelta);
    const int32_t stepMove = Trunc(2.0 * (minorDelta - majorDelta));
    int32_t decision = Trunc((startMinor - std::trunc(startMinor)) * stepSame +
                             std::trunc(2.0 * minorDelta - majorDelta));
    const int32_t lastMinor = Trunc(endMinor);
    for (int32_t major = Trunc(startMajor + 1.0); static_cast<double>(major) <= endMajor; ++major) {
        if (decision < 1) {
            decision += stepSame;
        } else {
            minor += minorStep;
            decision += stepMove;
        }
        if (minorStep > 0 ? minor > lastMinor : minor < lastMinor) {
            break;
        }
        plotMajorMinor(major, minor);
    }
    BitsChanged();
}

void MemoryImage::DrawLineAA(double startX, double startY, double endX, double endY,
                             const Color& color, DrawMode drawMode) {
    if (!UsableCoordinate(startX) || !UsableCoordinate(startY) || !UsableCoordinate(endX) ||
        !UsableCoordinate(endY)) {
        return;
    }
    if (startY == endY || startX == endX) {
        DrawLine(startX, startY, endX, endY, color, drawMode);
        return;
    }
    const uint32_t ca = static_cast<uint32_t>(ClampByte(color.mAlpha));
    if (drawMode != kDrawModeNormal || ca == 0) {
        return;
    }
    uint32_t* bits = GetBits();
    const uint32_t packed = PackColor(color);
    const int32_t width = mWidth;
    const int32_t height = mHeight;
    const size_t stride = static_cast<size_t>(mWidth);
    auto plot = [&](int32_t x, int32_t y, uint32_t weight) {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return;
        }
        const uint32_t a = ca == 255 ? weight : (weight * (ca + 1)) >> 8;
        if (a != 0) {
            uint32_t& d = bits[static_cast<size_t>(y) * stride + static_cast<size_t>(x)];
            d = BlendSum(d, packed, a);
        }
    };

    // Walk from the end with the smaller y.
    if (startY > endY) {
        std::swap(startX, endX);
        std::swap(startY, endY);
    }
    int32_t x = Trunc(startX);
    int32_t y = Trunc(startY);
    const int32_t x2 = Trunc(endX);
    const int32_t y2 = Trunc(endY);
    const int32_t xDir = x2 >= x ? 1 : -1;
    const int32_t distX = std::abs(x2 - x);
    const int32_t distY = y2 - y;
    const double deltaX = std::fabs(endX - startX);
    const double deltaY = std::fabs(endY - startY);

    uint32_t error = static_cast<uint32_t>(std::fabs(startY - std::trunc(startY)) *
                                           std::fabs(startX - std::trunc(startX)) * 65536.0);
    plot(x, y, 255 - ((error >> 8) & 255));
    if (distX < distY) {
        const uint32_t step = static_cast<uint32_t>(deltaX / deltaY * 65536.0);
        for (int32_t i = 1; i < distY; ++i) {
            error += step;
            if (error >= 65536) {
                error &= 0xFFFF;
                x += xDir;
            }
            ++y;
            plot(x, y, 255 - (error >> 8));
            plot(x + xDir, y, error >> 8);
        }
    } else {
        const uint32_t step = static_cast<uint32_t>(deltaY / deltaX * 65536.0);
        for (int32_t i = 1; i < distX; ++i) {
            error += step;
            if (error >= 65536) {
                error &= 0xFFFF;
                ++y;
            }
            x += xDir;
            plot(x, y, 255 - (error >> 8));
            plot(x, y + 1, error >> 8);
        }
    }
    plot(x2, y2, 255 - ((error >> 8) & 255));
    BitsChanged();
}

void MemoryImage::Blt(Image* image, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                      DrawMode drawMode) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    MemoryImage* src = image->AsMemoryImage();
    if (src == nullptr || (drawMode != kDrawModeNormal && drawMode != kDrawModeAdditive)) {
        return;
    }

    // Keep the source rectangle inside the source and the destination area
    // inside this image, moving both together.
    int32_t sx = srcRect.mX;
    int32_t sy = srcRect.mY;
    int64_t w = srcRect.mWidth;
    int64_t h = srcRect.mHeight;
    int64_t dx = x;
    int64_t dy = y;
    if (sx < 0) {
        dx -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        dy -= sy;
        h += sy;
        sy = 0;
    }
    w = std::min<int64_t>(w, static_cast<int64_t>(src->mWidth) - sx);
    h = std::min<int64_t>(h, static_cast<int64_t>(src->mHeight) - sy);
    if (dx < 0) {
        sx -= static_cast<int32_t>(dx);
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= static_cast<int32_t>(dy);
        h += dy;
        dy = 0;
    }
    w = std::min<int64_t>(w, static_cast<int64_t>(mWidth) - dx);
    h = std::min<int64_t>(h, static_cast<int64_t>(mHeight) - dy);
    if (w <= 0 || h <= 0) {
        return;
    }

    // Destination first: when the source is this image, its colour table
    // (if any) is turned back into pixels before the source is read.
    uint32_t* bits = GetBits();
    const size_t srcStride = static_cast<size_t>(src->mWidth);
    const size_t srcOffset = static_cast<size_t>(sy) * srcStride + static_cast<size_t>(sx);
    const BlitArea area{
        bits + static_cast<size_t>(dy) * static_cast<size_t>(mWidth) + static_cast<size_t>(dx),
        static_cast<size_t>(mWidth), srcStride, static_cast<int32_t>(w), static_cast<int32_t>(h)};
    const bool palette = src->mPalette && src->mPaletteIndices;

    if (drawMode == kDrawModeNormal) {
        if (palette) {
            BltNormal(*this, area, *src,
                      PaletteSource{src->mPaletteIndices.get() + srcOffset, src->mPalette.get()},
                      srcOffset, color);
        } else {
            BltNormal(*this, area, *src, DirectSource{src->GetBits() + srcOffset}, srcOffset,
                      color);
        }
    } else {
        src->CommitBits();
        const bool sourceAlpha = src->mHasAlpha;
        if (palette) {
            BltAdditive(area, sourceAlpha,
                        PaletteSource{src->mPaletteIndices.get() + srcOffset, src->mPalette.get()},
                        color);
        } else if (sourceAlpha && color.IsWhite() && src != this &&
                   src->GetAdditiveSourceData() != nullptr) {
            BltAdditiveScaled(area, src->GetAdditiveSourceData() + srcOffset,
                              src->GetRLAlphaData() + srcOffset);
        } else {
            BltAdditive(area, sourceAlpha, DirectSource{src->GetBits() + srcOffset}, color);
        }
    }
    BitsChanged();
}

void MemoryImage::BltF(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                       const Color& color, DrawMode drawMode) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    BltRotated(image, x, y, srcRect, clipRect, color, drawMode, 0.0, 0.0f, 0.0f);
}

}  // namespace Vesk
