// Drawing through the 3-D device: textured blits of an image's texture pieces as
// screen-space quads (plain, through a matrix, clipped in software where a clip rectangle
// asks for it) and as textured triangles, and untextured lines, rectangles and polygons.

#include <algorithm>
#include <array>
#include <cmath>

#include "graphics/D3DInterface.h"
#include "graphics/Image.h"
#include "graphics/MemoryImage.h"
#include "graphics/TextureData.h"
#include "graphics/VertexList.h"
#include "util/Matrix3x3.h"
#include "util/Vector2.h"

namespace Vesk {

using platform::PrimitiveType;
using platform::TLVertex;

namespace {

constexpr int32_t kTriangleBatch = 100;

uint32_t Diffuse(const Color& color) {
    return color.ToInt();
}

TLVertex MakeVertex(float x, float y, uint32_t diffuse, float u = 0.0f, float v = 0.0f) {
    TLVertex vertex;
    vertex.x = x;
    vertex.y = y;
    vertex.z = 0.0f;
    vertex.rhw = 1.0f;
    vertex.diffuse = diffuse;
    vertex.specular = 0;
    vertex.u = u;
    vertex.v = v;
    return vertex;
}

// start + size without overflow, pinned to the int range.
int32_t FarEdge(int32_t start, int32_t size) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{start} + size, INT32_MIN, INT32_MAX));
}

bool InsideClip(const TLVertex& v, const Rect& clip) {
    return v.x >= static_cast<float>(clip.mX) && v.y >= static_cast<float>(clip.mY) &&
           v.x < static_cast<float>(int64_t{clip.mX} + clip.mWidth) &&
           v.y < static_cast<float>(int64_t{clip.mY} + clip.mHeight);
}

void SetTexture(D3DInterface& d3d, const std::shared_ptr<platform::Texture3D>& texture) {
    d3d.CheckDXError(d3d.GetDevice()->SetTexture(0, texture), "SetTexture gTexture");
}

void Draw(D3DInterface& d3d, PrimitiveType type, const TLVertex* vertices, size_t count,
          const char* label) {
    d3d.CheckDXError(d3d.GetDevice()->DrawPrimitive(type, platform::kFvfTLVertex, vertices,
                                                    static_cast<uint32_t>(count), 0),
                     label);
}

}  // namespace

// ---- TextureData ----------------------------------------------------------

void TextureData::Blt(D3DInterface& d3d, float x, float y, const Rect& srcRect,
                      const Color& color) {
    const uint32_t diffuse = Diffuse(color);
    const int32_t right = FarEdge(srcRect.mX, srcRect.mWidth);
    const int32_t bottom = FarEdge(srcRect.mY, srcRect.mHeight);
    float y0 = y - 0.5f;
    for (int32_t v = srcRect.mY; v < bottom;) {
        float x0 = x - 0.5f;
        int32_t rowHeight = 0;
        for (int32_t u = srcRect.mX; u < right;) {
            int32_t w = right - u;
            int32_t h = bottom - v;
            float u1 = 0, v1 = 0, u2 = 0, v2 = 0;
            const auto* texture = GetTexture(u, v, w, h, u1, v1, u2, v2);
            if (texture == nullptr || w <= 0 || h <= 0) {
                return;
            }
            const float fw = static_cast<float>(w);
            const float fh = static_cast<float>(h);
            const TLVertex quad[4] = {MakeVertex(x0, y0, diffuse, u1, v1),
                                      MakeVertex(x0, y0 + fh, diffuse, u1, v2),
                                      MakeVertex(x0 + fw, y0, diffuse, u2, v1),
                                      MakeVertex(x0 + fw, y0 + fh, diffuse, u2, v2)};
            SetTexture(d3d, *texture);
            Draw(d3d, PrimitiveType::TriangleStrip, quad, 4, "DrawPrimitive (Tri) 1");
            u += w;
            x0 += fw;
            rowHeight = h;
        }
        if (rowHeight <= 0) {
            return;
        }
        v += rowHeight;
        y0 += static_cast<float>(rowHeight);
    }
}

