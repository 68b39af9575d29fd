#include "platform/sdl/SdlDisplay.h"

#include <SDL.h>

#include <algorithm>
#include <string>

#include "platform/Debug.h"
#include "platform/sdl/SdlWindow.h"

namespace platform {

namespace {

// The pictures are converted when shown, so only the size of the desktop's pixels matters:
// two bytes keep their own 16-bit layout, anything else counts as X8R8G8B8.
PixelFormat FormatOf(uint32_t sdlFormat) {
    if (SDL_BYTESPERPIXEL(sdlFormat) == 2) {
        int bits = 0;
        Uint32 red = 0;
        Uint32 green = 0;
        Uint32 blue = 0;
        Uint32 alpha = 0;
        if (SDL_PixelFormatEnumToMasks(sdlFormat, &bits, &red, &green, &blue, &alpha) == SDL_TRUE) {
            const PixelFormat format{16, red, green, blue};
            if (IsSurfaceFormat(format)) {
                return format;
            }
        }
        return PixelFormat::Rgb565();
    }
    return PixelFormat::Xrgb8888();
}

SurfaceRect Clip(const SurfaceRect& a, const SurfaceRect& b) {
    SurfaceRect out{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
    if (out.right <= out.left || out.bottom <= out.top) {
        return {};
    }
    return out;
}

}  // namespace

DisplayResult SdlDisplay::Create(std::unique_ptr<DisplaySystem>& out) {
    out.reset();
    // The window surface is shown from the cursor thread too. SDL would otherwise back it
    // with an OpenGL renderer, whose context belongs to one thread; the plain framebuffer
    // (shared memory images on X11) has no such tie.
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        DebugOutput(std::string("SDL video for the display: ") + SDL_GetError() + "\r\n");
        return DDERR_NODIRECTDRAWHW;
    }
    out.reset(new SdlDisplay());
    return DD_OK;
}

SdlDisplay::~SdlDisplay() {
    Shutdown();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

SDL_Window* SdlDisplay::HandleLocked() {
    const auto* window = dynamic_cast<const SdlWindow*>(Core().window);
    return window != nullptr ? window->Handle() : nullptr;
}

int SdlDisplay::DisplayIndexLocked() {
    SDL_Window* window = HandleLocked();
    const int index = window != nullptr ? SDL_GetWindowDisplayIndex(window) : 0;
    return index >= 0 ? index : 0;
}

std::vector<DisplayMode> SdlDisplay::BackendModes() {
    const int index = DisplayIndexLocked();
    std::vector<DisplayMode> modes;
    const int count = SDL_GetNumDisplayModes(index);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(index, i, &mode) == 0 && mode.w > 0 && mode.h > 0) {
            modes.push_back(
                {mode.w, mode.h, 0, static_cast<uint32_t>(std::max(mode.refresh_rate, 0))});
        }
    }
    if (modes.empty()) {
        modes.push_back(BackendDesktopMode());
    }
    return modes;
}

DisplayMode SdlDisplay::BackendDesktopMode() {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(DisplayIndexLocked(), &mode) != 0) {
        return {};
    }
    return {mode.w, mode.h, FormatOf(mode.format).bitsPerPixel,
            static_cast<uint32_t>(std::max(mode.refresh_rate, 0))};
}

PixelFormat SdlDisplay::BackendDesktopFormat() {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(DisplayIndexLocked(), &mode) != 0) {
        return PixelFormat::Xrgb8888();
    }
    return FormatOf(mode.format);
}

DisplayResult SdlDisplay::BackendEnterFullScreen(Window&, const DisplayMode& mode) {
    SDL_Window* window = HandleLocked();
    if (window == nullptr) {
        return DDERR_NOHWND;
    }
    const int index = DisplayIndexLocked();
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(index, &desktop) == 0 && desktop.w == mode.width &&
        desktop.h == mode.height) {
        // The desktop's own size: no mode change at all.
        return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0
                   ? DD_OK
                   : DDERR_UNSUPPORTEDMODE;
    }
    SDL_DisplayMode chosen{};
    bool found = false;
    const int count = SDL_GetNumDisplayModes(index);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode candidate;
        if (SDL_GetDisplayMode(index, i, &candidate) != 0 || candidate.w != mode.width ||
            candidate.h != mode.height) {
            continue;
        }
        // Prefer the desktop's refresh rate, then the first (the highest) listed.
        if (!found || candidate.refresh_rate == desktop.refresh_rate) {
            chosen = candidate;
            found = true;
        }
    }
    if (!found) {
        return DDERR_INVALIDMODE;
    }
    if (SDL_SetWindowDisplayMode(window, &chosen) != 0 ||
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) {
        DebugOutput(std::string("SDL full screen: ") + SDL_GetError() + "\r\n");
        return DDERR_UNSUPPORTEDMODE;
    }
    return DD_OK;
}

