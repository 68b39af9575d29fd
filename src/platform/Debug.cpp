#include "platform/Debug.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {

namespace {
std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}
std::function<void(std::string_view)>& Sink() {
    static std::function<void(std::string_view)> sink;
    return sink;
}
}  // namespace

void DebugOutput(std::string_view text) {
    std::lock_guard lock(SinkMutex());
    if (Sink()) {
        Sink()(text);
        return;
    }
    static const bool enabled = std::getenv("VESK_DEBUG") != nullptr;
    if (enabled) {
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
}

void SetDebugSink(std::function<void(std::string_view)> sink) {
    std::lock_guard lock(SinkMutex());
    Sink() = std::move(sink);
}

}  // namespace platform
