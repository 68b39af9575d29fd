// The row kernels of the sprite adder: the rows of one small sprite summed into the image's,
// in the widest steps the processor has, chosen once at run time.

#include "graphics/SpriteAdder.h"

#include <cstdint>
#include <typeinfo>

#include "graphics/MemoryImage.h"
#include "graphics/PixelBlend.h"
#include "graphics/PixelSimd.h"

namespace Vesk {

namespace {

using namespace PixelBlend;
struct Rows {
    uint32_t* dest;
    size_t destStride;
    const uint32_t* src;
    size_t srcStride;
    int32_t width;
    int32_t height;
};
using RowAdder = void (*)(const Rows&, uint32_t);

// d + s per channel with saturation, s tinted by k (0x00RRGGBB, (c * k) >> 8) unless untinted;
// source pixels of alpha 0 add nothing and the destination alpha is kept.
template <bool kTinted>
void AddRowsScalar(const Rows& rows, uint32_t k) {
    for (int32_t y = 0; y < rows.height; ++y) {
        uint32_t* d = rows.dest + static_cast<size_t>(y) * rows.destStride;
        const uint32_t* s = rows.src + static_cast<size_t>(y) * rows.srcStride;
        for (int32_t x = 0; x < rows.width; ++x) {
            const uint32_t p = s[x];
            if ((p >> 24) != 0) {
                d[x] = AddSaturate(d[x], kTinted ? ModulateChannels(p, k) : p);
            }
        }
    }
}

#if defined(VESK_PIXEL_SSE2)
// Four pixels of the rows' sum; k16 holds the tint of two pixels in 16-bit lanes.
template <bool kTinted>
inline __m128i Added4(__m128i dp, __m128i sp, __m128i k16) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i clear = _mm_cmpeq_epi32(_mm_srli_epi32(sp, 24), zero);
    if constexpr (kTinted) {
        const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(sp, zero), k16), 8);
        const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(sp, zero), k16), 8);
        sp = _mm_packus_epi16(lo, hi);
    }
    sp = _mm_and_si128(_mm_andnot_si128(clear, sp), _mm_set1_epi32(0x00FFFFFF));
    return _mm_adds_epu8(dp, sp);
}

// The first n (1 to 3) pixels, read and written whole: masked moves would stall the next
// sprite's reads of the same pixels, and particles land on each other all the time.
inline __m128i LoadFirst(const uint32_t* p, int32_t n) {
    if (n == 1) {
        return _mm_cvtsi32_si128(static_cast<int32_t>(p[0]));
    }
    const __m128i two = PixelSimd::Load2(p);
    return n == 2 ? two : _mm_unpacklo_epi64(two, _mm_cvtsi32_si128(static_cast<int32_t>(p[2])));
}

inline void StoreFirst(uint32_t* p, __m128i v, int32_t n) {
    if (n == 1) {
        p[0] = static_cast<uint32_t>(_mm_cvtsi128_si32(v));
        return;
    }
    PixelSimd::Store2(p, v);
    if (n == 3) {
        p[2] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(v, 8)));
    }
}

// The last n (0 to 7) pixels of a row.
template <bool kTinted>
inline void AddTail(uint32_t* d, const uint32_t* s, int32_t n, __m128i k16) {
    if (n >= 4) {
        PixelSimd::Store4(d, Added4<kTinted>(PixelSimd::Load4(d), PixelSimd::Load4(s), k16));
        d += 4;
        s += 4;
        n -= 4;
    }
    if (n > 0) {
        StoreFirst(d, Added4<kTinted>(LoadFirst(d, n), LoadFirst(s, n), k16), n);
    }
}

inline __m128i Tint16(uint32_t k) {
    return _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int32_t>(k)), _mm_setzero_si128());
}

template <bool kTinted>
void AddRowsSse2(const Rows& rows, uint32_t k) {
    const __m128i k16 = Tint16(k);
    const int32_t whole = rows.width & ~3;
    for (int32_t y = 0; y < rows.height; ++y) {
        uint32_t* d = rows.dest + static_cast<size_t>(y) * rows.destStride;
        const uint32_t* s = rows.src + static_cast<size_t>(y) * rows.srcStride;
        for (int32_t x = 0; x < whole; x += 4) {
            PixelSimd::Store4(
                d + x, Added4<kTinted>(PixelSimd::Load4(d + x), PixelSimd::Load4(s + x), k16));
        }
        AddTail<kTinted>(d + whole, s + whole, rows.width - whole, k16);
    }
}

