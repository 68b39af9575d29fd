#pragma once

// Per-pixel arithmetic shared by the transforming blitters: exact divisions
// by 255 and by small divisors through multiplications, the blend over a
// destination that may itself be transparent, and saturating adds. Colour
// words are 0xAARRGGBB; two channels are carried per multiplication in the
// lanes 0x00FF00FF (red, blue) and 0x0000FF00 (green).

#include <array>
#include <cstdint>

#include "graphics/Color.h"

namespace Vesk::PixelBlend {

inline constexpr uint32_t kRB = 0x00FF00FF;
inline constexpr uint32_t kG = 0x0000FF00;

// Exact x / 255 for x up to 255 * 255 (and a little beyond).
constexpr uint32_t Div255(uint32_t x) {
    return (x * 0x8081u) >> 23;
}

// ceil(2^32 / d) for d in 1..256: floor(n * table[d] >> 32) == n / d exactly
// for every n below 2^17.
inline constexpr std::array<uint64_t, 257> kReciprocal = [] {
    std::array<uint64_t, 257> table{};
    for (uint64_t d = 1; d <= 256; ++d) {
        table[d] = ((uint64_t{1} << 32) + d - 1) / d;
    }
    return table;
}();

constexpr uint32_t DivSmall(uint32_t n, uint32_t d) {
    return static_cast<uint32_t>((n * kReciprocal[d]) >> 32);
}

constexpr uint32_t ClampByte(int32_t v) {
    return static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// The colour as 0xAARRGGBB with every component cut to 0..255.
constexpr uint32_t PackClamped(const Color& color) {
    return (ClampByte(color.mAlpha) << 24) | (ClampByte(color.mRed) << 16) |
           (ClampByte(color.mGreen) << 8) | ClampByte(color.mBlue);
}

// Source over a destination of alpha da with effective alpha a (1..255):
// outA = da + ((255 - da) * a) / 255 and the source weight w = (a * 255) / outA.
struct Over {
    uint32_t outA;
    uint32_t w;
};

constexpr Over OverWeights(uint32_t da, uint32_t a) {
    if (da == 255) {
        return Over{255, a};
    }
    const uint32_t outA = da + Div255((255 - da) * a);
    return Over{outA, DivSmall(a * 255, outA)};
}

// The blits' form of the blend: each product shifted by 8, then added.
inline uint32_t BlendShift(uint32_t d, uint32_t s, uint32_t a) {
    const Over o = OverWeights(d >> 24, a);
    const uint32_t keep = 256 - o.w;
    const uint32_t rb = ((((d & kRB) * keep) >> 8) & kRB) + ((((s & kRB) * o.w) >> 8) & kRB);
    const uint32_t g = ((((d & kG) * keep) >> 8) & kG) + ((((s & kG) * o.w) >> 8) & kG);
    return (o.outA << 24) | rb | g;
}

// Over an opaque destination: out = (d * (256 - a)) >> 8 + (s * a) >> 8, the
// top byte of d kept.
inline uint32_t MixOpaque(uint32_t d, uint32_t s, uint32_t a) {
    const uint32_t keep = 256 - a;
    const uint32_t rb = ((((d & kRB) * keep) >> 8) & kRB) + ((((s & kRB) * a) >> 8) & kRB);
    const uint32_t g = ((((d & kG) * keep) >> 8) & kG) + ((((s & kG) * a) >> 8) & kG);
    return (d & 0xFF000000) | rb | g;
}

// Each colour channel times a (0..256) >> 8; the top byte becomes 0.
inline uint32_t ScaleChannels(uint32_t s, uint32_t a) {
    return ((((s & kRB) * a) >> 8) & kRB) | ((((s & kG) * a) >> 8) & kG);
}

// Saturating add of the colour channels of s to d; d's top byte is kept.
inline uint32_t AddSaturate(uint32_t d, uint32_t s) {
    uint32_t rb = (d & kRB) + (s & kRB);
    const uint32_t rbCarry = rb & 0x01000100;
    rb = (rb | (rbCarry - (rbCarry >> 8))) & kRB;
    uint32_t g = (d & kG) + (s & kG);
    const uint32_t gCarry = g & 0x00010000;
    g = (g | (gCarry - (gCarry >> 8))) & kG;
    return (d & 0xFF000000) | rb | g;
}

constexpr uint32_t Channel(uint32_t p, int shift) {
    return (p >> shift) & 0xFF;
}

// The memory image's tinted blend of one pixel: the source alpha scaled by
// the tint's, each channel by the tint's channel after the blend weight.
// tint is packed 0xAARRGGBB. Returns d unchanged when the alpha comes to 0.
inline uint32_t BlendTinted(uint32_t d, uint32_t s, uint32_t tint) {
    const uint32_t a = Div255((s >> 24) * (tint >> 24));
    if (a == 0) {
        return d;
    }
    const Over o = OverWeights(d >> 24, a);
    const uint32_t r = (((Channel(s, 16) * o.w) >> 8) * Channel(tint, 16)) >> 8;
    const uint32_t g = (Channel(s, 8) * o.w * Channel(tint, 8)) >> 16;
    const uint32_t b = (Channel(s, 0) * o.w * Channel(tint, 0)) >> 16;
    const uint32_t keep = 256 - o.w;
    const uint32_t kept = ((((d & kRB) * keep) >> 8) & kRB) | ((((d & kG) * keep) >> 8) & kG);
    return (o.outA << 24) | (kept + ((r << 16) | (g << 8) | b));
}

// Additive tint factors k_c = c_c * alpha / 255, packed 0x00RRGGBB.
constexpr uint32_t AdditiveTint(uint32_t tint) {
    const uint32_t a = tint >> 24;
    return (Div255(Channel(tint, 16) * a) << 16) | (Div255(Channel(tint, 8) * a) << 8) |
           Div255(Channel(tint, 0) * a);
}

// Each channel of s times the matching channel of k, >> 8.
inline uint32_t ModulateChannels(uint32_t s, uint32_t k) {
    return (((Channel(s, 16) * Channel(k, 16)) >> 8) << 16) |
           (((Channel(s, 8) * Channel(k, 8)) >> 8) << 8) | ((Channel(s, 0) * Channel(k, 0)) >> 8);
}

}  // namespace Vesk::PixelBlend
