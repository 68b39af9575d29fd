#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/MemoryDisplay.h"

namespace platform {

struct HeadlessDisplayConfig {
    int32_t desktopWidth = 1024;
    int32_t desktopHeight = 768;
    // Any layout; a 24-bit desktop refuses every surface in its own format.
    PixelFormat desktopFormat = PixelFormat::Xrgb8888();
    uint32_t refreshRate = 60;  // 0: the monitor does not say
    // Full-screen sizes besides the desktop's own (the depth is not used).
    std::vector<DisplayMode> modes = {{640, 480, 0, 0}, {800, 600, 0, 0}, {1024, 768, 0, 0}};
    uint64_t videoMemory = uint64_t{64} << 20;
    DeviceIdentifier identifier = {"", "Headless display", {}};
};

// An answer of GetScanLine handed out before the simulated monitor is asked.
struct ScanLineAnswer {
    DisplayResult result = DD_OK;
    uint32_t line = 0;
};

// What the player would see, as 0xFFRRGGBB rows from the top.
struct PresentedFrame {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// A display with no monitor: the picture stays in memory for tests to read, the monitor
// is simulated from the clock (GetClock), and failures and lost surfaces come on request.
class HeadlessDisplay : public MemoryDisplay {
public:
    explicit HeadlessDisplay(HeadlessDisplayConfig config = {});
    ~HeadlessDisplay() override;

    // The picture now: the window's client area, or the full screen.
    PresentedFrame LastFrame();
    // How many times the picture changed on screen.
    uint64_t PresentCount();
    bool IsFullScreen();

    void SetRefreshRate(uint32_t hertz);
    // Every surface made so far loses its memory, as when another program takes the screen.
    void SimulateSurfaceLoss();
    // The call of `op` after the next `skip` ones answers `result`, once.
    void InjectFailure(DisplayOp op, DisplayResult result, uint32_t skip = 0);
    // GetScanLine gives these first, one per call.
    void ScriptScanLines(std::vector<ScanLineAnswer> answers);

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

private:
    // Lines of the simulated monitor: those shown and the whole frame with its blank.
    uint32_t VisibleLinesLocked();
    uint32_t TotalLinesLocked();

    HeadlessDisplayConfig mConfig;
    std::deque<ScanLineAnswer> mScanLines;
    uint64_t mPresents = 0;
};

}  // namespace platform
