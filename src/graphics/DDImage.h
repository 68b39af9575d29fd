#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "graphics/MemoryImage.h"
#include "graphics/NativeDisplay.h"
#include "graphics/SurfaceBlitters.h"
#include "platform/DisplayTypes.h"

namespace platform {
class Surface;
}

namespace Vesk {

class D3DInterface;
class DDInterface;

// A memory image that can also hold its pixels in a display surface of 16 or
// 32 bits, in the display's format. Opaque and colour-keyed images are drawn
// from their surface by the display's copy; images with partial alpha never
// get one. Drawing into a surface image locks the surface (counted), writes
// with the software blitters, unlocks and frees the other pixel buffers, so
// the surface holds the only copy until the pixels are read back.
class DDImage : public MemoryImage {
public:
    DDInterface* mDDInterface = nullptr;  // not owned; may be null (no surface is ever made)
    std::shared_ptr<platform::Surface> mSurface;
    // The surface was handed in and is not made from the pixels: buffer
    // management leaves it alone.
    bool mSurfaceSet = false;
    // The surface lives only in video memory and is never read back.
    bool mVideoOnly = false;
    bool mWantVideoMemory = false;
    bool mWantDDSurface = false;
    int32_t mLockCount = 0;
    // Filled by the outermost successful LockSurface.
    platform::LockedSurface mLockedSurfaceDesc;

    // Registers the image with the display.
    explicit DDImage(DDInterface* ddInterface);
    // On the display of the process's application, if there is one.
    DDImage();
    DDImage(const DDImage&) = delete;
    DDImage& operator=(const DDImage&) = delete;
    ~DDImage() override;
    DDImage* AsDDImage() override { return this; }

    // Lines and fills (DDImageDraw.cpp).
    bool PolyFill(const Point* vertices, int32_t numVertices, const Rect* clipRect,
                  const Color& color, DrawMode drawMode, int32_t tx, int32_t ty,
                  bool convex) override;
    void FillRect(const Rect& rect, const Color& color, DrawMode drawMode) override;
    void DrawLine(double startX, double startY, double endX, double endY, const Color& color,
                  DrawMode drawMode) override;
    void DrawLineAA(double startX, double startY, double endX, double endY, const Color& color,
                    DrawMode drawMode) override;
    void ClearRect(const Rect& rect) override;

    // Blits (DDImageBlt.cpp).
    void FillScanLinesWithCoverage(Span* spans, int32_t spanCount, const Color& color,
                                   DrawMode drawMode, const uint8_t* coverage, int32_t coverX,
                                   int32_t coverY, int32_t coverWidth,
                                   int32_t coverHeight) override;
    void Blt(Image* image, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
             DrawMode drawMode) override;
    // Additive batches onto the surface share one lock and each colour's set-up.
    void BltMany(std::span<const PlacedBlit> blits, DrawMode drawMode) override;
    void BltF(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
              const Color& color, DrawMode drawMode) override;
    void BltMatrix(Image* image, float x, float y, const Matrix3x3& matrix, const Rect& clipRect,
                   const Color& color, DrawMode drawMode, const Rect& srcRect, bool blend) override;
    void BltTrianglesTex(Image* texture, const TriVertex (*triangles)[3], int32_t triangleCount,
                         const Rect& clipRect, const Color& color, DrawMode drawMode, float tx,
                         float ty, bool blend) override;
    void BltMirror(Image* image, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                   DrawMode drawMode) override;
    bool Palletize() override;

    // Rotated and stretched blits (DDImageTransform.cpp).
    void BltRotated(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                    const Color& color, DrawMode drawMode, double angle, float centerX,
                    float centerY) override;
    void StretchBlt(Image* image, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                    const Color& color, DrawMode drawMode, bool fastStretch) override;
    void StretchBltMirror(Image* image, const Rect& destRect, const Rect& srcRect,
                          const Rect& clipRect, const Color& color, DrawMode drawMode,
                          bool fastStretch) override;

    // Buffer management.
    void PurgeBits() override;
    void DeleteExtraBuffers() override;
    void ReInit() override;
    void BitsChanged() override;
    void CommitBits() override;
    void DeleteNativeData() override;
    void Create(int32_t width, int32_t height) override;
    // Reads a surface back when the bits are gone; null for a video-only
    // surface or one that can't be locked.
    uint32_t* GetBits() override;