// Eight pixels of the rows' sum, as Added4 computes four.
template <bool kTinted>
__attribute__((target("avx2"))) inline __m256i Added8(__m256i dp, __m256i sp, __m256i k16) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i clear = _mm256_cmpeq_epi32(_mm256_srli_epi32(sp, 24), zero);
    if constexpr (kTinted) {
        // In-lane unpacking and packing keep the pixels in order.
        const __m256i lo =
            _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(sp, zero), k16), 8);
        const __m256i hi =
            _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(sp, zero), k16), 8);
        sp = _mm256_packus_epi16(lo, hi);
    }
    sp = _mm256_and_si256(_mm256_andnot_si256(clear, sp), _mm256_set1_epi32(0x00FFFFFF));
    return _mm256_adds_epu8(dp, sp);
}

__attribute__((target("avx2"))) inline void Add8(uint32_t* d, const uint32_t* s, __m256i k16,
                                                 bool tinted) {
    auto* dv = reinterpret_cast<__m256i*>(d);
    const __m256i sp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    const __m256i dp = _mm256_loadu_si256(dv);
    _mm256_storeu_si256(dv, tinted ? Added8<true>(dp, sp, k16) : Added8<false>(dp, sp, k16));
}

template <bool kTinted>
__attribute__((target("avx2"))) void AddRowsAvx2(const Rows& rows, uint32_t k) {
    const __m128i k16 = Tint16(k);
    const __m256i k16x2 = _mm256_broadcastsi128_si256(k16);
    const int32_t whole = rows.width & ~7;
    for (int32_t y = 0; y < rows.height; ++y) {
        uint32_t* d = rows.dest + static_cast<size_t>(y) * rows.destStride;
        const uint32_t* s = rows.src + static_cast<size_t>(y) * rows.srcStride;
        for (int32_t x = 0; x < whole; x += 8) {
            Add8(d + x, s + x, k16x2, kTinted);
        }
        AddTail<kTinted>(d + whole, s + whole, rows.width - whole, k16);
    }
}

// The same with the last pixels of a row in one masked step: the rows' widths change from
// particle to particle, and branches on them are mispredicted.
template <bool kTinted>
__attribute__((target("avx2,avx512f,avx512vl"))) void AddRowsAvx512(const Rows& rows, uint32_t k) {
    const __m256i k16x2 = _mm256_broadcastsi128_si256(Tint16(k));
    const int32_t whole = rows.width & ~7;
    const auto tail = static_cast<__mmask8>((1u << (rows.width - whole)) - 1);
    for (int32_t y = 0; y < rows.height; ++y) {
        uint32_t* d = rows.dest + static_cast<size_t>(y) * rows.destStride;
        const uint32_t* s = rows.src + static_cast<size_t>(y) * rows.srcStride;
        for (int32_t x = 0; x < whole; x += 8) {
            Add8(d + x, s + x, k16x2, kTinted);
        }
        if (tail != 0) {
            const __m256i sp = _mm256_maskz_loadu_epi32(tail, s + whole);
            const __m256i dp = _mm256_maskz_loadu_epi32(tail, d + whole);
            _mm256_mask_storeu_epi32(d + whole, tail, Added8<kTinted>(dp, sp, k16x2));
        }
    }
}

// Sixteen pixels of the rows' sum, as Added8 computes eight.
template <bool kTinted>
__attribute__((target("avx512f,avx512bw"))) inline __m512i Added16(__m512i dp, __m512i sp,
                                                                   __m512i k16) {
    const __m512i zero = _mm512_setzero_si512();
    const __mmask16 kept =
        _mm512_test_epi32_mask(sp, _mm512_set1_epi32(static_cast<int32_t>(0xFF000000u)));
    if constexpr (kTinted) {
        const __m512i lo =
            _mm512_srli_epi16(_mm512_mullo_epi16(_mm512_unpacklo_epi8(sp, zero), k16), 8);
        const __m512i hi =
            _mm512_srli_epi16(_mm512_mullo_epi16(_mm512_unpackhi_epi8(sp, zero), k16), 8);
        sp = _mm512_packus_epi16(lo, hi);
    }
    sp = _mm512_maskz_and_epi32(kept, sp, _mm512_set1_epi32(0x00FFFFFF));
    return _mm512_adds_epu8(dp, sp);
}

