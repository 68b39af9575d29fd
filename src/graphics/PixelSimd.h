#pragma once

// SSE2 helpers of the transforming blitters, and the check for 256-bit kernels. Pixels are
// 0xAARRGGBB words; "wide" vectors hold two pixels as eight 16-bit lanes in the order blue, green,
// red, alpha. Every helper is exact integer arithmetic, so a vector path gives the same bits as the
// scalar code it stands for. Without SSE2 (other targets) VESK_PIXEL_SSE2 stays undefined and the
// callers keep their scalar loops.

#if defined(__SSE2__)
#define VESK_PIXEL_SSE2 1
#include <immintrin.h>

#include <cstdint>

namespace Vesk::PixelSimd {

// Checked once: the machine runs 256-bit integer vectors, so the kernels
// built for them (target "avx2") may be called.
inline bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2") != 0;
    return has;
}

// The same for 256-bit kernels with masked moves (targets "avx512f" and "avx512vl").
inline bool HasAvx512Vl() {
    static const bool has =
        __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512vl") != 0;
    return has;
}

inline __m128i Load2(const uint32_t* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

inline void Store2(uint32_t* p, __m128i v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}

inline __m128i Load4(const uint32_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void Store4(uint32_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Four words gathered into one vector, a first.
inline __m128i Gather4(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return _mm_set_epi32(static_cast<int32_t>(d), static_cast<int32_t>(c), static_cast<int32_t>(b),
                         static_cast<int32_t>(a));
}

inline __m128i Splat16(uint32_t v) {
    return _mm_set1_epi16(static_cast<int16_t>(v));
}

inline __m128i Splat32(uint32_t v) {
    return _mm_set1_epi32(static_cast<int32_t>(v));
}

// The low (first two) or high (last two) pixels of a vector widened to
// 16-bit lanes.
inline __m128i WidenLow(__m128i v) {
    return _mm_unpacklo_epi8(v, _mm_setzero_si128());
}

inline __m128i WidenHigh(__m128i v) {
    return _mm_unpackhi_epi8(v, _mm_setzero_si128());
}

// Each pixel's alpha lane copied to its four lanes.
inline __m128i AlphaLanes(__m128i wide) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, 0xFF), 0xFF);
}

// Lanes of 16-bit products x * y that stay below 65536, shifted right by 8.
inline __m128i MulShift8(__m128i x, __m128i y) {
    return _mm_srli_epi16(_mm_mullo_epi16(x, y), 8);
}

// (x * y) >> 8 for lanes whose result stays below 65536 while the product
// itself may not (x below 65536, y up to 256).
inline __m128i MulShift8Wide(__m128i x, __m128i y) {
    return _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epu16(x, y), 8),
                        _mm_srli_epi16(_mm_mullo_epi16(x, y), 8));
}

// Exact x / 255 for lanes up to 255 * 255: (x * 0x8081) >> 23.
inline __m128i Div255(__m128i x) {
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<int16_t>(0x8081))), 7);
}

// mask ? a : b, bitwise.
inline __m128i Select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// Per pixel of four: all-ones where the alpha byte equals value.
inline __m128i AlphaIs(__m128i pixels, uint32_t value) {
    return _mm_cmpeq_epi32(_mm_srli_epi32(pixels, 24), Splat32(value));
}

// Bit i set when pixel i's mask is all ones (masks from 32-bit compares).
inline int PixelMask(__m128i mask) {
    return _mm_movemask_ps(_mm_castsi128_ps(mask));
}

// The rotated blits' 2x2 footprints of two positions at once. texelsA and
// texelsB hold each footprint's pixels p00, p10, p01, p11; uv is (uA, vA, uB,
// vB) in 16.16. Each fraction is forced odd (never 0 or 1), each bilinear
// weight is (g * g') >> 16 and is weighed by its pixel's alpha, (w * alpha)
// >> 16, and with kTintAlpha by the tint's alpha, (aw * tint) >> 8. Returns
// 16-bit lanes: the premultiplied blue, green and red sums (each below
// 255 * 255, so the modular 16-bit sums are exact) and the summed weight
// (at most 255), for A and then for B. The fractions and weights fit 16
// bits, so the high halves of 16-bit products are the scalar shifts by 16.
template <bool kTintAlpha>
inline __m128i RotatedFootprintPair(__m128i texelsA, __m128i texelsB, __m128i uv,
                                    __m128i tintAlpha) {
    const __m128i f = _mm_add_epi32(_mm_and_si128(uv, Splat32(0xFFFE)), Splat32(1));
    const __m128i g = _mm_sub_epi32(Splat32(0x10000), f);
    // (gx, fx), (gy, fy) of A, then of B, as 16-bit pairs.
    const __m128i pairs = _mm_or_si128(g, _mm_slli_epi32(f, 16));
    const __m128i x = _mm_shuffle_epi32(pairs, _MM_SHUFFLE(2, 2, 0, 0));
    const __m128i y =
        _mm_unpackhi_epi64(_mm_unpacklo_epi16(pairs, pairs), _mm_unpackhi_epi16(pairs, pairs));
    const __m128i w = _mm_mulhi_epu16(x, y);
    const __m128i alpha = _mm_packs_epi32(_mm_srli_epi32(texelsA, 24), _mm_srli_epi32(texelsB, 24));
    __m128i aw = _mm_mulhi_epu16(w, alpha);
    if constexpr (kTintAlpha) {
        aw = MulShift8(aw, tintAlpha);
    }
    // Alpha bytes replaced by 1: the fourth lane sums the weights.
    const __m128i colour = Splat32(0x00FFFFFF);
    const __m128i one = Splat32(0x01000000);
    const __m128i ca = _mm_or_si128(_mm_and_si128(texelsA, colour), one);
    const __m128i cb = _mm_or_si128(_mm_and_si128(texelsB, colour), one);
    const __m128i awA = _mm_unpacklo_epi16(aw, aw);
    const __m128i awB = _mm_unpackhi_epi16(aw, aw);
    const __m128i sumA =
        _mm_add_epi16(_mm_mullo_epi16(WidenLow(ca), _mm_unpacklo_epi32(awA, awA)),
                      _mm_mullo_epi16(WidenHigh(ca), _mm_unpackhi_epi32(awA, awA)));
    const __m128i sumB =
        _mm_add_epi16(_mm_mullo_epi16(WidenLow(cb), _mm_unpacklo_epi32(awB, awB)),
                      _mm_mullo_epi16(WidenHigh(cb), _mm_unpackhi_epi32(awB, awB)));
    return _mm_add_epi16(_mm_unpacklo_epi64(sumA, sumB), _mm_unpackhi_epi64(sumA, sumB));
}

}  // namespace Vesk::PixelSimd

#endif
