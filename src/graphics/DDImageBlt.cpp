// The blits of a surface image: the choice between the display's copy, the
// memory image's routines on the bits and the software blitters on the locked
// surface, and the blitters' set-up (sources, clipping, locking).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <typeinfo>

#include "graphics/D3DInterface.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/PixelBlend.h"
#include "graphics/SpanDrawer.h"
#include "graphics/TriangleSetup.h"
#include "platform/Surface.h"

namespace Vesk {

namespace {

using PixelBlend::ClampByte;

// Some form of the source's pixels exists to build its native data from.
bool SourceHasPixels(MemoryImage& source) {
    if (source.mPalette) {
        // Native data of a colour table is useless without the indices.
        return source.mPaletteIndices != nullptr;
    }
    return source.mBits || source.mNativeAlpha || source.GetBits() != nullptr;
}

// The triangle set-up's name for the surface's format; 0 when it has none.
uint32_t TriangleFormatOf(const SurfacePixels& pixels) {
    if (pixels.mBitsPerPixel == 32) {
        return kFormat888;
    }
    if (pixels.mRedMask == 0xF800 && pixels.mGreenMask == 0x07E0 && pixels.mBlueMask == 0x001F) {
        return kFormat565;
    }
    if (pixels.mRedMask == 0x7C00 && pixels.mGreenMask == 0x03E0 && pixels.mBlueMask == 0x001F) {
        return kFormat555;
    }
    return 0;
}

TriangleTarget TargetOf(const SurfacePixels& pixels, uint32_t format) {
    TriangleTarget target;
    target.mBits = pixels.mBits;
    target.mPitch = pixels.mPitch;
    target.mWidth = pixels.mWidth;
    target.mHeight = pixels.mHeight;
    target.mFormat = format;
    return target;
}

}  // namespace

// ---- Entry points ----------------------------------------------------------

void DDImage::Blt(Image* image, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                  DrawMode drawMode) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    CommitBits();
    if (Check3D()) {
        auto* ddSource = image->AsDDImage();
        if (ddSource != nullptr && ddSource->mSurface && drawMode == kDrawModeNormal &&
            color.IsWhite() && !ddSource->mHasAlpha) {
            HardwareCopy(ddSource, x, y, srcRect);
        } else if (D3DInterface* d3d = Get3DDevice(); d3d != nullptr) {
            d3d->Blt(image, static_cast<float>(x), static_cast<float>(y), srcRect, color, drawMode,
                     false);
        }
        return;
    }
    if (mHasAlpha || mHasTrans || (DisplayIs3D() && !IsCursorAreaImage()) || WithoutDisplay()) {
        if (GetBits() != nullptr) {
            MemoryImage::Blt(image, x, y, srcRect, color, drawMode);
        }
        return;
    }
    if (drawMode == kDrawModeNormal) {
        NormalBlt(image, x, y, srcRect, color);
    } else if (drawMode == kDrawModeAdditive) {
        AdditiveBlt(image, x, y, srcRect, color);
    }
    FreeNonSurfaceBuffers();
}

bool DDImage::TakesAdditiveOnSurface() const {
    return !Check3D() && !mHasAlpha && !mHasTrans && !(DisplayIs3D() && !IsCursorAreaImage()) &&
           !WithoutDisplay() && !mVideoOnly;
}

