// Xlib's names (Window, Display...) stay inside this file.
#include "platform/sdl/X11BoxFocus.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <thread>

namespace platform {

namespace {

bool WindowManagerRuns(Display* display) {
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == 0) {
        return false;
    }
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* value = nullptr;
    const bool found =
        XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, AnyPropertyType,
                           &type, &format, &count, &after, &value) == Success &&
        count > 0;
    if (value != nullptr) {
        XFree(value);
    }
    return found;
}

// The viewable top-level window transient for owner; 0 while there is none.
Window FindBox(Display* display, Window owner) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
        return 0;
    }
    Window box = 0;
    for (unsigned int i = 0; i < count && box == 0; ++i) {
        Window transientFor = 0;
        XWindowAttributes attributes{};
        if (XGetTransientForHint(display, children[i], &transientFor) != 0 &&
            transientFor == owner && XGetWindowAttributes(display, children[i], &attributes) != 0 &&
            attributes.map_state == IsViewable) {
            box = children[i];
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return box;
}

void Watch(unsigned long owner, std::chrono::milliseconds patience) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return;
    }
    if (!WindowManagerRuns(display)) {
        constexpr std::chrono::milliseconds kStep{20};
        for (auto waited = std::chrono::milliseconds{0}; waited < patience; waited += kStep) {
            if (const Window box = FindBox(display, owner); box != 0) {
                XSetInputFocus(display, box, RevertToPointerRoot, CurrentTime);
                XSync(display, False);
                break;
            }
            std::this_thread::sleep_for(kStep);
        }
    }
    XCloseDisplay(display);
}

}  // namespace

void GiveBoxTheKeyboard(unsigned long owner, std::chrono::milliseconds patience) {
    if (owner != 0) {
        std::thread(Watch, owner, patience).detach();
    }
}

}  // namespace platform
