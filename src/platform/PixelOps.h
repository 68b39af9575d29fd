#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/DisplayTypes.h"

namespace platform {

// A block of 16- or 32-bit pixels in memory.
struct PixelView {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;  // bytes from one row to the next
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 0;  // 2 or 4
};

// Surfaces can only be 16 or 32 bits deep with contiguous, disjoint masks that fit.
bool IsSurfaceFormat(const PixelFormat& format);

// The pixel operations of the memory surfaces. Every rectangle handed in must already
// lie inside its view; the callers clip.

void FillPixels(const PixelView& view, const SurfaceRect& rect, uint32_t color);

// Same-size copy of sourceRect to (destX, destY). With a key, source pixels whose
// bits under keyMask equal the key are skipped. Source and destination may overlap.
void CopyPixels(const PixelView& dest, int32_t destX, int32_t destY, const PixelView& source,
                const SurfaceRect& sourceRect, std::optional<uint32_t> key, uint32_t keyMask);

// Nearest-pixel stretch of sourceRect onto destRect, drawing only the part of destRect
// inside visible. Steps are 16.16: column x shows source column
// sourceRect.left + (((x - destRect.left) * step) >> 16), step = source width * 65536 /
// destination width, and the same for rows. Source and destination may overlap.
void StretchPixels(const PixelView& dest, const SurfaceRect& visible, const SurfaceRect& destRect,
                   const PixelView& source, const SurfaceRect& sourceRect,
                   std::optional<uint32_t> key, uint32_t keyMask);

// Converts a rectangle to 0xFFRRGGBB, widening channels of fewer than 8 bits by bit
// replication (5-bit 31 becomes 255, 16 becomes 132). out receives rows of
// rect.Width() pixels, outStride pixels apart.
void ConvertToArgb(const PixelView& view, const PixelFormat& format, const SurfaceRect& rect,
                   uint32_t* out, size_t outStride);

// One channel value of `bits` bits widened to 8 by bit replication.
uint32_t WidenChannel(uint32_t value, int32_t bits);

}  // namespace platform
