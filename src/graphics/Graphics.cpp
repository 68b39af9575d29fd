#include "graphics/Graphics.h"

#include "graphics/DDImage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <typeinfo>
#include <utility>

#include "graphics/Image.h"
#include "graphics/MemoryImage.h"
#include "util/Matrix3x3.h"
#include "util/Transform2D.h"

namespace Vesk {

Image gEmptyImage;

namespace {

// Truncates toward zero; values beyond the int range (and NaN) are pinned so
// a wild translation can't make the conversion undefined.
int32_t Whole(double value) {
    if (!(value > -2147483648.0)) {
        return value != value ? 0 : std::numeric_limits<int32_t>::min();
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(value);
}

// Source rectangles are trusted by the blitters, which sample inside them
// without looking at the image.
bool SourceInside(const Image* image, const Rect& src) {
    return src.mX >= 0 && src.mY >= 0 && src.mWidth > 0 && src.mHeight > 0 &&
           static_cast<int64_t>(src.mX) + src.mWidth <= image->mWidth &&
           static_cast<int64_t>(src.mY) + src.mHeight <= image->mHeight;
}

Rect WholeImage(const Image* image) {
    return Rect(0, 0, image->mWidth, image->mHeight);
}

// The composed matrix without touching the caller's transform: a complex
// transform keeps its matrix current, a parameter one is composed afresh.
Matrix3x3 ComposedMatrix(const Transform2D& transform) {
    if (!transform.mNeedCalc) {
        return transform.mMatrix;
    }
    Transform2D fresh;
    fresh.mHaveRot = transform.mHaveRot;
    fresh.mHaveScale = transform.mHaveScale;
    fresh.mTransX1 = transform.mTransX1;
    fresh.mTransY1 = transform.mTransY1;
    fresh.mTransX2 = transform.mTransX2;
    fresh.mTransY2 = transform.mTransY2;
    fresh.mScaleX = transform.mScaleX;
    fresh.mScaleY = transform.mScaleY;
    fresh.mRot = transform.mRot;
    return fresh.GetMatrix();
}

// A cel count below 1 (bad data) counts as 1.
int32_t CelCount(int32_t count) {
    return count < 1 ? 1 : count;
}

}  // namespace

Graphics::Graphics(Image* destImage) {
    if (destImage == nullptr) {
        mDestImage = &gEmptyImage;
        mClipRect = Rect(0, 0, 0, 0);
    } else {
        mDestImage = destImage;
        mClipRect = Rect(0, 0, destImage->mWidth, destImage->mHeight);
    }
    // Only the display's Direct3D draw surface is a 3-D destination.
    mIs3D = DDImage::Check3DImage(mDestImage);
}

Graphics::Graphics(const Graphics& other) : GraphicsState(other) {}

Graphics::~Graphics() = default;

std::unique_ptr<Graphics> Graphics::Create() const {
    return std::make_unique<Graphics>(*this);
}

void Graphics::PushState() {
    mStateStack.push_back(*this);
}

void Graphics::PopState() {
    if (mStateStack.empty()) {
        return;
    }
    CopyStateFrom(mStateStack.back());
    mStateStack.pop_back();
}

void Graphics::Translate(int32_t dx, int32_t dy) {
    mTransX += static_cast<float>(dx);
    mTransY += static_cast<float>(dy);
}

int32_t Graphics::PlaceX(int32_t x) const {
    return Whole(mTransX + static_cast<float>(x));
}

int32_t Graphics::PlaceY(int32_t y) const {
    return Whole(mTransY + static_cast<float>(y));
}

void Graphics::ClipRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    mClipRect = mClipRect.Intersection(Rect(PlaceX(x), PlaceY(y), width, height));
}

Rect Graphics::DestClip() const {
    return mClipRect.Intersection(WholeImage(mDestImage));
}

void Graphics::FillRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (mColor.mAlpha == 0) {
        return;
    }
    const Rect rect = Rect(PlaceX(x), PlaceY(y), width, height).Intersection(DestClip());
    if (rect.mWidth <= 0 || rect.mHeight <= 0) {
        return;
    }
    mDestImage->FillRect(rect, mColor, mDrawMode);
}

