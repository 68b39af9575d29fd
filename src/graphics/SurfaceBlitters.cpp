#include "graphics/SurfaceBlitters.h"

#include "graphics/PixelSimd.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "graphics/PixelBlend.h"

namespace Vesk {

namespace {

using PixelBlend::ClampByte;
using PixelBlend::Div255;
using PixelBlend::kG;
using PixelBlend::kRB;

template <typename P>
inline P* RowAt(const SurfacePixels& surface, int32_t y) {
    return reinterpret_cast<P*>(surface.mBits + static_cast<ptrdiff_t>(surface.mPitch) * y);
}

constexpr std::array<std::array<uint8_t, 511>, 9> kSaturation = [] {
    std::array<std::array<uint8_t, 511>, 9> tables{};
    for (int bits = 1; bits <= 8; ++bits) {
        const int max = (1 << bits) - 1;
        for (int i = 0; i <= 2 * max; ++i) {
            tables[static_cast<size_t>(bits)][static_cast<size_t>(i)] =
                static_cast<uint8_t>(i < max ? i : max);
        }
    }
    return tables;
}();

// The tint of a colour: each channel times its alpha / 255.
struct Tint {
    uint32_t red;
    uint32_t green;
    uint32_t blue;
    uint32_t alpha;
};

Tint TintOf(const Color& color) {
    const uint32_t ca = ClampByte(color.mAlpha);
    return Tint{ClampByte(color.mRed) * ca / 255, ClampByte(color.mGreen) * ca / 255,
                ClampByte(color.mBlue) * ca / 255, ca};
}

enum class RunKind { Skip, Direct, Blend };

// A palette source's run looked up a piece at a time into a buffer, so that the row forms
// serve it too; the pixels done, as the row form returns them.
template <typename P, typename Row>
int32_t GatheredRows(P* out, const uint32_t* palette, const uint8_t* indices, int32_t count,
                     const Row& row) {
    constexpr int32_t kPiece = 64;
    uint32_t buffer[kPiece];
    int32_t done = 0;
    while (done < count) {
        const int32_t piece = std::min(count - done, kPiece);
        for (int32_t k = 0; k < piece; ++k) {
            buffer[k] = palette[indices[done + k]];
        }
        const int32_t rowDone = row(out + done, buffer, piece);
        done += rowDone;
        if (rowDone < piece) {
            break;
        }
    }
    return done;
}

// Walks each row of the area in runs: the run byte at the current pixel,
// cut to what is left of the row, and the kind the operation gives the run's
// first pixel. Direct runs take op.Direct(n), blended runs op.Blend(d, n).
template <typename P, bool kPalette, bool kMirror, typename Op>
void WalkRuns(const SurfacePixels& dest, const BlitArea& area, const NativeBlitSource& source,
              const Op& op) {
    const size_t stride = static_cast<size_t>(source.mStride);
    const int32_t width = area.mWidth;
    for (int32_t j = 0; j < area.mHeight; ++j) {
        const size_t srcRow =
            static_cast<size_t>(area.mSrcY + j) * stride + static_cast<size_t>(area.mSrcX);
        const uint8_t* runs = source.mRuns + srcRow;
        const uint32_t* native = kPalette ? source.mNative : source.mNative + srcRow;
        const uint8_t* indices = kPalette ? source.mIndices + srcRow : nullptr;
        P* out = RowAt<P>(dest, area.mDestY + j) + area.mDestX + (kMirror ? width - 1 : 0);
        auto nativeAt = [native, indices](int32_t i) {
            if constexpr (kPalette) {
                return native[indices[i]];
            } else {
                (void)indices;
                return native[i];
            }
        };
        auto destAt = [out](int32_t i) -> P& {
            if constexpr (kMirror) {
                return out[-i];
            } else {
                return out[i];
            }
        };
        int32_t x = 0;
        int32_t stop = width;
        if (source.mSpans != nullptr) {
            const int32_t* span = source.mSpans + 2 * static_cast<size_t>(area.mSrcY + j);
            x = std::clamp(span[0] - area.mSrcX, 0, width);
            stop = std::clamp(span[1] - area.mSrcX, x, width);
        }
        while (x < stop) {
            int32_t run = runs[x];
            run = std::clamp(run, 1, width - x);
            const int32_t end = x + run;
            switch (op.Kind(nativeAt(x))) {
                case RunKind::Skip:
                    break;
                case RunKind::Direct: {
                    int32_t i = x;
                    if constexpr (!kPalette && !kMirror &&
                                  requires { op.DirectRow(out, native, width); }) {
                        i += op.DirectRow(out + x, native + x, run);
                    } else if constexpr (kPalette && !kMirror &&
                                         requires { op.DirectRow(out, native, width); }) {
                        i += GatheredRows(out + x, native, indices + x, run,
                                          [&op](auto* d, const uint32_t* n, int32_t count) {
                                              return op.DirectRow(d, n, count);
                                          });
                    }
                    for (; i < end; ++i) {
                        destAt(i) = static_cast<P>(op.Direct(nativeAt(i)));
                    }
                    break;
                }
                case RunKind::Blend: {
                    int32_t i = x;
                    if constexpr (!kPalette && !kMirror &&
                                  requires { op.BlendRow(out, native, width); }) {
                        i += op.BlendRow(out + x, native + x, run);
                    } else if constexpr (kPalette && !kMirror &&
                                         requires { op.BlendRow(out, native, width); }) {
                        i += GatheredRows(out + x, native, indices + x, run,
                                          [&op](auto* d, const uint32_t* n, int32_t count) {
                                              return op.BlendRow(d, n, count);
                                          });
                    }
                    for (; i < end; ++i) {
                        P& d = destAt(i);
                        d = static_cast<P>(op.Blend(d, nativeAt(i)));
                    }
                    break;
                }
            }
            x = end;
        }
    }
}

template <typename P, typename Op>
void WalkRunsAnyForm(const SurfacePixels& dest, const BlitArea& area,
                     const NativeBlitSource& source, const Op& op) {
    const bool palette = source.mIndices != nullptr;
    if (palette) {
        if (area.mMirror) {
            WalkRuns<P, true, true>(dest, area, source, op);
        } else {
            WalkRuns<P, true, false>(dest, area, source, op);
        }
    } else if (area.mMirror) {
        WalkRuns<P, false, true>(dest, area, source, op);
    } else {
        WalkRuns<P, false, false>(dest, area, source, op);
    }
}

// Per-channel helpers over the destination's masks, for layouts the packed
// forms don't cover.
struct Masks {
    uint32_t m[3];
};

Masks MasksOf(const SurfacePixels& dest) {
    return Masks{{dest.mRedMask, dest.mGreenMask, dest.mBlueMask}};
}

// Each colour channel fills one byte of a 32-bit pixel: the layouts whose
// per-channel formulas can run in 16-bit lanes, two pixels per register.
bool HasByteChannels(const SurfacePixels& dest) {
    auto isByte = [](uint32_t m) { return m == 0xFF || m == 0xFF00 || m == 0xFF0000; };
    return dest.mBitsPerPixel == 32 && isByte(dest.mRedMask) && isByte(dest.mGreenMask) &&
           isByte(dest.mBlueMask);
}

// A per-byte factor (the tint of the channel in that byte, 0 for the unused
// byte) for each byte of a pixel, low byte first.
struct ByteFactors {
    uint16_t f[4];
};

ByteFactors FactorsByByte(const SurfacePixels& dest, const uint32_t t[3]) {
    ByteFactors out{{0, 0, 0, 0}};
    const uint32_t masks[3] = {dest.mRedMask, dest.mGreenMask, dest.mBlueMask};
    for (int c = 0; c < 3; ++c) {
        out.f[std::countr_zero(masks[c]) / 8] = static_cast<uint16_t>(t[c]);
    }
    return out;
}

#if defined(__SSE2__)
// Row kernels: exactly the scalar formulas, four pixels at a time; each
// returns how many pixels it did (a multiple of 4) and leaves the rest.

inline __m128i Load(const uint32_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store(uint32_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
// Each pixel's alpha lane copied to its four lanes.
inline __m128i AlphaLanes(__m128i px16) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3)),
                               _MM_SHUFFLE(3, 3, 3, 3));
}
inline __m128i FactorLanes(const ByteFactors& f) {
    return _mm_set_epi16(static_cast<int16_t>(f.f[3]), static_cast<int16_t>(f.f[2]),
                         static_cast<int16_t>(f.f[1]), static_cast<int16_t>(f.f[0]),
                         static_cast<int16_t>(f.f[3]), static_cast<int16_t>(f.f[2]),
                         static_cast<int16_t>(f.f[1]), static_cast<int16_t>(f.f[0]));
}
// a * ca / 255 rounded down, for products up to 255 * 255.
inline __m128i Div255Lanes(__m128i x) {
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<int16_t>(0x8081))), 7);
}

