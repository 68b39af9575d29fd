#include "platform/sdl/SdlDisplay.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
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

bool SdlDisplay::ShowsOnlyChanges() const {
    const auto* window = dynamic_cast<const SdlWindow*>(Core().window);
    return window == nullptr || !window->Exposed();
}

SdlWindow* SdlDisplay::WindowLocked() {
    return dynamic_cast<SdlWindow*>(Core().window);
}

SDL_Window* SdlDisplay::HandleLocked() {
    const SdlWindow* window = WindowLocked();
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

std::optional<DisplayMode> SdlDisplay::BackendFullScreenMode(int32_t width, int32_t height) {
    // Any picture can be scaled to the desktop's own mode.
    if (width <= 0 || height <= 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) {
        return std::nullopt;
    }
    const DisplayMode desktop = BackendDesktopMode();
    return DisplayMode{width, height, 0, desktop.refreshRate};
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

DisplayResult SdlDisplay::BackendEnterFullScreen(Window&, const DisplayMode&) {
    SdlWindow* window = WindowLocked();
    if (window == nullptr || window->Handle() == nullptr) {
        return DDERR_NOHWND;
    }
    // Changing the monitor's mode would disturb the desktop for nothing: the picture is
    // scaled instead.
    if (SDL_SetWindowFullscreen(window->Handle(), SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        DebugOutput(std::string("SDL full screen: ") + SDL_GetError() + "\r\n");
        return DDERR_UNSUPPORTEDMODE;
    }
    window->RefreshView();
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
    SdlWindow* window = WindowLocked();
    if (window == nullptr || window->Handle() == nullptr) {
        return;
    }
    SDL_SetWindowFullscreen(window->Handle(), 0);
    // Back at the size of the picture itself.
    const Size client = window->ClientSize();
    SDL_SetWindowSize(window->Handle(), client.width, client.height);
    window->RefreshView();
}

SDL_Surface* SdlDisplay::WindowSurfaceLocked(SDL_Window* window) {
    if (mLent != nullptr && SDL_GetWindowID(window) != mLentWindow) {
        // Another window: the one lent from may be gone, and its memory with it.
        DropWindowScreenLocked();
        mLent = nullptr;
    }
    if (mLent != nullptr) {
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(window, &width, &height);
        if (width != mLent->w || height != mLent->h) {
            KeepWindowScreenLocked();
            mLent = nullptr;
        }
    }
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (mLent != nullptr && (surface != mLent || surface->pixels != mLentPixels)) {
        // Made anew at the same size (resized and back, or another window): the old memory
        // is gone, and the window's next paint shows the picture again.
        DropWindowScreenLocked();
        mLent = nullptr;
    }
    return surface;
}

uint32_t* SdlDisplay::BackendLendWindowPixels(int32_t width, int32_t height,
                                              const PixelFormat& format, int32_t& pitch) {
    SDL_Window* window = HandleLocked();
    SDL_Surface* surface =
        window != nullptr && !FullScreenLocked() ? WindowSurfaceLocked(window) : nullptr;
    const bool fits = surface != nullptr && surface->w == width && surface->h == height &&
                      !SDL_MUSTLOCK(surface) && surface->pitch % 4 == 0 &&
                      format == PixelFormat::Xrgb8888() &&
                      (surface->format->format == SDL_PIXELFORMAT_RGB888 ||
                       surface->format->format == SDL_PIXELFORMAT_ARGB8888);
    if (!fits) {
        if (mLent != nullptr) {
            KeepWindowScreenLocked();
            mLent = nullptr;
        }
        return nullptr;
    }
    mLent = surface;
    mLentPixels = surface->pixels;
    mLentWindow = SDL_GetWindowID(window);
    pitch = surface->pitch;
    return static_cast<uint32_t*>(surface->pixels);
}

void SdlDisplay::BackendPresent(const PixelStore* screen, const SurfaceRect& rect) {
    SDL_Window* window = HandleLocked();
    if (window == nullptr) {
        return;
    }
    SDL_Surface* target = WindowSurfaceLocked(window);
    if (target == nullptr) {
        return;
    }
    if (screen != nullptr && screen->Bits() == nullptr) {
        screen = nullptr;  // dropped just now
    }
    const PictureFit fit =
        screen != nullptr ? PictureFit::Make(screen->width, screen->height, target->w, target->h)
                          : PictureFit{};
    if (fit.Empty()) {
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
        SDL_UpdateWindowSurface(window);
        mShownFit = {};
        return;
    }
    const SurfaceRect whole{0, 0, screen->width, screen->height};
    // A new size or place leaves nothing of the old picture where it was, and an exposed
    // window has lost what it showed.
    const bool everything = !(fit == mShownFit) || WindowLocked()->TakeExposed();
    mShownFit = fit;
    if (everything && (fit.width < target->w || fit.height < target->h)) {
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
    }
    SurfaceRect changed = everything ? whole : Clip(rect, whole);
    if (!fit.Unscaled() && !KeepScaledRows(*screen, everything, changed)) {
        return;
    }
    SurfaceRect shown;
    if (fit.Unscaled()) {
        shown = Clip({changed.left + fit.x, changed.top + fit.y, changed.right + fit.x,
                      changed.bottom + fit.y},
                     {0, 0, target->w, target->h});
    } else {
        shown = mScaler.AreaChangedBy(fit, changed);
    }
    const int32_t width = shown.Width();
    const int32_t height = shown.Height();
    if (width > 0 && height > 0) {
        const bool mustLock = SDL_MUSTLOCK(target);
        if (!mustLock || SDL_LockSurface(target) == 0) {
            auto* pixels = static_cast<uint8_t*>(target->pixels) +
                           static_cast<ptrdiff_t>(shown.top) * target->pitch +
                           static_cast<ptrdiff_t>(shown.left) * target->format->BytesPerPixel;
            // The usual desktop takes our 32-bit pixels as they are.
            const bool sameLayout = (target->format->format == SDL_PIXELFORMAT_RGB888 ||
                                     target->format->format == SDL_PIXELFORMAT_ARGB8888);
            const SurfaceRect from = Clip(
                {shown.left - fit.x, shown.top - fit.y, shown.right - fit.x, shown.bottom - fit.y},
                whole);
            if (screen->Bits() == target->pixels) {
                // The picture lives in the window's own memory: nothing to copy.
            } else if (fit.Unscaled() && sameLayout && screen->format == PixelFormat::Xrgb8888()) {
                const PixelView view = screen->View();
                for (int32_t y = 0; y < height; ++y) {
                    std::memcpy(pixels + static_cast<ptrdiff_t>(y) * target->pitch,
                                view.bits + static_cast<ptrdiff_t>(from.top + y) * view.pitch +
                                    static_cast<ptrdiff_t>(from.left) * 4,
                                static_cast<size_t>(width) * 4);
                }
            } else {
                uint32_t* out = nullptr;
                size_t stride = static_cast<size_t>(width);
                if (sameLayout) {
                    out = reinterpret_cast<uint32_t*>(pixels);
                    stride = static_cast<size_t>(target->pitch / 4);
                } else {
                    mRows.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
                    out = mRows.data();
                }
                if (fit.Unscaled()) {
                    ConvertToArgb(screen->View(), screen->format, from, out, stride);
                } else {
                    mScaler.Scale(fit, screen->View(), screen->format, shown, out, stride);
                }
                if (!sameLayout) {
                    SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_ARGB8888, mRows.data(),
                                      width * 4, target->format->format, pixels, target->pitch);
                }
            }
            if (mustLock) {
                SDL_UnlockSurface(target);
            }
        }
    }
    if (everything || shown == SurfaceRect{0, 0, target->w, target->h}) {
        SDL_UpdateWindowSurface(window);
    } else if (shown.Width() > 0 && shown.Height() > 0) {
        const SDL_Rect area{shown.left, shown.top, shown.Width(), shown.Height()};
        SDL_UpdateWindowSurfaceRects(window, &area, 1);
    }
}

bool SdlDisplay::KeepScaledRows(const PixelStore& screen, bool everything, SurfaceRect& changed) {
    const PixelView view = screen.View();
    const size_t rowBytes = static_cast<size_t>(view.width) * view.bytesPerPixel;
    const size_t bytes = rowBytes * static_cast<size_t>(view.height);
    if (mScaledPicture.size() != bytes) {
        mScaledPicture.assign(bytes, 0);
        everything = true;
    }
    const size_t offset = static_cast<size_t>(changed.left) * view.bytesPerPixel;
    const size_t length = static_cast<size_t>(changed.Width()) * view.bytesPerPixel;
    int32_t first = changed.bottom;
    int32_t last = changed.top - 1;
    for (int32_t y = changed.top; y < changed.bottom; ++y) {
        uint8_t* kept = mScaledPicture.data() + static_cast<size_t>(y) * rowBytes + offset;
        const uint8_t* row = view.bits + static_cast<ptrdiff_t>(y) * view.pitch + offset;
        if (everything || std::memcmp(kept, row, length) != 0) {
            std::memcpy(kept, row, length);
            first = std::min(first, y);
            last = y;
        }
    }
    if (everything) {
        return true;
    }
    changed.top = first;
    changed.bottom = last + 1;
    return last >= first;
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