void DDImage::BltMany(std::span<const PlacedBlit> blits, DrawMode drawMode) {
    CommitBits();
    // Drawn from itself, the image's own buffers must go after every blit, as Blt does.
    const bool fromItself = std::any_of(
        blits.begin(), blits.end(), [this](const PlacedBlit& blit) { return blit.mImage == this; });
    if (drawMode != kDrawModeAdditive || fromItself || !TakesAdditiveOnSurface()) {
        Image::BltMany(blits, drawMode);
        return;
    }
    SurfacePixels pixels;
    const bool locked = LockForDrawing(pixels);
    const AdditiveLayout layout = locked ? AdditiveLayoutOf(pixels) : AdditiveLayout{};
    AdditiveTint tint;
    bool haveTint = false;
    // The additive data of the last few pictures, which nothing in the batch changes.
    struct Known {
        MemoryImage* mImage = nullptr;
        bool mHasPixels = false;
        NativeBlitSource mNative;
    };
    std::array<Known, 4> known{};
    size_t nextKnown = 0;
    for (const PlacedBlit& blit : blits) {
        if (blit.mImage == nullptr) {
            continue;
        }
        blit.mImage->mUsedAsSource = true;
        auto* source = blit.mImage->AsMemoryImage();
        if (!locked || source == nullptr) {
            continue;
        }
        auto found = std::find_if(known.begin(), known.end(),
                                  [source](const Known& k) { return k.mImage == source; });
        BlitArea area{blit.mX,
                      blit.mY,
                      blit.mSrcRect.mX,
                      blit.mSrcRect.mY,
                      blit.mSrcRect.mWidth,
                      blit.mSrcRect.mHeight,
                      false};
        if (!ClipBlitArea(area, source->mWidth, source->mHeight, pixels.mWidth, pixels.mHeight)) {
            continue;
        }
        if (found == known.end()) {
            found = known.begin() + static_cast<std::ptrdiff_t>(nextKnown);
            nextKnown = (nextKnown + 1) % known.size();
            found->mImage = source;
            found->mNative = NativeBlitSource{};
            found->mHasPixels = AdditiveSource(*source, pixels, found->mNative);
        }
        if (!found->mHasPixels) {
            continue;
        }
        if (!haveTint || tint.mColor != blit.mColor) {
            tint = AdditiveTintOf(layout, blit.mColor);
            haveTint = true;
        }
        BlitNativeAdditive(pixels, area, found->mNative, tint);
    }
    if (locked) {
        UnlockSurface();
    }
    FreeNonSurfaceBuffers();
}

void DDImage::BltF(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                   const Color& color, DrawMode drawMode) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    if (D3DInterface* d3d = Get3DDevice(); d3d != nullptr) {
        const FRect area(x, y, srcRect.mWidth, srcRect.mHeight);
        const FRect clipped =
            area.Intersection(FRect(clipRect.mX, clipRect.mY, clipRect.mWidth, clipRect.mHeight));
        if (clipped.mWidth == area.mWidth && clipped.mHeight == area.mHeight) {
            d3d->Blt(image, x, y, srcRect, color, drawMode, true);
        } else if (clipped.mWidth > 0.0 && clipped.mHeight > 0.0) {
            d3d->BltClipF(image, x, y, srcRect, &clipRect, color, drawMode);
        }
        return;
    }
    BltRotated(image, x, y, srcRect, clipRect, color, drawMode, 0.0, 0.0f, 0.0f);
}

void DDImage::BltMirror(Image* image, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                        DrawMode drawMode) {
    CommitBits();
    if (Check3D()) {
        if (D3DInterface* d3d = Get3DDevice(); d3d != nullptr) {
            d3d->BltMirror(image, static_cast<float>(x), static_cast<float>(y), srcRect, color,
                           drawMode);
        }
        return;
    }
    if (drawMode == kDrawModeNormal) {
        NormalBltMirror(image, x, y, srcRect, color);
    } else if (drawMode == kDrawModeAdditive) {
        AdditiveBltMirror(image, x, y, srcRect, color);
    }
    FreeNonSurfaceBuffers();
}

