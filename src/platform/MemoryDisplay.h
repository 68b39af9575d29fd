#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/DisplayCore.h"
#include "platform/DisplaySystem.h"

namespace platform {

// The part of a display that is the same everywhere: surfaces in memory, the window's
// picture, full-screen flip chains, modes and the bookkeeping around them. A backend
// supplies the monitor and shows the picture.
class MemoryDisplay : public DisplaySystem {
public:
    ~MemoryDisplay() override;

    std::vector<DisplayMode> EnumerateModes() override;
    DisplayMode DesktopMode() override;
    PixelFormat DisplayFormat() override;
    DisplayResult SetCooperativeLevel(Window* window, CooperativeLevel level) override;
    DisplayResult SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) override;
    DisplayResult RestoreDisplayMode() override;
    DisplayResult CreateSurface(const SurfaceDesc& desc, std::shared_ptr<Surface>& out) override;
    DisplayResult AttachClipper(Surface& primary) override;
    DisplayResult FlipToDesktop() override;
    DisplayResult GetAvailableVidMem(VideoMemory& out) override;
    DisplayResult GetDeviceIdentifier(DeviceIdentifier& out) override;
    DisplayResult GetMonitorFrequency(uint32_t& hertz) override;
    DisplayResult GetScanLine(uint32_t& line) override;
    DisplayResult WaitForVerticalBlank() override;

    // Called by surfaces with the core locked: the picture changed inside `rect`, in the
    // picture's own coordinates.
    void ScreenChangedLocked(const SurfaceRect& rect);
    // Called by the windowed primary with the core locked: the memory of the window's
    // picture at this size, lent by the backend where it can be, else our own; null when
    // none can be had. A picture that keeps its size keeps its pixels.
    PixelStore* WindowScreenLocked(int32_t width, int32_t height, const PixelFormat& format);
    // Whether plain copies onto the screen may leave out the rows that did not change: the
    // backend keeps what it showed, so an unchanged row needs no second showing.
    virtual bool ShowsOnlyChanges() const { return false; }
    // How often a full-screen display has let the desktop show through for a dialog.
    uint64_t DesktopFlipCount();

protected:
    MemoryDisplay();

    // Every backend's destructor calls this first: it leaves full screen while the
    // backend still exists and cuts the surfaces loose from the display.
    void Shutdown();

    DisplayCore& Core() { return *mCore; }
    const DisplayCore& Core() const { return *mCore; }
    // The picture the player sees, or null while there is none (black). Core locked.
    const PixelStore* ScreenLocked() const;
    bool FullScreenLocked() const { return mCore->fullScreen; }
    DisplayMode ModeLocked() const { return mCore->mode; }

    // Backend hooks, all called with the core locked.
    // Sizes and refresh rates the monitor can show; the depth is ignored.
    virtual std::vector<DisplayMode> BackendModes() = 0;
    virtual DisplayMode BackendDesktopMode() = 0;
    virtual PixelFormat BackendDesktopFormat() = 0;
    // The full-screen mode shown for a picture of this size, or none when there is none (by
    // default, the sizes of BackendModes only); the depth is ignored.
    virtual std::optional<DisplayMode> BackendFullScreenMode(int32_t width, int32_t height);
    virtual DisplayResult BackendEnterFullScreen(Window& window, const DisplayMode& mode) = 0;
    virtual void BackendLeaveFullScreen(Window* window) = 0;
    // Show `rect` of the picture (null: black); the whole picture when the rect covers it.
    virtual void BackendPresent(const PixelStore* screen, const SurfaceRect& rect) = 0;
    virtual DisplayResult BackendMonitorFrequency(uint32_t& hertz) = 0;
    virtual DisplayResult BackendScanLine(uint32_t& line) = 0;
    // How long from now until the next vertical blank starts, at most one refresh period.
    virtual uint32_t BackendMsToVerticalBlank() = 0;
    virtual DeviceIdentifier BackendDeviceIdentifier() = 0;
    virtual uint64_t BackendVideoMemory() = 0;
    // Full screen only: let the desktop's windows (a message box) be seen and used over ours
    // until the next present.
    virtual void BackendShowDesktop() {}
    // Windowed: memory the desktop shows the window from, when a picture of this size and
    // format can live in it as it is, so that showing it copies nothing; `pitch` in bytes.
    // Null when it cannot; nothing is lent then. Before the backend takes lent memory back it
    // calls KeepWindowScreenLocked, or DropWindowScreenLocked when it is already gone.
    virtual uint32_t* BackendLendWindowPixels(int32_t width, int32_t height,
                                              const PixelFormat& format, int32_t& pitch);
    // The lent picture moves into memory of our own.
    void KeepWindowScreenLocked();
    // The lent picture is gone; the window shows black until it is drawn again.
    void DropWindowScreenLocked();

    // A monitor simulated from the clock: `totalLines` lines per refresh at `hertz`.
    // The line drawn now, 0 to totalLines - 1.
    static uint32_t SimulatedLine(uint32_t hertz, uint32_t totalLines);
    // Milliseconds until the monitor next starts `line`: more than 0 and at most one
    // refresh period (rounded up).
    static uint32_t SimulatedMsToLine(uint32_t hertz, uint32_t totalLines, uint32_t line);

    // A device GUID that stays the same for the same text.
    static std::array<uint8_t, 16> GuidFromText(std::string_view text);

private:
    PixelFormat DisplayFormatLocked();
    DisplayResult SetDisplayModeLocked(int32_t width, int32_t height, int32_t bitsPerPixel);
    void LeaveFullScreenLocked();
    DisplayResult CreatePrimaryLocked(const SurfaceDesc& desc, std::shared_ptr<Surface>& out);
    DisplayResult CreateOffscreenLocked(const SurfaceDesc& desc, std::shared_ptr<Surface>& out);

    std::shared_ptr<DisplayCore> mCore;
};

}  // namespace platform
