#include "platform/MessageQueue.h"

#include <algorithm>

namespace platform {

namespace {

// Tick comparisons survive the 2^32 wrap as long as periods stay below 2^31.
int32_t Overdue(uint32_t now, uint32_t due) {
    return static_cast<int32_t>(now - due);
}

}  // namespace

bool MessageQueue::Post(const Message& message) {
    std::lock_guard lock(mMutex);
    if (mMessages.size() >= kCapacity) {
        return false;
    }
    mMessages.push_back(message);
    return true;
}

bool MessageQueue::PostCoalesced(const Message& message) {
    std::lock_guard lock(mMutex);
    const bool waiting = std::any_of(mMessages.begin(), mMessages.end(), [&](const Message& m) {
        return m.window == message.window && m.kind == message.kind;
    });
    if (waiting) {
        return true;
    }
    if (mMessages.size() >= kCapacity) {
        return false;
    }
    mMessages.push_back(message);
    return true;
}

void MessageQueue::SetTimer(WindowId window, uint32_t id, uint32_t periodMs, uint32_t now) {
    // Keep periods far from the wrap so due times always compare correctly.
    const uint32_t period = std::clamp<uint32_t>(periodMs, kMinimumTimerPeriod, 0x7FFFFFFF);
    std::lock_guard lock(mMutex);
    for (Timer& t : mTimers) {
        if (t.window == window && t.id == id) {
            t.period = period;
            t.due = now + period;
            return;
        }
    }
    mTimers.push_back(Timer{window, id, period, now + period});
}

bool MessageQueue::KillTimer(WindowId window, uint32_t id) {
    std::lock_guard lock(mMutex);
    const auto old = mTimers.size();
    std::erase_if(mTimers, [&](const Timer& t) { return t.window == window && t.id == id; });
    return mTimers.size() != old;
}

void MessageQueue::RemoveWindow(WindowId window) {
    std::lock_guard lock(mMutex);
    std::erase_if(mMessages, [&](const Message& m) { return m.window == window; });
    std::erase_if(mTimers, [&](const Timer& t) { return t.window == window; });
}

std::optional<Message> MessageQueue::Peek(bool remove, uint32_t now, Point cursor) {
    std::lock_guard lock(mMutex);
    if (!mMessages.empty()) {
        Message m = mMessages.front();
        if (remove) {
            mMessages.pop_front();
        }
        return m;
    }
    Timer* due = nullptr;
    for (Timer& t : mTimers) {
        if (Overdue(now, t.due) >= 0 &&
            (due == nullptr || Overdue(now, t.due) > Overdue(now, due->due))) {
            due = &t;
        }
    }
    if (due == nullptr) {
        return std::nullopt;
    }
    Message m;
    m.window = due->window;
    m.kind = msg::Timer;
    m.wparam = due->id;
    m.time = now;
    m.point = cursor;
    if (remove) {
        // Missed periods are not made up: the next one counts from now.
        due->due = now + due->period;
    }
    return m;
}

size_t MessageQueue::PendingCount() const {
    std::lock_guard lock(mMutex);
    return mMessages.size();
}

size_t MessageQueue::TimerCount() const {
    std::lock_guard lock(mMutex);
    return mTimers.size();
}

}  // namespace platform