void Graphics::DrawRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (mColor.mAlpha == 0) {
        return;
    }
    const int32_t placedX = PlaceX(x);
    const int32_t placedY = PlaceY(y);
    // A negative size would make the image's outline reach outside the
    // rectangle it was checked against, so it takes the clipped road.
    if (width >= 0 && height >= 0 && width < std::numeric_limits<int32_t>::max() &&
        height < std::numeric_limits<int32_t>::max()) {
        const Rect outer(placedX, placedY, width + 1, height + 1);
        if (outer.Intersection(DestClip()) == outer) {
            mDestImage->DrawRect(Rect(placedX, placedY, width, height), mColor, mDrawMode);
            return;
        }
    }
    // The edges in 64 bits: a side past the int range lies outside every image anyway.
    auto edge = [this](int64_t ex, int64_t ey, int64_t ew, int64_t eh) {
        constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
        constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
        if (ex < kMin || ex > kMax || ey < kMin || ey > kMax || ew <= 0 || eh <= 0) {
            return;
        }
        FillRect(static_cast<int32_t>(ex), static_cast<int32_t>(ey),
                 static_cast<int32_t>(std::min(ew, kMax)),
                 static_cast<int32_t>(std::min(eh, kMax)));
    };
    const int64_t w = width;
    const int64_t h = height;
    edge(x, y, w + 1, 1);
    edge(x, int64_t{y} + h, w + 1, 1);
    edge(x, int64_t{y} + 1, 1, h - 1);
    edge(int64_t{x} + w, int64_t{y} + 1, 1, h - 1);
}

void Graphics::DrawLine(int32_t startX, int32_t startY, int32_t endX, int32_t endY) {
    double x1 = static_cast<double>(startX) + mTransX;
    double y1 = static_cast<double>(startY) + mTransY;
    double x2 = static_cast<double>(endX) + mTransX;
    double y2 = static_cast<double>(endY) + mTransY;
    if (!ClipLine(x1, y1, x2, y2)) {
        return;
    }
    mDestImage->DrawLine(x1, y1, x2, y2, mColor, mDrawMode);
}

bool Graphics::ClipLine(double& startX, double& startY, double& endX, double& endY) const {
    const Rect clip = DestClip();
    if (clip.mWidth <= 0 || clip.mHeight <= 0) {
        return false;
    }
    const double left = clip.mX;
    const double right = static_cast<double>(clip.mX) + clip.mWidth;
    const double top = clip.mY;
    const double bottom = static_cast<double>(clip.mY) + clip.mHeight;

    // a has the smaller x.
    double xa = startX, ya = startY, xb = endX, yb = endY;
    if (xb < xa) {
        std::swap(xa, xb);
        std::swap(ya, yb);
    }
    if (xa < left) {
        if (xb < left) {
            return false;
        }
        ya += (left - xa) * (yb - ya) / (xb - xa);
        xa = left;
    }
    if (xb >= right) {
        if (xa >= right) {
            return false;
        }
        yb += (right - 1 - xb) * (yb - ya) / (xb - xa);
        xb = right - 1;
    }

    // p has the smaller y.
    double xp = xa, yp = ya, xq = xb, yq = yb;
    if (yq < yp) {
        std::swap(xp, xq);
        std::swap(yp, yq);
    }
    if (yp < top) {
        if (yq < top) {
            return false;
        }
        xp += (top - yp) * (xq - xp) / (yq - yp);
        yp = top;
    }
    if (yq >= bottom) {
        if (yp >= bottom) {
            return false;
        }
        xq += (bottom - 1 - yq) * (xq - xp) / (yq - yp);
        yq = bottom - 1;
    }

    // The y pass can push x a rounding step outside the clip again; the
    // image trusts the clipped points, so pin them.
    for (double* x : {&xp, &xq}) {
        if (*x < left) {
            *x = left;
        } else if (*x >= right) {
            *x = right - 1;
        }
    }
    startX = xp;
    startY = yp;
    endX = xq;
    endY = yq;
    return true;
}

