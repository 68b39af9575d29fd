#pragma once

#include <cstdint>
#include <memory>

#include "platform/DisplayTypes.h"

namespace platform {

enum class SurfaceKind {
    Offscreen,
    Primary,     // what the player sees: the window's client area, or the full screen
    BackBuffer,  // the hidden half of a full-screen flip chain
};

enum class MemoryPlace { System, Video };

enum class BltKey {
    None,
    Source,  // source pixels equal to the source's colour key are left out
};

// A rectangle of pixels owned by a display. Operations finish before they return, so no
// result ever asks to wait. Off-screen surfaces have the display's format unless
// another was asked for; all surfaces start black.
//
// A windowed primary is addressed in screen coordinates, like the desktop it stands
// for: what lands inside the window's client area is shown there and the rest is
// clipped away. It cannot be locked.
class Surface {
public:
    Surface() = default;
    virtual ~Surface() = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    virtual PixelFormat Format() const = 0;
    virtual SurfaceKind Kind() const = 0;
    virtual MemoryPlace Memory() const = 0;
    // Made to be a 3-D device's render target.
    virtual bool For3D() const = 0;

    // Locks the whole surface for direct access until Unlock. A surface is locked once at
    // a time (DDERR_SURFACEBUSY); while locked it takes part in no blit, fill or flip.
    virtual DisplayResult Lock(LockedSurface& out) = 0;
    virtual DisplayResult Unlock() = 0;

    // The source colour key, a value in the surface's own format. Only the colour bits
    // (the three masks) are compared.
    virtual DisplayResult SetColorKey(uint32_t key) = 0;
    virtual DisplayResult RemoveColorKey() = 0;
    virtual DisplayResult GetColorKey(uint32_t& key) const = 0;

    // Copies a rectangle of the source into this surface; a null rectangle means the
    // whole surface. Both surfaces need the same pixel format (DDERR_INVALIDPIXELFORMAT)
    // and may be the same surface, overlapping. Equal sizes copy pixel for pixel, clipped
    // to both surfaces; different sizes stretch to the nearest pixel, clipped to this
    // surface, and then the source rectangle must lie inside the source. A rectangle
    // whose right is left of its left, or bottom above its top, is DDERR_INVALIDRECT.
    virtual DisplayResult Blt(const SurfaceRect* destRect, Surface& source,
                              const SurfaceRect* sourceRect, BltKey key) = 0;
    // Fills a rectangle (null: everything) with a value in the surface's format, clipped.
    virtual DisplayResult Fill(const SurfaceRect* rect, uint32_t color) = 0;

    // A full-screen primary made with a back buffer hands it out and shows it on Flip;
    // every other surface answers DDERR_NOTFOUND and DDERR_NOTFLIPPABLE.
    virtual DisplayResult GetBackBuffer(std::shared_ptr<Surface>& out) = 0;
    virtual DisplayResult Flip() = 0;

    // DD_OK, or DDERR_SURFACELOST once the surface's memory was taken away. Restore gives
    // it back black; a primary of a display mode that has since changed stays lost
    // (DDERR_WRONGMODE) and must be made again.
    virtual DisplayResult IsLost() const = 0;
    virtual DisplayResult Restore() = 0;
};

}  // namespace platform
