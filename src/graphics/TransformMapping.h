#pragma once

// Geometry shared by the memory image's and the surface image's transforming
// blits: the destination box of a rotated blit, the per-row column range that
// keeps every bilinear footprint inside the source, and the clipped mapping of
// a stretched blit. Source positions are 16.16 fixed point (65536 = 1 pixel).

#include <cstdint>

#include "graphics/Rect.h"

namespace Vesk {

// Largest source side the 16.16 walk can address (size << 16 must fit 31 bits).
inline constexpr int32_t kMaxFixedSourceSide = 32767;

// The overlap of two rectangles, computed without overflow; all zero when
// they don't overlap or either is empty.
Rect SafeIntersection(const Rect& a, const Rect& b);

// Destination box covered by a srcWidth x srcHeight rectangle drawn at (x, y)
// and turned by angle about (centerX, centerY), the centre taken from the
// rectangle's top-left. The corners are computed in single precision; the box
// is empty (width or height not above 0) when any input is not finite.
FRect RotatedBlitBox(float x, float y, int32_t srcWidth, int32_t srcHeight, double angle,
                     float centerX, float centerY);

// One destination row of a rotated blit: (u, v) is the 16.16 source position
// of column 0 relative to the source rectangle, advancing by (du, dv) per
// column. Narrows [first, last] so that for every column i in it the 2x2
// footprint at (u + i du, v + i dv) lies inside width x height; false when no
// column is left. Every division truncates toward zero.
bool NarrowRotatedRow(int64_t u, int64_t v, int32_t du, int32_t dv, int32_t width, int32_t height,
                      int32_t& first, int32_t& last);

// A stretched blit cut to its clip: the destination pixels drawn and the
// source area (in doubles, whole-image coordinates) that they show.
struct StretchMapping {
    Rect mClipped;
    FRect mSource;
};

// False when nothing is to be drawn: an empty destination or source, a
// destination wholly clipped away, or a source area that came out empty.
// Mirrored, the part cut off at the destination's right edge is skipped at the
// source's left edge.
bool MapStretch(const Rect& destRect, const Rect& srcRect, const Rect& clipRect, bool mirror,
                StretchMapping& out);

}  // namespace Vesk