// (d * (256 - a)) >> 8 per colour byte, plus n as a 32-bit word.
int32_t AlphaPlainRow32(uint32_t* d, const uint32_t* n, int32_t count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i k256 = _mm_set1_epi16(256);
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i np = Load(n + i);
        const __m128i dp = Load(d + i);
        const __m128i klo = _mm_sub_epi16(k256, AlphaLanes(_mm_unpacklo_epi8(np, zero)));
        const __m128i khi = _mm_sub_epi16(k256, AlphaLanes(_mm_unpackhi_epi8(np, zero)));
        const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(dp, zero), klo), 8);
        const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(dp, zero), khi), 8);
        Store(d + i, _mm_add_epi32(_mm_and_si128(_mm_packus_epi16(lo, hi), colour), np));
    }
    return i;
}

// AlphaPlainRow32 eight pixels at a time, red and blue in one 16-bit lane
// pair, green in the other.
__attribute__((target("avx2"))) int32_t AlphaPlainRow32Avx2(uint32_t* d, const uint32_t* n,
                                                            int32_t count) {
    const __m256i rbMask = _mm256_set1_epi32(0x00FF00FF);
    const __m256i gMask = _mm256_set1_epi32(0x0000FF00);
    const __m256i k256 = _mm256_set1_epi32(256);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i np = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(n + i));
        const __m256i dp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
        const __m256i k32 = _mm256_sub_epi32(k256, _mm256_srli_epi32(np, 24));
        const __m256i k = _mm256_or_si256(k32, _mm256_slli_epi32(k32, 16));
        const __m256i rb =
            _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_and_si256(dp, rbMask), k), 8);
        const __m256i g = _mm256_and_si256(_mm256_mullo_epi16(_mm256_srli_epi16(dp, 8), k), gMask);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                            _mm256_add_epi32(_mm256_or_si256(rb, g), np));
    }
    return i;
}

// AddTintRow32 eight pixels at a time; the unpacks and the pack keep to each 128-bit half, so
// the factors repeat there as in the narrow form.
__attribute__((target("avx2"))) int32_t AddTintRow32Avx2(uint32_t* d, const uint32_t* n,
                                                         int32_t count, __m128i t16) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i t = _mm256_broadcastsi128_si256(t16);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i np = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(n + i));
        const __m256i dp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
        const __m256i lo =
            _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(np, zero), t), 8);
        const __m256i hi =
            _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(np, zero), t), 8);
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(d + i),
            _mm256_adds_epu8(_mm256_packus_epi16(lo, hi), _mm256_and_si256(dp, colour)));
    }
    return i;
}

