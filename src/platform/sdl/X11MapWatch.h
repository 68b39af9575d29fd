#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform {

// Watches a top-level X11 window while it is being shown. SDL waits for the server's word that
// the window is mapped with no time limit, and a window manager still starting up may drop the
// request, which left a start hanging before its first picture. After `patience` the watch
// asks for the map again; after another `patience` without an answer it sends the word itself,
// so the wait ends and the game goes on. Destroying the watch ends it.
//
// Threads: one watcher thread of its own; it speaks to the server on its own connection.
class X11MapWatch {
public:
    // Does nothing for window 0 (not an X11 window).
    X11MapWatch(unsigned long window, std::chrono::milliseconds patience);
    ~X11MapWatch();
    X11MapWatch(const X11MapWatch&) = delete;
    X11MapWatch& operator=(const X11MapWatch&) = delete;

    // How often the watch had to step in: 1 after asking again, 2 after sending the word.
    int Nudges() const { return mNudges.load(); }

private:
    void Run(std::stop_token stop, unsigned long window, std::chrono::milliseconds patience);

    std::mutex mMutex;
    std::condition_variable_any mWake;
    std::atomic<int> mNudges{0};  // Written by the watcher thread.
    std::jthread mThread;
};

}  // namespace platform
