// A window manager that drops map requests, on an X server of the test's own.
#include "platform/sdl/X11MapWatch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "PrivateXServer.h"

// Last: its macros (None, Bool, Status) would rename gtest's own.
#include <X11/Xlib.h>

namespace platform {
namespace {

class X11MapWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!mServer.Start()) {
            GTEST_SKIP() << "no Xvfb";
        }
        mManager = XOpenDisplay(nullptr);
        mClient = XOpenDisplay(nullptr);
        ASSERT_NE(mManager, nullptr);
        ASSERT_NE(mClient, nullptr);
        XSelectInput(mManager, DefaultRootWindow(mManager), SubstructureRedirectMask);
        XSync(mManager, False);
    }

    void TearDown() override {
        if (mClient != nullptr) {
            XCloseDisplay(mClient);
        }
        if (mManager != nullptr) {
            XCloseDisplay(mManager);
        }
    }

    PrivateXServer mServer;
    Display* mManager = nullptr;
    Display* mClient = nullptr;
};

TEST_F(X11MapWatchTest, AWaitForTheMapEndsWhenTheWindowManagerDropsTheRequest) {
    // managerMaps: the manager drops the first request and honours the next one.
    for (const bool managerMaps : {true, false}) {
        const Window window =
            XCreateSimpleWindow(mClient, DefaultRootWindow(mClient), 0, 0, 64, 64, 0, 0, 0);
        XSelectInput(mClient, window, StructureNotifyMask);
        XMapRaised(mClient, window);
        XFlush(mClient);
        X11MapWatch watch(window, std::chrono::milliseconds(100));
        int requests = 0;
        XEvent mapped{};
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!XCheckTypedWindowEvent(mClient, window, MapNotify, &mapped)) {
            ASSERT_LT(std::chrono::steady_clock::now(), end) << managerMaps;
            while (XPending(mManager) > 0) {
                XEvent request;
                XNextEvent(mManager, &request);
                if (request.type == MapRequest && ++requests == 2 && managerMaps) {
                    XMapWindow(mManager, request.xmaprequest.window);
                    XFlush(mManager);
                }
            }
            usleep(1000);
        }
        XWindowAttributes attributes{};
        XGetWindowAttributes(mClient, window, &attributes);
        EXPECT_EQ(attributes.map_state == IsViewable, managerMaps);
        // The server's own word when the manager mapped it; the watch's word otherwise.
        EXPECT_EQ(mapped.xmap.send_event != 0, !managerMaps);
        EXPECT_EQ(watch.Nudges(), managerMaps ? 1 : 2);
        XDestroyWindow(mClient, window);
    }
}

}  // namespace
}  // namespace platform