// AddTintRow32Avx2's sum for eight pixels, except that a pixel whose colour bytes are black keeps
// the destination word whole, as a skipped run would.
__attribute__((target("avx2"))) inline __m256i AddTintOrKeep8(__m256i np, __m256i dp, __m256i t) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i lo = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(np, zero), t), 8);
    const __m256i hi = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(np, zero), t), 8);
    const __m256i sum = _mm256_adds_epu8(_mm256_packus_epi16(lo, hi), _mm256_and_si256(dp, colour));
    const __m256i black = _mm256_cmpeq_epi32(_mm256_and_si256(np, colour), zero);
    return _mm256_blendv_epi8(sum, dp, black);
}

// The first count (0 to 7) words at p, the rest zero; and their store back. Masked moves cost
// many times a plain one on some processors, and glows end nearly every row with a few pixels.
__attribute__((target("avx2"))) inline __m128i LoadUpTo3(const int* p, int32_t count) {
    switch (count) {
        case 1:
            return _mm_cvtsi32_si128(p[0]);
        case 2:
            return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        case 3:
            return _mm_insert_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), p[2], 2);
        default:
            return _mm_setzero_si128();
    }
}
__attribute__((target("avx2"))) inline void StoreUpTo3(int* p, __m128i v, int32_t count) {
    if (count >= 2) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
    }
    if (count == 1) {
        p[0] = _mm_cvtsi128_si32(v);
    } else if (count == 3) {
        p[2] = _mm_extract_epi32(v, 2);
    }
}
__attribute__((target("avx2"))) inline __m256i LoadPart8(const int* p, int32_t count) {
    if (count >= 4) {
        return _mm256_set_m128i(LoadUpTo3(p + 4, count - 4),
                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    return _mm256_zextsi128_si256(LoadUpTo3(p, count));
}
__attribute__((target("avx2"))) inline void StorePart8(int* p, __m256i v, int32_t count) {
    if (count >= 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(v));
        StoreUpTo3(p + 4, _mm256_extracti128_si256(v, 1), count - 4);
    } else {
        StoreUpTo3(p, _mm256_castsi256_si128(v), count);
    }
}

// The additive blit of a whole area on byte channels without the run walk: small glows drawn
// thousands of times a frame have runs of a few pixels, too short for the walk to pay. Eight
// pixels at a time, the row's rest in pieces of four, two and one; a palette source is gathered
// through its indices. Not mirrored.
__attribute__((target("avx2"))) void AddTintArea32Avx2(const SurfacePixels& dest,
                                                       const BlitArea& area,
                                                       const NativeBlitSource& source,
                                                       __m128i t16) {
    const __m256i t = _mm256_broadcastsi128_si256(t16);
    const int32_t whole = area.mWidth & ~7;
    const int32_t rest = area.mWidth - whole;
    const auto* table = reinterpret_cast<const int*>(source.mNative);
    const size_t stride = static_cast<size_t>(source.mStride);
    for (int32_t j = 0; j < area.mHeight; ++j) {
        const size_t srcRow =
            static_cast<size_t>(area.mSrcY + j) * stride + static_cast<size_t>(area.mSrcX);
        auto* out = reinterpret_cast<int*>(RowAt<uint32_t>(dest, area.mDestY + j) + area.mDestX);
        if (source.mIndices != nullptr) {
            const uint8_t* indices = source.mIndices + srcRow;
            int32_t i = 0;
            for (; i < whole; i += 8) {
                const __m256i at = _mm256_cvtepu8_epi32(
                    _mm_loadl_epi64(reinterpret_cast<const __m128i*>(indices + i)));
                const __m256i dp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i));
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                                    AddTintOrKeep8(_mm256_i32gather_epi32(table, at, 4), dp, t));
            }
            if (rest != 0) {
                uint64_t bytes = 0;
                std::memcpy(&bytes, indices + i, static_cast<size_t>(rest));
                const __m256i at =
                    _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(static_cast<int64_t>(bytes)));
                const __m256i dp = LoadPart8(out + i, rest);
                StorePart8(out + i, AddTintOrKeep8(_mm256_i32gather_epi32(table, at, 4), dp, t),
                           rest);
            }
        } else {
            const int* native = table + srcRow;
            int32_t i = 0;
            for (; i < whole; i += 8) {
                const __m256i np = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(native + i));
                const __m256i dp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i));
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), AddTintOrKeep8(np, dp, t));
            }
            if (rest != 0) {
                const __m256i np = LoadPart8(native + i, rest);
                const __m256i dp = LoadPart8(out + i, rest);
                StorePart8(out + i, AddTintOrKeep8(np, dp, t), rest);
            }
        }
    }
}

// ((d * (256 - a')) + (n * t)) >> 8 per colour byte, a' = a * ca / 255.
int32_t AlphaTintRow32(uint32_t* d, const uint32_t* n, int32_t count, __m128i t16, uint32_t ca) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i k256 = _mm_set1_epi16(256);
    const __m128i ca16 = _mm_set1_epi16(static_cast<int16_t>(ca));
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i np = Load(n + i);
        const __m128i dp = Load(d + i);
        __m128i half[2];
        for (int h = 0; h < 2; ++h) {
            const __m128i n16 = h == 0 ? _mm_unpacklo_epi8(np, zero) : _mm_unpackhi_epi8(np, zero);
            const __m128i d16 = h == 0 ? _mm_unpacklo_epi8(dp, zero) : _mm_unpackhi_epi8(dp, zero);
            const __m128i keep =
                _mm_sub_epi16(k256, Div255Lanes(_mm_mullo_epi16(AlphaLanes(n16), ca16)));
            const __m128i sum =
                _mm_add_epi16(_mm_mullo_epi16(d16, keep), _mm_mullo_epi16(n16, t16));
            half[h] = _mm_srli_epi16(sum, 8);
        }
        Store(d + i, _mm_and_si128(_mm_packus_epi16(half[0], half[1]), colour));
    }
    return i;
}

// (n * t) >> 8 per colour byte.
int32_t TintDirectRow32(uint32_t* d, const uint32_t* n, int32_t count, __m128i t16) {
    const __m128i zero = _mm_setzero_si128();
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i np = Load(n + i);
        const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(np, zero), t16), 8);
        const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(np, zero), t16), 8);
        Store(d + i, _mm_packus_epi16(lo, hi));
    }
    return i;
}