// Rows of 9 to 16 pixels in one masked step each, others as AddRowsAvx512 adds them.
template <bool kTinted>
__attribute__((target("avx2,avx512f,avx512vl,avx512bw"))) void AddRowsAvx512Bw(const Rows& rows,
                                                                               uint32_t k) {
    if (rows.width <= 8 || rows.width > 16) {
        AddRowsAvx512<kTinted>(rows, k);
        return;
    }
    const uint64_t k16 =
        (k & 0xFFu) | (uint64_t{(k >> 8) & 0xFFu} << 16) | (uint64_t{(k >> 16) & 0xFFu} << 32);
    const __m512i k16x4 = _mm512_set1_epi64(static_cast<int64_t>(k16));
    const auto mask = static_cast<__mmask16>((1u << rows.width) - 1);
    for (int32_t y = 0; y < rows.height; ++y) {
        uint32_t* d = rows.dest + static_cast<size_t>(y) * rows.destStride;
        const uint32_t* s = rows.src + static_cast<size_t>(y) * rows.srcStride;
        const __m512i sp = _mm512_maskz_loadu_epi32(mask, s);
        const __m512i dp = _mm512_maskz_loadu_epi32(mask, d);
        _mm512_mask_storeu_epi32(d, mask, Added16<kTinted>(dp, sp, k16x4));
    }
}
#endif

template <RowAdder kPlain, RowAdder kTinted>
void AddEach(const SpriteAdder::Placed* sprites, size_t count, size_t stride) {
    for (size_t i = 0; i < count; ++i) {
        const SpriteAdder::Placed& sprite = sprites[i];
        const Rows rows{sprite.dest,      stride,       sprite.src,
                        sprite.srcStride, sprite.width, sprite.height};
        if (sprite.tint == SpriteAdder::kUntinted) {
            kPlain(rows, 0);
        } else {
            kTinted(rows, sprite.tint);
        }
    }
}

#if defined(VESK_PIXEL_SSE2)
// Sprites up to 8 pixels wide and kRows high, the particles' usual sizes, a row in one masked
// step each. Every sprite takes all kRows steps, those past its height with an empty mask (which
// touches no memory): a loop over its height would be mispredicted at the end of almost every
// sprite, as their heights change from one to the next.
template <int32_t kRows, bool kTinted>
__attribute__((target("avx2,avx512f,avx512vl"))) inline void AddNarrow(
    const SpriteAdder::Placed& sprite, size_t stride) {
    const __m256i k16x2 =
        kTinted ? _mm256_broadcastsi128_si256(Tint16(sprite.tint)) : _mm256_setzero_si256();
    const uint32_t mask = (1u << sprite.width) - 1;
    uint32_t* d = sprite.dest;
    const uint32_t* s = sprite.src;
    for (int32_t y = 0; y < kRows; ++y) {
        const auto row = static_cast<__mmask8>(y < sprite.height ? mask : 0);
        const __m256i sp = _mm256_maskz_loadu_epi32(row, s);
        const __m256i dp = _mm256_maskz_loadu_epi32(row, d);
        _mm256_mask_storeu_epi32(d, row, Added8<kTinted>(dp, sp, k16x2));
        // Addresses only: the rows past the sprite's height are never touched.
        d = reinterpret_cast<uint32_t*>(reinterpret_cast<uintptr_t>(d) + stride * 4);
        s = reinterpret_cast<const uint32_t*>(reinterpret_cast<uintptr_t>(s) +
                                              sprite.srcStride * 4);
    }
}

template <bool kTinted>
__attribute__((target("avx2,avx512f,avx512vl"))) inline void AddNarrow(
    const SpriteAdder::Placed& sprite, size_t stride) {
    if (sprite.height <= 4) {
        AddNarrow<4, kTinted>(sprite, stride);
    } else {
        AddNarrow<8, kTinted>(sprite, stride);
    }
}

