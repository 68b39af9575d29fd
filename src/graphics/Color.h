#pragma once

#include <cstdint>

namespace Vesk {

// A colour as four separate components, 0 to 255 each. Packed form is
// 0xAARRGGBB. Opaque white means "untinted" to every blit.
class Color {
public:
    int32_t mRed = 0;
    int32_t mGreen = 0;
    int32_t mBlue = 0;
    int32_t mAlpha = 255;

    constexpr Color() = default;
    constexpr Color(int32_t red, int32_t green, int32_t blue)
        : mRed(red), mGreen(green), mBlue(blue) {}
    constexpr Color(int32_t red, int32_t green, int32_t blue, int32_t alpha)
        : mRed(red), mGreen(green), mBlue(blue), mAlpha(alpha) {}

    // An alpha byte of 0 reads as opaque, so a packed value can't describe a
    // fully transparent colour; use ColorRGBA for that.
    static constexpr Color ColorFromInt(uint32_t packed) {
        const int32_t alpha = static_cast<int32_t>(packed >> 24);
        return Color(static_cast<int32_t>((packed >> 16) & 0xFF),
                     static_cast<int32_t>((packed >> 8) & 0xFF),
                     static_cast<int32_t>(packed & 0xFF), alpha == 0 ? 255 : alpha);
    }
    static constexpr Color ColorRGB(int32_t red, int32_t green, int32_t blue) {
        return Color(red, green, blue);
    }
    static constexpr Color ColorRGBA(int32_t red, int32_t green, int32_t blue, int32_t alpha) {
        return Color(red, green, blue, alpha);
    }
    static constexpr Color ColorOpaque(const Color& other) {
        return Color(other.mRed, other.mGreen, other.mBlue);
    }

    constexpr int32_t GetRed() const { return mRed; }
    constexpr int32_t GetGreen() const { return mGreen; }
    constexpr int32_t GetBlue() const { return mBlue; }
    constexpr int32_t GetAlpha() const { return mAlpha; }

    // Components are not masked: one outside 0..255 spills into its
    // neighbours' bits, as callers packing raw values rely on.
    constexpr uint32_t ToInt() const {
        return (static_cast<uint32_t>(mAlpha) << 24) | (static_cast<uint32_t>(mRed) << 16) |
               (static_cast<uint32_t>(mGreen) << 8) | static_cast<uint32_t>(mBlue);
    }

    constexpr bool IsWhite() const {
        return mRed == 255 && mGreen == 255 && mBlue == 255 && mAlpha == 255;
    }

    constexpr bool operator!=(const Color& other) const {
        return mRed != other.mRed || mGreen != other.mGreen || mBlue != other.mBlue ||
               mAlpha != other.mAlpha;
    }
    constexpr bool operator==(const Color& other) const { return !(*this != other); }

    static const Color White;
    static const Color Black;
};

// Constant-initialised, so usable from any other global's initializer.
inline constexpr Color Color::White{255, 255, 255, 255};
inline constexpr Color Color::Black{0, 0, 0, 255};

}  // namespace Vesk