void TextureData::BltTransformed(D3DInterface& d3d, const Matrix3x3& matrix, const Rect& srcRect,
                                 const Color& color, const Rect* clipRect, float x, float y,
                                 bool center) {
    const uint32_t diffuse = Diffuse(color);
    const float originX = center ? -static_cast<float>(srcRect.mWidth) / 2.0f : 0.0f;
    const float originY = center ? -static_cast<float>(srcRect.mHeight) / 2.0f : 0.0f;
    const float offset = center ? 0.0f : 0.5f;
    const float moveX = x - offset;
    const float moveY = y - offset;
    const int32_t right = FarEdge(srcRect.mX, srcRect.mWidth);
    const int32_t bottom = FarEdge(srcRect.mY, srcRect.mHeight);

    float oy = originY;
    for (int32_t v = srcRect.mY; v < bottom;) {
        float ox = originX;
        int32_t rowHeight = 0;
        for (int32_t u = srcRect.mX; u < right;) {
            int32_t w = right - u;
            int32_t h = bottom - v;
            float u1 = 0, v1 = 0, u2 = 0, v2 = 0;
            const auto* texture = GetTexture(u, v, w, h, u1, v1, u2, v2);
            if (texture == nullptr || w <= 0 || h <= 0) {
                return;
            }
            const float fw = static_cast<float>(w);
            const float fh = static_cast<float>(h);
            const float corners[4][4] = {{ox, oy, u1, v1},
                                         {ox, oy + fh, u1, v2},
                                         {ox + fw, oy, u2, v1},
                                         {ox + fw, oy + fh, u2, v2}};
            TLVertex quad[4];
            bool allInside = true;
            for (int i = 0; i < 4; ++i) {
                const Vector2 p = matrix.TransformPoint(Vector2{corners[i][0], corners[i][1]});
                quad[i] =
                    MakeVertex(p.x + moveX, p.y + moveY, diffuse, corners[i][2], corners[i][3]);
                allInside = allInside && (clipRect == nullptr || InsideClip(quad[i], *clipRect));
            }
            SetTexture(d3d, *texture);
            if (!allInside) {
                VertexList outline;
                outline.push_back(quad[0]);
                outline.push_back(quad[1]);
                outline.push_back(quad[3]);
                outline.push_back(quad[2]);
                d3d.DrawPolyClipped(*clipRect, outline);
            } else {
                Draw(d3d, PrimitiveType::TriangleStrip, quad, 4, "DrawPrimitive (Tri) 3");
            }
            ox += fw;
            u += w;
            rowHeight = h;
        }
        if (rowHeight <= 0) {
            return;
        }
        oy += static_cast<float>(rowHeight);
        v += rowHeight;
    }
}

void TextureData::BltTriangles(D3DInterface& d3d, const TriVertex (*triangles)[3],
                               int32_t triangleCount, uint32_t color, float tx, float ty) {
    if (triangles == nullptr || triangleCount <= 0 || mTextures.empty()) {
        return;
    }
    auto toVertex = [&](const TriVertex& in) {
        return MakeVertex(in.x + tx, in.y + ty, in.color != 0 ? in.color : color, in.u * mMaxTotalU,
                          in.v * mMaxTotalV);
    };

    if (mMaxTotalU <= 1.0f && mMaxTotalV <= 1.0f) {
        SetTexture(d3d, mTextures[0].mTexture);
        std::array<TLVertex, 3 * kTriangleBatch> batch;
        size_t count = 0;
        for (int32_t t = 0; t < triangleCount; ++t) {
            for (int i = 0; i < 3; ++i) {
                batch[count++] = toVertex(triangles[t][i]);
            }
            if (count == batch.size()) {
                Draw(d3d, PrimitiveType::TriangleList, batch.data(), count,
                     "DrawPrimitive (TriList)");
                count = 0;
            }
        }
        if (count > 0) {
            Draw(d3d, PrimitiveType::TriangleList, batch.data(), count, "DrawPrimitive (TriList)");
        }
        return;
    }

    for (int32_t t = 0; t < triangleCount; ++t) {
        TLVertex corners[3];
        float minU = mMaxTotalU;
        float minV = mMaxTotalV;
        float maxU = 0.0f;
        float maxV = 0.0f;
        for (int i = 0; i < 3; ++i) {
            corners[i] = toVertex(triangles[t][i]);
            minU = std::min(minU, corners[i].u);
            minV = std::min(minV, corners[i].v);
            maxU = std::max(maxU, corners[i].u);
            maxV = std::max(maxV, corners[i].v);
        }
        // Only finite positions pick pieces; anything else stays within the grid.
        const auto firstOf = [](float value, int32_t limit) {
            return std::isfinite(value) ? static_cast<int32_t>(std::clamp(
                                              std::floor(value), 0.0f, static_cast<float>(limit)))
                                        : 0;
        };
        const auto endOf = [](float value, int32_t limit) {
            return std::isfinite(value) ? static_cast<int32_t>(std::clamp(
                                              std::ceil(value), 0.0f, static_cast<float>(limit)))
                                        : limit;
        };
        const int32_t firstColumn = firstOf(minU, mTexVecWidth);
        const int32_t endColumn = endOf(maxU, mTexVecWidth);
        const int32_t firstRow = firstOf(minV, mTexVecHeight);
        const int32_t endRow = endOf(maxV, mTexVecHeight);
        for (int32_t row = firstRow; row < endRow; ++row) {
            for (int32_t column = firstColumn; column < endColumn; ++column) {
                const TexturePiece& piece =
                    mTextures[static_cast<size_t>(row * mTexVecWidth + column)];
                VertexList polygon;
                for (const TLVertex& corner : corners) {
                    TLVertex v = corner;
                    v.u -= static_cast<float>(column);
                    v.v -= static_cast<float>(row);
                    if (column == mTexVecWidth - 1) {
                        v.u *=
                            static_cast<float>(mTexPieceWidth) / static_cast<float>(piece.mWidth);
                    }
                    if (row == mTexVecHeight - 1) {
                        v.v *=
                            static_cast<float>(mTexPieceHeight) / static_cast<float>(piece.mHeight);
                    }
                    polygon.push_back(v);
                }
                VertexClip::ClipToUnitSquare(polygon);
                if (polygon.size() >= 3) {
                    SetTexture(d3d, piece.mTexture);
                    Draw(d3d, PrimitiveType::TriangleFan, polygon.data(), polygon.size(),
                         "DrawPrimitive (Tri) 4");
                }
            }
        }
    }
}

