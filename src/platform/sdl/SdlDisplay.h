#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/MemoryDisplay.h"
#include "platform/PictureScaler.h"

struct SDL_Surface;
struct SDL_Window;

namespace platform {

class SdlWindow;

// The display on the real desktop. Surfaces live in memory; the picture is shown through
// the SDL window surface of the bound SdlWindow, a rectangle at a time, so that the cursor
// thread can move the cursor between frames. Full screen keeps the desktop's own mode: the
// window covers the screen and the picture, of any size, is scaled to the largest size that
// keeps its shape, with black bars beside or above it. A resized window shows it the same way.
class SdlDisplay : public MemoryDisplay {
public:
    // Holds SDL's video subsystem for its lifetime; DDERR_NODIRECTDRAWHW when it cannot.
    static DisplayResult Create(std::unique_ptr<DisplaySystem>& out);
    ~SdlDisplay() override;

    // Not while the window is exposed: the desktop lost even the rows that did not change.
    bool ShowsOnlyChanges() const override;

    // Reported as the card's video memory: SDL cannot ask the card, so a fixed amount.
    static constexpr uint64_t kVideoMemory = uint64_t{256} << 20;

protected:
    std::vector<DisplayMode> BackendModes() override;
    std::optional<DisplayMode> BackendFullScreenMode(int32_t width, int32_t height) override;
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
    uint32_t* BackendLendWindowPixels(int32_t width, int32_t height, const PixelFormat& format,
                                      int32_t& pitch) override;

private:
    SdlDisplay() = default;

    SdlWindow* WindowLocked();
    SDL_Window* HandleLocked();
    int DisplayIndexLocked();
    // The window's surface. SDL frees the one it made before when it makes one for a new size,
    // so a picture lent to it moves out first.
    SDL_Surface* WindowSurfaceLocked(SDL_Window* window);

    // The window surface whose memory holds the windowed picture, or null, and that memory.
    SDL_Surface* mLent = nullptr;
    void* mLentPixels = nullptr;
    uint32_t mLentWindow = 0;  // its window's id; ids are never used twice

    std::vector<uint32_t> mRows;  // one converted rectangle on its way to the window
    // Narrows `changed` to the rows that differ from the copy of the last scaled picture and
    // brings the copy up to date; false when nothing differs.
    bool KeepScaledRows(const PixelStore& screen, bool everything, SurfaceRect& changed);

    PictureScaler mScaler;
    // The last picture shown scaled, row after row; scaling is the costly part of showing it.
    std::vector<uint8_t> mScaledPicture;
    // Where the last picture was shown; another place shows the next one whole.
    PictureFit mShownFit;
};

}  // namespace platform
