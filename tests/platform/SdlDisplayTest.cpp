#include "platform/sdl/SdlDisplay.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "PrivateXServer.h"
#include "platform/Backend.h"
#include "platform/sdl/SdlWindow.h"

// Last: their macros (None, Bool, Status) would rename gtest's own.
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef None  // BltKey::None

namespace platform {
namespace {

bool HaveDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && display[0] != '\0';
}

uint32_t ShownAt(SDL_Surface* surface, int x, int y) {
    if (SDL_MUSTLOCK(surface)) {
        SDL_LockSurface(surface);
    }
    const auto* row = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch;
    uint32_t pixel = 0;
    std::memcpy(&pixel, row + x * surface->format->BytesPerPixel, surface->format->BytesPerPixel);
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
    SDL_GetRGB(pixel, surface->format, &r, &g, &b);
    return (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}

// SDL's window system on the X display; skipped without one.
class SdlDisplayOnX : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveDisplay()) {
            GTEST_SKIP() << "DISPLAY is not set";
        }
        // Without a session bus libdbus would start one through X and leak doing so.
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
        mWindows = MakeWindowSystem(BackendKind::Sdl);
        ASSERT_TRUE(mWindows->VideoAvailable());
    }

    std::unique_ptr<WindowSystem> mWindows;
};

TEST_F(SdlDisplayOnX, PresentsAKnownFrameIntoTheWindow) {
    WindowParams params;
    params.title = "display test";
    params.position = {40, 40};
    params.clientSize = {64, 48};
    params.visible = true;
    Window* window = mWindows->CreateWindow(params);
    ASSERT_NE(window, nullptr);
    {
        std::unique_ptr<DisplaySystem> display;
        ASSERT_EQ(CreateSdlDisplaySystem(display), DD_OK);
        EXPECT_GT(display->DesktopMode().width, 0);
        EXPECT_FALSE(display->EnumerateModes().empty());
        ASSERT_EQ(display->SetCooperativeLevel(window, CooperativeLevel::Normal), DD_OK);
        std::shared_ptr<Surface> primary;
        SurfaceDesc desc;
        desc.kind = SurfaceKind::Primary;
        ASSERT_EQ(display->CreateSurface(desc, primary), DD_OK);
        ASSERT_EQ(display->AttachClipper(*primary), DD_OK);

        SurfaceDesc frameDesc;
        frameDesc.width = 64;
        frameDesc.height = 48;
        std::shared_ptr<Surface> frame;
        ASSERT_EQ(display->CreateSurface(frameDesc, frame), DD_OK);
        const PixelFormat format = frame->Format();
        auto pack = [&](uint32_t r, uint32_t g, uint32_t b) {
            // Channel values that survive a 16-bit desktop unchanged.
            auto place = [](uint32_t v, uint32_t mask) {
                const int shift = std::countr_zero(mask);
                const int bits = static_cast<int>(std::bit_width(mask)) - shift;
                return ((v >> (8 - bits)) << shift) & mask;
            };
            return place(r, format.redMask) | place(g, format.greenMask) |
                   place(b, format.blueMask);
        };
        const SurfaceRect left{0, 0, 32, 48};
        const SurfaceRect right{32, 0, 64, 48};
        ASSERT_EQ(frame->Fill(&left, pack(255, 0, 0)), DD_OK);
        ASSERT_EQ(frame->Fill(&right, pack(0, 255, 255)), DD_OK);

        const Point origin = window->ClientToScreen(Point{0, 0});
        const SurfaceRect onScreen{origin.x, origin.y, origin.x + 64, origin.y + 48};
        ASSERT_EQ(primary->Blt(&onScreen, *frame, nullptr, BltKey::None), DD_OK);

        SDL_Surface* shown = SDL_GetWindowSurface(static_cast<SdlWindow*>(window)->Handle());
        ASSERT_NE(shown, nullptr);
        ASSERT_GE(shown->w, 64);
        EXPECT_EQ(ShownAt(shown, 5, 5), 0xFF0000u);
        EXPECT_EQ(ShownAt(shown, 60, 40), 0x00FFFFu);

        uint32_t line = 0;
        EXPECT_EQ(display->GetScanLine(line), DDERR_UNSUPPORTED);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(display->WaitForVerticalBlank(), DD_OK);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
        DeviceIdentifier identifier;
        ASSERT_EQ(display->GetDeviceIdentifier(identifier), DD_OK);
        EXPECT_NE(identifier.description.find("SDL"), std::string::npos);
    }
    mWindows->DestroyWindow(window->Id());
}