// Saturating sums of the colour bytes (the saturation tables of 8-bit
// channels); the unused byte becomes 0.
int32_t AddPlainRow32(uint32_t* d, const uint32_t* n, int32_t count) {
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        Store(d + i, _mm_adds_epu8(_mm_and_si128(Load(d + i), colour),
                                   _mm_and_si128(Load(n + i), colour)));
    }
    return i;
}

// The same with the source first scaled by the tint: ((n * t) >> 8) + d.
int32_t AddTintRow32(uint32_t* d, const uint32_t* n, int32_t count, __m128i t16) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i np = Load(n + i);
        const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(np, zero), t16), 8);
        const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(np, zero), t16), 8);
        Store(d + i, _mm_adds_epu8(_mm_packus_epi16(lo, hi), _mm_and_si128(Load(d + i), colour)));
    }
    return i;
}
#endif

// ---- Alpha road operations -------------------------------------------------

inline RunKind AlphaKind(uint32_t n, bool opaqueDirect) {
    const uint32_t a = n >> 24;
    if (a == 0) {
        return RunKind::Skip;
    }
    return (a == 255 && opaqueDirect) ? RunKind::Direct : RunKind::Blend;
}

// Untinted, 32 bits: the destination keeps (256 - a) / 256, the premultiplied
// source is added.
struct AlphaPlain32 {
    RunKind Kind(uint32_t n) const { return AlphaKind(n, true); }
    uint32_t Direct(uint32_t n) const { return n; }
    int32_t DirectRow(uint32_t* d, const uint32_t* n, int32_t count) const {
        std::memcpy(d, n, static_cast<size_t>(count) * sizeof(uint32_t));
        return count;
    }
    uint32_t Blend(uint32_t d, uint32_t n) const {
        const uint32_t k = 256 - (n >> 24);
        return ((((d & kRB) * k) >> 8) & kRB) + ((((d & kG) * k) >> 8) & kG) + n;
    }
#if defined(__SSE2__)
    int32_t BlendRow(uint32_t* d, const uint32_t* n, int32_t count) const {
        const int32_t wide = avx2 ? AlphaPlainRow32Avx2(d, n, count) : 0;
        return wide + AlphaPlainRow32(d + wide, n + wide, count - wide);
    }
    bool avx2 = PixelSimd::HasAvx2();
#endif
};

// Untinted, 5-6-5 or 5-5-5: 5-bit weight on the spread form.
template <uint32_t K>
struct AlphaPlainSpread {
    RunKind Kind(uint32_t n) const { return AlphaKind(n, true); }
    uint32_t Direct(uint32_t n) const { return n & 0xFFFF; }
    uint32_t Blend(uint32_t d, uint32_t n) const {
        const uint32_t f = (256 - (n >> 24)) >> 3;
        return (Fold(((Spread<K>(d) * f) >> 5) & K) + n) & 0xFFFF;
    }
};

// Untinted, any other 16-bit layout: channel by channel.
struct AlphaPlainMasks16 {
    Masks masks;
    RunKind Kind(uint32_t n) const { return AlphaKind(n, true); }
    uint32_t Direct(uint32_t n) const { return n & 0xFFFF; }
    uint32_t Blend(uint32_t d, uint32_t n) const {
        const uint32_t k = 256 - (n >> 24);
        uint32_t out = 0;
        for (uint32_t m : masks.m) {
            out += (((d & m) * k) >> 8) & m;
        }
        return (out + n) & 0xFFFF;
    }
};

// Grey tint on the spread form: k5 = tint >> 3 scales the source, the
// destination keeps (256 - a') >> 3 with a' = a * ca / 255.
template <uint32_t K>
struct AlphaGreySpread {
    uint32_t k5;
    uint32_t ca;
    RunKind Kind(uint32_t n) const { return AlphaKind(n, ca == 255); }
    uint32_t Direct(uint32_t n) const { return Fold(((Spread<K>(n & 0xFFFF) * k5) >> 5) & K); }
    uint32_t Blend(uint32_t d, uint32_t n) const {
        const uint32_t f = (256 - Div255((n >> 24) * ca)) >> 3;
        return Fold((((Spread<K>(n & 0xFFFF) * k5) + (Spread<K>(d) * f)) >> 5) & K);
    }
};

// Grey tint, 32 bits, on the channel pairs.
struct AlphaGrey32 {
    uint32_t k;
    uint32_t ca;
    RunKind Kind(uint32_t n) const { return AlphaKind(n, ca == 255); }
    uint32_t Direct(uint32_t n) const {
        return ((((n & kRB) * k) >> 8) & kRB) + ((((n & kG) * k) >> 8) & kG);
    }
    uint32_t Blend(uint32_t d, uint32_t n) const {
        const uint32_t w = 256 - Div255((n >> 24) * ca);
        return (((((d & kRB) * w) + ((n & kRB) * k)) >> 8) & kRB) +
               (((((d & kG) * w) + ((n & kG) * k)) >> 8) & kG);
    }
};

// Any other tint (and a grey one on an uncommon 16-bit layout), channel by
// channel with the tint of each.
struct AlphaTintMasks {
    Masks masks;
    uint32_t t[3];
    uint32_t ca;
    RunKind Kind(uint32_t n) const { return AlphaKind(n, ca == 255); }
    uint32_t Direct(uint32_t n) const {
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            out += (((n & masks.m[c]) * t[c]) >> 8) & masks.m[c];
        }
        return out;
    }
    uint32_t Blend(uint32_t d, uint32_t n) const {
        const uint32_t keep = 256 - Div255((n >> 24) * ca);
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            const uint32_t m = masks.m[c];
            out += ((((d & m) * keep) + ((n & m) * t[c])) >> 8) & m;
        }
        return out;
    }
};

