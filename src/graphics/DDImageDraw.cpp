// Fills and lines of a surface image: the choice between the memory image's
// routines on the bits and the software routines that write into the locked
// surface, and those routines. Every pixel written is inside the surface,
// whatever the coordinates.

#include <algorithm>
#include <cmath>
#include <utility>

#include "graphics/D3DInterface.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/PixelBlend.h"
#include "graphics/PixelSimd.h"

namespace Vesk {

namespace {

using PixelBlend::ClampByte;

constexpr uint32_t kSpread565 = 0x07E0F81F;
constexpr uint32_t kSpread555 = 0x03E07C1F;

// Coordinates beyond this can't be truncated safely and lie far off any
// surface.
bool UsableCoordinate(double v) {
    return std::isfinite(v) && std::fabs(v) < 1.0e9;
}

int64_t Trunc(double v) {
    return static_cast<int64_t>(v);
}

// The colour's channels in the order red, green, blue.
struct Channels {
    uint32_t v[3];
    uint32_t alpha;
};

Channels ChannelsOf(const Color& color) {
    return Channels{{ClampByte(color.mRed), ClampByte(color.mGreen), ClampByte(color.mBlue)},
                    ClampByte(color.mAlpha)};
}

struct SurfaceMasks {
    uint32_t m[3];
};

SurfaceMasks MasksOf(const SurfacePixels& pixels) {
    return SurfaceMasks{{pixels.mRedMask, pixels.mGreenMask, pixels.mBlueMask}};
}

// The rectangle cut to the surface, in 64 bits so no sum can overflow.
struct Span2D {
    int64_t left;
    int64_t top;
    int64_t right;
    int64_t bottom;
    bool Empty() const { return right <= left || bottom <= top; }
};

Span2D Inside(const Rect& rect, const SurfacePixels& pixels) {
    return Span2D{std::max<int64_t>(rect.mX, 0), std::max<int64_t>(rect.mY, 0),
                  std::min<int64_t>(int64_t{rect.mX} + rect.mWidth, pixels.mWidth),
                  std::min<int64_t>(int64_t{rect.mY} + rect.mHeight, pixels.mHeight)};
}

template <typename P>
P* PixelAt(const SurfacePixels& pixels, int64_t x, int64_t y) {
    return reinterpret_cast<P*>(pixels.mBits + static_cast<ptrdiff_t>(pixels.mPitch) * y) + x;
}

// Applies op to every pixel of the area.
template <typename P, typename Op>
void ForEachPixel(const SurfacePixels& pixels, const Span2D& area, Op op) {
    for (int64_t y = area.top; y < area.bottom; ++y) {
        P* row = PixelAt<P>(pixels, area.left, y);
        for (int64_t x = 0; x < area.right - area.left; ++x) {
            row[x] = static_cast<P>(op(static_cast<uint32_t>(row[x])));
        }
    }
}

// The opaque fill: one value in every pixel of the area, four words a store on 32 bits.
void FillAreaAnyDepth(const SurfacePixels& pixels, const Span2D& area, uint32_t value) {
    const int64_t width = area.right - area.left;
    for (int64_t y = area.top; y < area.bottom; ++y) {
        if (pixels.mBitsPerPixel == 16) {
            std::fill_n(PixelAt<uint16_t>(pixels, area.left, y), width,
                        static_cast<uint16_t>(value));
            continue;
        }
        uint32_t* row = PixelAt<uint32_t>(pixels, area.left, y);
        int64_t x = 0;
#if defined(VESK_PIXEL_SSE2)
        const __m128i v = PixelSimd::Splat32(value);
        for (; x + 4 <= width; x += 4) {
            PixelSimd::Store4(row + x, v);
        }
#endif
        std::fill(row + x, row + width, value);
    }
}

// Each colour channel fills one of the low three bytes of a 32-bit pixel, in any order.
bool HasByteChannels(const SurfacePixels& pixels) {
    auto isByte = [](uint32_t m) { return m == 0xFF || m == 0xFF00 || m == 0xFF0000; };
    return pixels.mBitsPerPixel == 32 && isByte(pixels.mRedMask) && isByte(pixels.mGreenMask) &&
           isByte(pixels.mBlueMask) &&
           (pixels.mRedMask | pixels.mGreenMask | pixels.mBlueMask) == 0xFFFFFF;
}

#if defined(VESK_PIXEL_SSE2)
// The translucent fill on byte channels, four pixels at a time: every colour byte becomes
// (d * w) >> 8, the unused byte 0, and the premultiplied colour is added as a word, as the
// channel-by-channel form does.
void BlendFillRow32(uint32_t* row, int64_t width, uint32_t w, uint32_t premultiplied) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i keep = PixelSimd::Splat16(w);
    const __m128i colour = PixelSimd::Splat32(0x00FFFFFF);
    const __m128i add = PixelSimd::Splat32(premultiplied);
    int64_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i d = PixelSimd::Load4(row + x);
        const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), keep), 8);
        const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), keep), 8);
        PixelSimd::Store4(row + x,
                          _mm_add_epi32(_mm_and_si128(_mm_packus_epi16(lo, hi), colour), add));
    }
    for (; x < width; ++x) {
        const uint32_t d = row[x];
        row[x] = ((((d & PixelBlend::kRB) * w) >> 8) & PixelBlend::kRB) +
                 ((((d & PixelBlend::kG) * w) >> 8) & PixelBlend::kG) + premultiplied;
    }
}
#endif