void DDImage::BltMatrix(Image* image, float x, float y, const Matrix3x3& matrix,
                        const Rect& clipRect, const Color& color, DrawMode drawMode,
                        const Rect& srcRect, bool blend) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    if (Check3D()) {
        if (D3DInterface* d3d = Get3DDevice(); d3d != nullptr) {
            d3d->BltTransformed(image, &clipRect, color, drawMode, srcRect, matrix, blend, x, y,
                                true);
        }
        return;
    }
    // An image that keeps its bits has no surface to lock (alpha never gets
    // one): the matrix is drawn into the bits, as the other blits do.
    if (mHasAlpha || mHasTrans || DisplayIs3D() || WithoutDisplay()) {
        if (GetBits() != nullptr) {
            MemoryImage::BltMatrix(image, x, y, matrix, clipRect, color, drawMode, srcRect, blend);
        }
        return;
    }
    SurfacePixels pixels;
    if (!LockForDrawing(pixels)) {
        return;
    }
    const uint32_t format = TriangleFormatOf(pixels);
    auto* source = image->AsMemoryImage();
    if (format != 0 && source != nullptr && srcRect.mWidth > 0 && srcRect.mHeight > 0) {
        TexelVertex quad[4];
        MatrixBlitQuad(matrix, x, y, srcRect, quad);
        TriangleDraw draw;
        draw.mTexture = source;
        draw.mTextureRect = srcRect;
        draw.mClip = clipRect;
        draw.mColor = color;
        draw.mDrawMode = drawMode;
        draw.mBlend = blend;
        DrawTriangleStrip(TargetOf(pixels, format), draw, quad, 4);
    }
    UnlockSurface();
    FreeNonSurfaceBuffers();
}

void DDImage::BltTrianglesTex(Image* texture, const TriVertex (*triangles)[3],
                              int32_t triangleCount, const Rect& clipRect, const Color& color,
                              DrawMode drawMode, float tx, float ty, bool blend) {
    MemoryImage* source = nullptr;
    if (texture != nullptr) {
        texture->mUsedAsSource = true;
        source = texture->AsMemoryImage();
        if (source == nullptr) {
            return;
        }
    }
    if (Check3D()) {
        // The device clips to the screen; the clip rectangle is not passed on.
        if (D3DInterface* d3d = Get3DDevice(); d3d != nullptr) {
            d3d->BltTriangles(triangles, triangleCount, color, drawMode, texture, tx, ty, blend);
        }
        return;
    }
    if (mHasAlpha || mHasTrans || DisplayIs3D() || WithoutDisplay()) {
        if (GetBits() != nullptr) {
            MemoryImage::BltTrianglesTex(texture, triangles, triangleCount, clipRect, color,
                                         kDrawModeNormal, tx, ty, blend);
        }
        return;
    }
    if (triangles == nullptr || triangleCount <= 0) {
        return;
    }
    SurfacePixels pixels;
    if (!LockForDrawing(pixels)) {
        return;
    }
    const uint32_t format = TriangleFormatOf(pixels);
    if (format != 0) {
        const TriangleTarget target = TargetOf(pixels, format);
        const int32_t textureWidth = source != nullptr ? source->mWidth : 0;
        const int32_t textureHeight = source != nullptr ? source->mHeight : 0;
        TriangleDraw draw;
        draw.mTexture = source;
        draw.mTextureRect = Rect(0, 0, textureWidth, textureHeight);
        draw.mClip = clipRect;
        draw.mColor = color;
        // Software triangles always draw normally.
        draw.mDrawMode = kDrawModeNormal;
        draw.mBlend = blend;
        for (int32_t t = 0; t < triangleCount; ++t) {
            TexelVertex corners[3];
            bool vertexColors = false;
            for (int i = 0; i < 3; ++i) {
                corners[i] = ToTexelVertex(triangles[t][i], tx, ty, textureWidth, textureHeight);
                vertexColors = vertexColors || triangles[t][i].color != 0;
            }
            draw.mVertexColors = vertexColors;
            DrawTriangleStrip(target, draw, corners, 3);
        }
    }
    UnlockSurface();
    FreeNonSurfaceBuffers();
}

