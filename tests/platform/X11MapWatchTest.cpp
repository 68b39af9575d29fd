// A window manager that drops map requests, on an X server of the test's own.
#include "platform/sdl/X11MapWatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "PrivateXServer.h"

// Last: its macros (None, Bool, Status) would rename gtest's own.
#include <X11/Xlib.h>

namespace platform {
namespace {

TEST(X11MapWatchTest, MapsOnTheSecondRequestOrSaysTheWindowIsNotMapped) {
    PrivateXServer server;
    if (!server.Start()) {
        GTEST_SKIP() << "no Xvfb";
    }
    Display* manager = XOpenDisplay(nullptr);
    Display* client = XOpenDisplay(nullptr);
    ASSERT_NE(manager, nullptr);
    ASSERT_NE(client, nullptr);
    XSelectInput(manager, DefaultRootWindow(manager), SubstructureRedirectMask);
    XSync(manager, False);
    // managerMaps: the manager drops the first request and honours the next one.
    for (const bool managerMaps : {true, false}) {
        SCOPED_TRACE(managerMaps ? "maps the second" : "maps none");
        const Window window =
            XCreateSimpleWindow(client, DefaultRootWindow(client), 0, 0, 64, 64, 0, 0, 0);
        XSync(client, False);
        auto mapped = std::async(std::launch::async, [window] {
            return X11MapWatch::Map(window, std::chrono::milliseconds(100));
        });
        int requests = 0;
        // Until the watch is done and its second request was heard.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (mapped.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready ||
               requests < 2) {
            ASSERT_LT(std::chrono::steady_clock::now(), end);
            while (XPending(manager) > 0) {
                XEvent request;
                XNextEvent(manager, &request);
                if (request.type == MapRequest && ++requests == 2 && managerMaps) {
                    XMapWindow(manager, request.xmaprequest.window);
                    XFlush(manager);
                }
            }
        }
        EXPECT_EQ(mapped.get(), managerMaps);
        EXPECT_EQ(requests, 2);
        XWindowAttributes attributes{};
        XGetWindowAttributes(client, window, &attributes);
        EXPECT_EQ(attributes.map_state == IsViewable, managerMaps);
        XDestroyWindow(client, window);
    }
    XCloseDisplay(client);
    XCloseDisplay(manager);
}

}  // namespace
}  // namespace platform
