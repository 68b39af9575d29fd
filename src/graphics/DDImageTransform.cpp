// Rotated and stretched blits of a surface image: the choice between the 3-D
// device, the memory image's routines on the bits, the display's own stretch
// and the software transforms on the locked surface.

#include <algorithm>
#include <cstdint>

#include "graphics/D3DInterface.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/SmoothResampler.h"
#include "graphics/SurfaceTransformBlitters.h"
#include "graphics/TransformMapping.h"
#include "platform/Surface.h"

namespace Vesk {

namespace {

// Some form of the source's pixels can be read: a colour table with its
// index bytes, or bits (a video-only surface has none).
bool HasReadablePixels(MemoryImage& source) {
    if (source.mPalette) {
        return source.mPaletteIndices != nullptr;
    }
    return source.mBits || source.GetBits() != nullptr;
}

// A source edge of the display's stretch, truncated toward zero.
int32_t EdgeOf(double v) {
    return static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
}

// The nearest-pixel stretch into a locked surface; a surface of another
// depth is left alone.
void DrawNearest(const SurfacePixels& pixels, MemoryImage& source, const NativeDisplay* layout,
                 const Rect& srcRect, const StretchMapping& map, const Color& color,
                 DrawMode drawMode, bool mirror) {
    if (!IsDrawableSurface(pixels) || !HasReadablePixels(source)) {
        return;
    }
    // Samples stay on source pixels the rectangle and the image share.
    const Rect bounds = SafeIntersection(srcRect, Rect(0, 0, source.mWidth, source.mHeight));
    if (bounds.mWidth <= 0 || bounds.mHeight <= 0) {
        return;
    }
    NativeBlitSource native;
    native.mNative = source.GetNativeAlphaData(layout);
    native.mIndices = source.mPalette ? source.mPaletteIndices.get() : nullptr;
    native.mStride = source.mWidth;
    SurfaceStretch stretch;
    stretch.mClipped = map.mClipped;
    stretch.mSource = map.mSource;
    stretch.mBounds = bounds;
    stretch.mMirror = mirror;
    StretchIntoSurface(pixels, native, stretch, color, drawMode);
}

}  // namespace

void DDImage::BltRotated(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                         const Color& color, DrawMode drawMode, double angle, float centerX,
                         float centerY) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    // Checked before the 3-D road: a video-only surface is never drawn here.
    if (mVideoOnly) {
        return;
    }
    CommitBits();
    if (Check3D()) {
        if (D3DInterface* d3d = Get3DDevice(); d3d != nullptr) {
            d3d->BltRotated(image, x, y, &clipRect, color, drawMode, centerX, centerY, srcRect,
                            angle);
        }
        return;
    }
    if (mHasAlpha || mHasTrans || DisplayIs3D() || WithoutDisplay()) {
        if (GetBits() != nullptr) {
            MemoryImage::BltRotated(image, x, y, srcRect, clipRect, color, drawMode, angle, centerX,
                                    centerY);
        }
        return;
    }
    if (srcRect.mWidth <= 0 || srcRect.mHeight <= 0 || srcRect.mWidth > kMaxFixedSourceSide ||
        srcRect.mHeight > kMaxFixedSourceSide) {
        return;
    }
    // A clip reaching past the image would let the box leave the surface.
    const Rect clip = SafeIntersection(clipRect, Rect(0, 0, mWidth, mHeight));
    const FRect box = RotatedBlitBox(x, y, srcRect.mWidth, srcRect.mHeight, angle, centerX, centerY)
                          .Intersection(FRect(clip.mX, clip.mY, clip.mWidth, clip.mHeight));
    if (!(box.mWidth > 0.0) || !(box.mHeight > 0.0)) {
        return;
    }
    auto* source = image->AsMemoryImage();
    if (source == nullptr) {
        FreeNonSurfaceBuffers();
        return;
    }
    source->CommitBits();
    // Only pixels of the rectangle that lie in the source are ever sampled.
    const Rect area = SafeIntersection(srcRect, Rect(0, 0, source->mWidth, source->mHeight));
    const bool hasArea = area.mWidth > 0 && area.mHeight > 0;
    const size_t origin = hasArea
                              ? static_cast<size_t>(area.mY) * static_cast<size_t>(source->mWidth) +
                                    static_cast<size_t>(area.mX)
                              : 0;
    StraightBlitSource texels;
    texels.mStride = source->mWidth;
    if (source->mPalette) {
        if (source->mPaletteIndices) {
            texels.mPixels = source->mPalette.get();
            texels.mIndices = source->mPaletteIndices.get() + origin;
        }
    } else if (uint32_t* bits = source->GetBits(); bits != nullptr) {
        texels.mPixels = bits + origin;
    }
    if (texels.mPixels == nullptr) {
        return;
    }

    if (!LockSurface()) {
        return;
    }
    const SurfacePixels pixels = LockedPixels();
    if (IsDrawableSurface(pixels)) {
        SurfaceRotation rotation;
        rotation.mX = x;
        rotation.mY = y;
        rotation.mAngle = angle;
        rotation.mCenterX = centerX;
        rotation.mCenterY = centerY;
        rotation.mBox = box.Intersection(FRect(0, 0, pixels.mWidth, pixels.mHeight));
        rotation.mAreaX = area.mX - srcRect.mX;
        rotation.mAreaY = area.mY - srcRect.mY;
        rotation.mWidth = hasArea ? area.mWidth : 0;
        rotation.mHeight = hasArea ? area.mHeight : 0;
        RotateIntoSurface(pixels, texels, rotation, color, drawMode);
    }
    UnlockSurface();
    FreeNonSurfaceBuffers();
}