// ---- D3DInterface ---------------------------------------------------------

TextureData* D3DInterface::PrepareTexturedDraw(Image* image, DrawMode drawMode) {
    auto* memoryImage = dynamic_cast<MemoryImage*>(image);
    if (memoryImage == nullptr || !PreDraw() || !CreateImageTexture(memoryImage)) {
        return nullptr;
    }
    SetDrawMode(drawMode);
    return memoryImage->mTextureData;
}

void D3DInterface::Blt(Image* image, float x, float y, const Rect& srcRect, const Color& color,
                       DrawMode drawMode, bool linear) {
    TextureData* data = PrepareTexturedDraw(image, drawMode);
    if (data == nullptr) {
        return;
    }
    SetLinearFilter(linear);
    data->Blt(*this, x, y, srcRect, color);
}

void D3DInterface::BltClipF(Image* image, float x, float y, const Rect& srcRect,
                            const Rect* clipRect, const Color& color, DrawMode drawMode) {
    Matrix3x3 matrix;
    matrix.SetIdentity();
    matrix.Translate(x, y);
    BltTransformed(image, clipRect, color, drawMode, srcRect, matrix, true, 0.0f, 0.0f, false);
}

void D3DInterface::BltMirror(Image* image, float x, float y, const Rect& srcRect,
                             const Color& color, DrawMode drawMode) {
    Matrix3x3 matrix;
    matrix.SetIdentity();
    matrix.Translate(-static_cast<float>(srcRect.mWidth), 0.0f);
    matrix.Scale(-1.0f, 1.0f);
    matrix.Translate(x, y);
    BltTransformed(image, nullptr, color, drawMode, srcRect, matrix, false, 0.0f, 0.0f, false);
}

void D3DInterface::StretchBlt(Image* image, const Rect& destRect, const Rect& srcRect,
                              const Rect* clipRect, const Color& color, DrawMode drawMode,
                              bool fastStretch, bool mirror) {
    // An empty source has no scale.
    if (srcRect.mWidth <= 0 || srcRect.mHeight <= 0) {
        return;
    }
    const float sx = static_cast<float>(destRect.mWidth) / static_cast<float>(srcRect.mWidth);
    const float sy = static_cast<float>(destRect.mHeight) / static_cast<float>(srcRect.mHeight);
    Matrix3x3 matrix;
    matrix.SetIdentity();
    if (mirror) {
        matrix.Translate(-static_cast<float>(srcRect.mWidth), 0.0f);
        matrix.Scale(-sx, sy);
    } else {
        matrix.Scale(sx, sy);
    }
    matrix.Translate(static_cast<float>(destRect.mX), static_cast<float>(destRect.mY));
    BltTransformed(image, clipRect, color, drawMode, srcRect, matrix, !fastStretch, 0.0f, 0.0f,
                   false);
}

void D3DInterface::BltRotated(Image* image, float x, float y, const Rect* clipRect,
                              const Color& color, DrawMode drawMode, float centerX, float centerY,
                              const Rect& srcRect, double angle) {
    Matrix3x3 matrix;
    matrix.SetIdentity();
    matrix.Translate(-centerX, -centerY);
    matrix.Rotate(static_cast<float>(angle));
    matrix.Translate(x + centerX, y + centerY);
    BltTransformed(image, clipRect, color, drawMode, srcRect, matrix, true, 0.0f, 0.0f, false);
}

void D3DInterface::BltTransformed(Image* image, const Rect* clipRect, const Color& color,
                                  DrawMode drawMode, const Rect& srcRect, const Matrix3x3& matrix,
                                  bool linear, float x, float y, bool center) {
    TextureData* data = PrepareTexturedDraw(image, drawMode);
    if (data == nullptr) {
        return;
    }
    SetLinearFilter(linear);
    data->BltTransformed(*this, matrix, srcRect, color, clipRect, x, y, center);
}

