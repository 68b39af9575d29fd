#pragma once

#include <atomic>
#include <memory>
#include <thread>

namespace platform {

// Keeps a borderless screen-sized X11 window full screen under a window manager that starts
// after it: such a manager takes the window over as any other and frames it. Full screen is
// asked for when a window manager appears (it names itself on the root window) and when it
// takes the window over (reparents it, or marks it managed), since it hears no request before.
//
// Threads: one watcher thread of its own; it speaks to the server on its own connection.
class X11FullScreenWatch {
public:
    // Null when a window manager runs already or the server cannot be reached. Main thread,
    // before the window is mapped; the watch must go before the window does.
    static std::unique_ptr<X11FullScreenWatch> Start(unsigned long window);
    ~X11FullScreenWatch();
    X11FullScreenWatch(const X11FullScreenWatch&) = delete;
    X11FullScreenWatch& operator=(const X11FullScreenWatch&) = delete;

    // How often full screen was asked for after the window was made.
    int Requests() const { return mRequests.load(); }

private:
    struct State;
    explicit X11FullScreenWatch(std::unique_ptr<State> state);
    void Run(std::stop_token stop);

    std::unique_ptr<State> mState;
    std::atomic<int> mRequests{0};  // Written by the watcher thread.
    std::jthread mThread;
};

}  // namespace platform