// The windowed picture lives in the window's own memory; a new size must not lose it.
TEST_F(SdlDisplayOnX, AWindowResizedKeepsThePictureItShowed) {
    WindowParams params;
    params.title = "resize test";
    params.position = {40, 40};
    params.clientSize = {64, 48};
    params.visible = true;
    auto* window = static_cast<SdlWindow*>(mWindows->CreateWindow(params));
    ASSERT_NE(window, nullptr);
    {
        std::unique_ptr<DisplaySystem> display;
        ASSERT_EQ(CreateSdlDisplaySystem(display), DD_OK);
        ASSERT_EQ(display->SetCooperativeLevel(window, CooperativeLevel::Normal), DD_OK);
        std::shared_ptr<Surface> primary;
        SurfaceDesc desc;
        desc.kind = SurfaceKind::Primary;
        ASSERT_EQ(display->CreateSurface(desc, primary), DD_OK);
        SurfaceDesc frameDesc;
        frameDesc.width = 64;
        frameDesc.height = 48;
        std::shared_ptr<Surface> frame;
        ASSERT_EQ(display->CreateSurface(frameDesc, frame), DD_OK);
        if (!(frame->Format() == PixelFormat::Xrgb8888())) {
            GTEST_SKIP() << "the desktop is not 32-bit";
        }
        const SurfaceRect left{0, 0, 32, 48};
        const SurfaceRect right{32, 0, 64, 48};
        ASSERT_EQ(frame->Fill(&left, 0xFF0000u), DD_OK);
        ASSERT_EQ(frame->Fill(&right, 0x00FFFFu), DD_OK);
        const Point origin = window->ClientToScreen(Point{0, 0});
        const SurfaceRect onScreen{origin.x, origin.y, origin.x + 64, origin.y + 48};
        ASSERT_EQ(primary->Blt(&onScreen, *frame, nullptr, BltKey::None), DD_OK);

        SDL_SetWindowSize(window->Handle(), 128, 96);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int width = 0;
        int height = 0;
        while (std::chrono::steady_clock::now() < until && (width != 128 || height != 96)) {
            SDL_PumpEvents();
            SDL_GetWindowSize(window->Handle(), &width, &height);
        }
        ASSERT_EQ(width, 128);
        // Only a corner changes; the rest is shown scaled from what was kept.
        const SurfaceRect corner{0, 0, 2, 2};
        ASSERT_EQ(frame->Fill(&corner, 0x00FF00u), DD_OK);
        const SurfaceRect cornerOnScreen{origin.x, origin.y, origin.x + 2, origin.y + 2};
        ASSERT_EQ(primary->Blt(&cornerOnScreen, *frame, &corner, BltKey::None), DD_OK);

        SDL_Surface* shown = SDL_GetWindowSurface(window->Handle());
        ASSERT_NE(shown, nullptr);
        ASSERT_EQ(shown->w, 128);
        EXPECT_EQ(ShownAt(shown, 1, 1), 0x00FF00u);
        EXPECT_EQ(ShownAt(shown, 20, 60), 0xFF0000u);
        EXPECT_EQ(ShownAt(shown, 110, 60), 0x00FFFFu);
    }
    mWindows->DestroyWindow(window->Id());
}