void Graphics::DrawImage(Image* image, int32_t x, int32_t y) {
    if (image == nullptr) {
        return;
    }
    if (mScaleX != 1.0f || mScaleY != 1.0f) {
        DrawImagePart(image, x, y, WholeImage(image));
        return;
    }
    const int32_t placedX = PlaceX(x);
    const int32_t placedY = PlaceY(y);
    const Rect dest =
        Rect(placedX, placedY, image->mWidth, image->mHeight).Intersection(DestClip());
    if (dest.mWidth <= 0 || dest.mHeight <= 0) {
        return;
    }
    const Rect src(dest.mX - placedX, dest.mY - placedY, dest.mWidth, dest.mHeight);
    mDestImage->Blt(image, dest.mX, dest.mY, src, Tint(), mDrawMode);
}

void Graphics::DrawImageStamps(std::span<const ImageStamp> stamps) {
    if (mScaleX != 1.0f || mScaleY != 1.0f) {
        const Color saved = mColor;
        for (const ImageStamp& stamp : stamps) {
            mColor = stamp.mColor;
            DrawImage(stamp.mImage, stamp.mX, stamp.mY);
        }
        mColor = saved;
        return;
    }
    // Other images take their own blits, handed over as DrawImage would hand them one by one.
    if (mDrawMode != kDrawModeAdditive || typeid(*mDestImage) != typeid(MemoryImage)) {
        constexpr size_t kBatch = 256;
        std::array<Image::PlacedBlit, kBatch> blits;
        size_t count = 0;
        const Rect clip = DestClip();
        for (const ImageStamp& stamp : stamps) {
            Image* image = stamp.mImage;
            if (image == nullptr) {
                continue;
            }
            const int32_t placedX = PlaceX(stamp.mX);
            const int32_t placedY = PlaceY(stamp.mY);
            const Rect dest =
                Rect(placedX, placedY, image->mWidth, image->mHeight).Intersection(clip);
            if (dest.mWidth <= 0 || dest.mHeight <= 0) {
                continue;
            }
            blits[count++] = {image, dest.mX, dest.mY,
                              Rect(dest.mX - placedX, dest.mY - placedY, dest.mWidth, dest.mHeight),
                              mColorizeImages ? stamp.mColor : Color::White};
            if (count == kBatch) {
                mDestImage->BltMany(std::span(blits.data(), count), mDrawMode);
                count = 0;
            }
        }
        if (count != 0) {
            mDestImage->BltMany(std::span(blits.data(), count), mDrawMode);
        }
        return;
    }
    constexpr size_t kBatch = 64;
    std::array<MemoryImage::SpriteBlit, kBatch> blits;
    size_t count = 0;
    auto* dest = static_cast<MemoryImage*>(mDestImage);
    const Rect clip = DestClip();
    Image* lastImage = nullptr;
    MemoryImage* sprite = nullptr;
    for (const ImageStamp& stamp : stamps) {
        Image* image = stamp.mImage;
        if (image == nullptr) {
            continue;
        }
        if (image != lastImage) {
            lastImage = image;
            sprite = image->AsMemoryImage();
        }
        if (sprite == nullptr) {
            // Drawn as Blt would: not at all, after marking it used.
            image->mUsedAsSource = true;
            continue;
        }
        const int32_t placedX = PlaceX(stamp.mX);
        const int32_t placedY = PlaceY(stamp.mY);
        const Rect area = Rect(placedX, placedY, image->mWidth, image->mHeight).Intersection(clip);
        if (area.mWidth <= 0 || area.mHeight <= 0) {
            continue;
        }
        blits[count++] = {sprite,
                          mColorizeImages ? &stamp.mColor : &Color::White,
                          area.mX,
                          area.mY,
                          area.mX - placedX,
                          area.mY - placedY,
                          area.mWidth,
                          area.mHeight};
        if (count == kBatch) {
            dest->AddSprites(std::span(blits.data(), count));
            count = 0;
        }
    }
    dest->AddSprites(std::span(blits.data(), count));
}