template <typename Op>
void ForEachPixelAnyDepth(const SurfacePixels& pixels, const Span2D& area, Op op) {
    if (pixels.mBitsPerPixel == 16) {
        ForEachPixel<uint16_t>(pixels, area, op);
    } else {
        ForEachPixel<uint32_t>(pixels, area, op);
    }
}

// Writes one pixel through op when it lies inside the surface.
template <typename Op>
void PlotPixel(const SurfacePixels& pixels, int64_t x, int64_t y, Op op) {
    if (x < 0 || y < 0 || x >= pixels.mWidth || y >= pixels.mHeight) {
        return;
    }
    if (pixels.mBitsPerPixel == 16) {
        uint16_t* p = PixelAt<uint16_t>(pixels, x, y);
        *p = static_cast<uint16_t>(op(static_cast<uint32_t>(*p)));
    } else {
        uint32_t* p = PixelAt<uint32_t>(pixels, x, y);
        *p = op(*p);
    }
}

// Saturating add of a colour already scaled to each channel's width.
struct AdditiveColor {
    SurfaceChannel ch[3];
    const uint8_t* table[3];
    uint32_t t[3];

    uint32_t operator()(uint32_t d) const {
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            out |= static_cast<uint32_t>(table[c][((d & ch[c].mMask) >> ch[c].mShift) + t[c]])
                   << ch[c].mShift;
        }
        return out;
    }
};

// t = ((value * alpha) / 255) >> (8 - width) per channel; false when a
// channel has no table.
bool MakeAdditiveColor(const SurfacePixels& pixels, const Channels& colour, AdditiveColor& out) {
    const uint32_t masks[3] = {pixels.mRedMask, pixels.mGreenMask, pixels.mBlueMask};
    for (int c = 0; c < 3; ++c) {
        out.ch[c] = ChannelOfMask(masks[c]);
        out.table[c] = SaturationTable(out.ch[c].mBits);
        if (out.table[c] == nullptr) {
            return false;
        }
        out.t[c] = ((colour.v[c] * colour.alpha) / 255) >> (8 - out.ch[c].mBits);
    }
    return true;
}

