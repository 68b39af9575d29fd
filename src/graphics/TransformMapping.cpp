#include "graphics/TransformMapping.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Vesk {

Rect SafeIntersection(const Rect& a, const Rect& b) {
    const int64_t left = std::max<int64_t>(a.mX, b.mX);
    const int64_t top = std::max<int64_t>(a.mY, b.mY);
    const int64_t right = std::min<int64_t>(int64_t{a.mX} + a.mWidth, int64_t{b.mX} + b.mWidth);
    const int64_t bottom = std::min<int64_t>(int64_t{a.mY} + a.mHeight, int64_t{b.mY} + b.mHeight);
    if (a.mWidth <= 0 || a.mHeight <= 0 || b.mWidth <= 0 || b.mHeight <= 0 || right <= left ||
        bottom <= top || right - left > INT32_MAX || bottom - top > INT32_MAX) {
        return Rect();
    }
    return Rect(static_cast<int32_t>(left), static_cast<int32_t>(top),
                static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top));
}

FRect RotatedBlitBox(float x, float y, int32_t srcWidth, int32_t srcHeight, double angle,
                     float centerX, float centerY) {
    const float turn = static_cast<float>(angle);
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(turn) || !std::isfinite(centerX) ||
        !std::isfinite(centerY)) {
        return FRect();
    }
    const float c = std::cos(turn);
    const float s = std::sin(turn);
    const float corners[4][2] = {{0.0f, 0.0f},
                                 {static_cast<float>(srcWidth), 0.0f},
                                 {static_cast<float>(srcWidth), static_cast<float>(srcHeight)},
                                 {0.0f, static_cast<float>(srcHeight)}};
    float minX = 1.0e7f;
    float minY = 1.0e7f;
    float maxX = -1.0e7f;
    float maxY = -1.0e7f;
    for (const auto& corner : corners) {
        const float px = corner[0] - centerX;
        const float py = corner[1] - centerY;
        const float cx = x + centerX + c * px + s * py;
        const float cy = y + centerY + c * py - s * px;
        minX = std::min(minX, cx);
        maxX = std::max(maxX, cx);
        minY = std::min(minY, cy);
        maxY = std::max(maxY, cy);
    }
    const FRect box(minX, minY, static_cast<double>(maxX) - minX, static_cast<double>(maxY) - minY);
    if (!std::isfinite(box.mX) || !std::isfinite(box.mY) || !std::isfinite(box.mWidth) ||
        !std::isfinite(box.mHeight)) {
        return FRect();
    }
    return box;
}

namespace {

// Narrows [first, last] along one axis of a rotated row. Returns false when
// the row draws nothing on this axis.
bool NarrowAxis(int64_t start, int64_t step, int64_t size, int64_t& first, int64_t& last) {
    const int64_t sizeFixed = size << 16;
    if (step >= 1) {
        if ((start >> 16) >= size - 1) {
            return false;
        }
        const int64_t lo = (0x10000 - start) / step;
        if (lo > first) {
            first = lo;
        }
        const int64_t hi = (sizeFixed - start - 0x17FFF) / step;
        if (hi < last) {
            last = hi;
        }
    } else if (step <= -1) {
        if ((start >> 16) < 0) {
            return false;
        }
        const int64_t lo = (sizeFixed - start - 0x27FFF) / step;
        if (lo > first) {
            first = lo;
        }
        const int64_t hi = (0x7FFF - start) / step;
        if (hi < last) {
            last = hi;
        }
    } else if (start < 0 || start >= sizeFixed - 0x10000) {
        return false;
    }
    return true;
}

}  // namespace

bool NarrowRotatedRow(int64_t u, int64_t v, int32_t du, int32_t dv, int32_t width, int32_t height,
                      int32_t& first, int32_t& last) {
    if (width < 2 || height < 2 || width > kMaxFixedSourceSide || height > kMaxFixedSourceSide) {
        return false;
    }
    int64_t lo = first;
    int64_t hi = last;
    if (!NarrowAxis(u, du, width, lo, hi) || !NarrowAxis(v, dv, height, lo, hi) || lo > hi) {
        return false;
    }
    first = static_cast<int32_t>(lo);
    last = static_cast<int32_t>(hi);
    return true;
}

bool MapStretch(const Rect& destRect, const Rect& srcRect, const Rect& clipRect, bool mirror,
                StretchMapping& out) {
    // Test before dividing: an empty destination would give infinite steps.
    if (destRect.mWidth <= 0 || destRect.mHeight <= 0 || srcRect.mWidth <= 0 ||
        srcRect.mHeight <= 0) {
        return false;
    }
    const Rect clipped = SafeIntersection(destRect, clipRect);
    if (clipped.mWidth <= 0 || clipped.mHeight <= 0) {
        return false;
    }
    const double sx = static_cast<double>(srcRect.mWidth) / destRect.mWidth;
    const double sy = static_cast<double>(srcRect.mHeight) / destRect.mHeight;
    FRect source;
    if (mirror) {
        const double cutRight = (static_cast<double>(destRect.mX) + destRect.mWidth) -
                                (static_cast<double>(clipped.mX) + clipped.mWidth);
        source.mX = srcRect.mX + cutRight * sx;
    } else {
        source.mX = srcRect.mX + (static_cast<double>(clipped.mX) - destRect.mX) * sx;
    }
    source.mY = srcRect.mY + (static_cast<double>(clipped.mY) - destRect.mY) * sy;
    source.mWidth = srcRect.mWidth + (static_cast<double>(clipped.mWidth) - destRect.mWidth) * sx;
    source.mHeight =
        srcRect.mHeight + (static_cast<double>(clipped.mHeight) - destRect.mHeight) * sy;
    if (!(source.mWidth > 0.0) || !(source.mHeight > 0.0)) {
        return false;
    }
    out.mClipped = clipped;
    out.mSource = source;
    return true;
}

}  // namespace Vesk