void DDImage::FillScanLinesWithCoverage(Span* spans, int32_t spanCount, const Color& color,
                                        DrawMode drawMode, const uint8_t* coverage, int32_t coverX,
                                        int32_t coverY, int32_t coverWidth, int32_t coverHeight) {
    if (spans == nullptr || spanCount <= 0) {
        return;
    }
    if (Check3D()) {
        // The spans are filled into an image of their bounding box (as far as the screen
        // reaches), which is then blitted through the device.
        int64_t left = INT64_MAX;
        int64_t top = INT64_MAX;
        int64_t right = INT64_MIN;
        int64_t bottom = INT64_MIN;
        for (int32_t i = 0; i < spanCount; ++i) {
            left = std::min<int64_t>(left, spans[i].mX);
            top = std::min<int64_t>(top, spans[i].mY);
            right = std::max<int64_t>(right, int64_t{spans[i].mX} + spans[i].mWidth - 1);
            bottom = std::max<int64_t>(bottom, spans[i].mY);
        }
        left = std::max<int64_t>(left, 0);
        top = std::max<int64_t>(top, 0);
        right = std::min<int64_t>(right, int64_t{mWidth} - 1);
        bottom = std::min<int64_t>(bottom, int64_t{mHeight} - 1);
        if (right < left || bottom < top) {
            return;
        }
        auto rebase = [](int64_t value, int64_t by) {
            return static_cast<int32_t>(std::clamp<int64_t>(value - by, INT32_MIN, INT32_MAX));
        };
        for (int32_t i = 0; i < spanCount; ++i) {
            spans[i].mX = rebase(spans[i].mX, left);
            spans[i].mY = rebase(spans[i].mY, top);
        }
        const auto x = static_cast<int32_t>(left);
        const auto y = static_cast<int32_t>(top);
        const auto width = static_cast<int32_t>(right - left + 1);
        const auto height = static_cast<int32_t>(bottom - top + 1);
        MemoryImage covered(mApp);
        covered.Create(width, height);
        covered.MemoryImage::FillScanLinesWithCoverage(spans, spanCount, color, drawMode, coverage,
                                                       rebase(coverX, left), rebase(coverY, top),
                                                       coverWidth, coverHeight);
        Blt(&covered, x, y, Rect(0, 0, width, height), Color::White, drawMode);
        return;
    }
    SurfacePixels pixels;
    if (!LockForDrawing(pixels)) {
        return;
    }
    const uint32_t masks[3] = {pixels.mRedMask, pixels.mGreenMask, pixels.mBlueMask};
    const uint32_t values[3] = {ClampByte(color.mRed), ClampByte(color.mGreen),
                                ClampByte(color.mBlue)};
    uint32_t cd = 0;
    for (int c = 0; c < 3; ++c) {
        cd |= ((values[c] * masks[c]) >> 8) & masks[c];
    }
    const uint32_t ca = ClampByte(color.mAlpha);
    auto blend = [&](uint32_t d, uint32_t a) {
        uint32_t out = 0;
        for (uint32_t m : masks) {
            out |= ((((d & m) * (256 - a)) + ((cd & m) * a)) >> 8) & m;
        }
        return out;
    };
    for (int32_t i = 0; i < spanCount && coverage != nullptr; ++i) {
        const Span& span = spans[i];
        const int64_t y = span.mY;
        const int64_t cy = y - coverY;
        if (y < 0 || y >= pixels.mHeight || cy < 0 || cy >= coverHeight) {
            continue;
        }
        // Only pixels inside the surface and inside the coverage mask.
        const int64_t left = std::max<int64_t>({span.mX, 0, coverX});
        const int64_t right = std::min<int64_t>(
            {int64_t{span.mX} + span.mWidth, pixels.mWidth, int64_t{coverX} + coverWidth});
        const uint8_t* cov = coverage + cy * coverWidth;
        uint8_t* row = pixels.mBits + static_cast<ptrdiff_t>(pixels.mPitch) * y;
        for (int64_t x = left; x < right; ++x) {
            const uint32_t a = ((static_cast<uint32_t>(cov[x - coverX]) + 1) * ca) >> 8;
            if (pixels.mBitsPerPixel == 16) {
                auto* p = reinterpret_cast<uint16_t*>(row) + x;
                *p = static_cast<uint16_t>(blend(*p, a));
            } else {
                auto* p = reinterpret_cast<uint32_t*>(row) + x;
                *p = blend(*p, a);
            }
        }
    }
    UnlockSurface();
    FreeNonSurfaceBuffers();
}