// The pixels of a line over real end points, Bresenham style: the start
// pixel, then one pixel per step of the major axis with the decision value
// corrected for the start's sub-pixel position. A diagonal step that would
// leave the box of the truncated end points ends the line.
template <typename Plot>
void WalkLine(double x1, double y1, double x2, double y2, Plot plot) {
    const int64_t boxLeft = std::min(Trunc(x1), Trunc(x2));
    const int64_t boxRight = std::max(Trunc(x1), Trunc(x2));
    const int64_t boxTop = std::min(Trunc(y1), Trunc(y2));
    const int64_t boxBottom = std::max(Trunc(y1), Trunc(y2));
    const bool xMajor = std::fabs(x2 - x1) > std::fabs(y2 - y1);
    if (xMajor ? x2 < x1 : y2 < y1) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const double majorDiff = xMajor ? x2 - x1 : y2 - y1;
    const double minorDiff = xMajor ? y2 - y1 : x2 - x1;
    const int64_t minorStep = minorDiff >= 0.0 ? 1 : -1;
    const double dmaj = std::fabs(majorDiff);
    const double dmin = std::fabs(minorDiff);
    const int64_t straight = Trunc(2.0 * dmin);
    const int64_t diagonal = Trunc(2.0 * (dmin - dmaj));
    const double startMinor = xMajor ? y1 : x1;
    const double fraction = startMinor - static_cast<double>(Trunc(startMinor));
    int64_t decision = Trunc(static_cast<double>(Trunc(2.0 * dmin - dmaj)) +
                             fraction * static_cast<double>(straight));
    int64_t minor = Trunc(startMinor);
    plot(Trunc(x1), Trunc(y1));
    int64_t counter = xMajor ? Trunc(x1) + 1 : Trunc(y1 + 1.0);
    const double endMajor = xMajor ? x2 : y2;
    const int64_t minorLow = xMajor ? boxTop : boxLeft;
    const int64_t minorHigh = xMajor ? boxBottom : boxRight;
    for (; static_cast<double>(counter) <= endMajor; ++counter) {
        if (decision > 0) {
            minor += minorStep;
            decision += diagonal;
            if (minor < minorLow || minor > minorHigh) {
                return;
            }
        } else {
            decision += straight;
        }
        if (xMajor) {
            plot(counter, minor);
        } else {
            plot(minor, counter);
        }
    }
}

// One anti-aliased pixel: colour c at weight w (0..255) over d.
struct AABlend {
    int kind;  // 0: 32 bits, 1: 5-6-5, 2: 5-5-5, 3: other 16-bit layout
    uint32_t c;
    SurfaceMasks masks;

    template <uint32_t K>
    static uint32_t Spread(uint32_t p) {
        return (p | (p << 16)) & K;
    }
    static uint32_t Fold(uint32_t v) { return (v | (v >> 16)) & 0xFFFF; }

    template <uint32_t K>
    uint32_t SpreadBlend(uint32_t d, uint32_t w) const {
        return (Fold((((w >> 3) * Spread<K>(c)) >> 5) & K) +
                Fold(((Spread<K>(d) * ((256 - w) >> 3)) >> 5) & K)) &
               0xFFFF;
    }

    uint32_t operator()(uint32_t d, uint32_t w) const {
        switch (kind) {
            case 0: {
                const uint32_t a = ((d & 0xFF00FF) * (256 - w)) + ((c & 0xFF00FF) * w);
                const uint32_t b = ((d & 0xFF00) * (256 - w)) + ((c & 0xFF00) * w);
                return ((a & 0xFF00FF00) | (b & 0xFF0000)) >> 8;
            }
            case 1:
                return SpreadBlend<kSpread565>(d, w);
            case 2:
                return SpreadBlend<kSpread555>(d, w);
            default: {
                uint32_t out = 0;
                for (uint32_t m : masks.m) {
                    out |= ((((d & m) * (256 - w)) + ((c & m) * w)) >> 8) & m;
                }
                return out;
            }
        }
    }
};

}  // namespace

// ---- Entry points ----------------------------------------------------------

bool DDImage::PolyFill(const Point* vertices, int32_t numVertices, const Rect* clipRect,
                       const Color& color, DrawMode drawMode, int32_t tx, int32_t ty, bool) {
    // Only the 3-D device fills polygons; the drawing context fills them
    // itself otherwise.
    D3DInterface* d3d = Get3DDevice();
    if (d3d == nullptr) {
        return false;
    }
    d3d->FillPoly(vertices, numVertices, clipRect, color, drawMode, tx, ty);
    return true;
}

void DDImage::FillRect(const Rect& rect, const Color& color, DrawMode drawMode) {
    if (Check3D()) {
        if (D3DInterface* d3d = Get3DDevice(); d3d != nullptr) {
            d3d->FillRect(rect, color, drawMode);
        }
        return;
    }
    CommitBits();
    if (mHasAlpha || mHasTrans || DisplayIs3D() || WithoutDisplay()) {
        if (GetBits() != nullptr) {
            MemoryImage::FillRect(rect, color, drawMode);
        }
        return;
    }
    if (drawMode == kDrawModeNormal) {
        NormalFillRect(rect, color);
    } else if (drawMode == kDrawModeAdditive) {
        AdditiveFillRect(rect, color);
    }
    FreeNonSurfaceBuffers();
}

