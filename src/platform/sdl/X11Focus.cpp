// Xlib's names (Window, Display...) stay inside this file.
#include "platform/sdl/X11Focus.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include <atomic>

namespace platform::x11 {

namespace {

// The handler found when ours was installed; errors of any connection reach it.
std::atomic<XErrorHandler> gNextHandler{nullptr};

int PassAllButFocusErrors(Display* display, XErrorEvent* error) {
    if (error->request_code == X_SetInputFocus) {
        return 0;
    }
    const XErrorHandler next = gNextHandler.load();
    return next != nullptr ? next(display, error) : 0;
}

}  // namespace

void FilterFocusErrors() {
    const XErrorHandler previous = XSetErrorHandler(PassAllButFocusErrors);
    if (previous != PassAllButFocusErrors) {
        gNextHandler.store(previous);
    }
}

bool IsWindowViewable(_XDisplay* display, unsigned long window) {
    XWindowAttributes attributes{};
    return display != nullptr && window != 0 &&
           XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

}  // namespace platform::x11