MemoryImage* Graphics::SpriteTarget(int32_t& shiftX, int32_t& shiftY, Rect& clip) const {
    // A whole translation places a stamp inside the clip by integer addition, as PlaceX does:
    // such a stamp's coordinates are small enough for floats to hold exactly.
    constexpr float kWholeShift = 1 << 22;
    if (mDrawMode != kDrawModeAdditive || mScaleX != 1.0f || mScaleY != 1.0f ||
        typeid(*mDestImage) != typeid(MemoryImage) || mTransX != std::trunc(mTransX) ||
        mTransY != std::trunc(mTransY) || !(std::abs(mTransX) < kWholeShift) ||
        !(std::abs(mTransY) < kWholeShift) || !mColorizeImages) {
        return nullptr;
    }
    shiftX = static_cast<int32_t>(mTransX);
    shiftY = static_cast<int32_t>(mTransY);
    clip = DestClip();
    return static_cast<MemoryImage*>(mDestImage);
}

void Graphics::DrawImagePart(Image* image, int32_t x, int32_t y, const Rect& srcRect) {
    if (image == nullptr || !SourceInside(image, srcRect)) {
        return;
    }
    const int32_t placedX = PlaceX(x);
    const int32_t placedY = PlaceY(y);
    if (mScaleX == 1.0f && mScaleY == 1.0f) {
        const Rect dest =
            Rect(placedX, placedY, srcRect.mWidth, srcRect.mHeight).Intersection(DestClip());
        if (dest.mWidth <= 0 || dest.mHeight <= 0) {
            return;
        }
        const Rect src(srcRect.mX + dest.mX - placedX, srcRect.mY + dest.mY - placedY, dest.mWidth,
                       dest.mHeight);
        mDestImage->Blt(image, dest.mX, dest.mY, src, Tint(), mDrawMode);
        return;
    }
    const float scaledWidth = static_cast<float>(srcRect.mWidth) * mScaleX;
    const float scaledHeight = static_cast<float>(srcRect.mHeight) * mScaleY;
    const float left =
        std::floor((static_cast<float>(placedX) - mScaleOrigX) * mScaleX) + mScaleOrigX;
    const float top =
        std::floor((static_cast<float>(placedY) - mScaleOrigY) * mScaleY) + mScaleOrigY;
    const Rect dest(Whole(left), Whole(top), Whole(std::ceil(scaledWidth)),
                    Whole(std::ceil(scaledHeight)));
    if (dest.mWidth <= 0 || dest.mHeight <= 0) {
        return;
    }
    mDestImage->StretchBlt(image, dest, srcRect, DestClip(), Tint(), mDrawMode, mFastStretch);
}

void Graphics::DrawImageMirror(Image* image, int32_t x, int32_t y, const Rect& srcRect) {
    if (image == nullptr || !SourceInside(image, srcRect)) {
        return;
    }
    const int32_t placedX = PlaceX(x);
    const int32_t placedY = PlaceY(y);
    const Rect dest =
        Rect(placedX, placedY, srcRect.mWidth, srcRect.mHeight).Intersection(DestClip());
    if (dest.mWidth <= 0 || dest.mHeight <= 0) {
        return;
    }
    // Mirrored, the columns lost on the left come off the source's right side.
    const Rect src(srcRect.mX + srcRect.mWidth - (dest.mX - placedX) - dest.mWidth,
                   srcRect.mY + dest.mY - placedY, dest.mWidth, dest.mHeight);
    mDestImage->BltMirror(image, dest.mX, dest.mY, src, Tint(), mDrawMode);
}

void Graphics::StretchPart(Image* image, const Rect& destRect, const Rect& srcRect, bool mirror) {
    if (image == nullptr || !SourceInside(image, srcRect) || destRect.mWidth <= 0 ||
        destRect.mHeight <= 0) {
        return;
    }
    const Rect dest(PlaceX(destRect.mX), PlaceY(destRect.mY), destRect.mWidth, destRect.mHeight);
    if (mirror) {
        mDestImage->StretchBltMirror(image, dest, srcRect, DestClip(), Tint(), mDrawMode,
                                     mFastStretch);
    } else {
        mDestImage->StretchBlt(image, dest, srcRect, DestClip(), Tint(), mDrawMode, mFastStretch);
    }
}