void DDImage::ClearRect(const Rect& rect) {
    // A surface that can't be read back leaves nothing to clear in.
    if (GetBits() != nullptr) {
        MemoryImage::ClearRect(rect);
    }
}

void DDImage::DrawLine(double startX, double startY, double endX, double endY, const Color& color,
                       DrawMode drawMode) {
    if (Check3D()) {
        // The device draws one kind of line for both.
        if (D3DInterface* d3d = Get3DDevice(); d3d != nullptr) {
            d3d->DrawLine(startX, startY, endX, endY, color, drawMode);
        }
        return;
    }
    CommitBits();
    if (mHasAlpha || mHasTrans || DisplayIs3D() || WithoutDisplay()) {
        if (GetBits() != nullptr) {
            MemoryImage::DrawLine(startX, startY, endX, endY, color, drawMode);
        }
        return;
    }
    if (!UsableCoordinate(startX) || !UsableCoordinate(startY) || !UsableCoordinate(endX) ||
        !UsableCoordinate(endY)) {
        return;
    }
    if (startY == endY) {
        const int64_t left = Trunc(std::min(startX, endX));
        const int64_t right = Trunc(std::max(startX, endX));
        FillRect(Rect(static_cast<int32_t>(left), static_cast<int32_t>(Trunc(startY)),
                      static_cast<int32_t>(right - left + 1), 1),
                 color, drawMode);
        return;
    }
    if (startX == endX) {
        const int64_t top = Trunc(std::min(startY, endY));
        const int64_t bottom = Trunc(std::max(startY, endY));
        FillRect(Rect(static_cast<int32_t>(Trunc(startX)), static_cast<int32_t>(top), 1,
                      static_cast<int32_t>(bottom - top + 1)),
                 color, drawMode);
        return;
    }
    if (drawMode == kDrawModeNormal) {
        NormalDrawLine(startX, startY, endX, endY, color);
    } else if (drawMode == kDrawModeAdditive) {
        AdditiveDrawLine(startX, startY, endX, endY, color);
    }
    FreeNonSurfaceBuffers();
}

void DDImage::DrawLineAA(double startX, double startY, double endX, double endY, const Color& color,
                         DrawMode drawMode) {
    if (Check3D()) {
        // The device draws one kind of line for both.
        if (D3DInterface* d3d = Get3DDevice(); d3d != nullptr) {
            d3d->DrawLine(startX, startY, endX, endY, color, drawMode);
        }
        return;
    }
    CommitBits();
    if (mHasAlpha || mHasTrans || DisplayIs3D() || WithoutDisplay()) {
        // The bits get the plain line.
        if (GetBits() != nullptr) {
            MemoryImage::DrawLine(startX, startY, endX, endY, color, drawMode);
        }
        return;
    }
    if (!UsableCoordinate(startX) || !UsableCoordinate(startY) || !UsableCoordinate(endX) ||
        !UsableCoordinate(endY)) {
        return;
    }
    if (startY == endY || startX == endX) {
        // Straight lines need no smoothing: the same fills as DrawLine.
        DrawLine(startX, startY, endX, endY, color, drawMode);
        return;
    }
    if (drawMode == kDrawModeNormal) {
        NormalDrawLineAA(startX, startY, endX, endY, color);
    } else if (drawMode == kDrawModeAdditive) {
        AdditiveDrawLineAA(startX, startY, endX, endY, color);
    }
    FreeNonSurfaceBuffers();
}

// ---- Fills -----------------------------------------------------------------

