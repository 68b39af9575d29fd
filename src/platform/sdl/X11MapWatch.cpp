// Xlib's names (Window, Display...) stay inside this file.
#include "platform/sdl/X11MapWatch.h"

#include <X11/Xlib.h>
#include <poll.h>

#include <cstdio>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// True when the server said the window was mapped before `end`. A word sent by another client
// does not count.
bool AwaitMapNotify(Display* display, Window window, Clock::time_point end) {
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.window == window &&
                event.xmap.send_event == 0) {
                return true;
            }
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left.count()));
    }
}

}  // namespace

bool X11MapWatch::Map(unsigned long window, std::chrono::milliseconds patience) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    // Selected before the state is read: a map after the reading is heard.
    XSelectInput(display, window, StructureNotifyMask);
    XWindowAttributes attributes{};
    bool mapped = XGetWindowAttributes(display, window, &attributes) != 0 &&
                  attributes.map_state != IsUnmapped;
    for (int request = 1; request <= 2 && !mapped; ++request) {
        if (request == 2) {
            std::fputs("The window was not shown in time; asking the window manager again.\n",
                       stderr);
        }
        XMapRaised(display, window);
        XFlush(display);
        mapped = AwaitMapNotify(display, window, Clock::now() + patience);
    }
    XCloseDisplay(display);
    return mapped;
}

}  // namespace platform
