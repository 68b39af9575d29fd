#pragma once

#include <cstdint>
#include <type_traits>

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
    // The far edges are summed in a wider type, so no size overflows; the result's size is
    // never more than either rectangle's.
    constexpr TRect Intersection(const TRect& other) const {
        using Wide = std::conditional_t<std::is_integral_v<T>, int64_t, T>;
        const Wide left = mX > other.mX ? mX : other.mX;
        const Wide ownRight = Wide{mX} + mWidth;
        const Wide otherRight = Wide{other.mX} + other.mWidth;
        const Wide right = ownRight < otherRight ? ownRight : otherRight;
        const Wide top = mY > other.mY ? mY : other.mY;
        const Wide ownBottom = Wide{mY} + mHeight;
        const Wide otherBottom = Wide{other.mY} + other.mHeight;
        const Wide bottom = ownBottom < otherBottom ? ownBottom : otherBottom;
        if (right - left < 0 || bottom - top < 0) {
            return TRect();
        }
        return TRect(static_cast<T>(left), static_cast<T>(top), static_cast<T>(right - left),
                     static_cast<T>(bottom - top));
    }

    constexpr bool Contains(T x, T y) const {
        using Wide = std::conditional_t<std::is_integral_v<T>, int64_t, T>;
        return x >= mX && y >= mY && Wide{x} < Wide{mX} + mWidth && Wide{y} < Wide{mY} + mHeight;
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