void Graphics::DrawImageStretched(Image* image, int32_t x, int32_t y, int32_t width,
                                  int32_t height) {
    if (image == nullptr) {
        return;
    }
    StretchPart(image, Rect(x, y, width, height), WholeImage(image), false);
}

void Graphics::DrawImageStretchedPart(Image* image, const Rect& destRect, const Rect& srcRect) {
    StretchPart(image, destRect, srcRect, false);
}

void Graphics::DrawImageMirrorStretched(Image* image, const Rect& destRect, const Rect& srcRect,
                                        bool mirror) {
    StretchPart(image, destRect, srcRect, mirror);
}

void Graphics::DrawImageF(Image* image, float x, float y) {
    if (image == nullptr) {
        return;
    }
    DrawImagePartF(image, x, y, WholeImage(image));
}

void Graphics::DrawImagePartF(Image* image, float x, float y, const Rect& srcRect) {
    if (image == nullptr || !SourceInside(image, srcRect)) {
        return;
    }
    mDestImage->BltF(image, mTransX + x, mTransY + y, srcRect, DestClip(), Tint(), mDrawMode);
}

void Graphics::DrawImageRotated(Image* image, int32_t x, int32_t y, double angle,
                                const Rect* srcRect) {
    if (image == nullptr) {
        return;
    }
    const Rect src = srcRect != nullptr ? *srcRect : WholeImage(image);
    DrawImageRotatedF(image, static_cast<float>(x), static_cast<float>(y), angle,
                      static_cast<float>(src.mWidth / 2), static_cast<float>(src.mHeight / 2),
                      &src);
}

void Graphics::DrawImageRotatedAbout(Image* image, int32_t x, int32_t y, double angle,
                                     int32_t centerX, int32_t centerY, const Rect* srcRect) {
    DrawImageRotatedF(image, static_cast<float>(x), static_cast<float>(y), angle,
                      static_cast<float>(centerX), static_cast<float>(centerY), srcRect);
}

void Graphics::DrawImageRotatedF(Image* image, float x, float y, double angle, float centerX,
                                 float centerY, const Rect* srcRect) {
    if (image == nullptr) {
        return;
    }
    const Rect src = srcRect != nullptr ? *srcRect : WholeImage(image);
    if (!SourceInside(image, src)) {
        return;
    }
    mDestImage->BltRotated(image, mTransX + x, mTransY + y, src, DestClip(), Tint(), mDrawMode,
                           angle, centerX, centerY);
}

void Graphics::DrawImageMatrix(Image* image, const Matrix3x3& matrix, const Rect& srcRect, float x,
                               float y) {
    if (image == nullptr || !SourceInside(image, srcRect)) {
        return;
    }
    mDestImage->BltMatrix(image, mTransX + x, mTransY + y, matrix, DestClip(), Tint(), mDrawMode,
                          srcRect, mLinearBlend);
}

void Graphics::DrawImageTransform(Image* image, const Transform2D& transform, float x, float y) {
    if (image == nullptr) {
        return;
    }
    DrawImageTransformHelper(image, transform, WholeImage(image), x, y, false);
}

void Graphics::DrawImageTransformF(Image* image, const Transform2D& transform, float x, float y) {
    if (image == nullptr) {
        return;
    }
    DrawImageTransformHelper(image, transform, WholeImage(image), x, y, true);
}