    // Switches the memory the next surface is made in.
    virtual void SetVideoMemory(bool wantVideoMemory);
    virtual bool GenerateDDSurface();

    // Software drawing into the locked surface.
    virtual void NormalFillRect(const Rect& rect, const Color& color);
    virtual void AdditiveFillRect(const Rect& rect, const Color& color);
    virtual void NormalBlt(Image* image, int32_t x, int32_t y, const Rect& srcRect,
                           const Color& color);
    virtual void AdditiveBlt(Image* image, int32_t x, int32_t y, const Rect& srcRect,
                             const Color& color);
    virtual void NormalDrawLine(double startX, double startY, double endX, double endY,
                                const Color& color);
    virtual void AdditiveDrawLine(double startX, double startY, double endX, double endY,
                                  const Color& color);
    virtual void NormalDrawLineAA(double startX, double startY, double endX, double endY,
                                  const Color& color);
    // Anti-aliased lines are not drawn additively.
    virtual void AdditiveDrawLineAA(double startX, double startY, double endX, double endY,
                                    const Color& color);
    virtual void NormalBltMirror(Image* image, int32_t x, int32_t y, const Rect& srcRect,
                                 const Color& color);
    virtual void AdditiveBltMirror(Image* image, int32_t x, int32_t y, const Rect& srcRect,
                                   const Color& color);

    // Counted: only the outermost call locks. False (count unchanged) when
    // this is the 3-D screen, there is no surface or the lock fails.
    virtual bool LockSurface();
    // False when this is the 3-D screen or nothing is locked.
    virtual bool UnlockSurface();
    // Adopts a surface made elsewhere (the screen, the cursor areas): the
    // image takes its size and drops its own pixel buffers.
    virtual void SetSurface(std::shared_ptr<platform::Surface> surface);

    // The surface, made from the pixels when there is none; null when the
    // image has partial alpha or no surface could be made.
    platform::Surface* GetSurface();
    // True when a surface exists afterwards.
    bool GenerateDDSurfaceBody();
    // Releases the surface after making sure the pixels exist elsewhere.
    void DeleteDDSurface();
    // Drops every pixel buffer but the surface; nothing when the surface
    // isn't there to hold the pixels.
    void FreeNonSurfaceBuffers();

    // This image is the display's draw surface while it draws through 3-D.
    bool Check3D() const;
    static bool Check3DImage(const Image* image);

private:
    // Drops the surface, unlocking it first when a lock is held.
    void ReleaseSurface();
    // The locked surface as the software drawing sees it (lock held).
    SurfacePixels LockedPixels() const;
    // Locks and checks the surface for software drawing; unlocks again and
    // returns false when it can't be drawn into.
    bool LockForDrawing(SurfacePixels& pixels);
    // The layout the sources' native data is made in for this surface.
    const NativeDisplay* NativeLayout(const SurfacePixels& pixels);
    // The display's 3-D device when this image is its 3-D screen, else null.
    D3DInterface* Get3DDevice() const;
    bool DisplayIs3D() const;
    // No display and no surface of its own: the bits are the only pixels, so drawing goes to
    // them instead of being lost.
    bool WithoutDisplay() const;
    bool IsCursorAreaImage() const;
    // Writes the bits into an adopted surface after they changed.
    void WriteBitsToSurface();
    // Converts the bits into the locked surface; keyed, pixels that are not
    // opaque get a colour key no opaque pixel has.
    void ConvertBitsInto(const SurfacePixels& pixels, bool keyed);
    // Copies between two surfaces (unlocking around it); false when either
    // image has no surface.
    bool HardwareCopy(DDImage* source, int32_t x, int32_t y, const Rect& srcRect);
    // The alpha road of NormalBlt and NormalBltMirror.
    void BlitAlphaRoad(MemoryImage* source, const BlitArea& area, const Color& color);
    void BlitAdditive(Image* image, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                      bool mirror);
    // Blt's additive road onto the surface itself (not 3-D, no alpha or key, a display).
    bool TakesAdditiveOnSurface() const;
    // The source's additive data for the locked surface; false when it has none.
    bool AdditiveSource(MemoryImage& source, const SurfacePixels& pixels, NativeBlitSource& native);

    // Layout used when the display's own doesn't describe the surface.
    NativeDisplay mFallbackLayout;
};

}  // namespace Vesk
