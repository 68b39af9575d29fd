// A box on an X server without a window manager takes the keyboard from its game's window.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "PrivateXServer.h"
#include "platform/sdl/SdlMessageBoxes.h"
#include "platform/sdl/X11FullScreenWatch.h"

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

// The pipes a process holds past its standard three.
std::set<std::string> PipesOf(const std::filesystem::path& process) {
    std::set<std::string> pipes;
    std::error_code error;
    for (const auto& fd : std::filesystem::directory_iterator(process / "fd", error)) {
        const std::string target = std::filesystem::read_symlink(fd.path(), error).string();
        if (std::stoi(fd.path().filename().string()) > 2 && target.starts_with("pipe:")) {
            pipes.insert(target);
        }
    }
    return pipes;
}

// Pipes of ours, but for those we were started with, that a child of ours holds too.
std::set<std::string> PipesInherited(const std::set<std::string>& startedWith) {
    std::set<std::string> ours = PipesOf("/proc/self");
    for (const std::string& pipe : startedWith) {
        ours.erase(pipe);
    }
    std::set<std::string> shared;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state;
        long long parent = 0;
        if (!(stat >> pid >> name >> state >> parent) || parent != getpid()) {
            continue;
        }
        for (const std::string& pipe : PipesOf(entry.path())) {
            if (ours.contains(pipe)) {
                shared.insert(name + " " + pipe);
            }
        }
    }
    return shared;
}

// The box's helper, started while the full-screen window's watch runs, holds none of our pipes.
TEST(X11BoxFocusTest, ABoxTakesTheKeyboardFromItsOwnerWithoutAWindowManager) {
    if (std::system("command -v xdotool >/dev/null") != 0) {
        GTEST_SKIP() << "needs xdotool";
    }
    const std::set<std::string> startedWith = PipesOf("/proc/self");
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
    const auto watch = X11FullScreenWatch::Start(owner);
    ASSERT_NE(watch, nullptr);

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
    EXPECT_EQ(PipesInherited(startedWith), std::set<std::string>{});
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
