#pragma once

#include <cstdint>

namespace Vesk {

// Rectangle covering columns x .. x + width - 1 and rows y .. y + height - 1.
// A width or height of 0 or less covers no pixel.
template <typename T>
class TRect {
public:
    T mX = 0;
    T mY = 0;
    T mWidth = 0;
    T mHeight = 0;

    constexpr TRect() = default;
    constexpr TRect(T x, T y, T width, T height) : mX(x), mY(y), mWidth(width), mHeight(height) {}

    // Touching rectangles give an empty result at the touching position (a
    // width or height of exactly 0 is kept); a negative overlap gives all zeros.
    constexpr TRect Intersection(const TRect& other) const {
        const T left = mX > other.mX ? mX : other.mX;
        const T right =
            (mX + mWidth) < (other.mX + other.mWidth) ? (mX + mWidth) : (other.mX + other.mWidth);
        const T top = mY > other.mY ? mY : other.mY;
        const T bottom = (mY + mHeight) < (other.mY + other.mHeight) ? (mY + mHeight)
                                                                     : (other.mY + other.mHeight);
        const T width = right - left;
        if (width < 0) {
            return TRect();
        }
        const T height = bottom - top;
        if (height < 0) {
            return TRect();
        }
        return TRect(left, top, width, height);
    }

    constexpr bool Contains(T x, T y) const {
        return x >= mX && y >= mY && x < mX + mWidth && y < mY + mHeight;
    }

    constexpr bool operator==(const TRect& other) const {
        return mX == other.mX && mY == other.mY && mWidth == other.mWidth &&
               mHeight == other.mHeight;
    }
    constexpr bool operator!=(const TRect& other) const { return !(*this == other); }
};

using Rect = TRect<int32_t>;
using FRect = TRect<double>;

// A whole-number point, as polygon fills take them.
struct Point {
    int32_t mX = 0;
    int32_t mY = 0;
};

}  // namespace Vesk
