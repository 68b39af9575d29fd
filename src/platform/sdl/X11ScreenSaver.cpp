// Xlib's names (Window, Status, None...) stay inside this file.
#include "platform/sdl/X11ScreenSaver.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace platform {

struct X11ScreenSaver::State {
    Display* display = nullptr;
    XScreenSaverInfo* info = nullptr;
};

std::unique_ptr<X11ScreenSaver> X11ScreenSaver::Open() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    int eventBase = 0;
    int errorBase = 0;
    XScreenSaverInfo* info = nullptr;
    if (XScreenSaverQueryExtension(display, &eventBase, &errorBase) != 0) {
        info = XScreenSaverAllocInfo();
    }
    if (info == nullptr) {
        XCloseDisplay(display);
        return nullptr;
    }
    auto state = std::make_unique<State>();
    state->display = display;
    state->info = info;
    return std::unique_ptr<X11ScreenSaver>(new X11ScreenSaver(std::move(state)));
}

X11ScreenSaver::X11ScreenSaver(std::unique_ptr<State> state) : mState(std::move(state)) {}

X11ScreenSaver::~X11ScreenSaver() {
    XFree(mState->info);
    XCloseDisplay(mState->display);
}

X11ScreenSaver::Settings X11ScreenSaver::ReadSettings() {
    int timeout = 0;
    int interval = 0;
    int preferBlanking = 0;
    int allowExposures = 0;
    XGetScreenSaver(mState->display, &timeout, &interval, &preferBlanking, &allowExposures);
    Settings settings;
    // A timeout of 0 turns the saver off; so does a client that suspended it (a video player).
    const bool queried = XScreenSaverQueryInfo(mState->display, DefaultRootWindow(mState->display),
                                               mState->info) != 0;
    settings.active = timeout > 0 && !(queried && mState->info->state == ScreenSaverDisabled);
    settings.timeoutSeconds = timeout > 0 ? static_cast<uint32_t>(timeout) : 0;
    return settings;
}

std::optional<uint32_t> X11ScreenSaver::IdleMilliseconds() {
    if (XScreenSaverQueryInfo(mState->display, DefaultRootWindow(mState->display), mState->info) ==
        0) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(mState->info->idle);
}

bool X11ScreenSaver::IsRunning() {
    return XScreenSaverQueryInfo(mState->display, DefaultRootWindow(mState->display),
                                 mState->info) != 0 &&
           mState->info->state == ScreenSaverOn;
}

}  // namespace platform