void DDImage::NormalFillRect(const Rect& rect, const Color& color) {
    if (mVideoOnly) {
        return;
    }
    SurfacePixels pixels;
    if (!LockForDrawing(pixels)) {
        return;
    }
    const Span2D area = Inside(rect, pixels);
    const Channels colour = ChannelsOf(color);
    const SurfaceMasks masks = MasksOf(pixels);
    const bool is16 = pixels.mBitsPerPixel == 16;
    if (!area.Empty() && colour.alpha == 255) {
        uint32_t value = 0;
        for (int c = 0; c < 3; ++c) {
            const uint32_t m = masks.m[c];
            // 16 bits round 255 up to the channel's top; 32 bits write 254.
            value |= (((is16 ? colour.v[c] + 1 : colour.v[c]) * m) >> 8) & m;
        }
        FillAreaAnyDepth(pixels, area, value);
    } else if (!area.Empty() && colour.alpha != 0) {
        const uint32_t ca = colour.alpha;
        const uint32_t w = 256 - ca;
        // The premultiplied colour, once.
        uint32_t premultiplied = 0;
        for (int c = 0; c < 3; ++c) {
            const uint32_t m = masks.m[c];
            const uint32_t scaled = ((colour.v[c] * ca) + (is16 ? 128 : 127)) >> 8;
            premultiplied += (((scaled + 1) * m) >> 8) & m;
        }
        if (is16) {
            ForEachPixel<uint16_t>(pixels, area, [&](uint32_t d) {
                uint32_t out = 0;
                for (uint32_t m : masks.m) {
                    out += ((((d & m) * w) + m) >> 8) & m;
                }
                return out + premultiplied;
            });
#if defined(VESK_PIXEL_SSE2)
        } else if (HasByteChannels(pixels)) {
            for (int64_t y = area.top; y < area.bottom; ++y) {
                BlendFillRow32(PixelAt<uint32_t>(pixels, area.left, y), area.right - area.left, w,
                               premultiplied);
            }
#endif
        } else {
            ForEachPixel<uint32_t>(pixels, area, [&](uint32_t d) {
                uint32_t out = 0;
                for (uint32_t m : masks.m) {
                    out += (((d & m) * w) >> 8) & m;
                }
                return out + premultiplied;
            });
        }
    }
    UnlockSurface();
}

void DDImage::AdditiveFillRect(const Rect& rect, const Color& color) {
    if (mVideoOnly) {
        return;
    }
    SurfacePixels pixels;
    if (!LockForDrawing(pixels)) {
        return;
    }
    const Span2D area = Inside(rect, pixels);
    AdditiveColor add;
    if (!area.Empty() && MakeAdditiveColor(pixels, ChannelsOf(color), add)) {
        ForEachPixelAnyDepth(pixels, area, add);
    }
    UnlockSurface();
}

// ---- Lines -----------------------------------------------------------------

void DDImage::NormalDrawLine(double startX, double startY, double endX, double endY,
                             const Color& color) {
    if (mVideoOnly || !UsableCoordinate(startX) || !UsableCoordinate(startY) ||
        !UsableCoordinate(endX) || !UsableCoordinate(endY)) {
        return;
    }
    SurfacePixels pixels;
    if (!LockForDrawing(pixels)) {
        return;
    }
    const Channels colour = ChannelsOf(color);
    const SurfaceMasks masks = MasksOf(pixels);
    if (colour.alpha == 255) {
        uint32_t value = 0;
        for (uint32_t c = 0; c < 3; ++c) {
            const uint32_t m = masks.m[c];
            value |= (((colour.v[c] * m) + (m >> 1)) >> 8) & m;
        }
        WalkLine(startX, startY, endX, endY, [&](int64_t x, int64_t y) {
            PlotPixel(pixels, x, y, [value](uint32_t) { return value; });
        });
    } else if (colour.alpha != 0) {
        const uint32_t ca = colour.alpha;
        const uint32_t w = 256 - ca;
        uint32_t premultiplied = 0;
        for (int c = 0; c < 3; ++c) {
            const uint32_t m = masks.m[c];
            premultiplied += (((((colour.v[c] * ca) + 128) >> 8) * m + (m >> 1)) >> 8) & m;
        }
        auto blend = [&](uint32_t d) {
            uint32_t out = 0;
            for (uint32_t m : masks.m) {
                out += ((((d & m) * w) + (m >> 1)) >> 8) & m;
            }
            return out + premultiplied;
        };
        WalkLine(startX, startY, endX, endY,
                 [&](int64_t x, int64_t y) { PlotPixel(pixels, x, y, blend); });
    }
    UnlockSurface();
}