bool DDImage::Palletize() {
    if (!MemoryImage::Palletize()) {
        return false;
    }
    DeleteDDSurface();
    return true;
}

// ---- Software blitters -----------------------------------------------------

bool DDImage::HardwareCopy(DDImage* source, int32_t x, int32_t y, const Rect& srcRect) {
    platform::Surface* dest = GetSurface();
    if (dest == nullptr) {
        return false;
    }
    platform::Surface* from = source->GetSurface();
    if (from == nullptr) {
        return false;
    }
    BlitArea area{x, y, srcRect.mX, srcRect.mY, srcRect.mWidth, srcRect.mHeight, false};
    if (!ClipBlitArea(area, std::min(source->mWidth, from->Width()),
                      std::min(source->mHeight, from->Height()), std::min(mWidth, dest->Width()),
                      std::min(mHeight, dest->Height()))) {
        return true;
    }
    // The copy runs only on an unlocked destination; an outer lock is taken
    // again afterwards.
    const bool relock = mLockCount > 0;
    if (relock) {
        dest->Unlock();
    }
    const platform::SurfaceRect destRect{area.mDestX, area.mDestY, area.mDestX + area.mWidth,
                                         area.mDestY + area.mHeight};
    const platform::SurfaceRect sourceRect{area.mSrcX, area.mSrcY, area.mSrcX + area.mWidth,
                                           area.mSrcY + area.mHeight};
    dest->Blt(&destRect, *from, &sourceRect,
              source->mHasTrans ? platform::BltKey::Source : platform::BltKey::None);
    if (relock) {
        platform::LockedSurface desc;
        if (platform::Succeeded(dest->Lock(desc))) {
            mLockedSurfaceDesc = desc;
        } else {
            mLockCount = 0;
            mLockedSurfaceDesc = platform::LockedSurface{};
        }
    }
    return true;
}

void DDImage::NormalBlt(Image* image, int32_t x, int32_t y, const Rect& srcRect,
                        const Color& color) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    MemoryImage* source = image->AsMemoryImage();
    DDImage* ddSource = image->AsDDImage();
    if (source == nullptr) {
        return;
    }
    source->CommitBits();
    const bool white = color.IsWhite();
    BlitArea area{x, y, srcRect.mX, srcRect.mY, srcRect.mWidth, srcRect.mHeight, false};

    if (source->mVolatile && !(ddSource != nullptr && ddSource->mSurface) && !mVideoOnly && white) {
        SurfacePixels pixels;
        if (!LockForDrawing(pixels)) {
            return;
        }
        StraightBlitSource straight;
        straight.mStride = source->mWidth;
        if (source->mPalette && source->mPaletteIndices) {
            straight.mPixels = source->mPalette.get();
            straight.mIndices = source->mPaletteIndices.get();
        } else {
            straight.mPixels = source->GetBits();
        }
        if (straight.mPixels != nullptr &&
            ClipBlitArea(area, source->mWidth, source->mHeight, pixels.mWidth, pixels.mHeight)) {
            BlitStraightVolatile(pixels, area, straight);
        }
        UnlockSurface();
        return;
    }

    if (!source->mHasAlpha && white) {
        if (ddSource != nullptr && !(ddSource->mWantVideoMemory && !mWantVideoMemory) &&
            ddSource->GetSurface() != nullptr) {
            HardwareCopy(ddSource, x, y, srcRect);
            return;
        }
        if (mVideoOnly) {
            return;
        }
        SurfacePixels pixels;
        if (!LockForDrawing(pixels)) {
            return;
        }
        if (ClipBlitArea(area, source->mWidth, source->mHeight, pixels.mWidth, pixels.mHeight) &&
            SourceHasPixels(*source)) {
            NativeBlitSource native;
            native.mNative = source->GetNativeAlphaData(NativeLayout(pixels));
            native.mIndices = source->mPalette ? source->mPaletteIndices.get() : nullptr;
            native.mStride = source->mWidth;
            BlitNativeOpaque(pixels, area, native, source->mHasTrans);
        }
        UnlockSurface();
        return;
    }

    if (mVideoOnly) {
        return;
    }
    BlitAlphaRoad(source, area, color);
}

