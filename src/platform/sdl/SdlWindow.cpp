#include "platform/sdl/SdlWindow.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include "platform/TextEncoding.h"
#include "platform/sdl/X11Focus.h"
#include "platform/sdl/X11FullScreenWatch.h"
#include "platform/sdl/X11MapWatch.h"

namespace platform {

namespace {

// Icons larger than this are refused rather than handed to the desktop.
constexpr int32_t kMaxIconSide = 1024;

}  // namespace

SdlWindow::X11Handle SdlWindow::X11() const {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (mHandle == nullptr || SDL_GetWindowWMInfo(mHandle, &info) != SDL_TRUE ||
        info.subsystem != SDL_SYSWM_X11) {
        return {};
    }
    return X11Handle{info.info.x11.display, static_cast<unsigned long>(info.info.x11.window)};
}

bool SdlWindow::ShowWatched(std::chrono::milliseconds patience) {
    if (mHandle == nullptr) {
        return false;
    }
    if ((SDL_GetWindowFlags(mHandle) & SDL_WINDOW_SHOWN) != 0) {
        return true;
    }
    const unsigned long window = X11().window;
    if (window != 0 && !X11MapWatch::Map(window, patience)) {
        return false;
    }
    SDL_ShowWindow(mHandle);
    return true;
}

SdlWindow::SdlWindow(WindowId id, const WindowParams& params, SDL_Window* handle, Frame frame)
    : Window(id, params),
      mHandle(handle),
      mTitle(params.title),
      mFrame(params.style == WindowStyle::Captioned ? frame : Frame{}) {
    mClientX.store(params.position.x + mFrame.left);
    mClientY.store(params.position.y + mFrame.top);
    if (mHandle != nullptr) {
        mWidth.store(params.clientSize.width);
        mHeight.store(params.clientSize.height);
        RefreshView();
        if (params.style == WindowStyle::FullScreenPopup) {
            mFullScreenWatch = X11FullScreenWatch::Start(X11().window);
        }
    }
}

SdlWindow::~SdlWindow() {
    mFullScreenWatch.reset();
    if (mHandle != nullptr) {
        SDL_DestroyWindow(mHandle);
    }
}

uint32_t SdlWindow::SdlId() const {
    return mHandle != nullptr ? SDL_GetWindowID(mHandle) : 0;
}

void SdlWindow::Show(ShowCommand command) {
    if (mHandle == nullptr) {
        return;
    }
    const uint32_t flags = SDL_GetWindowFlags(mHandle);
    switch (command) {
        case ShowCommand::Hide:
            SDL_HideWindow(mHandle);
            break;
        case ShowCommand::Show:
            if (ShowWatched() && (flags & SDL_WINDOW_MINIMIZED) == 0) {
                Activate();
            }
            break;
        case ShowCommand::ShowNormal:
        case ShowCommand::Restore:
            if (!ShowWatched()) {
                break;
            }
            if ((flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)) != 0) {
                SDL_RestoreWindow(mHandle);
            }
            Activate();
            break;
        case ShowCommand::ShowNoActivate:
            static_cast<void>(ShowWatched());
            break;
        case ShowCommand::Minimize:
            SDL_MinimizeWindow(mHandle);
            break;
        case ShowCommand::Maximize:
            if (ShowWatched()) {
                SDL_MaximizeWindow(mHandle);
            }
            break;
    }
}

bool SdlWindow::IsVisible() const {
    return mHandle != nullptr && (SDL_GetWindowFlags(mHandle) & SDL_WINDOW_SHOWN) != 0;
}

void SdlWindow::SetForeground() {
    if (mHandle != nullptr) {
        Activate();
    }
}

void SdlWindow::Activate() {
    // Raising asks a window manager for the keyboard (_NET_ACTIVE_WINDOW); where none answers
    // (a bare X server, or one that leaves new windows unfocused) a window made by a
    // screen-mode switch would get no keys, and the game would stay inactive.
    SDL_RaiseWindow(mHandle);
    if ((SDL_GetWindowFlags(mHandle) & (SDL_WINDOW_SHOWN | SDL_WINDOW_MINIMIZED)) ==
        SDL_WINDOW_SHOWN) {
        TakeFocus();
    }
}

