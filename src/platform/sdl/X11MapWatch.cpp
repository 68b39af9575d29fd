// Xlib's names (Window, Display...) stay inside this file.
#include "platform/sdl/X11MapWatch.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <string>

#include "platform/Debug.h"

namespace platform {

X11MapWatch::X11MapWatch(unsigned long window, std::chrono::milliseconds patience) {
    if (window != 0) {
        mThread = std::jthread(
            [this, window, patience](std::stop_token stop) { Run(stop, window, patience); });
    }
}

X11MapWatch::~X11MapWatch() {
    if (mThread.joinable()) {
        mThread.request_stop();
        mWake.notify_all();
    }
}

void X11MapWatch::Run(std::stop_token stop, unsigned long window,
                      std::chrono::milliseconds patience) {
    for (int step = 1; step <= 2; ++step) {
        {
            std::unique_lock lock(mMutex);
            mWake.wait_for(lock, stop, patience, [] { return false; });
        }
        if (stop.stop_requested()) {
            return;
        }
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) {
            return;
        }
        if (step == 1) {
            // A window manager that missed the first request gets another.
            XMapRaised(display, window);
        } else {
            XEvent event{};
            event.xmap.type = MapNotify;
            event.xmap.display = display;
            event.xmap.event = window;
            event.xmap.window = window;
            XSendEvent(display, window, False, StructureNotifyMask, &event);
        }
        XFlush(display);
        XCloseDisplay(display);
        mNudges = step;
        const std::string text =
            step == 1 ? "The window was not shown in time; asking the window manager again.\n"
                      : "The window is still not shown; going on without the window manager.\n";
        DebugOutput(text);
        std::fputs(text.c_str(), stderr);
    }
}

}  // namespace platform
