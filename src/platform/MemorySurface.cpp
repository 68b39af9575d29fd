#include "platform/MemorySurface.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/MemoryDisplay.h"
#include "platform/Window.h"

namespace platform {

namespace {

// No surface comes near this; a coordinate beyond it is a caller's mistake, and keeping
// below it lets every difference and 16.16 product fit its integer.
constexpr int32_t kCoordinateLimit = 1 << 28;

bool IsBadRect(const SurfaceRect& rect) {
    auto outside = [](int32_t v) { return v < -kCoordinateLimit || v > kCoordinateLimit; };
    return rect.right < rect.left || rect.bottom < rect.top || outside(rect.left) ||
           outside(rect.top) || outside(rect.right) || outside(rect.bottom);
}

bool IsEmpty(const SurfaceRect& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

SurfaceRect Intersect(const SurfaceRect& a, const SurfaceRect& b) {
    SurfaceRect out{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
    if (IsEmpty(out)) {
        return {};
    }
    return out;
}

SurfaceRect Shift(const SurfaceRect& rect, int32_t dx, int32_t dy) {
    return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

bool Contains(const SurfaceRect& outer, const SurfaceRect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

uint32_t PixelMask(const PixelFormat& format) {
    return format.bitsPerPixel == 16 ? 0xFFFFu : 0xFFFFFFFFu;
}

// A plain copy onto the screen that leaves out the rows already showing the same pixels;
// returns the band of rows that changed, in `dest` coordinates (empty when none did).
SurfaceRect CopyChangedRows(const PixelView& dest, int32_t destX, int32_t destY,
                            const PixelView& source, const SurfaceRect& read) {
    const size_t rowBytes = static_cast<size_t>(read.Width()) * source.bytesPerPixel;
    int32_t first = read.Height();
    int32_t last = -1;
    for (int32_t y = 0; y < read.Height(); ++y) {
        uint8_t* to = dest.bits + static_cast<ptrdiff_t>(destY + y) * dest.pitch +
                      static_cast<ptrdiff_t>(destX) * dest.bytesPerPixel;
        const uint8_t* from = source.bits + static_cast<ptrdiff_t>(read.top + y) * source.pitch +
                              static_cast<ptrdiff_t>(read.left) * source.bytesPerPixel;
        if (std::memcmp(to, from, rowBytes) != 0) {
            std::memcpy(to, from, rowBytes);
            first = std::min(first, y);
            last = y;
        }
    }
    if (last < first) {
        return {};
    }
    return {destX, destY + first, destX + read.Width(), destY + last + 1};
}

}  // namespace

MemorySurface::MemorySurface(std::shared_ptr<DisplayCore> core, Role role, PixelStore store,
                             const PixelFormat& format, int32_t width, int32_t height,
                             MemoryPlace memory, bool for3D)
    : mCore(std::move(core)),
      mRole(role),
      mStore(std::move(store)),
      mWidth(width),
      mHeight(height),
      mFormat(format),
      mMemory(memory),
      mFor3D(for3D),
      mGeneration(mCore->generation) {
    mCore->surfaces.push_back(this);
    mCore->videoBytesUsed += VideoBytes();
}

MemorySurface::~MemorySurface() {
    std::lock_guard lock(mCore->mutex);
    std::erase(mCore->surfaces, this);
    if (mCore->primary == this) {
        mCore->primary = nullptr;
    }
    mCore->videoBytesUsed -= std::min<uint64_t>(mCore->videoBytesUsed, VideoBytes());
}

SurfaceKind MemorySurface::Kind() const {
    switch (mRole) {
        case Role::WindowedPrimary:
        case Role::FullScreenPrimary:
            return SurfaceKind::Primary;
        case Role::BackBuffer:
            return SurfaceKind::BackBuffer;
        case Role::Offscreen:
            break;
    }
    return SurfaceKind::Offscreen;
}

size_t MemorySurface::VideoBytes() const {
    return mMemory == MemoryPlace::Video ? mStore.Bytes() : 0;
}

MemorySurface::Target MemorySurface::TargetLocked() const {
    Target target;
    if (mRole != Role::WindowedPrimary) {
        target.view = mStore.View();
        target.valid = {0, 0, mStore.width, mStore.height};
        target.onScreen = mRole == Role::FullScreenPrimary && mCore->primary == this;
        return target;
    }
    Window* window = mCore->window;
    if (window == nullptr || mCore->fullScreen) {
        return target;
    }
    const Size client = window->ClientSize();
    const int32_t width = std::clamp(client.width, 0, kMaxSurfaceSide);
    const int32_t height = std::clamp(client.height, 0, kMaxSurfaceSide);
    const PixelStore* screen = mCore->display != nullptr
                                   ? mCore->display->WindowScreenLocked(width, height, mFormat)
                                   : nullptr;
    if (screen == nullptr) {
        return target;
    }
    const Point origin = window->ClientToScreen(Point{0, 0});
    const int32_t x = std::clamp(origin.x, -kCoordinateLimit / 2, kCoordinateLimit / 2);
    const int32_t y = std::clamp(origin.y, -kCoordinateLimit / 2, kCoordinateLimit / 2);
    target.view = screen->View();
    target.offsetX = x;
    target.offsetY = y;
    target.valid = {x, y, x + width, y + height};
    target.onScreen = mCore->primary == this;
    return target;
}

DisplayResult MemorySurface::IsLostLocked() const {
    if (mLost || (mRole != Role::Offscreen && mGeneration != mCore->generation)) {
        return DDERR_SURFACELOST;
    }
    return DD_OK;
}

void MemorySurface::ShowLocked(const Target& target, const SurfaceRect& changed) const {
    if (target.onScreen && mCore->display != nullptr && !IsEmpty(changed)) {
        mCore->display->ScreenChangedLocked(Shift(changed, -target.offsetX, -target.offsetY));
    }
}

DisplayResult MemorySurface::Lock(LockedSurface& out) {
    if (mRole == Role::WindowedPrimary) {
        return DDERR_CANTLOCKSURFACE;
    }
    std::lock_guard lock(mCore->mutex);
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::Lock); Failed(failure)) {
        return failure;
    }
    if (Failed(IsLostLocked())) {
        return DDERR_SURFACELOST;
    }
    if (mLocked) {
        return DDERR_SURFACEBUSY;
    }
    mLocked = true;
    out.bits = mStore.Bits();
    out.pitch = mStore.pitch;
    out.width = mStore.width;
    out.height = mStore.height;
    out.format = mFormat;
    return DD_OK;
}

DisplayResult MemorySurface::Unlock() {
    std::lock_guard lock(mCore->mutex);
    if (!mLocked) {
        return DDERR_NOTLOCKED;
    }
    mLocked = false;
    // What was written into a full-screen primary shows now.
    const Target target = TargetLocked();
    ShowLocked(target, target.valid);
    return DD_OK;
}

DisplayResult MemorySurface::SetColorKey(uint32_t key) {
    std::lock_guard lock(mCore->mutex);
    mColorKey = key & PixelMask(mFormat);
    return DD_OK;
}

DisplayResult MemorySurface::RemoveColorKey() {
    std::lock_guard lock(mCore->mutex);
    mColorKey.reset();
    return DD_OK;
}

DisplayResult MemorySurface::GetColorKey(uint32_t& key) const {
    std::lock_guard lock(mCore->mutex);
    if (!mColorKey) {
        return DDERR_NOCOLORKEY;
    }
    key = *mColorKey;
    return DD_OK;
}

DisplayResult MemorySurface::Blt(const SurfaceRect* destRect, Surface& source,
                                 const SurfaceRect* sourceRect, BltKey key) {
    auto* from = dynamic_cast<MemorySurface*>(&source);
    if (from == nullptr || from->mCore != mCore) {
        return DDERR_INVALIDOBJECT;
    }
    std::lock_guard lock(mCore->mutex);
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::Blt); Failed(failure)) {
        return failure;
    }
    if (Failed(IsLostLocked()) || Failed(from->IsLostLocked())) {
        return DDERR_SURFACELOST;
    }
    if (mLocked || from->mLocked) {
        return DDERR_SURFACEBUSY;
    }
    if (!(from->mFormat == mFormat)) {
        return DDERR_INVALIDPIXELFORMAT;
    }
    std::optional<uint32_t> colorKey;
    if (key == BltKey::Source) {
        if (!from->mColorKey) {
            return DDERR_NOCOLORKEY;
        }
        colorKey = from->mColorKey;
    }
    const Target dest = TargetLocked();
    const Target src = from == this ? dest : from->TargetLocked();
    const SurfaceRect d = destRect != nullptr ? *destRect : dest.valid;
    const SurfaceRect s = sourceRect != nullptr ? *sourceRect : src.valid;
    if (IsBadRect(d) || IsBadRect(s)) {
        return DDERR_INVALIDRECT;
    }
    if (IsEmpty(d) || IsEmpty(s)) {
        return DD_OK;
    }
    const uint32_t keyMask = mFormat.ColorMask();
    if (d.Width() == s.Width() && d.Height() == s.Height()) {
        // Clip the source to its surface, carry that over, then clip to this surface.
        const int32_t dx = d.left - s.left;
        const int32_t dy = d.top - s.top;
        const SurfaceRect shown = Intersect(Shift(Intersect(s, src.valid), dx, dy), dest.valid);
        if (IsEmpty(shown)) {
            return DD_OK;
        }
        const SurfaceRect read = Shift(shown, -dx - src.offsetX, -dy - src.offsetY);
        // A whole frame is compared row by row to show only what changed in it; a part of one
        // is what its caller found changed.
        const bool wholeFrame = read.Width() == src.view.width && read.Height() == src.view.height;
        if (dest.onScreen && from != this && !colorKey && wholeFrame && mCore->display != nullptr &&
            mCore->display->ShowsOnlyChanges()) {
            const SurfaceRect changed = CopyChangedRows(dest.view, shown.left - dest.offsetX,
                                                        shown.top - dest.offsetY, src.view, read);
            ShowLocked(dest, Shift(changed, dest.offsetX, dest.offsetY));
            return DD_OK;
        }
        CopyPixels(dest.view, shown.left - dest.offsetX, shown.top - dest.offsetY, src.view, read,
                   colorKey, keyMask);
        ShowLocked(dest, shown);
        return DD_OK;
    }
    if (!Contains(src.valid, s)) {
        return DDERR_INVALIDRECT;
    }
    const SurfaceRect visible = Intersect(d, dest.valid);
    if (IsEmpty(visible)) {
        return DD_OK;
    }
    StretchPixels(dest.view, Shift(visible, -dest.offsetX, -dest.offsetY),
                  Shift(d, -dest.offsetX, -dest.offsetY), src.view,
                  Shift(s, -src.offsetX, -src.offsetY), colorKey, keyMask);
    ShowLocked(dest, visible);
    return DD_OK;
}

DisplayResult MemorySurface::Fill(const SurfaceRect* rect, uint32_t color) {
    std::lock_guard lock(mCore->mutex);
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::Fill); Failed(failure)) {
        return failure;
    }
    if (Failed(IsLostLocked())) {
        return DDERR_SURFACELOST;
    }
    if (mLocked) {
        return DDERR_SURFACEBUSY;
    }
    const Target target = TargetLocked();
    const SurfaceRect r = rect != nullptr ? *rect : target.valid;
    if (IsBadRect(r)) {
        return DDERR_INVALIDRECT;
    }
    const SurfaceRect shown = Intersect(r, target.valid);
    if (IsEmpty(shown)) {
        return DD_OK;
    }
    FillPixels(target.view, Shift(shown, -target.offsetX, -target.offsetY),
               color & PixelMask(mFormat));
    ShowLocked(target, shown);
    return DD_OK;
}