void SdlWindow::SetFocus() {
    if (mHandle != nullptr) {
        TakeFocus();
    }
}

void SdlWindow::TakeFocus() {
    // SDL asks for any mapped window, and the server refuses one that is not yet viewable
    // (its window manager's frame still unmapped).
    const X11Handle x11 = X11();
    if (x11.window == 0 || x11::IsWindowViewable(x11.display, x11.window)) {
        SDL_SetWindowInputFocus(mHandle);
    }
}

void SdlWindow::SetTitle(std::string_view title) {
    mTitle = title;
    if (mHandle != nullptr) {
        SDL_SetWindowTitle(mHandle, text::Utf8FromCp1252(title).c_str());
    }
}

void SdlWindow::SetPosition(Point outer) {
    const int32_t x = outer.x + mFrame.left;
    const int32_t y = outer.y + mFrame.top;
    mClientX.store(x);
    mClientY.store(y);
    if (mHandle != nullptr) {
        SDL_SetWindowPosition(mHandle, x, y);
    }
}

bool SdlWindow::SetClientSize(Size client) {
    if (mHandle == nullptr || client.width <= 0 || client.height <= 0) {
        return false;
    }
    SDL_SetWindowSize(mHandle, client.width, client.height);
    mWidth.store(client.width);
    mHeight.store(client.height);
    RefreshView();
    return true;
}

Placement SdlWindow::GetPlacement() const {
    Placement placement;
    if (mHandle != nullptr) {
        const uint32_t flags = SDL_GetWindowFlags(mHandle);
        if ((flags & SDL_WINDOW_MINIMIZED) != 0) {
            placement.state = ShowState::Minimized;
        } else if ((flags & SDL_WINDOW_MAXIMIZED) != 0) {
            placement.state = ShowState::Maximized;
        }
    }
    placement.normalPosition = Point{mClientX.load() - mFrame.left, mClientY.load() - mFrame.top};
    return placement;
}

PictureFit SdlWindow::View() const {
    return PictureFit::Make(mWidth.load(), mHeight.load(), mRealWidth.load(), mRealHeight.load());
}

Point SdlWindow::WindowToClient(Point windowPixel) const {
    const PictureFit view = View();
    if (view.Empty() || (view.Unscaled() && view.x == 0 && view.y == 0)) {
        return windowPixel;
    }
    Point client;
    view.ToPicture(windowPixel.x, windowPixel.y, client.x, client.y);
    return client;
}

Point SdlWindow::ClientToScreen(Point client) const {
    const PictureFit view = View();
    Point inWindow = client;
    if (!view.Empty()) {
        view.ToArea(client.x, client.y, inWindow.x, inWindow.y);
    }
    return Point{inWindow.x + mClientX.load(), inWindow.y + mClientY.load()};
}

Point SdlWindow::ScreenToClient(Point screen) const {
    return WindowToClient(Point{screen.x - mClientX.load(), screen.y - mClientY.load()});
}

void SdlWindow::SetIcon(int32_t width, int32_t height, const uint32_t* argb) {
    if (mHandle == nullptr || argb == nullptr || width <= 0 || height <= 0 ||
        width > kMaxIconSide || height > kMaxIconSide) {
        return;
    }
    // SDL only reads the pixels while setting the icon.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(argb), width, height, 32, width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface != nullptr) {
        SDL_SetWindowIcon(mHandle, surface);
        SDL_FreeSurface(surface);
    }
}

void SdlWindow::RefreshView() {
    if (mHandle == nullptr) {
        return;
    }
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(mHandle, &w, &h);
    mRealWidth.store(w);
    mRealHeight.store(h);
}

bool SdlWindow::Refresh(Frame& frame) {
    if (mHandle == nullptr) {
        return false;
    }
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(mHandle, &x, &y);
    mClientX.store(x);
    mClientY.store(y);
    RefreshView();
    if (Style() != WindowStyle::Captioned) {
        return false;
    }
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    if (SDL_GetWindowBordersSize(mHandle, &top, &left, &bottom, &right) != 0) {
        return false;
    }
    mFrame = Frame{left, top, right, bottom};
    frame = mFrame;
    return true;
}

}  // namespace platform
