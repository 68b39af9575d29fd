#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/DisplayCore.h"
#include "platform/Surface.h"

namespace platform {

// A surface whose pixels live in ordinary memory. The primary of a windowed display has
// none of its own: it draws into the window's picture, kept by the display core.
class MemorySurface : public Surface {
public:
    enum class Role { Offscreen, WindowedPrimary, FullScreenPrimary, BackBuffer };

    // Call with the core locked; the store is empty for a windowed primary.
    MemorySurface(std::shared_ptr<DisplayCore> core, Role role, PixelStore store,
                  const PixelFormat& format, int32_t width, int32_t height, MemoryPlace memory,
                  bool for3D);
    ~MemorySurface() override;

    int32_t Width() const override { return mWidth; }
    int32_t Height() const override { return mHeight; }
    PixelFormat Format() const override { return mFormat; }
    SurfaceKind Kind() const override;
    MemoryPlace Memory() const override { return mMemory; }
    bool For3D() const override { return mFor3D; }

    DisplayResult Lock(LockedSurface& out) override;
    DisplayResult Unlock() override;
    DisplayResult SetColorKey(uint32_t key) override;
    DisplayResult RemoveColorKey() override;
    DisplayResult GetColorKey(uint32_t& key) const override;
    DisplayResult Blt(const SurfaceRect* destRect, Surface& source, const SurfaceRect* sourceRect,
                      BltKey key) override;
    DisplayResult Fill(const SurfaceRect* rect, uint32_t color) override;
    DisplayResult GetBackBuffer(std::shared_ptr<Surface>& out) override;
    DisplayResult Flip() override;
    DisplayResult IsLost() const override;
    DisplayResult Restore() override;

    // The rest is for the display, with the core locked.
    Role GetRole() const { return mRole; }
    void AttachBackBuffer(std::shared_ptr<MemorySurface> back) { mBackBuffer = std::move(back); }
    void MarkLost() { mLost = true; }
    DisplayResult IsLostLocked() const;
    const PixelStore& Store() const { return mStore; }
    size_t VideoBytes() const;

private:
    // Where the surface's pixels are: surface (x, y) is view (x - offsetX, y - offsetY),
    // and only `valid`, in surface coordinates, may be touched.
    struct Target {
        PixelView view;
        int32_t offsetX = 0;
        int32_t offsetY = 0;
        SurfaceRect valid;
        bool onScreen = false;
    };

    Target TargetLocked() const;
    void ShowLocked(const Target& target, const SurfaceRect& changed) const;

    std::shared_ptr<DisplayCore> mCore;
    const Role mRole;
    PixelStore mStore;
    const int32_t mWidth;
    const int32_t mHeight;
    const PixelFormat mFormat;
    const MemoryPlace mMemory;
    const bool mFor3D;
    const uint64_t mGeneration;
    bool mLocked = false;
    bool mLost = false;
    std::optional<uint32_t> mColorKey;
    std::shared_ptr<MemorySurface> mBackBuffer;
};

}  // namespace platform
