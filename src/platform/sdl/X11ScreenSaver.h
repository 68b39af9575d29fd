#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace platform {

// The X server's screen saver through its own connection to the server: the timeout set with
// the core protocol, and the idle time and state kept by the screen-saver extension.
class X11ScreenSaver {
public:
    // Null when the display cannot be opened or has no screen-saver extension.
    static std::unique_ptr<X11ScreenSaver> Open();
    ~X11ScreenSaver();
    X11ScreenSaver(const X11ScreenSaver&) = delete;
    X11ScreenSaver& operator=(const X11ScreenSaver&) = delete;

    struct Settings {
        bool active = false;
        uint32_t timeoutSeconds = 0;
    };
    Settings ReadSettings();
    // Milliseconds since the last input, and whether the saver is on; none when the server
    // does not answer.
    std::optional<uint32_t> IdleMilliseconds();
    bool IsRunning();

private:
    struct State;
    explicit X11ScreenSaver(std::unique_ptr<State> state);
    std::unique_ptr<State> mState;
};

}  // namespace platform