void DDImage::AdditiveDrawLine(double startX, double startY, double endX, double endY,
                               const Color& color) {
    if (mVideoOnly || !UsableCoordinate(startX) || !UsableCoordinate(startY) ||
        !UsableCoordinate(endX) || !UsableCoordinate(endY)) {
        return;
    }
    SurfacePixels pixels;
    if (!LockForDrawing(pixels)) {
        return;
    }
    AdditiveColor add;
    if (MakeAdditiveColor(pixels, ChannelsOf(color), add)) {
        WalkLine(startX, startY, endX, endY,
                 [&](int64_t x, int64_t y) { PlotPixel(pixels, x, y, add); });
    }
    UnlockSurface();
}

void DDImage::NormalDrawLineAA(double startX, double startY, double endX, double endY,
                               const Color& color) {
    if (!UsableCoordinate(startX) || !UsableCoordinate(startY) || !UsableCoordinate(endX) ||
        !UsableCoordinate(endY)) {
        return;
    }
    SurfacePixels pixels;
    if (!LockForDrawing(pixels)) {
        return;
    }
    const Channels colour = ChannelsOf(color);
    AABlend blend{};
    blend.masks = MasksOf(pixels);
    for (int c = 0; c < 3; ++c) {
        const uint32_t m = blend.masks.m[c];
        blend.c |= ((colour.v[c] * m) >> 8) & m;
    }
    if (pixels.mBitsPerPixel == 32) {
        blend.kind = 0;
    } else if (pixels.mGreenMask == 0x07E0) {
        blend.kind = 1;
    } else if (pixels.mGreenMask == 0x03E0) {
        blend.kind = 2;
    } else {
        blend.kind = 3;
    }
    const uint32_t alphaPlusOne = colour.alpha + 1;
    auto plot = [&](int64_t x, int64_t y, int64_t error) {
        uint32_t w = 255 - static_cast<uint32_t>((error >> 8) & 255);
        if (alphaPlusOne != 256) {
            w = (w * alphaPlusOne) >> 8;
        }
        PlotPixel(pixels, x, y, [&](uint32_t d) { return blend(d, w); });
    };
    auto plotNeighbour = [&](int64_t x, int64_t y, int64_t error) {
        uint32_t w = static_cast<uint32_t>((error >> 8) & 255);
        if (alphaPlusOne != 256) {
            w = (w * alphaPlusOne) >> 8;
        }
        PlotPixel(pixels, x, y, [&](uint32_t d) { return blend(d, w); });
    };

    // Ends ordered so that y grows.
    if (Trunc(endY) < Trunc(startY)) {
        std::swap(startX, endX);
        std::swap(startY, endY);
    }
    int64_t x = Trunc(startX);
    int64_t y = Trunc(startY);
    const int64_t ex = Trunc(endX);
    const int64_t ey = Trunc(endY);
    int64_t ndx = ex - x;
    const int64_t ndy = ey - y;
    double fdx = static_cast<double>(ndx);
    const double fdy = static_cast<double>(ndy);
    int64_t xStep = 1;
    if (ndx < 0) {
        ndx = -ndx;
        fdx = -fdx;
        xStep = -1;
    }
    int64_t error = std::llround(std::fabs(startX - static_cast<double>(x)) *
                                 std::fabs(startY - static_cast<double>(y)) * 65536.0);
    plot(x, y, error);
    if (ndx != 0 || ndy != 0) {
        const bool yMajor = ndx < ndy;
        const int64_t gradient =
            yMajor ? std::llround(65536.0 * fdx / fdy) : std::llround(65536.0 * fdy / fdx);
        const int64_t steps = (yMajor ? ndy : ndx) - 1;
        const int64_t rowLength =
            pixels.mPitch / (pixels.mBitsPerPixel / 8);  // the neighbour's limit
        for (int64_t i = 0; i < steps; ++i) {
            error += gradient;
            if (error > 0xFFFF) {
                error &= 0xFFFF;
                if (yMajor) {
                    x += xStep;
                } else {
                    ++y;
                }
            }
            if (yMajor) {
                ++y;
            } else {
                x += xStep;
            }
            plot(x, y, error);
            if (yMajor) {
                if (x < rowLength - 1) {
                    plotNeighbour(x + xStep, y, error);
                }
            } else if (y < pixels.mHeight - 1) {
                plotNeighbour(x, y + 1, error);
            }
        }
    }
    plot(ex, ey, error);
    UnlockSurface();
}

void DDImage::AdditiveDrawLineAA(double, double, double, double, const Color&) {}

}  // namespace Vesk