// A grey or any other tint on a 32-bit layout of byte channels: the
// channel-by-channel formulas (the grey form is the same with one tint).
struct AlphaTintBytes32 {
    AlphaTintMasks scalar;
#if defined(__SSE2__)
    __m128i t16;
#endif
    AlphaTintBytes32(const AlphaTintMasks& masks, const ByteFactors& factors) : scalar(masks) {
#if defined(__SSE2__)
        t16 = FactorLanes(factors);
#else
        (void)factors;
#endif
    }
    RunKind Kind(uint32_t n) const { return scalar.Kind(n); }
    uint32_t Direct(uint32_t n) const { return scalar.Direct(n); }
    uint32_t Blend(uint32_t d, uint32_t n) const { return scalar.Blend(d, n); }
#if defined(__SSE2__)
    int32_t DirectRow(uint32_t* d, const uint32_t* n, int32_t count) const {
        return TintDirectRow32(d, n, count, t16);
    }
    int32_t BlendRow(uint32_t* d, const uint32_t* n, int32_t count) const {
        return AlphaTintRow32(d, n, count, t16, scalar.ca);
    }
#endif
};

// ---- Additive road ---------------------------------------------------------

struct AddChannel {
    uint32_t mask;
    int32_t shift;
    const uint8_t* table;
};

inline RunKind AdditiveKind(uint32_t n) {
    return (n & 0xFFFFFF) == 0 ? RunKind::Skip : RunKind::Blend;
}

struct AddPlain {
    AddChannel ch[3];
    RunKind Kind(uint32_t n) const { return AdditiveKind(n); }
    uint32_t Direct(uint32_t n) const { return n; }
    uint32_t Blend(uint32_t d, uint32_t n) const {
        uint32_t out = 0;
        for (const AddChannel& c : ch) {
            out |= static_cast<uint32_t>(c.table[((d & c.mask) + (n & c.mask)) >> c.shift])
                   << c.shift;
        }
        return out;
    }
};

struct AddTinted {
    AddChannel ch[3];
    uint32_t t[3];
    RunKind Kind(uint32_t n) const { return AdditiveKind(n); }
    uint32_t Direct(uint32_t n) const { return n; }
    uint32_t Blend(uint32_t d, uint32_t n) const {
        uint32_t out = 0;
        for (int i = 0; i < 3; ++i) {
            const AddChannel& c = ch[i];
            const uint32_t index =
                ((((n & c.mask) >> c.shift) * t[i]) >> 8) + ((d & c.mask) >> c.shift);
            out |= static_cast<uint32_t>(c.table[index]) << c.shift;
        }
        return out;
    }
};

// Untinted on byte channels: the saturation of 8-bit channels is a byte-wise
// saturating add.
struct AddPlainBytes32 {
    AddPlain scalar;
    RunKind Kind(uint32_t n) const { return AdditiveKind(n); }
    uint32_t Direct(uint32_t n) const { return n; }
    uint32_t Blend(uint32_t d, uint32_t n) const { return scalar.Blend(d, n); }
#if defined(__SSE2__)
    int32_t BlendRow(uint32_t* d, const uint32_t* n, int32_t count) const {
        return AddPlainRow32(d, n, count);
    }
#endif
};

struct AddTintBytes32 {
    AddTinted scalar;
#if defined(__SSE2__)
    __m128i t16;
#endif
    AddTintBytes32(const AddTinted& tinted, const ByteFactors& factors) : scalar(tinted) {
#if defined(__SSE2__)
        t16 = FactorLanes(factors);
#else
        (void)factors;
#endif
    }
    RunKind Kind(uint32_t n) const { return AdditiveKind(n); }
    uint32_t Direct(uint32_t n) const { return n; }
    uint32_t Blend(uint32_t d, uint32_t n) const { return scalar.Blend(d, n); }
#if defined(__SSE2__)
    int32_t BlendRow(uint32_t* d, const uint32_t* n, int32_t count) const {
        const int32_t wide = avx2 ? AddTintRow32Avx2(d, n, count, t16) : 0;
        return wide + AddTintRow32(d + wide, n + wide, count - wide, t16);
    }
    bool avx2 = PixelSimd::HasAvx2();
#endif
};

// Untinted on 5-6-5 or 5-5-5, the channels added at once (AddSpreadSaturated).
template <uint32_t K>
struct AddPlainSpread {
    // The bit above each channel, and those of them above a 5-bit and a
    // 6-bit channel.
    RunKind Kind(uint32_t n) const { return AdditiveKind(n); }
    uint32_t Direct(uint32_t n) const { return n; }
    uint32_t Blend(uint32_t d, uint32_t n) const { return AddSpreadSaturated<K>(d, n); }
};

// ---- Volatile road ---------------------------------------------------------

template <typename P, bool kPalette, typename Op>
void WalkStraight(const SurfacePixels& dest, const BlitArea& area, const StraightBlitSource& source,
                  const Op& op) {
    const size_t stride = static_cast<size_t>(source.mStride);
    for (int32_t j = 0; j < area.mHeight; ++j) {
        const size_t srcRow =
            static_cast<size_t>(area.mSrcY + j) * stride + static_cast<size_t>(area.mSrcX);
        P* out = RowAt<P>(dest, area.mDestY + j) + area.mDestX;
        for (int32_t i = 0; i < area.mWidth; ++i) {
            uint32_t s = 0;
            if constexpr (kPalette) {
                s = source.mPixels[source.mIndices[srcRow + static_cast<size_t>(i)]];
            } else {
                s = source.mPixels[srcRow + static_cast<size_t>(i)];
            }
            out[i] = static_cast<P>(op.Blend(out[i], s));
        }
    }
}

template <typename P, typename Op>
void WalkStraightAnyForm(const SurfacePixels& dest, const BlitArea& area,
                         const StraightBlitSource& source, const Op& op) {
    if (source.mIndices != nullptr) {
        WalkStraight<P, true>(dest, area, source, op);
    } else {
        WalkStraight<P, false>(dest, area, source, op);
    }
}

