#pragma once

// Software drawing into a locked 16- or 32-bit surface: the blits of
// premultiplied display-layout pixels (opaque copy, alpha runs, additive runs,
// mirrored or not, tinted or not), the volatile blend of straight pixels, and
// the channel helpers the fills and lines share. Every routine draws exactly
// the rectangle it is given; ClipBlitArea makes a blit safe beforehand.

#include <cstdint>

#include "graphics/Color.h"

namespace Vesk {

// A locked surface: rows are mPitch bytes apart, pixels 16 or 32 bits.
struct SurfacePixels {
    uint8_t* mBits = nullptr;
    int32_t mPitch = 0;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    int32_t mBitsPerPixel = 0;
    uint32_t mRedMask = 0;
    uint32_t mGreenMask = 0;
    uint32_t mBlueMask = 0;
};

// One colour channel of a surface format: its mask, the position of its
// lowest bit and its width in bits.
struct SurfaceChannel {
    uint32_t mMask = 0;
    int32_t mShift = 0;
    int32_t mBits = 0;
};

SurfaceChannel ChannelOfMask(uint32_t mask);

// 16 or 32 bits per pixel, a pointer, and three channels of 1 to 8 bits
// inside the pixel: the only surfaces the software drawing writes.
bool IsDrawableSurface(const SurfacePixels& surface);

// Blue below green below red, as in 5-6-5, 5-5-5 and X8R8G8B8.
bool IsStandardChannelOrder(const SurfacePixels& surface);

// Saturating sums of two channel values of `bits` bits (1..8): 2 * max + 1
// entries, entry i = min(i, max) with max = 2^bits - 1.
const uint8_t* SaturationTable(int32_t bits);

// Spread forms of the two common 16-bit layouts: green moves to the upper
// half, red and blue stay below, each with free bits above it, so one
// multiplication scales all three channels.
inline constexpr uint32_t kSpread565 = 0x07E0F81F;
inline constexpr uint32_t kSpread555 = 0x03E07C1F;
inline constexpr uint32_t kGreen565 = 0x07E0;
inline constexpr uint32_t kGreen555 = 0x03E0;

template <uint32_t K>
inline uint32_t Spread(uint32_t p) {
    return (p | (p << 16)) & K;
}

inline uint32_t Fold(uint32_t v) {
    return (v | (v >> 16)) & 0xFFFF;
}

// The 16-bit pixel d plus the low 16 bits of n, each channel saturating: on the spread form
// the three sums are made at once, and a channel that overflowed into the free bit above it is
// set to its maximum, as its saturation table would give.
template <uint32_t K>
inline uint32_t AddSpreadSaturated(uint32_t d, uint32_t n) {
    constexpr uint32_t kOverflow = K == kSpread565 ? 0x08010020u : 0x04008020u;
    constexpr uint32_t kOver5 = K == kSpread565 ? 0x00010020u : 0x04008020u;
    constexpr uint32_t kOver6 = K == kSpread565 ? 0x08000000u : 0u;
    const uint32_t sum = Spread<K>(d) + Spread<K>(n & 0xFFFF);
    const uint32_t over = sum & kOverflow;
    const uint32_t saturated = over - ((over & kOver5) >> 5) - ((over & kOver6) >> 6);
    return Fold((sum | saturated) & K);
}

// An ARGB colour in the surface's layout, each channel
// ((value >> (8 - width)) << shift) & mask; alpha is dropped.
uint32_t ConvertToSurface(uint32_t argb, const SurfaceChannel& red, const SurfaceChannel& green,
                          const SurfaceChannel& blue);
// A surface value back to 0xFF000000 | RGB, each channel widened by shifting
// (a 5-bit 31 reads 248).
uint32_t ConvertFromSurface(uint32_t value, const SurfaceChannel& red, const SurfaceChannel& green,
                            const SurfaceChannel& blue);

// Source of the native blits: premultiplied pixels in the destination's
// layout with the alpha in the top byte, one word per pixel, or 256 words
// picked by one index byte per pixel; and the source's run bytes.
struct NativeBlitSource {
    const uint32_t* mNative = nullptr;
    const uint8_t* mIndices = nullptr;  // set for a palettized source
    const uint8_t* mRuns = nullptr;     // not read by the opaque copy
    int32_t mStride = 0;                // pixels from one source row to the next
    // With alpha runs: per source row, the first pixel that is not clear and one past the last.
    // Rows are walked only between them, so that clear rows and margins are never read.
    const int32_t* mSpans = nullptr;
};

// Source of the volatile blend: straight ARGB pixels, or 256 entries picked
// by index bytes.
struct StraightBlitSource {
    const uint32_t* mPixels = nullptr;
    const uint8_t* mIndices = nullptr;
    int32_t mStride = 0;
};

// Source rectangle (mSrcX, mSrcY, mWidth, mHeight) drawn at (mDestX, mDestY).
// Mirrored, destination column mDestX + mWidth - 1 - i shows source column
// mSrcX + i.
struct BlitArea {
    int32_t mDestX = 0;
    int32_t mDestY = 0;
    int32_t mSrcX = 0;
    int32_t mSrcY = 0;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    bool mMirror = false;
};

// Cuts the area so that it reads only inside the source and writes only
// inside the destination; false when nothing is left.
bool ClipBlitArea(BlitArea& area, int32_t srcWidth, int32_t srcHeight, int32_t destWidth,
                  int32_t destHeight);

// Opaque road: each native word written as it is (its low 16 bits on 16-bit
// surfaces); with skipTransparent, words of alpha 0 are left out. Not mirrored.
void BlitNativeOpaque(const SurfacePixels& dest, const BlitArea& area,
                      const NativeBlitSource& source, bool skipTransparent);

// Alpha road: walks the alpha runs, copying opaque runs, skipping transparent
// ones and blending the rest; white is untinted, a grey tint and any other
// tint have their own forms.
void BlitNativeAlpha(const SurfacePixels& dest, const BlitArea& area,
                     const NativeBlitSource& source, const Color& color);

// Additive road: walks the additive runs, skipping black ones, and adds every
// other pixel (tinted unless white) with per-channel saturation.
void BlitNativeAdditive(const SurfacePixels& dest, const BlitArea& area,
                        const NativeBlitSource& source, const Color& color);

// What the additive road makes of a surface and of a colour on it, kept by a caller adding
// many blits onto one surface.
struct AdditiveLayout {
    bool mByteLanes = false;         // the surface takes the four-byte wide form
    uint8_t mByteOf[3] = {0, 0, 0};  // the byte of red, green and blue in a pixel
};
struct AdditiveTint {
    Color mColor;
    bool mByteLanes = false;
    uint16_t mFactors[4] = {0, 0, 0, 0};
};
AdditiveLayout AdditiveLayoutOf(const SurfacePixels& dest);
AdditiveTint AdditiveTintOf(const AdditiveLayout& layout, const Color& color);
void BlitNativeAdditive(const SurfacePixels& dest, const BlitArea& area,
                        const NativeBlitSource& source, const AdditiveTint& tint);

// Volatile road: every pixel blended with its own alpha, untinted, no runs.
void BlitStraightVolatile(const SurfacePixels& dest, const BlitArea& area,
                          const StraightBlitSource& source);

}  // namespace Vesk