void Graphics::DrawImageTransformHelper(Image* image, const Transform2D& transform,
                                        const Rect& srcRect, float x, float y,
                                        bool floatPlacement) {
    if (image == nullptr) {
        return;
    }
    if (transform.mComplex || (floatPlacement && mIs3D)) {
        DrawImageMatrix(image, ComposedMatrix(transform), srcRect, x, y);
        return;
    }
    const float halfWidth = static_cast<float>(srcRect.mWidth) * 0.5f;
    const float halfHeight = static_cast<float>(srcRect.mHeight) * 0.5f;
    if (transform.mHaveRot) {
        const float centerX = halfWidth - transform.mTransX1;
        const float centerY = halfHeight - transform.mTransY1;
        const float drawX = x + transform.mTransX2 - centerX + 0.5f;
        const float drawY = y + transform.mTransY2 - centerY + 0.5f;
        if (floatPlacement) {
            DrawImageRotatedF(image, drawX, drawY, transform.mRot, centerX, centerY, &srcRect);
        } else {
            DrawImageRotatedAbout(image, Whole(drawX), Whole(drawY), transform.mRot, Whole(centerX),
                                  Whole(centerY), &srcRect);
        }
        return;
    }
    if (transform.mHaveScale) {
        const float scaleX = transform.mScaleX;
        const float scaleY = transform.mScaleY;
        if (scaleX == -1.0f && scaleY == 1.0f) {
            DrawImageMirror(
                image, Whole(x + transform.mTransX1 + transform.mTransX2 - halfWidth + 0.5f),
                Whole(y + transform.mTransY1 + transform.mTransY2 - halfHeight + 0.5f), srcRect);
            return;
        }
        Rect dest(Whole(x + transform.mTransX2 - scaleX * halfWidth),
                  Whole(y + transform.mTransY2 - scaleY * halfHeight),
                  Whole(2.0f * scaleX * halfWidth), Whole(2.0f * scaleY * halfHeight));
        bool mirror = scaleX == -1.0f;
        // A negative x scale mirrors: keep the rectangle the right way round
        // and let the blit flip it.
        if (dest.mWidth < 0) {
            dest.mX += dest.mWidth;
            dest.mWidth = -dest.mWidth;
            mirror = true;
        }
        DrawImageMirrorStretched(image, dest, srcRect, mirror);
        return;
    }
    const float drawX = x + transform.mTransX1 + transform.mTransX2 - halfWidth + 0.5f;
    const float drawY = y + transform.mTransY1 + transform.mTransY2 - halfHeight + 0.5f;
    if (floatPlacement) {
        DrawImagePartF(image, drawX, drawY, srcRect);
    } else {
        DrawImagePart(image, Whole(drawX), Whole(drawY), srcRect);
    }
}

void Graphics::DrawImageBox(const Rect& destRect, Image* image) {
    if (image == nullptr) {
        return;
    }
    DrawImageBoxPart(destRect, WholeImage(image), image);
}

