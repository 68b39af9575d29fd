#pragma once

// The triangle set-up of the software matrix and textured-triangle blits:
// clips each triangle to the clip rectangle, walks its rows in fixed point and
// hands every span to the span drawer chosen for the call. A pixel is drawn
// when its centre lies inside the triangle (left and top edges inside, right
// and bottom edges outside), so triangles sharing an edge never draw a pixel
// twice; texels have their centres at +0.5 too, so an unturned, unscaled
// triangle copies texels exactly.

#include <cstdint>

#include "graphics/Color.h"
#include "graphics/DrawMode.h"
#include "graphics/Image.h"
#include "graphics/Rect.h"
#include "graphics/SpanDrawer.h"

namespace Vesk {

class Matrix3x3;
class MemoryImage;

// The pixels drawn into.
struct TriangleTarget {
    void* mBits = nullptr;
    int32_t mPitch = 0;  // bytes from one row to the next
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    uint32_t mFormat = kFormat8888;
};

// A corner with its texture position in texels of the whole texture and a
// packed ARGB colour (used only when the call has vertex colours).
struct TexelVertex {
    double mX = 0.0;
    double mY = 0.0;
    double mU = 0.0;
    double mV = 0.0;
    uint32_t mColor = 0;
};

// The settings of one call.
struct TriangleDraw {
    MemoryImage* mTexture = nullptr;  // null: the triangles are filled with colour only
    Rect mTextureRect;                // texels that may be sampled (clamped to the edge)
    Rect mClip;
    Color mColor = Color::White;
    DrawMode mDrawMode = kDrawModeNormal;
    bool mVertexColors = false;
    bool mBlend = false;  // filter the texture bilinearly
};

// Draws the vertices as a strip: each vertex from the third on makes a
// triangle with the two before it. Fewer than three vertices, an unknown
// format or draw mode, a texture without pixels and degenerate or non-finite
// triangles draw nothing. Returns whether any pixel was drawn.
bool DrawTriangleStrip(const TriangleTarget& target, const TriangleDraw& draw,
                       const TexelVertex* vertices, int32_t vertexCount);

// The strip of a matrix blit: the source rectangle centred on its middle, each
// corner through the matrix and offset by (x, y), textured by the rectangle.
void MatrixBlitQuad(const Matrix3x3& matrix, float x, float y, const Rect& srcRect,
                    TexelVertex (&out)[4]);

// A textured-triangle vertex (texture position 0..1 across the texture)
// shifted by (offsetX, offsetY), its texture position in texels.
TexelVertex ToTexelVertex(const TriVertex& vertex, float offsetX, float offsetY,
                          int32_t textureWidth, int32_t textureHeight);

// The format a memory image is drawn in: 0x888 when its flags are forced and
// it has neither alpha nor transparency, else 0x8888.
uint32_t TriangleFormatOf(const MemoryImage& image);

}  // namespace Vesk