void SdlDisplay::BackendShowDesktop() {
    // A box over a grabbing, always-on-top window could be neither seen nor clicked.
    if (SDL_Window* window = HandleLocked()) {
        SDL_SetWindowGrab(window, SDL_FALSE);
        SDL_SetWindowAlwaysOnTop(window, SDL_FALSE);
    }
}

void SdlDisplay::BackendLeaveFullScreen(Window*) {
    if (SDL_Window* window = HandleLocked()) {
        SDL_SetWindowFullscreen(window, 0);
    }
}

void SdlDisplay::BackendPresent(const PixelStore* screen, const SurfaceRect& rect) {
    SDL_Window* window = HandleLocked();
    if (window == nullptr) {
        return;
    }
    SDL_Surface* target = SDL_GetWindowSurface(window);
    if (target == nullptr) {
        return;
    }
    if (screen == nullptr) {
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
        SDL_UpdateWindowSurface(window);
        return;
    }
    // A full-screen mode the monitor could only approximate leaves the picture centred.
    const bool fullScreen = FullScreenLocked();
    const int32_t offsetX = fullScreen ? std::max(0, (target->w - screen->width) / 2) : 0;
    const int32_t offsetY = fullScreen ? std::max(0, (target->h - screen->height) / 2) : 0;
    const SurfaceRect whole{0, 0, screen->width, screen->height};
    const bool everything = rect == whole;
    if (everything && (target->w > screen->width || target->h > screen->height)) {
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
    }
    const SurfaceRect shown =
        Clip(Clip(rect, whole), {-offsetX, -offsetY, target->w - offsetX, target->h - offsetY});
    const int32_t width = shown.Width();
    const int32_t height = shown.Height();
    if (width > 0 && height > 0) {
        mRows.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        ConvertToArgb(screen->View(), screen->format, shown, mRows.data(),
                      static_cast<size_t>(width));
        const bool mustLock = SDL_MUSTLOCK(target);
        if (!mustLock || SDL_LockSurface(target) == 0) {
            auto* pixels =
                static_cast<uint8_t*>(target->pixels) +
                static_cast<ptrdiff_t>(shown.top + offsetY) * target->pitch +
                static_cast<ptrdiff_t>(shown.left + offsetX) * target->format->BytesPerPixel;
            SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_ARGB8888, mRows.data(), width * 4,
                              target->format->format, pixels, target->pitch);
            if (mustLock) {
                SDL_UnlockSurface(target);
            }
        }
    }
    if (everything) {
        SDL_UpdateWindowSurface(window);
    } else if (width > 0 && height > 0) {
        const SDL_Rect changed{shown.left + offsetX, shown.top + offsetY, width, height};
        SDL_UpdateWindowSurfaceRects(window, &changed, 1);
    }
}

DisplayResult SdlDisplay::BackendMonitorFrequency(uint32_t& hertz) {
    SDL_DisplayMode mode;
    if (SDL_GetCurrentDisplayMode(DisplayIndexLocked(), &mode) != 0 || mode.refresh_rate <= 0) {
        return DDERR_UNSUPPORTED;
    }
    hertz = static_cast<uint32_t>(mode.refresh_rate);
    return DD_OK;
}

DisplayResult SdlDisplay::BackendScanLine(uint32_t&) {
    // No desktop of today says where the beam is.
    return DDERR_UNSUPPORTED;
}

uint32_t SdlDisplay::BackendMsToVerticalBlank() {
    uint32_t hertz = 0;
    if (Failed(BackendMonitorFrequency(hertz))) {
        hertz = 60;
    }
    // The blank cannot be seen: wait for the next refresh period to begin instead.
    return SimulatedMsToLine(hertz, 1, 0);
}

DeviceIdentifier SdlDisplay::BackendDeviceIdentifier() {
    DeviceIdentifier identifier;
    const char* driver = SDL_GetCurrentVideoDriver();
    identifier.description =
        std::string("SDL ") + (driver != nullptr ? driver : "video") + " display";
    if (const char* name = SDL_GetDisplayName(DisplayIndexLocked())) {
        identifier.description += std::string(" (") + name + ")";
    }
    identifier.guid = GuidFromText(identifier.description);
    return identifier;
}

uint64_t SdlDisplay::BackendVideoMemory() {
    return kVideoMemory;
}

DisplayResult CreateSdlDisplaySystem(std::unique_ptr<DisplaySystem>& out) {
    return SdlDisplay::Create(out);
}

}  // namespace platform