// 5-bit alpha on the spread form: d + ((s - d) * a5) >> 5, so alpha 255
// keeps 1/32 of the destination.
struct Volatile565 {
    uint32_t Blend(uint32_t d, uint32_t s) const {
        const uint32_t S = ((s & 0xFC00) << 11) + ((s >> 3) & 0x1F) + ((s >> 8) & 0xF800);
        const uint32_t D = Spread<kSpread565>(d);
        const uint32_t a5 = s >> 27;
        return Fold(((((S - D) * a5) >> 5) + D) & kSpread565);
    }
};

struct Volatile555 {
    uint32_t Blend(uint32_t d, uint32_t s) const {
        const uint32_t S = ((s >> 3) & 0x1F) + ((s >> 9) & 0x7C00) + ((s & 0xF800) << 10);
        const uint32_t D = Spread<kSpread555>(d);
        const uint32_t a5 = s >> 27;
        return Fold(((((S - D) * a5) >> 5) + D) & kSpread555);
    }
};

struct VolatileMasks16 {
    Masks masks;
    uint32_t Blend(uint32_t d, uint32_t s) const {
        const uint32_t a = s >> 24;
        const uint32_t v[3] = {(s >> 16) & 0xFF, (s >> 8) & 0xFF, s & 0xFF};
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            const uint32_t m = masks.m[c];
            out += ((((d & m) * (256 - a)) + ((v[c] * a * m) >> 8) + (m >> 1)) >> 8) & m;
        }
        return out;
    }
};

struct Volatile32 {
    uint32_t Blend(uint32_t d, uint32_t s) const {
        const uint32_t a = s >> 24;
        const uint32_t rb = (((((s & kRB) - (d & kRB)) * a) >> 8) + (d & kRB)) & kRB;
        const uint32_t g = (((((s & kG) - (d & kG)) * a) >> 8) + (d & kG)) & kG;
        return rb | g;
    }
};

struct VolatileMasks32 {
    Masks masks;
    uint32_t Blend(uint32_t d, uint32_t s) const {
        const uint32_t a = s >> 24;
        const uint32_t v[3] = {(s >> 16) & 0xFF, (s >> 8) & 0xFF, s & 0xFF};
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            const uint32_t m = masks.m[c];
            out += ((((d & m) * (256 - a)) + (((v[c] * a) >> 8) * m) + (m >> 1)) >> 8) & m;
        }
        return out;
    }
};

// Whole 32-bit rows as they are. The native words are the source image's own
// buffer, never the locked surface, so the rows cannot overlap.
void CopyNativeRows32(const SurfacePixels& dest, const BlitArea& area, const uint32_t* native,
                      size_t stride) {
    const size_t rowBytes = static_cast<size_t>(area.mWidth) * sizeof(uint32_t);
    const auto pitch = static_cast<ptrdiff_t>(dest.mPitch);
    const uint32_t* in =
        native + static_cast<size_t>(area.mSrcY) * stride + static_cast<size_t>(area.mSrcX);
    uint8_t* out = dest.mBits + pitch * area.mDestY + static_cast<ptrdiff_t>(area.mDestX) * 4;
    if (stride * sizeof(uint32_t) == rowBytes && pitch == static_cast<ptrdiff_t>(rowBytes)) {
        std::memcpy(out, in, rowBytes * static_cast<size_t>(area.mHeight));
        return;
    }
    for (int32_t j = area.mHeight; j > 0; --j) {
        std::memcpy(out, in, rowBytes);
        out += pitch;
        in += stride;
    }
}

}  // namespace

SurfaceChannel ChannelOfMask(uint32_t mask) {
    if (mask == 0) {
        return SurfaceChannel{};
    }
    const int32_t shift = std::countr_zero(mask);
    return SurfaceChannel{mask, shift, std::countr_one(mask >> shift)};
}

bool IsDrawableSurface(const SurfacePixels& surface) {
    if (surface.mBits == nullptr || surface.mWidth < 0 || surface.mHeight < 0 ||
        (surface.mBitsPerPixel != 16 && surface.mBitsPerPixel != 32)) {
        return false;
    }
    const int32_t bytes = surface.mBitsPerPixel / 8;
    if (surface.mWidth > 0 && surface.mPitch < surface.mWidth * bytes) {
        return false;
    }
    const uint32_t pixelMask = surface.mBitsPerPixel == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    for (uint32_t mask : {surface.mRedMask, surface.mGreenMask, surface.mBlueMask}) {
        const SurfaceChannel channel = ChannelOfMask(mask);
        // Contiguous (nothing above the lowest run), 1 to 8 bits wide, inside the pixel.
        if (channel.mBits < 1 || channel.mBits > 8 || (mask & ~pixelMask) != 0 ||
            ((mask >> channel.mShift) >> channel.mBits) != 0) {
            return false;
        }
    }
    return (surface.mRedMask & surface.mGreenMask) == 0 &&
           (surface.mRedMask & surface.mBlueMask) == 0 &&
           (surface.mGreenMask & surface.mBlueMask) == 0;
}

bool IsStandardChannelOrder(const SurfacePixels& surface) {
    return surface.mBlueMask < surface.mGreenMask && surface.mGreenMask < surface.mRedMask;
}

const uint8_t* SaturationTable(int32_t bits) {
    if (bits < 1 || bits > 8) {
        return nullptr;
    }
    return kSaturation[static_cast<size_t>(bits)].data();
}

uint32_t ConvertToSurface(uint32_t argb, const SurfaceChannel& red, const SurfaceChannel& green,
                          const SurfaceChannel& blue) {
    return (((argb >> (24 - red.mBits)) << red.mShift) & red.mMask) |
           (((argb >> (16 - green.mBits)) << green.mShift) & green.mMask) |
           (((argb >> (8 - blue.mBits)) << blue.mShift) & blue.mMask);
}

