// The display's software cursor: drawn into each frame before it is presented and, between
// frames, moved directly on the screen by the cursor thread. The pixels under the cursor are
// kept in the old cursor area, so that the cursor never leaves a trace; the new cursor area
// composes a moved cursor before it is shown, so that it never flickers.
#include "graphics/DDInterface.h"

#include <algorithm>
#include <mutex>

#include "graphics/DDImage.h"
#include "graphics/Graphics.h"

namespace Vesk {

using platform::SurfaceRect;

namespace {

bool IsEmpty(const SurfaceRect& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

SurfaceRect Intersect(const SurfaceRect& a, const SurfaceRect& b) {
    const SurfaceRect out{std::max(a.left, b.left), std::max(a.top, b.top),
                          std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return IsEmpty(out) ? SurfaceRect{} : out;
}

SurfaceRect Shift(const SurfaceRect& rect, int32_t dx, int32_t dy) {
    return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

}  // namespace

SurfaceRect DDInterface::CursorBox(int32_t x, int32_t y) const {
    const int32_t left = x - mCursorWidth / 2;
    const int32_t top = y - mCursorHeight / 2;
    return {left, top, left + mCursorWidth, top + mCursorHeight};
}

SurfaceRect DDInterface::ClipToPresentation(const SurfaceRect& box) const {
    const SurfaceRect shown{mPresentationRect.mX, mPresentationRect.mY,
                            mPresentationRect.mX + mPresentationRect.mWidth,
                            mPresentationRect.mY + mPresentationRect.mHeight};
    return Intersect(box, shown);
}

platform::Point DDInterface::SurfaceOrigin(const platform::Surface* surface,
                                           bool screenCoordinates) const {
    if (screenCoordinates) {
        return ClientOrigin();
    }
    // The frame surfaces of a window hold the picture shown at the presentation rectangle.
    if (surface != nullptr &&
        (surface == mDrawSurface.get() || (mIsWindowed && surface == mBackSurface.get()))) {
        return {-mPresentationRect.mX, -mPresentationRect.mY};
    }
    return {};
}

void DDInterface::DrawCursorImage(DDImage* target, int32_t boxLeft, int32_t boxTop) {
    if (target == nullptr || mCursorImage == nullptr) {
        return;
    }
    Graphics graphics(target);
    graphics.DrawImage(mCursorImage, boxLeft + (mCursorWidth - mCursorImage->GetWidth()) / 2,
                       boxTop + (mCursorHeight - mCursorImage->GetHeight()) / 2);
}

std::optional<SurfaceRect> DDInterface::SaveUnderBox(platform::Surface& area,
                                                     platform::Surface& surface,
                                                     const SurfaceRect& box,
                                                     const SurfaceRect& clipped,
                                                     platform::Point origin) {
    SurfaceRect areaRect = Shift(clipped, -box.left, -box.top);
    SurfaceRect surfaceRect = Shift(clipped, origin.x, origin.y);
    if (platform::Succeeded(area.Blt(&areaRect, surface, &surfaceRect, platform::BltKey::None))) {
        return areaRect;
    }
    const SurfaceRect screen{0, 0, mPrimarySurface->Width(), mPrimarySurface->Height()};
    surfaceRect = Intersect(surfaceRect, screen);
    areaRect = Shift(surfaceRect, -box.left - origin.x, -box.top - origin.y);
    if (platform::Succeeded(area.Blt(&areaRect, surface, &surfaceRect, platform::BltKey::None))) {
        return areaRect;
    }
    return std::nullopt;
}

void DDInterface::PutBackSavedArea(platform::Surface& surface, platform::Point origin) {
    const SurfaceRect box = CursorBox(mCursorDrawnX, mCursorDrawnY);
    const SurfaceRect whole{0, 0, surface.Width(), surface.Height()};
    const SurfaceRect to =
        Intersect(Shift(mSavedAreaRect, box.left + origin.x, box.top + origin.y), whole);
    const SurfaceRect from = Shift(to, -box.left - origin.x, -box.top - origin.y);
    surface.Blt(&to, *mOldCursorArea, &from, platform::BltKey::None);
}

bool DDInterface::SetCursorImage(Image* image) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    if (image == mCursorImage) {
        return false;
    }
    mCursorImage = image;
    return true;
}

void DDInterface::SetCursorPos(int32_t x, int32_t y) {
    mCursorX.store(x);
    mCursorY.store(y);
    // A present under way draws the cursor at the newest position itself.
    if (mPresenting.load()) {
        return;
    }
    std::lock_guard<CriticalLock> lock(mCritSect);
    if (!mInitialized || mPrimarySurface == nullptr) {
        return;
    }
    if (mCursorDrawn) {
        MoveCursor(mPrimarySurface.get(), x, y);
    } else {
        mCursorDrawnX = x;
        mCursorDrawnY = y;
        DrawCursor(mPrimarySurface.get(), true);
    }
}

void DDInterface::DrawCursor(platform::Surface* surface, bool screenCoordinates) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    mCursorDrawn = false;
    if (mCursorImage == nullptr || mPrimarySurface == nullptr || surface == nullptr ||
        mOldCursorArea == nullptr || mNewCursorArea == nullptr) {
        return;
    }
    const SurfaceRect box = CursorBox(mCursorDrawnX, mCursorDrawnY);
    const SurfaceRect clipped = ClipToPresentation(box);
    const platform::Point origin = SurfaceOrigin(surface, screenCoordinates);
    const std::optional<SurfaceRect> saved =
        SaveUnderBox(*mOldCursorArea, *surface, box, clipped, origin);
    // Without a saved background the cursor could never be taken off again: leave it out.
    if (!saved) {
        return;
    }
    const SurfaceRect savedRect = *saved;
    mCursorDrawn = true;
    mSavedAreaRect = savedRect;
    if (IsEmpty(savedRect)) {
        return;
    }
    if (surface == mDrawSurface.get() && !mIs3D && !mVideoOnlyDraw && mScreenImage != nullptr) {
        DrawCursorImage(mScreenImage.get(), box.left + origin.x, box.top + origin.y);
        return;
    }
    mNewCursorArea->Blt(&savedRect, *mOldCursorArea, &savedRect, platform::BltKey::None);
    DrawCursorImage(mNewCursorAreaImage.get(), 0, 0);
    const SurfaceRect to = Shift(savedRect, box.left + origin.x, box.top + origin.y);
    surface->Blt(&to, *mNewCursorArea, &savedRect, platform::BltKey::None);
}

void DDInterface::RestoreCursorArea(platform::Surface* surface) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    if (!mCursorDrawn || mPrimarySurface == nullptr || surface == nullptr ||
        mOldCursorArea == nullptr) {
        return;
    }
    PutBackSavedArea(*surface, SurfaceOrigin(surface, false));
    mCursorDrawn = false;
}

void DDInterface::MoveCursor(platform::Surface* surface, int32_t x, int32_t y) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    if (surface == nullptr || mPrimarySurface == nullptr || mOldCursorArea == nullptr ||
        mNewCursorArea == nullptr) {
        mCursorDrawn = false;
        return;
    }
    const platform::Point origin = SurfaceOrigin(surface, true);
    if (mCursorImage == nullptr) {
        // The cursor was taken away: its last picture must not stay on the screen.
        if (mCursorDrawn) {
            PutBackSavedArea(*surface, origin);
        }
        mCursorDrawn = false;
        return;
    }

