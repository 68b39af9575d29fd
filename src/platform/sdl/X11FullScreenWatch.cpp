// Xlib's names (Window, Display...) stay inside this file.
#include "platform/sdl/X11FullScreenWatch.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr long kStateAdd = 1;
constexpr long kSourceApplication = 1;

}  // namespace

struct X11FullScreenWatch::State {
    Display* display = nullptr;
    Window window = 0;
    Window root = 0;
    Atom wmCheck = 0;
    Atom wmState = 0;
    Atom netState = 0;
    Atom fullScreen = 0;
    int wake[2] = {-1, -1};  // written to end the watch; no child of the game inherits it

    ~State() {
        for (const int fd : wake) {
            if (fd >= 0) {
                close(fd);
            }
        }
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }
};

std::unique_ptr<X11FullScreenWatch> X11FullScreenWatch::Start(unsigned long window) {
    auto state = std::make_unique<State>();
    state->display = XOpenDisplay(nullptr);
    if (window == 0 || state->display == nullptr || pipe2(state->wake, O_CLOEXEC) != 0) {
        return nullptr;
    }
    Display* display = state->display;
    state->window = window;
    state->root = DefaultRootWindow(display);
    state->wmCheck = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    state->wmState = XInternAtom(display, "WM_STATE", False);
    state->netState = XInternAtom(display, "_NET_WM_STATE", False);
    state->fullScreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    XSelectInput(display, state->root, PropertyChangeMask);
    // Read after the selection: a window manager naming itself later is heard.
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long left = 0;
    unsigned char* value = nullptr;
    const bool managed =
        XGetWindowProperty(display, state->root, state->wmCheck, 0, 1, False, XA_WINDOW, &type,
                           &format, &items, &left, &value) == Success &&
        items > 0;
    if (value != nullptr) {
        XFree(value);
    }
    if (managed) {
        // One that runs already frames the window when it is mapped, as it should.
        return nullptr;
    }
    XSelectInput(display, window, StructureNotifyMask | PropertyChangeMask);
    XSync(display, False);
    return std::unique_ptr<X11FullScreenWatch>(new X11FullScreenWatch(std::move(state)));
}

X11FullScreenWatch::X11FullScreenWatch(std::unique_ptr<State> state) : mState(std::move(state)) {
    mThread = std::jthread([this](std::stop_token stop) { Run(stop); });
}

X11FullScreenWatch::~X11FullScreenWatch() {
    mThread.request_stop();
    const char wake = 0;
    static_cast<void>(write(mState->wake[1], &wake, 1));
    mThread.join();
}

void X11FullScreenWatch::Run(std::stop_token stop) {
    State& s = *mState;
    while (!stop.stop_requested()) {
        while (XPending(s.display) > 0) {
            XEvent event;
            XNextEvent(s.display, &event);
            const bool managerAppeared =
                event.type == PropertyNotify && event.xproperty.window == s.root &&
                event.xproperty.atom == s.wmCheck && event.xproperty.state == PropertyNewValue;
            const bool takenOver =
                (event.type == ReparentNotify && event.xreparent.window == s.window &&
                 event.xreparent.parent != s.root) ||
                (event.type == PropertyNotify && event.xproperty.window == s.window &&
                 event.xproperty.atom == s.wmState && event.xproperty.state == PropertyNewValue);
            if (event.type == DestroyNotify && event.xdestroywindow.window == s.window) {
                return;
            }
            if (!managerAppeared && !takenOver) {
                continue;
            }
            XEvent ask{};
            ask.xclient.type = ClientMessage;
            ask.xclient.window = s.window;
            ask.xclient.message_type = s.netState;
            ask.xclient.format = 32;
            ask.xclient.data.l[0] = kStateAdd;
            ask.xclient.data.l[1] = static_cast<long>(s.fullScreen);
            ask.xclient.data.l[3] = kSourceApplication;
            XSendEvent(s.display, s.root, False, SubstructureRedirectMask | SubstructureNotifyMask,
                       &ask);
            XFlush(s.display);
            mRequests.fetch_add(1);
        }
        pollfd fds[2] = {{ConnectionNumber(s.display), POLLIN, 0}, {s.wake[0], POLLIN, 0}};
        poll(fds, 2, -1);
    }
}

}  // namespace platform
