#pragma once

#include <string>

#include "platform/WindowSystem.h"

namespace platform {

// A named lock shared by all processes of the user: a write lock on a file,
// owned by the process itself. The kernel drops it when the process ends,
// however it ends, and a child never inherits it, so only a live game can
// keep the next start from running.
class InstanceLock {
public:
    explicit InstanceLock(std::string path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Never waits. A second lock on the same file in this process is refused
    // like one in another process.
    InstanceLockResult Acquire();
    bool Held() const { return mFd >= 0; }
    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
    int mFd = -1;
};

}  // namespace platform