    if (!mCursorDrawn) {
        mCursorDrawnX = x;
        mCursorDrawnY = y;
        DrawCursor(surface, true);
        return;
    }

    const SurfaceRect oldBox = CursorBox(mCursorDrawnX, mCursorDrawnY);
    const SurfaceRect newBox = CursorBox(x, y);
    const SurfaceRect oldShown = Shift(mSavedAreaRect, oldBox.left, oldBox.top);

    const std::optional<SurfaceRect> saved =
        SaveUnderBox(*mNewCursorArea, *surface, newBox, ClipToPresentation(newBox), origin);
    if (!saved) {
        // The new place cannot be saved, so no cursor is drawn there; the old one goes.
        PutBackSavedArea(*surface, origin);
        mCursorDrawn = false;
        mCursorDrawnX = x;
        mCursorDrawnY = y;
        return;
    }
    const SurfaceRect savedRect = *saved;
    const SurfaceRect newShown = Shift(savedRect, newBox.left, newBox.top);

    // Where the boxes overlap the screen still shows the old cursor: take the background
    // there from the old area, and show the new cursor over it when the old box is restored.
    const SurfaceRect overlap = Intersect(oldShown, newShown);
    if (!IsEmpty(overlap)) {
        const SurfaceRect inNew = Shift(overlap, -newBox.left, -newBox.top);
        const SurfaceRect inOld = Shift(overlap, -oldBox.left, -oldBox.top);
        mNewCursorArea->Blt(&inNew, *mOldCursorArea, &inOld, platform::BltKey::None);
        DrawCursorImage(mOldCursorAreaImage.get(), newBox.left - oldBox.left,
                        newBox.top - oldBox.top);
    }

    const SurfaceRect oldOnSurface = Shift(oldShown, origin.x, origin.y);
    surface->Blt(&oldOnSurface, *mOldCursorArea, &mSavedAreaRect, platform::BltKey::None);

    mOldCursorArea->Blt(nullptr, *mNewCursorArea, nullptr, platform::BltKey::None);
    mSavedAreaRect = savedRect;

    DrawCursorImage(mNewCursorAreaImage.get(), 0, 0);
    const SurfaceRect newOnSurface = Shift(newShown, origin.x, origin.y);
    surface->Blt(&newOnSurface, *mNewCursorArea, &savedRect, platform::BltKey::None);

    mCursorDrawnX = x;
    mCursorDrawnY = y;
    mCursorDrawn = true;
}

}  // namespace Vesk
