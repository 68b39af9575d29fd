#pragma once

// Software rotated and stretched drawing into a locked 16- or 32-bit surface.
// The rotator maps every destination pixel back into the source in 16.16
// fixed point and filters a 2x2 footprint weighted by each pixel's alpha; the
// stretch picks the nearest premultiplied native word. Both choose their
// per-pixel blend once per call and walk ranges fixed beforehand, so no pixel
// needs a bounds test and nothing is read or written outside the given areas.

#include <cstdint>

#include "graphics/Color.h"
#include "graphics/DrawMode.h"
#include "graphics/Rect.h"
#include "graphics/SurfaceBlitters.h"

namespace Vesk {

// A rotated blit as the surface rotator draws it. Without rotation the
// source rectangle's top-left lands at (mX, mY); the centre is measured from
// that corner. Only the mWidth x mHeight source pixels at (mAreaX, mAreaY)
// within the source rectangle are ever sampled.
struct SurfaceRotation {
    float mX = 0.0f;
    float mY = 0.0f;
    double mAngle = 0.0;
    float mCenterX = 0.0f;
    float mCenterY = 0.0f;
    // Destination box: the turned rectangle's bounds cut to the clip, which
    // lies inside the surface. Drawn only when both sides are above 0.
    FRect mBox;
    int32_t mAreaX = 0;
    int32_t mAreaY = 0;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
};

// One destination row of the surface rotator: (u, v) is the 16.16 position
// of the row's column 0 relative to the sampled area, stepping (du, dv) per
// column. Narrows [first, last] so that every column's 2x2 footprint lies
// inside width x height; false when no column is left. Unlike the memory
// image's rule, a decreasing v ends where v would drop below 0.
bool NarrowSurfaceRotatedRow(int64_t u, int64_t v, int32_t du, int32_t dv, int32_t width,
                             int32_t height, int32_t& first, int32_t& last);

// Draws the rotated source into the surface. source.mPixels points at the
// sampled area's first pixel (or is the 256-entry colour table, with
// source.mIndices at the area's first index byte); rows are source.mStride
// pixels apart. Draw mode 0 blends normally; any other value adds.
void RotateIntoSurface(const SurfacePixels& dest, const StraightBlitSource& source,
                       const SurfaceRotation& rotation, const Color& color, DrawMode drawMode);

// A stretched blit as the nearest-pixel surface stretch draws it: the
// destination pixels mClipped (inside the surface) show the source area
// mSource (whole-image coordinates); every sample is kept inside mBounds.
// Mirrored, the destination rows are walked from their right end.
struct SurfaceStretch {
    Rect mClipped;
    FRect mSource;
    Rect mBounds;
    bool mMirror = false;
};

// Draws the stretch from the source's premultiplied native words (one per
// pixel, or per colour-table entry picked by source.mIndices; source.mNative
// and source.mIndices address the whole image). Draw mode 0 blends
// normally; any other value adds.
void StretchIntoSurface(const SurfacePixels& dest, const NativeBlitSource& source,
                        const SurfaceStretch& stretch, const Color& color, DrawMode drawMode);

}  // namespace Vesk
