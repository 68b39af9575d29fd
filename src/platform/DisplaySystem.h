#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/DisplayTypes.h"
#include "platform/Surface.h"

namespace platform {

class Window;

enum class CooperativeLevel {
    Normal,               // windowed: the desktop stays as it is
    ExclusiveFullScreen,  // the window owns the screen and may change the display mode
};

enum class PrimaryChain {
    None,        // a primary alone: blits into it are shown at once
    BackBuffer,  // full screen only: a primary with one back buffer, shown by Flip
};

struct SurfaceDesc {
    SurfaceKind kind = SurfaceKind::Offscreen;  // Offscreen or Primary
    PrimaryChain chain = PrimaryChain::None;    // primaries only
    int32_t width = 0;                          // off-screen only, in pixels
    int32_t height = 0;
    MemoryPlace memory = MemoryPlace::System;
    bool for3D = false;
    // Off-screen only; the display's format when empty.
    std::optional<PixelFormat> format;
};

// The display: modes, surfaces and presenting. One exists per process. The cooperative
// level and the display mode are changed from the main thread; surfaces may be used from
// any thread (the cursor thread blits into the primary between frames).
class DisplaySystem {
public:
    DisplaySystem() = default;
    virtual ~DisplaySystem() = default;
    DisplaySystem(const DisplaySystem&) = delete;
    DisplaySystem& operator=(const DisplaySystem&) = delete;

    // Full-screen modes the display can show. Every size is offered at 16 and 32 bits;
    // the picture is converted for the monitor when it is shown.
    virtual std::vector<DisplayMode> EnumerateModes() = 0;
    // The desktop as it is, whatever mode the display shows.
    virtual DisplayMode DesktopMode() = 0;
    // The format new surfaces get: the full-screen mode's (16 bits: 5-6-5, 32 bits:
    // X8R8G8B8), else the desktop's.
    virtual PixelFormat DisplayFormat() = 0;

    // Binds the display to a window, which must outlive the binding (until the display is
    // destroyed or bound to another window). Normal leaves full screen if it was on.
    // ExclusiveFullScreen needs a window (DDERR_NOHWND).
    virtual DisplayResult SetCooperativeLevel(Window* window, CooperativeLevel level) = 0;
    // Full screen at this size and depth (16 or 32); needs the exclusive level
    // (DDERR_NOEXCLUSIVEMODE) and a size the display can show (DDERR_INVALIDMODE): one from
    // EnumerateModes, or any size on a display that scales the picture to the screen.
    // Primaries made before are lost for good.
    virtual DisplayResult SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) = 0;
    // Back to the window on the desktop. The desktop's own mode is never changed.
    virtual DisplayResult RestoreDisplayMode() = 0;

    // One primary exists at a time (DDERR_PRIMARYSURFACEALREADYEXISTS); a primary needs a
    // cooperative level first (DDERR_NOCOOPERATIVELEVELSET), and one with a back buffer
    // needs full screen (DDERR_NOEXCLUSIVEMODE).
    virtual DisplayResult CreateSurface(const SurfaceDesc& desc, std::shared_ptr<Surface>& out) = 0;
    // Keeps blits into a windowed primary inside the window. They are always kept there;
    // this is the step where binding the window could fail.
    virtual DisplayResult AttachClipper(Surface& primary) = 0;
    // In full screen, lets system windows such as message boxes show over the picture.
    // Every picture here is an ordinary window, so there is nothing to do.
    virtual DisplayResult FlipToDesktop() = 0;

    virtual DisplayResult GetAvailableVidMem(VideoMemory& out) = 0;
    virtual DisplayResult GetDeviceIdentifier(DeviceIdentifier& out) = 0;
    // DDERR_UNSUPPORTED when the monitor does not say.
    virtual DisplayResult GetMonitorFrequency(uint32_t& hertz) = 0;
    // The line the monitor is drawing, DDERR_VERTICALBLANKINPROGRESS between frames, or
    // DDERR_UNSUPPORTED where it cannot be known.
    virtual DisplayResult GetScanLine(uint32_t& line) = 0;
    // Returns at the start of the next vertical blank, or after one refresh period where
    // it cannot be seen; never later.
    virtual DisplayResult WaitForVerticalBlank() = 0;
};

// A display that keeps its picture in memory, for tests and machines without a screen.
std::unique_ptr<DisplaySystem> CreateHeadlessDisplaySystem();
// The display of the SDL video system; DDERR_NODIRECTDRAWHW when video cannot start.
DisplayResult CreateSdlDisplaySystem(std::unique_ptr<DisplaySystem>& out);

}  // namespace platform
