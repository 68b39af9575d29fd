#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/Message.h"

namespace platform {

// The posted messages and window timers of one window system. Posting is
// safe from any thread. Timer messages are made only when nothing else
// waits, at most one per timer and due time, so a stalled loop gets one timer
// message rather than a burst.
class MessageQueue {
public:
    // Windows refuses posts past this many waiting messages; so do we, so a
    // runaway poster cannot eat the memory.
    static constexpr size_t kCapacity = 10000;
    // Shorter periods are raised to this, as Windows does.
    static constexpr uint32_t kMinimumTimerPeriod = 10;

    bool Post(const Message& message);
    // Posts unless a message of the same kind for the same window waits.
    bool PostCoalesced(const Message& message);

    // Replaces a timer with the same window and id.
    void SetTimer(WindowId window, uint32_t id, uint32_t periodMs, uint32_t now);
    bool KillTimer(WindowId window, uint32_t id);
    // Drops the window's waiting messages and timers.
    void RemoveWindow(WindowId window);

    // The next message: posted ones first, then a due timer. With remove
    // false the message stays where it is. cursor fills a timer's point.
    std::optional<Message> Peek(bool remove, uint32_t now, Point cursor);

    size_t PendingCount() const;
    size_t TimerCount() const;

private:
    struct Timer {
        WindowId window;
        uint32_t id;
        uint32_t period;
        uint32_t due;
    };

    mutable std::mutex mMutex;
    std::deque<Message> mMessages;
    std::vector<Timer> mTimers;
};

}  // namespace platform