DisplayResult MemorySurface::GetBackBuffer(std::shared_ptr<Surface>& out) {
    std::shared_ptr<MemorySurface> back;
    {
        std::lock_guard lock(mCore->mutex);
        back = mBackBuffer;
    }
    if (!back) {
        return DDERR_NOTFOUND;
    }
    // Outside the lock: what `out` held may be the last reference to a surface, whose
    // end takes the lock.
    out = std::move(back);
    return DD_OK;
}

DisplayResult MemorySurface::Flip() {
    std::lock_guard lock(mCore->mutex);
    if (mRole != Role::FullScreenPrimary || !mBackBuffer) {
        return DDERR_NOTFLIPPABLE;
    }
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::Flip); Failed(failure)) {
        return failure;
    }
    if (Failed(IsLostLocked()) || Failed(mBackBuffer->IsLostLocked())) {
        return DDERR_SURFACELOST;
    }
    if (mLocked || mBackBuffer->mLocked) {
        return DDERR_SURFACEBUSY;
    }
    std::swap(mStore.words, mBackBuffer->mStore.words);
    const Target target = TargetLocked();
    ShowLocked(target, target.valid);
    return DD_OK;
}

DisplayResult MemorySurface::IsLost() const {
    std::lock_guard lock(mCore->mutex);
    return IsLostLocked();
}

DisplayResult MemorySurface::Restore() {
    std::lock_guard lock(mCore->mutex);
    if (mRole != Role::Offscreen && mGeneration != mCore->generation) {
        return DDERR_WRONGMODE;
    }
    if (mLost) {
        mStore.Clear();
        mLost = false;
        const Target target = TargetLocked();
        ShowLocked(target, target.valid);
    }
    return DD_OK;
}

}  // namespace platform
