#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/MemoryDisplay.h"

struct SDL_Window;

namespace platform {

// The display on the real desktop. Surfaces live in memory; the picture is shown through
// the SDL window surface of the bound SdlWindow, a rectangle at a time, so that the cursor
// thread can move the cursor between frames. Full screen is SDL's full screen on that
// window, in the chosen mode (the desktop itself when the sizes match); SDL puts the
// desktop's own mode back when the window leaves full screen.
class SdlDisplay : public MemoryDisplay {
public:
    // Holds SDL's video subsystem for its lifetime; DDERR_NODIRECTDRAWHW when it cannot.
    static DisplayResult Create(std::unique_ptr<DisplaySystem>& out);
    ~SdlDisplay() override;

    // Reported as the card's video memory: SDL cannot ask the card, so a fixed amount.
    static constexpr uint64_t kVideoMemory = uint64_t{256} << 20;

protected:
    std::vector<DisplayMode> BackendModes() override;
    DisplayMode BackendDesktopMode() override;
    PixelFormat BackendDesktopFormat() override;
    DisplayResult BackendEnterFullScreen(Window& window, const DisplayMode& mode) override;
    void BackendLeaveFullScreen(Window* window) override;
    void BackendPresent(const PixelStore* screen, const SurfaceRect& rect) override;
    DisplayResult BackendMonitorFrequency(uint32_t& hertz) override;
    DisplayResult BackendScanLine(uint32_t& line) override;
    uint32_t BackendMsToVerticalBlank() override;
    DeviceIdentifier BackendDeviceIdentifier() override;
    uint64_t BackendVideoMemory() override;
    void BackendShowDesktop() override;

private:
    SdlDisplay() = default;

    SDL_Window* HandleLocked();
    int DisplayIndexLocked();

    std::vector<uint32_t> mRows;  // one converted rectangle on its way to the window
};

}  // namespace platform
