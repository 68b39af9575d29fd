#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "graphics/Color.h"
#include "graphics/PixelBlend.h"
#include "graphics/PixelSimd.h"

namespace Vesk {

class MemoryImage;

// Small opaque sprites added into a memory image by the thousand a frame, as particles are
// drawn: each sprite pixel is summed into the image's with saturation, tinted per sprite, the
// image's alpha kept; pixels of alpha 0 add nothing. The pixels are those Blt gives in additive
// mode. Everything a blit checks is the caller's: it places each sprite wholly inside the image
// and gives only sprites Takes accepts, so an add is the rows and nothing else.
class SpriteAdder {
public:
    // A tint of 0xFFFFFFFF leaves the sprite's channels as they are.
    static constexpr uint32_t kUntinted = 0xFFFFFFFFu;

    // Takes the image's bits; the image learns of the change when the adder goes.
    explicit SpriteAdder(MemoryImage& dest);
    ~SpriteAdder();
    SpriteAdder(const SpriteAdder&) = delete;
    SpriteAdder& operator=(const SpriteAdder&) = delete;

    // Whether Add may take the image: a plain memory image of opaque pixels in its own words,
    // other than the destination. Marks it used as a source, as a blit would.
    bool Takes(MemoryImage& sprite) const;

    // One sprite placed: its rows added into the image's from dest on.
    struct Placed {
        const uint32_t* src;
        uint32_t* dest;
        size_t srcStride;
        int32_t width;
        int32_t height;
        // 0x00RRGGBB scales each channel by (c * k) >> 8; kUntinted leaves it.
        uint32_t tint;
    };

    // The image's pixels: pixel (x, y) is y * Stride() + x words from Bits().
    uint32_t* Bits() const { return mBits; }
    size_t Stride() const { return mStride; }

    // Where the image's pixel (x, y) is, for Placed::dest.
    uint32_t* At(int32_t x, int32_t y) const {
        return mBits + static_cast<size_t>(y) * mStride + static_cast<size_t>(x);
    }

    // Each sprite in order.
    void Add(std::span<const Placed> sprites) const {
        mAddBatch(sprites.data(), sprites.size(), mStride);
    }

    // The tint a colour gives an additive blit: its channels times its alpha, or kUntinted for
    // opaque white.
    static uint32_t TintOf(const Color& color) {
        return color.IsWhite() ? kUntinted
                               : PixelBlend::AdditiveTint(PixelBlend::PackClamped(color));
    }

    // The same for red, green, blue and alpha in 0..1, each taken as the byte
    // trunc(255 * v) clamped to 0..255 (NaN as 0): four at once, for a particle a sprite.
    static uint32_t TintOf(const float* rgba) {
#if defined(VESK_PIXEL_SSE2)
        __m128 c = _mm_mul_ps(_mm_loadu_ps(rgba), _mm_set1_ps(255.0f));
        // Operand order matters for NaN: max and min answer their second operand then.
        c = _mm_min_ps(_mm_max_ps(c, _mm_setzero_ps()), _mm_set1_ps(255.0f));
        const __m128i bytes32 = _mm_cvttps_epi32(c);
        const __m128i words = _mm_packs_epi32(bytes32, bytes32);  // r g b a, twice
        if (_mm_cvtsi128_si32(_mm_packus_epi16(words, words)) == -1) {
            return kUntinted;
        }
        // b g r a times a a a a, each a 16-bit exact product divided by 255 as
        // (x + 1 + (x >> 8)) >> 8, which stays within 16 bits for x up to 255 * 255.
        const __m128i bgra = _mm_shufflelo_epi16(words, _MM_SHUFFLE(3, 0, 1, 2));
        const __m128i alpha = _mm_shufflelo_epi16(words, _MM_SHUFFLE(3, 3, 3, 3));
        __m128i x = _mm_mullo_epi16(bgra, alpha);
        x = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, _mm_set1_epi16(1)), _mm_srli_epi16(x, 8)),
                           8);
        return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(x, x))) & 0x00FFFFFFu;
#else
        const auto byte = [](float v) {
            float c = 255.0f * v;
            c = c > 0.0f ? c : 0.0f;
            c = c < 255.0f ? c : 255.0f;
            return static_cast<int32_t>(c);
        };
        return TintOf(Color(byte(rgba[0]), byte(rgba[1]), byte(rgba[2]), byte(rgba[3])));
#endif
    }

    using BatchAdder = void (*)(const Placed* sprites, size_t count, size_t destStride);

private:
    MemoryImage& mDest;
    uint32_t* mBits;
    size_t mStride;
    BatchAdder mAddBatch;
};

}  // namespace Vesk