void DDImage::StretchBlt(Image* image, const Rect& destRect, const Rect& srcRect,
                         const Rect& clipRect, const Color& color, DrawMode drawMode,
                         bool fastStretch) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    CommitBits();
    if (Check3D()) {
        if (D3DInterface* d3d = Get3DDevice(); d3d != nullptr) {
            d3d->StretchBlt(image, destRect, srcRect, &clipRect, color, drawMode, fastStretch,
                            false);
        }
        return;
    }
    StretchMapping map;
    if (!MapStretch(destRect, srcRect, SafeIntersection(clipRect, Rect(0, 0, mWidth, mHeight)),
                    false, map)) {
        return;
    }
    const Rect& out = map.mClipped;

    if (!fastStretch) {
        if (mHasAlpha || mHasTrans || DisplayIs3D() || WithoutDisplay()) {
            if (GetBits() != nullptr) {
                MemoryImage::StretchBlt(image, destRect, srcRect, clipRect, color, drawMode, false);
            }
            return;
        }
        auto* source = image->AsMemoryImage();
        if (source == nullptr) {
            FreeNonSurfaceBuffers();
            return;
        }
        source->CommitBits();
        {
            // Filled with the filtered colour and alpha, not premultiplied:
            // the blit premultiplies once.
            MemoryImage scaled(mApp);
            scaled.Create(out.mWidth, out.mHeight);
            uint32_t* bits = scaled.GetBits();
            const Rect bounds =
                SafeIntersection(srcRect, Rect(0, 0, source->mWidth, source->mHeight));
            if (bits != nullptr && SmoothResampler::Resample(*source, bounds, map.mSource, bits,
                                                             out.mWidth, out.mWidth, out.mHeight)) {
                scaled.BitsChanged();
                Blt(&scaled, out.mX, out.mY, Rect(0, 0, out.mWidth, out.mHeight), color, drawMode);
            }
        }
        FreeNonSurfaceBuffers();
        return;
    }

    auto* ddSource = image->AsDDImage();
    if (ddSource != nullptr && color.IsWhite() && drawMode == kDrawModeNormal &&
        !ddSource->mHasAlpha && ddSource->GetSurface() != nullptr && GetSurface() != nullptr) {
        platform::Surface* dest = GetSurface();
        const FRect& src = map.mSource;
        const platform::SurfaceRect destArea{out.mX, out.mY, out.mX + out.mWidth,
                                             out.mY + out.mHeight};
        const platform::SurfaceRect sourceArea{EdgeOf(src.mX), EdgeOf(src.mY),
                                               EdgeOf(src.mX + src.mWidth),
                                               EdgeOf(src.mY + src.mHeight)};
        // The display stretches only into an unlocked surface; an outer lock
        // is taken again afterwards.
        const bool relock = mLockCount > 0;
        if (relock) {
            dest->Unlock();
        }
        dest->Blt(&destArea, *ddSource->GetSurface(), &sourceArea,
                  ddSource->mHasTrans ? platform::BltKey::Source : platform::BltKey::None);
        if (relock) {
            platform::LockedSurface desc;
            if (platform::Failed(dest->Lock(desc))) {
                // The outer lock is gone: its holders must not write through
                // the old description.
                mLockCount = 0;
                mLockedSurfaceDesc = platform::LockedSurface{};
                return;
            }
            mLockedSurfaceDesc = desc;
        }
        FreeNonSurfaceBuffers();
        return;
    }
    if (GetSurface() == nullptr) {
        // Nothing to lock (an image with alpha has no surface): the pixels
        // live in the bits, and the memory image stretches them.
        if (GetBits() != nullptr) {
            MemoryImage::StretchBlt(image, destRect, srcRect, clipRect, color, drawMode, true);
        }
        return;
    }
    auto* source = image->AsMemoryImage();
    if (source == nullptr) {
        FreeNonSurfaceBuffers();
        return;
    }
    source->CommitBits();
    if (!LockSurface()) {
        return;
    }
    const SurfacePixels pixels = LockedPixels();
    DrawNearest(pixels, *source, NativeLayout(pixels), srcRect, map, color, drawMode, false);
    UnlockSurface();
    FreeNonSurfaceBuffers();
}

void DDImage::StretchBltMirror(Image* image, const Rect& destRect, const Rect& srcRect,
                               const Rect& clipRect, const Color& color, DrawMode drawMode,
                               bool fastStretch) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    CommitBits();
    if (Check3D()) {
        if (D3DInterface* d3d = Get3DDevice(); d3d != nullptr) {
            d3d->StretchBlt(image, destRect, srcRect, &clipRect, color, drawMode, fastStretch,
                            true);
        }
        return;
    }
    StretchMapping map;
    if (!MapStretch(destRect, srcRect, SafeIntersection(clipRect, Rect(0, 0, mWidth, mHeight)),
                    true, map)) {
        return;
    }
    auto* source = image->AsMemoryImage();
    if (source == nullptr) {
        FreeNonSurfaceBuffers();
        return;
    }
    source->CommitBits();
    if (!LockSurface()) {
        return;
    }
    const SurfacePixels pixels = LockedPixels();
    DrawNearest(pixels, *source, NativeLayout(pixels), srcRect, map, color, drawMode, true);
    UnlockSurface();
    FreeNonSurfaceBuffers();
}

}  // namespace Vesk
