#pragma once

#include <cstdint>

namespace platform {

// The operating system's id of the calling thread.
uint32_t CurrentThreadId();

enum class ThreadPriority { Normal, AboveNormal };
// Best effort: an unprivileged process may not be allowed to raise its priority.
void SetCurrentThreadPriority(ThreadPriority priority);

}  // namespace platform
