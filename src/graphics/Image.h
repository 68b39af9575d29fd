#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "graphics/Color.h"
#include "graphics/DrawMode.h"
#include "graphics/Rect.h"

namespace Vesk {

class DDImage;
class Graphics;
class Matrix3x3;
class MemoryImage;

enum AnimType : int32_t { AnimNone = 0, AnimOnce = 1, AnimPingPong = 2, AnimLoop = 3 };

// Timing of an animated sprite sheet.
class AnimInfo {
public:
    int32_t mAnimType = AnimNone;
    int32_t mFrameDelay = 1;
    int32_t mFrameCount = 1;
    std::vector<int32_t> mPerFrameDelay;
    std::vector<int32_t> mFrameMap;
    int32_t mTotalTime = 0;

    // Grows the per-frame list with zeros as needed. A negative frame is ignored.
    void SetPerFrameDelay(int32_t frame, int32_t delay);
    // Finishes the record once the loader has set type, delays and frame map.
    void Compute(int32_t celCount, int32_t beginDelay = 0, int32_t endDelay = 0);
};

// One scan line of a filled shape: row first.
struct Span {
    int32_t mY = 0;
    int32_t mX = 0;
    int32_t mWidth = 0;
};

// One corner of a textured triangle: position, texture coordinate (0..1
// across the texture) and a packed ARGB colour (0 meaning none).
struct TriVertex {
    float x = 0.0f;
    float y = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
    uint32_t color = 0;
};

// Root of every picture: size, cel grid, animation record and the drawing
// operations the drawing context calls. Coordinates reaching these operations
// are already translated and clipped by the context. The base draws nothing
// except an outline and scan lines built from the derived FillRect.
class Image {
public:
    bool mUsedAsSource = false;
    // No other image of this run has it, a copy included: a picture is known by it where its
    // address may since have been reused.
    const uint64_t mSerial;
    std::string mPath;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    int32_t mCelRows = 1;
    int32_t mCelColumns = 1;
    std::unique_ptr<AnimInfo> mAnimInfo;

    Image();
    // Copies size, cels and animation; the path stays empty and the copy is
    // not marked as a source.
    Image(const Image& other);
    Image& operator=(const Image&) = delete;
    virtual ~Image();

    // What the image is, asked once a blit: a dynamic_cast walks the class tree comparing
    // class names, which thousands of small blits a frame felt.
    virtual MemoryImage* AsMemoryImage() { return nullptr; }
    virtual DDImage* AsDDImage() { return nullptr; }

    // Polygon fill through a device; false when the caller must fill it itself.
    virtual bool PolyFill(const Point* vertices, int32_t numVertices, const Rect* clipRect,
                          const Color& color, DrawMode drawMode, int32_t tx, int32_t ty,
                          bool convex);
    virtual void FillRect(const Rect& rect, const Color& color, DrawMode drawMode);
    // Outline of width + 1 by height + 1 pixels, as four FillRect calls.
    virtual void DrawRect(const Rect& rect, const Color& color, DrawMode drawMode);
    virtual void ClearRect(const Rect& rect);
    virtual void DrawLine(double startX, double startY, double endX, double endY,
                          const Color& color, DrawMode drawMode);
    virtual void DrawLineAA(double startX, double startY, double endX, double endY,
                            const Color& color, DrawMode drawMode);
    // One FillRect per span.
    virtual void FillScanLines(Span* spans, int32_t spanCount, const Color& color,
                               DrawMode drawMode);
    // Spans weighted by a coverage mask whose top-left pixel sits at
    // (coverX, coverY); rows are coverWidth bytes, coverHeight rows.
    virtual void FillScanLinesWithCoverage(Span* spans, int32_t spanCount, const Color& color,
                                           DrawMode drawMode, const uint8_t* coverage,
                                           int32_t coverX, int32_t coverY, int32_t coverWidth,
                                           int32_t coverHeight);
    virtual void Blt(Image* image, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                     DrawMode drawMode);
    // One blit of a batch, as Blt takes it: placed and clipped already.
    struct PlacedBlit {
        Image* mImage = nullptr;
        int32_t mX = 0;
        int32_t mY = 0;
        Rect mSrcRect;
        Color mColor;
    };
    // Each blit as Blt would draw it, in order.
    virtual void BltMany(std::span<const PlacedBlit> blits, DrawMode drawMode);
    virtual void BltF(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                      const Color& color, DrawMode drawMode);
    // Angle in radians about (centerX, centerY) relative to the destination point.
    virtual void BltRotated(Image* image, float x, float y, const Rect& srcRect,
                            const Rect& clipRect, const Color& color, DrawMode drawMode,
                            double angle, float centerX, float centerY);
    virtual void StretchBlt(Image* image, const Rect& destRect, const Rect& srcRect,
                            const Rect& clipRect, const Color& color, DrawMode drawMode,
                            bool fastStretch);
    virtual void BltMatrix(Image* image, float x, float y, const Matrix3x3& matrix,
                           const Rect& clipRect, const Color& color, DrawMode drawMode,
                           const Rect& srcRect, bool blend);
    // triangles holds triangleCount groups of three vertices.
    virtual void BltTrianglesTex(Image* texture, const TriVertex (*triangles)[3],
                                 int32_t triangleCount, const Rect& clipRect, const Color& color,
                                 DrawMode drawMode, float tx, float ty, bool blend);
    virtual void BltMirror(Image* image, int32_t x, int32_t y, const Rect& srcRect,
                           const Color& color, DrawMode drawMode);
    virtual void StretchBltMirror(Image* image, const Rect& destRect, const Rect& srcRect,
                                  const Rect& clipRect, const Color& color, DrawMode drawMode,
                                  bool fastStretch);

    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }
    // A cel count below 1 (bad data) counts as 1.
    int32_t GetCelWidth() const { return mWidth / (mCelColumns < 1 ? 1 : mCelColumns); }
    int32_t GetCelHeight() const { return mHeight / (mCelRows < 1 ? 1 : mCelRows); }
    Rect GetCelRect(int32_t column, int32_t row) const;

    // Takes the source's cel grid and a deep copy of its animation record.
    void CopyAttributes(const Image* source);

    // A new drawing context over this image, owned by the caller.
    std::unique_ptr<Graphics> CreateGraphics();
};

}  // namespace Vesk
