#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {

InstanceLock::InstanceLock(std::string path) : mPath(std::move(path)) {}

InstanceLock::~InstanceLock() {
    // The file stays: removing it would let a newcomer lock a fresh file while
    // an older process still holds the unlinked one.
    if (mFd >= 0) {
        close(mFd);
    }
}

InstanceLockResult InstanceLock::Acquire() {
    if (mFd >= 0) {
        return InstanceLockResult::Acquired;
    }
    // Close-on-exec: a browser started from the game must not inherit the lock
    // and keep the next start from running.
    const int fd = open(mPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return InstanceLockResult::Unavailable;
    }
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            mFd = fd;
            return InstanceLockResult::Acquired;
        }
        if (errno != EINTR) {
            break;
        }
    }
    const int error = errno;
    close(fd);
    return error == EWOULDBLOCK ? InstanceLockResult::HeldElsewhere
                                : InstanceLockResult::Unavailable;
}

}  // namespace platform