// What the X server holds at a point of the window, as 0xRRGGBB.
uint32_t ServerPixelAt(Display* x, unsigned long window, int px, int py) {
    XImage* image = XGetImage(x, window, px, py, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return 0xDEADBEEFu;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return static_cast<uint32_t>(pixel & 0xFFFFFFu);
}

// A window that another one covered has lost its pixels on the server; the same frame
// presented again must bring them back, though none of its rows changed. On a server of its
// own, so that no other test's window covers the one read.
TEST(SdlDisplayOnPrivateX, AnExposedWindowGetsTheUnchangedFrameAgain) {
    PrivateXServer server;
    if (!server.Start()) {
        GTEST_SKIP() << "no Xvfb";
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    const std::unique_ptr<WindowSystem> windows = MakeWindowSystem(BackendKind::Sdl);
    ASSERT_TRUE(windows->VideoAvailable());
    WindowParams params;
    params.title = "expose test";
    params.position = {40, 40};
    params.clientSize = {64, 48};
    params.visible = true;
    auto* window = static_cast<SdlWindow*>(windows->CreateWindow(params));
    ASSERT_NE(window, nullptr);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_EQ(SDL_GetWindowWMInfo(window->Handle(), &info), SDL_TRUE);
    ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
    const ::Window xid = info.info.x11.window;
    Display* x = XOpenDisplay(nullptr);
    ASSERT_NE(x, nullptr);
    {
        std::unique_ptr<DisplaySystem> display;
        ASSERT_EQ(CreateSdlDisplaySystem(display), DD_OK);
        ASSERT_EQ(display->SetCooperativeLevel(window, CooperativeLevel::Normal), DD_OK);
        std::shared_ptr<Surface> primary;
        SurfaceDesc desc;
        desc.kind = SurfaceKind::Primary;
        ASSERT_EQ(display->CreateSurface(desc, primary), DD_OK);
        SurfaceDesc frameDesc;
        frameDesc.width = 64;
        frameDesc.height = 48;
        std::shared_ptr<Surface> frame;
        ASSERT_EQ(display->CreateSurface(frameDesc, frame), DD_OK);
        ASSERT_TRUE(frame->Format() == PixelFormat::Xrgb8888());
        ASSERT_EQ(frame->Fill(nullptr, 0xFF0000u), DD_OK);
        const Point origin = window->ClientToScreen(Point{0, 0});
        const SurfaceRect onScreen{origin.x, origin.y, origin.x + 64, origin.y + 48};
        ASSERT_EQ(primary->Blt(&onScreen, *frame, nullptr, BltKey::None), DD_OK);
        XSync(x, False);
        ASSERT_EQ(ServerPixelAt(x, xid, 5, 5), 0xFF0000u);

        // What a covering window leaves behind, and the exposure its going away reports.
        GC gc = XCreateGC(x, xid, 0, nullptr);
        XSetForeground(x, gc, 0);
        XFillRectangle(x, xid, gc, 0, 0, 64, 48);
        XFreeGC(x, gc);
        XSync(x, False);
        ASSERT_EQ(ServerPixelAt(x, xid, 5, 5), 0u);
        window->MarkExposed();

        ASSERT_EQ(primary->Blt(&onScreen, *frame, nullptr, BltKey::None), DD_OK);
        XSync(x, False);
        EXPECT_EQ(ServerPixelAt(x, xid, 5, 5), 0xFF0000u);
        EXPECT_EQ(ServerPixelAt(x, xid, 60, 40), 0xFF0000u);
    }
    XCloseDisplay(x);
    windows->DestroyWindow(window->Id());
}

TEST_F(SdlDisplayOnX, FullScreenAtASizeTheMonitorLacksScalesThePictureToTheDesktop) {
    WindowParams params;
    params.title = "full screen test";
    params.style = WindowStyle::FullScreenPopup;
    params.clientSize = {64, 48};
    params.visible = true;
    auto* window = static_cast<SdlWindow*>(mWindows->CreateWindow(params));
    ASSERT_NE(window, nullptr);
    {
        std::unique_ptr<DisplaySystem> display;
        ASSERT_EQ(CreateSdlDisplaySystem(display), DD_OK);
        const DisplayMode desktop = display->DesktopMode();
        ASSERT_EQ(display->SetCooperativeLevel(window, CooperativeLevel::ExclusiveFullScreen),
                  DD_OK);
        ASSERT_EQ(display->SetDisplayMode(64, 48, 32), DD_OK);
        std::shared_ptr<Surface> primary;
        SurfaceDesc desc;
        desc.kind = SurfaceKind::Primary;
        desc.chain = PrimaryChain::BackBuffer;
        ASSERT_EQ(display->CreateSurface(desc, primary), DD_OK);
        std::shared_ptr<Surface> back;
        ASSERT_EQ(primary->GetBackBuffer(back), DD_OK);
        const SurfaceRect left{0, 0, 32, 48};
        const SurfaceRect right{32, 0, 64, 48};
        ASSERT_EQ(back->Fill(&left, 0xFF0000u), DD_OK);
        ASSERT_EQ(back->Fill(&right, 0x00FFFFu), DD_OK);
        ASSERT_EQ(primary->Flip(), DD_OK);

        const PictureFit fit = PictureFit::Make(64, 48, desktop.width, desktop.height);
        SDL_Surface* shown = SDL_GetWindowSurface(window->Handle());
        ASSERT_NE(shown, nullptr);
        ASSERT_EQ(shown->w, desktop.width);
        EXPECT_EQ(ShownAt(shown, fit.x + 2, fit.y + 2), 0xFF0000u);
        EXPECT_EQ(ShownAt(shown, fit.x + fit.width - 3, fit.y + fit.height - 3), 0x00FFFFu);
        // The mouse in the real window's corner is the picture's last pixel.
        EXPECT_EQ(window->WindowToClient(Point{fit.x + fit.width - 1, fit.y + fit.height - 1}),
                  (Point{63, 47}));
        EXPECT_EQ(window->ScreenToClient(window->ClientToScreen(Point{40, 30})), (Point{40, 30}));

        ASSERT_EQ(display->RestoreDisplayMode(), DD_OK);
        EXPECT_EQ(window->View().width, 64);
    }
    mWindows->DestroyWindow(window->Id());
}

}  // namespace
}  // namespace platform
