#pragma once

#include <string>

#include "platform/WindowSystem.h"

namespace platform {

// A named lock shared by all processes of the user: an exclusive flock on a
// file. The kernel drops it when the process ends, however it ends, so a
// crashed game never blocks the next start.
class InstanceLock {
public:
    explicit InstanceLock(std::string path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Never waits. A second lock on the same path in this process is refused
    // like one in another process.
    InstanceLockResult Acquire();
    bool Held() const { return mFd >= 0; }
    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
    int mFd = -1;
};

}  // namespace platform
