#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace platform {

// Results keep the numbers and names of the DirectDraw results they stand for, so that
// error texts and the code written against them read the same. Negative means failure.
using DisplayResult = int32_t;

constexpr bool Failed(DisplayResult result) {
    return result < 0;
}
constexpr bool Succeeded(DisplayResult result) {
    return result >= 0;
}

namespace detail {
// Severity bit, facility 0x876 (DirectDraw) and the code number.
constexpr DisplayResult DirectDrawError(uint32_t code) {
    return static_cast<DisplayResult>(0x80000000u | (0x876u << 16) | code);
}
}  // namespace detail

inline constexpr DisplayResult DD_OK = 0;
// Generic COM results that DirectDraw reuses under its own names.
inline constexpr DisplayResult DDERR_UNSUPPORTED = static_cast<DisplayResult>(0x80004001u);
inline constexpr DisplayResult DDERR_GENERIC = static_cast<DisplayResult>(0x80004005u);
inline constexpr DisplayResult DDERR_NOTINITIALIZED = static_cast<DisplayResult>(0x800401F0u);
inline constexpr DisplayResult DDERR_OUTOFMEMORY = static_cast<DisplayResult>(0x8007000Eu);
inline constexpr DisplayResult DDERR_INVALIDPARAMS = static_cast<DisplayResult>(0x80070057u);

inline constexpr DisplayResult DDERR_INVALIDCAPS = detail::DirectDrawError(100);
inline constexpr DisplayResult DDERR_INVALIDMODE = detail::DirectDrawError(120);
inline constexpr DisplayResult DDERR_INVALIDOBJECT = detail::DirectDrawError(130);
inline constexpr DisplayResult DDERR_INVALIDPIXELFORMAT = detail::DirectDrawError(145);
inline constexpr DisplayResult DDERR_INVALIDRECT = detail::DirectDrawError(150);
inline constexpr DisplayResult DDERR_NOCOOPERATIVELEVELSET = detail::DirectDrawError(212);
inline constexpr DisplayResult DDERR_NOCOLORKEY = detail::DirectDrawError(215);
inline constexpr DisplayResult DDERR_NOEXCLUSIVEMODE = detail::DirectDrawError(225);
inline constexpr DisplayResult DDERR_NOTFOUND = detail::DirectDrawError(255);
inline constexpr DisplayResult DDERR_OUTOFVIDEOMEMORY = detail::DirectDrawError(380);
inline constexpr DisplayResult DDERR_SURFACEBUSY = detail::DirectDrawError(430);
inline constexpr DisplayResult DDERR_CANTLOCKSURFACE = detail::DirectDrawError(435);
inline constexpr DisplayResult DDERR_SURFACELOST = detail::DirectDrawError(450);
inline constexpr DisplayResult DDERR_TOOBIGHEIGHT = detail::DirectDrawError(470);
inline constexpr DisplayResult DDERR_TOOBIGWIDTH = detail::DirectDrawError(490);
inline constexpr DisplayResult DDERR_VERTICALBLANKINPROGRESS = detail::DirectDrawError(537);
inline constexpr DisplayResult DDERR_WASSTILLDRAWING = detail::DirectDrawError(540);
inline constexpr DisplayResult DDERR_NODIRECTDRAWHW = detail::DirectDrawError(563);
inline constexpr DisplayResult DDERR_PRIMARYSURFACEALREADYEXISTS = detail::DirectDrawError(564);
inline constexpr DisplayResult DDERR_NOHWND = detail::DirectDrawError(569);
inline constexpr DisplayResult DDERR_NOTFLIPPABLE = detail::DirectDrawError(582);
inline constexpr DisplayResult DDERR_NOTLOCKED = detail::DirectDrawError(584);
inline constexpr DisplayResult DDERR_WRONGMODE = detail::DirectDrawError(587);
inline constexpr DisplayResult DDERR_UNSUPPORTEDMODE = detail::DirectDrawError(590);

// Layout of one pixel: 16 or 32 bits with three channel masks; bits outside the masks
// are unused (the X of X8R8G8B8).
struct PixelFormat {
    int32_t bitsPerPixel = 0;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;

    friend bool operator==(const PixelFormat&, const PixelFormat&) = default;

    static constexpr PixelFormat Rgb565() { return {16, 0xF800, 0x07E0, 0x001F}; }
    static constexpr PixelFormat Rgb555() { return {16, 0x7C00, 0x03E0, 0x001F}; }
    static constexpr PixelFormat Xrgb8888() { return {32, 0x00FF0000, 0x0000FF00, 0x000000FF}; }
    // Packed 24-bit desktops exist, but no surface is ever made in this format.
    static constexpr PixelFormat Rgb888() { return {24, 0x00FF0000, 0x0000FF00, 0x000000FF}; }

    int32_t BytesPerPixel() const { return bitsPerPixel / 8; }
    uint32_t ColorMask() const { return redMask | greenMask | blueMask; }
};

// Rectangle in pixels; right and bottom are excluded.
struct SurfaceRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    friend bool operator==(const SurfaceRect&, const SurfaceRect&) = default;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
};

struct DisplayMode {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    uint32_t refreshRate = 0;  // Hz; 0 when unknown

    friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};

// Video memory for surfaces made in video memory, in bytes.
struct VideoMemory {
    uint64_t total = 0;
    uint64_t free = 0;
};

struct DeviceIdentifier {
    std::string driver;              // driver file or module name; empty when there is none
    std::string description;         // the card as a player would name it
    std::array<uint8_t, 16> guid{};  // stable for the same device and driver
};

// What a successful Lock hands out. The memory stays at one address for the whole life
// of an off-screen surface; the pitch is in bytes and always positive.
struct LockedSurface {
    void* bits = nullptr;
    int32_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;
    PixelFormat format;
};

}  // namespace platform
