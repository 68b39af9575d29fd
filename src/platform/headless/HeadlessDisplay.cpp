#include "platform/headless/HeadlessDisplay.h"

#include <algorithm>
#include <utility>

#include "platform/MemorySurface.h"

namespace platform {

HeadlessDisplay::HeadlessDisplay(HeadlessDisplayConfig config) : mConfig(std::move(config)) {
    if (mConfig.identifier.guid == std::array<uint8_t, 16>{}) {
        mConfig.identifier.guid =
            GuidFromText(mConfig.identifier.driver + "|" + mConfig.identifier.description);
    }
}

HeadlessDisplay::~HeadlessDisplay() {
    Shutdown();
}

PresentedFrame HeadlessDisplay::LastFrame() {
    std::lock_guard lock(Core().mutex);
    PresentedFrame frame;
    const PixelStore* screen = ScreenLocked();
    if (screen == nullptr) {
        if (FullScreenLocked()) {
            // Full screen with nothing made yet shows black.
            const DisplayMode mode = ModeLocked();
            frame.width = mode.width;
            frame.height = mode.height;
            frame.pixels.assign(static_cast<size_t>(mode.width) * static_cast<size_t>(mode.height),
                                0xFF000000u);
        }
        return frame;
    }
    frame.width = screen->width;
    frame.height = screen->height;
    frame.pixels.resize(static_cast<size_t>(screen->width) * static_cast<size_t>(screen->height));
    ConvertToArgb(screen->View(), screen->format, {0, 0, screen->width, screen->height},
                  frame.pixels.data(), static_cast<size_t>(screen->width));
    return frame;
}

uint64_t HeadlessDisplay::PresentCount() {
    std::lock_guard lock(Core().mutex);
    return mPresents;
}

bool HeadlessDisplay::IsFullScreen() {
    std::lock_guard lock(Core().mutex);
    return FullScreenLocked();
}

void HeadlessDisplay::SetRefreshRate(uint32_t hertz) {
    std::lock_guard lock(Core().mutex);
    mConfig.refreshRate = hertz;
}

void HeadlessDisplay::SimulateSurfaceLoss() {
    std::lock_guard lock(Core().mutex);
    for (MemorySurface* surface : Core().surfaces) {
        surface->MarkLost();
    }
}

void HeadlessDisplay::InjectFailure(DisplayOp op, DisplayResult result, uint32_t skip) {
    std::lock_guard lock(Core().mutex);
    Core().failures.push_back({op, skip, result});
}

void HeadlessDisplay::ScriptScanLines(std::vector<ScanLineAnswer> answers) {
    std::lock_guard lock(Core().mutex);
    mScanLines.insert(mScanLines.end(), answers.begin(), answers.end());
}

std::vector<DisplayMode> HeadlessDisplay::BackendModes() {
    std::vector<DisplayMode> modes = mConfig.modes;
    modes.push_back({mConfig.desktopWidth, mConfig.desktopHeight, 0, 0});
    for (DisplayMode& mode : modes) {
        mode.refreshRate = mConfig.refreshRate;
    }
    return modes;
}

DisplayMode HeadlessDisplay::BackendDesktopMode() {
    return {mConfig.desktopWidth, mConfig.desktopHeight, mConfig.desktopFormat.bitsPerPixel,
            mConfig.refreshRate};
}

PixelFormat HeadlessDisplay::BackendDesktopFormat() {
    return mConfig.desktopFormat;
}

DisplayResult HeadlessDisplay::BackendEnterFullScreen(Window&, const DisplayMode&) {
    return DD_OK;
}

void HeadlessDisplay::BackendLeaveFullScreen(Window*) {}

void HeadlessDisplay::BackendPresent(const PixelStore*, const SurfaceRect&) {
    ++mPresents;
}

DisplayResult HeadlessDisplay::BackendMonitorFrequency(uint32_t& hertz) {
    if (mConfig.refreshRate == 0) {
        return DDERR_UNSUPPORTED;
    }
    hertz = mConfig.refreshRate;
    return DD_OK;
}

uint32_t HeadlessDisplay::VisibleLinesLocked() {
    const int32_t height = FullScreenLocked() ? ModeLocked().height : mConfig.desktopHeight;
    return static_cast<uint32_t>(std::max(height, 1));
}

uint32_t HeadlessDisplay::TotalLinesLocked() {
    const uint32_t visible = VisibleLinesLocked();
    // A blank of about one line in twenty, as on a CRT.
    return visible + std::max<uint32_t>(visible / 20, 1);
}

DisplayResult HeadlessDisplay::BackendScanLine(uint32_t& line) {
    if (!mScanLines.empty()) {
        const ScanLineAnswer answer = mScanLines.front();
        mScanLines.pop_front();
        line = answer.line;
        return answer.result;
    }
    if (mConfig.refreshRate == 0) {
        return DDERR_UNSUPPORTED;
    }
    line = SimulatedLine(mConfig.refreshRate, TotalLinesLocked());
    return line < VisibleLinesLocked() ? DD_OK : DDERR_VERTICALBLANKINPROGRESS;
}

uint32_t HeadlessDisplay::BackendMsToVerticalBlank() {
    return SimulatedMsToLine(mConfig.refreshRate, TotalLinesLocked(), VisibleLinesLocked());
}

DeviceIdentifier HeadlessDisplay::BackendDeviceIdentifier() {
    return mConfig.identifier;
}

uint64_t HeadlessDisplay::BackendVideoMemory() {
    return mConfig.videoMemory;
}

std::unique_ptr<DisplaySystem> CreateHeadlessDisplaySystem() {
    return std::make_unique<HeadlessDisplay>();
}

}  // namespace platform