void Graphics::DrawImageBoxPart(const Rect& destRect, const Rect& srcRect, Image* image) {
    if (image == nullptr || srcRect.mWidth <= 0 || srcRect.mHeight <= 0) {
        return;
    }
    const Rect& d = destRect;
    const Rect& s = srcRect;
    const int32_t cw = s.mWidth / 3;
    const int32_t ch = s.mHeight / 3;
    const int32_t mw = s.mWidth - 2 * cw;
    const int32_t mh = s.mHeight - 2 * ch;

    auto fits = [](int64_t v) {
        return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
    };
    auto part = [image, &fits](Graphics& g, int64_t x, int64_t y, const Rect& src) {
        if (fits(x) && fits(y)) {
            g.DrawImagePart(image, static_cast<int32_t>(x), static_cast<int32_t>(y), src);
        }
    };
    const int64_t right = int64_t{d.mX} + d.mWidth - cw;
    const int64_t bottom = int64_t{d.mY} + d.mHeight - ch;
    part(*this, d.mX, d.mY, Rect(s.mX, s.mY, cw, ch));
    part(*this, right, d.mY, Rect(s.mX + cw + mw, s.mY, cw, ch));
    part(*this, d.mX, bottom, Rect(s.mX, s.mY + ch + mh, cw, ch));
    part(*this, right, bottom, Rect(s.mX + cw + mw, s.mY + ch + mh, cw, ch));

    // Tiles are whole; the clipped copies cut the last one of each row. Only the tiles that
    // meet the clip are drawn, so a huge box costs what shows of it.
    const int64_t innerWidth = int64_t{d.mWidth} - 2 * cw;
    const int64_t innerHeight = int64_t{d.mHeight} - 2 * ch;
    const int64_t columns = innerWidth > 0 ? (innerWidth + mw - 1) / mw : 0;
    const int64_t rows = innerHeight > 0 ? (innerHeight + mh - 1) / mh : 0;
    const int64_t left = int64_t{d.mX} + cw;
    const int64_t top = int64_t{d.mY} + ch;
    auto clampSize = [](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, 0, std::numeric_limits<int32_t>::max()));
    };
    // Tiles [first, last) of a run from `origin` in steps of `step` that meet the clip span
    // [lo, hi) of untranslated coordinates; one tile of margin on each side for rounding.
    auto visible = [](int64_t origin, int64_t count, int64_t step, int64_t lo, int64_t hi) {
        const int64_t first = std::max<int64_t>(0, (lo - origin) / step - 1);
        const int64_t last = std::min<int64_t>(count, (hi - origin) / step + 2);
        return std::pair<int64_t, int64_t>(first, std::max(first, last));
    };
    // The clip in the box's own coordinates.
    const Rect clip = DestClip();
    const int64_t clipLeft = int64_t{clip.mX} - Whole(std::floor(mTransX));
    const int64_t clipTop = int64_t{clip.mY} - Whole(std::floor(mTransY));
    const int64_t clipRight = clipLeft + clip.mWidth;
    const int64_t clipBottom = clipTop + clip.mHeight;
    if (clip.mWidth <= 0 || clip.mHeight <= 0) {
        return;
    }
    const auto [firstColumn, endColumn] = visible(left, columns, mw, clipLeft, clipRight);
    const auto [firstRow, endRow] = visible(top, rows, mh, clipTop, clipBottom);
    if (!fits(left) || !fits(top)) {
        return;
    }

    {
        Graphics edges(*this);
        edges.ClipRect(static_cast<int32_t>(left), d.mY, clampSize(innerWidth), d.mHeight);
        for (int64_t i = firstColumn; i < endColumn; ++i) {
            part(edges, left + i * mw, d.mY, Rect(s.mX + cw, s.mY, mw, ch));
            part(edges, left + i * mw, bottom, Rect(s.mX + cw, s.mY + ch + mh, mw, ch));
        }
    }
    {
        Graphics edges(*this);
        edges.ClipRect(d.mX, static_cast<int32_t>(top), d.mWidth, clampSize(innerHeight));
        for (int64_t j = firstRow; j < endRow; ++j) {
            part(edges, d.mX, top + j * mh, Rect(s.mX, s.mY + ch, cw, mh));
            part(edges, right, top + j * mh, Rect(s.mX + cw + mw, s.mY + ch, cw, mh));
        }
    }
    {
        Graphics centre(*this);
        centre.ClipRect(static_cast<int32_t>(left), static_cast<int32_t>(top),
                        clampSize(innerWidth), clampSize(innerHeight));
        for (int64_t i = firstColumn; i < endColumn; ++i) {
            for (int64_t j = firstRow; j < endRow; ++j) {
                part(centre, left + i * mw, top + j * mh, Rect(s.mX + cw, s.mY + ch, mw, mh));
            }
        }
    }
}

void Graphics::DrawImageCel(Image* image, int32_t x, int32_t y, int32_t cel) {
    if (image == nullptr) {
        return;
    }
    const int32_t columns = CelCount(image->mCelColumns);
    DrawImageCelColRow(image, x, y, cel % columns, cel / columns);
}

void Graphics::DrawImageCelStretched(Image* image, const Rect& destRect, int32_t cel) {
    if (image == nullptr) {
        return;
    }
    const int32_t columns = CelCount(image->mCelColumns);
    DrawImageCelColRowStretched(image, destRect, cel % columns, cel / columns);
}

void Graphics::DrawImageCelColRow(Image* image, int32_t x, int32_t y, int32_t column, int32_t row) {
    if (image == nullptr || column < 0 || row < 0 || column >= CelCount(image->mCelColumns) ||
        row >= CelCount(image->mCelRows)) {
        return;
    }
    DrawImagePart(image, x, y, image->GetCelRect(column, row));
}

void Graphics::DrawImageCelColRowStretched(Image* image, const Rect& destRect, int32_t column,
                                           int32_t row) {
    if (image == nullptr || column < 0 || row < 0 || column >= CelCount(image->mCelColumns) ||
        row >= CelCount(image->mCelRows)) {
        return;
    }
    DrawImageStretchedPart(image, destRect, image->GetCelRect(column, row));
}

}  // namespace Vesk