void D3DInterface::BltTriangles(const TriVertex (*triangles)[3], int32_t triangleCount,
                                const Color& color, DrawMode drawMode, Image* image, float tx,
                                float ty, bool linear) {
    TextureData* data = PrepareTexturedDraw(image, drawMode);
    if (data == nullptr) {
        return;
    }
    SetLinearFilter(linear);
    data->BltTriangles(*this, triangles, triangleCount, Diffuse(color), tx, ty);
}

void D3DInterface::DrawLine(double startX, double startY, double endX, double endY,
                            const Color& color, DrawMode drawMode) {
    if (!PreDraw()) {
        return;
    }
    SetDrawMode(drawMode);
    const uint32_t diffuse = Diffuse(color);
    const auto x1 = static_cast<float>(startX);
    const auto y1 = static_cast<float>(startY);
    const auto x2 = static_cast<float>(endX);
    const auto y2 = static_cast<float>(endY);
    // The strip leaves out each segment's last pixel: a short third segment draws the
    // end point's.
    const TLVertex line[3] = {MakeVertex(x1, y1, diffuse), MakeVertex(x2, y2, diffuse),
                              MakeVertex(x2 + 0.5f, y2 + 0.5f, diffuse)};
    CheckDXError(mD3DDevice->SetTexture(0, nullptr), "SetTexture NULL");
    Draw(*this, PrimitiveType::LineStrip, line, 3, "DrawPrimitive (Line)");
}

void D3DInterface::FillRect(const Rect& rect, const Color& color, DrawMode drawMode) {
    if (!PreDraw()) {
        return;
    }
    SetDrawMode(drawMode);
    const uint32_t diffuse = Diffuse(color);
    const float x = static_cast<float>(rect.mX) - 0.5f;
    const float y = static_cast<float>(rect.mY) - 0.5f;
    const auto w = static_cast<float>(rect.mWidth);
    const auto h = static_cast<float>(rect.mHeight);
    const TLVertex quad[4] = {MakeVertex(x, y, diffuse), MakeVertex(x, y + h, diffuse),
                              MakeVertex(x + w, y, diffuse), MakeVertex(x + w, y + h, diffuse)};
    CheckDXError(mD3DDevice->SetTexture(0, nullptr), "SetTexture NULL");
    Draw(*this, PrimitiveType::TriangleStrip, quad, 4, "DrawPrimitive (Rect)");
}

void D3DInterface::FillPoly(const Point* points, int32_t count, const Rect* clipRect,
                            const Color& color, DrawMode drawMode, int32_t tx, int32_t ty) {
    if (points == nullptr || count < 3) {
        return;
    }
    if (!PreDraw()) {
        return;
    }
    SetDrawMode(drawMode);
    CheckDXError(mD3DDevice->SetTexture(0, nullptr), "SetTexture NULL");
    const uint32_t diffuse = Diffuse(color);
    VertexList polygon;
    for (int32_t i = 0; i < count; ++i) {
        polygon.push_back(MakeVertex(static_cast<float>(int64_t{points[i].mX} + tx),
                                     static_cast<float>(int64_t{points[i].mY} + ty), diffuse));
    }
    if (clipRect != nullptr) {
        DrawPolyClipped(*clipRect, polygon);
        return;
    }
    // A fan takes at most so many vertices; a larger polygon cannot be drawn at once.
    if (polygon.size() <= platform::kMaxPrimitiveVertices) {
        Draw(*this, PrimitiveType::TriangleFan, polygon.data(), polygon.size(),
             "DrawPrimitive (FillPoly)");
    }
}

void D3DInterface::DrawPolyClipped(const Rect& clipRect, const VertexList& polygon) {
    if (!mD3DDevice) {
        return;
    }
    const auto left = static_cast<float>(clipRect.mX);
    const auto top = static_cast<float>(clipRect.mY);
    const auto right = static_cast<float>(int64_t{clipRect.mX} + clipRect.mWidth);
    const auto bottom = static_cast<float>(int64_t{clipRect.mY} + clipRect.mHeight);
    VertexList a;
    VertexList b;
    VertexClip::ClipPolygonMin(polygon, 0, left, a);
    VertexClip::ClipPolygonMin(a, 1, top, b);
    VertexClip::ClipPolygonMax(b, 0, right, a);
    VertexClip::ClipPolygonMax(a, 1, bottom, b);
    if (b.size() >= 3 && b.size() <= platform::kMaxPrimitiveVertices) {
        Draw(*this, PrimitiveType::TriangleFan, b.data(), b.size(), "DrawPrimitive (Tri) 2");
    }
}

}  // namespace Vesk
