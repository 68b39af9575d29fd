#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "graphics/Image.h"

namespace Vesk {

// Stands in for a picture being drawn and keeps no pixels: for each drawing call it keeps the
// pixels the call may touch and a digest of everything that decides what it writes there.
// Two recordings of a widget drawn in two frames then give the areas where the frames can
// differ, so that only those need drawing again (ChangedAreas).
class DrawRecorder : public Image {
public:
    struct Step {
        uint64_t mKey = 0;
        // In destination pixels; a superset of what the call writes.
        Rect mBounds;
        // The call's pixels may differ when it is clipped: an area that takes part of it must
        // take it all.
        bool mWhole = false;
    };

    DrawRecorder(int32_t width, int32_t height);

    // Room for that many steps, so a recording of thousands does not grow step by step.
    void Reserve(size_t steps) { mSteps.reserve(steps); }
    const std::vector<Step>& Steps() const { return mSteps; }
    std::vector<Step> TakeSteps() { return std::move(mSteps); }

    // The areas, disjoint and inside `within`, outside which drawing `after` over the pixels
    // `before` left gives those same pixels again. At most `maxAreas` of them; empty when the
    // two recordings draw the same.
    static std::vector<Rect> ChangedAreas(const std::vector<Step>& before,
                                          const std::vector<Step>& after, const Rect& within,
                                          size_t maxAreas);

    void FillRect(const Rect& rect, const Color& color, DrawMode drawMode) override;
    void ClearRect(const Rect& rect) override;
    void DrawLine(double startX, double startY, double endX, double endY, const Color& color,
                  DrawMode drawMode) override;
    void DrawLineAA(double startX, double startY, double endX, double endY, const Color& color,
                    DrawMode drawMode) override;
    void FillScanLinesWithCoverage(Span* spans, int32_t spanCount, const Color& color,
                                   DrawMode drawMode, const uint8_t* coverage, int32_t coverX,
                                   int32_t coverY, int32_t coverWidth,
                                   int32_t coverHeight) override;
    void Blt(Image* image, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
             DrawMode drawMode) override;
    // The batch is one step: its blits come and go together (a level's moving particles).
    void BltMany(std::span<const PlacedBlit> blits, DrawMode drawMode) override;
    void BltF(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
              const Color& color, DrawMode drawMode) override;
    void BltRotated(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                    const Color& color, DrawMode drawMode, double angle, float centerX,
                    float centerY) override;
    void StretchBlt(Image* image, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                    const Color& color, DrawMode drawMode, bool fastStretch) override;
    void BltMatrix(Image* image, float x, float y, const Matrix3x3& matrix, const Rect& clipRect,
                   const Color& color, DrawMode drawMode, const Rect& srcRect, bool blend) override;
    void BltTrianglesTex(Image* texture, const TriVertex (*triangles)[3], int32_t triangleCount,
                         const Rect& clipRect, const Color& color, DrawMode drawMode, float tx,
                         float ty, bool blend) override;
    void BltMirror(Image* image, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                   DrawMode drawMode) override;
    void StretchBltMirror(Image* image, const Rect& destRect, const Rect& srcRect,
                          const Rect& clipRect, const Color& color, DrawMode drawMode,
                          bool fastStretch) override;

private:
    class Digest;

    void Add(const Digest& digest, const Rect& bounds, bool whole);
    // The blit at a whole-pixel place and the stretched one, mirrored or not: `call` tells them
    // apart.
    void AddPlaced(uint64_t call, Image* image, int32_t x, int32_t y, const Rect& srcRect,
                   const Color& color, DrawMode drawMode);
    void AddStretched(uint64_t call, Image* image, const Rect& destRect, const Rect& srcRect,
                      const Rect& clipRect, const Color& color, DrawMode drawMode,
                      bool fastStretch);
    // Whatever of the source picture decides the pixels.
    static void AddSource(Digest& digest, Image* image);

    std::vector<Step> mSteps;
};

}  // namespace Vesk