uint32_t ConvertFromSurface(uint32_t value, const SurfaceChannel& red, const SurfaceChannel& green,
                            const SurfaceChannel& blue) {
    auto widen = [value](const SurfaceChannel& c) {
        return ((value >> c.mShift) << (8 - c.mBits)) & 0xFF;
    };
    return 0xFF000000u | (widen(red) << 16) | (widen(green) << 8) | widen(blue);
}

bool ClipBlitArea(BlitArea& area, int32_t srcWidth, int32_t srcHeight, int32_t destWidth,
                  int32_t destHeight) {
    if (area.mWidth <= 0 || area.mHeight <= 0) {
        return false;
    }
    const int64_t w = area.mWidth;
    const int64_t h = area.mHeight;
    auto before = [](int64_t start) { return std::max<int64_t>(0, -start); };
    auto after = [](int64_t start, int64_t length, int64_t limit) {
        return std::max<int64_t>(0, start + length - limit);
    };
    const int64_t srcLeft = before(area.mSrcX);
    const int64_t srcRight = after(area.mSrcX, w, srcWidth);
    const int64_t destLeft = before(area.mDestX);
    const int64_t destRight = after(area.mDestX, w, destWidth);
    // Cuts counted from the source's left and right edge.
    const int64_t cutLeft =
        area.mMirror ? std::max(srcLeft, destRight) : std::max(srcLeft, destLeft);
    const int64_t cutRight =
        area.mMirror ? std::max(srcRight, destLeft) : std::max(srcRight, destRight);
    const int64_t cutTop = std::max(before(area.mSrcY), before(area.mDestY));
    const int64_t cutBottom =
        std::max(after(area.mSrcY, h, srcHeight), after(area.mDestY, h, destHeight));
    const int64_t newWidth = w - cutLeft - cutRight;
    const int64_t newHeight = h - cutTop - cutBottom;
    if (newWidth <= 0 || newHeight <= 0) {
        return false;
    }
    area.mSrcX = static_cast<int32_t>(area.mSrcX + cutLeft);
    area.mDestX = static_cast<int32_t>(area.mDestX + (area.mMirror ? cutRight : cutLeft));
    area.mSrcY = static_cast<int32_t>(area.mSrcY + cutTop);
    area.mDestY = static_cast<int32_t>(area.mDestY + cutTop);
    area.mWidth = static_cast<int32_t>(newWidth);
    area.mHeight = static_cast<int32_t>(newHeight);
    return true;
}

void BlitNativeOpaque(const SurfacePixels& dest, const BlitArea& area,
                      const NativeBlitSource& source, bool skipTransparent) {
    const size_t stride = static_cast<size_t>(source.mStride);
    const bool palette = source.mIndices != nullptr;
    if (dest.mBitsPerPixel == 32 && !palette && !skipTransparent) {
        CopyNativeRows32(dest, area, source.mNative, stride);
        return;
    }
    for (int32_t j = 0; j < area.mHeight; ++j) {
        const size_t srcRow =
            static_cast<size_t>(area.mSrcY + j) * stride + static_cast<size_t>(area.mSrcX);
        auto nativeAt = [&](int32_t i) {
            return palette ? source.mNative[source.mIndices[srcRow + static_cast<size_t>(i)]]
                           : source.mNative[srcRow + static_cast<size_t>(i)];
        };
        if (dest.mBitsPerPixel == 32) {
            uint32_t* out = RowAt<uint32_t>(dest, area.mDestY + j) + area.mDestX;
            for (int32_t i = 0; i < area.mWidth; ++i) {
                const uint32_t n = nativeAt(i);
                if (!skipTransparent || (n >> 24) != 0) {
                    out[i] = n;
                }
            }
        } else {
            uint16_t* out = RowAt<uint16_t>(dest, area.mDestY + j) + area.mDestX;
            int32_t i = 0;
#if defined(__SSE2__)
            if (!palette && !skipTransparent) {
                // The low halves of eight words: sign-extended, they pack exactly.
                const uint32_t* in = source.mNative + srcRow;
                for (; i + 8 <= area.mWidth; i += 8) {
                    const __m128i lo = _mm_srai_epi32(_mm_slli_epi32(Load(in + i), 16), 16);
                    const __m128i hi = _mm_srai_epi32(_mm_slli_epi32(Load(in + i + 4), 16), 16);
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(lo, hi));
                }
            }
#endif
            for (; i < area.mWidth; ++i) {
                const uint32_t n = nativeAt(i);
                if (!skipTransparent || (n >> 24) != 0) {
                    out[i] = static_cast<uint16_t>(n);
                }
            }
        }
    }
}

void BlitNativeAlpha(const SurfacePixels& dest, const BlitArea& area,
                     const NativeBlitSource& source, const Color& color) {
    const bool is16 = dest.mBitsPerPixel == 16;
    const uint32_t green = dest.mGreenMask;
    if (color.IsWhite()) {
        if (!is16) {
            WalkRunsAnyForm<uint32_t>(dest, area, source, AlphaPlain32{});
        } else if (green == kGreen565) {
            WalkRunsAnyForm<uint16_t>(dest, area, source, AlphaPlainSpread<kSpread565>{});
        } else if (green == kGreen555) {
            WalkRunsAnyForm<uint16_t>(dest, area, source, AlphaPlainSpread<kSpread555>{});
        } else {
            WalkRunsAnyForm<uint16_t>(dest, area, source, AlphaPlainMasks16{MasksOf(dest)});
        }
        return;
    }
    const Tint tint = TintOf(color);
    const bool grey = tint.red == tint.green && tint.green == tint.blue;
    if (HasByteChannels(dest)) {
        const uint32_t t[3] = {tint.red, tint.green, tint.blue};
        const AlphaTintBytes32 op(AlphaTintMasks{MasksOf(dest), {t[0], t[1], t[2]}, tint.alpha},
                                  FactorsByByte(dest, t));
        WalkRunsAnyForm<uint32_t>(dest, area, source, op);
    } else if (grey && !is16) {
        WalkRunsAnyForm<uint32_t>(dest, area, source, AlphaGrey32{tint.red, tint.alpha});
    } else if (grey && green == kGreen565) {
        WalkRunsAnyForm<uint16_t>(dest, area, source,
                                  AlphaGreySpread<kSpread565>{tint.red >> 3, tint.alpha});
    } else if (grey && green == kGreen555) {
        WalkRunsAnyForm<uint16_t>(dest, area, source,
                                  AlphaGreySpread<kSpread555>{tint.red >> 3, tint.alpha});
    } else {
        const AlphaTintMasks op{MasksOf(dest), {tint.red, tint.green, tint.blue}, tint.alpha};
        if (is16) {
            WalkRunsAnyForm<uint16_t>(dest, area, source, op);
        } else {
            WalkRunsAnyForm<uint32_t>(dest, area, source, op);
        }
    }
}

