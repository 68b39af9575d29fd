// A box on an X server without a window manager takes the keyboard from its game's window.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "PrivateXServer.h"
#include "platform/sdl/SdlMessageBoxes.h"

// Last: its macros (None, Bool, Status) would rename gtest's own.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace platform::sdl {
namespace {

using XWindow = ::Window;

XWindow TransientFor(Display* display, XWindow window) {
    XWindow owner = 0;
    return XGetTransientForHint(display, window, &owner) != 0 ? owner : 0;
}

TEST(X11BoxFocusTest, ABoxTakesTheKeyboardFromItsOwnerWithoutAWindowManager) {
    if (std::system("command -v xdotool >/dev/null") != 0) {
        GTEST_SKIP() << "needs xdotool";
    }
    PrivateXServer server;
    if (!server.Start()) {
        GTEST_SKIP() << "no Xvfb";
    }
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const XWindow owner =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 100, 0, 0, 0);
    XMapWindow(display, owner);
    XSync(display, False);
    XSetInputFocus(display, owner, RevertToPointerRoot, CurrentTime);
    XSync(display, False);

    SetMessageBoxHelperPath(VESK_MESSAGE_BOX_HELPER);
    std::optional<BoxAnswer> chosen;
    std::thread box([&] {
        chosen = ShowMessageBox(SDL_MESSAGEBOX_INFORMATION, "Focus", "Keep going?",
                                {{"Yes", 6}, {"No", 7}}, 6, 7, owner);
    });
    bool focused = false;
    XWindow shown = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!focused && std::chrono::steady_clock::now() < end) {
        XWindow focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        focused = focus > PointerRoot && TransientFor(display, focus) == owner;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (focused) {
        // Typed, not sent to a window: it goes where the keyboard is.
        EXPECT_EQ(std::system("xdotool key Return"), 0);
    } else {
        // Ends the box however it is, so the test does not hang on it.
        XWindow root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
        for (unsigned int i = 0; i < count; ++i) {
            shown = TransientFor(display, children[i]) == owner ? children[i] : shown;
        }
        XFree(children);
        std::system(("xdotool key --window " + std::to_string(shown) + " Return").c_str());
    }
    box.join();
    XCloseDisplay(display);
    EXPECT_TRUE(focused);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->end, BoxEnd::Chosen);
    EXPECT_EQ(chosen->result, 6);
}

}  // namespace
}  // namespace platform::sdl
