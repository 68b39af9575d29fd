#pragma once

#include <array>
#include <cstdint>

#include "platform/Device3D.h"
#include "platform/DisplayTypes.h"

namespace platform {

// Texels as 0xAARRGGBB, rows `pitch` texels apart; sides are powers of two.
struct TextureView {
    const uint32_t* argb = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
};

// A locked 16- or 32-bit render target and the rectangle that may be drawn into, which
// must lie inside it.
struct RasterTarget {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;
    PixelFormat format;
    SurfaceRect clip;
};

struct RasterState {
    bool alphaBlend = false;
    Blend srcBlend = Blend::One;
    Blend destBlend = Blend::Zero;
    bool specular = false;
    const TextureView* texture = nullptr;  // null: the stage reads opaque white
    TextureOp colorOp = TextureOp::Modulate;
    TextureOp alphaOp = TextureOp::SelectArg1;
    TextureFilter minFilter = TextureFilter::Point;
    TextureFilter magFilter = TextureFilter::Point;
    TextureAddress addressU = TextureAddress::Wrap;
    TextureAddress addressV = TextureAddress::Wrap;
};

// Draws triangles and lines of transformed vertices into a locked target.
//
// Pixel centres lie on whole coordinates. A triangle covers the pixels whose centres are
// inside it; a centre on an edge belongs to the triangle when the edge is a top or a
// left one, so triangles that share an edge never draw a pixel twice. A line covers one
// pixel per step along its longer axis, from the pixel that holds its start up to, but
// not including, the pixel that holds its end; the pixel that holds a point (x, y) is
// (floor(x + 0.5), floor(y + 0.5)).
//
// Products of two channels round to the nearest 1/255. Colours enter the target by the
// top bits of each channel, and 16-bit pixels read back for blending widen by repeating
// their bits, so an opaque texel lands exactly as the surface blitters would write it
// and a transparent one leaves the pixel as it was.
//
// Colours and texture coordinates are interpolated linearly across the screen; z and
// reciprocal w are not used, which matches perspective-correct drawing whenever every
// vertex has the same w, as all of this program's vertices do. Texel centres lie at
// (i + 0.5) / size. Vertices with a coordinate that is not a finite number leave their
// primitive out.
class SoftRasterizer {
public:
    // The state must outlive the rasteriser; the target's format is one IsSurfaceFormat
    // accepts and the blend factors and operations are those of the Device3D enums.
    SoftRasterizer(const RasterTarget& target, const RasterState& state);

    void Triangle(const TLVertex& a, const TLVertex& b, const TLVertex& c);
    void Line(const TLVertex& a, const TLVertex& b);

    // Red, green and blue of a target that is none of 5-6-5, 5-5-5 or X8R8G8B8: where
    // each channel sits, how wide it is (1 to 8 bits) and its values widened to 8 bits.
    struct ChannelLayout {
        std::array<uint32_t, 3> shift{};
        std::array<uint32_t, 3> bits{};
        std::array<std::array<uint8_t, 256>, 3> widen{};
    };

private:
    RasterTarget mTarget;
    const RasterState& mState;
    ChannelLayout mLayout;
    int mFormatKind = 0;
    int mBlendKind = 0;
    int mBytesPerPixel = 0;
};

}  // namespace platform