AdditiveLayout AdditiveLayoutOf([[maybe_unused]] const SurfacePixels& dest) {
    AdditiveLayout out;
#if defined(__SSE2__)
    if (HasByteChannels(dest) && PixelSimd::HasAvx2()) {
        out.mByteLanes = true;
        const uint32_t masks[3] = {dest.mRedMask, dest.mGreenMask, dest.mBlueMask};
        for (int c = 0; c < 3; ++c) {
            out.mByteOf[c] = static_cast<uint8_t>(std::countr_zero(masks[c]) / 8);
        }
    }
#endif
    return out;
}

AdditiveTint AdditiveTintOf(const AdditiveLayout& layout, const Color& color) {
    AdditiveTint out;
    out.mColor = color;
    if (layout.mByteLanes) {
        // Untinted is the tint 256 on every colour byte: (n * 256) >> 8 = n.
        const Tint tint = color.IsWhite() ? Tint{256, 256, 256, 255} : TintOf(color);
        const uint32_t t[3] = {tint.red, tint.green, tint.blue};
        out.mByteLanes = true;
        for (int c = 0; c < 3; ++c) {
            out.mFactors[layout.mByteOf[c]] = static_cast<uint16_t>(t[c]);
        }
    }
    return out;
}

void BlitNativeAdditive(const SurfacePixels& dest, const BlitArea& area,
                        const NativeBlitSource& source, const Color& color) {
    BlitNativeAdditive(dest, area, source, AdditiveTintOf(AdditiveLayoutOf(dest), color));
}

void BlitNativeAdditive(const SurfacePixels& dest, const BlitArea& area,
                        const NativeBlitSource& source, const AdditiveTint& additive) {
#if defined(__SSE2__)
    if (!area.mMirror && additive.mByteLanes) {
        const ByteFactors factors{{additive.mFactors[0], additive.mFactors[1], additive.mFactors[2],
                                   additive.mFactors[3]}};
        AddTintArea32Avx2(dest, area, source, FactorLanes(factors));
        return;
    }
#endif
    const Color& color = additive.mColor;
    AddChannel channels[3];
    const uint32_t masks[3] = {dest.mRedMask, dest.mGreenMask, dest.mBlueMask};
    for (int i = 0; i < 3; ++i) {
        const SurfaceChannel c = ChannelOfMask(masks[i]);
        channels[i] = AddChannel{c.mMask, c.mShift, SaturationTable(c.mBits)};
        if (channels[i].table == nullptr) {
            return;
        }
    }
    const bool is16 = dest.mBitsPerPixel == 16;
    if (color.IsWhite()) {
        const AddPlain op{{channels[0], channels[1], channels[2]}};
        if (HasByteChannels(dest)) {
            WalkRunsAnyForm<uint32_t>(dest, area, source, AddPlainBytes32{op});
        } else if (is16 && dest.mGreenMask == kGreen565) {
            WalkRunsAnyForm<uint16_t>(dest, area, source, AddPlainSpread<kSpread565>{});
        } else if (is16 && dest.mGreenMask == kGreen555) {
            WalkRunsAnyForm<uint16_t>(dest, area, source, AddPlainSpread<kSpread555>{});
        } else if (is16) {
            WalkRunsAnyForm<uint16_t>(dest, area, source, op);
        } else {
            WalkRunsAnyForm<uint32_t>(dest, area, source, op);
        }
        return;
    }
    const Tint tint = TintOf(color);
    const uint32_t t[3] = {tint.red, tint.green, tint.blue};
    const AddTinted op{{channels[0], channels[1], channels[2]}, {t[0], t[1], t[2]}};
    if (HasByteChannels(dest)) {
        WalkRunsAnyForm<uint32_t>(dest, area, source, AddTintBytes32(op, FactorsByByte(dest, t)));
    } else if (is16) {
        WalkRunsAnyForm<uint16_t>(dest, area, source, op);
    } else {
        WalkRunsAnyForm<uint32_t>(dest, area, source, op);
    }
}

void BlitStraightVolatile(const SurfacePixels& dest, const BlitArea& area,
                          const StraightBlitSource& source) {
    const bool standard = IsStandardChannelOrder(dest);
    if (dest.mBitsPerPixel == 16) {
        if (standard && dest.mGreenMask == kGreen565) {
            WalkStraightAnyForm<uint16_t>(dest, area, source, Volatile565{});
        } else if (standard && dest.mGreenMask == kGreen555) {
            WalkStraightAnyForm<uint16_t>(dest, area, source, Volatile555{});
        } else {
            WalkStraightAnyForm<uint16_t>(dest, area, source, VolatileMasks16{MasksOf(dest)});
        }
    } else if (standard) {
        WalkStraightAnyForm<uint32_t>(dest, area, source, Volatile32{});
    } else {
        WalkStraightAnyForm<uint32_t>(dest, area, source, VolatileMasks32{MasksOf(dest)});
    }
}

}  // namespace Vesk