void DDImage::NormalBltMirror(Image* image, int32_t x, int32_t y, const Rect& srcRect,
                              const Color& color) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    auto* source = image->AsMemoryImage();
    if (source == nullptr || mVideoOnly) {
        return;
    }
    source->CommitBits();
    BlitAlphaRoad(source,
                  BlitArea{x, y, srcRect.mX, srcRect.mY, srcRect.mWidth, srcRect.mHeight, true},
                  color);
}

void DDImage::BlitAlphaRoad(MemoryImage* source, const BlitArea& wanted, const Color& color) {
    SurfacePixels pixels;
    if (!LockForDrawing(pixels)) {
        return;
    }
    BlitArea area = wanted;
    if (ClipBlitArea(area, source->mWidth, source->mHeight, pixels.mWidth, pixels.mHeight) &&
        SourceHasPixels(*source)) {
        NativeBlitSource native;
        native.mNative = source->GetNativeAlphaData(NativeLayout(pixels));
        native.mRuns = source->GetRLAlphaData();
        native.mSpans = source->GetRLAlphaSpans();
        native.mIndices = source->mPalette ? source->mPaletteIndices.get() : nullptr;
        native.mStride = source->mWidth;
        BlitNativeAlpha(pixels, area, native, color);
    }
    UnlockSurface();
}

void DDImage::AdditiveBlt(Image* image, int32_t x, int32_t y, const Rect& srcRect,
                          const Color& color) {
    BlitAdditive(image, x, y, srcRect, color, false);
}

void DDImage::AdditiveBltMirror(Image* image, int32_t x, int32_t y, const Rect& srcRect,
                                const Color& color) {
    BlitAdditive(image, x, y, srcRect, color, true);
}

void DDImage::BlitAdditive(Image* image, int32_t x, int32_t y, const Rect& srcRect,
                           const Color& color, bool mirror) {
    if (image == nullptr) {
        return;
    }
    image->mUsedAsSource = true;
    auto* source = image->AsMemoryImage();
    if (mVideoOnly || source == nullptr) {
        return;
    }
    SurfacePixels pixels;
    if (!LockForDrawing(pixels)) {
        return;
    }
    BlitArea area{x, y, srcRect.mX, srcRect.mY, srcRect.mWidth, srcRect.mHeight, mirror};
    NativeBlitSource native;
    if (ClipBlitArea(area, source->mWidth, source->mHeight, pixels.mWidth, pixels.mHeight) &&
        AdditiveSource(*source, pixels, native)) {
        BlitNativeAdditive(pixels, area, native, color);
    }
    UnlockSurface();
}

bool DDImage::AdditiveSource(MemoryImage& source, const SurfacePixels& pixels,
                             NativeBlitSource& native) {
    if (!SourceHasPixels(source)) {
        return false;
    }
    const NativeDisplay* layout = NativeLayout(pixels);
    native.mNative = source.GetNativeAlphaData(layout);
    source.CommitBits();
    native.mRuns = source.GetRLAdditiveData(layout);
    native.mIndices = source.mPalette ? source.mPaletteIndices.get() : nullptr;
    native.mStride = source.mWidth;
    if (native.mIndices != nullptr) {
        if (const uint32_t* unpacked = source.GetUnpackedNativeData(layout)) {
            native.mNative = unpacked;
            native.mIndices = nullptr;
        }
    }
    return true;
}

}  // namespace Vesk