// Sprites of up to 4 x kRows pixels, the smallest particles, a row in a 128-bit masked step,
// the tint's multiply on all four pixels' channels widened to words in one register.
template <int32_t kRows, bool kTinted>
__attribute__((target("avx2,avx512f,avx512vl,avx512bw"))) inline void AddTiny(
    const SpriteAdder::Placed& sprite, size_t stride) {
    // The tint's bytes widened to words, four pixels' worth.
    const __m256i k16x4 = _mm256_broadcastq_epi64(
        _mm_cvtepu8_epi16(_mm_cvtsi32_si128(static_cast<int32_t>(sprite.tint))));
    const uint32_t mask = (1u << sprite.width) - 1;
    uint32_t* d = sprite.dest;
    const uint32_t* s = sprite.src;
    for (int32_t y = 0; y < kRows; ++y) {
        const auto row = static_cast<__mmask8>(y < sprite.height ? mask : 0);
        __m128i sp = _mm_maskz_loadu_epi32(row, s);
        const __m128i dp = _mm_maskz_loadu_epi32(row, d);
        const __mmask8 kept =
            _mm_test_epi32_mask(sp, _mm_set1_epi32(static_cast<int32_t>(0xFF000000u)));
        if constexpr (kTinted) {
            sp = _mm256_maskz_cvtepi16_epi8(
                0xFFFF, _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_cvtepu8_epi16(sp), k16x4), 8));
        }
        sp = _mm_maskz_and_epi32(kept, sp, _mm_set1_epi32(0x00FFFFFF));
        _mm_mask_storeu_epi32(d, row, _mm_adds_epu8(dp, sp));
        // Addresses only: the rows past the sprite's height are never touched.
        d = reinterpret_cast<uint32_t*>(reinterpret_cast<uintptr_t>(d) + stride * 4);
        s = reinterpret_cast<const uint32_t*>(reinterpret_cast<uintptr_t>(s) +
                                              sprite.srcStride * 4);
    }
}

template <bool kBw, RowAdder kPlain, RowAdder kTinted>
__attribute__((target("avx2,avx512f,avx512vl,avx512bw"))) void AddEachAvx512(
    const SpriteAdder::Placed* sprites, size_t count, size_t stride) {
    for (size_t i = 0; i < count; ++i) {
        const SpriteAdder::Placed& sprite = sprites[i];
        const bool tinted = sprite.tint != SpriteAdder::kUntinted;
        if (kBw && sprite.width <= 4 && sprite.height <= 4) {
            // Sprites of 4 rows are rare among the small ones: the branch is predicted.
            if (sprite.height <= 3) {
                if (tinted) {
                    AddTiny<3, true>(sprite, stride);
                } else {
                    AddTiny<3, false>(sprite, stride);
                }
            } else if (tinted) {
                AddTiny<4, true>(sprite, stride);
            } else {
                AddTiny<4, false>(sprite, stride);
            }
            continue;
        }
        if (sprite.width <= 8 && sprite.height <= 8) {
            if (tinted) {
                AddNarrow<true>(sprite, stride);
            } else {
                AddNarrow<false>(sprite, stride);
            }
            continue;
        }
        const Rows rows{sprite.dest,      stride,       sprite.src,
                        sprite.srcStride, sprite.width, sprite.height};
        if (tinted) {
            kTinted(rows, sprite.tint);
        } else {
            kPlain(rows, 0);
        }
    }
}
#endif

// The batch adder for this machine.
SpriteAdder::BatchAdder BatchAdderHere() {
#if defined(VESK_PIXEL_SSE2)
    if (PixelSimd::HasAvx512Vl() && __builtin_cpu_supports("avx512bw") != 0) {
        return &AddEachAvx512<true, &AddRowsAvx512Bw<false>, &AddRowsAvx512Bw<true>>;
    }
    if (PixelSimd::HasAvx512Vl()) {
        return &AddEachAvx512<false, &AddRowsAvx512<false>, &AddRowsAvx512<true>>;
    }
    if (PixelSimd::HasAvx2()) {
        return &AddEach<&AddRowsAvx2<false>, &AddRowsAvx2<true>>;
    }
    return &AddEach<&AddRowsSse2<false>, &AddRowsSse2<true>>;
#else
    return &AddEach<&AddRowsScalar<false>, &AddRowsScalar<true>>;
#endif
}

}  // namespace

SpriteAdder::SpriteAdder(MemoryImage& dest)
    : mDest(dest), mBits(dest.GetBits()), mStride(static_cast<size_t>(dest.mWidth)) {
    static const BatchAdder adder = BatchAdderHere();
    mAddBatch = adder;
}

SpriteAdder::~SpriteAdder() {
    mDest.BitsChanged();
}

bool SpriteAdder::Takes(MemoryImage& sprite) const {
    sprite.mUsedAsSource = true;
    sprite.CommitBits();
    // Sprites with partial alpha, a colour table or the image itself take Blt's roads.
    return &sprite != &mDest && typeid(sprite) == typeid(MemoryImage) && !sprite.mHasAlpha &&
           !sprite.mPalette && sprite.mBits;
}

}  // namespace Vesk
