#pragma once

// The span drawers of the triangle set-up: one routine per combination of
// texturing, texture alpha, colour modulation, filtering, draw mode and
// destination format, chosen once per call from a key.

#include <cstdint>

namespace Vesk {

// Destination pixel formats, named by their channel sizes.
inline constexpr uint32_t kFormat8888 = 0x8888;  // 32-bit with alpha
inline constexpr uint32_t kFormat888 = 0x888;    // 32-bit, top byte not alpha
inline constexpr uint32_t kFormat565 = 0x565;    // 16-bit
inline constexpr uint32_t kFormat555 = 0x555;    // 16-bit

// What stays the same for every span of one call.
struct SpanSetup {
    const uint32_t* mTexels = nullptr;  // ARGB, straight alpha
    int32_t mTexelStride = 0;           // in pixels
    // Whole texels that may be read: samples outside are clamped to the edge.
    int32_t mMinU = 0;
    int32_t mMaxU = 0;
    int32_t mMinV = 0;
    int32_t mMaxV = 0;
};

// The start of one span and its per-pixel steps. Texture positions are in
// texels, 16.16, at the pixel's centre; colours are 16.16 per channel in the
// order alpha, red, green, blue, and stay within 0..255 along the span.
struct SpanStart {
    int64_t mU = 0;
    int64_t mV = 0;
    int64_t mStepU = 0;
    int64_t mStepV = 0;
    int32_t mColor[4] = {};
    int32_t mColorStep[4] = {};
};

// Draws count pixels of one row from column x; row points at the row's first
// pixel.
using SpanDrawer = void (*)(const SpanSetup& setup, const SpanStart& start, void* row, int32_t x,
                            int32_t count);

// The table key: 16 textured, 8 blended (texture alpha or filtering asked
// for), 4 vertex colours, 2 tinted, 1 filtering (the blend flag), plus 32 for
// 0x888, 64 for 0x565, 96 for 0x555. Unknown formats give -1.
int32_t SpanDrawerKey(bool textured, bool blended, bool vertexColors, bool tinted, bool filtered,
                      uint32_t format);

// The drawer for a key (0..127) in the normal (0) or additive (1) mode; null
// for any other key or mode.
SpanDrawer FindSpanDrawer(int32_t key, int32_t drawMode);

}  // namespace Vesk
